// The About window opened from the main window: its general page with the build's data, the
// Credits toggle, the hidden License button, the link handed to the program runner, opening
// twice and anew, field values with markup characters, and bad fields and credits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "about.h"
#include "about_data.h"
#include "controls/rich_edit.h"
#include "dialogs.h"
#include "fresh_directory.h"
#include "input.h"
#include "main_window.h"
#include "stampwork.h"
#include "testing.h"
#include "window_picture.h"

namespace {

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::testing::DialogsReset();
    StampworkStart();
  }
  void TearDown() override {
    StampworkShutdown();
    platform::testing::DialogsReset();
    platform::testing::ShellSetOpener(nullptr);
  }

  static HWND Handle(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }
  static int64_t Gadget(const char16_t* name) { return DialogFindGadget(AboutDialog(), name); }
  static bool Shown(const char16_t* name) { return IsWindowVisible(Handle(Gadget(name))) != FALSE; }
  static std::u16string Text(const char16_t* name) {
    const char16_t* text = GadgetGetText(Gadget(name), 0);
    return text ? text : u"";
  }
  static HWND AboutWindow() {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(DialogWindowNumber(AboutDialog()))));
  }
  static void RunEvents() {
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      MainWindowHandleEvent(code);
    }
  }
  static void Click(HWND control) {
    RECT frame;
    GetWindowRect(control, &frame);
    platform::InputClick((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
    RunEvents();
  }
  static void OpenFromMainWindow() { Click(Handle(g_gadgets.btnAbout)); }
  static void SavePicture(const std::string& name) {
    std::string path = std::string(STAMPWORK_TEST_OUTPUT) + "/" + name;
    EXPECT_TRUE(SaveWindowPicture(AboutWindow(), std::u16string(path.begin(), path.end()).c_str()));
  }

  InFreshDirectory here_;
};

TEST_F(AboutTest, OpensFromTheMainWindowWithTheGeneralPage) {
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  EXPECT_TRUE(Shown(u"conGeneral"));
  EXPECT_FALSE(Shown(u"conCredits"));
  EXPECT_TRUE(Shown(u"imgLogo"));
  RECT logo;
  GetClientRect(Handle(Gadget(u"imgLogo")), &logo);
  EXPECT_GE(logo.right, 128);
  EXPECT_GE(logo.bottom, 128);
  EXPECT_EQ(Text(u"txtProgram"), u"Stampwork");
  std::u16string version = Text(u"txtVersion");
  EXPECT_EQ(version.substr(0, 7), u" Build ");
  EXPECT_EQ(std::stoll(std::string(version.begin() + 7, version.end())), kAboutBuildNumber);
  std::u16string date = Text(u"txtComment");
  EXPECT_TRUE(std::regex_match(std::string(date.begin(), date.end()), std::regex(R"(\d\d\.\d\d\.\d{4})")));
  EXPECT_TRUE(Shown(u"lnkwebsite"));
  EXPECT_TRUE(Shown(u"credit"));
  EXPECT_FALSE(Shown(u"license"));  // no licence was given
  EXPECT_EQ(GadgetIsValid(Gadget(u"txtCopyright")), nullptr);  // nor a copyright
  // The credits hold a notice for each library that was found, in the editor read-only.
  std::u16string credits = Text(u"editCredits");
  EXPECT_NE(credits.find(u"===="), std::u16string::npos);
  EXPECT_EQ(GadgetGetAttribute(Gadget(u"editCredits"), CV_Editor_ReadOnly), 1);
  EXPECT_EQ(GadgetGetAttribute(Gadget(u"editCredits"), CV_Editor_WordWrap), 1);
  SavePicture("about_general.png");
}

TEST_F(AboutTest, CreditsToggleShowsTheCreditsAndReleasingReturns) {
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  Click(Handle(Gadget(u"credit")));
  EXPECT_TRUE(Shown(u"conCredits"));
  EXPECT_TRUE(Shown(u"editCredits"));
  EXPECT_FALSE(Shown(u"conGeneral"));
  EXPECT_GT(GadgetCountItems(Gadget(u"editCredits")), 20);
  SavePicture("about_credits.png");
  // The long text scrolls under the wheel.
  RECT credits{};
  GetWindowRect(Handle(Gadget(u"editCredits")), &credits);
  platform::InputPointerMove(credits.left + 20, credits.top + 20);
  platform::InputWheel(-WHEEL_DELTA * 4);
  RunEvents();
  EXPECT_GT(SendMessageW(Handle(Gadget(u"editCredits")), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  Click(Handle(Gadget(u"credit")));
  EXPECT_TRUE(Shown(u"conGeneral"));
  EXPECT_FALSE(Shown(u"conCredits"));
}

TEST_F(AboutTest, TheLinkOpensItsAddressLowerCasedWithAScheme) {
  std::u16string record = here_.Path("opened");
  here_.Write("opener.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + std::string(record.begin(), record.end()) + "'\n");
  std::u16string opener = here_.Path("opener.sh");
  chmod(std::string(opener.begin(), opener.end()).c_str(), 0755);
  platform::testing::ShellSetOpener(opener.c_str());
  AboutSetField(u"Website", u"WWW.Stampwork.Example/Page", 0);
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  Click(Handle(Gadget(u"lnkwebsite")));
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!here_.Exists("opened") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the script's one line is written whole by then
  EXPECT_EQ(here_.Read("opened"), "http://www.stampwork.example/page\n");
}

TEST_F(AboutTest, OpeningTwiceActivatesTheWindowAndAfterACloseItIsBuiltAnew) {
  OpenFromMainWindow();
  int64_t first = AboutDialog();
  ASSERT_NE(first, 0);
  HWND window = AboutWindow();
  Click(Handle(Gadget(u"credit")));
  SetActiveWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))));
  OpenFromMainWindow();
  EXPECT_EQ(AboutDialog(), first);
  EXPECT_EQ(AboutWindow(), window);
  EXPECT_EQ(GetActiveWindow(), window);
  EXPECT_TRUE(Shown(u"conCredits"));  // the same window, as it was left

  Click(Handle(Gadget(u"okay")));
  EXPECT_EQ(AboutDialog(), 0);
  EXPECT_FALSE(IsWindow(window));
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  EXPECT_TRUE(Shown(u"conGeneral"));
  EXPECT_EQ(GadgetGetState(Gadget(u"credit")), 0);
  platform::InputCloseRequest(AboutWindow());
  RunEvents();
  EXPECT_EQ(AboutDialog(), 0);
  EXPECT_NE(WindowIsValid(0), nullptr);  // the main window stays
}

