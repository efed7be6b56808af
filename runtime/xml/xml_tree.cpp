// Reading and releasing a document's tree. Every walk over the tree is a loop over the parent
// and sibling links, never a recursion, so that documents nested to any depth are safe.
#include "heap.h"
#include "kernel.h"
#include "pool.h"
#include "xml_document.h"

namespace {

char16_t FoldCase(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 32);
  if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) return static_cast<char16_t>(unit + 32);
  return unit;
}

void FreeHeld(char16_t* string) {
  if (XmlStringIsHeld(string)) HeapFree(MainHeap(), 0, string);
}

// A node's own storage: strings and arrays in heap blocks of their own; pool strings stay.
void FreeNodeStrings(XmlNode* node) {
  FreeHeld(node->name);
  FreeHeld(node->text);
  if (node->attributes == nullptr) return;
  for (int64_t i = 0; i < int64_t{node->attributeCount} * 2; ++i) FreeHeld(node->attributes[i]);
  if (XmlAttributeArrayIsHeld(node->attributeCount)) HeapFree(MainHeap(), 0, node->attributes);
}

}  // namespace

bool XmlNameEqualNoCase(const char16_t* a, const char16_t* b) {
  if (a == nullptr) a = u"";
  if (b == nullptr) b = u"";
  for (;; ++a, ++b) {
    if (FoldCase(*a) != FoldCase(*b)) return false;
    if (*a == 0) return true;
  }
}

void XmlTreeFree(XmlNode* top) {
  XmlNode* node = top;
  while (node) {
    // Children go first: detach the first child and descend; a node is freed once it has none.
    if (node->firstChild) {
      XmlNode* child = node->firstChild;
      node->firstChild = nullptr;
      node = child;
      continue;
    }
    XmlNode* next = node == top ? nullptr : node->nextSibling ? node->nextSibling : node->parent;
    FreeNodeStrings(node);
    PoolFree(XmlNodePool(), node);
    node = next;
  }
}

XmlNode* XmlNodeNextInTree(const XmlNode* node, const XmlNode* top) {
  if (node == nullptr) return nullptr;
  if (node->firstChild) return node->firstChild;
  for (; node && node != top; node = node->parent) {
    if (node->nextSibling) return node->nextSibling;
  }
  return nullptr;
}

int64_t XmlNodeKind(const XmlNode* node) { return node ? node->kind : -1; }
XmlNode* XmlNodeParent(const XmlNode* node) { return node ? node->parent : nullptr; }
XmlNode* XmlNodeFirstChild(const XmlNode* node) { return node ? node->firstChild : nullptr; }
XmlNode* XmlNodeNextSibling(const XmlNode* node) { return node ? node->nextSibling : nullptr; }
XmlNode* XmlNodePreviousSibling(const XmlNode* node) { return node ? node->previousSibling : nullptr; }
const char16_t* XmlNodeName(const XmlNode* node) { return node ? node->name : nullptr; }
const char16_t* XmlNodeText(const XmlNode* node) { return node ? node->text : nullptr; }
int64_t XmlNodeTextLength(const XmlNode* node) { return node ? node->textLength : 0; }
int64_t XmlNodeTextOffset(const XmlNode* node) { return node ? node->textOffset : 0; }
int64_t XmlNodeAttributeCount(const XmlNode* node) { return node ? node->attributeCount : 0; }
int64_t XmlNodeIdIndex(const XmlNode* node) { return node ? node->idIndex : -1; }

const char16_t* XmlNodeAttributeName(const XmlNode* node, int64_t index) {
  if (node == nullptr || index < 0 || index >= node->attributeCount) return nullptr;
  return node->attributes[index * 2];
}

const char16_t* XmlNodeAttributeValue(const XmlNode* node, int64_t index) {
  if (node == nullptr || index < 0 || index >= node->attributeCount) return nullptr;
  return node->attributes[index * 2 + 1];
}

int64_t XmlNodeAttributeIndex(const XmlNode* node, const char16_t* name) {
  if (node == nullptr) return -1;
  for (int64_t i = 0; i < node->attributeCount; ++i) {
    if (XmlNameEqualNoCase(node->attributes[i * 2], name)) return i;
  }
  return -1;
}

const char16_t* XmlNodeAttribute(const XmlNode* node, const char16_t* name) {
  return XmlNodeAttributeValue(node, XmlNodeAttributeIndex(node, name));
}
