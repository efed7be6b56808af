// The main window after start-up and its event loop driven by injected input: gadget places,
// the font and anchor lists, each control's action on the settings, the colour and file
// requesters answered by script, the settings files, the layout for a picture, and the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_state.h"
#include "dialogs.h"
#include "fresh_directory.h"
#include "input.h"
#include "main_window.h"
#include "message_window.h"
#include "stampwork.h"
#include "testing.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InputFreezeClock(true);  // timers and input times move only as the test says
    platform::testing::DialogsReset();
    StampworkStart();
  }
  void TearDown() override {
    StampworkShutdown();
    platform::testing::DialogsReset();
    platform::InputFreezeClock(false);
  }

  static HWND Control(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }
  static HWND Window() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))); }
  static std::u16string Text(int64_t gadget) {
    const char16_t* text = GadgetGetText(gadget, 0);
    return text ? text : u"";
  }
  // Runs every waiting event through the main window's actions; false once one of them ends the program.
  static bool RunEvents() {
    bool running = true;
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      running = MainWindowHandleEvent(code) && running;
    }
    return running;
  }
  static void Click(int64_t gadget) {
    RECT frame;
    GetWindowRect(Control(gadget), &frame);
    platform::InputClick(frame.left + 5, (frame.top + frame.bottom) / 2);
  }
  static void Focus(int64_t gadget) {
    SetFocus(Control(gadget));
    RunEvents();
  }
  static void AnswerColour(int64_t colour) {
    platform::testing::DialogAnswer answer;
    answer.colour = colour;
    platform::testing::DialogsQueueColorAnswer(answer);
  }
  static void AnswerFile(const std::u16string& path) {
    platform::testing::DialogAnswer answer;
    if (!path.empty()) answer.paths.push_back(path);
    platform::testing::DialogsQueueFileAnswer(answer);
  }

  InFreshDirectory here_;
};

TEST_F(MainWindowTest, GadgetsStandAtTheirPlacesInAWindowForNoPicture) {
  ASSERT_NE(WindowIsValid(0), nullptr);
  // No picture: 280 wide for the column, raised to 520 high.
  EXPECT_EQ(WindowGetWidth(0, 1), 280);
  EXPECT_EQ(WindowGetHeight(0, 1), 520);
  const MainWindowGadgets& g = g_gadgets;
  struct Place {
    int64_t gadget, x, y, width;
  };
  for (const Place& place : std::vector<Place>{{g.btnLoadImage, 10, 10, 250}, {g.trkFontSize, 60, 70, 175},
                                               {g.txtFontSize, 235, 70, 25}, {g.optOutline, 60, 180, 200},
                                               {g.spnStop, 185, 280, 75}, {g.strLast, 60, 380, 200},
                                               {g.trkExample, 60, 410, 200}, {g.btnSave, 165, 450, 95},
                                               {g.btnCreate, 10, 490, 220}, {g.btnAbout, 240, 490, 20},
                                               {g.cnvPreview, 270, 10, 0}}) {
    ASSERT_NE(GadgetIsValid(place.gadget), nullptr);
    EXPECT_EQ(GadgetGetX(place.gadget), place.x);
    EXPECT_EQ(GadgetGetY(place.gadget), place.y);
    EXPECT_EQ(GadgetGetWidth(place.gadget), place.width);
  }
  EXPECT_EQ(GadgetGetHeight(g.cnvPreview), 0);
  EXPECT_EQ(Text(g.btnLoadImage), u"Load Image");
  EXPECT_EQ(Text(g.btnAbout), u"?");
}

