// The numeric value of a text, read the same way whatever the regional
// settings say: "." is always the decimal point, and a comma simply ends the
// number.
//
// The reading is done in two steps. ScanLeadingNumber takes the leading
// number apart into exact pieces (sign, significant digits, decimal exponent
// or radix); NumericValue turns those pieces into the nearest double, and the
// number formatting rebuilds its text from the very same pieces, so the two
// can never disagree on where a number ends. The conversion to double is our
// own exact one rather than the C library's, whose handling of long inputs
// and of the regional decimal point differs from library to library.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "errors.h"
#include "exact_decimal.h"
#include "number/numeric_value.h"

namespace velmora::number_reading {

// Blanks, tabs and line feeds are skipped wherever they stand, so that digit
// groups separated by blanks close up again.
constexpr bool IsSkipped(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

int DigitValue(char16_t c, int radix) {
  int d = -1;
  if (c >= u'0' && c <= u'9') d = c - u'0';
  else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
  return d < radix ? d : -1;
}

// Exponents beyond this magnitude are kept at it: the value is then far
// outside any range that can be shown or held, and the clamp keeps the
// arithmetic on exponents from wrapping.
constexpr std::int64_t kExponentClamp = 1'000'000'000'000;

// The leading number of a text, in exact pieces (see numeric_value.h).
void ScanLeadingNumber(std::u16string_view text, bool& negative, int& radix, std::string& digits,
                       std::int64_t& exponent, bool& sawDigit) {
  negative = false;
  radix = 10;
  digits.clear();
  exponent = 0;
  sawDigit = false;

  std::size_t i = 0;
  const std::size_t n = text.size();
  auto peek = [&]() -> char16_t {
    while (i < n && IsSkipped(text[i])) ++i;
    return i < n ? text[i] : char16_t{0};
  };

  char16_t c = peek();
  if (c == u'+' || c == u'-') {
    negative = c == u'-';
    ++i;
    c = peek();
  }

  if (c == u'&') {
    ++i;
    const char16_t kind = peek();
    if (kind == u'H' || kind == u'h') radix = 16;
    else if (kind == u'O' || kind == u'o') radix = 8;
    else return;  // a lone "&" is no number
    ++i;
    for (int d; (d = DigitValue(peek(), radix)) >= 0; ++i) {
      sawDigit = true;
      if (!digits.empty() || d != 0) digits.push_back(static_cast<char>(text[i]));
    }
    return;
  }

  bool point = false;
  digits.reserve(n - i);
  for (;;) {
    c = peek();
    if (c >= u'0' && c <= u'9') {
      sawDigit = true;
      if (digits.empty() && c == u'0') {
        if (point) --exponent;  // a zero right after the point shifts the value down
        ++i;
        continue;
      }
      // A run of significant digits, taken in one go.
      const std::size_t start = i;
      while (i < n && text[i] >= u'0' && text[i] <= u'9') digits.push_back(static_cast<char>(text[i++]));
      if (!point) exponent += static_cast<std::int64_t>(i - start);
    } else if (c == u'.' && !point) {
      point = true;
      ++i;
    } else {
      break;
    }
  }

  if (c == u'E' || c == u'e' || c == u'D' || c == u'd') {
    ++i;
    c = peek();
    bool negativeExponent = false;
    if (c == u'+' || c == u'-') {
      negativeExponent = c == u'-';
      ++i;
      c = peek();
    }
    std::int64_t e = 0;
    for (; c >= u'0' && c <= u'9'; ++i, c = peek()) {
      e = e * 10 + (c - u'0');
      if (e > kExponentClamp) e = kExponentClamp;
    }
    exponent += negativeExponent ? -e : e;
  }

  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) exponent = 0;
}

}  // namespace velmora::number_reading

namespace velmora {

namespace {

// An &H or &O integer (digits without leading zeros): exact while it fits
// 64 bits; beyond that the bits shifted out are kept as a sticky bit, so the
// one conversion to double still rounds correctly.
double RadixToDouble(const std::string& digits, int radix) {
  const int bitsPerDigit = radix == 16 ? 4 : 3;
  std::uint64_t top = 0;
  std::int64_t shift = 0;
  bool sticky = false;
  for (char c : digits) {
    const unsigned d = static_cast<unsigned>(number_reading::DigitValue(static_cast<char16_t>(c), radix));
    if ((top >> (64 - bitsPerDigit)) == 0) {
      top = (top << bitsPerDigit) | d;
    } else {
      shift += bitsPerDigit;
      sticky = sticky || d != 0;
      if (shift > 2048) ThrowOverflow("number beyond the range of a double");
    }
  }
  if (sticky) top |= 1;
  const double value = std::ldexp(static_cast<double>(top), static_cast<int>(shift));
  if (!std::isfinite(value)) ThrowOverflow("number beyond the range of a double");
  return value;
}

// Decimal exponents past which a double is certainly infinite or certainly
// zero; between them the conversion itself decides.
constexpr std::int64_t kSurelyOverflows = 400;
constexpr std::int64_t kSurelyUnderflows = -400;

}  // namespace

double NumericValue(std::u16string_view text) {
  bool negative = false, sawDigit = false;
  int radix = 10;
  std::string digits;
  std::int64_t exponent = 0;
  number_reading::ScanLeadingNumber(text, negative, radix, digits, exponent, sawDigit);
  if (digits.empty()) return 0.0;

  double value = 0.0;
  if (radix == 10) {
    if (exponent > kSurelyOverflows) ThrowOverflow("number beyond the range of a double");
    if (exponent < kSurelyUnderflows) return 0.0;
    value = DecimalToDouble(digits, exponent);
    if (!std::isfinite(value)) ThrowOverflow("number beyond the range of a double");
  } else {
    value = RadixToDouble(digits, radix);
  }
  return negative ? -value : value;
}

}  // namespace velmora
