// DateFormat: every token in any case, masks with stray and doubled percent signs, dates at and
// beyond the calendar's ends, and outputs longer than one 4096-character step.
#include <gtest/gtest.h>

#include <string>

#include "runtime_fixture.h"

namespace {

class DateFormatTest : public CoreRuntimeTest {};

constexpr int64_t kMay20th2016 = 1463752581;  // 2016-05-20 13:56:21 UTC

std::u16string Format(const char16_t* mask, int64_t date) {
  int64_t start = StrTempPosition();
  const char16_t* out = DateFormat(mask, date, start);
  std::u16string text = Text(out);
  EXPECT_EQ(StrTempPosition(), start + 2 * static_cast<int64_t>(text.size()));
  StrTempTruncate(start);
  return text;
}

TEST_F(DateFormatTest, EveryTokenOfADate) {
  EXPECT_EQ(Format(u"%dd.%mm.%yyyy", kMay20th2016), u"20.05.2016");
  EXPECT_EQ(Format(u"%hh:%ii:%ss", kMay20th2016), u"13:56:21");
  EXPECT_EQ(Format(u"%yy%mm%dd", kMay20th2016), u"160520");
  EXPECT_EQ(Format(u"%yyyy-%mm-%dd %hh:%ii:%ss", 0), u"1970-01-01 00:00:00");
  EXPECT_EQ(Format(u"%yyyy-%mm-%dd", 951782400), u"2000-02-29");  // a leap day
  EXPECT_EQ(Format(u"%yyyy-%mm-%dd %hh:%ii:%ss", 4102444799), u"2099-12-31 23:59:59");
}

TEST_F(DateFormatTest, TokensIgnoreCase) {
  EXPECT_EQ(Format(u"%DD.%Mm.%YYYY %hH:%Ii:%sS", kMay20th2016), u"20.05.2016 13:56:21");
  EXPECT_EQ(Format(u"%yYyY/%YY", kMay20th2016), u"2016/16");
}

TEST_F(DateFormatTest, PercentSignsThatStartNoTokenAreCopied) {
  EXPECT_EQ(Format(u"100%%", kMay20th2016), u"100%%");
  EXPECT_EQ(Format(u"%%%", kMay20th2016), u"%%%");
  EXPECT_EQ(Format(u"%%dd", kMay20th2016), u"%20");
  EXPECT_EQ(Format(u"%", kMay20th2016), u"%");
  EXPECT_EQ(Format(u"%y", kMay20th2016), u"%y");
  EXPECT_EQ(Format(u"%yyy", kMay20th2016), u"16y");  // the longest token that fits wins
  EXPECT_EQ(Format(u"%x %m", kMay20th2016), u"%x %m");
  EXPECT_EQ(Format(u"no tokens", kMay20th2016), u"no tokens");
  EXPECT_EQ(Format(u"", kMay20th2016), u"");
  EXPECT_EQ(Format(nullptr, kMay20th2016), u"");
}

TEST_F(DateFormatTest, DatesTheCalendarRejectsHaveEveryFieldZero) {
  const char16_t* mask = u"%yyyy-%mm-%dd %hh:%ii:%ss %yy";
  EXPECT_EQ(Format(mask, -1), u"0000-00-00 00:00:00 00");
  EXPECT_EQ(Format(mask, -86400), u"0000-00-00 00:00:00 00");
  EXPECT_EQ(Format(mask, INT64_MIN), u"0000-00-00 00:00:00 00");
  EXPECT_EQ(Format(mask, 32535215999), u"3000-12-31 23:59:59 00");  // the last second it takes
  EXPECT_EQ(Format(mask, 32535216000), u"0000-00-00 00:00:00 00");
  EXPECT_EQ(Format(mask, INT64_MAX), u"0000-00-00 00:00:00 00");
}

TEST_F(DateFormatTest, OutputLongerThanOneStepGrowsTheStack) {
  std::u16string mask, expected;
  for (int i = 0; i < 2000; ++i) {
    mask += u"%yyyy|";
    expected += u"2016|";
  }
  mask += u"%ss";
  expected += u"21";
  EXPECT_EQ(Format(mask.c_str(), kMay20th2016), expected);  // 10002 characters
}

TEST_F(DateFormatTest, AMaskOnTheStackSurvivesTheOutputMovingIt) {
  int64_t maskStart = StrTempPosition();
  for (int i = 0; i < 3000; ++i) StrTempAppend(u"%dd.");
  StrTempReserve(1, StrTempPosition());
  const char16_t* mask = StrTempAt(maskStart);
  std::u16string expected;
  for (int i = 0; i < 3000; ++i) expected += u"20.";
  EXPECT_EQ(Format(mask, kMay20th2016), expected);
}

}  // namespace
