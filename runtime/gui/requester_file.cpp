// The open-file and save-file requesters and the reading of a multi-selection. The chosen path
// comes back on the temporary string stack; the buffers the dialog wrote into live until the
// next requester (a multi-selection's until all its names were read).
#include <algorithm>

#include "core/heap.h"
#include "core/string_runtime.h"
#include "dialogs.h"
#include "requester.h"
#include "requester_internal.h"

namespace {

constexpr int64_t kSingleChars = 260;
constexpr int64_t kMultiChars = 512000;

struct FileRequesterState {
  char16_t* single = nullptr;
  char16_t* multi = nullptr;
  int64_t multiPosition = 0;      // index of the next name in `multi`, 0 when none is kept
  char16_t* multiDirectory = nullptr;  // with its trailing separator
  int64_t selectedPattern = -1;
};
FileRequesterState g_files;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

void FreeMulti() {
  MainHeapFree(g_files.multi);
  MainHeapFree(g_files.multiDirectory);
  g_files.multi = nullptr;
  g_files.multiDirectory = nullptr;
  g_files.multiPosition = 0;
}

// A zeroed buffer of `chars` characters with two spare terminators behind it, so that a reader
// walking NUL-separated names always stops inside it.
char16_t* NewTextBuffer(int64_t chars) {
  return static_cast<char16_t*>(MainHeapAlloc(static_cast<size_t>(chars + 2) * sizeof(char16_t)));
}

// Writes a + b onto the temporary stack at `start`. Neither lies on the stack.
const char16_t* JoinedResult(const char16_t* a, int64_t aLength, const char16_t* b, int64_t bLength, int64_t start) {
  char16_t* out = StrTempReserve(aLength + bLength, start);
  if (out == nullptr) return u"";
  std::copy(a, a + aLength, out);
  StrCopyChars(out + aLength, b, bLength);
  return out;
}

const char16_t* EmptyResult(int64_t start) { return JoinedResult(u"", 0, u"", 0, start); }

// "Settings|*.ini|all|*.*" as the dialog's filter list: every "|" a NUL, two NULs at the end.
char16_t* FilterList(const char16_t* pattern) {
  int64_t length = StrLen(pattern);
  auto* filter = NewTextBuffer(length);
  if (filter == nullptr) return nullptr;
  for (int64_t i = 0; i < length; ++i) filter[i] = pattern[i] == u'|' ? 0 : pattern[i];
  return filter;
}

const char16_t* FileRequester(const char16_t* title, const char16_t* defaultFile, const char16_t* pattern,
                              int64_t patternPosition, bool multiSelection, bool save, int64_t start) {
  g_files.selectedPattern = -1;
  if (!save) FreeMulti();
  MainHeapFree(g_files.single);
  g_files.single = nullptr;

  int64_t bufferChars = multiSelection ? kMultiChars : kSingleChars;
  char16_t* buffer = NewTextBuffer(bufferChars);
  char16_t* filter = FilterList(pattern);
  char16_t* directory = nullptr;
  // Default file: the folder before its last separator is where the dialog opens, the rest is
  // the name it preselects. A name that cannot be a file name is not preselected.
  int64_t defaultLength = StrLen(defaultFile);
  int64_t cut = defaultLength;
  while (cut > 0 && !IsSeparator(defaultFile[cut - 1])) --cut;
  if (buffer != nullptr && cut > 0) {
    // A file right under the root keeps the root as its folder.
    int64_t directoryLength = cut > 1 ? cut - 1 : 1;
    directory = NewTextBuffer(directoryLength);
    if (directory != nullptr) StrCopyChars(directory, defaultFile, directoryLength);
  }
  bool allocated = buffer != nullptr && filter != nullptr && (cut == 0 || directory != nullptr);
  if (allocated && FileNameIsValid(defaultFile + cut)) {
    StrCopyChars(buffer, defaultFile + cut, std::min(defaultLength - cut, bufferChars - 1));
  }
  if (!allocated) {
    MainHeapFree(buffer);
    MainHeapFree(filter);
    MainHeapFree(directory);
    return EmptyResult(start);
  }

  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = RequesterOwner();
  request.lpstrFilter = filter;
  // Positions beyond what the dialog can count start with its first filter.
  request.nFilterIndex = (patternPosition >= 0 && patternPosition < 0xFFFFFFFFLL) ? static_cast<DWORD>(patternPosition + 1) : 0;
  request.lpstrFile = buffer;
  request.nMaxFile = static_cast<DWORD>(bufferChars);
  request.lpstrInitialDir = (directory != nullptr && directory[0] != 0) ? directory : nullptr;
  request.lpstrTitle = title;
  request.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (multiSelection) request.Flags |= OFN_ALLOWMULTISELECT;

  ModalWindowsEnter();
  BOOL chosen = save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request);
  ModalWindowsLeave();
  MainHeapFree(filter);
  MainHeapFree(directory);

