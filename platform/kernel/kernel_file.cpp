// Files: CreateFileW and the calls on its handles, DeleteFileW, MoveFileExW, ReplaceFileW and
// _wfopen, over POSIX descriptors. Share modes are enforced between the opens of this process,
// as Windows does, because the runtime relies on an exclusive open keeping a file to itself.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "kernel.h"
#include "kernel_handles.h"

namespace platform {
namespace {

struct FileIdentity {
  dev_t device;
  ino_t inode;
  bool operator<(const FileIdentity& other) const {
    return device != other.device ? device < other.device : inode < other.inode;
  }
};

struct OpenRecord {
  DWORD access;
  DWORD share;
};

std::mutex g_sharingLock;
std::multimap<FileIdentity, OpenRecord> g_openFiles;

bool AccessReads(DWORD access) { return access & GENERIC_READ; }
bool AccessWrites(DWORD access) { return access & GENERIC_WRITE; }

// Whether a new open with (access, share) may coexist with an existing open.
bool Compatible(const OpenRecord& existing, DWORD access, DWORD share) {
  if (AccessReads(access) && !(existing.share & FILE_SHARE_READ)) return false;
  if (AccessWrites(access) && !(existing.share & FILE_SHARE_WRITE)) return false;
  if (AccessReads(existing.access) && !(share & FILE_SHARE_READ)) return false;
  if (AccessWrites(existing.access) && !(share & FILE_SHARE_WRITE)) return false;
  // An open with neither read nor write access still conflicts with share mode 0.
  if (existing.share == 0 || share == 0) return false;
  return true;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
  }
}

struct File : KernelObject {
  int fd = -1;
  FileIdentity identity{};
  bool registered = false;
  std::multimap<FileIdentity, OpenRecord>::iterator record;
  ~File() override {
    if (fd >= 0) ::close(fd);
    if (registered) {
      std::lock_guard<std::mutex> guard(g_sharingLock);
      g_openFiles.erase(record);
    }
  }
};

// Whether this process holds the file open without FILE_SHARE_DELETE, which keeps its name from
// being deleted or replaced.
bool HeldWithoutDeleteSharing(const struct stat& info) {
  std::lock_guard<std::mutex> guard(g_sharingLock);
  auto range = g_openFiles.equal_range({info.st_dev, info.st_ino});
  for (auto it = range.first; it != range.second; ++it) {
    if (!(it->second.share & FILE_SHARE_DELETE)) return true;
  }
  return false;
}

// Makes a rename durable: syncs the directory that now holds the name.
void SyncDirectoryOf(const std::string& path) {
  std::string dir = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

std::shared_ptr<File> FileOf(HANDLE handle) {
  auto file = KernelHandleAs<File>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

}  // namespace

HANDLE FileHandleFromDescriptor(int fd) {
  if (fd < 0) return nullptr;
  auto file = std::make_shared<File>();
  file->fd = fd;
  return KernelHandleNew(file);
}

int FileDescriptor(HANDLE handle) {
  auto file = KernelHandleAs<File>(handle);
  return file ? file->fd : -1;
}

}  // namespace platform

using platform::File;
using platform::FileOf;

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void*, DWORD creationDisposition,
                   DWORD, HANDLE) {
  if (fileName == nullptr || fileName[0] == 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = platform::Utf16ToUtf8(fileName);
  bool reads = desiredAccess & GENERIC_READ;
  bool writes = desiredAccess & GENERIC_WRITE;
  int flags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
  bool truncate = false;
  switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT; truncate = true; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!writes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      truncate = true;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  bool existed = ::access(path.c_str(), F_OK) == 0;
  auto file = std::make_shared<File>();
  file->fd = ::open(path.c_str(), flags, 0666);
  if (file->fd < 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat info {};
  if (::fstat(file->fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  file->identity = {info.st_dev, info.st_ino};
  {
    // Sharing is decided before anything is truncated, so a refused open leaves the file alone.
    std::lock_guard<std::mutex> guard(platform::g_sharingLock);
    auto range = platform::g_openFiles.equal_range(file->identity);
    for (auto it = range.first; it != range.second; ++it) {
      if (!platform::Compatible(it->second, desiredAccess, shareMode)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
      }
    }
    file->record = platform::g_openFiles.emplace(file->identity, platform::OpenRecord{desiredAccess, shareMode});
    file->registered = true;
  }
  if (truncate && info.st_size != 0 && ::ftruncate(file->fd, 0) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = platform::KernelHandleNew(file);
  if (handle == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  bool reportsExisting = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead, void*) {
  if (bytesRead) *bytesRead = 0;
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (buffer == nullptr && bytesToRead > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t got = ::read(file->fd, static_cast<char*>(buffer) + done, bytesToRead - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_READ_FAULT);
      if (bytesRead) *bytesRead = done;
      return FALSE;
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten, void*) {
  if (bytesWritten) *bytesWritten = 0;
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (buffer == nullptr && bytesToWrite > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t put = ::write(file->fd, static_cast<const char*>(buffer) + done, bytesToWrite - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_WRITE_FAULT);
      if (bytesWritten) *bytesWritten = done;
      return FALSE;
    }
    done += static_cast<DWORD>(put);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPointer, DWORD moveMethod) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : moveMethod == FILE_END ? SEEK_END : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  off_t at = ::lseek(file->fd, static_cast<off_t>(distance.QuadPart), whence);
  if (at < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // a position before the start of the file
    return FALSE;
  }
  if (newPointer) newPointer->QuadPart = at;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  LARGE_INTEGER move;
  // Without a high part the distance is a signed 32-bit value; with one, the two form 64 bits.
  move.QuadPart = distanceHigh ? static_cast<LONGLONG>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                                      static_cast<uint32_t>(distance))
                               : distance;
  LARGE_INTEGER result{};
  if (!SetFilePointerEx(handle, move, &result, moveMethod)) return INVALID_SET_FILE_POINTER;
  if (distanceHigh) *distanceHigh = result.u.HighPart;
  SetLastError(ERROR_SUCCESS);
  return result.u.LowPart;
}

BOOL SetEndOfFile(HANDLE handle) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  off_t at = ::lseek(file->fd, 0, SEEK_CUR);
  if (at < 0 || ::ftruncate(file->fd, at) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
  auto file = FileOf(handle);
  if (!file || size == nullptr) return FALSE;
  struct stat info {};
  if (::fstat(file->fd, &info) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  size->QuadPart = info.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* fileSizeHigh) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) return INVALID_FILE_SIZE;
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size.u.HighPart);
  SetLastError(ERROR_SUCCESS);
  return size.u.LowPart;
}

BOOL FlushFileBuffers(HANDLE handle) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (::fsync(file->fd) != 0 && errno != EINVAL) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string path = platform::Utf16ToUtf8(fileName);
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    // A file this process holds open without FILE_SHARE_DELETE cannot be deleted.
    if (platform::HeldWithoutDeleteSharing(info)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
  }
  if (::unlink(path.c_str()) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR existingName, LPCWSTR newName, DWORD flags) {
  if (existingName == nullptr || newName == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string from = platform::Utf16ToUtf8(existingName);
  std::string to = platform::Utf16ToUtf8(newName);
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::access(to.c_str(), F_OK) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (::rename(from.c_str(), to.c_str()) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return FALSE;
  }
  if (flags & MOVEFILE_WRITE_THROUGH) platform::SyncDirectoryOf(to);
  return TRUE;
}

BOOL ReplaceFileW(LPCWSTR replacedName, LPCWSTR replacementName, LPCWSTR backupName, DWORD flags, void*, void*) {
  if (replacedName == nullptr || replacementName == nullptr || backupName != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string replaced = platform::Utf16ToUtf8(replacedName);
  std::string replacement = platform::Utf16ToUtf8(replacementName);
  struct stat old {};
  struct stat fresh {};
  if (::stat(replaced.c_str(), &old) != 0 || ::stat(replacement.c_str(), &fresh) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return FALSE;
  }
  if (!S_ISREG(old.st_mode) || !S_ISREG(fresh.st_mode) || ::access(replaced.c_str(), W_OK) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);  // a directory, or a file the user protected from writing
    return FALSE;
  }
  if (platform::HeldWithoutDeleteSharing(old) || platform::HeldWithoutDeleteSharing(fresh)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  // The new content takes the old file's permissions and owner; an owner this process may not
  // give away stays its own, and the group is then still tried on its own.
  if (::chmod(replacement.c_str(), old.st_mode & 07777) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return FALSE;
  }
  if ((old.st_uid != fresh.st_uid || old.st_gid != fresh.st_gid) &&
      ::chown(replacement.c_str(), old.st_uid, old.st_gid) != 0) {
    (void)::chown(replacement.c_str(), static_cast<uid_t>(-1), old.st_gid);
  }
  if (::rename(replacement.c_str(), replaced.c_str()) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return FALSE;
  }
  if (flags & REPLACEFILE_WRITE_THROUGH) platform::SyncDirectoryOf(replaced);
  return TRUE;
}

DWORD GetFinalPathNameByHandleW(HANDLE handle, LPWSTR path, DWORD pathChars, DWORD) {
  auto file = FileOf(handle);
  if (!file) return 0;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", file->fd);
  std::string target(4096, '\0');
  ssize_t length = ::readlink(link, target.data(), target.size());
  if (length <= 0 || static_cast<size_t>(length) >= target.size()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  target.resize(static_cast<size_t>(length));
  // A file whose last name was removed is still open; the kernel marks its old path.
  struct stat info {};
  const std::string removed = " (deleted)";
  if (::fstat(file->fd, &info) == 0 && info.st_nlink == 0 && target.size() > removed.size() &&
      target.compare(target.size() - removed.size(), removed.size(), removed) == 0) {
    target.resize(target.size() - removed.size());
  }
  std::u16string wide = platform::Utf8ToUtf16(target.c_str());
  if (path == nullptr || pathChars <= wide.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<DWORD>(wide.size() + 1);
  }
  std::memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return static_cast<DWORD>(wide.size());
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  if (fileName == nullptr) return INVALID_FILE_ATTRIBUTES;
  struct stat info {};
  if (::stat(platform::Utf16ToUtf8(fileName).c_str(), &info) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (::access(platform::Utf16ToUtf8(fileName).c_str(), W_OK) != 0) attributes = FILE_ATTRIBUTE_READONLY;
  return attributes;
}

FILE* _wfopen(const WCHAR* fileName, const WCHAR* mode) {
  if (fileName == nullptr || mode == nullptr) return nullptr;
  std::string path = platform::Utf16ToUtf8(fileName);
  std::string how = platform::Utf16ToUtf8(mode);
  // Text/binary and sharing letters mean nothing here; keep the access letters only.
  std::string access;
  for (char c : how) {
    if (c == 'r' || c == 'w' || c == 'a' || c == '+' || c == 'x') access += c;
  }
  if (access.empty()) return nullptr;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
  return std::fopen(path.c_str(), access.c_str());
}
