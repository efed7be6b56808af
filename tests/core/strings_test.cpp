// The string runtime: variables, the temporary string stack and its growth, and the C++ layer
// that application code builds its strings with.
#include <gtest/gtest.h>

#include <string>

#include "runtime_fixture.h"

namespace {

class StringsTest : public CoreRuntimeTest {};

// A string function in the runtime's convention: writes `text` repeated `times` at `start`,
// reading its argument through its stack offset after the reservation, as every function must.
const char16_t* Repeat(const char16_t* text, int64_t times, int64_t start) {
  int64_t onStack = StrTempOffset(text);
  int64_t length = StrLen(text);
  char16_t* out = StrTempReserve(length * times, start);
  if (onStack) text = StrTempAddress(onStack);
  for (int64_t i = 0; i < times; ++i) StrCopyChars(out + i * length, text, length);
  return out;
}

TEST_F(StringsTest, AssigningEmptyKeepsABlockAndAssigningNullFreesIt) {
  char16_t* variable = nullptr;
  StrAssign(&variable, u"");
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(variable[0], 0);
  StrAssign(&variable, u"longer text");
  EXPECT_EQ(Text(variable), u"longer text");
  StrAssign(&variable, nullptr);
  EXPECT_EQ(variable, nullptr);
  StrAssign(nullptr, u"x");  // no variable: nothing happens
}

TEST_F(StringsTest, AssigningATailOfTheVariableItself) {
  char16_t* variable = nullptr;
  StrAssign(&variable, u"prefix-value");
  StrAssign(&variable, variable + 7);
  EXPECT_EQ(Text(variable), u"value");
  StrFree(variable);
}

TEST_F(StringsTest, CopyNewLeavesTheVariableAloneForNull) {
  char16_t* local = nullptr;
  StrCopyNew(&local, nullptr);
  EXPECT_EQ(local, nullptr);
  StrCopyNew(&local, u"param");
  EXPECT_EQ(Text(local), u"param");
  StrFree(local);
}

TEST_F(StringsTest, NullComparesEqualToEmpty) {
  EXPECT_EQ(StrEqual(nullptr, u""), 1);
  EXPECT_EQ(StrEqual(u"", nullptr), 1);
  EXPECT_EQ(StrEqual(nullptr, nullptr), 1);
  EXPECT_EQ(StrEqual(u"abc", u"abc"), 1);
  EXPECT_EQ(StrEqual(u"abc", u"abd"), 0);
  EXPECT_EQ(StrEqual(u"ab", u"abc"), 0);
  EXPECT_EQ(StrEqual(u"a", nullptr), 0);
  EXPECT_EQ(StrLen(nullptr), 0);
}

TEST_F(StringsTest, AnExpressionStoredIntoAVariablePutsThePositionBack) {
  char16_t* variable = nullptr;
  int64_t before = StrTempPosition();
  int64_t start = StrTempPosition();
  StrTempAppend(u"Hello, ");
  StrTempAppend(nullptr);
  StrTempAppend(u"world");
  EXPECT_EQ(StrTempPosition() - start, 24);
  EXPECT_EQ(StrTempStore(&variable, start), start);
  EXPECT_EQ(Text(variable), u"Hello, world");
  EXPECT_EQ(StrTempPosition(), before);
  StrFree(variable);
}

TEST_F(StringsTest, TheStackStartsAt16BytesAndGrowsByAtLeast16KiB) {
  EXPECT_EQ(StrTempSize(), 16);
  int64_t start = StrTempPosition();
  StrTempReserve(3, start);  // 6 bytes fit below size - 4
  EXPECT_EQ(StrTempSize(), 16);
  // Room is measured from the current end (6): 6 + 12 reaches size - 4, so the stack grows.
  StrTempReserve(6, start);
  EXPECT_EQ(StrTempSize(), 6 + 12 + 16384);
  EXPECT_EQ(StrTempPosition(), start + 12);
  StrTempTruncate(start);
  EXPECT_EQ(StrTempSize(), 6 + 12 + 16384);  // the buffer never shrinks
}

TEST_F(StringsTest, ArgumentsOnTheStackAreReaddressedAfterGrowth) {
  int64_t start = StrTempPosition();
  StrTempAppend(u"abc");
  const char16_t* argument = StrTempAt(start);
  StrTempReserve(1, StrTempPosition());  // keep the argument's terminator (pass convention)
  int64_t resultStart = StrTempPosition();
  Repeat(argument, 5000, resultStart);  // 30000 bytes: the stack moves
  std::u16string result(StrTempAt(resultStart), 15000);
  EXPECT_EQ(result.substr(0, 6), u"abcabc");
  EXPECT_EQ(result.substr(14997), u"abc");
  StrTempTruncate(start);
  EXPECT_EQ(StrTempPosition(), start);
}

TEST_F(StringsTest, AppendingAStackTextThatMovesTheStack) {
  int64_t start = StrTempPosition();
  std::u16string big(5000, u'x');
  StrTempAppend(big.c_str());
  const char16_t* onStack = StrTempAt(start);
  StrTempAppend(onStack);  // its source moves while it is appended
  EXPECT_EQ(std::u16string(StrTempAt(start)), big + big);
  StrTempTruncate(start);
}

TEST_F(StringsTest, OffsetsAndAddressesOfStackTexts) {
  int64_t start = StrTempPosition();
  const char16_t* text = StrTempAppend(u"xyz");
  EXPECT_EQ(StrTempOffset(text), start + 1);
  EXPECT_EQ(StrTempAddress(StrTempOffset(text)), text);
  EXPECT_EQ(StrTempOffset(u"not on the stack"), 0);
  EXPECT_EQ(StrTempOffset(nullptr), 0);
  StrTempShrink(1);
  EXPECT_EQ(StrTempPosition(), start + 4);
  StrTempShrink(1000);
  EXPECT_EQ(StrTempPosition(), 0);
  StrTempTruncate(start);
}

TEST_F(StringsTest, CopyCharsTerminates) {
  char16_t buffer[8] = {u'z', u'z', u'z', u'z', u'z', u'z', u'z', u'z'};
  StrCopyChars(buffer, u"abcdef", 3);
  EXPECT_EQ(Text(buffer), u"abc");
  StrCopyChars(buffer, nullptr, 3);
  EXPECT_EQ(Text(buffer), u"");
}

TEST_F(StringsTest, RStringOwnsItsBlock) {
  RString a = u"first";
  RString b = a;
  b = u"second";
  EXPECT_EQ(a, u"first");
  EXPECT_EQ(b, u"second");
  RString moved = std::move(b);
  EXPECT_EQ(moved, u"second");
  EXPECT_TRUE(b.empty());
  RString none;
  EXPECT_EQ(none.get(), nullptr);
  EXPECT_EQ(none, u"");
  EXPECT_STREQ(reinterpret_cast<const char*>(none.c_str()), "");
  none = nullptr;
  EXPECT_EQ(none.length(), 0);
}

TEST_F(StringsTest, StrExprBuildsStoresAndRestoresThePosition) {
  RString name = u"label";
  RString result;
  int64_t before = StrTempPosition();
  {
    StrExpr expr;
    expr.Append(u"<").Append(name).Call(Repeat, u"!", 3).Append(u">");
    EXPECT_EQ(Text(expr.Text()), u"<label!!!>");
    expr.StoreInto(result);
  }
  EXPECT_EQ(result, u"<label!!!>");
  EXPECT_EQ(StrTempPosition(), before);
  {
    StrExpr outer;
    outer.Append(u"a");
    const char16_t* passed = outer.Pass();
    StrExpr inner;  // a callee's own expression starts behind the passed text
    inner.Append(u"b");
    EXPECT_EQ(Text(passed), u"a");
  }
  EXPECT_EQ(StrTempPosition(), before);
}

TEST(StringsWithoutHeap, OperationsBeforeStartUpDoNothing) {
  char16_t* variable = nullptr;
  StrAssign(&variable, u"x");
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(StrTempReserve(4, 0), nullptr);
  EXPECT_EQ(Text(StrTempAppend(u"x")), u"");
  StrTempTruncate(0);
}

}  // namespace
