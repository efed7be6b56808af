// Writing the current preference file out: the whole file is built in one buffer (byte-order
// mark, CR LF line ends, groups and comments in their order), written to a new file beside the
// target, flushed, and then put in the target's place, so that a crash or a full disk leaves
// either the old file or the new one on disk, never a part of one. Where no new file can be made
// beside it (a folder the user may not add to), a writable file is rewritten in place instead.
#include <cstdio>
#include <cstring>
#include <random>

#include "file_io.h"
#include "heap.h"
#include "pref.h"
#include "pref_state.h"
#include "string_runtime.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";
// How many names the write-out tries for its new file before it gives up; a name is taken only
// when it is free, so a file left by an earlier crash, or another program saving the same
// settings at the same moment, is never overwritten. After the first, the names are drawn at
// random from two thousand million, so files left behind by killed programs never use them up.
constexpr int kTemporaryNames = 64;
constexpr uint32_t kTemporaryNumbers = 2000000000;

class TextBuilder {
 public:
  explicit TextBuilder(char* out) : out_(out) {}
  void Add(const char* text, int64_t bytes) {
    if (out_) std::memcpy(out_ + size_, text, static_cast<size_t>(bytes));
    size_ += bytes;
  }
  void Add(const char* text) { Add(text, static_cast<int64_t>(std::strlen(text))); }
  int64_t size() const { return size_; }

 private:
  char* out_;
  int64_t size_ = 0;
};

// Lays the file out; with no output buffer it only counts the bytes.
void LayOut(const PrefState* state, TextBuilder& text) {
  if (state->encoding == kPrefUtf8) {
    text.Add(kByteOrderMark);
    text.Add(kLineEnd);
  }
  bool firstGroup = true;
  for (const PrefEntry* entry = state->first; entry; entry = entry->next) {
    switch (entry->kind) {
      case kPrefGroup:
        if ((state->flags & CV_Pref_GroupSeparator) && !firstGroup) text.Add(kLineEnd);
        firstGroup = false;
        text.Add("[");
        text.Add(entry->value);
        text.Add("]");
        break;
      case kPrefComment:
        text.Add("; ");
        text.Add(entry->value);
        break;
      default:
        text.Add(entry->key);
        text.Add(state->flags & CV_Pref_NoSpaces ? "=" : " = ");
        text.Add(entry->value);
        break;
    }
    text.Add(kLineEnd);
  }
}

// The file's new content in a main-heap block (*size bytes); null with *size 0 for an empty
// file, and null with *size -1 when out of memory.
char* BuildText(const PrefState* state, int64_t* size) {
  *size = 0;
  // A file created over an old one and never written to is written out empty.
  if (!state->modified) return nullptr;
  TextBuilder counter(nullptr);
  LayOut(state, counter);
  if (counter.size() == 0) return nullptr;
  auto* buffer = static_cast<char*>(MainHeapAlloc(static_cast<size_t>(counter.size())));
  if (buffer == nullptr) {
    *size = -1;
    return nullptr;
  }
  TextBuilder writer(buffer);
  LayOut(state, writer);
  *size = writer.size();
  return buffer;
}

// The number of the n-th name tried for a new file: 1 first, then numbers drawn at random.
uint32_t TemporaryNumber(int attempt) {
  static std::mt19937 numbers{std::random_device{}()};
  if (attempt == 0) return 1;
  return 2 + numbers() % (kTemporaryNumbers - 2);
}

