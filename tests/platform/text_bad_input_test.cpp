// Text calls given bad input: null and empty texts, negative counts, very long texts, control
// characters, lone surrogates, long face names, absurd heights and unknown handles.
#include "text_support.h"
#include "testing.h"

namespace {

TEST(TextBadInput, NullTextsNegativeCountsAndUnknownHandlesFail) {
  Canvas canvas(20, 20);
  SIZE size{};
  EXPECT_FALSE(GetTextExtentPoint32W(canvas.dc, nullptr, 3, &size));
  EXPECT_FALSE(GetTextExtentPoint32W(canvas.dc, u"abc", -1, &size));
  EXPECT_FALSE(GetTextExtentPoint32W(canvas.dc, u"abc", 3, nullptr));
  EXPECT_TRUE(GetTextExtentPoint32W(canvas.dc, nullptr, 0, &size));
  EXPECT_FALSE(TextOutW(canvas.dc, 0, 0, nullptr, 2));
  EXPECT_FALSE(TextOutW(canvas.dc, 0, 0, u"ab", -2));
  EXPECT_TRUE(TextOutW(canvas.dc, 0, 0, nullptr, 0));
  HDC bogus = reinterpret_cast<HDC>(uintptr_t{0x7777776});
  EXPECT_FALSE(TextOutW(bogus, 0, 0, u"ab", 2));
  EXPECT_FALSE(GetTextExtentPoint32W(bogus, u"ab", 2, &size));
  TEXTMETRICW tm;
  EXPECT_FALSE(GetTextMetricsW(bogus, &tm));
  EXPECT_FALSE(GetTextMetricsW(canvas.dc, nullptr));
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(0, DrawTextW(bogus, u"ab", -1, &r, 0));
  EXPECT_EQ(0, DrawTextW(canvas.dc, u"ab", -1, nullptr, 0));
  EXPECT_EQ(0, DrawTextW(canvas.dc, nullptr, -1, &r, DT_CALCRECT));
  EXPECT_EQ(GDI_ERROR, SetTextAlign(bogus, 0));
  EXPECT_EQ(nullptr, CreateFontIndirectW(nullptr));
  EXPECT_EQ(0, canvas.Count(RGB(255, 255, 255)));
}

TEST(TextBadInput, AHundredThousandCharactersMeasureAndDrawOnlyWhatShows) {
  Canvas canvas(200, 40);
  canvas.Use(u"Arial", -20);
  std::u16string text;
  for (int i = 0; i < 100000; ++i) text.push_back(static_cast<char16_t>(u'!' + i % 90));
  const SIZE size = canvas.Extent(text);
  EXPECT_GT(size.cx, 100000 * 4);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  const int64_t before = platform::testing::GlyphRasterCount();
  canvas.Out(0, 0, text);
  EXPECT_LE(platform::testing::GlyphRasterCount() - before, 90);
  RECT r{0, 0, 0, 0};
  EXPECT_EQ(size.cy, DrawTextW(canvas.dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX));
  EXPECT_EQ(size.cx, r.right);
}

TEST(TextBadInput, ControlCharactersAndLoneSurrogatesDrawAsGlyphs) {
  Canvas canvas(200, 40);
  canvas.Use(u"Arial", -20);
  const std::u16string odd = {u'a', 0x0001, u'\t', 0xD800, u'b', 0xDC00, 0xD83D, 0xDE00, u'c', 0xD800};
  const SIZE size = canvas.Extent(odd);
  EXPECT_GT(size.cx, canvas.Extent(u"abc").cx);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  canvas.Out(0, 0, odd);
  EXPECT_GT(canvas.Count(RGB(255, 255, 255)), 0);
  // A trailing high surrogate is one unit, a proper pair one character.
  EXPECT_EQ(canvas.Extent(std::u16string(1, char16_t(0xD800))).cx, canvas.Extent(std::u16string(1, char16_t(0xDC00))).cx);
}

TEST(TextBadInput, ALongFaceNameIsCutToTheLogFontField) {
  std::u16string name(200, u'x');
  HFONT f = CreateFontW(-16, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, name.c_str());
  ASSERT_NE(nullptr, f);
  LOGFONTW lf{};
  GetObjectW(f, sizeof lf, &lf);
  EXPECT_EQ(std::u16string(31, u'x'), std::u16string(lf.lfFaceName));
  Canvas canvas(100, 30);
  SelectObject(canvas.dc, f);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  canvas.Out(0, 0, u"drawn");
  EXPECT_GT(canvas.Count(RGB(255, 255, 255)), 0);
  SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  // A short buffer gets the part that fits.
  HFONT g = CreateFontW(-16, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, u"Arial");
  LONG height = 0;
  EXPECT_EQ(4, GetObjectW(g, 4, &height));
  EXPECT_EQ(-16, height);
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(g, 0, nullptr));
  DeleteObject(g);
}

TEST(TextBadInput, AbsurdHeightsGiveUsableFonts) {
  Canvas canvas(300, 100);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  for (int height : {0, 1, -1, 5, INT32_MIN, INT32_MAX, -6667}) {
    canvas.Use(u"Arial", height);
    const TEXTMETRICW tm = canvas.Metrics();
    EXPECT_GT(tm.tmHeight, 0) << height;
    EXPECT_LT(tm.tmHeight, 20000) << height;
    canvas.Out(-10, -10, u"Ab");
  }
  canvas.Use(u"Arial", 0);
  EXPECT_NEAR(16, canvas.Metrics().tmHeight, 1);
}

}  // namespace
