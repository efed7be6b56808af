// Sequential files: numbered file objects over the system's file handles, read through a
// buffer of their own.
#pragma once

#include <cstdint>

void FileInit();
void FileShutdown();

// Opens an existing file for reading, kept to this opener alone while it is open. For CV_Any the
// new file's id, for a number the system handle; 0 when the file cannot be opened.
int64_t FileOpenRead(int64_t file, const char16_t* fileName);
// The file's length in bytes; -1 for a file that is not open.
int64_t FileGetSize(int64_t file);
// Reads up to `count` bytes into the destination; the bytes actually read (0 at the end).
int64_t FileRead(int64_t file, void* destination, int64_t count);
// Closes a file, or every open file for CV_Any.
void FileClose(int64_t file);
