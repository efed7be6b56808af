// The kernel part of the platform layer: heaps, files with their sharing rules, code pages,
// thread-local storage, run-once and the module table.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "kernel.h"
#include "testing.h"

namespace {

std::u16string U16(const std::string& text) { return platform::Utf8ToUtf16(text.c_str()); }

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/kernel-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(U16(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Heap, ZeroMemoryIsHonouredOnAllocAndOnGrowth) {
  HANDLE heap = HeapCreate(0, 4096, 0);
  ASSERT_NE(heap, nullptr);
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(block[i], 0);
  std::memset(block, 0xAB, 100);
  block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 5000));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[99], 0xAB);  // old content kept
  for (int i = 100; i < 5000; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(HeapSize(heap, 0, block), 5000u);
  EXPECT_TRUE(HeapDestroy(heap));
}

TEST(Heap, DestroyFreesEveryBlockStillInIt) {
  HANDLE heap = HeapCreate(0, 4096, 0);
  for (int i = 0; i < 50; ++i) HeapAlloc(heap, 0, 64);
  EXPECT_EQ(platform::testing::HeapBlockCount(heap), 50);
  EXPECT_TRUE(HeapDestroy(heap));  // the leak checker of the sanitizer build proves the rest
  EXPECT_EQ(platform::testing::HeapBlockCount(heap), 0);
  EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);  // a destroyed heap hands out nothing
}

TEST(Heap, BlocksOfOneHeapAreRefusedByAnother) {
  HANDLE a = HeapCreate(0, 0, 0);
  HANDLE b = HeapCreate(0, 0, 0);
  void* block = HeapAlloc(a, 0, 16);
  EXPECT_FALSE(HeapFree(b, 0, block));
  EXPECT_EQ(HeapReAlloc(b, 0, block, 32), nullptr);
  EXPECT_TRUE(HeapFree(a, 0, block));
  EXPECT_TRUE(HeapFree(a, 0, nullptr));
  HeapDestroy(a);
  HeapDestroy(b);
}

TEST(Heap, FreedMovedAndMadeUpBlocksAreRefusedWithoutTouchingTheirMemory) {
  HANDLE heap = HeapCreate(0, 0, 0);
  auto* live = static_cast<char*>(HeapAlloc(heap, 0, 64));
  void* freed = HeapAlloc(heap, 0, 64);
  ASSERT_TRUE(HeapFree(heap, 0, freed));
  void* moved = HeapAlloc(heap, 0, 16);
  void* grown = HeapReAlloc(heap, 0, moved, 1 << 16);
  ASSERT_NE(grown, nullptr);
  // The sanitizer build fails on any read of freed memory, so a refusal here is a look-up.
  for (void* bad : {freed, static_cast<void*>(live + 16), static_cast<void*>(live + 64)}) {
    EXPECT_FALSE(HeapFree(heap, 0, bad));
    EXPECT_EQ(HeapSize(heap, 0, bad), static_cast<SIZE_T>(-1));
  }
  if (grown != moved) {
    EXPECT_FALSE(HeapFree(heap, 0, moved));
  }
  EXPECT_EQ(HeapSize(heap, 0, grown), static_cast<SIZE_T>(1 << 16));
  EXPECT_EQ(platform::testing::HeapBlockCount(heap), 2);
  HeapDestroy(heap);
}

TEST(Heap, InjectedFailureLeavesTheOldBlockIntact) {
  HANDLE heap = HeapCreate(0, 0, 0);
  auto* block = static_cast<char*>(HeapAlloc(heap, 0, 8));
  std::strcpy(block, "keep");
  platform::testing::HeapFailAfter(1);
  EXPECT_EQ(HeapReAlloc(heap, 0, block, 1 << 20), nullptr);
  EXPECT_STREQ(block, "keep");
  EXPECT_NE(HeapAlloc(heap, 0, 8), nullptr);  // only the one allocation failed
  EXPECT_EQ(HeapAlloc(heap, 0, size_t{1} << 60), nullptr);
  HeapDestroy(heap);
}