  if (!chosen) {
    MainHeapFree(buffer);
    return EmptyResult(start);
  }
  g_files.selectedPattern = static_cast<int64_t>(request.nFilterIndex) - 1;
  if (!multiSelection) {
    g_files.single = buffer;
    return JoinedResult(u"", 0, buffer, StrLen(buffer), start);
  }
  // Several names: the folder, a NUL, then each name with its NUL. One name: a full path.
  int64_t firstLength = StrLen(buffer);
  const char16_t* second = buffer + firstLength + 1;
  if (*second == 0) {
    const char16_t* result = JoinedResult(u"", 0, buffer, firstLength, start);
    MainHeapFree(buffer);
    return result;
  }
  // The folder keeps the separator style it came with: a Linux folder ends with "/".
  bool slashes = std::find(buffer, buffer + firstLength, u'/') != buffer + firstLength;
  bool ends = firstLength > 0 && IsSeparator(buffer[firstLength - 1]);
  int64_t directoryLength = firstLength + (ends ? 0 : 1);
  g_files.multiDirectory = NewTextBuffer(directoryLength);
  if (g_files.multiDirectory == nullptr) {
    MainHeapFree(buffer);
    return EmptyResult(start);
  }
  StrCopyChars(g_files.multiDirectory, buffer, firstLength);
  if (!ends) g_files.multiDirectory[firstLength] = slashes ? u'/' : u'\\';
  g_files.multi = buffer;
  int64_t secondLength = StrLen(second);
  g_files.multiPosition = (second - buffer) + secondLength + 1;
  return JoinedResult(g_files.multiDirectory, directoryLength, second, secondLength, start);
}

}  // namespace

void RequesterFilesForget() { g_files = FileRequesterState{}; }

int64_t FileNameIsValid(const char16_t* name) {
  if (name == nullptr || name[0] == 0) return 0;
  for (const char16_t* at = name; *at; ++at) {
    char16_t c = *at;
    if (c < 32) return 0;
    for (char16_t bad : u"\"*/:<>?\\|") {
      if (bad != 0 && c == bad) return 0;
    }
  }
  return 1;
}

const char16_t* RequesterOpenFile(const char16_t* title, const char16_t* defaultFile, const char16_t* pattern,
                                  int64_t patternPosition, int64_t flags, int64_t start) {
  return FileRequester(title, defaultFile, pattern, patternPosition, (flags & CV_Requester_MultiSelection) != 0,
                       false, start);
}

const char16_t* RequesterSaveFile(const char16_t* title, const char16_t* defaultFile, const char16_t* pattern,
                                  int64_t patternPosition, int64_t start) {
  return FileRequester(title, defaultFile, pattern, patternPosition, false, true, start);
}

const char16_t* RequesterNextFile(int64_t start) {
  if (g_files.multi != nullptr && g_files.multiPosition > 0 && g_files.multiPosition < kMultiChars &&
      g_files.multi[g_files.multiPosition] != 0) {
    const char16_t* name = g_files.multi + g_files.multiPosition;
    int64_t nameLength = StrLen(name);
    g_files.multiPosition += nameLength + 1;
    return JoinedResult(g_files.multiDirectory, StrLen(g_files.multiDirectory), name, nameLength, start);
  }
  FreeMulti();
  return EmptyResult(start);
}

int64_t RequesterSelectedPattern() { return g_files.selectedPattern; }
