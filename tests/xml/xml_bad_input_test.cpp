// Bad input: malformed documents of every kind, texts that are not XML, empty and null texts,
// absurd arguments, deep nesting, huge attributes, entity expansion attacks and running out of
// memory. Each gives an error or none, never a crash, and freeing gives every block back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml_test_support.h"
#include "testing.h"

namespace {

class XmlBadInputTest : public XmlTest {};

TEST_F(XmlBadInputTest, MalformedDocumentsReportTheirErrorAndFreeTheirPartialTree) {
  const std::vector<std::string> malformed = {
      "<",
      "<a>",
      "<a><b><c>text",
      "<a></b>",
      "<a x='1' x='2'/>",
      "<a x=1/>",
      "<a>&undefined;</a>",
      "<a>&#0;</a>",
      "<a/><b/>",
      "<a><![CDATA[never closed</a>",
      "<a><!-- never closed </a>",
      "<?xml version='1.0'?><?xml version='1.0'?><a/>",
      "<!DOCTYPE a [<!ENTITY e 'x'>",
      "<!DOCTYPE a [<!ENTITY e '<b>'>]><a x='&e;'/>",
      "<a>\xFF\xFE broken UTF-8</a>",
      "just some words, no markup at all",
      std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
      std::string("<a\0b/>", 6),
      "</a>",
      Utf16LeBytes(u"<a></b>"),
      Utf16LeBytes(u"<a/>") + "<",  // half a unit at the end
      Utf16LeBytes(u"<a>\xD800</a>"),  // a lone surrogate
  };
  for (const std::string& text : malformed) {
    ExpectNoHeapGrowth([&] {
      int64_t document = ParseText(text);
      ASSERT_NE(document, 0) << text;
      EXPECT_NE(XmlStatus(document), 0) << text;
      EXPECT_GE(XmlErrorLine(document), 1) << text;
      EXPECT_GE(XmlErrorColumn(document), 1) << text;
      EXPECT_NE(ErrorMessage(document), u"") << text;
      DescribeTree(XmlDocumentNode(document));  // the partial tree is readable
      XmlFree(document);
    });
  }
}

TEST_F(XmlBadInputTest, AnEmptyOrNullTextIsADocumentWithoutAnElement) {
  int64_t empty = XmlParse(CV_Any, "", 0, kXmlParseWhole, kXmlEncodingDetect);
  ASSERT_NE(empty, 0);
  EXPECT_EQ(XmlStatus(empty), 3);
  EXPECT_EQ(ErrorMessage(empty), u"no element found");
  EXPECT_EQ(XmlRootElement(empty), nullptr);
  // A null pointer is an empty text whatever length comes with it.
  int64_t null = XmlParse(CV_Any, nullptr, 100, kXmlParseWhole, kXmlEncodingUtf8);
  ASSERT_NE(null, 0);
  EXPECT_EQ(XmlStatus(null), 3);
  int64_t pieces = XmlParse(CV_Any, nullptr, 0, kXmlParseFirstPiece, kXmlEncodingDetect);
  EXPECT_EQ(XmlParse(pieces, "<a/>", 4, kXmlParseLastPiece, 0), pieces);
  EXPECT_EQ(XmlStatus(pieces), 0);
}

TEST_F(XmlBadInputTest, AbsurdArgumentsGiveNone) {
  EXPECT_EQ(ParseText("<a/>", 4), 0);   // no such mode
  EXPECT_EQ(ParseText("<a/>", -1), 0);
  EXPECT_EQ(XmlParse(CV_Any, "<a/>", -4, kXmlParseWhole, kXmlEncodingDetect), 0);
  EXPECT_EQ(ParseText("<a/>", kXmlParseWhole, kXmlEncodingDetect, -5), 0);
  EXPECT_EQ(ParseText("<a/>", kXmlParseWhole, kXmlEncodingDetect, int64_t{1} << 40), 0);
  // An encoding number that names nothing leaves the encoding to Expat.
  int64_t document = ParseText("<a/>", kXmlParseWhole, 77);
  EXPECT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(XmlEncoding(document), kXmlEncodingUtf8);
}

TEST_F(XmlBadInputTest, NothingWorksBeforeStartUpOrAfterShutdown) {
  XmlShutdown();
  EXPECT_EQ(ParseText("<a/>"), 0);
  EXPECT_EQ(XmlStatus(1), 0);
  XmlFree(CV_Any);
  XmlInit();
  EXPECT_NE(ParseText("<a/>"), 0);
}

std::string Nested(int depth, bool closed) {
  std::string text;
  text.reserve(static_cast<size_t>(depth) * 7);
  for (int i = 0; i < depth; ++i) text += "<a>";
  text += "deep";
  if (closed) {
    for (int i = 0; i < depth; ++i) text += "</a>";
  }
  return text;
}

TEST_F(XmlBadInputTest, AHundredThousandLevelsOfNestingParseAndFree) {
  ExpectNoHeapGrowth([] {
    int64_t document = ParseText(Nested(100000, true));
    ASSERT_EQ(XmlStatus(document), 0);
    int depth = 0;
    XmlNode* node = XmlRootElement(document);
    for (; XmlNodeFirstChild(node); node = XmlNodeFirstChild(node)) ++depth;
    EXPECT_EQ(depth, 99999);
    EXPECT_EQ(Text(XmlNodeText(node)), u"deep");
    XmlFree(document);
  });
}

TEST_F(XmlBadInputTest, AnUnclosedDeepDocumentKeepsItsPartialTreeAndFreesIt) {
  ExpectNoHeapGrowth([] {
    int64_t document = ParseText(Nested(100000, false));
    EXPECT_EQ(XmlStatus(document), 3);
    XmlNode* node = XmlRootElement(document);
    while (XmlNodeFirstChild(node)) node = XmlNodeFirstChild(node);
    EXPECT_EQ(Text(XmlNodeText(node)), u"deep");
    XmlFree(document);
  });
}

TEST_F(XmlBadInputTest, ADocumentFreedWhileFedInPiecesGivesEverythingBack) {
  std::string text = Nested(5000, true);
  ExpectNoHeapGrowth([&] {
    int64_t document = XmlParse(7, text.data(), static_cast<int64_t>(text.size() / 2), kXmlParseFirstPiece, kXmlEncodingDetect);
    ASSERT_NE(document, 0);
    EXPECT_EQ(XmlStatus(7), 0);
    XmlFree(7);
    EXPECT_EQ(XmlParse(7, text.data(), 1, kXmlParseNextPiece, 0), 0);
  });
}

TEST_F(XmlBadInputTest, HugeAttributesAndTextsAreKeptWhole) {
  std::string value(4 << 20, 'v');
  std::string text = "<a big='" + value + "'>" + std::string(3 << 20, 't') + "</a>";
  ExpectNoHeapGrowth([&] {
    int64_t document = ParseText(text);
    ASSERT_EQ(XmlStatus(document), 0);
    XmlNode* a = XmlRootElement(document);
    EXPECT_EQ(StrLen(XmlNodeAttribute(a, u"big")), 4 << 20);
    EXPECT_EQ(XmlNodeTextLength(a), 3 << 20);
    XmlFree(document);
  });
}

TEST_F(XmlBadInputTest, AnElementWithTensOfThousandsOfAttributesKeepsThemAll) {
  std::string text = "<a";
  for (int i = 0; i < 40000; ++i) text += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
  text += " ID='last'/>";
  ExpectNoHeapGrowth([&] {
    int64_t document = ParseText(text);
    ASSERT_EQ(XmlStatus(document), 0);
    XmlNode* a = XmlRootElement(document);
    EXPECT_EQ(XmlNodeAttributeCount(a), 40001);
    EXPECT_EQ(XmlNodeIdIndex(a), 40000);
    EXPECT_EQ(Text(XmlNodeAttribute(a, u"n39999")), u"39999");
    XmlFree(document);
  });
}

const char kLaughs[] =
    "<!DOCTYPE lolz [<!ENTITY lol 'lol'>"
    "<!ENTITY lol1 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>"
    "<!ENTITY lol2 '&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;'>"
    "<!ENTITY lol3 '&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;'>"
    "<!ENTITY lol4 '&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;'>"
    "<!ENTITY lol5 '&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;'>"
    "<!ENTITY lol6 '&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;'>"
    "<!ENTITY lol7 '&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;'>"
    "<!ENTITY lol8 '&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;'>"
    "<!ENTITY lol9 '&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;'>"
    "]>";

TEST_F(XmlBadInputTest, BillionLaughsInContentStayUnexpanded) {
  int64_t document = ParseText(std::string(kLaughs) + "<lolz>&lol9;</lolz>");
  ASSERT_EQ(XmlStatus(document), 0);
  EXPECT_EQ(Text(XmlNodeText(XmlRootElement(document))), u"&lol9;");
}

TEST_F(XmlBadInputTest, BillionLaughsInAnAttributeAreRefusedByExpat) {
  ExpectNoHeapGrowth([] {
    int64_t document = ParseText(std::string(kLaughs) + "<lolz a='&lol9;'/>");
    ASSERT_NE(document, 0);
    EXPECT_EQ(XmlStatus(document), 43);  // Expat's amplification limit
    EXPECT_EQ(ErrorMessage(document), u"limit on input amplification factor (from DTD and entities) breached");
    XmlFree(document);
  });
}

TEST_F(XmlBadInputTest, RunningOutOfMemoryAnywhereGivesNoneOrAnErrorAndNeverALeak) {
  std::string text = std::string("<?pi x?><!DOCTYPE r [<!ENTITY e 'x'>]><!-- c -->\r\n<r a='1' id='2' l='") +
                     std::string(800, 'l') + "'>\r\n" + std::string(3000, 't') + "<![CDATA[d]]>&e;<s/>tail</r>";
  int64_t refused = 0, stopped = 0;
  for (int64_t countdown = 1; countdown < 40; ++countdown) {
    ExpectNoHeapGrowth([&] {
      platform::testing::HeapFailAfter(countdown);
      int64_t document = ParseText(text);
      platform::testing::HeapFailAfter(0);
      if (document == 0) {
        ++refused;
        return;
      }
      int64_t status = XmlStatus(document);
      EXPECT_TRUE(status == 0 || status == 1) << "countdown " << countdown << " status " << status;
      if (status == 1) {
        ++stopped;
        EXPECT_EQ(ErrorMessage(document), u"out of memory");
      }
      DescribeTree(XmlDocumentNode(document));
      XmlFree(document);
    });
  }
  // Both ways out were taken: no document at all, and a parse stopped part way.
  EXPECT_GT(refused, 0);
  EXPECT_GT(stopped, 0);
}

}  // namespace
