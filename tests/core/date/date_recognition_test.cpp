// The portable date recognition: day/month/year with "/" only, one or two
// digits of day and month, two or four of year, blanks only around the
// date, existing dates only.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "date/date_recognition.h"
#include "variant.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

struct RecognitionRow {
  const char* name;
  const char16_t* text;
  CalendarDate date;  // year 0: not a date
  bool valid() const { return date.year != 0; }
};

std::ostream& operator<<(std::ostream& os, const RecognitionRow& r) {
  os << r.name << ": \"" << ToUtf8(r.text) << "\" expected ";
  if (!r.valid()) return os << "not a date";
  return os << r.date.day << "/" << r.date.month << "/" << r.date.year;
}

class Recognition : public ::testing::TestWithParam<RecognitionRow> {};

TEST_P(Recognition, Reads) {
  const RecognitionRow& r = GetParam();
  const CalendarDate untouched{1, 2, 3};
  CalendarDate got = untouched;
  const bool valid = RecognizeDate(r.text, &got);
  EXPECT_EQ(valid, r.valid()) << r;
  if (r.valid()) {
    EXPECT_EQ(got, r.date) << r << ", got " << got.day << "/" << got.month << "/" << got.year;
  } else {
    EXPECT_EQ(got, untouched) << r << " (the date was written on failure)";
  }
  EXPECT_EQ(RecognizeDate(r.text), r.valid()) << r << " (without an output)";
}

const RecognitionRow kRows[] = {
    {"LongDate", u"14/12/1967", {1967, 12, 14}},
    {"SingleDigitDayAndMonth", u"1/2/1967", {1967, 2, 1}},
    {"TwoDigitYearSixties", u"01/02/67", {1967, 2, 1}},
    {"TwoDigitYearLastOfThisCentury", u"1/1/29", {2029, 1, 1}},
    {"TwoDigitYearFirstOfLastCentury", u"1/1/30", {1930, 1, 1}},
    {"TwoDigitYearZero", u"1/1/00", {2000, 1, 1}},
    {"TwoDigitYearNinetyNine", u"31/12/99", {1999, 12, 31}},
    {"SurroundingBlanks", u"  14/12/1967  ", {1967, 12, 14}},
    {"LeapDayLeapYear", u"29/02/2024", {2024, 2, 29}},
    {"LeapDayCommonYear", u"29/02/2023", {0, 0, 0}},
    {"LeapDayCentury", u"29/02/1900", {0, 0, 0}},
    {"LeapDayFourthCentury", u"29/02/2000", {2000, 2, 29}},
    {"LeapDayTwoDigitYear", u"29/02/96", {1996, 2, 29}},
    {"ThirtyFirstOfApril", u"31/04/1967", {0, 0, 0}},
    {"ThirtiethOfApril", u"30/04/1967", {1967, 4, 30}},
    {"ThirtyFirstOfDecember", u"31/12/1967", {1967, 12, 31}},
    {"DayThirtyTwo", u"32/01/1967", {0, 0, 0}},
    {"DayZero", u"0/1/1967", {0, 0, 0}},
    {"MonthZero", u"1/0/1967", {0, 0, 0}},
    {"MonthThirteen", u"1/13/1967", {0, 0, 0}},
    {"BlankInsideYear", u"14/12/19 67", {0, 0, 0}},
    {"BlankBeforeSlash", u"14 /12/1967", {0, 0, 0}},
    {"BlankAfterSlash", u"14/ 12/1967", {0, 0, 0}},
    {"MaskBlanksInDay", u" 4/12/1967", {1967, 12, 4}},
    {"ThreeDigitYear", u"14/12/196", {0, 0, 0}},
    {"FiveDigitYear", u"14/12/19675", {0, 0, 0}},
    {"OneDigitYear", u"14/12/7", {0, 0, 0}},
    {"ThreeDigitDay", u"123/12/1967", {0, 0, 0}},
    {"ThreeDigitMonth", u"14/123/1967", {0, 0, 0}},
    {"YearFirst", u"1967/12/14", {0, 0, 0}},
    {"DayMonthOnly", u"14/12", {0, 0, 0}},
    {"TrailingSlash", u"14/12/1967/", {0, 0, 0}},
    {"Dashes", u"14-12-1967", {0, 0, 0}},
    {"Dots", u"14.12.1967", {0, 0, 0}},
    {"Empty", u"", {0, 0, 0}},
    {"OnlyBlanks", u"   ", {0, 0, 0}},
    {"EmptyMask", u"  /  /    ", {0, 0, 0}},
    {"FourDigitYearBelowDateRange", u"01/01/0099", {0, 0, 0}},
    {"FourDigitYearStartOfDateRange", u"01/01/0100", {100, 1, 1}},
    {"LastDayOfDateRange", u"31/12/9999", {9999, 12, 31}},
    {"ArabicIndicDigits", u"\u0661\u0664/12/1967", {0, 0, 0}},
    {"TabAround", u"\t14/12/1967", {0, 0, 0}},
};
INSTANTIATE_TEST_SUITE_P(Rows, Recognition, ::testing::ValuesIn(kRows), testing::kRowName);

// The default platform service is this recognition.
TEST(RecognitionPlatform, DefaultIsDateIsTheRecognition) {
  PortablePlatform platform;
  EXPECT_TRUE(platform.IsDate(u"29/02/2024"));
  EXPECT_FALSE(platform.IsDate(u"29/02/2023"));
}

}  // namespace
}  // namespace velmora
