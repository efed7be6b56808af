// Parsing into the document tree: line-end styles, mixed content and text offsets, the nodes
// of every kind, the XML declaration, errors, UTF-16 input named as UTF-8, and texts fed in
// pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml_test_support.h"

namespace {

class XmlParseTest : public XmlTest {};

TEST_F(XmlParseTest, CrLfInputStoresCrLfInElementTexts) {
  int64_t document = ParseText("<a>\r\n  one\r\n  two\r\n</a>");
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndCrLf);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"\r\n  one\r\n  two\r\n");
}

TEST_F(XmlParseTest, LfInputStoresLf) {
  int64_t document = ParseText("<a>\n  one\n  two\n</a>");
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndLf);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"\n  one\n  two\n");
}

TEST_F(XmlParseTest, CrInputStoresCr) {
  // Expat hands every line break over as LF; the document's style turns it back.
  int64_t document = ParseText("<a>\r  one\r  two\r</a>");
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndCr);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"\r  one\r  two\r");
}

TEST_F(XmlParseTest, TextWithoutLineBreaksStoresLf) {
  // The only line break comes from a character reference; no break was seen in the text.
  int64_t document = ParseText("<a>one&#10;two</a>");
  EXPECT_EQ(XmlLineEndStyle(document), 0);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"one\ntwo");
}

TEST_F(XmlParseTest, LineEndDetectionPassesOverALeadingLineFeedAndTheLastUnit) {
  // A line feed in the first position does not decide; the CR LF after it does.
  EXPECT_EQ(XmlLineEndStyle(ParseText("\n<a>x\r\ny</a>")), kXmlLineEndCrLf);
  // A line break in the last unit only is no break at all.
  EXPECT_EQ(XmlLineEndStyle(ParseText("<a/>\n")), 0);
}

TEST_F(XmlParseTest, LineEndStyleOfUtf16InputIsReadInUnits) {
  int64_t document = XmlParse(CV_Any, Utf16LeBytes(u"<a>x\r\ny</a>").data(), 22, kXmlParseWhole, kXmlEncodingUtf8);
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndCrLf);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"x\r\ny");
}

TEST_F(XmlParseTest, MixedContentJoinsTheRunsAndChildrenRecordTheirOffsets) {
  int64_t document = ParseText("<p>Hello <b>bold</b> world<i/>!</p>");
  XmlNode* p = XmlRootElement(document);
  EXPECT_EQ(Text(XmlNodeText(p)), u"Hello  world!");
  EXPECT_EQ(XmlNodeTextLength(p), 13);
  XmlNode* b = XmlNodeFirstChild(p);
  EXPECT_EQ(Text(XmlNodeName(b)), u"b");
  EXPECT_EQ(Text(XmlNodeText(b)), u"bold");
  EXPECT_EQ(XmlNodeTextOffset(b), 6);  // "Hello "
  XmlNode* i = XmlNodeNextSibling(b);
  EXPECT_EQ(Text(XmlNodeName(i)), u"i");
  EXPECT_EQ(XmlNodeTextOffset(i), 6);  // " world", counted from the end of <b>
  EXPECT_EQ(XmlNodeText(i), nullptr);
  EXPECT_EQ(XmlNodePreviousSibling(i), b);
  EXPECT_EQ(XmlNodeNextSibling(i), nullptr);
}

TEST_F(XmlParseTest, TextOffsetsCountStoredCharactersWithExpandedLineBreaks) {
  int64_t document = ParseText("<p>\r\n <c/></p>");
  EXPECT_EQ(XmlNodeTextOffset(XmlNodeFirstChild(XmlRootElement(document))), 3);
}

TEST_F(XmlParseTest, ACommentBeforeTheRootIsAChildOfTheDocumentNode) {
  int64_t document = ParseText("<!-- made by hand --><root><inner/></root>");
  XmlNode* top = XmlDocumentNode(document);
  EXPECT_EQ(XmlNodeKind(top), kXmlNodeDocument);
  XmlNode* comment = XmlNodeFirstChild(top);
  EXPECT_EQ(XmlNodeKind(comment), kXmlNodeComment);
  EXPECT_EQ(Text(XmlNodeText(comment)), u" made by hand ");
  XmlNode* root = XmlRootElement(document);
  EXPECT_EQ(Text(XmlNodeName(root)), u"root");
  EXPECT_EQ(XmlNodeNextSibling(comment), root);
  EXPECT_EQ(XmlNodeParent(root), top);
}

