// Reading and rebuilding number texts.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "errors.h"
#include "number/number_editing.h"
#include "variant.h"
#include "../../shared/control_error.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

// Prefix and body of a long text. (Spelled out rather than as literal + string,
// which the release build's overlap check misjudges.)
std::u16string Join(std::u16string prefix, const std::u16string& body) { return prefix += body; }

struct FormatRow : testing::NamedRow {
  std::u16string text;
  std::u16string expected;
};

class FormattaNumeroRows : public ::testing::TestWithParam<FormatRow> {};

TEST_P(FormattaNumeroRows, Rebuilds) {
  const FormatRow& row = GetParam();
  const std::u16string actual = FormattaNumero(row.text);
  EXPECT_EQ(ToUtf8(actual), ToUtf8(row.expected)) << row.name << ": '" << ToUtf8(row.text) << "'";
  // A rebuilt text is canonical: rebuilding it again changes nothing.
  EXPECT_EQ(ToUtf8(FormattaNumero(actual)), ToUtf8(actual)) << row.name << " rebuilt twice";
}

const FormatRow kFormatRows[] = {
    {"Empty", u"", u"0"},
    {"Blank", u" ", u"0"},
    {"LoneMinus", u"-", u"0"},
    {"Letters", u"abc", u"0"},
    {"LoneComma", u",", u"0"},
    {"Zero", u"0", u"0"},
    {"ZeroZeroZero", u"000", u"0"},
    {"LeadingZeroDropped", u"0.321", u"321"},
    {"Groups", u"1234567", u"1.234.567"},
    {"Sample", u"14121967", u"14.121.967"},
    {"TwelveDigits", u"123456789012", u"123.456.789.012"},
    {"LastDigitBlanked", u"1.23 ", u"123"},
    {"InnerDigitBlanked", u"1. 34.567", u"134.567"},
    {"FirstDigitBlanked", u" .234.567", u"234.567"},
    {"Negative", u"-1234", u"-1.234"},
    {"NegativeLeadingZero", u"-05", u"-5"},
    {"DecimalsRoundUp", u"1.234,56", u"1.235"},
    {"DecimalsRoundDown", u"1.234,4", u"1.234"},
    {"HalfAwayFromZero", u"1.234,5", u"1.235"},
    {"NegativeHalfAwayFromZero", u"-2,5", u"-3"},
    {"OnlyDecimals", u",7", u"1"},
    {"HalfOfZero", u",5", u"1"},
    {"JustBelowHalf", u"0,4999999999999999999999", u"0"},
    {"CarryThroughNines", u"999.999,5", u"1.000.000"},
    {"BlankedCommaJoinsDecimals", u"1.234 56", u"123.456"},
    {"MinusInside", u"12-3", u"12"},
    {"LetterInside", u"12a3", u"12"},
    {"NegativeZero", u"-0", u"-0"},
    {"NegativeRoundsToZero", u"-0,4", u"-0"},
    {"MinusBeforeNothing", u"-abc", u"0"},
    {"BlanksBeforeMinus", u"  -12", u"-12"},
    {"Exponent", u"15e2", u"1.500"},
    {"ExponentRoundsDecimals", u"1,2345e2", u"123"},
    {"TinyExponent", u"5e-9", u"0"},
    {"Exponent400IsExact", u"1e30", u"1.000.000.000.000.000.000.000.000.000.000"},
    {"EighteenDigitsExact", u"123456789012345678", u"123.456.789.012.345.678"},
    {"SeventeenNinesExact", u"99999999999999999", u"99.999.999.999.999.999"},
    {"Hex", u"&HFF", u"255"},
    {"LongHexExact", u"&HFFFFFFFFFFFFFFFF", u"18.446.744.073.709.551.615"},
    {"Octal", u"&O777", u"511"},
    {"NegativeHex", u"-&H10", u"-16"},
};

INSTANTIATE_TEST_SUITE_P(FormattaNumero, FormattaNumeroRows, ::testing::ValuesIn(kFormatRows), testing::kRowName);

struct ReadRow {
  const char* name;
  std::u16string text;
  double expected;
};

TEST(LeggiNumero, ReadsNumberTexts) {
  const ReadRow rows[] = {
      {"Sample", u"14.121.967", 14121967}, {"DecimalComma", u"1.234,56", 1234.56}, {"Negative", u"-1.234", -1234},
      {"Empty", u"", 0},                   {"LoneMinus", u"-", 0},                 {"LoneBlank", u" ", 0},
      {"SignOnlyInFront", u"12-3", 12},    {"BlankInside", u"1.2 34", 1234},       {"SecondCommaEnds", u"1,2,3", 1.2},
  };
  for (const ReadRow& row : rows) {
    EXPECT_EQ(LeggiNumero(row.text), row.expected) << row.name << ": '" << ToUtf8(row.text) << "'";
  }
}

