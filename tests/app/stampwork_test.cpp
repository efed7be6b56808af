// Stampwork's start-up and end sequence: the defaults of a first run and a clean exit with code 0.
#include <gtest/gtest.h>

#include "app_state.h"
#include "stampwork.h"

namespace {

TEST(Stampwork, FirstRunShowsTheDefaults) {
  StampworkStart();
  EXPECT_EQ(g_app.FontName, u"Arial");
  EXPECT_EQ(g_app.FontSize, 80);
  EXPECT_EQ(g_app.cText, 0x7F7F7F);
  EXPECT_EQ(g_app.bText, 268435455);
  EXPECT_EQ(g_app.Border, 2);
  EXPECT_EQ(g_app.RangeStart, 1);
  EXPECT_EQ(g_app.RangeStop, 50);
  EXPECT_EQ(g_app.zero, 3);
  EXPECT_EQ(g_app.Anchor, 4);
  EXPECT_EQ(std::u16string(kAnchorNames[g_app.Anchor]), u"Center Middle");
  EXPECT_EQ(g_app.LastText, u"End");
  EXPECT_TRUE(g_app.PreText.empty());
  EXPECT_TRUE(g_app.SufText.empty());
  ASSERT_NE(g_app.FontList, nullptr);
  EXPECT_EQ(g_app.FontList->type, kTypeString);
  EXPECT_EQ(g_app.FontList->count, 0);
  // No picture: the anchor sits at the middle of a 0 x 0 background.
  EXPECT_EQ(g_app.BackImage, 0);
  EXPECT_EQ(g_app.xText, 0);
  EXPECT_EQ(g_app.yText, 0);
  StampworkShutdown();
  EXPECT_EQ(MainHeap(), nullptr);
  EXPECT_TRUE(g_app.FontName.empty());
}

TEST(Stampwork, TheAnchorListIsRowsTimesThreePlusColumns) {
  EXPECT_EQ(std::u16string(kAnchorNames[0]), u"Left Top");
  EXPECT_EQ(std::u16string(kAnchorNames[3 * 1 + 2]), u"Right Middle");
  EXPECT_EQ(std::u16string(kAnchorNames[3 * 2 + 1]), u"Center Bottom");
}

TEST(StampworkDeathTest, TheProgramEndsWithExitCodeZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(StampworkMain(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
