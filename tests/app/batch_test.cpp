// The batch mode as a user runs it: the executable with arguments. Its files equal Create's byte
// for byte, whatever the number of encoder threads; every problem has its message and exit code;
// a series stopped by Ctrl+C or cut by a full disk leaves only whole files.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "testing.h"
#include "app_state.h"
#include "batch.h"
#include "dialogs.h"
#include "fresh_directory.h"
#include "label.h"
#include "series_create.h"
#include "settings.h"
#include "stampwork.h"

extern char** environ;

namespace {

const std::string kSamples = std::string(STAMPWORK_SOURCE_DIR) + "/samples/";

struct Outcome {
  int code;
  std::string errors;
};

// Runs stampwork with `arguments` (shell words) in the current directory.
Outcome Stampwork(InFreshDirectory& here, const std::string& arguments, const std::string& limit = "") {
  const std::string command = limit + std::string(STAMPWORK_EXE) + " " + arguments + " >out.txt 2>err.txt";
  const int status = std::system(("bash -c '" + command + "'").c_str());
  return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, here.Read("err.txt")};
}

std::string Copy(InFreshDirectory& here, const std::string& source, const std::string& name) {
  here.Write(name, "");
  std::system(("cp '" + source + "' '" + name + "'").c_str());
  return name;
}

// Files of a folder that are not whole PNG files, and how many PNG files there are.
int NotWhole(InFreshDirectory& here, const std::string& folder, int* files) {
  *files = 0;
  const std::string listing = "ls " + folder + " > listing.txt";
  std::system(listing.c_str());
  std::istringstream names(here.Read("listing.txt"));
  int bad = 0;
  for (std::string name; std::getline(names, name);) {
    const std::string content = here.Read(folder + "/" + name);
    const bool png = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
    // A whole PNG ends with its IEND chunk.
    if (!png || content.size() < 12 || content.compare(content.size() - 8, 4, "IEND") != 0) ++bad;
    else ++*files;
  }
  return bad;
}

struct Problem {
  const char* what;
  std::string arguments;
  int code;
  const char* message;
};

TEST(DesktopStart, WithoutADisplayTheProgramSaysSoInOneLineAndEnds) {
  InFreshDirectory here;
  const Outcome outcome = Stampwork(here, "", "env -u DISPLAY -u WAYLAND_DISPLAY ");
  EXPECT_EQ(outcome.code, 2);
  EXPECT_NE(outcome.errors.find("no desktop display"), std::string::npos) << outcome.errors;
  EXPECT_NE(outcome.errors.find("--batch"), std::string::npos);  // what works without one
  EXPECT_EQ(std::count(outcome.errors.begin(), outcome.errors.end(), '\n'), 1);
  EXPECT_FALSE(here.Exists("Stampwork.ini"));  // nothing started, nothing written
}

TEST(BatchTest, EachProblemHasItsMessageAndExitCode) {
  InFreshDirectory here;
  Copy(here, kSamples + "ticket.png", "pic.png");
  here.Write("notes.txt", "not a picture");
  here.Write("long.txt", std::string(5000, 'x'));
  here.Write("plain", "a file");
  mkfifo("pipe.png", 0600);
  const Problem problems[] = {
      {"no picture", "--batch missing.png", kBatchPictureUnreadable, "cannot read the picture missing.png"},
      {"not a picture", "--batch notes.txt", kBatchPictureUnreadable, "notes.txt is not a picture"},
      {"a FIFO", "--batch pipe.png", kBatchPictureUnreadable, "not a regular file"},
      {"no settings", "--batch pic.png --settings none.ini", kBatchSettingsUnreadable, "cannot read the settings none.ini"},
      {"folder as settings", "--batch pic.png --settings .", kBatchSettingsUnreadable, "not a regular file"},
      {"output is a file", "--batch pic.png --out plain", kBatchOutputUnwritable, "plain: not a folder"},
      {"no list", "--batch pic.png --list none.txt", kBatchListUnreadable, "cannot use the list none.txt"},
      {"overlong line", "--batch pic.png --list long.txt", kBatchListUnreadable, "line 1 is longer"},
      {"bad number", "--batch pic.png --from x1", kBatchBadArguments, "--from needs a whole number"},
      {"bad jobs", "--batch pic.png --jobs 0", kBatchBadArguments, "--jobs needs a number from 1 to 64"},
      {"unknown option", "--batch pic.png --colour red", kBatchBadArguments, "unknown option --colour"},
      {"no picture given", "--jobs 2", kBatchBadArguments, "--batch needs a picture"},
      {"2^62 labels", "--batch pic.png --from 0 --to 4611686018427387904", kBatchBadArguments, "at most 100000000"},
      {"a full disk", "--batch pic.png --list lines.txt --out full", kBatchWriteFailed, "full/pic.00003.png: File too large"},
  };
  const std::string lines = "A\nNo. 1\nWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\nWWWWWWWWWWWWWWWWWWWWWWWW\n";
  here.Write("lines.txt", lines);
  for (const Problem& problem : problems) {
    // The file size limit stands for a disk that fills after the second file.
    const Outcome run = Stampwork(here, "--settings " + kSamples + "ticket.ini " + problem.arguments,
                              problem.code == kBatchWriteFailed ? "ulimit -f 10; " : "");
    EXPECT_EQ(run.code, problem.code) << problem.what << ": " << run.errors;
    EXPECT_NE(run.errors.find(problem.message), std::string::npos) << problem.what << ": " << run.errors;
  }
  int files = 0;
  EXPECT_EQ(NotWhole(here, "full", &files), 0);  // nothing partial left behind
  EXPECT_EQ(files, 2);
  EXPECT_EQ(here.Read("lines.txt"), lines);  // the inputs are untouched
  EXPECT_EQ(Stampwork(here, "--help").code, kBatchDone);
  EXPECT_NE(here.Read("out.txt").find("--list FILE"), std::string::npos);
}

