// The font library: sizes in points at the screen's resolution, the style flags, numbers and
// automatic ids, freeing, and bad input to FontLoad.
#include "font_test_support.h"
#include "testing.h"

namespace {

TEST_F(FontTest, TwelvePointsAreSixteenPixelsAtNinetySixDotsPerInch) {
  EXPECT_EQ(96, FontScreenResolution());
  ASSERT_NE(0, FontLoad(1, u"Arial", 12, 0));
  EXPECT_EQ(-16, LogFontOf(1).lfHeight);
}

TEST_F(FontTest, TwelvePointsAreTwentyPixelsAtOneHundredTwentyDotsPerInch) {
  FontShutdown();
  platform::testing::ScreenSet(platform::ScreenInfo{0, 0, 120, 0});
  FontInit();
  platform::testing::ScreenSet(platform::ScreenInfo{0, 0, 96, 0});
  EXPECT_EQ(120, FontScreenResolution());
  ASSERT_NE(0, FontLoad(1, u"Arial", 12, 0));
  EXPECT_EQ(-20, LogFontOf(1).lfHeight);
}

TEST_F(FontTest, StyleFlagsReachCreateFont) {
  ASSERT_NE(0, FontLoad(1, u"Arial", 20, CV_Font_HighQuality | CV_Font_Bold | CV_Font_Italic));
  LOGFONTW lf = LogFontOf(1);
  EXPECT_EQ(FW_BOLD, lf.lfWeight);
  EXPECT_EQ(1, lf.lfItalic);
  EXPECT_EQ(PROOF_QUALITY, lf.lfQuality);
  EXPECT_EQ(0, lf.lfUnderline);
  EXPECT_EQ(0, lf.lfStrikeOut);
  EXPECT_EQ(DEFAULT_CHARSET, lf.lfCharSet);
  EXPECT_EQ(std::u16string(u"Arial"), std::u16string(lf.lfFaceName));

  ASSERT_NE(0, FontLoad(2, u"Arial", 20, CV_Font_Underline | CV_Font_StrikeOut));
  lf = LogFontOf(2);
  EXPECT_EQ(FW_NORMAL, lf.lfWeight);
  EXPECT_EQ(0, lf.lfItalic);
  EXPECT_EQ(DEFAULT_QUALITY, lf.lfQuality);
  EXPECT_EQ(1, lf.lfUnderline);
  EXPECT_EQ(1, lf.lfStrikeOut);
  EXPECT_EQ(0, lf.lfEscapement);
  EXPECT_EQ(0, lf.lfWidth);
}

TEST_F(FontTest, NumbersGiveTheHandleAndAutomaticIdsTheRecord) {
  const int64_t handle = FontLoad(3, u"Arial", 10, 0);
  ASSERT_NE(0, handle);
  EXPECT_EQ(handle, FontHandle(3));
  EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(handle))));
  const int64_t id = FontLoad(CV_Any, u"Arial", 10, 0);
  ASSERT_NE(0, id);
  EXPECT_NE(0, FontHandle(id));
  EXPECT_EQ(FontHandle(id), static_cast<int64_t>(reinterpret_cast<uintptr_t>(*reinterpret_cast<void**>(id))));
  FontFree(id);
  EXPECT_EQ(0, FontHandle(id));
}

TEST_F(FontTest, LoadingANumberInUseFreesTheOldFont) {
  const int64_t first = FontLoad(4, u"Arial", 10, 0);
  const int64_t second = FontLoad(4, u"Arial", 30, 0);
  ASSERT_NE(0, second);
  EXPECT_EQ(0u, GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(first))));
  EXPECT_EQ(second, FontHandle(4));
}

TEST_F(FontTest, FreeingReleasesTheHandleAndIgnoresUnknownFonts) {
  const int64_t handle = FontLoad(5, u"Arial", 10, 0);
  FontFree(5);
  EXPECT_EQ(0, FontHandle(5));
  EXPECT_EQ(0u, GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(handle))));
  FontFree(5);
  FontFree(12345);
  FontFree(0x7FFF0000);
  FontLoad(6, u"Arial", 10, 0);
  FontLoad(CV_Any, u"Arial", 11, 0);
  FontFree(-1);
  EXPECT_EQ(0, FontHandle(6));
  EXPECT_EQ(0, FontHandle(-5));
}

TEST_F(FontTest, BadNumbersNamesAndSizesHaveDefinedResults) {
  EXPECT_EQ(0, FontLoad(-7, u"Arial", 10, 0));
  EXPECT_EQ(0, FontLoad(int64_t{1} << 40, u"Arial", 10, 0));
  EXPECT_NE(0, FontLoad(1, nullptr, 10, 0));
  EXPECT_NE(0, FontLoad(2, std::u16string(200, u'q').c_str(), 10, 0));
  EXPECT_EQ(std::u16string(31, u'q'), std::u16string(LogFontOf(2).lfFaceName));
  EXPECT_NE(0, FontLoad(3, u"Arial", 0, 0));
  EXPECT_EQ(0, LogFontOf(3).lfHeight);
  EXPECT_NE(0, FontLoad(4, u"Arial", -5, 0));
  EXPECT_EQ(7, LogFontOf(4).lfHeight);  // a positive height: the cell
  EXPECT_NE(0, FontLoad(5, u"Arial", 5000, 0));
  EXPECT_EQ(-6667, LogFontOf(5).lfHeight);
  EXPECT_NE(0, FontLoad(6, u"Arial", INT64_MAX, 0));
}

TEST_F(FontTest, NothingHappensBeforeStartOrAfterShutdown) {
  FontShutdown();
  EXPECT_EQ(0, FontLoad(1, u"Arial", 10, 0));
  EXPECT_EQ(0, FontHandle(1));
  FontFree(1);
  FontFree(-1);
  FontEnd();
  FontInit();
}

}  // namespace
