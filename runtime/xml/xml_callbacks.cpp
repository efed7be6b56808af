// The Expat callbacks that build a document's tree: nodes open and close around the parse
// cursor, character data joins the text of the open node on the text stack, and each Expat
// string is converted to UTF-16 exactly once, as it arrives.
#include <strings.h>

#include <cstring>

#include "pool.h"
#include "xml_document.h"

namespace {

XmlDocument* DocumentOf(void* userData) { return static_cast<XmlDocument*>(userData); }

// An allocation failed: the tree keeps what it has, and Expat is told to stop.
void HaltOutOfMemory(XmlDocument* document) {
  document->outOfMemory = true;
  document->halted = true;
  if (document->parser) XML_StopParser(document->parser, XML_FALSE);
}

// Appends UTF-8 text to the open node's text; `lineEndStyle` 0 keeps it as it is.
void AppendText(XmlDocument* document, const char* text, size_t bytes, int64_t lineEndStyle) {
  if (bytes == 0) return;
  int64_t room = static_cast<int64_t>(bytes) * (lineEndStyle == kXmlLineEndCrLf ? 2 : 1);
  char16_t* at = XmlTextReserve(document, room);
  if (at == nullptr) {
    HaltOutOfMemory(document);
    return;
  }
  int64_t units = XmlUtf8ToUtf16(text, bytes, at, lineEndStyle);
  document->textStackLength += units;
  document->textCount += units;
}

void AppendLiteral(XmlDocument* document, const char* text) { AppendText(document, text, std::strlen(text), 0); }

XmlNode* NodeOpen(XmlDocument* document, int64_t kind) {
  auto* node = static_cast<XmlNode*>(PoolAllocZeroed(XmlNodePool()));
  if (node == nullptr) {
    HaltOutOfMemory(document);
    return nullptr;
  }
  node->kind = static_cast<int16_t>(kind);
  node->owner = document->owner;
  node->textOffset = document->textCount;
  node->textStart = document->textStackLength;
  node->idIndex = -1;
  XmlNode* parent = document->current;
  node->parent = parent;
  if (document->lastClosed) {
    document->lastClosed->nextSibling = node;
    node->previousSibling = document->lastClosed;
  } else {
    parent->firstChild = node;
  }
  if (kind == kXmlNodeElement && document->rootElement == nullptr) document->rootElement = node;
  document->current = node;
  document->lastClosed = nullptr;
  document->textCount = 0;
  return node;
}

// Moves the node's text, which runs from its start on the text stack to `end`, into the pool.
bool PublishText(XmlDocument* document, XmlNode* node, int64_t end) {
  int64_t length = end - node->textStart;
  if (length <= 0) return true;
  char16_t* text = XmlPoolUtf16(document, document->textStack + node->textStart, length);
  if (text == nullptr) return false;
  node->text = text;
  node->textLength = length;
  return true;
}

void NodeClose(XmlDocument* document) {
  XmlNode* node = document->current;
  if (node == nullptr || node == document->documentNode) return;
  if (!PublishText(document, node, document->textStackLength)) {
    HaltOutOfMemory(document);
    return;
  }
  document->textStackLength = node->textStart;
  document->lastClosed = node;
  document->current = node->parent;
  document->textCount = 0;
}

void OnStartElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
  XmlDocument* document = DocumentOf(userData);
  if (document->halted) return;
  XmlNode* node = NodeOpen(document, kXmlNodeElement);
  if (node == nullptr) return;
  node->name = XmlPoolUtf8Z(document, name);
  if (node->name == nullptr) return HaltOutOfMemory(document);
  int64_t count = 0;
  while (attributes[count * 2]) ++count;
  if (count == 0) return;
  node->attributes = XmlPoolAttributeArray(document, count);
  if (node->attributes == nullptr) return HaltOutOfMemory(document);
  for (int64_t i = 0; i < count; ++i) {
    // The count covers only filled pairs, so that a failure leaves nothing unknown to free.
    char16_t* attributeName = XmlPoolUtf8Z(document, attributes[i * 2]);
    if (attributeName == nullptr) return HaltOutOfMemory(document);
    node->attributes[i * 2] = attributeName;
    node->attributes[i * 2 + 1] = nullptr;
    node->attributeCount = static_cast<int32_t>(i + 1);
    node->attributes[i * 2 + 1] = XmlPoolUtf8Z(document, attributes[i * 2 + 1]);
    if (node->attributes[i * 2 + 1] == nullptr) return HaltOutOfMemory(document);
    if (XmlNameEqualNoCase(attributeName, u"id")) node->idIndex = static_cast<int32_t>(i);
  }
}

void OnEndElement(void* userData, const XML_Char*) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted) NodeClose(document);
}

