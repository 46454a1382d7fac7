// The date test run when a date field is left: one table of MaxLength,
// text and today's date against the answer, with the platform recording
// what it was asked to recognise.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "date/date_editing.h"
#include "platform.h"
#include "variant.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

class RecordingPlatform : public Platform {
 public:
  explicit RecordingPlatform(int year) : year_(year) {}
  void Beep() override { ++beeps; }
  void SendKeys(std::u16string_view) override {}
  CalendarDate Today() override { return {year_, 6, 15}; }
  bool IsDate(std::u16string_view text) override {
    asked.emplace_back(text);
    return acceptAll || Platform::IsDate(text);
  }
  std::vector<std::u16string> asked;
  bool acceptAll = false;
  int beeps = 0;

 private:
  int year_;
};

std::string Show(const std::u16string& text) { return "\"" + ToUtf8(text) + "\""; }

struct CheckRow {
  const char* name;
  std::int16_t length;
  const char16_t* text;
  int todayYear;
  bool valid;
};

std::ostream& operator<<(std::ostream& os, const CheckRow& r) {
  return os << r.name << ": MaxLength " << r.length << ", text " << Show(r.text) << ", this year " << r.todayYear
            << ", expected " << (r.valid ? "True" : "False");
}

class DateCheck : public ::testing::TestWithParam<CheckRow> {};

TEST_P(DateCheck, Answer) {
  const CheckRow& r = GetParam();
  RecordingPlatform platform(r.todayYear);
  ScopedPlatform scoped(platform);
  const std::int16_t answer = ControllaData(r.text, r.length);
  // The control's Booleans: True is -1, never 1.
  EXPECT_EQ(answer, r.valid ? -1 : 0) << r;
  EXPECT_EQ(platform.beeps, 0) << r;
}

