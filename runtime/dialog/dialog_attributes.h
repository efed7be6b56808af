// Reading attribute values of dialog descriptions: decimals read the forgiving way (leading
// blanks, a sign, digits, anything else ends the number), values that may be runtime names,
// keywords compared without case, and keywords found inside a value.
#pragma once

#include <cstdint>

#include "xml/xml.h"

// The largest magnitude a size or number read from a description keeps; larger values are cut
// to it, so that sums and products of sizes stay far from overflow.
constexpr int64_t kAttributeNumberLimit = 1000000;

// Object numbers read from a description ("ID") are cut to this instead.
constexpr int64_t kObjectNumberLimit = int64_t{1} << 40;

// Leading blanks, an optional sign and digits; anything else gives 0. Cut to the limit.
int64_t DecimalValue(const char16_t* text, int64_t limit = kAttributeNumberLimit);
// A runtime name's value when the text is a declared name, else its decimal value.
int64_t NumberValue(const char16_t* text);
// The attribute's number, or `fallback` when the attribute is absent.
int64_t NumberAttribute(const XmlNode* node, const char16_t* name, int64_t fallback);
// Whether a value equals a keyword without regard to case (a null value equals nothing).
bool IsKeyword(const char16_t* value, const char16_t* keyword);
// Where a keyword first occurs in a value without regard to case; none if it does not.
const char16_t* FindKeyword(const char16_t* value, const char16_t* keyword);
// Whether the attribute's value is "YES" in any case.
bool IsYes(const XmlNode* node, const char16_t* name);
