// Label rendering and the series: the label text for a number, the change detection of the
// preview redraw, the picture chosen through the requester, and the files a series writes.
#include <gtest/gtest.h>

#include <string>

#include "app_state.h"
#include "dialogs.h"
#include "fresh_directory.h"
#include "input.h"
#include "label.h"
#include "main_window.h"
#include "series_create.h"
#include "stampwork.h"
#include "testing.h"

namespace {

class LabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::testing::DialogsReset();
    StampworkStart();
  }
  void TearDown() override {
    StampworkShutdown();
    platform::testing::DialogsReset();
  }
  // Copies a picture of the corpus into the test folder and chooses it as the background.
  void ChooseBackground(const std::string& name) {
    std::string source = std::string(STAMPWORK_TESTDATA) + "/pngsuite/basn2c08.png";
    std::u16string target = here_.Path(name);
    ASSERT_EQ(std::system(("cp '" + source + "' '" + std::string(target.begin(), target.end()) + "'").c_str()), 0);
    platform::testing::DialogAnswer answer;
    answer.paths = {target};
    platform::testing::DialogsQueueFileAnswer(answer);
    BackgroundLoad();
  }
  std::u16string Compose(const char16_t* text, int64_t last = 0) { return LabelCompose(text, last).c_str(); }

  InFreshDirectory here_;
};

TEST_F(LabelTest, NumbersAreCutOrPaddedAndFramed) {
  g_app.zero = 0;
  EXPECT_EQ(Compose(u"42"), u"42");
  g_app.zero = 5;
  EXPECT_EQ(Compose(u"42"), u"00042");
  g_app.zero = 2;
  EXPECT_EQ(Compose(u"123"), u"23");
  g_app.zero = 3;
  g_app.PreText = u"No. ";
  g_app.SufText = u"!";
  EXPECT_EQ(Compose(u"7"), u"No. 007!");
  EXPECT_EQ(Compose(u"End", 1), u"End");  // the closing text stands alone
}

TEST_F(LabelTest, ThePreviewIsDrawnOnlyWhenSomethingChanged) {
  ChooseBackground("pic.png");
  LabelDraw(u"", 0);
  int64_t drawn = LabelDrawCount();
  LabelDraw(u"", 0);
  EXPECT_EQ(LabelDrawCount(), drawn);
  g_app.xText += 3;
  LabelDraw(u"", 0);
  EXPECT_EQ(LabelDrawCount(), drawn + 1);
  g_app.FontSize = 20;
  LabelDraw(u"", 0);
  EXPECT_EQ(LabelDrawCount(), drawn + 2);
}

TEST_F(LabelTest, ChoosingAPictureLoadsItAndCancellingKeepsIt) {
  ChooseBackground("pic.png");
  EXPECT_NE(g_app.BackImage, 0);
  EXPECT_EQ(g_app.BackWidth, 32);
  EXPECT_EQ(g_app.BackHeight, 32);
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().title, u"Stampwork");
  int64_t image = g_app.BackImage;
  BackgroundLoad();  // nothing scripted: the requester is cancelled
  EXPECT_EQ(g_app.BackImage, image);
}

TEST_F(LabelTest, ASeriesWritesOneFilePerNumberAndTheLastText) {
  ChooseBackground("pic.png");
  g_app.RangeStart = 1;
  g_app.RangeStop = 3;
  SeriesCreate();
  for (const char* name : {"pic.00001.png", "pic.00002.png", "pic.00003.png", "pic.End.png"}) {
    EXPECT_TRUE(here_.Exists(name)) << name;
  }
  EXPECT_FALSE(here_.Exists("pic.00004.png"));
  std::u16string written = here_.Path("pic.00002.png");
  int64_t image = ImageLoad(CV_Any, written.c_str());
  ASSERT_NE(image, 0);
  EXPECT_EQ(ImageGetWidth(image), 32);
  EXPECT_EQ(ImageGetHeight(image), 32);
  ImageFree(image);
}

}  // namespace

