// The sequential file library: the file registry, opening files for reading, their size, the
// buffered read, and closing, which writes out whatever the buffer still holds.
#include "file.h"

#include <cstring>

#include "constants.h"
#include "file_io.h"
#include "file_object.h"
#include "heap.h"
#include "registry.h"

namespace {

ObjectRegistry* g_files = nullptr;
constexpr int64_t kFileGrowth = 16;

// Writes out bytes the buffer holds for writing, so that a read or a size sees them; the buffer
// then holds nothing.
void WritePending(FileObject* file) {
  if (file->buffer == nullptr || file->clean) return;
  FileWriteBytes(file->handle, file->buffer, file->bufferSize - file->freeOrUnread);
  file->clean = 1;
  file->freeOrUnread = 0;
  file->valid = 0;
}

}  // namespace

FileObject* FileObjectGet(int64_t file) {
  return g_files ? static_cast<FileObject*>(ObjectGet(g_files, file)) : nullptr;
}

void FileInit() { g_files = ObjectRegistryCreate(sizeof(FileObject), kFileGrowth, FileClose); }

void FileShutdown() {
  if (g_files == nullptr) return;
  FileClose(CV_Any);
  ObjectRegistryDestroy(g_files);
  g_files = nullptr;
}

int64_t FileOpenRead(int64_t number, const char16_t* fileName) {
  if (g_files == nullptr || (number < 0 && number != CV_Any)) return 0;
  auto* file = static_cast<FileObject*>(ObjectNew(g_files, number));
  if (file == nullptr) return 0;
  int64_t id = number == CV_Any ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(file)) : number;
  HANDLE handle = CreateFileW(fileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    ObjectRelease(g_files, id);
    return 0;
  }
  file->handle = handle;
  // Without memory for a buffer the file is still usable, read straight from the system.
  file->buffer = static_cast<unsigned char*>(MainHeapAlloc(kFileBufferSize));
  file->bufferSize = file->buffer ? kFileBufferSize : 0;
  file->freeOrUnread = 0;
  file->valid = 0;
  file->clean = 1;
  file->stringFormat = kFileFormatUtf8;
  return number == CV_Any ? id : static_cast<int64_t>(reinterpret_cast<uintptr_t>(handle));
}

int64_t FileGetSize(int64_t id) {
  FileObject* file = FileObjectGet(id);
  if (file == nullptr) return -1;
  WritePending(file);
  DWORD high = 0;
  DWORD low = GetFileSize(file->handle, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

int64_t FileRead(int64_t id, void* destination, int64_t count) {
  FileObject* file = FileObjectGet(id);
  if (file == nullptr || destination == nullptr || count < 1) return 0;
  if (file->buffer == nullptr) return FileReadBytes(file->handle, destination, count);
  WritePending(file);
  auto* out = static_cast<unsigned char*>(destination);
  if (file->freeOrUnread >= count) {
    std::memcpy(out, file->buffer + (file->valid - file->freeOrUnread), static_cast<size_t>(count));
    file->freeOrUnread -= static_cast<int32_t>(count);
    return count;
  }
  int64_t copied = file->freeOrUnread;
  std::memcpy(out, file->buffer + (file->valid - file->freeOrUnread), static_cast<size_t>(copied));
  file->freeOrUnread = 0;
  int64_t rest = count - copied;
  // A request as large as the buffer gains nothing from it: it goes straight to the destination.
  if (rest >= file->bufferSize) return copied + FileReadBytes(file->handle, out + copied, rest);
  file->valid = static_cast<int32_t>(FileReadBytes(file->handle, file->buffer, file->bufferSize));
  int64_t taken = file->valid < rest ? file->valid : rest;
  std::memcpy(out + copied, file->buffer, static_cast<size_t>(taken));
  file->freeOrUnread = file->valid - static_cast<int32_t>(taken);
  return copied + taken;
}

void FileClose(int64_t id) {
  if (g_files == nullptr) return;
  if (id == CV_Any) {
    ObjectFreeAll(g_files);
    return;
  }
  FileObject* file = FileObjectGet(id);
  if (file == nullptr) return;
  WritePending(file);
  MainHeapFree(file->buffer);
  CloseHandle(file->handle);
  ObjectRelease(g_files, id);
}
