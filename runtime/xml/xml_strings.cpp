// Storage for a document's strings: the string pool (bump allocation in large blocks, freed
// only as a whole), the text stack on which open nodes collect their character data, and the
// conversion of Expat's UTF-8 strings to the tree's UTF-16 at the moment they arrive.
#include <algorithm>
#include <cstring>

#include "heap.h"
#include "kernel.h"
#include "xml_document.h"

struct XmlPoolBlock {
  XmlPoolBlock* next;
  size_t size;  // bytes of string room behind this header
};
static_assert(sizeof(XmlPoolBlock) % 8 == 0, "pool room starts 8-byte aligned");

namespace {

// Blocks after the first one, which is sized for the text being parsed.
constexpr size_t kPoolBlockSize = 0x80000;
// A text fed in pieces starts with a block of this size unless its first piece is larger.
constexpr int64_t kPieceFirstBlock = 10240;

bool PoolGrow(XmlDocument* document, size_t size) {
  auto* block = static_cast<XmlPoolBlock*>(HeapAlloc(MainHeap(), 0, sizeof(XmlPoolBlock) + size));
  if (block == nullptr) return false;
  block->next = document->poolBlocks;
  block->size = size;
  document->poolBlocks = block;
  document->poolNext = reinterpret_cast<char*>(block + 1);
  document->poolEnd = document->poolNext + size;
  return true;
}

// Pool strings are kept off 8-byte boundaries so that freeing a node can tell them from heap
// strings by their address alone; they stay 2-byte aligned for their UTF-16 units.
char* PoolStringStart(char* at) {
  at += reinterpret_cast<uintptr_t>(at) & 1;
  if (reinterpret_cast<uintptr_t>(at) % 8 == 0) at += 2;
  return at;
}

char* PoolArrayStart(char* at) {
  return at + ((8 - reinterpret_cast<uintptr_t>(at) % 8) % 8);
}

// Room in the pool for `bytes` at the start `align` chooses, taking a new block when needed.
char* PoolTake(XmlDocument* document, size_t bytes, char* (*align)(char*)) {
  char* at = document->poolNext ? align(document->poolNext) : nullptr;
  if (at == nullptr || at > document->poolEnd || bytes > static_cast<size_t>(document->poolEnd - at)) {
    if (!PoolGrow(document, kPoolBlockSize)) return nullptr;
    at = align(document->poolNext);
  }
  document->poolNext = at + bytes;
  return at;
}

}  // namespace

bool XmlPoolStart(XmlDocument* document, int64_t length, int64_t mode) {
  int64_t size = mode != kXmlParseWhole && length <= kPieceFirstBlock ? kPieceFirstBlock : length + 16;
  return PoolGrow(document, static_cast<size_t>(size));
}

char16_t* XmlPoolString(XmlDocument* document, size_t bytes) {
  if (bytes >= kXmlPoolLargeRequest) return static_cast<char16_t*>(HeapAlloc(MainHeap(), 0, bytes));
  return reinterpret_cast<char16_t*>(PoolTake(document, bytes, PoolStringStart));
}

void XmlPoolTrim(XmlDocument* document, char16_t* string, size_t bytes) {
  char* start = reinterpret_cast<char*>(string);
  if (XmlStringIsHeld(string) || string == nullptr) return;
  if (start < document->poolNext && start + bytes <= document->poolNext) document->poolNext = start + bytes;
}

bool XmlAttributeArrayIsHeld(int64_t count) {
  return static_cast<size_t>(count) * 2 * sizeof(char16_t*) >= kXmlPoolLargeRequest;
}

char16_t** XmlPoolAttributeArray(XmlDocument* document, int64_t count) {
  size_t bytes = static_cast<size_t>(count) * 2 * sizeof(char16_t*);
  if (XmlAttributeArrayIsHeld(count)) return static_cast<char16_t**>(HeapAlloc(MainHeap(), 0, bytes));
  return reinterpret_cast<char16_t**>(PoolTake(document, bytes, PoolArrayStart));
}

void XmlPoolFree(XmlDocument* document) {
  for (XmlPoolBlock* block = document->poolBlocks; block;) {
    XmlPoolBlock* next = block->next;
    HeapFree(MainHeap(), 0, block);
    block = next;
  }
  document->poolBlocks = nullptr;
  document->poolNext = document->poolEnd = nullptr;
}

