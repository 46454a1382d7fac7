// Reading and rebuilding number texts.
//
// A number text groups its whole part by thousands with "." and may carry
// one decimal comma. Both characters are fixed: the editing reads and skips
// only ".", so the rebuild writes only "." too, whatever the regional
// settings say, and what is written is always read back the same.
//
// The rebuild works on the decimal digits themselves and never passes them
// through a double: a user who types eighteen digits sees exactly those
// eighteen digits, grouped, and a text of thousands of digits or with a huge
// exponent still gives a whole number instead of "inf". For every value a
// double holds exactly (up to 15 significant digits) the result is the one
// the value would format to.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors.h"
#include "number/number_editing.h"
#include "number/numeric_value.h"

namespace velmora {

namespace {

// The text box counts positions in 16 bits: no number text may be longer.
constexpr std::int64_t kLongestText = 32767;
// The most whole digits a grouped text of kLongestText characters holds:
// 24,576 digits and 8,191 separators.
constexpr std::int64_t kMostDigits = 24576;

// The thousands separators become blanks, which the reading skips, and the
// decimal comma becomes the decimal point. Each swap is one character for
// one, so positions do not move.
std::u16string ToReadingForm(std::u16string text) {
  for (char16_t& c : text) {
    if (c == u'.') c = u' ';
    else if (c == u',') c = u'.';
  }
  return text;
}

[[noreturn]] void ThrowTooLong() { ThrowOverflow("number text longer than 32,767 characters"); }

// The whole number 0.digits x 10^exponent rounds to, as decimal digits
// without leading zeros ("" for zero). Halves go away from zero: 0.5 gives 1
// and 1.234,5 gives 1.235, as the display format of the platform rounds.
std::string RoundDecimal(std::string digits, std::int64_t exponent) {
  if (digits.empty() || exponent < 0) return {};
  // Refused before anything is built: an exponent such as 1e999999999 would
  // otherwise ask for a billion digits.
  if (exponent > kMostDigits) ThrowTooLong();
  const auto whole = static_cast<std::size_t>(exponent);
  const bool roundUp = digits.size() > whole && digits[whole] >= '5';
  std::string result = std::move(digits);
  result.resize(whole, '0');  // drops the decimals or pads with zeros
  if (roundUp) {
    std::size_t k = result.size();
    while (k > 0 && result[k - 1] == '9') result[--k] = '0';
    if (k == 0) result.insert(result.begin(), '1');
    else ++result[k - 1];
  }
  return result;
}

// The integer whose hexadecimal or octal digits are given, as decimal digits
// ("" for zero). Done in base 10^9 limbs, several source digits at a time.
std::string IntegerToDecimal(const std::string& digits, int radix) {
  if (digits.empty()) return {};
  // log10 of the radix: a number of h digits has at least
  // (h - 1) * log10(radix) + 1 decimal digits.
  const double log10Radix = radix == 16 ? 1.2041199826559248 : 0.9030899869919435;
  if (static_cast<double>(digits.size() - 1) * log10Radix >= static_cast<double>(kMostDigits)) ThrowTooLong();

  constexpr std::uint64_t kLimb = 1'000'000'000;
  const std::size_t chunk = radix == 16 ? 7 : 10;  // 16^7 and 8^10 stay below 2^31
  std::vector<std::uint32_t> limbs;                 // least significant first
  for (std::size_t at = 0; at < digits.size();) {
    const std::size_t take = std::min(chunk, digits.size() - at);
    std::uint64_t factor = 1, add = 0;
    for (std::size_t k = 0; k < take; ++k, ++at) {
      const char c = digits[at];
      const int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
      factor *= static_cast<std::uint64_t>(radix);
      add = add * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
    }
    std::uint64_t carry = add;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t x = limb * factor + carry;
      limb = static_cast<std::uint32_t>(x % kLimb);
      carry = x / kLimb;
    }
    while (carry != 0) {
      limbs.push_back(static_cast<std::uint32_t>(carry % kLimb));
      carry /= kLimb;
    }
  }
  std::string result = std::to_string(limbs.back());
  for (std::size_t k = limbs.size() - 1; k-- > 0;) {
    const std::string part = std::to_string(limbs[k]);
    result.append(9 - part.size(), '0');
    result += part;
  }
  return result;
}

}  // namespace

double LeggiNumero(std::u16string Testo) { return NumericValue(ToReadingForm(std::move(Testo))); }

std::u16string FormattaNumero(std::u16string Testo) {
  bool negative = false, sawDigit = false;
  int radix = 10;
  std::string digits;
  std::int64_t exponent = 0;
  number_reading::ScanLeadingNumber(ToReadingForm(std::move(Testo)), negative, radix, digits, exponent, sawDigit);

  std::string whole = radix == 10 ? RoundDecimal(std::move(digits), exponent) : IntegerToDecimal(digits, radix);
  // A negative number that rounds to zero is written "-0", the very text
  // the sign key makes of a zero field: the sign the user put stays in sight
  // (the field stays red until the sign key is pressed again) and the digits
  // typed after it keep the number negative. A lone "-" holds no number and
  // is plain "0".
  const bool minus = negative && (sawDigit || !whole.empty());
  if (whole.empty()) whole.push_back('0');

  const auto count = static_cast<std::int64_t>(whole.size());
  const std::int64_t length = (minus ? 1 : 0) + count + (count - 1) / 3;
  if (length > kLongestText) ThrowTooLong();

  std::u16string result(static_cast<std::size_t>(length), u'.');
  std::size_t out = 0;
  if (minus) result[out++] = u'-';
  // The first group holds one to three digits, every later group three.
  std::size_t untilSeparator = whole.size() % 3 == 0 ? 3 : whole.size() % 3;
  for (char digit : whole) {
    if (untilSeparator == 0) {
      ++out;  // the "." already stands there
      untilSeparator = 3;
    }
    result[out++] = static_cast<char16_t>(digit);
    --untilSeparator;
  }
  return result;
}

}  // namespace velmora