TEST_F(XmlParseTest, AnIdAttributeInAnyCaseSetsTheIdIndexAndTheLastOneWins) {
  XmlNode* node = XmlRootElement(ParseText("<a id='7'/>"));
  EXPECT_EQ(XmlNodeIdIndex(node), 0);
  node = XmlRootElement(ParseText("<a name='x' Id='1' text='y' ID='2'/>"));
  EXPECT_EQ(XmlNodeIdIndex(node), 3);
  node = XmlRootElement(ParseText("<a name='x' idx='1' d='2'/>"));
  EXPECT_EQ(XmlNodeIdIndex(node), -1);
}

TEST_F(XmlParseTest, AttributesKeepDocumentOrder) {
  XmlNode* node = XmlRootElement(ParseText("<button name='okay' text='Okay' flags='#CV_Button_Default'/>"));
  ASSERT_EQ(XmlNodeAttributeCount(node), 3);
  EXPECT_EQ(Text(XmlNodeAttributeName(node, 0)), u"name");
  EXPECT_EQ(Text(XmlNodeAttributeValue(node, 0)), u"okay");
  EXPECT_EQ(Text(XmlNodeAttributeName(node, 2)), u"flags");
  EXPECT_EQ(Text(XmlNodeAttributeValue(node, 2)), u"#CV_Button_Default");
}

TEST_F(XmlParseTest, AMismatchedTagReportsStatusSevenWithWhereItHappened) {
  int64_t document = ParseText("<a>\n  <b></a>");
  ASSERT_NE(document, 0);
  EXPECT_EQ(XmlStatus(document), 7);
  EXPECT_EQ(ErrorMessage(document), u"mismatched tag");
  EXPECT_EQ(XmlErrorLine(document), 2);
  EXPECT_EQ(XmlErrorColumn(document), 8);  // Expat points at the end tag's name, column 8 counted from 1
  // The tree built up to the error stays, with the texts gathered so far.
  XmlNode* a = XmlRootElement(document);
  EXPECT_EQ(Text(XmlNodeName(a)), u"a");
  EXPECT_EQ(Text(XmlNodeText(a)), u"\n  ");
  EXPECT_EQ(Text(XmlNodeName(XmlNodeFirstChild(a))), u"b");
}

TEST_F(XmlParseTest, ADocumentWithoutErrorsHasNoErrorRecord) {
  int64_t document = ParseText("<a/>");
  EXPECT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlErrorLine(document), 0);
  EXPECT_EQ(XmlErrorColumn(document), 0);
  EXPECT_EQ(ErrorMessage(document), u"");
}

TEST_F(XmlParseTest, EntityReferencesStayRawWhilePredefinedOnesAndCharacterReferencesResolve) {
  int64_t document = ParseText("<!DOCTYPE r [<!ENTITY e \"expanded\">]><r>a&e;b &amp; &#x41;</r>");
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"a&e;b & A");
}

TEST_F(XmlParseTest, ADoctypeWithAnInternalSubsetKeepsItsRawText) {
  int64_t document = ParseText("<!DOCTYPE r [\n<!ENTITY e 'x'>\n<!ELEMENT r ANY>\n]><r/>");
  XmlNode* doctype = XmlNodeFirstChild(XmlDocumentNode(document));
  ASSERT_EQ(XmlNodeKind(doctype), kXmlNodeDoctype);
  EXPECT_EQ(Text(XmlNodeText(doctype)), u"<!DOCTYPE r [\n<!ENTITY e 'x'>\n<!ELEMENT r ANY>\n]>");
  EXPECT_EQ(XmlNodeNextSibling(doctype), XmlRootElement(document));
}