namespace {

// The preview's mouse actions, driven by injected input on the canvas.
class PreviewTest : public LabelTest {
 protected:
  void SetUp() override {
    LabelTest::SetUp();
    ChooseBackground("pic.png");
    MainWindowLayout();  // the canvas takes the picture's size
    RunEvents();
  }
  static void RunEvents() {
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      MainWindowHandleEvent(code);
    }
  }
  static POINT OnCanvas(int x, int y) {
    POINT point{x, y};
    ClientToScreen(reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(g_gadgets.cnvPreview))), &point);
    return point;
  }
};

TEST_F(PreviewTest, ALeftClickPlacesTheAnchorAndADragOutsideStaysOnTheEdge) {
  POINT at = OnCanvas(5, 7);
  platform::InputClick(at.x, at.y);
  RunEvents();
  EXPECT_EQ(g_app.xText, 5);
  EXPECT_EQ(g_app.yText, 7);
  // The loop takes each step before the next, as it does for a hand on the mouse.
  platform::InputPointerMove(at.x, at.y);
  platform::InputButton(platform::MouseButton::Left, true);
  RunEvents();
  platform::InputPointerMove(at.x + 200, at.y - 100);
  RunEvents();
  platform::InputButton(platform::MouseButton::Left, false);
  RunEvents();
  EXPECT_EQ(g_app.xText, 31);  // the nearest edge pixel of the 32 x 32 picture
  EXPECT_EQ(g_app.yText, 0);
}

TEST_F(PreviewTest, ARightButtonDragMovesTheLabelByTheDistanceMoved) {
  g_app.xText = 16;
  g_app.yText = 16;
  POINT at = OnCanvas(10, 10);
  platform::InputPointerMove(at.x, at.y);
  platform::InputButton(platform::MouseButton::Right, true);
  RunEvents();
  platform::InputPointerMove(at.x + 5, at.y + 2);
  RunEvents();
  platform::InputPointerMove(at.x + 7, at.y + 3);
  RunEvents();
  platform::InputButton(platform::MouseButton::Right, false);
  RunEvents();
  EXPECT_EQ(g_app.xText, 23);
  EXPECT_EQ(g_app.yText, 19);
}

TEST_F(PreviewTest, ModifierClicksPickColoursFromThePreview) {
  g_app.cText = 0x123456;
  POINT at = OnCanvas(0, 0);
  platform::InputKey(VK_SHIFT, true);
  platform::InputClick(at.x, at.y);
  platform::InputKey(VK_SHIFT, false);
  RunEvents();
  int64_t picked = g_app.cText;
  EXPECT_NE(picked, 0x123456);
  platform::InputKey(VK_MENU, true);
  platform::InputClick(at.x, at.y);
  platform::InputKey(VK_MENU, false);
  RunEvents();
  EXPECT_EQ(g_app.bText, ~picked);  // an outline of the picked colour
  EXPECT_EQ(GadgetGetState(g_gadgets.optOutline), 1);
}

TEST_F(PreviewTest, TheWheelChangesTheFontSizeOrWithCtrlTheBorder) {
  SetFocus(reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(g_gadgets.cnvPreview))));
  POINT at = OnCanvas(3, 3);
  platform::InputPointerMove(at.x, at.y);
  RunEvents();
  int64_t size = g_app.FontSize;
  platform::InputWheel(WHEEL_DELTA);
  RunEvents();
  EXPECT_EQ(g_app.FontSize, size + 1);
  EXPECT_EQ(GadgetGetState(g_gadgets.trkFontSize), size + 1);
  g_app.Border = 0;
  platform::InputKey(VK_CONTROL, true);
  platform::InputWheel(-WHEEL_DELTA);
  platform::InputKey(VK_CONTROL, false);
  RunEvents();
  EXPECT_EQ(g_app.Border, 0);  // held at 0
}

}  // namespace
