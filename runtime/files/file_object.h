// The record of an open sequential file, shared by the file library and its tests.
#pragma once

#include <cstdint>

#include "kernel.h"

struct FileObject {
  HANDLE handle;
  unsigned char* buffer;  // none for an unbuffered file
  int32_t bufferSize;
  int32_t freeOrUnread;   // reading: bytes not yet handed out; writing: room left
  int32_t valid;          // bytes the last refill put into the buffer
  int32_t clean;          // 1: the buffer holds read data or nothing; 0: bytes not yet written
  int32_t stringFormat;
};

constexpr int32_t kFileBufferSize = 4096;
constexpr int32_t kFileFormatUtf8 = 2;

// The record of an open file, or none.
FileObject* FileObjectGet(int64_t file);
