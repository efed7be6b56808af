// Label rendering and the series: the label text for a number, the change detection of the
// preview redraw, the picture chosen through the requester, and the files a series writes.
#include <gtest/gtest.h>

#include <string>

#include "app_state.h"
#include "dialogs.h"
#include "fresh_directory.h"
#include "label.h"
#include "main_window.h"
#include "stampwork.h"

namespace {

class LabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::DialogsReset();
    StampworkStart();
  }
  void TearDown() override {
    StampworkShutdown();
    platform::DialogsReset();
  }
  // Copies a picture of the corpus into the test folder and chooses it as the background.
  void ChooseBackground(const std::string& name) {
    std::string source = std::string(STAMPWORK_TESTDATA) + "/pngsuite/basn2c08.png";
    std::u16string target = here_.Path(name);
    ASSERT_EQ(std::system(("cp '" + source + "' '" + std::string(target.begin(), target.end()) + "'").c_str()), 0);
    platform::DialogAnswer answer;
    answer.paths = {target};
    platform::DialogsQueueFileAnswer(answer);
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
  EXPECT_EQ(platform::DialogsLastFileRequest().title, u"Stampwork");
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