// Creates a file of a name not yet taken beside the target: the target's name followed by
// ".~" and a number. Its name goes to *name (a main-heap block). On failure the last error says
// why: ERROR_FILE_EXISTS only when every name tried was taken.
HANDLE CreateBeside(const char16_t* target, char16_t** name) {
  int64_t length = StrLen(target);
  constexpr int64_t kSuffix = 2 + 10 + 1;  // ".~", up to ten digits, the terminator
  auto* candidate = static_cast<char16_t*>(MainHeapAlloc(static_cast<size_t>(length + kSuffix) * sizeof(char16_t)));
  if (candidate == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  std::memcpy(candidate, target, static_cast<size_t>(length) * sizeof(char16_t));
  for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
    char digits[12];
    int count = std::snprintf(digits, sizeof digits, "%u", TemporaryNumber(attempt));
    char16_t* at = candidate + length;
    *at++ = u'.';
    *at++ = u'~';
    for (int i = 0; i < count; ++i) *at++ = static_cast<char16_t>(digits[i]);
    *at = 0;
    HANDLE file = CreateFileW(candidate, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      *name = candidate;
      return file;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  DWORD error = GetLastError();
  MainHeapFree(candidate);
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Writes the content over the target itself, for a folder in which no new file can be made: the
// file keeps its identity, and a failure part way can leave it cut short, which is why this is
// only the fall-back. A target that is missing, not a plain file or not writable stays as it was.
bool RewriteInPlace(const char16_t* target, const char* content, int64_t size) {
  HANDLE file = CreateFileW(target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = FileWriteBytes(file, content, size) && SetEndOfFile(file) && FlushFileBuffers(file);
  CloseHandle(file);
  return written;
}

// Writes the content to a new file beside the target and puts it in the target's place. The
// replacement keeps the target's permissions and owner; a target that is missing is created by
// the rename, and one that cannot be replaced (protected, a directory, held open by someone who
// does not share it) stays exactly as it was. The new file never outlives a failed write-out.
bool ReplaceTarget(const char16_t* target, const char* content, int64_t size) {
  char16_t* temporary = nullptr;
  HANDLE file = CreateBeside(target, &temporary);
  if (file == INVALID_HANDLE_VALUE) {
    // Only a folder that refuses new files sends the content over the old one: a full disk or a
    // lack of memory would make the rewrite itself likely to fail half way.
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    return RewriteInPlace(target, content, size);
  }
  bool written = FileWriteBytes(file, content, size) && FlushFileBuffers(file);
  CloseHandle(file);
  bool placed = written && ReplaceFileW(target, temporary, nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr);
  if (written && !placed && GetLastError() == ERROR_FILE_NOT_FOUND) {
    // No file to replace (never created, or removed since it was opened): the new one takes the
    // name, unless something has taken it in the meantime.
    placed = MoveFileExW(temporary, target, MOVEFILE_WRITE_THROUGH);
  }
  if (!placed) DeleteFileW(temporary);
  MainHeapFree(temporary);
  return placed;
}

// Opens the file under its name again and holds it, for reading and writing when it may be
// written, else for reading; with neither, the file stays current under its name alone.
void HoldAgain(PrefState* state) {
  state->readOnly = 0;
  const DWORD accesses[] = {GENERIC_READ | GENERIC_WRITE, GENERIC_READ};
  for (DWORD access : accesses) {
    HANDLE file = CreateFileW(state->fileName, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      PrefAdoptFile(state, file, state->fileName);
      state->readOnly = access == GENERIC_READ;
      state->pending = 0;
      return;
    }
  }
}

}  // namespace

int64_t PrefWriteOut(PrefState* state) {
  if (state == nullptr || state->fileName == nullptr) return 0;
  if (!state->modified && !state->emptyPending) return 0;
  if (state->fileName[0] == 0) return 0;
  int64_t size = 0;
  char* content = BuildText(state, &size);
  if (size < 0) return 0;
  // Our own handle would keep the name from being replaced; it is let go for the moment of the
  // replacement and taken again afterwards, whether the write-out worked or not.
  if (state->file) {
    CloseHandle(state->file);
    state->file = nullptr;
  }
  bool placed = ReplaceTarget(state->fileName, content, size);
  MainHeapFree(content);
  HoldAgain(state);
  if (!placed) return 0;
  state->modified = 0;
  state->emptyPending = 0;
  return 1;
}
