// Code-page conversion: UTF-8, and Windows-1252 as this platform's ANSI code page (ISO-8859-1
// is accepted too). Invalid input never fails silently into garbage: a bad UTF-8 sequence
// becomes U+FFFD, an unpaired surrogate becomes U+FFFD, a character outside 1252 the default.
#include <cstring>
#include <string>

#include "kernel.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the C1
// control of the same value, as MultiByteToWideChar does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsAnsi(UINT codePage) { return codePage == CP_ACP || codePage == CP_WINDOWS_1252 || codePage == CP_ISO_8859_1; }

// Decodes one UTF-8 sequence at text[0..available); returns its length (at least 1) and the code
// point, or U+FFFD with `valid` false for a malformed sequence.
size_t DecodeUtf8(const unsigned char* text, size_t available, char32_t& codePoint, bool& valid) {
  unsigned char lead = text[0];
  valid = true;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    minimum = 0x10000;
  } else {
    codePoint = 0xFFFD;
    valid = false;
    return 1;
  }
  for (size_t i = 1; i < length; ++i) {
    if (i >= available || (text[i] & 0xC0) != 0x80) {
      codePoint = 0xFFFD;
      valid = false;
      return i;
    }
    codePoint = (codePoint << 6) | (text[i] & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    codePoint = 0xFFFD;
    valid = false;
  }
  return length;
}

void AppendUtf16(std::u16string& out, char32_t codePoint) {
  if (codePoint >= 0x10000) {
    codePoint -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
  } else {
    out += static_cast<char16_t>(codePoint);
  }
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// Next code point of UTF-16 text; an unpaired surrogate yields U+FFFD.
char32_t NextUtf16(const char16_t* text, size_t length, size_t& i) {
  char16_t unit = text[i++];
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    if (i < length && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
      char32_t low = text[i++];
      return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    return 0xFFFD;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) return 0xFFFD;
  return unit;
}

int ByteToAnsiChar(UINT codePage, unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F && codePage != CP_ISO_8859_1) return kCp1252High[byte - 0x80];
  return byte;
}

// The 1252 byte for a UTF-16 unit, or -1 when the code page has none.
int AnsiByteOf(UINT codePage, char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  if (codePage == CP_ISO_8859_1) return codePoint <= 0xFF ? static_cast<int>(codePoint) : -1;
  if (codePoint >= 0xA0 && codePoint <= 0xFF) return static_cast<int>(codePoint);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == codePoint) return 0x80 + i;
  }
  return -1;
}

template <class Out, class Unit>
int CopyOut(const Out& converted, Unit* out, int outCapacity) {
  if (converted.size() > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int needed = static_cast<int>(converted.size());
  if (outCapacity == 0) return needed;
  if (out == nullptr || outCapacity < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, converted.data(), converted.size() * sizeof(Unit));
  return needed;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int byteCount, LPWSTR out, int outChars) {
  if (text == nullptr || byteCount == 0 || byteCount < -1 || outChars < 0 || (codePage != CP_UTF8 && !IsAnsi(codePage))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = byteCount == -1 ? std::strlen(text) + 1 : static_cast<size_t>(byteCount);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::u16string converted;
  converted.reserve(length);
  if (codePage == CP_UTF8) {
    for (size_t i = 0; i < length;) {
      char32_t codePoint;
      bool valid;
      i += DecodeUtf8(bytes + i, length - i, codePoint, valid);
      if (!valid && (flags & MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      AppendUtf16(converted, codePoint);
    }
  } else {
    for (size_t i = 0; i < length; ++i) converted += static_cast<char16_t>(ByteToAnsiChar(codePage, bytes[i]));
  }
  return CopyOut(converted, out, outChars);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR text, int charCount, LPSTR out, int outBytes,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  if (text == nullptr || charCount == 0 || charCount < -1 || outBytes < 0 || (codePage != CP_UTF8 && !IsAnsi(codePage))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = static_cast<size_t>(charCount);
  if (charCount == -1) {
    length = 0;
    while (text[length]) ++length;
    ++length;
  }
  std::string converted;
  converted.reserve(length);
  for (size_t i = 0; i < length;) {
    char32_t codePoint = NextUtf16(text, length, i);
    if (codePage == CP_UTF8) {
      AppendUtf8(converted, codePoint);
      continue;
    }
    int byte = AnsiByteOf(codePage, codePoint);
    if (byte < 0) {
      converted += defaultChar && defaultChar[0] ? defaultChar[0] : '?';
      if (usedDefaultChar) *usedDefaultChar = TRUE;
    } else {
      converted += static_cast<char>(byte);
    }
  }
  return CopyOut(converted, out, outBytes);
}

namespace platform {

std::string Utf16ToUtf8(const char16_t* text, ptrdiff_t length) {
  std::string out;
  if (text == nullptr) return out;
  size_t count = 0;
  if (length < 0) {
    while (text[count]) ++count;
  } else {
    count = static_cast<size_t>(length);
  }
  out.reserve(count);
  for (size_t i = 0; i < count;) AppendUtf8(out, NextUtf16(text, count, i));
  return out;
}

std::u16string Utf8ToUtf16(const char* text, ptrdiff_t length) {
  std::u16string out;
  if (text == nullptr) return out;
  size_t count = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  out.reserve(count);
  for (size_t i = 0; i < count;) {
    char32_t codePoint;
    bool valid;
    i += DecodeUtf8(bytes + i, count - i, codePoint, valid);
    AppendUtf16(out, codePoint);
  }
  return out;
}

}  // namespace platform
