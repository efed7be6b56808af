// The series: the names of its files, its frames at the ends of the 64-bit range, the run's
// progress, and Create in the desktop program stopped by the user or by a file that cannot be
// written; settings at their 64-bit extremes start, draw, make a short series and stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <climits>

#include "app_state.h"
#include "dialogs.h"
#include "fresh_directory.h"
#include "input.h"
#include "testing.h"
#include "kernel.h"
#include "label.h"
#include "main_window.h"
#include "message_window.h"
#include "series.h"
#include "series_create.h"
#include "settings.h"
#include "stampwork.h"

namespace {

class SeriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::testing::DialogsReset();
    MessageWindowCloseAtOnce(true);
    std::system(("cp '" + std::string(STAMPWORK_TESTDATA) + "/pngsuite/basn2c08.png' pic.png").c_str());
    platform::testing::DialogAnswer answer;
    answer.paths = {here_.Path("pic.png")};
    platform::testing::DialogsQueueFileAnswer(answer);
    StampworkStart();
  }
  void TearDown() override {
    StampworkShutdown();
    MessageWindowCloseAtOnce(false);
    platform::testing::DialogsReset();
  }
  InFreshDirectory here_;
};

TEST_F(SeriesTest, NumbersHaveAtLeastFiveDigitsAndTheClosingNameStaysInItsFolder) {
  const std::u16string base = u"/a/pic.";
  const std::pair<int64_t, const char16_t*> numbers[] = {
      {1, u"/a/pic.00001.png"},         {99999, u"/a/pic.99999.png"},   {100001, u"/a/pic.100001.png"},
      {-5, u"/a/pic.-00005.png"},       {-12345, u"/a/pic.-12345.png"}, {INT64_MAX, u"/a/pic.9223372036854775807.png"},
      {INT64_MIN, u"/a/pic.-9223372036854775808.png"}};
  for (const auto& [number, name] : numbers) EXPECT_EQ(SeriesNumberFile(base, number), name) << number;
  EXPECT_EQ(SeriesClosingFile(base, u"End"), u"/a/pic.End.png");
  EXPECT_EQ(SeriesClosingFile(base, u"/../../out/x"), u"/a/pic._.._.._out_x.png");
  EXPECT_EQ(SeriesClosingFile(base, u"a\\b"), u"/a/pic.a_b.png");
  EXPECT_EQ(SeriesBaseName(u"/a/pic.png"), u"/a/pic.");
  EXPECT_EQ(SeriesBaseName(u"/a/pic.png", u"/out"), u"/out/pic.");
}

struct RangeCase {
  int64_t first, last;
  const char16_t* lastText;
  uint64_t count;  // frames
  bool refused;
};

TEST_F(SeriesTest, RangesCountTheirFramesAtTheEndsOfTheRange) {
  const RangeCase cases[] = {
      {1, 3, u"End", 4, false},
      {4, 3, u"End", 1, false},                  // only the closing image
      {5, 3, u"End", 0, false},                  // nothing
      {INT64_MAX - 2, INT64_MAX, u"End", 4, false},
      {INT64_MIN, INT64_MIN + 1, u"End", 3, false},
      {INT64_MIN, INT64_MAX, u"End", UINT64_MAX, true},
      {0, int64_t{1} << 62, u"End", (uint64_t{1} << 62) + 2, true},
      {1, 3, u"00002", 4, true},                 // the closing image would overwrite image 2
  };
  for (const RangeCase& c : cases) {
    g_app.LastText = c.lastText;
    RangeFrames frames(g_app, u"pic.", c.first, c.last, true);
    EXPECT_EQ(frames.Count(), c.count) << c.first << ".." << c.last;
    EXPECT_EQ(!frames.Check().empty(), c.refused) << c.first << ".." << c.last;
    if (c.refused) continue;
    RString label;
    std::string file;
    uint64_t n = 0;
    while (frames.Next(label, file)) ++n;
    EXPECT_EQ(n, c.count);
  }
}

class Recorder : public SeriesWatcher {
 public:
  explicit Recorder(uint64_t stopAfter) : stopAfter_(stopAfter) {}
  bool KeepGoing() override { return last_ < stopAfter_; }
  void Progress(uint64_t written, uint64_t total) override {
    EXPECT_GE(written, last_);
    last_ = written;
    total_ = total;
  }
  uint64_t last_ = 0, total_ = 0;

 private:
  uint64_t stopAfter_;
};

