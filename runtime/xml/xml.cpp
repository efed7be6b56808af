// XML documents as numbered objects: the library's start-up and shutdown, parsing a text held
// in memory (whole or in pieces) with Expat, the error record, and freeing a document with
// its whole tree.
#include "xml.h"

#include <algorithm>
#include <cstring>

#include "constants.h"
#include "pool.h"
#include "registry.h"
#include "string_runtime.h"
#include "xml_document.h"

namespace {

ObjectRegistry* g_documents = nullptr;
ElementPool* g_nodes = nullptr;

// Expat takes a piece's length as an int; longer pieces are handed over in parts.
constexpr int64_t kExpatChunk = int64_t{1} << 30;

bool IsKnownEncoding(int64_t encoding) {
  return encoding == kXmlEncodingUtf8 || encoding == kXmlEncodingLatin1 || encoding == kXmlEncodingUtf16;
}

// The name Expat is created with. Text that starts with "<" and a zero byte is UTF-16LE
// whatever was named (Expat's own detection agrees); naming it makes that independent of
// the Expat build.
const XML_Char* ExpatEncodingName(int64_t encoding, const unsigned char* text, int64_t length) {
  if (!IsKnownEncoding(encoding)) return nullptr;
  if (length >= 2 && text[0] == 0x3C && text[1] == 0x00) return "UTF-16LE";
  if (encoding == kXmlEncodingLatin1) return "ISO-8859-1";
  if (encoding == kXmlEncodingUtf16) return "UTF-16";
  return "UTF-8";
}

bool ParsePiece(XML_Parser parser, const char* text, int64_t length, bool final) {
  do {
    int64_t part = std::min(length, kExpatChunk);
    length -= part;
    if (XML_Parse(parser, text, static_cast<int>(part), final && length == 0) == XML_STATUS_ERROR) return false;
    text += part;
  } while (length > 0);
  return true;
}

void RecordError(XmlDocument* document, XML_Error code) {
  document->errorLine = static_cast<int64_t>(XML_GetCurrentLineNumber(document->parser));
  document->errorColumn = static_cast<int64_t>(XML_GetCurrentColumnNumber(document->parser)) + 1;
  // A document in error answers every further piece with the same error: its message is
  // converted once. Expat's messages are short, so they live in the pool and go with it.
  if (document->status == code && document->errorMessage) return;
  document->status = code;
  const XML_LChar* message = XML_ErrorString(code);
  document->errorMessage = message ? XmlPoolUtf8Z(document, message) : nullptr;
}

int64_t IdOf(XmlDocument* document) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(document)); }

XmlDocument* DocumentGet(int64_t document) {
  return static_cast<XmlDocument*>(ObjectGet(g_documents, document));
}

// A new document under `number` with its parser, document node and first pool block; none
// (with nothing left behind) when memory runs out.
XmlDocument* DocumentNew(int64_t number, const unsigned char* text, int64_t length, int64_t mode, int64_t encoding) {
  XML_Parser parser = XML_ParserCreate(ExpatEncodingName(encoding, text, length));
  if (parser == nullptr) return nullptr;
  XmlSetCallbacks(parser);
  auto* document = static_cast<XmlDocument*>(ObjectNew(g_documents, number));
  if (document == nullptr) {
    XML_ParserFree(parser);
    return nullptr;
  }
  int64_t owner = number == CV_Any ? IdOf(document) : number;
  auto* top = static_cast<XmlNode*>(PoolAllocZeroed(g_nodes));
  if (top == nullptr || !XmlPoolStart(document, length, mode)) {
    if (top) PoolFree(g_nodes, top);
    XmlPoolFree(document);
    XML_ParserFree(parser);
    ObjectRelease(g_documents, owner);
    return nullptr;
  }
  top->kind = static_cast<int16_t>(kXmlNodeDocument);
  top->idIndex = -1;
  top->owner = owner;
  document->documentNode = top;
  document->encoding = IsKnownEncoding(encoding) ? encoding : kXmlEncodingUtf8;
  document->explicitEncoding = IsKnownEncoding(encoding);
  document->standalone = -1;
  document->lineEndStyle = 0;
  document->parser = parser;
  document->owner = owner;
  document->current = top;
  XML_SetUserData(parser, document);
  return document;
}

}  // namespace

