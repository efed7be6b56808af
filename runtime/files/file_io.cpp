// Whole-count reads and writes: ReadFile and WriteFile take 32-bit counts, so a larger request
// is passed on in pieces of 1 GiB, and a short read or a failure ends it.
#include "file_io.h"

namespace {

constexpr int64_t kPiece = int64_t{1} << 30;

}  // namespace

int64_t FileReadBytes(HANDLE file, void* destination, int64_t count) {
  if (destination == nullptr || count < 1) return 0;
  auto* at = static_cast<char*>(destination);
  int64_t done = 0;
  while (done < count) {
    DWORD want = static_cast<DWORD>(count - done < kPiece ? count - done : kPiece);
    DWORD got = 0;
    BOOL ok = ReadFile(file, at + done, want, &got, nullptr);
    done += got;
    if (!ok || got < want) break;
  }
  return done;
}

bool FileWriteBytes(HANDLE file, const void* source, int64_t count) {
  if (count < 1) return true;
  if (source == nullptr) return false;
  const auto* at = static_cast<const char*>(source);
  int64_t done = 0;
  while (done < count) {
    DWORD want = static_cast<DWORD>(count - done < kPiece ? count - done : kPiece);
    DWORD put = 0;
    if (!WriteFile(file, at + done, want, &put, nullptr) || put != want) return false;
    done += put;
  }
  return true;
}
