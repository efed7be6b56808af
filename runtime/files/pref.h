// Preference (INI) files: one current settings file at a time, read whole into memory when it is
// opened, queried and changed there, and written back whole when it is closed, only if something
// was written to it.
#pragma once

#include <cstdint>

// Options of PrefCreate and PrefOpen.
constexpr int64_t CV_Pref_NoSpaces = 1;          // write "key=value" instead of "key = value"
constexpr int64_t CV_Pref_GroupSeparator = 2;    // an empty line before every group header but the first

void PrefInit();
void PrefShutdown();

// Starts a new, empty preference file under that name; non-zero when the file could be created.
int64_t PrefCreate(const char16_t* fileName, int64_t flags);
// Makes an existing file the current preference file; non-zero when it was opened. A file that
// cannot be opened still collects writes and is created when it is written out.
int64_t PrefOpen(const char16_t* fileName, int64_t flags);
// Writes the current file out if it was changed, then forgets it.
void PrefClose();
// Writes the current file out if it was changed since it was opened or last written; 1 if written.
int64_t PrefFlush();

// The value of a key of the top section with its leading spaces and tabs removed, or the default.
char16_t* PrefReadString(const char16_t* key, const char16_t* defaultValue, int64_t start);
int64_t PrefReadInt(const char16_t* key, int64_t defaultValue);
void PrefWriteString(const char16_t* key, const char16_t* value);
void PrefWriteInt(const char16_t* key, int64_t value);
