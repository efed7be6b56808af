// A folder in which no new file can be made while the files already in it stay writable, as a
// user's read-only settings folder is. Permissions do not stop the superuser, so a test running
// as root seals the folder with the file system's immutable flag instead; either way the seal is
// proved by trying to make a file, and lifted again when the object goes.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

class SealedFolder {
 public:
  explicit SealedFolder(std::string path) : path_(std::move(path)) {
    if (::geteuid() == 0) {
      SetImmutable(true);
    } else {
      ::chmod(path_.c_str(), 0555);
    }
    std::string probe = path_ + "/.probe";
    int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
    sealed_ = fd < 0;
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
    }
  }
  ~SealedFolder() {
    if (::geteuid() == 0) SetImmutable(false);
    ::chmod(path_.c_str(), 0755);
  }
  SealedFolder(const SealedFolder&) = delete;
  SealedFolder& operator=(const SealedFolder&) = delete;

  // False where the file system offers no way to seal the folder (the test then says so).
  bool sealed() const { return sealed_; }

 private:
  void SetImmutable(bool on) {
    int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
  }

  std::string path_;
  bool sealed_ = false;
};
