// Attribute values of dialog descriptions: numbers, runtime names and keywords.
#include "dialog_attributes.h"

#include "dialog.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

char16_t Folded(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

}  // namespace

int64_t DecimalValue(const char16_t* text, int64_t limit) {
  if (text == nullptr) return 0;
  while (IsBlank(*text)) ++text;
  bool negative = *text == u'-';
  if (*text == u'-' || *text == u'+') ++text;
  int64_t value = 0;
  for (; *text >= u'0' && *text <= u'9'; ++text) {
    value = value * 10 + (*text - u'0');
    if (value > limit) value = limit;  // and stays there
  }
  return negative ? -value : value;
}

int64_t NumberValue(const char16_t* text) {
  int64_t value = 0;
  if (RuntimeNameFind(text, &value)) {
    if (value > kAttributeNumberLimit) return kAttributeNumberLimit;
    if (value < -kAttributeNumberLimit) return -kAttributeNumberLimit;
    return value;
  }
  return DecimalValue(text);
}

int64_t NumberAttribute(const XmlNode* node, const char16_t* name, int64_t fallback) {
  const char16_t* value = XmlNodeAttribute(node, name);
  return value ? NumberValue(value) : fallback;
}

bool IsKeyword(const char16_t* value, const char16_t* keyword) {
  return value != nullptr && XmlNameEqualNoCase(value, keyword);
}

const char16_t* FindKeyword(const char16_t* value, const char16_t* keyword) {
  if (value == nullptr || keyword == nullptr || keyword[0] == 0) return nullptr;
  for (const char16_t* at = value; *at; ++at) {
    const char16_t* a = at;
    const char16_t* k = keyword;
    while (*k && Folded(*a) == Folded(*k)) ++a, ++k;
    if (*k == 0) return at;
  }
  return nullptr;
}

bool IsYes(const XmlNode* node, const char16_t* name) { return IsKeyword(XmlNodeAttribute(node, name), u"YES"); }