TEST_F(SeriesTest, TheRunTellsItsProgressAndStopsWhenAsked) {
  RangeFrames all(g_app, u"pic.", 1, 30, true);
  Recorder everything(UINT64_MAX);
  const SeriesOutcome done = SeriesRun(g_app, 0, all, 2, everything);
  EXPECT_EQ(done.written, 31u);
  EXPECT_EQ(everything.last_, 31u);
  EXPECT_EQ(everything.total_, 31u);
  EXPECT_TRUE(here_.Exists("pic.00030.png") && here_.Exists("pic.End.png"));
  // Each file is what the PNG encoder writes for the frame as drawn, saved the ordinary way.
  const int64_t frame = ImageLoad(CV_Any, here_.Path("pic.png").c_str());
  ASSERT_TRUE(LabelRender(ImageOutput(frame), g_app, LabelCompose(u"7", 0).c_str(), 0));
  ASSERT_NE(ImageSave(frame, u"direct.png", kImageFormatPng), 0);
  ImageFree(frame);
  EXPECT_TRUE(here_.Read("direct.png") == here_.Read("pic.00007.png"));
  RangeFrames more(g_app, u"more.", 1, 3000, true);
  Recorder stopping(5);
  const SeriesOutcome stopped = SeriesRun(g_app, 0, more, 2, stopping);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_GE(stopped.written, 5u);
  EXPECT_LE(stopped.written, 5u + 4);  // at most the frames in flight (2 x 2) follow
  EXPECT_TRUE(here_.Exists("more.00005.png"));
  EXPECT_FALSE(here_.Exists("more.00010.png"));
}

TEST_F(SeriesTest, EscapeOrTheCloseBoxStopCreate) {
  g_app.RangeStop = 5000;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)));
  SetFocus(window);
  platform::InputKeyPress(VK_ESCAPE);
  EXPECT_TRUE(SeriesCreate());  // stopped, the program goes on
  EXPECT_FALSE(here_.Exists("pic.End.png"));
  platform::InputCloseRequest(window);
  EXPECT_FALSE(SeriesCreate());  // stopped, the program is to end
  EXPECT_FALSE(here_.Exists("pic.End.png"));
  char16_t title[64] = {};
  GetWindowTextW(window, title, 64);
  EXPECT_EQ(std::u16string(title), kMainWindowTitle);
}

TEST_F(SeriesTest, AFileThatCannotBeWrittenIsToldOnceAndTheFilesBeforeItStay) {
  std::system(("cp '" + std::string(STAMPWORK_SOURCE_DIR) + "/samples/ticket.png' pic.png").c_str());
  ASSERT_TRUE(BackgroundLoadFile(here_.Path("pic.png").c_str()));
  g_app.RangeStop = 3;
  g_app.LastText = u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
  // A file size limit stands for a full disk: the closing image, full of text, is the largest.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 10000;
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_TRUE(SeriesCreate());
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  const std::u16string& message = MessageWindowLastText();
  EXPECT_NE(message.find(u"pic.WWWW"), std::u16string::npos) << std::string(message.begin(), message.end());
  EXPECT_NE(message.find(u"File too large"), std::u16string::npos);
  EXPECT_TRUE(here_.Exists("pic.00003.png"));
  EXPECT_FALSE(here_.Exists("pic.WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW.png"));
  EXPECT_FALSE(here_.Exists("pic.WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW.png.part~"));
}

TEST_F(SeriesTest, AHugeOutlineBorderIsDrawnAtOnce) {
  here_.Write("wide.ini", "bText = -1\nBorder = 100000\nFontSize = 20\n");
  const int64_t drawn = LabelDrawCount();
  const auto start = std::chrono::steady_clock::now();
  SettingsLoad(u"wide.ini");  // stamped, this preview would be 4 * 10^10 text passes
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(LabelDrawCount(), drawn + 1);
  ASSERT_TRUE(DrawingBegin(GadgetCanvasOutput(g_gadgets.cnvPreview)));
  EXPECT_EQ(DrawPointRead(0, 0) & 0xFFFFFF, 0);  // the black outline reaches every corner
  EXPECT_EQ(DrawPointRead(31, 31) & 0xFFFFFF, 0);
  DrawingEnd();
}

// Every integer setting at each end of the 64-bit range, one at a time and all at once.
TEST_F(SeriesTest, SettingsAtTheirExtremesStartDrawMakeASeriesAndStop) {
  const char* keys[] = {"xText", "yText", "cText", "bText", "FontSize", "Border",
                        "RangeStart", "RangeStop", "zero", "Anchor"};
  for (const char* extreme : {"9223372036854775807", "-9223372036854775808"}) {
    std::string all;
    for (const char* key : keys) {
      all += std::string(key) + " = " + extreme + "\n";
      here_.Write("one.ini", std::string(key) + " = " + extreme + "\nRangeStop = 2\n");
      if (std::string(key) == "RangeStop") here_.Write("one.ini", std::string(key) + " = " + extreme + "\n");
      for (const char* file : {"one.ini", "all.ini"}) {
        if (std::string(file) == "all.ini") here_.Write("all.ini", all);
        SettingsLoad(platform::Utf8ToUtf16(file).c_str());
        LabelDraw(u"", 0);
        SeriesCreate();
        AppStateSetDefaults();
        g_app.Border = 2;
      }
    }
  }
  EXPECT_TRUE(here_.Exists("pic.9223372036854775807.png"));
  EXPECT_TRUE(here_.Exists("pic.-9223372036854775808.png"));
}

}  // namespace
