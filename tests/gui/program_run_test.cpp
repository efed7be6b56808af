// ProgramRun: starting programs (quoted names, parameters, working folder, waiting, records),
// the shell taking documents and web addresses (through an opener script of the test's own, so
// no browser starts), and the pipes between the program and its caller or another program.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "corvid.h"
#include "kernel.h"
#include "shell.h"
#include "temp_folder.h"
#include "testing.h"

namespace {

std::u16string U16(const std::string& text) { return platform::Utf8ToUtf16(text.c_str()); }

class ProgramRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainHeapCreate();
    StringHeapInit();
    ProcessInit();
    ASSERT_FALSE(folder_.path().empty());
    dir_ = folder_.path();
    platform::testing::ShellResetRecord();
    opener_ = Script("opener.sh", "printf '%s\\n' \"$@\" > \"" + Path("opened") + "\"");
    platform::testing::ShellSetOpener(U16(opener_).c_str());
  }
  void TearDown() override {
    ProcessShutdown();
    platform::testing::ShellSetOpener(nullptr);
    StringHeapShutdown();
    MainHeapDestroy();
  }

  std::string Path(const std::string& name) const { return folder_.Path(name); }
  std::string Script(const std::string& name, const std::string& body) { return folder_.Script(name, body); }
  static std::string Read(const std::string& path) { return TempFolder::Read(path); }



  static std::string ReadAll(int64_t program, int64_t error = 0) {
    char buffer[256];
    int64_t count = ProgramRead(program, buffer, sizeof buffer, error);
    return std::string(buffer, static_cast<size_t>(count));
  }

  TempFolder folder_;
  std::string dir_;
  std::string opener_;
};

TEST_F(ProgramRunTest, ProgramStartsAndReportsStarted) {
  EXPECT_EQ(ProgramRun(u"/bin/true"), 1);
  EXPECT_EQ(platform::testing::ShellRequestCount(), 0);  // a program needs no shell

  int64_t program = ProgramRun(u"/bin/sh", u"-c \"exit 3\"", nullptr, CV_Program_Open);
  ASSERT_GT(program, 1);
  EXPECT_GT(ProgramId(program), 0);
  EXPECT_EQ(ProgramWait(program, -1), 1);
  EXPECT_EQ(ProgramExitCode(program), 3);
  ProgramFree(program);
  EXPECT_EQ(ProgramId(program), 0);
}

TEST_F(ProgramRunTest, WaitFlagReturnsAfterTheEnd) {
  int64_t program = ProgramRun(u"/bin/sh", u"-c \"sleep 0.05; exit 4\"", nullptr, CV_Program_Wait | CV_Program_Open);
  ASSERT_GT(program, 1);
  EXPECT_EQ(ProgramExitCode(program), 4);  // already over
  int64_t running = ProgramRun(u"/bin/sleep", u"0.3", nullptr, CV_Program_Open | CV_Program_Hide);
  EXPECT_EQ(ProgramWait(running, 5), 0);
  EXPECT_EQ(ProgramExitCode(running), -1);
  ProgramFree(-1);  // the records go; the sleeper is left to end on its own
  EXPECT_EQ(ProgramId(program), 0);
  EXPECT_EQ(ProgramId(running), 0);
}

TEST_F(ProgramRunTest, NameWithSpacesParametersAndWorkingFolder) {
  std::string script = Script("label maker.sh", "printf '%s|' \"$@\" > args.txt");
  ASSERT_NE(ProgramRun(U16(script).c_str(), u"one \"two words\"", U16(dir_).c_str(), CV_Program_Wait), 0);
  EXPECT_EQ(Read(Path("args.txt")), "one|two words|");
  // A name already in quotes is taken as it is.
  std::u16string quoted = u"\"" + U16(script) + u"\"";
  ASSERT_NE(ProgramRun(quoted.c_str(), u"three", U16(dir_).c_str(), CV_Program_Wait), 0);
  EXPECT_EQ(Read(Path("args.txt")), "three|");
}

