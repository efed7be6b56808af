// The current preference file's life: the state block, creating and opening a file (with the
// fall-backs an unopenable file gets), closing and flushing, and the entry list all of it builds.
#include "pref.h"

#include <cstring>

#include "heap.h"
#include "library_state.h"
#include "pref_state.h"
#include "string_runtime.h"

namespace {

PrefState* g_pref = nullptr;

// Entries come from a pool of their own, so that a file of many lines costs few heap calls and
// the whole list goes with one release.
constexpr int64_t kEntryFirstBlock = 32;
constexpr int64_t kEntryLargestBlock = 4096;

// Releases everything the current file holds and returns the state to zeroed (closed), without
// writing anything.
void PrefForget(PrefState* state) {
  for (PrefEntry* entry = state->first; entry; entry = entry->next) {
    if (entry->ownsKey) MainHeapFree(entry->key);
    if (entry->ownsValue) MainHeapFree(entry->value);
  }
  if (state->entryPool) PoolRelease(state->entryPool);
  if (state->file) CloseHandle(state->file);
  MainHeapFree(state->text);
  MainHeapFree(state->fileName);
  std::memset(state, 0, sizeof *state);
}

struct OpenAttempt {
  DWORD access;
  DWORD share;
};

// Read and write first; then reading alone, first keeping writers out and then alongside them.
constexpr OpenAttempt kOpenAttempts[] = {
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ},
    {GENERIC_READ, FILE_SHARE_READ},
    {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE},
};

}  // namespace

PrefState* PrefCurrentState() { return g_pref; }

void PrefInit() { g_pref = static_cast<PrefState*>(LibraryStateNew(sizeof(PrefState), nullptr, nullptr)); }

void PrefShutdown() { PrefClose(); }

char16_t* PrefCopyName(const char16_t* name) {
  int64_t length = StrLen(name);
  auto* copy = static_cast<char16_t*>(MainHeapAlloc(static_cast<size_t>(length + 1) * sizeof(char16_t)));
  if (copy && length) std::memcpy(copy, name, static_cast<size_t>(length) * sizeof(char16_t));
  return copy;
}

void PrefAdoptFile(PrefState* state, HANDLE file, const char16_t* fileName) {
  state->file = file;
  char16_t* name = nullptr;
  DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
  if (needed > 0) {
    name = static_cast<char16_t*>(MainHeapAlloc(static_cast<size_t>(needed) * sizeof(char16_t)));
    if (name && GetFinalPathNameByHandleW(file, name, needed, FILE_NAME_NORMALIZED) + 1 != needed) {
      MainHeapFree(name);
      name = nullptr;
    }
  }
  if (name == nullptr) name = PrefCopyName(fileName);
  // Keep the name there was when no new one could be had: the file stays current either way.
  if (name == nullptr) return;
  MainHeapFree(state->fileName);
  state->fileName = name;
}

PrefEntry* PrefEntryNew(PrefState* state, int32_t kind) {
  if (state->entryPool == nullptr) {
    state->entryPool = PoolCreate(sizeof(PrefEntry), kEntryFirstBlock, kEntryLargestBlock, 0);
    if (state->entryPool == nullptr) return nullptr;
  }
  auto* entry = static_cast<PrefEntry*>(PoolAllocZeroed(state->entryPool));
  if (entry) entry->kind = kind;
  return entry;
}

void PrefEntryLink(PrefState* state, PrefEntry* entry, PrefEntry* before) {
  entry->next = before;
  entry->previous = before ? before->previous : state->last;
  if (entry->previous) {
    entry->previous->next = entry;
  } else {
    state->first = entry;
  }
  if (before) {
    before->previous = entry;
  } else {
    state->last = entry;
  }
}

int64_t PrefCreate(const char16_t* fileName, int64_t flags) {
  PrefClose();
  PrefState* state = g_pref;
  if (state == nullptr) return 0;
  // The file is opened, not truncated: its old content stays on disk until the write-out puts
  // the new content in its place, so a crash before the close loses nothing.
  HANDLE file = CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  LARGE_INTEGER size{};
  bool hasContent = existed && (!GetFileSizeEx(file, &size) || size.QuadPart != 0);
  PrefAdoptFile(state, file, fileName);
  if (state->fileName == nullptr) {
    PrefForget(state);
    return 0;
  }
  state->encoding = kPrefUtf8;
  state->flags = flags;
  state->emptyPending = hasContent;
  return 1;
}

int64_t PrefOpen(const char16_t* fileName, int64_t flags) {
  PrefClose();
  PrefState* state = g_pref;
  if (state == nullptr) return 0;
  HANDLE file = INVALID_HANDLE_VALUE;
  size_t attempt = 0;
  for (; attempt < sizeof kOpenAttempts / sizeof kOpenAttempts[0]; ++attempt) {
    file = CreateFileW(fileName, kOpenAttempts[attempt].access, kOpenAttempts[attempt].share, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    // Writes are still collected; the write-out creates the file under this name.
    state->fileName = PrefCopyName(fileName);
    state->pending = state->fileName != nullptr;
    state->encoding = kPrefUtf8;
    state->flags = flags;
    return 0;
  }
  if (!PrefLoad(state, file)) {
    // A file that could not be read is left closed, so that no write-out replaces content that
    // was never seen.
    CloseHandle(file);
    PrefForget(state);
    return 0;
  }
  PrefAdoptFile(state, file, fileName);
  if (state->fileName == nullptr) {
    PrefForget(state);
    return 0;
  }
  state->readOnly = attempt > 0;
  state->flags = flags;
  return 1;
}

void PrefClose() {
  PrefState* state = g_pref;
  if (state == nullptr) return;
  PrefWriteOut(state);
  PrefForget(state);
}

int64_t PrefFlush() { return g_pref ? PrefWriteOut(g_pref) : 0; }