TEST_F(XmlParseTest, ADoctypeNamesItsIdentifiersWithTheRightKeywordAndQuotes) {
  XmlNode* doctype = XmlNodeFirstChild(XmlDocumentNode(ParseText("<!DOCTYPE r SYSTEM \"r.dtd\"><r/>")));
  EXPECT_EQ(Text(XmlNodeText(doctype)), u"<!DOCTYPE r SYSTEM \"r.dtd\"");
  doctype = XmlNodeFirstChild(XmlDocumentNode(ParseText("<!DOCTYPE r PUBLIC '-//X//Y' 'a\"b.dtd'><r/>")));
  EXPECT_EQ(Text(XmlNodeText(doctype)), u"<!DOCTYPE r PUBLIC \"-//X//Y\" 'a\"b.dtd'");
  doctype = XmlNodeFirstChild(XmlDocumentNode(ParseText("<!DOCTYPE r><r/>")));
  EXPECT_EQ(Text(XmlNodeText(doctype)), u"<!DOCTYPE r");
}

TEST_F(XmlParseTest, CDataSectionsAreNodesWhoseContentArrivesAsText) {
  int64_t document = ParseText("<a>x<![CDATA[<y> & z]]>w</a>");
  XmlNode* a = XmlRootElement(document);
  EXPECT_EQ(Text(XmlNodeText(a)), u"xw");
  XmlNode* cdata = XmlNodeFirstChild(a);
  EXPECT_EQ(XmlNodeKind(cdata), kXmlNodeCData);
  EXPECT_EQ(Text(XmlNodeText(cdata)), u"<y> & z");
  EXPECT_EQ(XmlNodeTextOffset(cdata), 1);
}

TEST_F(XmlParseTest, ProcessingInstructionsAndCommentsTakeTheDocumentsLineBreaks) {
  int64_t document = ParseText("<?render fast\r\nplease?>\r\n<a><!-- one\r\ntwo --></a>");
  XmlNode* instruction = XmlNodeFirstChild(XmlDocumentNode(document));
  EXPECT_EQ(XmlNodeKind(instruction), kXmlNodeProcessingInstruction);
  EXPECT_EQ(Text(XmlNodeName(instruction)), u"render");
  EXPECT_EQ(Text(XmlNodeText(instruction)), u"fast\r\nplease");
  XmlNode* comment = XmlNodeFirstChild(XmlRootElement(document));
  EXPECT_EQ(Text(XmlNodeText(comment)), u" one\r\ntwo ");
}

TEST_F(XmlParseTest, TheXmlDeclarationSetsEncodingAndStandaloneUnlessAnEncodingWasNamed) {
  int64_t plain = ParseText("<a/>");
  EXPECT_EQ(XmlEncoding(plain), kXmlEncodingUtf8);
  EXPECT_EQ(XmlStandalone(plain), -1);
  int64_t latin = ParseText("<?xml version='1.0' encoding='iso-8859-1' standalone='yes'?><a>\xE9</a>");
  ASSERT_EQ(XmlStatus(latin), 0);
  EXPECT_EQ(XmlEncoding(latin), kXmlEncodingLatin1);
  EXPECT_EQ(XmlStandalone(latin), 1);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(latin))), u"\u00E9");
  int64_t ascii = ParseText("<?xml version='1.0' encoding='US-ASCII' standalone='no'?><a/>");
  EXPECT_EQ(XmlEncoding(ascii), kXmlEncodingLatin1);
  EXPECT_EQ(XmlStandalone(ascii), 0);
  int64_t named = ParseText("<?xml version='1.0' encoding='ISO-8859-1'?><a/>", kXmlParseWhole, kXmlEncodingUtf8);
  EXPECT_EQ(XmlEncoding(named), kXmlEncodingUtf8);
  // The declaration is not a node; whatever whitespace follows it is the document node's text.
  int64_t declared = ParseText("<?xml version='1.0'?>\n<a/>");
  EXPECT_EQ(XmlNodeFirstChild(XmlDocumentNode(declared)), XmlRootElement(declared));
}

TEST_F(XmlParseTest, Utf16InputWithAByteOrderMarkDeclaringUtf16) {
  std::string bytes = "\xFF\xFE" + Utf16LeBytes(u"<?xml version='1.0' encoding='UTF-16'?><a>\u20AC\U0001F600</a>");
  int64_t document = XmlParse(CV_Any, bytes.data(), static_cast<int64_t>(bytes.size()), kXmlParseWhole, kXmlEncodingDetect);
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlEncoding(document), kXmlEncodingUtf16);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"\u20AC\U0001F600");
}

TEST_F(XmlParseTest, Latin1NamedByTheCallerIsRead) {
  int64_t document = ParseText("<a t='\xC4'>\xFC</a>", kXmlParseWhole, kXmlEncodingLatin1);
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlEncoding(document), kXmlEncodingLatin1);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"\u00FC");
  EXPECT_EQ(Text(XmlNodeAttribute(XmlRootElement(document), u"t")), u"\u00C4");
}

