// The exact conversions are checked against this C library's own strtod and
// printf, which are exact on this platform, over inputs chosen where rounding
// is hardest: random bit patterns, exact halfway points between doubles, very
// long digit strings, and the edges of the subnormal and overflow ranges.
#include "exact_decimal.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace velmora {
namespace {

std::string Printf(const char* format, double value) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The C library's reading of 0.digits x 10^exponent.
double LibraryValue(const std::string& digits, std::int64_t exponent) {
  const std::string text = "0." + (digits.empty() ? std::string("0") : digits) + "e" + std::to_string(exponent);
  return std::strtod(text.c_str(), nullptr);
}

// A decimal number as printed by %.Ne or %.NLe, taken apart into the
// digits and exponent that DecimalToDouble expects.
void SplitScientific(const std::string& text, std::string& digits, std::int64_t& exponent) {
  digits.clear();
  const auto e = text.find('e');
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  }
  exponent = std::stoll(text.substr(e + 1)) + 1;
  const auto first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    digits.clear();
    exponent = 0;
  } else {
    exponent -= static_cast<std::int64_t>(first);
    digits.erase(0, first);
  }
}

double Bits(std::uint64_t bits) {
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

class ExactDecimalTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_NUMERIC, "C"); }
  std::mt19937_64 random_{20261208};
};

TEST_F(ExactDecimalTest, FormatsAsPrintfOverTheWholeRange) {
  for (int i = 0; i < 20000; ++i) {
    double value = Bits(random_());
    if (!std::isfinite(value)) continue;
    ASSERT_EQ(FormatGeneral(value, 15), Printf("%.15g", value)) << Printf("%a", value);
    ASSERT_EQ(FormatGeneral(value, 17), Printf("%.17g", value)) << Printf("%a", value);
  }
}

TEST_F(ExactDecimalTest, FormatsEverydayNumbersAsPrintf) {
  const double samples[] = {0.0,    -0.0,   1.0,     -1.0,      0.5,     0.1,        1e-5,     1.5e-5,
                            0.0001, 123.45, 1e15,    1e14,      1e16,    123456789012345.0,
                            // 16 digits with a tie at the 16th: halves go to even
                            1234567890123455.0, 1234567890123465.0, 9999999999999995.0, 0.30000000000000004,
                            DBL_MAX, DBL_MIN, DBL_TRUE_MIN, 2.5, 3.5, 1e21, 1e22, 5e-324, 14121967.0};
  for (double value : samples) {
    for (int precision : {1, 2, 6, 15, 17}) {
      const std::string format = "%." + std::to_string(precision) + "g";
      EXPECT_EQ(FormatGeneral(value, precision), Printf(format.c_str(), value)) << Printf("%a", value);
    }
  }
  // Small integers and two-decimal amounts, as a form holds them.
  for (int i = -2000; i <= 2000; ++i) {
    EXPECT_EQ(FormatGeneral(i / 100.0, 15), Printf("%.15g", i / 100.0));
    EXPECT_EQ(FormatGeneral(i * 1000003.0, 15), Printf("%.15g", i * 1000003.0));
  }
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity(), 15), "inf");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity(), 15), "-inf");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::quiet_NaN(), 15), "nan");
}

TEST_F(ExactDecimalTest, SeventeenDigitsReadBackToTheSameDouble) {
  for (int i = 0; i < 20000; ++i) {
    const double value = std::fabs(Bits(random_()));
    if (!std::isfinite(value) || value == 0) continue;
    std::string digits;
    std::int64_t exponent = 0;
    SplitScientific(Printf("%.16e", value), digits, exponent);
    ASSERT_EQ(DecimalToDouble(digits, exponent), value) << Printf("%.16e", value);
  }
}

