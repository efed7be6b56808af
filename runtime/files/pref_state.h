// The state of the current preference file and its entry list, shared by the preference
// library's files: opening and parsing, lookups and changes, and the write-out.
#pragma once

#include <cstdint>

#include "kernel.h"
#include "pool.h"

enum PrefEntryKind : int32_t {
  kPrefKey = 1,
  kPrefGroup = 2,
  kPrefComment = 3,
};

// One line of the file. Texts are NUL-terminated UTF-8; parsed entries point into the file's
// text buffer, texts that writes created are main-heap blocks of their own.
struct PrefEntry {
  PrefEntry* next;
  PrefEntry* previous;
  int32_t kind;
  int32_t ownsKey;
  int32_t ownsValue;
  char* key;          // key entries only
  char* value;        // the value, the group name or the comment text
  int64_t valueRoom;  // bytes the value's storage holds before its terminator
};

struct PrefState {
  HANDLE file;             // held open while the file is current, so that no one else writes it
  char16_t* fileName;      // where the write-out goes; non-null exactly while a file is current
  int32_t pending;         // the open found no file: it is created at write-out
  int32_t modified;        // written to since the open or the last write-out
  int32_t readOnly;        // could be opened for reading only
  int32_t emptyPending;    // created over a file that had content: at the latest the close empties it
  char* text;              // the file's content as UTF-8, two zero bytes behind its end
  char* textEnd;
  int32_t encoding;        // 65001: the write-out starts with a byte-order mark; 0: it does not
  PrefEntry* first;
  PrefEntry* last;
  ElementPool* entryPool;  // the entries, created with the first one
  int64_t flags;
};

constexpr int32_t kPrefUtf8 = 65001;

// The state block; null before PrefInit.
PrefState* PrefCurrentState();

// A new entry of the given kind (zeroed texts), not yet linked; null when out of memory.
PrefEntry* PrefEntryNew(PrefState* state, int32_t kind);
// Links an entry at the end of the list, or in front of `before` when that is given.
void PrefEntryLink(PrefState* state, PrefEntry* entry, PrefEntry* before);

// Reads the whole file behind the handle into the state's text and parses it into entries;
// false when it could not be read or held in memory (the state is then left without text).
bool PrefLoad(PrefState* state, HANDLE file);

// The write-out: 1 when the file was written, 0 when there was nothing to write or it failed.
// A failed write-out leaves the file on disk as it was.
int64_t PrefWriteOut(PrefState* state);
// The handle and the name the write-out goes to for an opened file: the name with every link
// resolved, so that writing replaces the real file and not a link to it.
void PrefAdoptFile(PrefState* state, HANDLE file, const char16_t* fileName);

// A main-heap copy of a runtime string (null = empty); null when out of memory.
char16_t* PrefCopyName(const char16_t* name);
