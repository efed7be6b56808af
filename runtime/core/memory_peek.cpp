// Texts read from memory into runtime strings: UTF-16 as it stands, UTF-8 and the ANSI code page
// through MultiByteToWideChar. For UTF-8 a length may count characters, which are measured in
// bytes first so that the conversion never reads past them.
#include <climits>
#include <cstring>

#include "heap.h"
#include "kernel.h"
#include "string_functions.h"
#include "string_runtime.h"

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Bytes of the well-formed UTF-8 sequence at `at`, or 1 when there is none (a stray or
// truncated byte, an overlong form, a surrogate or a value beyond U+10FFFF). Stops at a zero byte.
int64_t SequenceLength(const unsigned char* at) {
  unsigned char lead = at[0];
  if (lead >= 0xC2 && lead <= 0xDF) return IsContinuation(at[1]) ? 2 : 1;
  if (lead >= 0xE0 && lead <= 0xEF) {
    unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    return at[1] >= low && at[1] <= high && IsContinuation(at[2]) ? 3 : 1;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    return at[1] >= low && at[1] <= high && IsContinuation(at[2]) && IsContinuation(at[3]) ? 4 : 1;
  }
  return 1;
}

// Bytes taken by `characters` UTF-8 characters, ending early at a zero byte.
int64_t Utf8BytesOf(const unsigned char* text, int64_t characters) {
  int64_t bytes = 0;
  for (; characters > 0 && text[bytes]; --characters) bytes += SequenceLength(text + bytes);
  return bytes;
}

// UTF-16 units before the terminator (at most `limit` when it is not negative). Memory handed
// in by the program need not be aligned for 16-bit reads, so units are read bytewise.
int64_t Utf16Length(const void* address, int64_t limit) {
  auto* bytes = static_cast<const unsigned char*>(address);
  int64_t units = 0;
  while ((limit < 0 || units < limit) && (bytes[2 * units] | bytes[2 * units + 1])) ++units;
  return units;
}

int64_t BoundedLength(const unsigned char* text, int64_t limit) {
  int64_t bytes = 0;
  while ((limit < 0 || bytes < limit) && text[bytes]) ++bytes;
  return bytes;
}

const char16_t* PeekBytes(const unsigned char* text, int64_t bytes, UINT codePage, int64_t start) {
  if (bytes > INT_MAX) bytes = INT_MAX;
  int count = bytes > 0 ? MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(text), static_cast<int>(bytes), nullptr, 0) : 0;
  if (count <= 0) return StrTempResult(nullptr, 0, 0, start);
  // Bytes that lie on the temporary stack could be overwritten by the result: convert a copy.
  void* copy = nullptr;
  if (StrTempOffset(text)) {
    copy = MainHeapAlloc(static_cast<size_t>(bytes));
    if (copy == nullptr) return StrTempResult(nullptr, 0, 0, start);
    std::memcpy(copy, text, static_cast<size_t>(bytes));
    text = static_cast<const unsigned char*>(copy);
  }
  char16_t* out = StrTempReserve(count, start);
  if (out) {
    int converted = MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(text), static_cast<int>(bytes), out, count);
    StrTempTruncate(start + 2 * static_cast<int64_t>(converted > 0 ? converted : 0));
  }
  MainHeapFree(copy);
  return out ? out : u"";
}

}  // namespace

const char16_t* MemoryPeekString(const void* address, int64_t start) {
  if (address == nullptr) return StrTempResult(nullptr, 0, 0, start);
  return StrTempResult(static_cast<const char16_t*>(address), 0, Utf16Length(address, -1), start);
}

const char16_t* MemoryPeekStringEncoded(const void* address, int64_t length, int64_t format, int64_t start) {
  if (address == nullptr) return StrTempResult(nullptr, 0, 0, start);
  if (length < -1) length = 0;
  int64_t encoding = format & 31;
  if (encoding == kPeekUtf16) {
    return StrTempResult(static_cast<const char16_t*>(address), 0, Utf16Length(address, length), start);
  }
  auto* bytes = static_cast<const unsigned char*>(address);
  int64_t byteCount;
  if (encoding == kPeekUtf8 && length >= 0 && !(format & kPeekByteLength)) byteCount = Utf8BytesOf(bytes, length);
  else byteCount = BoundedLength(bytes, length);
  return PeekBytes(bytes, byteCount, encoding == kPeekUtf8 ? CP_UTF8 : CP_ACP, start);
}