const CheckRow kRows[] = {
    // Long date.
    {"LongDate", 10, u"14/12/1967", 1990, true},
    {"LongEmptyMask", 10, u"  /  /    ", 1990, false},
    {"LongYearHalfTyped", 10, u"14/12/19  ", 1990, false},
    {"LongDayHalfTyped", 10, u" 4/12/1967", 1990, false},
    {"LongBlankInsideYear", 10, u"14/12/1 67", 1990, false},
    {"LongNoSuchDay", 10, u"31/02/1967", 1990, false},
    {"LongThirtyFirstOfApril", 10, u"31/04/1967", 1990, false},
    {"LongThirtiethOfApril", 10, u"30/04/1967", 1990, true},
    {"LongMonthThirteen", 10, u"14/13/1967", 1990, false},
    {"LongDayZero", 10, u"00/12/1967", 1990, false},
    {"LongErasedDigitsReadZero", 10, u"10/10/1960", 1990, true},
    {"LongLeapDay", 10, u"29/02/1968", 1990, true},
    {"LongLeapDayCommonYear", 10, u"29/02/1967", 1990, false},
    {"LongLeapDayCentury", 10, u"29/02/1900", 1990, false},
    {"LongLeapDayFourCenturies", 10, u"29/02/2000", 1990, true},
    {"LongSlashOverwritten", 10, u"14512/1967", 1990, false},
    // Two-digit year, tested as typed.
    {"ShortDate", 8, u"14/12/67", 1990, true},
    {"ShortEmptyMask", 8, u"  /  /  ", 1990, false},
    {"ShortLeapDayOfTwoThousand", 8, u"29/02/00", 1990, true},
    {"ShortLeapDayCommonYear", 8, u"29/02/01", 1990, false},
    {"ShortStyleFourDigitYearFitsEightCharacters", 8, u"1/1/1967", 1990, true},
    // Day and month, completed with this year.
    {"DayMonth", 5, u"14/12", 1967, true},
    {"DayMonthLeapDayInLeapYear", 5, u"29/02", 1968, true},
    {"DayMonthLeapDayInCommonYear", 5, u"29/02", 1967, false},
    {"DayMonthLeapDayIn2000", 5, u"29/02", 2000, true},
    {"DayMonthLeapDayIn2100", 5, u"29/02", 2100, false},
    {"DayMonthEmptyMask", 5, u"  /  ", 1967, false},
    {"DayMonthHalfTyped", 5, u"14/1 ", 1967, false},
    {"DayMonthNoSuchDay", 5, u"31/11", 1967, false},
    // Month and year.
    {"MonthYear", 7, u"12/1990", 1990, true},
    // The years run from 1980 to 2050 only, so a 1967 month is refused.
    {"MonthYearBefore1980", 7, u"12/1967", 1990, false},
    {"MonthYearFirstYear", 7, u"01/1980", 1990, true},
    {"MonthYearLastYear", 7, u"12/2050", 1990, true},
    {"MonthYearBeforeFirstYear", 7, u"12/1979", 1990, false},
    {"MonthYearAfterLastYear", 7, u"12/2051", 1990, false},
    {"MonthYearMonthThirteen", 7, u"13/1967", 1990, false},
    {"MonthYearMonthZero", 7, u"00/1967", 1990, false},
    {"MonthYearBlankThenDigit", 7, u" 7/1980", 1990, true},
    {"MonthYearSingleDigitReadToSlash", 7, u"1//1980", 1990, true},
    {"MonthYearBlanksInsideYear", 7, u"12/1 9 ", 1990, false},
    {"MonthYearIgnoresMiddle", 7, u"12x1990", 1990, true},
    {"MonthYearItsOwnMask", 7, u"  /  / ", 1990, false},
    {"MonthYearShortText", 7, u"12", 1990, false},
    {"MonthYearEmptyText", 7, u"", 1990, false},
    // Lengths the page does not offer.
    {"LengthAboveTenNeverFilled", 11, u"14/12/1967", 1990, false},
    {"FiveCharactersCompletedButNotFilled", 4, u"14/12", 1967, false},
    {"FiveCharactersCompletedForLongLength", 10, u"14/12", 1967, false},
    {"EmptyMask", 0, u"", 1990, false},
    {"NegativeLength", -1, u"14/12/1967", 1990, false},
};
INSTANTIATE_TEST_SUITE_P(Rows, DateCheck, ::testing::ValuesIn(kRows), testing::kRowName);

// The recognition is the platform's: a day/month text reaches it with the
// present year appended, a two-digit year as typed, and only the fill test
// is the procedure's own.
TEST(DateCheckPlatform, RecognitionGoesThroughThePlatform) {
  struct Row {
    CheckRow check;
    bool acceptAll;
    std::vector<std::u16string> wantAsked;
  };
  const Row rows[] = {
      {{"DayMonthGetsThisYear", 5, u"14/12", 1967, true}, false, {u"14/12/1967"}},
      {{"YearPaddedToFourDigits", 5, u"01/02", 999, true}, true, {u"01/02/0999"}},
      {{"TwoDigitYearAsTyped", 8, u"14/12/67", 1990, true}, false, {u"14/12/67"}},
      {{"PermissivePlatformStillNeedsAFullField", 10, u"14/12/19  ", 1990, false}, true, {}},
      {{"PermissivePlatformDecides", 10, u"99/99/9999", 1990, true}, true, {u"99/99/9999"}},
      {{"MonthYearAsksNothing", 7, u"12/1990", 1990, true}, true, {}},
  };
  for (const Row& r : rows) {
    RecordingPlatform platform(r.check.todayYear);
    platform.acceptAll = r.acceptAll;
    ScopedPlatform scoped(platform);
    EXPECT_EQ(ControllaData(r.check.text, r.check.length), r.check.valid ? -1 : 0) << r.check;
    EXPECT_EQ(platform.asked, r.wantAsked) << r.check;
  }
}

}  // namespace
}  // namespace velmora