TEST_F(MainWindowTest, FontListHoldsEachInstalledFaceOnceSortedWithoutCase) {
  ASSERT_GT(g_app.FontList->count, 0);
  std::vector<std::u16string> names;
  ListReset(g_app.FontList);
  while (void* element = ListNext(g_app.FontList)) names.push_back(*static_cast<char16_t**>(element));
  auto lower = [](std::u16string text) {
    for (char16_t& c : text) c = (c >= u'A' && c <= u'Z') ? c + 32 : c;
    return text;
  };
  for (size_t i = 1; i < names.size(); ++i) {
    EXPECT_LE(lower(names[i - 1]), lower(names[i])) << "at " << i;
    EXPECT_NE(names[i - 1], names[i]);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), u"Liberation Sans"), names.end());
  // The combo box offers exactly the list, in its order.
  ASSERT_EQ(GadgetCountItems(g_gadgets.cmbFont), static_cast<int64_t>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(GadgetGetItemText(g_gadgets.cmbFont, i, 0), names[i]);
}

TEST_F(MainWindowTest, AnchorComboHasTheNineAnchorsWithCenterMiddleSelected) {
  ASSERT_EQ(GadgetCountItems(g_gadgets.cmbAnchor), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(GadgetGetItemText(g_gadgets.cmbAnchor, i, 0), std::u16string(kAnchorNames[i]));
  EXPECT_EQ(GadgetGetState(g_gadgets.cmbAnchor), 4);
  EXPECT_EQ(Text(g_gadgets.cmbAnchor), u"Center Middle");
}

TEST_F(MainWindowTest, GadgetsShowTheSettingsAfterStartUp) {
  const MainWindowGadgets& g = g_gadgets;
  EXPECT_EQ(GadgetGetState(g.trkFontSize), 80);
  EXPECT_EQ(Text(g.txtFontSize), u"80");
  EXPECT_EQ(Text(g.txtBorder), u"2");
  EXPECT_EQ(Text(g.txtZero), u"3");
  EXPECT_EQ(GadgetGetState(g.trkZero), 3);
  EXPECT_EQ(GadgetGetState(g.optNone), 1);
  EXPECT_EQ(GadgetGetState(g.optColor), 0);
  EXPECT_EQ(GadgetGetState(g.spnStart), 1);
  EXPECT_EQ(GadgetGetState(g.spnStop), 50);
  EXPECT_EQ(Text(g.strLast), u"End");
  // The font box is closed at its row's height and leaves the rows below it free.
  EXPECT_EQ(GadgetGetHeight(g.cmbFont), 20);
}

TEST_F(MainWindowTest, TrackBarsSetTheirValueAndItsText) {
  const MainWindowGadgets& g = g_gadgets;
  Focus(g.trkFontSize);
  platform::InputKeyPress(VK_RIGHT);
  EXPECT_TRUE(RunEvents());
  EXPECT_EQ(g_app.FontSize, 81);
  EXPECT_EQ(Text(g.txtFontSize), u"81");
  Focus(g.trkBorder);
  platform::InputKeyPress(VK_RIGHT);
  platform::InputKeyPress(VK_RIGHT);
  RunEvents();
  EXPECT_EQ(g_app.Border, 4);
  EXPECT_EQ(Text(g.txtBorder), u"4");
  Focus(g.trkZero);
  platform::InputKeyPress(VK_LEFT);
  RunEvents();
  EXPECT_EQ(g_app.zero, 2);
  EXPECT_EQ(Text(g.txtZero), u"2");
}

TEST_F(MainWindowTest, StringsAndSpinsSetTheirSettings) {
  const MainWindowGadgets& g = g_gadgets;
  Focus(g.strPre);
  platform::InputText(u"No. ");
  Focus(g.strSuf);
  platform::InputText(u"!");
  Focus(g.strLast);
  platform::InputKeyPress(VK_END);
  platform::InputText(u"e");
  RunEvents();
  EXPECT_EQ(g_app.PreText, u"No. ");
  EXPECT_EQ(g_app.SufText, u"!");
  EXPECT_EQ(g_app.LastText, u"Ende");
  Focus(g.spnStart);
  platform::InputKeyPress(VK_UP);
  Focus(g.spnStop);
  platform::InputKeyPress(VK_DOWN);
  RunEvents();
  EXPECT_EQ(g_app.RangeStart, 2);
  EXPECT_EQ(g_app.RangeStop, 49);
}

TEST_F(MainWindowTest, AnchorAndFontCombosSetTheirSettings) {
  const MainWindowGadgets& g = g_gadgets;
  Focus(g.cmbAnchor);
  platform::InputKeyPress(VK_DOWN);
  RunEvents();
  EXPECT_EQ(g_app.Anchor, 5);
  ASSERT_EQ(GadgetSetState(g.cmbFont, 0), 1);  // quiet: the choice below is the user's
  Focus(g.cmbFont);
  platform::InputKeyPress(VK_DOWN);
  RunEvents();
  EXPECT_EQ(g_app.FontName, GadgetGetItemText(g.cmbFont, 1, 0));
}

TEST_F(MainWindowTest, ColourButtonsAskFromTheCurrentColourAndKeepItOnCancel) {
  const MainWindowGadgets& g = g_gadgets;
  AnswerColour(0x123456);
  Click(g.btnColor);
  RunEvents();
  EXPECT_EQ(g_app.cText, 0x123456);
  EXPECT_EQ(platform::testing::DialogsLastColorRequest().initial, 0x7F7F7Fu);
  AnswerColour(-1);  // cancelled
  Click(g.btnColor);
  RunEvents();
  EXPECT_EQ(g_app.cText, 0x123456);

  AnswerColour(0x00FF00);
  Click(g.optColor);
  RunEvents();
  EXPECT_EQ(g_app.bText, 0x00FF00);
  EXPECT_EQ(platform::testing::DialogsLastColorRequest().initial, 0u);  // from no treatment: black
  AnswerColour(0x0000FF);
  Click(g.optOutline);
  RunEvents();
  EXPECT_EQ(g_app.bText, ~int64_t{0x0000FF});
  EXPECT_EQ(platform::testing::DialogsLastColorRequest().initial, 0x00FF00u);  // the box colour
  AnswerColour(-1);
  Click(g.optColor);
  RunEvents();
  EXPECT_EQ(g_app.bText, ~int64_t{0x0000FF});
  EXPECT_EQ(platform::testing::DialogsLastColorRequest().initial, 0x0000FFu);  // the outline colour
  EXPECT_EQ(GadgetGetState(g_gadgets.optOutline), 1);  // the cancel left the outline selected
  EXPECT_EQ(GadgetGetState(g_gadgets.optColor), 0);
  Click(g.optNone);
  RunEvents();
  EXPECT_EQ(g_app.bText, kNoColour);
}

TEST_F(MainWindowTest, SaveAppendsIniOnlyWithoutAnExtension) {
  const MainWindowGadgets& g = g_gadgets;
  g_app.FontSize = 42;
  int64_t requestsBefore = platform::testing::DialogsFileRequestCount();  // the start-up picture request
  for (const char* name : {"foo", "bar.cfg", "baz."}) {
    std::string file(name);
    AnswerFile(here_.Path(file));
    Click(g.btnSave);
    RunEvents();
  }
  EXPECT_NE(here_.Read("foo.ini").find("FontSize = 42\r\n"), std::string::npos);
  EXPECT_TRUE(here_.Exists("bar.cfg"));
  EXPECT_FALSE(here_.Exists("bar.cfg.ini"));
  EXPECT_TRUE(here_.Exists("baz..ini"));
  EXPECT_EQ(platform::testing::DialogsFileRequestCount() - requestsBefore, 3);
  platform::FileDialogRequest request = platform::testing::DialogsLastFileRequest();
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.title, u"Stampwork");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].first, u"Settings");
  EXPECT_EQ(request.filters[0].second, u"*.ini");
  EXPECT_TRUE(request.initialFile.empty());
  AnswerFile(u"");  // cancelled: nothing is written
  Click(g.btnSave);
  RunEvents();
  EXPECT_FALSE(here_.Exists(".ini"));
}

