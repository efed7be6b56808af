// Kernel object handles inside the platform layer: every object a HANDLE names (files today,
// threads and processes later) derives from KernelObject and is found through one table, so a
// stale or made-up handle is refused instead of followed.
#pragma once

#include <memory>

#include "windows_types.h"

namespace platform {

struct KernelObject {
  virtual ~KernelObject() = default;
  // Called by CloseHandle before the object is dropped; false refuses the close.
  virtual bool Close() { return true; }
};

// Registers the object and returns its new handle.
HANDLE KernelHandleNew(std::shared_ptr<KernelObject> object);
// The live object behind a handle, or null.
std::shared_ptr<KernelObject> KernelHandleGet(HANDLE handle);
// Removes the handle; returns the object it named, or null for an unknown handle.
std::shared_ptr<KernelObject> KernelHandleRemove(HANDLE handle);

// A file handle over an open descriptor, which the handle then owns (pipe ends, for instance).
HANDLE FileHandleFromDescriptor(int fd);
// The descriptor behind a file handle, or -1.
int FileDescriptor(HANDLE handle);

template <class T>
std::shared_ptr<T> KernelHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(KernelHandleGet(handle));
}

}  // namespace platform
