// Reading the tree: attribute lookup without regard to case, walking in document order, the
// accessors' answers for absent nodes, and where the tree's strings are kept.
#include <gtest/gtest.h>

#include <string>

#include "xml_test_support.h"

namespace {

class XmlTreeTest : public XmlTest {};

bool IsEightByteAligned(const void* address) { return reinterpret_cast<uintptr_t>(address) % 8 == 0; }

TEST_F(XmlTreeTest, AttributesAreFoundByNameWithoutRegardToCase) {
  XmlNode* node = XmlRootElement(ParseText("<text Name='txtProgram' TEXT='' flags='#CV_Text_Center'/>"));
  EXPECT_EQ(XmlNodeAttributeIndex(node, u"name"), 0);
  EXPECT_EQ(Text(XmlNodeAttribute(node, u"NAME")), u"txtProgram");
  EXPECT_EQ(XmlNodeAttributeIndex(node, u"FLAGS"), 2);
  // Present but empty is an empty text; absent is none.
  ASSERT_NE(XmlNodeAttribute(node, u"text"), nullptr);
  EXPECT_EQ(Text(XmlNodeAttribute(node, u"text")), u"");
  EXPECT_EQ(XmlNodeAttribute(node, u"width"), nullptr);
  EXPECT_EQ(XmlNodeAttributeIndex(node, u"nam"), -1);
  EXPECT_EQ(XmlNodeAttributeIndex(node, nullptr), -1);
}

TEST_F(XmlTreeTest, NamesCompareWithoutRegardToCaseInLatinLetters) {
  EXPECT_TRUE(XmlNameEqualNoCase(u"CV_HyperLink_Underline", u"cv_hyperlink_underline"));
  EXPECT_TRUE(XmlNameEqualNoCase(u"\u00C9T\u00C9", u"\u00E9t\u00E9"));
  EXPECT_TRUE(XmlNameEqualNoCase(nullptr, u""));
  EXPECT_FALSE(XmlNameEqualNoCase(u"ab", u"abc"));
  EXPECT_FALSE(XmlNameEqualNoCase(u"\u00D7", u"\u00F7"));  // signs, not letters
}

TEST_F(XmlTreeTest, WalkingTheTreeVisitsEveryNodeInDocumentOrder) {
  int64_t document = ParseText("<a><b><c/><d/></b><e><f/></e></a>");
  XmlNode* a = XmlRootElement(document);
  std::u16string order;
  for (const XmlNode* node = a; node; node = XmlNodeNextInTree(node, a)) order += Text(XmlNodeName(node));
  EXPECT_EQ(order, u"abcdef");
  // A walk limited to a subtree stays in it.
  XmlNode* b = XmlNodeFirstChild(a);
  order.clear();
  for (const XmlNode* node = b; node; node = XmlNodeNextInTree(node, b)) order += Text(XmlNodeName(node));
  EXPECT_EQ(order, u"bcd");
}

TEST_F(XmlTreeTest, AccessorsAnswerNothingForAnAbsentNode) {
  EXPECT_EQ(XmlNodeKind(nullptr), -1);
  EXPECT_EQ(XmlNodeParent(nullptr), nullptr);
  EXPECT_EQ(XmlNodeFirstChild(nullptr), nullptr);
  EXPECT_EQ(XmlNodeNextSibling(nullptr), nullptr);
  EXPECT_EQ(XmlNodePreviousSibling(nullptr), nullptr);
  EXPECT_EQ(XmlNodeName(nullptr), nullptr);
  EXPECT_EQ(XmlNodeText(nullptr), nullptr);
  EXPECT_EQ(XmlNodeTextLength(nullptr), 0);
  EXPECT_EQ(XmlNodeAttributeCount(nullptr), 0);
  EXPECT_EQ(XmlNodeAttributeName(nullptr, 0), nullptr);
  EXPECT_EQ(XmlNodeAttribute(nullptr, u"name"), nullptr);
  EXPECT_EQ(XmlNodeIdIndex(nullptr), -1);
  EXPECT_EQ(XmlNodeNextInTree(nullptr, nullptr), nullptr);
  XmlNode* node = XmlRootElement(ParseText("<a x='1'/>"));
  EXPECT_EQ(XmlNodeAttributeName(node, 1), nullptr);
  EXPECT_EQ(XmlNodeAttributeValue(node, -1), nullptr);
}

TEST_F(XmlTreeTest, AccessorsOfUnknownDocumentsAnswerNothing) {
  EXPECT_EQ(XmlStatus(7), 0);
  EXPECT_EQ(XmlRootElement(7), nullptr);
  EXPECT_EQ(XmlDocumentNode(0x7FFF0000), nullptr);
  EXPECT_EQ(XmlErrorLine(-1), 0);
  EXPECT_EQ(ErrorMessage(123456789), u"");
  XmlFree(7);
  XmlFree(0x7FFF0000);
}

TEST_F(XmlTreeTest, PoolStringsAreNeverEightByteAlignedAndLargeStringsAlwaysAre) {
  std::string big(700, 'b');  // 1402 bytes in UTF-16: a heap block of its own
  int64_t document = ParseText("<a s='x' m='" + std::string(100, 'm') + "' l='" + big + "'>" + big + "<b/>tail</a>");
  ASSERT_EQ(XmlStatus(document), 0);
  XmlNode* a = XmlRootElement(document);
  EXPECT_FALSE(IsEightByteAligned(XmlNodeName(a)));
  EXPECT_FALSE(IsEightByteAligned(XmlNodeAttributeValue(a, 0)));
  EXPECT_FALSE(IsEightByteAligned(XmlNodeAttributeValue(a, 1)));
  EXPECT_TRUE(IsEightByteAligned(XmlNodeAttributeValue(a, 2)));
  EXPECT_EQ(XmlNodeTextLength(a), 704);
  EXPECT_TRUE(IsEightByteAligned(XmlNodeText(a)));
  EXPECT_EQ(Text(XmlNodeAttributeValue(a, 2)), std::u16string(700, u'b'));
  // Every pool string keeps its UTF-16 units aligned.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(XmlNodeName(XmlNodeFirstChild(a))) % 2, 0u);
}

TEST_F(XmlTreeTest, AManyStringDocumentSpillsIntoFurtherPoolBlocks) {
  // Thousands of attributes outgrow the first block (text length + 16 bytes) many times over.
  std::string text = "<a>";
  for (int i = 0; i < 20000; ++i) text += "<e n='" + std::to_string(i) + "'/>";
  text += "</a>";
  int64_t document = ParseText(text);
  ASSERT_EQ(XmlStatus(document), 0);
  int count = 0;
  for (XmlNode* e = XmlNodeFirstChild(XmlRootElement(document)); e; e = XmlNodeNextSibling(e)) {
    std::string number = std::to_string(count);
    ASSERT_EQ(Text(XmlNodeAttribute(e, u"n")), std::u16string(number.begin(), number.end()));
    ++count;
  }
  EXPECT_EQ(count, 20000);
}

}  // namespace