TEST(Files, CreateAlwaysTruncatesAndReportsAnExistingFile) {
  TempDir dir;
  std::string path = dir.File("a.txt");
  HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "hello world", 11, &written, nullptr));
  EXPECT_EQ(written, 11u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ReadAll(path), "hello world");

  file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  CloseHandle(file);
}

TEST(Files, ShareModeZeroKeepsTheFileToItselfUntilClosed) {
  TempDir dir;
  std::string path = dir.File("locked.ini");
  { std::ofstream(path) << "precious"; }
  HANDLE first = Open(path, GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  // A second open, even a truncating one, is refused and leaves the content alone.
  EXPECT_EQ(Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(path), "precious");
  EXPECT_FALSE(DeleteFileW(U16(path).c_str()));
  CloseHandle(first);
  HANDLE again = Open(path, GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
  EXPECT_TRUE(DeleteFileW(U16(path).c_str()));
}

TEST(Files, SharedReadersCoexistButAWriterNeedsWriteSharing) {
  TempDir dir;
  std::string path = dir.File("shared.bin");
  { std::ofstream(path) << "x"; }
  HANDLE a = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  HANDLE b = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(a, INVALID_HANDLE_VALUE);
  EXPECT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  CloseHandle(a);
  CloseHandle(b);
}

TEST(Files, FailuresReturnTheInvalidHandle) {
  TempDir dir;
  EXPECT_EQ(Open(dir.File("missing"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Open(dir.path(), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);  // a directory
  EXPECT_EQ(Open(dir.File("no/such/dir/file"), GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x12345)));
  DWORD read = 7;
  char buffer[4];
  EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(0x12345), buffer, 4, &read, nullptr));
  EXPECT_EQ(read, 0u);
}

TEST(Files, PointerSizeAndEndOfFile) {
  TempDir dir;
  std::string path = dir.File("data.bin");
  HANDLE file = Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD count = 0;
  WriteFile(file, "0123456789", 10, &count, nullptr);
  EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
  EXPECT_TRUE(SetEndOfFile(file));
  EXPECT_EQ(GetFileSize(file, nullptr), 4u);
  EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 2u);
  char buffer[8] = {};
  EXPECT_TRUE(ReadFile(file, buffer, 8, &count, nullptr));
  EXPECT_EQ(count, 2u);  // a short read at the end is a success with the bytes there
  EXPECT_STREQ(buffer, "23");
  EXPECT_EQ(SetFilePointer(file, -100, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  CloseHandle(file);
  EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
}

TEST(Files, MoveReplacesAtomicallyAndWfopenOpensUtf16Names) {
  TempDir dir;
  std::string target = dir.File("r\xC3\xA9sum\xC3\xA9.ini");
  { std::ofstream(target) << "old"; }
  { std::ofstream(dir.File("new.tmp")) << "new"; }
  EXPECT_FALSE(MoveFileExW(U16(dir.File("new.tmp")).c_str(), U16(target).c_str(), 0));
  EXPECT_TRUE(MoveFileExW(U16(dir.File("new.tmp")).c_str(), U16(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  FILE* in = _wfopen(U16(target).c_str(), u"rb");
  ASSERT_NE(in, nullptr);
  char buffer[8] = {};
  EXPECT_EQ(std::fread(buffer, 1, 8, in), 3u);
  std::fclose(in);
  EXPECT_STREQ(buffer, "new");
  EXPECT_EQ(_wfopen(U16(dir.path()).c_str(), u"rb"), nullptr);
}

TEST(Files, ReplaceKeepsTheReplacedFilesPermissionsAndRefusesWhatMayNotBeReplaced) {
  TempDir dir;
  std::string target = dir.File("s.ini");
  std::string fresh = dir.File("s.ini.new");
  { std::ofstream(target) << "old"; }
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  { std::ofstream(fresh) << "new"; }
  ASSERT_EQ(::chmod(fresh.c_str(), 0600), 0);
  // An open without delete sharing keeps the name in place.
  HANDLE holder = Open(target, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ReplaceFileW(U16(target).c_str(), U16(fresh).c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(holder);
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_FALSE(ReplaceFileW(U16(target).c_str(), U16(fresh).c_str(), U16(dir.File("backup")).c_str(), 0, nullptr,
                            nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  EXPECT_TRUE(ReplaceFileW(U16(target).c_str(), U16(fresh).c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr));
  EXPECT_EQ(ReadAll(target), "new");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  EXPECT_NE(::access(fresh.c_str(), F_OK), 0);

  // There must be a file to replace, and it must be a file.
  { std::ofstream(fresh) << "newer"; }
  EXPECT_FALSE(ReplaceFileW(U16(dir.File("missing")).c_str(), U16(fresh).c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  EXPECT_FALSE(ReplaceFileW(U16(dir.File("sub")).c_str(), U16(fresh).c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadAll(fresh), "newer");
}

TEST(Files, FinalPathResolvesLinksAndSurvivesTheRemovalOfTheName) {
  TempDir dir;
  std::string real = dir.File("real.ini");
  { std::ofstream(real) << "x"; }
  ASSERT_EQ(::symlink(real.c_str(), dir.File("link.ini").c_str()), 0);
  HANDLE file = Open(dir.File("link.ini"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
  std::u16string expected = U16(std::filesystem::canonical(real).string());
  EXPECT_EQ(needed, expected.size() + 1);
  std::u16string path(needed, u'\0');
  WCHAR tooSmall[4];
  EXPECT_EQ(GetFinalPathNameByHandleW(file, tooSmall, 4, 0), needed);
  EXPECT_EQ(GetFinalPathNameByHandleW(file, path.data(), needed, 0), needed - 1);
  path.resize(needed - 1);
  EXPECT_EQ(path, expected);
  ASSERT_EQ(::unlink(real.c_str()), 0);
  std::u16string after(needed, u'\0');
  EXPECT_EQ(GetFinalPathNameByHandleW(file, after.data(), needed, 0), needed - 1);
  after.resize(needed - 1);
  EXPECT_EQ(after, expected);
  CloseHandle(file);
  EXPECT_EQ(GetFinalPathNameByHandleW(file, after.data(), needed, 0), 0u);
}

TEST(CodePages, Utf8RoundTripsAndInvalidBytesBecomeReplacementCharacters) {
  const char* text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e-acute, euro, an emoji
  WCHAR out[16];
  int count = MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 16);
  ASSERT_EQ(count, 6);  // 4 characters, the emoji as a surrogate pair, and the terminator
  EXPECT_EQ(out[1], 0xE9);
  EXPECT_EQ(out[2], 0x20AC);
  EXPECT_EQ(out[3], 0xD83D);
  EXPECT_EQ(out[4], 0xDE00);
  char back[32];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, out, -1, back, 32, nullptr, nullptr), 11);
  EXPECT_STREQ(back, text);

  const char bad[] = "\xFF" "a\xC3" "\xE0\x80\x80" "\xED\xA0\x80";  // stray, truncated, overlong, surrogate
  std::u16string decoded = platform::Utf8ToUtf16(bad);
  EXPECT_EQ(decoded.substr(0, 2), u"\xFFFD" u"a");
  for (char16_t c : decoded.substr(2)) EXPECT_EQ(c, 0xFFFD);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, -1, out, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

  const char16_t lone[] = {u'x', 0xD800, u'y', 0};
  EXPECT_EQ(platform::Utf16ToUtf8(lone), "x\xEF\xBF\xBDy");
}

TEST(CodePages, AnsiIsWindows1252) {
  const char bytes[] = "\x80\x9F\xE9\x81";
  WCHAR out[8];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes, 4, out, 8), 4);
  EXPECT_EQ(out[0], 0x20AC);
  EXPECT_EQ(out[1], 0x0178);
  EXPECT_EQ(out[2], 0x00E9);
  EXPECT_EQ(out[3], 0x0081);  // undefined in 1252: the C1 control of the same value
  const WCHAR text[] = {0x20AC, 0x00E9, 0x4E2D, 0};
  char back[8];
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 3, back, 8, nullptr, &usedDefault), 3);
  EXPECT_EQ(std::string(back, 3), "\x80\xE9?");
  EXPECT_TRUE(usedDefault);
}

TEST(CodePages, BufferSizesAreQueriedAndChecked) {
  WCHAR small[2];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "hello", -1, nullptr, 0), 6);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "hello", -1, small, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, small, 2), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "x", 0, small, 2), 0);
}

TEST(Threads, TlsSlotsHoldOneValuePerThread) {
  DWORD slot = TlsAlloc();
  ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
  int here = 1, there = 2;
  TlsSetValue(slot, &here);
  void* seenThere = &here;
  std::thread other([&] {
    seenThere = TlsGetValue(slot);
    TlsSetValue(slot, &there);
  });
  other.join();
  EXPECT_EQ(seenThere, nullptr);
  EXPECT_EQ(TlsGetValue(slot), &here);
  EXPECT_TRUE(TlsFree(slot));
  EXPECT_FALSE(TlsFree(slot));
}

std::atomic<int> g_onceRuns{0};
BOOL CountRun(INIT_ONCE*, void*, void**) {
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ++g_onceRuns;
  return TRUE;
}

TEST(Threads, InitOnceRunsOnceAndEveryCallerWaitsForIt) {
  INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  std::atomic<int> sawDone{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      InitOnceExecuteOnce(&once, CountRun, nullptr, nullptr);
      if (g_onceRuns == 1) ++sawDone;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(g_onceRuns, 1);
  EXPECT_EQ(sawDone, 8);
}

TEST(Threads, CriticalSectionsAreRecursive) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));
  LeaveCriticalSection(&section);
  bool otherGotIn = true;
  std::thread([&] { otherGotIn = TryEnterCriticalSection(&section); }).join();
  EXPECT_FALSE(otherGotIn);
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
}

TEST(Modules, LibrariesAnswerFromThePlatformTable) {
  HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(LoadLibraryW(u"kernel32"), kernel);
  EXPECT_EQ(GetProcAddress(kernel, "InitOnceExecuteOnce"), reinterpret_cast<FARPROC>(&InitOnceExecuteOnce));
  EXPECT_EQ(GetProcAddress(kernel, "NoSuchProcedure"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(kernel));
  EXPECT_TRUE(FreeLibrary(kernel));
  EXPECT_EQ(LoadLibraryW(u"nonexistent.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(0x1234), "x"), nullptr);
  EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
}

TEST(Time, LocalTimeIsAPlausibleCalendarDate) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  EXPECT_GE(now.wYear, 2024);
  EXPECT_GE(now.wMonth, 1);
  EXPECT_LE(now.wMonth, 12);
  ULONGLONG before = GetTickCount64();
  Sleep(15);
  EXPECT_GE(GetTickCount64() - before, 10u);
}

}  // namespace

namespace {

TEST(ProcessHeap, IsOneHeapThatServesAllocations) {
  HANDLE heap = GetProcessHeap();
  ASSERT_NE(heap, nullptr);
  EXPECT_EQ(GetProcessHeap(), heap);
  void* block = HeapAlloc(heap, HEAP_ZERO_MEMORY, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(HeapFree(heap, 0, block));
}

TEST(GlobalMemory, FixedBlocksComeAndGo) {
  auto* block = static_cast<uint8_t*>(GlobalAlloc(GPTR, 32));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(block[i], 0);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
  EXPECT_EQ(GlobalAlloc(0x0002, 8), nullptr);  // moveable memory does not exist here
}

}  // namespace
