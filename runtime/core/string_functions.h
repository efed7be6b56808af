// The string, number and date functions programs build and take apart texts with. Every
// function that returns a text writes it onto the temporary string stack at the start offset
// passed last and leaves the stack's position right behind it; text arguments are runtime
// strings (null is empty) and may themselves lie on the stack.
#pragma once

#include <cstdint>

const char16_t* StrFromInt(int64_t value, int64_t start);
int64_t StrByteLength(const char16_t* text);
// The first / last n characters; n is clamped to 0 .. the text's length.
const char16_t* StrLeft(const char16_t* text, int64_t n, int64_t start);
const char16_t* StrRight(const char16_t* text, int64_t n, int64_t start);
// A copy with every letter of the Basic Multilingual Plane in lower case.
const char16_t* StrLower(const char16_t* text, int64_t start);
// 1-based position of the pattern's first occurrence; 0 when absent or either text is empty.
int64_t StrFind(const char16_t* text, const char16_t* pattern);
// The file name's extension without its dot, or empty; "/" and "\" both separate directories.
const char16_t* PathExtension(const char16_t* fileName, int64_t start);

// Formats seconds since 1970-01-01 00:00:00 (no time zone) by a mask of %yyyy, %yy, %mm, %dd,
// %hh, %ii and %ss, in any case. -1, negative values and dates past the year 3000 give all
// fields 0.
const char16_t* DateFormat(const char16_t* mask, int64_t date, int64_t start);

// Texts read from memory: zero-terminated UTF-16, or `length` units in an encoding chosen by
// the format's low five bits (kPeekUtf16, kPeekUtf8, anything else the ANSI code page);
// length -1 reads up to the terminating zero. For UTF-8 the length counts characters unless
// the format has kPeekByteLength.
constexpr int64_t kPeekUtf8 = 2;
constexpr int64_t kPeekUtf16 = 25;
constexpr int64_t kPeekByteLength = 0x40;
const char16_t* MemoryPeekString(const void* address, int64_t start);
const char16_t* MemoryPeekStringEncoded(const void* address, int64_t length, int64_t format, int64_t start);

// For the functions above: writes `count` units of `text` from index `from` as the result at
// `start`, re-addressing `text` when the reservation moves the stack it lies on.
const char16_t* StrTempResult(const char16_t* text, int64_t from, int64_t count, int64_t start);
