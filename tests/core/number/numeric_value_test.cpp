// The locale-independent numeric value of a text.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "errors.h"
#include "number/numeric_value.h"
#include "variant.h"
#include "../../shared/control_error.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

struct ValueRow : testing::NamedRow {
  std::u16string text;
  double expected;
};

class NumericValueRows : public ::testing::TestWithParam<ValueRow> {};

TEST_P(NumericValueRows, Reads) {
  const ValueRow& row = GetParam();
  const double actual = NumericValue(row.text);
  EXPECT_EQ(actual, row.expected) << row.name << ": '" << ToUtf8(row.text) << "'";
}

INSTANTIATE_TEST_SUITE_P(
    NumericValue, NumericValueRows,
    ::testing::Values(
        ValueRow{"Empty", u"", 0}, ValueRow{"OnlyBlanks", u" \t\n ", 0}, ValueRow{"Letters", u"abc", 0},
        ValueRow{"LoneSign", u"-", 0}, ValueRow{"LonePoint", u".", 0}, ValueRow{"Integer", u"14121967", 14121967},
        ValueRow{"BlanksInsideClose", u" 1 2\t3\n4", 1234}, ValueRow{"Decimal", u"1234.56", 1234.56},
        ValueRow{"LeadingPoint", u".5", 0.5}, ValueRow{"Negative", u"-12", -12}, ValueRow{"PlusSign", u"+7", 7},
        ValueRow{"BlankAfterSign", u"- 5", -5}, ValueRow{"SignOnlyInFront", u"12-3", 12},
        ValueRow{"SecondPointEnds", u"1.2.3", 1.2}, ValueRow{"CommaEnds", u"1,5", 1},
        ValueRow{"LetterEnds", u"12a3", 12}, ValueRow{"Exponent", u"1.5E3", 1500},
        ValueRow{"ExponentD", u"2d2", 200}, ValueRow{"NegativeExponent", u"25e-1", 2.5},
        ValueRow{"ExponentWithBlanks", u"1 e + 2", 100}, ValueRow{"ExponentWithoutDigits", u"7e", 7},
        ValueRow{"ExponentSignWithoutDigits", u"7e-x", 7}, ValueRow{"ExponentAlone", u"e5", 0},
        ValueRow{"ZeroTimesHugeExponent", u"0e999999999", 0}, ValueRow{"Underflow", u"1e-400", 0},
        ValueRow{"HugeNegativeExponent", u"5e-99999999999999999999", 0},
        ValueRow{"LeadingZerosAfterPoint", u"0.000125", 0.000125}, ValueRow{"Hex", u"&HFF", 255},
        ValueRow{"HexLowerCase", u"&hff", 255}, ValueRow{"HexWithBlanks", u"& H 1 0", 16},
        ValueRow{"HexStopsAtNonDigit", u"&H1G", 1}, ValueRow{"HexNoPointOrExponent", u"&H1.5", 1},
        ValueRow{"NegativeHex", u"-&H10", -16}, ValueRow{"Octal", u"&O17", 15},
        ValueRow{"OctalStopsAtEight", u"&O18", 1}, ValueRow{"AmpersandAlone", u"&X1", 0},
        ValueRow{"LongestExactInteger", u"9007199254740993", 9007199254740992.0},
        ValueRow{"LargestDouble", u"1.7976931348623157e308", 1.7976931348623157e308},
        ValueRow{"ManyDigitsRoundCorrectly",
                 u"0.1000000000000000055511151231257827021181583404541015625000000000000001", 0.1}), testing::kRowName);

struct OverflowRow {
  const char* name;
  std::u16string text;
};

TEST(NumericValue, ValuesBeyondADoubleAreOverflow) {
  const OverflowRow rows[] = {
      {"Exponent400", u"1e400"},
      {"AbsurdExponent", u"1e999999999"},
      {"JustPastTheLargest", u"1.8e308"},
      {"ThreeHundredTwentyDigits", std::u16string(320, u'9')},
      {"LongHex", u"&H" + std::u16string(300, u'F')},
      {"LongOctal", u"&O" + std::u16string(400, u'7')},
      {"Negative", u"-1e309"},
  };
  for (const OverflowRow& row : rows) {
    EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::Overflow), (void)NumericValue(row.text)) << row.name;
  }
}

TEST(NumericValue, LongTextsOfDigitsAreRead) {
  // A text of 32,767 characters, mostly blanks, still holds a small number.
  std::u16string text(32760, u' ');
  text += u"1234,56";
  EXPECT_EQ(NumericValue(text), 1234);
  EXPECT_EQ(NumericValue(u"0." + std::u16string(32000, u'0') + u"1"), 0);
}

}  // namespace
}  // namespace velmora