TEST(LeggiNumero, LeavesTheCallersTextAlone) {
  const std::u16string text = u"1.234,5";
  std::u16string copy = text;
  (void)LeggiNumero(copy);
  EXPECT_EQ(copy, text);
}

// The rebuild must give what rounding the value (half away from zero) and
// grouping it would give, for every value a double holds exactly.
std::u16string RoundedThroughDouble(const std::u16string& text) {
  const double rounded = std::round(LeggiNumero(text));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(rounded));
  const std::string digits = buffer;
  std::u16string out = std::signbit(rounded) && rounded != 0 ? u"-" : u"";
  for (std::size_t k = 0; k < digits.size(); ++k) {
    if (k > 0 && (digits.size() - k) % 3 == 0) out += u'.';
    out += static_cast<char16_t>(digits[k]);
  }
  return out;
}

TEST(FormattaNumero, AgreesWithTheValueUpToFifteenDigits) {
  std::mt19937 random(20240517);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int round = 0; round < 20000; ++round) {
    const int significant = pick(1, 15);
    std::u16string digits;
    digits += static_cast<char16_t>(u'1' + pick(0, 8));
    for (int k = 1; k < significant; ++k) digits += static_cast<char16_t>(u'0' + pick(0, 9));
    // Split into whole part and decimals, group the whole part with "."
    // or with stray blanks, as edited texts look.
    const int comma = pick(0, significant);
    std::u16string whole = digits.substr(0, static_cast<std::size_t>(comma));
    std::u16string text = pick(0, 1) ? u"-" : u"";
    for (std::size_t k = 0; k < whole.size(); ++k) {
      if (k > 0 && (whole.size() - k) % 3 == 0) text += pick(0, 3) ? u'.' : u' ';
      text += whole[k];
    }
    if (comma < significant) (text += u',') += digits.substr(static_cast<std::size_t>(comma));
    if (pick(0, 4) == 0) (text += u'e') += FromUtf8(std::to_string(pick(-3, 3)));
    // Beyond 2^53 a double's exact expansion has digits of its own.
    if (std::fabs(LeggiNumero(text)) >= 1e15) continue;
    const std::u16string expected = RoundedThroughDouble(text);
    if (expected == u"0" && text[0] == u'-') continue;  // negative zero is written "-0" by choice
    ASSERT_EQ(ToUtf8(FormattaNumero(text)), ToUtf8(expected)) << "'" << ToUtf8(text) << "'";
  }
}

TEST(FormattaNumero, LongTextsStayExact) {
  // The longest number that fits the box: 24,576 digits and 8,191 separators
  // make 32,767 characters.
  std::u16string digits(24576, u'7');
  const std::u16string rebuilt = FormattaNumero(digits);
  ASSERT_EQ(rebuilt.size(), 32767u);
  std::u16string back;
  for (char16_t c : rebuilt)
    if (c != u'.') back += c;
  EXPECT_EQ(back, digits);
  EXPECT_EQ(FormattaNumero(rebuilt), rebuilt);

  // An exponent beyond the range of a double still gives a whole number.
  const std::u16string big = FormattaNumero(u"1e400");
  EXPECT_EQ(big.size(), 401u + 133u);
  EXPECT_EQ(big.substr(0, 5), u"10.00");
}

TEST(FormattaNumero, TooLongResultsAreOverflow) {
  struct Row {
    const char* name;
    std::u16string text;
  };
  const Row rows[] = {
      {"OneDigitTooMany", std::u16string(24577, u'1')},
      {"NegativeLongest", Join(u"-", std::u16string(24576, u'1'))},
      {"CarryMakesItLonger", std::u16string(24576, u'9') + u",5"},
      {"ThirtyTwoThousandDigits", std::u16string(32767, u'5')},
      {"AbsurdExponent", u"1e999999999"},
      {"ClampedExponent", u"1e99999999999999999999999999"},
      {"LongHex", Join(u"&H", std::u16string(20500, u'F'))},
  };
  for (const Row& row : rows) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::Overflow), (void)FormattaNumero(row.text)) << row.name;
    // Refused by its length, not after building a billion digits.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << row.name;
  }
}

TEST(FormattaNumero, LongHexIsExact) {
  // 2^80 = 1.208.925.819.614.629.174.706.176
  EXPECT_EQ(FormattaNumero(u"&H100000000000000000000"), u"1.208.925.819.614.629.174.706.176");
  // Octal 1 followed by 30 zeros is 2^90.
  EXPECT_EQ(FormattaNumero(Join(u"&O1", std::u16string(30, u'0'))), u"1.237.940.039.285.380.274.899.124.224");
}

}  // namespace
}  // namespace velmora
