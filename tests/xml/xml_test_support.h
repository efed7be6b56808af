// What the XML tests share: a fixture with the XML library started, parsing from byte strings,
// a printed form of a whole tree for comparing two parses, and a leak check over the main heap.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "runtime_fixture.h"
#include "testing.h"

class XmlTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    XmlInit();
  }
  void TearDown() override {
    platform::testing::HeapFailAfter(0);
    XmlShutdown();
    CoreRuntimeTest::TearDown();
  }
};

inline int64_t ParseText(std::string_view text, int64_t mode = kXmlParseWhole, int64_t encoding = kXmlEncodingDetect,
                         int64_t number = CV_Any) {
  return XmlParse(number, text.data(), static_cast<int64_t>(text.size()), mode, encoding);
}

// The UTF-16LE bytes of an ASCII or UTF-16 text, as a program hands its own strings over.
inline std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

inline std::u16string ErrorMessage(int64_t document) {
  StrExpr message;
  message.Call(XmlErrorMessage, document);
  return Text(message.Text());
}

// Every node of the tree, one line each, in document order: depth, kind, name, attributes with
// the ID index, text offset and text (line breaks shown as \r and \n).
inline std::string DescribeTree(const XmlNode* top) {
  auto narrow = [](const char16_t* text) {
    std::string out;
    for (; text && *text; ++text) {
      if (*text == u'\r') out += "\\r";
      else if (*text == u'\n') out += "\\n";
      else if (*text < 0x80) out.push_back(static_cast<char>(*text));
      else out += "\\u" + std::to_string(static_cast<int>(*text));
    }
    return out;
  };
  std::string out;
  for (const XmlNode* node = top; node; node = XmlNodeNextInTree(node, top)) {
    int depth = 0;
    for (const XmlNode* up = XmlNodeParent(node); up; up = XmlNodeParent(up)) ++depth;
    out += std::to_string(depth) + " kind=" + std::to_string(XmlNodeKind(node)) + " name=" + narrow(XmlNodeName(node));
    for (int64_t i = 0; i < XmlNodeAttributeCount(node); ++i) {
      out += " " + narrow(XmlNodeAttributeName(node, i)) + "='" + narrow(XmlNodeAttributeValue(node, i)) + "'";
    }
    out += " id=" + std::to_string(XmlNodeIdIndex(node)) + " offset=" + std::to_string(XmlNodeTextOffset(node)) +
           " text=" + narrow(XmlNodeText(node)) + "\n";
  }
  return out;
}

// Runs `work` twice and checks that the second run leaves as many main-heap blocks as the
// first: whatever a run allocates for a document, freeing the document gives back. (The first
// run warms up what the registry keeps for good, such as slot bodies.)
inline void ExpectNoHeapGrowth(const std::function<void()>& work) {
  work();
  int64_t before = platform::testing::HeapBlockCount(MainHeap());
  work();
  EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), before);
}
