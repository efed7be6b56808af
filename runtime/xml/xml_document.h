// The document record and the library's internal interfaces between its files: the string
// pool that holds the tree's strings, the text stack on which open nodes collect their
// character data, and the Expat callbacks that build the tree.
#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>

#include "xml.h"

struct ElementPool;
struct XmlPoolBlock;

// Where the search for the first line break stands between the pieces of a text.
struct XmlLineEndScan {
  int64_t width;  // bytes per unit: 1, 2 for UTF-16, 0 while unknown
  bool bigEndian;
  bool started;     // a unit was looked at
  bool pendingCr;   // the last unit looked at was a CR
  int64_t carryCount;  // a byte waiting for the rest of its unit
  unsigned char carry;
};

struct XmlDocument {
  XmlNode* documentNode;  // first: non-zero while the document exists
  XmlNode* rootElement;
  int64_t encoding;
  int64_t explicitEncoding;
  int64_t standalone;
  int64_t lineEndStyle;
  XmlLineEndScan lineEndScan;
  int64_t status;
  int64_t errorLine;
  int64_t errorColumn;
  char16_t* errorMessage;

  // String pool: the newest block first, with the free room of the newest block.
  XmlPoolBlock* poolBlocks;
  char* poolNext;
  char* poolEnd;

  XML_Parser parser;  // kept while the document is fed in pieces
  int64_t owner;

  // Parse cursor.
  XmlNode* current;
  XmlNode* lastClosed;
  int64_t textCount;  // text characters appended since the last node boundary

  // Text stack: the texts of all open nodes, innermost last, each starting at its node's
  // textStart. A node's text moves into the pool when it closes.
  char16_t* textStack;
  int64_t textStackLength;
  int64_t textStackCapacity;

  // Set when the tree can take no more events: an allocation failed (the parse is stopped and
  // reported as out of memory), or the open nodes' texts were published at the end.
  bool halted;
  bool outOfMemory;
  bool textsPublished;
};

// The node allocator of the library.
ElementPool* XmlNodePool();

// ---- string pool (xml_strings.cpp) ----

// Strings of this many bytes or more get a heap block of their own.
constexpr size_t kXmlPoolLargeRequest = 1025;

// Makes the first pool block of a document, sized for a text of `length` bytes.
bool XmlPoolStart(XmlDocument* document, int64_t length, int64_t mode);
// Room for a string of `bytes` bytes: in the pool at an address that is never a multiple of 8,
// or for large requests in a heap block, whose address always is. None when out of memory.
char16_t* XmlPoolString(XmlDocument* document, size_t bytes);
// Gives back the unused tail of the pool string just taken, which now needs only `bytes`.
void XmlPoolTrim(XmlDocument* document, char16_t* string, size_t bytes);
// Room for an attribute array of `count` name/value pairs (8-byte aligned, heap-held when large).
char16_t** XmlPoolAttributeArray(XmlDocument* document, int64_t count);
// Whether the attribute array of a node with `count` pairs lives in a heap block of its own.
bool XmlAttributeArrayIsHeld(int64_t count);
// Whether a tree string lives in a heap block of its own (pool strings are never 8-aligned).
inline bool XmlStringIsHeld(const char16_t* string) {
  return string != nullptr && reinterpret_cast<uintptr_t>(string) % 8 == 0;
}
void XmlPoolFree(XmlDocument* document);

// A pool copy of UTF-8 text (Expat's strings), converted to UTF-16; none when out of memory.
char16_t* XmlPoolUtf8(XmlDocument* document, const char* text, size_t bytes);
// The same for a zero-terminated UTF-8 text.
char16_t* XmlPoolUtf8Z(XmlDocument* document, const char* text);
// A pool copy of UTF-16 text.
char16_t* XmlPoolUtf16(XmlDocument* document, const char16_t* text, int64_t length);

// Converts UTF-8 to UTF-16 into `out`, which has room for `bytes` units (`bytes` × 2 when LF
// expands to CR LF); LF becomes CR LF for style 1, CR for style 4, and stays otherwise. Invalid
// sequences become U+FFFD. Returns the units written.
int64_t XmlUtf8ToUtf16(const char* text, size_t bytes, char16_t* out, int64_t lineEndStyle);

// ---- text stack (xml_strings.cpp) ----

// Room for `units` more characters at the top of the text stack; none when out of memory.
char16_t* XmlTextReserve(XmlDocument* document, int64_t units);
void XmlTextFree(XmlDocument* document);

// ---- line ends (xml_line_end.cpp) ----

// Looks for the text's first line break in the next piece fed (`final` for the text's last)
// and sets the document's line-end style once it is found.
void XmlDetectLineEnd(XmlDocument* document, const unsigned char* bytes, int64_t length, bool final);

// ---- tree building (xml_callbacks.cpp) ----

// Installs the tree-building callbacks on a new parser.
void XmlSetCallbacks(XML_Parser parser);
// Gives every node still open its text (the document node, and after an error the elements
// it interrupted), so that the tree can be read; no further events are taken afterwards.
void XmlPublishOpenTexts(XmlDocument* document);

// ---- tree release (xml_tree.cpp) ----

// Frees every node of the tree under `top` (included) with their heap-held strings, without
// recursion.
void XmlTreeFree(XmlNode* top);