// The About window's description as the program assembles it (title "About ...", a logo, the
// program, version, date and web site, no copyright), in the program's own UTF-16 text.
std::u16string AboutTemplate() {
  std::u16string xml = u"<window name='About' text='About ...' flags='#CV_Window_ScreenCentered' >";
  xml += u" <vbox>   <multibox>     <container name='conGeneral' height='150' >       <vbox>";
  xml += u"<singlebox expand='no' align='center'><image name='imgLogo' /></singlebox>";
  xml += u"<text name='txtProgram' text='Stampwork' flags='#CV_Text_Center' />";
  xml += u"<text name='txtVersion' text=' Build 5' flags='#CV_Text_Center' />";
  xml += u"<text name='txtComment' text='20.05.2016' flags='#CV_Text_Center' />";
  xml += u"<singlebox expand='no' align='center'><hyperlink name='lnkwebsite' text='stampwork.example.org' "
         u"flags='#CV_Hyperlink_Underline' /></singlebox>";
  xml += u"       </vbox>     </container>     <container name='conCredits' invisible='yes' >       <editor "
         u"name='editCredits' flags='#CV_Editor_ReadOnly|#CV_Editor_WordWrap' />     </container>     <container "
         u"name='conLicense' invisible='yes' >       <editor name='editLicense' "
         u"flags='#CV_Editor_ReadOnly|#CV_Editor_WordWrap' />     </container>   </multibox>   <hbox>     <button "
         u"name='credit' text='Credits' flags='#CV_Button_Toggle' />     <button name='license' text='License' "
         u"flags='#CV_Button_Toggle' />     <button name='okay' text='Okay' flags='#CV_Button_Default' />   </hbox> "
         u"</vbox></window>";
  return xml;
}

const XmlNode* FindNamed(const XmlNode* top, const char16_t* name) {
  for (const XmlNode* node = top; node; node = XmlNodeNextInTree(node, top)) {
    if (XmlNameEqualNoCase(XmlNodeAttribute(node, u"name"), name)) return node;
  }
  return nullptr;
}

TEST_F(XmlParseTest, TheAboutWindowsUtf16TemplateParsesWhenNamedUtf8) {
  std::u16string xml = AboutTemplate();
  int64_t document = XmlParse(CV_Any, xml.data(), static_cast<int64_t>(xml.size() * 2), kXmlParseWhole, kXmlEncodingUtf8);
  ASSERT_NE(document, 0);
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlEncoding(document), kXmlEncodingUtf8);
  XmlNode* window = XmlRootElement(document);
  EXPECT_EQ(Text(XmlNodeName(window)), u"window");
  EXPECT_EQ(Text(XmlNodeAttribute(window, u"NAME")), u"About");
  EXPECT_EQ(Text(XmlNodeAttribute(window, u"text")), u"About ...");
  EXPECT_EQ(Text(XmlNodeAttribute(FindNamed(window, u"txtversion"), u"text")), u" Build 5");
  EXPECT_EQ(Text(XmlNodeAttribute(FindNamed(window, u"editCredits"), u"flags")), u"#CV_Editor_ReadOnly|#CV_Editor_WordWrap");
  EXPECT_EQ(Text(XmlNodeName(FindNamed(window, u"lnkwebsite"))), u"hyperlink");
  EXPECT_EQ(Text(XmlNodeName(XmlNodeParent(FindNamed(window, u"okay")))), u"hbox");
  int elements = 0;
  for (const XmlNode* node = window; node; node = XmlNodeNextInTree(node, window)) elements += XmlNodeKind(node) == kXmlNodeElement;
  EXPECT_EQ(elements, 20);
  // The window's children: the outer vbox, after the blank that precedes it.
  XmlNode* vbox = XmlNodeFirstChild(window);
  EXPECT_EQ(Text(XmlNodeName(vbox)), u"vbox");
  EXPECT_EQ(XmlNodeTextOffset(vbox), 1);
  EXPECT_EQ(XmlNodeNextSibling(vbox), nullptr);
}