int64_t XmlUtf8ToUtf16(const char* text, size_t bytes, char16_t* out, int64_t lineEndStyle) {
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  char16_t* o = out;
  const bool rewriteLf = lineEndStyle == kXmlLineEndCrLf || lineEndStyle == kXmlLineEndCr;
  size_t i = 0;
  while (i < bytes) {
    unsigned c = in[i];
    if (c < 0x80) {
      if (c == '\n' && rewriteLf) {
        *o++ = u'\r';
        if (lineEndStyle == kXmlLineEndCrLf) *o++ = u'\n';
      } else {
        *o++ = static_cast<char16_t>(c);
      }
      ++i;
      continue;
    }
    // Expat hands over well-formed UTF-8; anything else still converts, as U+FFFD.
    size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t point = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
    bool valid = extra != 0 && c >= 0xC2 && c <= 0xF4 && bytes - i > extra;
    for (size_t k = 1; valid && k <= extra; ++k) {
      unsigned next = in[i + k];
      if ((next & 0xC0) != 0x80) valid = false;
      point = (point << 6) | (next & 0x3F);
    }
    if (valid) {
      valid = (extra == 2 && point >= 0x800 && (point < 0xD800 || point > 0xDFFF)) ||
              (extra == 3 && point >= 0x10000 && point <= 0x10FFFF) || extra == 1;
    }
    if (!valid) {
      *o++ = 0xFFFD;
      ++i;
      continue;
    }
    if (point >= 0x10000) {
      point -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (point >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(point);
    }
    i += extra + 1;
  }
  return o - out;
}

char16_t* XmlPoolUtf8(XmlDocument* document, const char* text, size_t bytes) {
  // One UTF-8 byte never yields more than one UTF-16 unit.
  char16_t* string = XmlPoolString(document, (bytes + 1) * sizeof(char16_t));
  if (string == nullptr) return nullptr;
  int64_t units = XmlUtf8ToUtf16(text, bytes, string, 0);
  string[units] = 0;
  XmlPoolTrim(document, string, static_cast<size_t>(units + 1) * sizeof(char16_t));
  return string;
}

char16_t* XmlPoolUtf8Z(XmlDocument* document, const char* text) {
  // Names and attribute values are mostly short ASCII: copy them straight into the pool's free
  // room in one pass; anything else takes the measured way.
  char* at = document->poolNext ? PoolStringStart(document->poolNext) : nullptr;
  if (at != nullptr && at < document->poolEnd) {
    auto* out = reinterpret_cast<char16_t*>(at);
    size_t room = std::min(static_cast<size_t>(document->poolEnd - at) / sizeof(char16_t),
                           (kXmlPoolLargeRequest - 1) / sizeof(char16_t));
    for (size_t i = 0; i < room; ++i) {
      auto unit = static_cast<unsigned char>(text[i]);
      if (unit >= 0x80) break;
      out[i] = unit;
      if (unit == 0) {
        document->poolNext = at + (i + 1) * sizeof(char16_t);
        return out;
      }
    }
  }
  return XmlPoolUtf8(document, text, std::strlen(text));
}

char16_t* XmlPoolUtf16(XmlDocument* document, const char16_t* text, int64_t length) {
  char16_t* string = XmlPoolString(document, static_cast<size_t>(length + 1) * sizeof(char16_t));
  if (string == nullptr) return nullptr;
  if (length > 0) std::memcpy(string, text, static_cast<size_t>(length) * sizeof(char16_t));
  string[length] = 0;
  return string;
}

char16_t* XmlTextReserve(XmlDocument* document, int64_t units) {
  int64_t needed = document->textStackLength + units;
  if (needed > document->textStackCapacity) {
    int64_t capacity = document->textStackCapacity * 2;
    if (capacity < needed) capacity = needed;
    if (capacity < 1024) capacity = 1024;
    size_t bytes = static_cast<size_t>(capacity) * sizeof(char16_t);
    void* grown = document->textStack ? HeapReAlloc(MainHeap(), 0, document->textStack, bytes)
                                      : HeapAlloc(MainHeap(), 0, bytes);
    if (grown == nullptr) return nullptr;
    document->textStack = static_cast<char16_t*>(grown);
    document->textStackCapacity = capacity;
  }
  return document->textStack + document->textStackLength;
}

void XmlTextFree(XmlDocument* document) {
  if (document->textStack) HeapFree(MainHeap(), 0, document->textStack);
  document->textStack = nullptr;
  document->textStackLength = document->textStackCapacity = 0;
}
