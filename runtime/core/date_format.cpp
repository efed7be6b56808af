// DateFormat: a date value (seconds since 1970 without time zone) taken apart as a UTC calendar
// date and written through a mask of %-tokens. The output grows 4096 characters at a time on the
// temporary stack, and the mask is copied first, since it may lie on that stack.
#include <cstring>

#include "charcase.h"
#include "heap.h"
#include "string_functions.h"
#include "string_runtime.h"

namespace {

// The last second the 64-bit calendar conversion accepts: 3000-12-31 23:59:59.
constexpr int64_t kLastDate = 32535215999;
constexpr int64_t kOutputStep = 4096;

struct DateFields {
  int64_t year, month, day, hour, minute, second;
};

// Days since 1970-01-01 to a proleptic Gregorian date, counted in 400-year eras from 0000-03-01.
DateFields FieldsOf(int64_t date) {
  DateFields fields{};
  if (date < 0 || date > kLastDate) return fields;
  int64_t days = date / 86400;
  int64_t seconds = date % 86400;
  fields.hour = seconds / 3600;
  fields.minute = seconds / 60 % 60;
  fields.second = seconds % 60;
  days += 719468;
  int64_t era = days / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  fields.day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  fields.month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  fields.year = yearOfEra + era * 400 + (fields.month <= 2 ? 1 : 0);
  return fields;
}

// The value of the token starting right after a "%", with its length and width; false when
// the characters there start no token. Reads no further than a terminator.
bool MatchToken(const char16_t* at, const DateFields& fields, int64_t* value, int* length, int* width) {
  auto is = [at](const char* token) {
    for (int i = 0; token[i]; ++i) {
      if (CrtToLower(at[i]) != token[i]) return false;
    }
    return true;
  };
  struct Token {
    const char* text;
    int64_t value;
  };
  const Token twoLetter[] = {{"yy", fields.year % 100}, {"mm", fields.month},  {"dd", fields.day},
                             {"hh", fields.hour},       {"ii", fields.minute}, {"ss", fields.second}};
  if (is("yyyy")) {
    *value = fields.year;
    *length = *width = 4;
    return true;
  }
  for (const Token& token : twoLetter) {
    if (is(token.text)) {
      *value = token.value;
      *length = *width = 2;
      return true;
    }
  }
  return false;
}

}  // namespace

const char16_t* DateFormat(const char16_t* mask, int64_t date, int64_t start) {
  DateFields fields = FieldsOf(date);
  int64_t maskLength = StrLen(mask);
  auto* copy = static_cast<char16_t*>(MainHeapAlloc(static_cast<size_t>(maskLength + 1) * sizeof(char16_t)));
  if (copy == nullptr) return StrTempResult(nullptr, 0, 0, start);
  if (maskLength) std::memcpy(copy, mask, static_cast<size_t>(maskLength) * sizeof(char16_t));

  int64_t capacity = kOutputStep;
  char16_t* out = StrTempReserve(capacity, start);
  int64_t written = 0;
  for (int64_t i = 0; out && copy[i];) {
    if (capacity - written < 5) {
      char16_t* grown = StrTempReserve(capacity + kOutputStep, start);
      if (grown == nullptr) break;
      capacity += kOutputStep;
      out = grown;
    }
    int64_t value;
    int length, width;
    if (copy[i] == u'%' && MatchToken(copy + i + 1, fields, &value, &length, &width)) {
      for (int digit = width - 1; digit >= 0; --digit, value /= 10) out[written + digit] = static_cast<char16_t>(u'0' + value % 10);
      written += width;
      i += 1 + length;
    } else {
      out[written++] = copy[i++];
    }
  }
  MainHeapFree(copy);
  if (out == nullptr) return u"";
  StrTempTruncate(start + written * 2);
  return StrTempAt(start);
}