TEST_F(MainWindowTest, SettingsThatCannotBeSavedAreToldInAMessage) {
  MessageWindowCloseAtOnce(true);
  AnswerFile(u"/no-such-folder/mine.ini");
  Click(g_gadgets.btnSave);
  EXPECT_TRUE(RunEvents());
  MessageWindowCloseAtOnce(false);
  EXPECT_NE(MessageWindowLastText().find(u"/no-such-folder/mine.ini"), std::u16string::npos);
}

TEST_F(MainWindowTest, LoadReadsTheFileAndBringsTheGadgetsUpToDate) {
  const MainWindowGadgets& g = g_gadgets;
  here_.Write("mine.ini", "FontSize = 33\nBorder = 7\nbText = -256\nRangeStop = 12\nAnchor = 0\nLastText = Fin\nFontName = Liberation Sans\n");
  AnswerFile(here_.Path("mine.ini"));
  Click(g.btnLoad);
  RunEvents();
  EXPECT_EQ(g_app.FontSize, 33);
  EXPECT_EQ(g_app.bText, -256);
  EXPECT_EQ(GadgetGetState(g.trkFontSize), 33);
  EXPECT_EQ(Text(g.txtFontSize), u"33");
  EXPECT_EQ(GadgetGetState(g.trkBorder), 7);
  EXPECT_EQ(Text(g.txtBorder), u"7");
  EXPECT_EQ(GadgetGetState(g.optOutline), 1);
  EXPECT_EQ(GadgetGetState(g.optNone), 0);
  EXPECT_EQ(GadgetGetState(g.spnStop), 12);
  EXPECT_EQ(GadgetGetState(g.cmbAnchor), 0);
  EXPECT_EQ(Text(g.strLast), u"Fin");
  EXPECT_EQ(Text(g.cmbFont), u"Liberation Sans");
  AnswerFile(u"");  // cancelled: the settings stay
  Click(g.btnLoad);
  RunEvents();
  EXPECT_EQ(g_app.FontSize, 33);
}