TEST(BatchTest, OnATerminalAProgressLineShowsCountRateAndTimeLeft) {
  InFreshDirectory here;
  Copy(here, kSamples + "ticket.png", "pic.png");
  if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "no script(1) to make a terminal";
  const std::string command = std::string("script -qec '") + STAMPWORK_EXE + " --batch pic.png --out out' /dev/null >shown.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string shown = here.Read("shown.txt");
  EXPECT_NE(shown.find("51 / 51 files"), std::string::npos) << shown;
  EXPECT_NE(shown.find("files/s"), std::string::npos);
  EXPECT_NE(shown.find("s left"), std::string::npos);
}

TEST(BatchTest, ListLinesWithNulBytesAndBrokenCharactersStillGiveOneFileEach) {
  InFreshDirectory here;
  Copy(here, kSamples + "ticket.png", "pic.png");
  const char list[] = "caf\xC3\xA9\r\n\xFF\xFE bad\nnul\0inside\n\xE2\x82\n";
  here.Write("list.txt", std::string(list, sizeof list - 1));
  const Outcome run = Stampwork(here, "--batch pic.png --list list.txt --out out --jobs 2");
  EXPECT_EQ(run.code, kBatchDone) << run.errors;
  int files = 0;
  EXPECT_EQ(NotWhole(here, "out", &files), 0);
  EXPECT_EQ(files, 4);
}

TEST(BatchTest, CtrlCStopsAfterTheFramesInFlightLeavingOnlyWholeFiles) {
  InFreshDirectory here;
  Copy(here, kSamples + "ticket.png", "pic.png");
  std::vector<std::string> words = {STAMPWORK_EXE, "--batch", "pic.png", "--settings", kSamples + "ticket.ini",
                                    "--from", "1", "--to", "50000", "--out", "out"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, STAMPWORK_EXE, nullptr, nullptr, argv.data(), environ), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!here.Exists("out/pic.00010.png") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(pid, SIGINT);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (std::chrono::steady_clock::now() >= deadline) kill(pid, SIGKILL);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kBatchStopped);
  int files = 0;
  EXPECT_EQ(NotWhole(here, "out", &files), 0);
  EXPECT_GE(files, 10);
  EXPECT_LT(files, 50000);
  EXPECT_TRUE(here.Exists("out/pic." + std::string(5 - std::to_string(files).size(), '0') + std::to_string(files) + ".png"));
}

// Create in the desktop program and the batch mode on the same picture and settings.
struct Sample {
  const char* picture;
  const char* settings;  // lines added to a settings file
  const char* closing;   // the closing image's name after "pic."
};

void PrintTo(const Sample& sample, std::ostream* out) { *out << sample.picture; }

class SameFilesTest : public ::testing::TestWithParam<Sample> {
 protected:
  void SetUp() override { platform::testing::DialogsReset(); }
  void TearDown() override { platform::testing::DialogsReset(); }
};

TEST_P(SameFilesTest, BatchFilesEqualCreatesWithOneOrTwoEncoders) {
  InFreshDirectory here;
  const std::string picture = Copy(here, std::string(STAMPWORK_TESTDATA) + "/" + GetParam().picture, "pic" +
                                         std::string(std::strrchr(GetParam().picture, '.')));
  here.Write("label.ini", std::string("RangeStart = 98\nRangeStop = 101\nFontSize = 20\nxText = 10\nyText = 12\n") +
                              GetParam().settings);
  {
    platform::testing::DialogAnswer answer;
    answer.paths = {here.Path(picture)};
    platform::testing::DialogsQueueFileAnswer(answer);
    StampworkStart();
    SettingsLoad(u"label.ini");
    EXPECT_TRUE(SeriesCreate());
    StampworkRuntimeEnd();
  }
  for (const char* jobs : {"1", "2"}) {
    const Outcome run = Stampwork(here, "--batch " + picture + " --settings label.ini --out out" + jobs + " --jobs " + jobs);
    ASSERT_EQ(run.code, kBatchDone) << run.errors;
    EXPECT_EQ(run.errors.find("files/s"), std::string::npos);  // no progress line when the output is no terminal
    for (const char* number : {"00098", "00099", "00100", "00101", GetParam().closing}) {
      const std::string created = here.Read(std::string("pic.") + number + ".png");
      ASSERT_GT(created.size(), 60u) << number;
      EXPECT_TRUE(created == here.Read(std::string("out") + jobs + "/pic." + number + ".png")) << number << " jobs " << jobs;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    PicturesAndSettings, SameFilesTest,
    ::testing::Values(Sample{"pngsuite/basn2c08.png", "", "End"},
                      Sample{"pngsuite/basn6a08.png", "bText = 255\nBorder = 3\nAnchor = 0\n", "End"},
                      Sample{"jpeg/pillow/pil_sample_rgb.jpg", "bText = -16711681\nBorder = 4\nAnchor = 8\nPreText = No.\n", "End"},
                      // Separators in the last text are not followed: the closing image stays beside the others.
                      Sample{"tga/ftrvxmtrx-tga/ctc24.tga", "bText = -1\nBorder = 1\nzero = 0\nLastText = ../x/End\n", ".._x_End"}));

}  // namespace
