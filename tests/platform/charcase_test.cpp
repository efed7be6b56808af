// Letter case of the platform layer: CharLowerW over the whole Basic Multilingual Plane, and the
// C runtime's case-insensitive comparisons that fold ASCII letters only.
#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>
#include <string>

#include "charcase.h"

namespace {

std::u16string Lower(std::u16string text) {
  CharLowerW(text.data());
  return text;
}

TEST(CharLower, LowersLettersOfEveryScriptInPlace) {
  EXPECT_EQ(Lower(u"Hello, WORLD 123"), u"hello, world 123");
  EXPECT_EQ(Lower(u"\u00C0\u00C9\u00DE\u00D7"), u"\u00E0\u00E9\u00FE\u00D7");  // the multiplication sign stays
  EXPECT_EQ(Lower(u"\u03A3\u0391\u03A3"), u"\u03C3\u03B1\u03C3");                // Greek
  EXPECT_EQ(Lower(u"\u0414\u0416\u0401"), u"\u0434\u0436\u0451");                // Cyrillic
  EXPECT_EQ(Lower(u"\u0100\u0101\u0102"), u"\u0101\u0101\u0103");                // alternating pairs
  EXPECT_EQ(Lower(u"\uFF21\uFF3A"), u"\uFF41\uFF5A");                            // fullwidth
  EXPECT_EQ(Lower(u"\u0130\u212A"), u"ik");                                       // dotted I, Kelvin sign
  EXPECT_EQ(Lower(u"stra\u00DFe"), u"stra\u00DFe");                               // no upper case to lower
}

TEST(CharLower, LeavesSurrogatesAndNonLettersAlone) {
  const char16_t units[] = {0xD801, 0xDC00, 0xDC00, 0xD800, u'!', 0xFFFF, 0};
  std::u16string text(units);
  EXPECT_EQ(Lower(text), text);
  EXPECT_EQ(Lower(u""), u"");
}

TEST(CharLower, ASmallValueIsOneCharacterNotAPointer) {
  auto result = CharLowerW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(u'Q')));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(result), static_cast<uintptr_t>(u'q'));
  result = CharLowerW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(0x0416)));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(result), 0x0436u);
}

TEST(CharLower, BufferFormStopsAtItsLengthNotAtZero) {
  char16_t text[] = {u'A', 0, u'B', u'C'};
  EXPECT_EQ(CharLowerBuffW(text, 3), 3u);
  EXPECT_EQ(text[0], u'a');
  EXPECT_EQ(text[2], u'b');
  EXPECT_EQ(text[3], u'C');
  EXPECT_EQ(CharLowerBuffW(nullptr, 5), 0u);
}

// The table was generated from the C library's mappings; every unit must still agree with them.
TEST(CharLower, AgreesWithTheUnicodeMappingsForTheWholePlane) {
  const char* previous = std::setlocale(LC_CTYPE, nullptr);
  std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale here";
  int mismatches = 0;
  for (uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    auto expected = static_cast<uint32_t>(std::towlower(static_cast<wint_t>(unit)));
    if (expected > 0xFFFF) expected = unit;
    auto got = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(unit)))));
    if (got != expected && ++mismatches < 10) ADD_FAILURE() << std::hex << "U+" << unit << " gave " << got << ", expected " << expected;
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(mismatches, 0);
}

TEST(CaseInsensitiveCompare, FoldsAsciiLettersToLowerCaseOnly) {
  EXPECT_EQ(_wcsicmp(u"Arial", u"aRIAL"), 0);
  EXPECT_LT(_wcsicmp(u"apple", u"Banana"), 0);
  EXPECT_GT(_wcsicmp(u"Zebra", u"apple"), 0);
  // Folding to lower case puts '_' (0x5F) before the letters.
  EXPECT_LT(_wcsicmp(u"_x", u"Ax"), 0);
  EXPECT_NE(_wcsicmp(u"\u00C9", u"\u00E9"), 0);  // beyond ASCII: compared as they are
  EXPECT_LT(_wcsicmp(u"ab", u"ABC"), 0);
  EXPECT_EQ(_wcsicmp(nullptr, u""), 0);
  EXPECT_LT(_wcsicmp(nullptr, u"a"), 0);
}

TEST(CaseInsensitiveCompare, BytesCompareUnsigned) {
  EXPECT_EQ(_stricmp("OK", "ok"), 0);
  EXPECT_GT(_stricmp("\xE9", "z"), 0);
  EXPECT_LT(_stricmp("ok", "okay"), 0);
  EXPECT_EQ(_stricmp(nullptr, nullptr), 0);
  EXPECT_EQ(CrtToLower(-23), -23);
  EXPECT_EQ(CrtToLower('Q'), 'q');
}

}  // namespace

TEST(CharUpper, RaisesToTheOrdinaryCapitalAndKeepsSharpS) {
  std::u16string text = u"abz\u00e5\u00df\u03c9\u0451\u0101 1-";
  EXPECT_EQ(CharUpperBuffW(text.data(), static_cast<DWORD>(text.size())), text.size());
  EXPECT_EQ(text, u"ABZ\u00c5\u00df\u03a9\u0401\u0100 1-");
  EXPECT_EQ(CharUpperBuffW(nullptr, 5), 0u);
}
