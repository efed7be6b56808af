// Stampwork's start-up and end sequence: the defaults of a first run and a clean exit with code 0.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app_state.h"
#include "fifo_deadline.h"
#include "fresh_directory.h"
#include "sealed_folder.h"
#include "input.h"
#include "main_window.h"
#include "stampwork.h"

namespace {

TEST(Stampwork, EndingWritesTheSettingsFileEvenIfNothingChanged) {
  InFreshDirectory here;
  StampworkStart();
  StampworkShutdown();
  std::string written = here.Read("Stampwork.ini");
  EXPECT_NE(written.find("FontName = Arial\r\n"), std::string::npos) << written;
  EXPECT_NE(written.find("LastText = End\r\n"), std::string::npos);
}

TEST(Stampwork, StartingReadsTheSettingsFileOverTheDefaults) {
  InFreshDirectory here;
  here.Write("Stampwork.ini", "FontSize = 33\nAnchor = 8\n");
  StampworkStart();
  EXPECT_EQ(g_app.FontSize, 33);
  EXPECT_EQ(g_app.Anchor, 8);
  EXPECT_EQ(g_app.Border, 2);
  StampworkShutdown();
  EXPECT_NE(here.Read("Stampwork.ini").find("FontSize = 33\r\n"), std::string::npos);
}

TEST(Stampwork, FirstRunShowsTheDefaults) {
  InFreshDirectory here;
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
  EXPECT_GT(g_app.FontList->count, 0);  // the installed faces
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
  InFreshDirectory here;
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Headless, nobody closes the window: the close box is pressed before the loop takes over.
  EXPECT_EXIT(
      {
        StampworkStart();
        platform::InputCloseRequest(reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))));
        EventLoopRun();
        ProgramEndSequence();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Stampwork, ValuesBeyondTheGadgetsRangesSurviveAPlainStartAndStop) {
  InFreshDirectory here;
  const std::vector<std::string> lines{"RangeStart = -5", "RangeStop = 123456", "FontSize = 300", "Border = 40",
                                       "zero = 9"};
  std::string file;
  for (const std::string& line : lines) file += line + "\r\n";
  here.Write("Stampwork.ini", file);
  StampworkStart();
  // Whatever the gadgets queued while they were brought up to date runs through the actions.
  for (int64_t code = WindowPollEvent(), guard = 0; code != 0 && guard < 10000; code = WindowPollEvent(), ++guard) {
    MainWindowHandleEvent(code);
  }
  StampworkShutdown();
  std::string written = here.Read("Stampwork.ini");
  for (const std::string& line : lines) EXPECT_NE(written.find(line + "\r\n"), std::string::npos) << line;
}

TEST(Stampwork, AFifoAsTheSettingsFileNeitherHoldsTheProgramNorIsWritten) {
  InFreshDirectory here;
  const std::string fifo = here.PathOf("Stampwork.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0444), 0);
  EXPECT_TRUE(ReturnsWithoutWaitingOnFifo(fifo, [] {
    StampworkStart();
    StampworkShutdown();
  }));
  struct stat info {};
  ASSERT_EQ(::stat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(Stampwork, AFolderThatTakesNoNewFilesKeepsTheSettings) {
  InFreshDirectory here;
  here.Write("Stampwork.ini", "FontSize = 33\n");
  SealedFolder seal(here.PathOf(""));
  if (!seal.sealed()) GTEST_SKIP() << "this file system cannot refuse new files in a folder";
  StampworkStart();
  EXPECT_EQ(g_app.FontSize, 33);
  g_app.FontSize = 44;
  StampworkShutdown();
  EXPECT_NE(here.Read("Stampwork.ini").find("FontSize = 44\r\n"), std::string::npos);
}

}  // namespace
