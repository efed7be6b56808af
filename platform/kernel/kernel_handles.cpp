// The kernel handle table and CloseHandle. Handles are counters that are never reused, so a
// handle closed once can never come to name another object.
#include <mutex>
#include <unordered_map>

#include "kernel.h"
#include "kernel_handles.h"

namespace platform {
namespace {

std::mutex g_handlesLock;
std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>>* g_handles;
uintptr_t g_nextHandle = 0x1000;

std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>>& Handles() {
  // Deliberately never destroyed: handles may still be closed from static destructors.
  if (g_handles == nullptr) g_handles = new std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>>;
  return *g_handles;
}

}  // namespace

HANDLE KernelHandleNew(std::shared_ptr<KernelObject> object) {
  std::lock_guard<std::mutex> guard(g_handlesLock);
  g_nextHandle += 4;
  Handles()[g_nextHandle] = std::move(object);
  return reinterpret_cast<HANDLE>(g_nextHandle);
}

std::shared_ptr<KernelObject> KernelHandleGet(HANDLE handle) {
  std::lock_guard<std::mutex> guard(g_handlesLock);
  auto it = Handles().find(reinterpret_cast<uintptr_t>(handle));
  return it == Handles().end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> KernelHandleRemove(HANDLE handle) {
  std::lock_guard<std::mutex> guard(g_handlesLock);
  auto it = Handles().find(reinterpret_cast<uintptr_t>(handle));
  if (it == Handles().end()) return nullptr;
  auto object = std::move(it->second);
  Handles().erase(it);
  return object;
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
  auto object = platform::KernelHandleGet(handle);
  if (!object || !object->Close()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  platform::KernelHandleRemove(handle);
  return TRUE;
}