TEST_F(XmlParseTest, NumberedDocumentsAreReplacedByANewParseUnderTheSameNumber) {
  int64_t first = ParseText("<first/>", kXmlParseWhole, kXmlEncodingDetect, 5);
  ASSERT_NE(first, 0);
  EXPECT_EQ(Text(XmlNodeName(XmlRootElement(5))), u"first");
  EXPECT_EQ(XmlRootElement(5)->owner, 5);
  int64_t second = ParseText("<second/>", kXmlParseWhole, kXmlEncodingDetect, 5);
  EXPECT_EQ(second, first);  // the same body, reused
  EXPECT_EQ(Text(XmlNodeName(XmlRootElement(5))), u"second");
  XmlFree(5);
  EXPECT_EQ(XmlRootElement(5), nullptr);
  EXPECT_EQ(XmlStatus(5), 0);
}

TEST_F(XmlParseTest, AutomaticDocumentsAreOwnedByTheirId) {
  int64_t document = ParseText("<a><b/></a>");
  EXPECT_GT(document, 8);
  EXPECT_EQ(XmlDocumentNode(document)->owner, document);
  EXPECT_EQ(XmlNodeFirstChild(XmlRootElement(document))->owner, document);
}

TEST_F(XmlParseTest, FreeingEveryDocumentWithAnyLeavesNone) {
  int64_t a = ParseText("<a/>");
  int64_t b = ParseText("<b/>", kXmlParseWhole, kXmlEncodingDetect, 3);
  XmlFree(CV_Any);
  EXPECT_EQ(XmlRootElement(a), nullptr);
  EXPECT_EQ(XmlRootElement(b), nullptr);
  EXPECT_EQ(XmlRootElement(3), nullptr);
}

TEST_F(XmlParseTest, DocumentsGiveBackEveryBlockWhenFreed) {
  std::string attribute(3000, 'v');  // large enough for heap blocks of its own
  std::string text = "<?pi data?><!DOCTYPE r [<!ENTITY e 'x'>]><r a='" + attribute + "'><!-- c --><![CDATA[d]]>" +
                     std::string(5000, 't') + "&e;<s id='1'/></r>";
  ExpectNoHeapGrowth([&] {
    XmlFree(ParseText(text));
    XmlFree(ParseText(text, kXmlParseWhole, kXmlEncodingDetect, 2));
  });
}

// ---- texts fed in pieces ----

const char kPieceDocument[] =
    "<?xml version='1.0'?>\r\n<!DOCTYPE dialogs [\r\n<!ENTITY site 'x'>\r\n]>\r\n<!-- about -->\r\n"
    "<dialogs>\r\n  <window name='About' id='#CV_Any' text='&#xE9;t&#xE9; &amp; more'>\r\n"
    "    <vbox>Some &site; text<![CDATA[ raw <b> ]]>\r\n      <button name='okay' text='Okay'/>\r\n"
    "    </vbox><?note keep?>\r\n  </window>\r\n</dialogs>\r\n";

std::string WholeTree(std::string_view text, int64_t encoding = kXmlEncodingDetect) {
  int64_t document = XmlParse(CV_Any, text.data(), static_cast<int64_t>(text.size()), kXmlParseWhole, encoding);
  std::string tree = DescribeTree(XmlDocumentNode(document));
  XmlFree(document);
  return tree;
}

std::string PiecewiseTree(std::string_view text, size_t pieceSize, int64_t encoding = kXmlEncodingDetect) {
  size_t first = std::min(pieceSize, text.size());
  int64_t document = XmlParse(CV_Any, text.data(), static_cast<int64_t>(first), kXmlParseFirstPiece, encoding);
  size_t at = first;
  while (at < text.size()) {
    size_t size = std::min(pieceSize, text.size() - at);
    bool last = at + size == text.size();
    EXPECT_EQ(XmlParse(document, text.data() + at, static_cast<int64_t>(size), last ? kXmlParseLastPiece : kXmlParseNextPiece, 0),
              document);
    at += size;
  }
  if (first == text.size()) XmlParse(document, nullptr, 0, kXmlParseLastPiece, 0);
  EXPECT_EQ(XmlStatus(document), 0);
  std::string tree = DescribeTree(XmlDocumentNode(document));
  XmlFree(document);
  return tree;
}