TEST_F(MainWindowTest, LayoutFollowsThePictureAndKeepsTheCentre) {
  int64_t centreX = WindowGetX(0) + WindowGetWidth(0) / 2;
  int64_t centreY = WindowGetY(0) + WindowGetHeight(0) / 2;
  g_app.BackWidth = 400;
  g_app.BackHeight = 600;
  MainWindowLayout();
  EXPECT_EQ(WindowGetWidth(0, 1), 680);
  EXPECT_EQ(WindowGetHeight(0, 1), 620);
  EXPECT_NEAR(WindowGetX(0) + WindowGetWidth(0) / 2, centreX, 1);
  EXPECT_NEAR(WindowGetY(0) + WindowGetHeight(0) / 2, centreY, 1);
  EXPECT_EQ(GadgetGetWidth(g_gadgets.cnvPreview), 400);
  EXPECT_EQ(GadgetGetHeight(g_gadgets.cnvPreview), 600);
  EXPECT_EQ(GadgetGetY(g_gadgets.btnCreate), 590);
  EXPECT_EQ(GadgetGetY(g_gadgets.btnAbout), 590);
  EXPECT_EQ(GadgetGetX(g_gadgets.btnAbout), 240);
  // A small picture: the column's height still rules.
  g_app.BackWidth = 100;
  g_app.BackHeight = 50;
  MainWindowLayout();
  EXPECT_EQ(WindowGetWidth(0, 1), 380);
  EXPECT_EQ(WindowGetHeight(0, 1), 520);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsAndOtherEventsDoNot) {
  EXPECT_TRUE(MainWindowHandleEvent(WM_MOUSEMOVE));  // a raw system message
  EXPECT_TRUE(MainWindowHandleEvent(EC_MOVE_WINDOW));
  // Another window's close box leaves the program running.
  EventPost(EC_CLOSE_WINDOW, 0, 7, 0);
  EXPECT_TRUE(RunEvents());
  platform::InputCloseRequest(Window());
  EXPECT_FALSE(RunEvents());
}

TEST_F(MainWindowTest, LoadImageLeavingNoPictureEnds) {
  AnswerFile(u"");
  Click(g_gadgets.btnLoadImage);
  EXPECT_FALSE(RunEvents());
}

}  // namespace