TEST_F(AboutTest, FieldsWithMarkupCharactersShowAsGiven) {
  const char16_t* copyright = u"(c) Stampwork's authors <2026> & \"friends\"";
  AboutSetField(u"COPYRIGHT", copyright, 0);
  AboutSetField(u"program", u"Stamp & <work>", 0);
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  EXPECT_EQ(Text(u"txtCopyright"), copyright);
  EXPECT_EQ(Text(u"txtProgram"), u"Stamp & <work>");
  SavePicture("about_markup.png");
}

TEST_F(AboutTest, BadFieldsAndCreditsHaveDefinedResults) {
  // Unknown keys and null keys or texts change nothing or empty a field.
  AboutSetField(nullptr, u"x", 1);
  AboutSetField(u"colour", u"x", 1);
  AboutSetField(u"version", nullptr, 0);
  // A logo that did not load, and credits that are not UTF-8.
  AboutSetField(u"logo", nullptr, ImageHandle(ImageLoadFromMemory(CV_Any, "not a picture at all")));
  static const char broken[] = "caf\xC3 \xFF\xFE end \xE2\x82";
  AboutSetField(u"credits_mem", nullptr, static_cast<int64_t>(reinterpret_cast<uintptr_t>(broken)));
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  EXPECT_EQ(GadgetIsValid(Gadget(u"imgLogo")), nullptr);
  EXPECT_EQ(GadgetIsValid(Gadget(u"txtVersion")), nullptr);
  std::u16string credits = Text(u"editCredits");
  EXPECT_EQ(credits.substr(0, 3), u"caf");
  EXPECT_NE(credits.find(u" end "), std::u16string::npos);
  Click(Handle(Gadget(u"okay")));

  // A credits file that does not open: an empty page, the button stays.
  AboutSetField(u"credits_mem", nullptr, 0);
  AboutSetField(u"credits_file", here_.Path("missing.txt").c_str(), 0);
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  EXPECT_EQ(Text(u"editCredits"), u"");
  EXPECT_TRUE(Shown(u"credit"));
  Click(Handle(Gadget(u"okay")));

  // A 10 MB credits file opens whole, without its terminating zero.
  std::string line = "Copyright (C) a library's authors. Permission is granted to use this software.\n";
  std::string big;
  while (big.size() < 10 * 1024 * 1024) big += line;
  here_.Write("credits.txt", big);
  AboutSetField(u"credits_file", here_.Path("credits.txt").c_str(), 0);
  OpenFromMainWindow();
  ASSERT_NE(AboutDialog(), 0);
  int64_t editor = Gadget(u"editCredits");
  EXPECT_EQ(SendMessageW(Handle(editor), WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(big.size() + big.size() / line.size()));
  Click(Handle(Gadget(u"credit")));
  SendMessageW(Handle(editor), WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_GT(SendMessageW(Handle(editor), EM_GETFIRSTVISIBLELINE, 0, 0), 100000);
}

}  // namespace
