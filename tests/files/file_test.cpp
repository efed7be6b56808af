// Sequential files: opening under a number or an automatic id, exclusive opening, sizes, the
// buffered read (straight reads for large requests, refills for small ones, short reads at the
// end) and closing one file or all.
#include <random>

#include "file_object.h"
#include "files_fixture.h"
#include "testing.h"

namespace {

using FileTest = FilesTest;

std::string Pattern(size_t size) {
  std::mt19937 random(42);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// The position of the file's system handle: how far the library has read from the system.
int64_t SystemPosition(int64_t file) {
  LARGE_INTEGER zero{};
  LARGE_INTEGER at{};
  SetFilePointerEx(FileObjectGet(file)->handle, zero, &at, FILE_CURRENT);
  return at.QuadPart;
}

TEST_F(FileTest, OpeningGivesTheHandleForANumberAndTheIdForAnyAndFailsForNoFile) {
  WriteBytes(Path("a.txt"), "abc");
  int64_t handle = FileOpenRead(3, Name("a.txt").c_str());
  ASSERT_NE(handle, 0);
  EXPECT_EQ(handle, static_cast<int64_t>(reinterpret_cast<uintptr_t>(FileObjectGet(3)->handle)));
  FileClose(3);
  int64_t id = FileOpenRead(CV_Any, Name("a.txt").c_str());
  ASSERT_NE(id, 0);
  EXPECT_EQ(FileGetSize(id), 3);
  EXPECT_EQ(FileObjectGet(id)->bufferSize, 4096);
  EXPECT_EQ(FileObjectGet(id)->stringFormat, 2);
  FileClose(id);
  EXPECT_EQ(FileGetSize(id), -1);

  EXPECT_EQ(FileOpenRead(1, Name("missing.txt").c_str()), 0);
  EXPECT_EQ(FileGetSize(1), -1);
  EXPECT_EQ(FileOpenRead(CV_Any, Name("missing.txt").c_str()), 0);
  EXPECT_EQ(FileOpenRead(2, U16(dir_.path()).c_str()), 0);  // a directory
  EXPECT_EQ(FileOpenRead(4, nullptr), 0);
  EXPECT_EQ(FileOpenRead(-2, Name("a.txt").c_str()), 0);
}

TEST_F(FileTest, AnOpenFileIsKeptFromEveryOtherOpenerUntilItIsClosed) {
  WriteBytes(Path("x.txt"), "x");
  ASSERT_NE(FileOpenRead(0, Name("x.txt").c_str()), 0);
  EXPECT_EQ(FileOpenRead(1, Name("x.txt").c_str()), 0);
  EXPECT_EQ(PrefOpen(Name("x.txt").c_str(), 0), 0);
  PrefClose();
  // Opening the same number again closes the file it held first.
  EXPECT_NE(FileOpenRead(0, Name("x.txt").c_str()), 0);
  FileClose(0);
  EXPECT_NE(FileOpenRead(1, Name("x.txt").c_str()), 0);
}

TEST_F(FileTest, SizesOfEmptyAndOfUnknownFiles) {
  WriteBytes(Path("empty.txt"), "");
  ASSERT_NE(FileOpenRead(5, Name("empty.txt").c_str()), 0);
  EXPECT_EQ(FileGetSize(5), 0);
  char byte = 'q';
  EXPECT_EQ(FileRead(5, &byte, 1), 0);
  EXPECT_EQ(byte, 'q');
  EXPECT_EQ(FileGetSize(6), -1);
  EXPECT_EQ(FileGetSize(123456789), -1);
}

TEST_F(FileTest, AReadAsLargeAsTheBufferGoesStraightToTheDestination) {
  std::string content = Pattern(10000);
  WriteBytes(Path("big.bin"), content);
  ASSERT_NE(FileOpenRead(1, Name("big.bin").c_str()), 0);
  std::string read(10000, '\0');
  EXPECT_EQ(FileRead(1, read.data(), 10000), 10000);
  EXPECT_EQ(read, content);
  EXPECT_EQ(FileObjectGet(1)->valid, 0);  // the buffer was never filled
  EXPECT_EQ(FileObjectGet(1)->freeOrUnread, 0);
  EXPECT_EQ(FileRead(1, read.data(), 10000), 0);
}

TEST_F(FileTest, SmallReadsAreServedFromOneRefill) {
  std::string content = Pattern(10000);
  WriteBytes(Path("big.bin"), content);
  ASSERT_NE(FileOpenRead(1, Name("big.bin").c_str()), 0);
  char chunk[100];
  std::string read;
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(FileRead(1, chunk, 100), 100);
    read.append(chunk, 100);
    EXPECT_EQ(SystemPosition(1), 4096) << "read " << i;  // one refill serves all forty
  }
  EXPECT_EQ(FileObjectGet(1)->freeOrUnread, 96);
  // The next read takes the 96 bytes left and refills for the other 4.
  ASSERT_EQ(FileRead(1, chunk, 100), 100);
  read.append(chunk, 100);
  EXPECT_EQ(SystemPosition(1), 8192);
  EXPECT_EQ(read, content.substr(0, 4100));
}

TEST_F(FileTest, ReadingPastTheEndReturnsTheBytesThatAreThere) {
  std::string content = Pattern(150);
  WriteBytes(Path("short.bin"), content);
  ASSERT_NE(FileOpenRead(1, Name("short.bin").c_str()), 0);
  char buffer[200];
  EXPECT_EQ(FileRead(1, buffer, 100), 100);
  EXPECT_EQ(FileRead(1, buffer + 100, 100), 50);
  EXPECT_EQ(std::string(buffer, 150), content);
  EXPECT_EQ(FileRead(1, buffer, 100), 0);
  // Unread buffer bytes come first, then a large rest goes straight to the destination.
  std::string longer = Pattern(20000);
  WriteBytes(Path("long.bin"), longer);
  ASSERT_NE(FileOpenRead(2, Name("long.bin").c_str()), 0);
  std::string read(20000, '\0');
  EXPECT_EQ(FileRead(2, read.data(), 10), 10);
  EXPECT_EQ(FileRead(2, read.data() + 10, 19990 + 500), 19990);
  EXPECT_EQ(read, longer);
}

TEST_F(FileTest, ReadsOfEveryMixOfSizesDeliverTheFileInOrder) {
  std::string content = Pattern(50000);
  WriteBytes(Path("mix.bin"), content);
  ASSERT_NE(FileOpenRead(CV_Any, Name("mix.bin").c_str()), 0);
  int64_t id = FileOpenRead(CV_Any, Name("mix.bin").c_str());
  EXPECT_EQ(id, 0);  // the first open keeps it
  FileClose(CV_Any);
  id = FileOpenRead(CV_Any, Name("mix.bin").c_str());
  ASSERT_NE(id, 0);
  std::mt19937 random(7);
  std::string read;
  std::vector<char> chunk(9000);
  while (true) {
    int64_t want = 1 + static_cast<int64_t>(random() % 9000);
    int64_t got = FileRead(id, chunk.data(), want);
    read.append(chunk.data(), static_cast<size_t>(got));
    if (got < want) break;
  }
  EXPECT_EQ(read, content);
}

TEST_F(FileTest, BadArgumentsReadNothing) {
  WriteBytes(Path("a.txt"), "abc");
  ASSERT_NE(FileOpenRead(1, Name("a.txt").c_str()), 0);
  char buffer[4] = {};
  EXPECT_EQ(FileRead(1, nullptr, 3), 0);
  EXPECT_EQ(FileRead(1, buffer, 0), 0);
  EXPECT_EQ(FileRead(1, buffer, -5), 0);
  EXPECT_EQ(FileRead(2, buffer, 3), 0);
  EXPECT_EQ(FileRead(1, buffer, 3), 3);  // none of that moved the file on
  EXPECT_STREQ(buffer, "abc");
  FileClose(77);  // not open: nothing happens
  FileClose(-2);
}

TEST_F(FileTest, ClosingAllAndShuttingDownCloseEveryFile) {
  WriteBytes(Path("a.txt"), "a");
  WriteBytes(Path("b.txt"), "b");
  ASSERT_NE(FileOpenRead(1, Name("a.txt").c_str()), 0);
  int64_t id = FileOpenRead(CV_Any, Name("b.txt").c_str());
  ASSERT_NE(id, 0);
  FileClose(CV_Any);
  EXPECT_EQ(FileGetSize(1), -1);
  EXPECT_EQ(FileGetSize(id), -1);
  ASSERT_NE(FileOpenRead(1, Name("a.txt").c_str()), 0);
  FileShutdown();
  EXPECT_EQ(FileGetSize(1), -1);
  EXPECT_EQ(FileOpenRead(1, Name("a.txt").c_str()), 0);  // no library, no files
  FileInit();
  EXPECT_NE(FileOpenRead(1, Name("a.txt").c_str()), 0);  // the shutdown let it go
}

TEST_F(FileTest, WithoutMemoryForABufferAFileIsReadStraightFromTheSystem) {
  std::string content = Pattern(300);
  WriteBytes(Path("a.bin"), content);
  platform::testing::HeapFailAfter(2, 1);  // the object's body is the first allocation, its buffer the second
  int64_t opened = FileOpenRead(1, Name("a.bin").c_str());
  platform::testing::HeapFailAfter(0);
  ASSERT_NE(opened, 0);
  EXPECT_EQ(FileObjectGet(1)->buffer, nullptr);
  char buffer[300];
  EXPECT_EQ(FileRead(1, buffer, 100), 100);
  EXPECT_EQ(SystemPosition(1), 100);
  EXPECT_EQ(FileRead(1, buffer + 100, 250), 200);
  EXPECT_EQ(std::string(buffer, 300), content);
}

}  // namespace