TEST_F(ProgramRunTest, WebAddressGoesToTheShell) {
  const char16_t* address = u"https://example.org/stampwork";
  int64_t program = ProgramRun(address, nullptr, nullptr, CV_Program_Open | CV_Program_Wait);
  ASSERT_GT(program, 1);
  EXPECT_EQ(ProgramId(program), -1);  // started through the shell
  platform::testing::ShellRequest request = platform::testing::ShellLastRequest();
  EXPECT_EQ(request.file, address);
  EXPECT_EQ(request.verb, u"");
  EXPECT_EQ(request.parameters, u"");
  EXPECT_EQ(request.directory, u"");  // an address has no folder
  EXPECT_EQ(request.show, SW_SHOWNORMAL);
  EXPECT_EQ(request.mask, SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI);
  EXPECT_EQ(Read(Path("opened")), "https://example.org/stampwork\n");

  EXPECT_EQ(ProgramRun(address, nullptr, nullptr, CV_Program_Hide | CV_Program_Wait), 1);
  EXPECT_EQ(platform::testing::ShellLastRequest().show, SW_HIDE);
}

TEST_F(ProgramRunTest, DocumentOpensInItsOwnFolder) {
  std::ofstream(Path("series.png")) << "picture";
  EXPECT_EQ(ProgramRun(U16(Path("series.png")).c_str(), nullptr, nullptr, CV_Program_Wait), 1);
  EXPECT_EQ(platform::testing::ShellLastRequest().directory, U16(dir_));
  EXPECT_EQ(Read(Path("opened")), Path("series.png") + "\n");
}

TEST_F(ProgramRunTest, NothingToStartGivesZero) {
  EXPECT_EQ(ProgramRun(U16(Path("missing.png")).c_str()), 0);
  EXPECT_EQ(ProgramRun(nullptr), 0);
  EXPECT_EQ(ProgramRun(u""), 0);
  EXPECT_EQ(ProgramRun(u"/bin/true", nullptr, U16(Path("no-folder")).c_str()), 0);
  // With pipes asked for, the shell is no way out.
  std::ofstream(Path("doc.txt")) << "text";
  int64_t before = platform::testing::ShellRequestCount();
  EXPECT_EQ(ProgramRun(U16(Path("doc.txt")).c_str(), nullptr, nullptr, CV_Program_Read | CV_Program_Open), 0);
  EXPECT_EQ(platform::testing::ShellRequestCount(), before);
  // Unknown records are refused.
  EXPECT_EQ(ProgramId(12345), 0);
  EXPECT_EQ(ProgramExitCode(12345), -1);
  EXPECT_EQ(ProgramWait(12345, 0), 0);
  char buffer[4];
  EXPECT_EQ(ProgramRead(12345, buffer, 4), 0);
  EXPECT_EQ(ProgramWrite(12345, "x", 1), 0);
  ProgramFree(12345);
  ProgramCloseInput(12345);
}

TEST_F(ProgramRunTest, PipesCarryOutputInputAndErrors) {
  int64_t writer = ProgramRun(u"/bin/sh", u"-c \"printf hello; printf oops >&2\"", nullptr,
                              CV_Program_Open | CV_Program_Read | CV_Program_Error);
  ASSERT_GT(writer, 1);
  EXPECT_EQ(ReadAll(writer), "hello");
  EXPECT_EQ(ReadAll(writer, 1), "oops");

  int64_t upper = ProgramRun(u"tr", u"a-z A-Z", nullptr, CV_Program_Open | CV_Program_Read | CV_Program_Write);
  ASSERT_GT(upper, 1);
  EXPECT_EQ(ProgramWrite(upper, "labels", 6), 6);
  ProgramCloseInput(upper);
  EXPECT_EQ(ReadAll(upper), "LABELS");
  EXPECT_EQ(ProgramWrite(upper, "x", 1), 0);  // its input is closed
  char buffer[4];
  EXPECT_EQ(ProgramRead(upper, buffer, 4, 1), 0);  // no error pipe was asked for
}

TEST_F(ProgramRunTest, ConnectFeedsOneProgramsOutputIntoAnother) {
  int64_t sender = ProgramRun(u"/bin/sh", u"-c \"printf 'from the sender'\"", nullptr, CV_Program_Open | CV_Program_Read);
  ASSERT_GT(sender, 1);
  int64_t receiver = ProgramRun(u"tr", u"a-z A-Z", nullptr, CV_Program_Open | CV_Program_Read | CV_Program_Connect, sender);
  ASSERT_GT(receiver, 1);
  EXPECT_EQ(ReadAll(receiver), "FROM THE SENDER");
  EXPECT_EQ(ProgramWait(receiver, -1), 1);
  EXPECT_EQ(ProgramExitCode(receiver), 0);
}

}  // namespace