TEST_F(XmlParseTest, FeedingATextInPiecesGivesTheSameTreeAsParsingItWhole) {
  std::string whole = WholeTree(kPieceDocument);
  ASSERT_NE(whole.find("dialogs"), std::string::npos);
  ASSERT_NE(whole.find("\\r\\n"), std::string::npos);
  for (size_t pieceSize : {1, 2, 3, 7, 64, 200, 10000}) {
    EXPECT_EQ(PiecewiseTree(kPieceDocument, pieceSize), whole) << "pieces of " << pieceSize;
  }
}

TEST_F(XmlParseTest, FeedingUtf16InPiecesGivesTheSameTreeAsParsingItWhole) {
  std::u16string source;
  for (const char* c = kPieceDocument; *c; ++c) source.push_back(static_cast<char16_t>(*c));
  // Without the XML declaration, which would name an encoding the bytes do not have.
  std::string bytes = Utf16LeBytes(std::u16string_view(source).substr(source.find(u"\r\n<!DOCTYPE") + 2));
  std::string whole = WholeTree(bytes, kXmlEncodingUtf8);
  ASSERT_NE(whole.find("About"), std::string::npos);
  for (size_t pieceSize : {1, 3, 64, 100000}) {
    EXPECT_EQ(PiecewiseTree(bytes, pieceSize, kXmlEncodingUtf8), whole) << "pieces of " << pieceSize;
  }
}

TEST_F(XmlParseTest, LineEndsAreDetectedInALaterPieceWhenTheFirstHasNone) {
  int64_t document = ParseText("<a>one", kXmlParseFirstPiece);
  EXPECT_EQ(XmlLineEndStyle(document), 0);
  EXPECT_EQ(XmlParse(document, "\r\ntwo</a>", 9, kXmlParseLastPiece, 0), document);
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndCrLf);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"one\r\ntwo");
}

TEST_F(XmlParseTest, ALineBreakCutBetweenTwoPiecesIsStillOneBreak) {
  int64_t document = ParseText("<a>x\r", kXmlParseFirstPiece);
  EXPECT_EQ(XmlLineEndStyle(document), 0);
  XmlParse(document, "\ny</a>", 6, kXmlParseLastPiece, 0);
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndCrLf);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"x\r\ny");
  // UTF-16 cut inside a unit: the halves join before they are looked at.
  std::string bytes = Utf16LeBytes(u"<a>x\ry</a>");
  document = XmlParse(CV_Any, bytes.data(), 9, kXmlParseFirstPiece, kXmlEncodingUtf8);
  XmlParse(document, bytes.data() + 9, static_cast<int64_t>(bytes.size() - 9), kXmlParseLastPiece, 0);
  EXPECT_EQ(XmlLineEndStyle(document), kXmlLineEndCr);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"x\ry");
}

TEST_F(XmlParseTest, FurtherPiecesForAFinishedDocumentReturnNone) {
  int64_t whole = ParseText("<a/>");
  EXPECT_EQ(XmlParse(whole, "<b/>", 4, kXmlParseNextPiece, 0), 0);
  EXPECT_EQ(XmlParse(whole, "<b/>", 4, kXmlParseLastPiece, 0), 0);
  int64_t pieces = ParseText("<a>", kXmlParseFirstPiece);
  EXPECT_EQ(XmlParse(pieces, "</a>", 4, kXmlParseLastPiece, 0), pieces);
  EXPECT_EQ(XmlParse(pieces, "x", 1, kXmlParseNextPiece, 0), 0);
  EXPECT_EQ(Text(XmlNodeName(XmlRootElement(pieces))), u"a");  // the finished tree is untouched
  EXPECT_EQ(XmlParse(424242, "x", 1, kXmlParseNextPiece, 0), 0);
}

TEST_F(XmlParseTest, AnErrorInAPieceIsReportedAndTheDocumentStaysInError) {
  int64_t document = ParseText("<a><b>", kXmlParseFirstPiece);
  EXPECT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlParse(document, "</c>", 4, kXmlParseNextPiece, 0), document);
  EXPECT_EQ(XmlStatus(document), 7);
  EXPECT_EQ(XmlParse(document, "</b></a>", 8, kXmlParseLastPiece, 0), document);
  EXPECT_NE(XmlStatus(document), 0);
  EXPECT_EQ(Text(XmlNodeName(XmlNodeFirstChild(XmlRootElement(document)))), u"b");
}

}  // namespace