TEST_F(ExactDecimalTest, ReadsRandomDecimalsAsTheLibrary) {
  std::uniform_int_distribution<int> length(1, 40), digit(0, 9), exponent(-345, 320);
  for (int i = 0; i < 20000; ++i) {
    std::string digits(1, static_cast<char>('1' + digit(random_) % 9));
    for (int n = length(random_); n > 1; --n) digits += static_cast<char>('0' + digit(random_));
    const std::int64_t e = exponent(random_);
    ASSERT_EQ(DecimalToDouble(digits, e), LibraryValue(digits, e)) << "0." << digits << "e" << e;
  }
  // Short numbers with small exponents, as typed in a form, take a shorter
  // road where the arithmetic allows it; they must land on the same doubles.
  std::uniform_int_distribution<int> shortLength(1, 17), smallExponent(-30, 40);
  for (int i = 0; i < 20000; ++i) {
    std::string digits(1, static_cast<char>('1' + digit(random_) % 9));
    for (int n = shortLength(random_); n > 1; --n) digits += static_cast<char>('0' + digit(random_));
    const std::int64_t e = smallExponent(random_);
    ASSERT_EQ(DecimalToDouble(digits, e), LibraryValue(digits, e)) << "0." << digits << "e" << e;
  }
}

// The exact midpoint between two neighbouring doubles is where the rounding
// rule is all that decides; a digit more in the far tail tips it over.
TEST_F(ExactDecimalTest, ReadsHalfwayPointsWithTiesToEven) {
  if (LDBL_MANT_DIG < 64) GTEST_SKIP() << "long double cannot hold a midpoint";
  for (int i = 0; i < 3000; ++i) {
    // Mostly normal numbers, one in ten subnormal.
    std::uint64_t bits = random_() & ~(std::uint64_t{1} << 63);
    if (i % 10 == 0) bits &= (std::uint64_t{1} << 52) - 1;
    const double low = Bits(bits);
    const double high = std::nextafter(low, std::numeric_limits<double>::infinity());
    if (!std::isfinite(high)) continue;
    const long double middle = (static_cast<long double>(low) + high) / 2;
    char buffer[1200];
    std::snprintf(buffer, sizeof buffer, "%.800Le", middle);
    std::string digits;
    std::int64_t exponent = 0;
    SplitScientific(buffer, digits, exponent);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    const double even = (bits & 1) == 0 ? low : high;
    ASSERT_EQ(DecimalToDouble(digits, exponent), even) << buffer;
    ASSERT_EQ(DecimalToDouble(digits + "0001", exponent), high) << buffer;
    // Far beyond the digits that can matter: still just above the half.
    ASSERT_EQ(DecimalToDouble(digits + std::string(900, '0') + "1", exponent), high) << buffer;
    // Just below the half.
    std::string below = digits;
    std::size_t k = below.size();
    while (below[k - 1] == '0') below[--k] = '9';
    --below[k - 1];
    ASSERT_EQ(DecimalToDouble(below + "9999", exponent), low) << buffer;
  }
}

TEST_F(ExactDecimalTest, EdgesOfTheRange) {
  const struct {
    const char* text;
  } cases[] = {{"17976931348623157e292"},  {"17976931348623158e292"}, {"17976931348623159e292"},
               {"2470328229206232720e-342"}, {"2470328229206232721e-342"}, {"2470328229206232720882e-345"},
               {"49406564584124654e-340"},  {"22250738585072011e-324"}, {"22250738585072012e-324"},
               {"1e-400"},                  {"1e400"},                  {"9007199254740993"},
               {"9007199254740992"},        {"123456789012345"},        {"1234567890123456789"}};
  for (const auto& c : cases) {
    std::string text = c.text;
    const auto e = text.find('e');
    std::string digits = text.substr(0, e);
    std::int64_t exponent = static_cast<std::int64_t>(digits.size());
    if (e != std::string::npos) exponent += std::stoll(text.substr(e + 1));
    EXPECT_EQ(DecimalToDouble(digits, exponent), std::strtod(c.text, nullptr)) << c.text;
  }
  EXPECT_EQ(DecimalToDouble("", 5), 0.0);
  EXPECT_EQ(DecimalToDouble("5000", 1), 5.0);  // trailing zeros are only zeros
  EXPECT_EQ(DecimalToDouble("1", 1'000'000'000'000), std::numeric_limits<double>::infinity());
  EXPECT_EQ(DecimalToDouble("1", -1'000'000'000'000), 0.0);
  // 32,000 digits, the length of the longest text a box holds.
  EXPECT_EQ(DecimalToDouble(std::string(32000, '9'), 10), 1e10);
}

}  // namespace
}  // namespace velmora
