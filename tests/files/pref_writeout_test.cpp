// The write-out as a crash or a full disk would meet it: the new content is put in the file's
// place whole or not at all, the file keeps its permissions and links, and a target that cannot
// be written, or that changed since the open, never loses what it held.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files_fixture.h"
#include "sealed_folder.h"

namespace {

using PrefWriteOutTest = FilesTest;

TEST_F(PrefWriteOutTest, TheNewContentReplacesTheFileAndKeepsItsPermissions) {
  WriteBytes(Path("p.ini"), "a = 1\r\n");
  ASSERT_EQ(::chmod(Path("p.ini").c_str(), 0640), 0);
  ASSERT_NE(PrefOpen(Name("p.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("p.ini")), kMark + "a = 2\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(Path("p.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"p.ini"});  // no new file left beside it
}

TEST_F(PrefWriteOutTest, ASettingsFileReachedThroughALinkIsWrittenWhereTheLinkPoints) {
  ASSERT_EQ(::mkdir(Path("real").c_str(), 0755), 0);
  WriteBytes(Path("real/s.ini"), "a = 1\r\n");
  ASSERT_EQ(::symlink("real/s.ini", Path("s.ini").c_str()), 0);
  ASSERT_NE(PrefOpen(Name("s.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  PrefClose();
  struct stat info {};
  ASSERT_EQ(::lstat(Path("s.ini").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(ReadBytes(Path("real/s.ini")), kMark + "a = 2\r\n");
}

TEST_F(PrefWriteOutTest, AFullDiskDuringTheWriteOutLeavesTheOldFileWhole) {
  const std::string old = kMark + "FontName = Arial\r\n";
  WriteBytes(Path("full.ini"), old);
  ASSERT_NE(PrefOpen(Name("full.ini").c_str(), 0), 0);
  PrefWriteString(u"PreText", std::u16string(5000, u'p').c_str());
  // A file size limit makes every write past 1 KiB fail as a full disk would.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  int64_t written = PrefFlush();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previous);

  EXPECT_EQ(written, 0);
  EXPECT_EQ(ReadBytes(Path("full.ini")), old);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"full.ini"});
  // The change is still there to be written once there is room.
  EXPECT_EQ(PrefFlush(), 1);
  EXPECT_EQ(ReadBytes(Path("full.ini")), old + "PreText = " + std::string(5000, 'p') + "\r\n");
}

TEST_F(PrefWriteOutTest, AFileSomeoneElseHoldsIsOpenedForReadingAndNeverOverwritten) {
  const std::string old = "a = 1\r\n";
  WriteBytes(Path("held.ini"), old);
  // Another opener reads the file and lets no one else write it.
  HANDLE other = CreateFileW(Name("held.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  ASSERT_NE(PrefOpen(Name("held.ini").c_str(), 0), 0);  // for reading only
  EXPECT_EQ(PrefReadInt(u"a", 0), 1);
  PrefWriteInt(u"a", 2);
  EXPECT_EQ(PrefFlush(), 0);
  EXPECT_EQ(ReadBytes(Path("held.ini")), old);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"held.ini"});
  // Once the other opener lets go, the change is written.
  CloseHandle(other);
  EXPECT_EQ(PrefFlush(), 1);
  EXPECT_EQ(ReadBytes(Path("held.ini")), kMark + "a = 2\r\n");
}

TEST_F(PrefWriteOutTest, AFileAnotherWriterHoldsIsStillReadAlongsideIt) {
  WriteBytes(Path("shared.ini"), "a = 1\r\n");
  HANDLE writer = CreateFileW(Name("shared.ini").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  ASSERT_NE(PrefOpen(Name("shared.ini").c_str(), 0), 0);  // the third way: reading beside a writer
  EXPECT_EQ(PrefReadInt(u"a", 0), 1);
  PrefWriteInt(u"a", 2);
  PrefClose();
  CloseHandle(writer);
  EXPECT_EQ(ReadBytes(Path("shared.ini")), "a = 1\r\n");
}

TEST_F(PrefWriteOutTest, ACreateOverAFileSomeoneElseHoldsFailsAndLeavesIt) {
  WriteBytes(Path("held.ini"), "a = 1\r\n");
  HANDLE other = CreateFileW(Name("held.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(PrefCreate(Name("held.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  PrefClose();
  CloseHandle(other);
  EXPECT_EQ(ReadBytes(Path("held.ini")), "a = 1\r\n");
}

TEST_F(PrefWriteOutTest, AFileThatVanishedSinceTheOpenIsWrittenAgainWhole) {
  WriteBytes(Path("gone.ini"), "a = 1\r\nb = 2\r\n");
  ASSERT_NE(PrefOpen(Name("gone.ini").c_str(), 0), 0);
  ASSERT_EQ(::unlink(Path("gone.ini").c_str()), 0);  // another program removes it
  PrefWriteInt(u"b", 3);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("gone.ini")), kMark + "a = 1\r\nb = 3\r\n");
}

TEST_F(PrefWriteOutTest, ADirectoryThatTookTheFilesPlaceIsLeftAlone) {
  WriteBytes(Path("x.ini"), "a = 1\r\n");
  ASSERT_NE(PrefOpen(Name("x.ini").c_str(), 0), 0);
  ASSERT_EQ(::unlink(Path("x.ini").c_str()), 0);
  ASSERT_EQ(::mkdir(Path("x.ini").c_str(), 0755), 0);
  WriteBytes(Path("x.ini/inside"), "kept");
  PrefWriteInt(u"a", 2);
  EXPECT_EQ(PrefFlush(), 0);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("x.ini/inside")), "kept");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"x.ini"});
}

TEST_F(PrefWriteOutTest, AFileLeftBesideTheTargetByAnEarlierCrashIsNotTouched) {
  WriteBytes(Path("s.ini"), "a = 1\r\n");
  WriteBytes(Path("s.ini.~1"), "left by a crash");
  ASSERT_NE(PrefOpen(Name("s.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("s.ini")), kMark + "a = 2\r\n");
  EXPECT_EQ(ReadBytes(Path("s.ini.~1")), "left by a crash");
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"s.ini", "s.ini.~1"}));
}

TEST_F(PrefWriteOutTest, WhileAFileIsCurrentOthersMayReadItButNotWriteIt) {
  WriteBytes(Path("c.ini"), "a = 1\r\n");
  ASSERT_NE(PrefOpen(Name("c.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  ASSERT_EQ(PrefFlush(), 1);  // also after a write-out the file is held again
  HANDLE reader = CreateFileW(Name("c.ini").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  HANDLE writer = CreateFileW(Name("c.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  PrefClose();
  writer = CreateFileW(Name("c.ini").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  CloseHandle(writer);
}

TEST_F(PrefWriteOutTest, FilesLeftBesideTheTargetByKilledProgramsNeverBlockASave) {
  WriteBytes(Path("s.ini"), "a = 1\r\n");
  std::vector<std::string> expected{"s.ini"};
  for (int n = 1; n <= 150; ++n) {
    WriteBytes(Path("s.ini.~" + std::to_string(n)), "left behind");
    expected.push_back("s.ini.~" + std::to_string(n));
  }
  std::sort(expected.begin(), expected.end());
  ASSERT_NE(PrefOpen(Name("s.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  EXPECT_EQ(PrefFlush(), 1);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("s.ini")), kMark + "a = 2\r\n");
  EXPECT_EQ(dir_.Names(), expected);  // the write-out's own new file is gone, the others are kept
}

TEST_F(PrefWriteOutTest, AFolderThatTakesNoNewFilesStillGetsItsFileRewritten) {
  ASSERT_EQ(::mkdir(Path("locked").c_str(), 0755), 0);
  WriteBytes(Path("locked/s.ini"), "a = 1\r\nb = 1234567890\r\n");
  SealedFolder seal(Path("locked"));
  if (!seal.sealed()) GTEST_SKIP() << "this file system cannot refuse new files in a folder";
  ASSERT_NE(PrefOpen(Name("locked/s.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  PrefWriteInt(u"b", 3);  // shorter than before: the rest of the old file must not remain
  EXPECT_EQ(PrefFlush(), 1);
  PrefClose();
  EXPECT_EQ(ReadBytes(Path("locked/s.ini")), kMark + "a = 2\r\nb = 3\r\n");
  // A file that is not there cannot be made in such a folder; the write-out says so.
  ASSERT_EQ(PrefOpen(Name("locked/new.ini").c_str(), 0), 0);
  PrefWriteInt(u"a", 2);
  EXPECT_EQ(PrefFlush(), 0);
  PrefClose();
  EXPECT_FALSE(Exists(Path("locked/new.ini")));
}

}  // namespace
