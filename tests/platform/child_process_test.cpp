// Starting programs: CreateProcessW's command-line splitting, working folder, exit codes,
// waiting and pipes, and ShellExecuteExW's choice between running a program and handing a
// document or address to the opener (a script of the test's own, never the desktop's).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kernel.h"
#include "shell.h"
#include "temp_folder.h"
#include "testing.h"

namespace {

std::u16string U16(const std::string& text) { return platform::Utf8ToUtf16(text.c_str()); }

class ChildProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    dir_ = folder_.path();
    platform::testing::ShellResetRecord();
  }
  void TearDown() override {
    platform::testing::ShellSetOpener(nullptr);
  }

  std::string Path(const std::string& name) const { return folder_.Path(name); }
  std::string Script(const std::string& name, const std::string& body) { return folder_.Script(name, body); }
  static std::string Read(const std::string& path) { return TempFolder::Read(path); }



  // Runs a command line to its end; the exit code, or -1 when it did not start.
  static int64_t RunToEnd(std::u16string line, const char16_t* directory = nullptr, STARTUPINFOW* startup = nullptr) {
    STARTUPINFOW plain{};
    plain.cb = sizeof plain;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, directory,
                        startup ? startup : &plain, &started)) {
      return -1;
    }
    EXPECT_EQ(WaitForSingleObject(started.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &code));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return code;
  }

  TempFolder folder_;
  std::string dir_;
};

TEST_F(ChildProcessTest, ExitCodeAndWaitingReportTheChildsEnd) {
  EXPECT_EQ(RunToEnd(u"/bin/true"), 0);
  EXPECT_EQ(RunToEnd(u"sh -c \"exit 7\""), 7);  // found on the search path

  std::u16string line = u"/bin/sleep 5";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
  EXPECT_EQ(WaitForSingleObject(started.hProcess, 10), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(GetProcessId(started.hProcess), started.dwProcessId);
  EXPECT_TRUE(TerminateProcess(started.hProcess, 9));
  EXPECT_EQ(WaitForSingleObject(started.hThread, 0), WAIT_OBJECT_0);  // the thread stands for the child
  EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &code));
  EXPECT_EQ(code, 9u);
  EXPECT_TRUE(CloseHandle(started.hThread));
  EXPECT_TRUE(CloseHandle(started.hProcess));
  EXPECT_EQ(WaitForSingleObject(started.hProcess, 0), WAIT_FAILED);
}

TEST_F(ChildProcessTest, CommandLineSplitsTheWindowsWay) {
  std::string script = Script("args.sh", "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + Path("out") + "\"");
  std::u16string line = u"\"" + U16(script) + u"\" plain \"two words\" a\\\"b \"c\"\"d\" back\\\\\\\\\"x y\" e\\f";
  EXPECT_EQ(RunToEnd(line), 0);
  EXPECT_EQ(Read(Path("out")), "[plain][two words][a\"b][c\"d][back\\\\x y][e\\f]");
}

TEST_F(ChildProcessTest, WorkingFolderAndMissingProgramsAreReported) {
  std::string script = Script("where.sh", "pwd > where.txt");
  EXPECT_EQ(RunToEnd(U16(script), U16(dir_).c_str()), 0);
  EXPECT_EQ(Read(Path("where.txt")), std::filesystem::canonical(dir_).string() + "\n");

  EXPECT_EQ(RunToEnd(U16(script), U16(Path("no-such-folder")).c_str()), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_EQ(RunToEnd(U16(Path("missing"))), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RunToEnd(u"no-program-of-this-name-anywhere"), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  std::ofstream(Path("document.txt")) << "text";
  EXPECT_EQ(RunToEnd(U16(Path("document.txt"))), -1);  // not a program
  EXPECT_EQ(RunToEnd(u"   "), -1);
  EXPECT_FALSE(CreateProcessW(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(ChildProcessTest, PipesCarryStandardInputAndOutput) {
  HANDLE inRead, inWrite, outRead, outWrite;
  ASSERT_TRUE(CreatePipe(&inRead, &inWrite, nullptr, 0));
  ASSERT_TRUE(CreatePipe(&outRead, &outWrite, nullptr, 0));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead;
  startup.hStdOutput = outWrite;
  std::u16string line = u"tr a-z A-Z";
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started));
  CloseHandle(inRead);
  CloseHandle(outWrite);
  DWORD count = 0;
  ASSERT_TRUE(WriteFile(inWrite, "labels", 6, &count, nullptr));
  CloseHandle(inWrite);  // the end of the input ends the program
  char text[32] = {};
  ASSERT_TRUE(ReadFile(outRead, text, sizeof text, &count, nullptr));
  EXPECT_EQ(std::string(text, count), "LABELS");
  CloseHandle(outRead);
  EXPECT_EQ(WaitForSingleObject(started.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);

  startup.hStdInput = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(123456));  // not a handle
  EXPECT_FALSE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ChildProcessTest, ShellRunsProgramsWithTheirParameters) {
  std::string script = Script("echo.sh", "printf '%s,' \"$@\" > \"" + Path("ran") + "\"");
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  std::u16string file = U16(script);
  info.lpFile = file.c_str();
  info.lpParameters = u"one \"two three\"";
  ASSERT_TRUE(ShellExecuteExW(&info));
  EXPECT_GT(reinterpret_cast<intptr_t>(info.hInstApp), 32);
  ASSERT_NE(info.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  EXPECT_EQ(Read(Path("ran")), "one,two three,");
}

TEST_F(ChildProcessTest, ShellHandsAddressesAndDocumentsToTheOpener) {
  std::string opener = Script("opener.sh", "printf '%s\\n' \"$@\" >> \"" + Path("opened") + "\"");
  platform::testing::ShellSetOpener(U16(opener).c_str());
  std::ofstream(Path("photo.png")) << "not really";

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = u"https://example.org/stampwork?a=1&b=2";
  ASSERT_TRUE(ShellExecuteExW(&info));
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hProcess);
  platform::testing::ShellRequest request = platform::testing::ShellLastRequest();
  EXPECT_EQ(request.file, u"https://example.org/stampwork?a=1&b=2");
  EXPECT_EQ(request.mask, SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI);

  // A relative document is found in the given folder.
  HINSTANCE result = ShellExecuteW(nullptr, u"open", u"photo.png", nullptr, U16(dir_).c_str(), SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<intptr_t>(result), 32);
  for (int i = 0; i < 500 && Read(Path("opened")).find("photo") == std::string::npos; ++i) usleep(2000);
  EXPECT_EQ(Read(Path("opened")), "https://example.org/stampwork?a=1&b=2\n" + Path("photo.png") + "\n");
  EXPECT_EQ(platform::testing::ShellRequestCount(), 2);
}

TEST_F(ChildProcessTest, ShellFailuresGiveWindowsCodes) {
  EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, nullptr, U16(Path("absent.txt")).c_str(), nullptr,
                                                     nullptr, SW_SHOWNORMAL)),
            SE_ERR_FNF);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(platform::testing::ShellLastRequest().ran, u"");
  // No opener on this machine: nothing is associated with the address.
  platform::testing::ShellSetOpener(U16(Path("no-opener")).c_str());
  EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, nullptr, u"mailto:someone@example.org", nullptr,
                                                     nullptr, SW_SHOWNORMAL)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, u"print", u"/bin/true", nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, nullptr, nullptr, nullptr, nullptr, 1)), SE_ERR_FNF);
  SHELLEXECUTEINFOW wrong{};
  EXPECT_FALSE(ShellExecuteExW(&wrong));
  EXPECT_FALSE(ShellExecuteExW(nullptr));
}

}  // namespace
