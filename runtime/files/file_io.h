// Reads and writes of any byte count over ReadFile and WriteFile, which count in 32 bits: the
// count is handed to them in pieces. Shared by the file and preference libraries.
#pragma once

#include <cstdint>

#include "kernel.h"

// Bytes actually read (fewer at the end of the file or on an error; 0 for a count below 1).
int64_t FileReadBytes(HANDLE file, void* destination, int64_t count);
// True when every byte was written.
bool FileWriteBytes(HANDLE file, const void* source, int64_t count);
