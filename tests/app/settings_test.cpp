// The settings file: the fourteen keys in their order, a load that changes only what the file
// holds, trimming, negative colours, and a file that cannot be written.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app_state.h"
#include "settings.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/settings-test-XXXXXX";
    dir_ = mkdtemp(pattern);
    MainHeapCreate();
    StringHeapInit();
    FileInit();
    PrefInit();
    AppStateClear();
    AppStateSetDefaults();
  }
  void TearDown() override {
    PrefShutdown();
    FileShutdown();
    AppStateClear();
    StringHeapShutdown();
    MainHeapDestroy();
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::u16string Path(const std::string& name) {
    std::string path = dir_ + "/" + name;
    return std::u16string(path.begin(), path.end());
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
  void Write(const std::string& name, const std::string& content) { std::ofstream(dir_ + "/" + name, std::ios::binary) << content; }

  std::string dir_;
};

TEST_F(SettingsTest, SaveWritesTheFourteenKeysInOrder) {
  g_app.xText = 960;
  g_app.yText = 540;
  g_app.PreText = u"No. ";
  SettingsSave(Path("s.ini").c_str());
  EXPECT_EQ(Read("s.ini"),
            "\xEF\xBB\xBF\r\nxText = 960\r\nyText = 540\r\ncText = 8355711\r\nbText = 268435455\r\nFontName = Arial\r\n"
            "FontSize = 80\r\nPreText = No. \r\nSufText = \r\nBorder = 2\r\nRangeStart = 1\r\nRangeStop = 50\r\n"
            "zero = 3\r\nAnchor = 4\r\nLastText = End\r\n");
}

TEST_F(SettingsTest, AFileWithOnlyTheFontSizeChangesOnlyTheFontSize) {
  Write("only.ini", "FontSize = 120\r\n");
  g_app.xText = 7;
  SettingsLoad(Path("only.ini").c_str());
  EXPECT_EQ(g_app.FontSize, 120);
  EXPECT_EQ(g_app.xText, 7);
  EXPECT_EQ(g_app.FontName, u"Arial");
  EXPECT_EQ(g_app.LastText, u"End");
  EXPECT_EQ(g_app.bText, kNoColour);
}

TEST_F(SettingsTest, AMissingFileChangesNothing) {
  g_app.Border = 9;
  SettingsLoad(Path("none.ini").c_str());
  EXPECT_EQ(g_app.Border, 9);
  EXPECT_EQ(g_app.FontName, u"Arial");
}

TEST_F(SettingsTest, ARoundTripKeepsNegativeColoursAndDropsLeadingBlanks) {
  g_app.bText = ~int64_t{0x00FF00};  // an outline of green
  g_app.PreText = u"  Ticket ";
  g_app.FontName = u"No Such Face";
  g_app.RangeStart = -5;
  SettingsSave(Path("round.ini").c_str());
  AppStateClear();
  AppStateSetDefaults();
  SettingsLoad(Path("round.ini").c_str());
  EXPECT_EQ(g_app.bText, ~int64_t{0x00FF00});
  // Reading drops the blanks before a value; the ones after it are part of the value.
  EXPECT_EQ(std::u16string(g_app.PreText.c_str()), u"Ticket ");
  EXPECT_EQ(g_app.FontName, u"No Such Face");
  EXPECT_EQ(g_app.RangeStart, -5);
}

TEST_F(SettingsTest, AnUnwritableTargetIsNotReportedAndChangesNothing) {
  SettingsSave(Path("no/such/folder/s.ini").c_str());
  SettingsSave(Path("").c_str());  // the folder itself
  EXPECT_EQ(g_app.FontSize, 80);
}

}  // namespace