void OnCharacterData(void* userData, const XML_Char* text, int length) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted && length > 0) AppendText(document, text, static_cast<size_t>(length), document->lineEndStyle);
}

// Raw markup Expat does not report otherwise, among it the references to internal entities,
// which a default handler keeps Expat from expanding.
void OnDefault(void* userData, const XML_Char* text, int length) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted && length > 0) AppendText(document, text, static_cast<size_t>(length), 0);
}

// A node whose whole content arrives at once: comments and processing instructions.
void AddLeaf(XmlDocument* document, int64_t kind, const XML_Char* name, const XML_Char* content) {
  XmlNode* node = NodeOpen(document, kind);
  if (node == nullptr) return;
  if (name) {
    node->name = XmlPoolUtf8Z(document, name);
    if (node->name == nullptr) return HaltOutOfMemory(document);
  }
  if (content) AppendText(document, content, std::strlen(content), document->lineEndStyle);
  if (!document->halted) NodeClose(document);
}

void OnComment(void* userData, const XML_Char* data) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted) AddLeaf(document, kXmlNodeComment, nullptr, data);
}

void OnProcessingInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted) AddLeaf(document, kXmlNodeProcessingInstruction, target, data);
}

void OnStartCData(void* userData) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted) NodeOpen(document, kXmlNodeCData);
}

void OnEndCData(void* userData) {
  XmlDocument* document = DocumentOf(userData);
  if (!document->halted && document->current && document->current->kind == kXmlNodeCData) NodeClose(document);
}

void AppendQuoted(XmlDocument* document, const XML_Char* value) {
  const char* quote = std::strchr(value, '"') ? "'" : "\"";
  AppendLiteral(document, " ");
  AppendLiteral(document, quote);
  AppendLiteral(document, value);
  AppendLiteral(document, quote);
}

void OnStartDoctype(void* userData, const XML_Char* name, const XML_Char* systemId, const XML_Char* publicId,
                    int hasInternalSubset) {
  XmlDocument* document = DocumentOf(userData);
  if (document->halted || NodeOpen(document, kXmlNodeDoctype) == nullptr) return;
  AppendLiteral(document, "<!DOCTYPE ");
  if (name) AppendLiteral(document, name);
  if (systemId) AppendLiteral(document, publicId ? " PUBLIC" : " SYSTEM");
  if (publicId) AppendQuoted(document, publicId);
  if (systemId) AppendQuoted(document, systemId);
  // The internal subset's raw text follows through the default handler until its end.
  if (hasInternalSubset) AppendLiteral(document, " [");
  else if (!document->halted) NodeClose(document);
}

void OnEndDoctype(void* userData) {
  XmlDocument* document = DocumentOf(userData);
  if (document->halted || document->current == nullptr || document->current->kind != kXmlNodeDoctype) return;
  AppendLiteral(document, "]>");
  if (!document->halted) NodeClose(document);
}

void OnXmlDeclaration(void* userData, const XML_Char* version, const XML_Char* encoding, int standalone) {
  XmlDocument* document = DocumentOf(userData);
  if (version == nullptr) return;
  if (encoding && !document->explicitEncoding) {
    if (strcasecmp(encoding, "US-ASCII") == 0 || strcasecmp(encoding, "ISO-8859-1") == 0) {
      document->encoding = kXmlEncodingLatin1;
    } else if (strcasecmp(encoding, "UTF-16") == 0) {
      document->encoding = kXmlEncodingUtf16;
    } else {
      document->encoding = kXmlEncodingUtf8;
    }
  }
  document->standalone = standalone;
}

}  // namespace

void XmlSetCallbacks(XML_Parser parser) {
  XML_SetElementHandler(parser, OnStartElement, OnEndElement);
  XML_SetCharacterDataHandler(parser, OnCharacterData);
  XML_SetDefaultHandler(parser, OnDefault);
  XML_SetCommentHandler(parser, OnComment);
  XML_SetCdataSectionHandler(parser, OnStartCData, OnEndCData);
  XML_SetDoctypeDeclHandler(parser, OnStartDoctype, OnEndDoctype);
  XML_SetXmlDeclHandler(parser, OnXmlDeclaration);
  XML_SetProcessingInstructionHandler(parser, OnProcessingInstruction);
}

void XmlPublishOpenTexts(XmlDocument* document) {
  if (document->textsPublished) return;
  document->textsPublished = true;
  document->halted = true;
  int64_t end = document->textStackLength;
  for (XmlNode* node = document->current; node; node = node->parent) {
    if (!PublishText(document, node, end)) document->outOfMemory = true;
    end = node->textStart;
  }
  document->textStackLength = 0;
}
