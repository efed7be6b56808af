// String and number functions: results on the temporary stack at the caller's start offset,
// arguments that lie on the stack while it grows, and texts read from memory.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime_fixture.h"

namespace {

class StringFunctionsTest : public CoreRuntimeTest {};

// Calls a string function at the current position and returns its text; checks that the
// position ends right behind the text.
template <class Function, class... Args>
std::u16string Result(Function function, Args... args) {
  int64_t start = StrTempPosition();
  const char16_t* out = function(args..., start);
  std::u16string text = Text(out);
  EXPECT_EQ(StrTempPosition(), start + 2 * static_cast<int64_t>(text.size()));
  EXPECT_EQ(out[text.size()], 0);
  StrTempTruncate(start);
  return text;
}

// A text of `length` characters built on the temporary stack, kept there (its terminator too).
const char16_t* StackText(int64_t length) {
  int64_t start = StrTempPosition();
  std::u16string text;
  for (int64_t i = 0; i < length; ++i) text += static_cast<char16_t>(i % 2 ? u'B' : u'a');
  text[3] = u'.';
  StrTempAppend(text.c_str());
  StrTempReserve(1, StrTempPosition());
  return StrTempAt(start);
}

TEST_F(StringFunctionsTest, StrFromIntWritesEveryValueIncludingTheSmallest) {
  EXPECT_EQ(Result(StrFromInt, int64_t{0}), u"0");
  EXPECT_EQ(Result(StrFromInt, int64_t{7}), u"7");
  EXPECT_EQ(Result(StrFromInt, int64_t{-42}), u"-42");
  EXPECT_EQ(Result(StrFromInt, int64_t{1000000}), u"1000000");
  EXPECT_EQ(Result(StrFromInt, INT64_MAX), u"9223372036854775807");
  EXPECT_EQ(Result(StrFromInt, INT64_MIN), u"-9223372036854775808");
}

TEST_F(StringFunctionsTest, StrFromIntAppendsToAnExpression) {
  RString label;
  StrExpr().Append(u"Label ").Call(StrFromInt, int64_t{-5}).Append(u"!").StoreInto(label);
  EXPECT_EQ(label, u"Label -5!");
  EXPECT_EQ(StrTempPosition(), 0);
}

TEST_F(StringFunctionsTest, LengthsCountUtf16Units) {
  EXPECT_EQ(StrByteLength(nullptr), 0);
  EXPECT_EQ(StrByteLength(u"abc"), 6);
  EXPECT_EQ(StrByteLength(u"\U0001F600"), 4);  // one character, two units
}

TEST_F(StringFunctionsTest, LeftAndRightClampN) {
  EXPECT_EQ(Result(StrLeft, u"Stampwork", int64_t{5}), u"Stamp");
  EXPECT_EQ(Result(StrRight, u"Stampwork", int64_t{4}), u"work");
  EXPECT_EQ(Result(StrLeft, u"abc", int64_t{-5}), u"");
  EXPECT_EQ(Result(StrRight, u"abc", int64_t{-5}), u"");
  EXPECT_EQ(Result(StrLeft, u"abc", int64_t{0}), u"");
  EXPECT_EQ(Result(StrLeft, u"abc", INT64_MAX), u"abc");
  EXPECT_EQ(Result(StrRight, u"abc", int64_t{99}), u"abc");
  EXPECT_EQ(Result(StrLeft, static_cast<const char16_t*>(nullptr), int64_t{3}), u"");
  EXPECT_EQ(Result(StrRight, static_cast<const char16_t*>(nullptr), INT64_MIN), u"");
}

TEST_F(StringFunctionsTest, FunctionsReadStackArgumentsWhileTheStackGrows) {
  const int64_t length = 20000;  // longer than the room the stack keeps spare
  // Each call gets a fresh stack text and must grow the stack to write its result.
  auto check = [&](auto call, auto expected) {
    const char16_t* text = StackText(length);
    std::u16string argument(text);
    int64_t size = StrTempSize();
    EXPECT_EQ(call(text), expected(argument));
    EXPECT_GT(StrTempSize(), size);
  };
  check([](const char16_t* text) { return Result(StrLeft, text, length - 1); },
        [](const std::u16string& text) { return text.substr(0, length - 1); });
  check([](const char16_t* text) { return Result(StrRight, text, length - 2); },
        [](const std::u16string& text) { return text.substr(2); });
  check([](const char16_t* text) { return Result(StrLower, text); },
        [](std::u16string text) {
          for (char16_t& c : text) c = c == u'B' ? u'b' : c;
          return text;
        });
  check([](const char16_t* text) { return Result(PathExtension, text); },
        [](const std::u16string& text) { return text.substr(4); });  // the dot is the fourth character
}

TEST_F(StringFunctionsTest, AResultMayOverwriteItsOwnStackArgument) {
  int64_t start = StrTempPosition();
  StrTempAppend(u"prefix-and-suffix");
  const char16_t* text = StrTempAt(start);
  StrRight(text, 6, start);  // the result starts where its argument did
  EXPECT_EQ(Text(StrTempAt(start)), u"suffix");
  EXPECT_EQ(StrTempPosition(), start + 12);
}

TEST_F(StringFunctionsTest, LowerCaseCoversMoreThanAscii) {
  EXPECT_EQ(Result(StrLower, u"Caf\u00C9 \u0394\u0416 ABC-xyz"), u"caf\u00E9 \u03B4\u0436 abc-xyz");
  EXPECT_EQ(Result(StrLower, static_cast<const char16_t*>(nullptr)), u"");
}

TEST_F(StringFunctionsTest, FindGivesTheOneBasedPositionOfTheFirstMatch) {
  EXPECT_EQ(StrFind(u"hello world", u"o"), 5);
  EXPECT_EQ(StrFind(u"hello world", u"world"), 7);
  EXPECT_EQ(StrFind(u"hello", u"hello"), 1);
  EXPECT_EQ(StrFind(u"aaab", u"aab"), 2);
  EXPECT_EQ(StrFind(u"hello", u"hello!"), 0);
  EXPECT_EQ(StrFind(u"hello", u"xyz"), 0);
  EXPECT_EQ(StrFind(u"hello", u""), 0);
  EXPECT_EQ(StrFind(u"", u"a"), 0);
  EXPECT_EQ(StrFind(nullptr, u"a"), 0);
  EXPECT_EQ(StrFind(u"a", nullptr), 0);
}

TEST_F(StringFunctionsTest, PathExtensionOfTheUsualNames) {
  EXPECT_EQ(Result(PathExtension, u"a.b.png"), u"png");
  EXPECT_EQ(Result(PathExtension, u"archive.tar.gz"), u"gz");
  EXPECT_EQ(Result(PathExtension, u"/home/user/Pictures/Label.JPG"), u"JPG");
  EXPECT_EQ(Result(PathExtension, u"my file.txt"), u"txt");
  EXPECT_EQ(Result(PathExtension, u"\"c:\\a.txt\""), u"txt");  // quoted: the quote ends it
}

TEST_F(StringFunctionsTest, PathExtensionIsEmptyWithoutARealDot) {
  EXPECT_EQ(Result(PathExtension, u"c:\\x.y\\file"), u"");
  EXPECT_EQ(Result(PathExtension, u"/tmp/x.y/file"), u"");
  EXPECT_EQ(Result(PathExtension, u"name."), u"");
  EXPECT_EQ(Result(PathExtension, u".ini"), u"");
  EXPECT_EQ(Result(PathExtension, u"dir\\.profile"), u"");
  EXPECT_EQ(Result(PathExtension, u"dir/.profile"), u"");
  EXPECT_EQ(Result(PathExtension, u"report.final version"), u"");
  EXPECT_EQ(Result(PathExtension, u"x"), u"");
  EXPECT_EQ(Result(PathExtension, u""), u"");
  EXPECT_EQ(Result(PathExtension, static_cast<const char16_t*>(nullptr)), u"");
}

TEST_F(StringFunctionsTest, PeekStringCopiesUpToTheTerminator) {
  const char16_t text[] = u"in memory";
  EXPECT_EQ(Result(MemoryPeekString, static_cast<const void*>(text)), u"in memory");
  EXPECT_EQ(Result(MemoryPeekString, static_cast<const void*>(nullptr)), u"");
}

std::u16string Peek(const void* address, int64_t length, int64_t format) {
  return Result(MemoryPeekStringEncoded, address, length, format);
}

TEST_F(StringFunctionsTest, PeekUtf16StopsAtTheLengthOrAZero) {
  const char16_t text[] = {u'a', u'b', 0xD800, u'c', 0, u'z', 0};  // a lone surrogate stays as it is
  EXPECT_EQ(Peek(text, 2, kPeekUtf16), u"ab");
  EXPECT_EQ(Peek(text, 4, kPeekUtf16), std::u16string(text, 4));
  EXPECT_EQ(Peek(text, 100, kPeekUtf16), std::u16string(text, 4));
  EXPECT_EQ(Peek(text, -1, kPeekUtf16), std::u16string(text, 4));
  EXPECT_EQ(Peek(text, -7, kPeekUtf16), u"");
  EXPECT_EQ(Peek(text, 0, kPeekUtf16), u"");
  EXPECT_EQ(Peek(nullptr, -1, kPeekUtf16), u"");
}

TEST_F(StringFunctionsTest, PeekUtf16ReadsUnalignedMemory) {
  alignas(8) unsigned char bytes[] = {0xFF, u'h', 0, u'i', 0, 0, 0, u'x', 0};
  EXPECT_EQ(Peek(bytes + 1, -1, kPeekUtf16), u"hi");
  EXPECT_EQ(Result(MemoryPeekString, static_cast<const void*>(bytes + 1)), u"hi");
}

TEST_F(StringFunctionsTest, PeekUtf8LengthCountsCharactersUnlessTheByteFlagIsSet) {
  const char word[] = "f\xC3\xBCr sale";  // "für": three letters in four bytes
  EXPECT_EQ(Peek(word, 3, kPeekUtf8), u"f\u00FCr");
  EXPECT_EQ(Peek(word, 3, kPeekUtf8 | kPeekByteLength), u"f\u00FC");
  EXPECT_EQ(Peek(word, -1, kPeekUtf8), u"f\u00FCr sale");
  EXPECT_EQ(Peek(word, 100, kPeekUtf8), u"f\u00FCr sale");
  const char emoji[] = "\xF0\x9F\x98\x80\xE2\x82\xAC!";  // four-byte and three-byte characters
  EXPECT_EQ(Peek(emoji, 2, kPeekUtf8), u"\U0001F600\u20AC");
  EXPECT_EQ(Peek(emoji, 2, 0x20 | kPeekUtf8), u"\U0001F600\u20AC");  // only the low five bits choose
}

TEST_F(StringFunctionsTest, PeekUtf8CountsEveryInvalidByteAsOneCharacter) {
  const char bad[] = "\xFF" "a" "\xC0\x80" "\xED\xA0\x80" "b";  // stray, overlong, surrogate
  EXPECT_EQ(Peek(bad, 2, kPeekUtf8), u"\uFFFDa");
  EXPECT_EQ(Peek(bad, 4, kPeekUtf8), u"\uFFFDa\uFFFD\uFFFD");
  std::u16string all = Peek(bad, -1, kPeekUtf8);
  EXPECT_EQ(all.back(), u'b');
  const char truncated[] = "ok\xE2\x82";  // a sequence cut short by the terminator
  EXPECT_EQ(Peek(truncated, 10, kPeekUtf8), u"ok\uFFFD");
}

TEST_F(StringFunctionsTest, PeekAnsiIsWindows1252) {
  const char text[] = "\x80 5 caf\xE9";
  EXPECT_EQ(Peek(text, -1, 0), u"\u20AC 5 caf\u00E9");
  EXPECT_EQ(Peek(text, 3, 1), u"\u20AC 5");
  EXPECT_EQ(Peek(text, 0, 0), u"");
}

TEST_F(StringFunctionsTest, PeekBytesThatLieWhereTheResultGoes) {
  int64_t start = StrTempPosition();
  const char16_t packed[] = {0x4241, 0x4443, 0};  // the bytes "ABCD" on little-endian UTF-16
  StrTempAppend(packed);
  MemoryPeekStringEncoded(StrTempAt(start), -1, 0, start);
  EXPECT_EQ(Text(StrTempAt(start)), u"ABCD");
  EXPECT_EQ(StrTempPosition(), start + 8);
}

}  // namespace
