// The XML document tree: documents parsed from memory by Expat into numbered objects, their
// nodes, and read-only accessors over the tree for the dialog library and tests. The library
// only reads XML; the tree is never modified after parsing.
#pragma once

#include <cstdint>

// Node kinds.
constexpr int64_t kXmlNodeDocument = 0;
constexpr int64_t kXmlNodeElement = 1;
constexpr int64_t kXmlNodeComment = 2;
constexpr int64_t kXmlNodeCData = 3;
constexpr int64_t kXmlNodeDoctype = 4;
constexpr int64_t kXmlNodeProcessingInstruction = 5;

// XmlParse modes: the whole text at once, or a text fed in pieces.
constexpr int64_t kXmlParseWhole = 0;
constexpr int64_t kXmlParseFirstPiece = 1;
constexpr int64_t kXmlParseNextPiece = 2;
constexpr int64_t kXmlParseLastPiece = 3;

// XmlParse encodings (also the values of a document's encoding field).
constexpr int64_t kXmlEncodingDetect = -1;
constexpr int64_t kXmlEncodingUtf8 = 2;
constexpr int64_t kXmlEncodingLatin1 = 24;  // ISO-8859-1, and US-ASCII when declared
constexpr int64_t kXmlEncodingUtf16 = 25;

// Line-end styles: how line breaks are stored in node texts (0: none seen yet, stored as LF).
constexpr int64_t kXmlLineEndCrLf = 1;
constexpr int64_t kXmlLineEndLf = 2;
constexpr int64_t kXmlLineEndCr = 4;

// One node of a document's tree. Character data never makes a node of its own: it is joined
// into the text of the enclosing element, and each child records in `textOffset` how many of
// the parent's text characters lie between its previous sibling (or the parent's start) and
// itself. Strings are zero-terminated UTF-16; a null string is empty.
struct XmlNode {
  XmlNode* parent;  // none for the document node
  XmlNode* firstChild;
  XmlNode* previousSibling;
  XmlNode* nextSibling;
  char16_t* name;         // element name, processing-instruction target; none for other kinds
  char16_t* text;         // element: its character data; comment, CDATA, PI: content; DOCTYPE: declaration
  char16_t** attributes;  // name, value, name, value ... in document order
  int64_t owner;          // the document's number, or its id when it was created with CV_Any
  int64_t textOffset;
  int64_t textLength;  // characters in `text`
  // While the node is open during parsing: where its text starts on the document's text stack.
  int64_t textStart;
  int16_t kind;
  int32_t idIndex;  // the last attribute named "ID" in any case, -1 if none
  int32_t attributeCount;
};

void XmlInit();
void XmlShutdown();

// Parses `length` bytes at `text` into document `document` (a number, or CV_Any for a new
// automatic one), or feeds a further piece to a document being parsed in pieces. Returns the
// document (the automatic id for CV_Any, otherwise the document's address), also after a
// syntax error, or 0 when nothing could be parsed: no memory, an unknown document, a document
// already complete (modes 2 and 3), a negative length or an unknown mode. Every other
// operation names a numbered document by its number. A null text is an empty one.
int64_t XmlParse(int64_t document, const void* text, int64_t length, int64_t mode, int64_t encoding);
// Expat's error code of the last parse, 0 when it went without error.
int64_t XmlStatus(int64_t document);
// The document's outermost element, or none.
XmlNode* XmlRootElement(int64_t document);
// Frees one document, or all of them for CV_Any.
void XmlFree(int64_t document);

// The node of kind 0 at the top of the tree, or none.
XmlNode* XmlDocumentNode(int64_t document);
// Where Expat stopped on an error: its line (from 1) and column (from 1); 0 without an error.
int64_t XmlErrorLine(int64_t document);
int64_t XmlErrorColumn(int64_t document);
// Expat's message for the status, written at `start` on the temporary string stack; empty when
// there is none.
const char16_t* XmlErrorMessage(int64_t document, int64_t start);
// The document's encoding (2, 24 or 25), standalone value (-1 when not declared) and line-end
// style (1, 2, 4, or 0 when no line break was seen).
int64_t XmlEncoding(int64_t document);
int64_t XmlStandalone(int64_t document);
int64_t XmlLineEndStyle(int64_t document);

// Read-only accessors. Every one accepts a null node (none, 0, or -1 for kinds and indexes).
int64_t XmlNodeKind(const XmlNode* node);
XmlNode* XmlNodeParent(const XmlNode* node);
XmlNode* XmlNodeFirstChild(const XmlNode* node);
XmlNode* XmlNodeNextSibling(const XmlNode* node);
XmlNode* XmlNodePreviousSibling(const XmlNode* node);
const char16_t* XmlNodeName(const XmlNode* node);
const char16_t* XmlNodeText(const XmlNode* node);
int64_t XmlNodeTextLength(const XmlNode* node);
int64_t XmlNodeTextOffset(const XmlNode* node);
int64_t XmlNodeAttributeCount(const XmlNode* node);
// The name and value of attribute `index` (from 0), or none when out of range.
const char16_t* XmlNodeAttributeName(const XmlNode* node, int64_t index);
const char16_t* XmlNodeAttributeValue(const XmlNode* node, int64_t index);
// The index of the first attribute named `name` without regard to case, -1 if there is none.
int64_t XmlNodeAttributeIndex(const XmlNode* node, const char16_t* name);
// The value of the first attribute named `name` without regard to case; none when absent, an
// empty (non-null) text when present and empty.
const char16_t* XmlNodeAttribute(const XmlNode* node, const char16_t* name);
int64_t XmlNodeIdIndex(const XmlNode* node);
// The next node after `node` in document order within the subtree of `top` (children first),
// or none at the end; walks a tree of any depth without recursion.
XmlNode* XmlNodeNextInTree(const XmlNode* node, const XmlNode* top);
// Compares two names without regard to case (ASCII and Latin-1 letters); null counts as empty.
bool XmlNameEqualNoCase(const char16_t* a, const char16_t* b);