ElementPool* XmlNodePool() { return g_nodes; }

void XmlInit() {
  if (g_documents == nullptr) g_documents = ObjectRegistryCreate(sizeof(XmlDocument), 8, XmlFree);
  if (g_nodes == nullptr) g_nodes = PoolCreate(sizeof(XmlNode), 32, 512, 0);
}

void XmlShutdown() {
  XmlFree(CV_Any);
  if (g_nodes) PoolRelease(g_nodes);
  ObjectRegistryDestroy(g_documents);
  g_nodes = nullptr;
  g_documents = nullptr;
}

int64_t XmlParse(int64_t number, const void* text, int64_t length, int64_t mode, int64_t encoding) {
  if (g_documents == nullptr || g_nodes == nullptr || length < 0 || mode < kXmlParseWhole || mode > kXmlParseLastPiece) {
    return 0;
  }
  const auto* bytes = static_cast<const unsigned char*>(text);
  if (bytes == nullptr) {
    bytes = reinterpret_cast<const unsigned char*>("");
    length = 0;
  }
  XmlDocument* document;
  if (mode == kXmlParseWhole || mode == kXmlParseFirstPiece) {
    if (number != CV_Any && (number < 0 || number > kObjectNumberMax)) return 0;
    document = DocumentNew(number, bytes, length, mode, encoding);
    if (document == nullptr) return 0;
  } else {
    document = DocumentGet(number);
    if (document == nullptr || document->parser == nullptr) return 0;
    XML_SetUserData(document->parser, document);
  }

  bool final = mode == kXmlParseWhole || mode == kXmlParseLastPiece;
  XmlDetectLineEnd(document, bytes, length, final);
  bool parsed = ParsePiece(document->parser, reinterpret_cast<const char*>(bytes), length, final);
  if (!parsed) RecordError(document, document->outOfMemory ? XML_ERROR_NO_MEMORY : XML_GetErrorCode(document->parser));
  if (final || !parsed) {
    XmlPublishOpenTexts(document);
    if (document->outOfMemory && document->status != XML_ERROR_NO_MEMORY) RecordError(document, XML_ERROR_NO_MEMORY);
  }
  if (final) {
    XML_ParserFree(document->parser);
    document->parser = nullptr;
    XmlTextFree(document);
  }
  return IdOf(document);
}

int64_t XmlStatus(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found ? found->status : 0;
}

XmlNode* XmlRootElement(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found ? found->rootElement : nullptr;
}

XmlNode* XmlDocumentNode(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found ? found->documentNode : nullptr;
}

int64_t XmlErrorLine(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found && found->status ? found->errorLine : 0;
}

int64_t XmlErrorColumn(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found && found->status ? found->errorColumn : 0;
}

const char16_t* XmlErrorMessage(int64_t document, int64_t start) {
  XmlDocument* found = DocumentGet(document);
  const char16_t* message = found && found->status ? found->errorMessage : nullptr;
  int64_t length = StrLen(message);
  char16_t* out = StrTempReserve(length, start);
  StrCopyChars(out, message, length);
  return out;
}

int64_t XmlEncoding(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found ? found->encoding : 0;
}

int64_t XmlStandalone(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found ? found->standalone : 0;
}

int64_t XmlLineEndStyle(int64_t document) {
  XmlDocument* found = DocumentGet(document);
  return found ? found->lineEndStyle : 0;
}

void XmlFree(int64_t document) {
  if (g_documents == nullptr) return;
  if (document == CV_Any) {
    ObjectFreeAll(g_documents);
    return;
  }
  XmlDocument* found = DocumentGet(document);
  if (found == nullptr) return;
  if (found->parser) XML_ParserFree(found->parser);
  found->parser = nullptr;
  XmlTextFree(found);
  XmlTreeFree(found->documentNode);
  XmlPoolFree(found);
  ObjectRelease(g_documents, document);
}
