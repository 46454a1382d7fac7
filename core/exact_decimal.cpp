#include "exact_decimal.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace velmora {

namespace {

// A non-negative integer of any size, in 32-bit limbs, least significant
// first, without leading zero limbs (zero has no limbs). Only what the two
// conversions need.
class BigInt {
 public:
  explicit BigInt(std::uint64_t value = 0) {
    while (value != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(value));
      value >>= 32;
    }
  }

  bool IsZero() const { return limbs_.empty(); }

  // this = this * factor + addend
  void MultiplyAdd(std::uint32_t factor, std::uint32_t addend = 0) {
    std::uint64_t carry = addend;
    for (auto& limb : limbs_) {
      const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
    Trim();
  }

  void MultiplyByPowerOf5(std::int64_t n) {
    constexpr std::uint32_t kFive13 = 1220703125;  // 5^13, the largest power of 5 in a limb
    for (; n >= 13; n -= 13) MultiplyAdd(kFive13);
    std::uint32_t rest = 1;
    for (; n > 0; --n) rest *= 5;
    if (rest != 1) MultiplyAdd(rest);
  }

  void ShiftLeft(std::int64_t bits) {
    if (IsZero() || bits <= 0) return;
    const auto whole = static_cast<std::size_t>(bits / 32);
    const int part = static_cast<int>(bits % 32);
    if (part != 0) {
      std::uint32_t carry = 0;
      for (auto& limb : limbs_) {
        const std::uint32_t next = limb >> (32 - part);
        limb = (limb << part) | carry;
        carry = next;
      }
      if (carry != 0) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), whole, 0u);
  }

  // Shifts right by one bit; the bit shifted out is lost.
  void HalveDown() {
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      limbs_[i] >>= 1;
      if (i + 1 < limbs_.size()) limbs_[i] |= limbs_[i + 1] << 31;
    }
    Trim();
  }

  std::int64_t BitLength() const {
    if (IsZero()) return 0;
    std::int64_t bits = static_cast<std::int64_t>(limbs_.size() - 1) * 32;
    for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1) ++bits;
    return bits;
  }

  friend int Compare(const BigInt& a, const BigInt& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

  // this -= other, where other <= this.
  void Subtract(const BigInt& other) {
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      std::int64_t d = static_cast<std::int64_t>(limbs_[i]) - borrow - (i < other.limbs_.size() ? other.limbs_[i] : 0);
      borrow = d < 0 ? 1 : 0;
      limbs_[i] = static_cast<std::uint32_t>(d + (borrow << 32));
    }
    Trim();
  }

  // this /= divisor; returns the remainder.
  std::uint32_t DivideSmall(std::uint32_t divisor) {
    std::uint64_t rest = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      const std::uint64_t current = (rest << 32) | limbs_[i];
      limbs_[i] = static_cast<std::uint32_t>(current / divisor);
      rest = current % divisor;
    }
    Trim();
    return static_cast<std::uint32_t>(rest);
  }

  // The 64 most significant bits (the top one set) and whether any bit
  // below them is set; the value is then about top64 * 2^(BitLength() - 64).
  std::uint64_t Top64(bool& lowerBitsSet) const {
    const std::int64_t length = BitLength();
    std::uint64_t top = 0;
    lowerBitsSet = false;
    for (std::int64_t bit = length - 1; bit >= 0; --bit) {
      const bool set = (limbs_[static_cast<std::size_t>(bit / 32)] >> (bit % 32)) & 1u;
      if (length - 1 - bit < 64) {
        top = (top << 1) | (set ? 1u : 0u);
      } else if (set) {
        lowerBitsSet = true;
        break;
      }
    }
    if (length < 64) top <<= (64 - length);
    return top;
  }

  // Decimal digits, most significant first ("" for zero).
  std::string ToDecimal() const {
    BigInt rest = *this;
    std::string reversed;
    while (!rest.IsZero()) {
      std::uint32_t chunk = rest.DivideSmall(1'000'000'000);
      for (int i = 0; i < 9; ++i, chunk /= 10) reversed.push_back(static_cast<char>('0' + chunk % 10));
    }
    while (!reversed.empty() && reversed.back() == '0') reversed.pop_back();
    return std::string(reversed.rbegin(), reversed.rend());
  }

 private:
  void Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }

  std::vector<std::uint32_t> limbs_;
};

// (top + fraction) * 2^exponent rounded to the nearest double, ties to even,
// where top has its highest bit set and `inexact` tells that a non-zero
// fraction (below top's last bit, less than one unit of it) was cut off.
// Works down into the subnormals and up to infinity. The double is formed
// as an integer of at most 53 bits times a power of two, so no step rounds
// twice, even where the arithmetic runs in extended precision.
double RoundToDouble(std::uint64_t top, bool inexact, std::int64_t exponent) {
  const std::int64_t leading = exponent + 63;  // the power of two of top's highest bit
  if (leading > 1100) return std::numeric_limits<double>::infinity();
  std::int64_t drop = 11;  // 64 bits held, 53 kept
  if (leading < -1022) drop += -1022 - leading;  // subnormal: fewer bits are kept
  if (drop > 64) return 0.0;                     // below half the smallest subnormal
  const std::uint64_t kept = drop < 64 ? top >> drop : 0;
  const std::uint64_t rest = drop < 64 ? top & ((std::uint64_t{1} << drop) - 1) : top;
  const std::uint64_t half = std::uint64_t{1} << (drop - 1);
  const bool up = rest > half || (rest == half && (inexact || (kept & 1) != 0));
  return std::ldexp(static_cast<double>(kept + (up ? 1 : 0)), static_cast<int>(exponent + drop));
}

// Significant digits past this many cannot change the rounding beyond
// telling that something non-zero follows (a double's exact expansion has
// at most 767 significant digits).
constexpr std::size_t kSignificantDigits = 800;

}  // namespace

double DecimalToDouble(std::string_view digits, std::int64_t exponent) {
  while (!digits.empty() && digits.back() == '0') digits.remove_suffix(1);
  if (digits.empty()) return 0.0;
  // The value lies in [10^(exponent-1), 10^exponent).
  if (exponent > 310) return std::numeric_limits<double>::infinity();
  if (exponent < -330) return 0.0;

  bool inexact = false;
  if (digits.size() > kSignificantDigits) {
    inexact = digits.find_first_not_of('0', kSignificantDigits) != std::string_view::npos;
    digits = digits.substr(0, kSignificantDigits);
  }
  // value = integer * 10^scale, with the integer built from the digits.
  const std::int64_t scale = exponent - static_cast<std::int64_t>(digits.size());

  // Most numbers typed in a form have few digits. Up to 15 of them make an
  // integer that a double holds exactly; times a power of ten that fits 53
  // bits it is still exact, and one multiplication or division by an exact
  // power of ten (up to 10^22) rounds correctly, provided the arithmetic is
  // done in double precision and not in x87 extended precision, which would
  // round twice.
  if (!inexact && digits.size() <= 15) {
    std::uint64_t integer = 0;
    for (char c : digits) integer = integer * 10 + static_cast<std::uint64_t>(c - '0');
    if (scale >= 0 && digits.size() + static_cast<std::size_t>(scale) <= 15) {
      for (std::int64_t i = 0; i < scale; ++i) integer *= 10;
      return static_cast<double>(integer);
    }
#if FLT_EVAL_METHOD == 0
    constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (scale >= -22 && scale <= 22) {
      const double exact = static_cast<double>(integer);
      return scale >= 0 ? exact * kExactPowers[scale] : exact / kExactPowers[-scale];
    }
#endif
  }

  BigInt integer;
  std::size_t i = 0;
  for (; i + 9 <= digits.size(); i += 9) {
    std::uint32_t chunk = 0;
    for (std::size_t j = i; j < i + 9; ++j) chunk = chunk * 10 + static_cast<std::uint32_t>(digits[j] - '0');
    integer.MultiplyAdd(1'000'000'000, chunk);
  }
  for (; i < digits.size(); ++i) integer.MultiplyAdd(10, static_cast<std::uint32_t>(digits[i] - '0'));

  if (scale >= 0) {
    // integer * 5^scale * 2^scale: an integer, rounded from its top bits.
    integer.MultiplyByPowerOf5(scale);
    bool lowerBitsSet = false;
    const std::uint64_t top = integer.Top64(lowerBitsSet);
    return RoundToDouble(top, inexact || lowerBitsSet, scale + integer.BitLength() - 64);
  }

  // integer / (5^-scale * 2^-scale): divide by the power of 5 with both
  // scaled so that the quotient has exactly 64 bits, then round it with the
  // remainder as the cut-off fraction.
  BigInt divisor(1);
  divisor.MultiplyByPowerOf5(-scale);
  std::int64_t exponent2 = scale;
  const std::int64_t gap = integer.BitLength() - divisor.BitLength();
  // Aim for a quotient in [2^63, 2^65): the dividend has 64 bits more.
  if (gap < 64) {
    integer.ShiftLeft(64 - gap);
    exponent2 -= 64 - gap;
  } else {
    divisor.ShiftLeft(gap - 64);
    exponent2 += gap - 64;
  }
  // Long division, one quotient bit at a time, from bit 64 down.
  BigInt shifted = divisor;
  shifted.ShiftLeft(64);
  std::uint64_t quotient = 0;
  bool bit64 = false;
  for (int bit = 64; bit >= 0; --bit) {
    if (Compare(integer, shifted) >= 0) {
      integer.Subtract(shifted);
      if (bit == 64) bit64 = true;
      else quotient |= std::uint64_t{1} << bit;
    }
    shifted.HalveDown();
  }
  inexact = inexact || !integer.IsZero();
  if (bit64) {
    // 65 bits: the lowest one joins the cut-off part.
    inexact = inexact || (quotient & 1) != 0;
    quotient = (quotient >> 1) | (std::uint64_t{1} << 63);
    ++exponent2;
  }
  return RoundToDouble(quotient, inexact, exponent2);
}

std::string FormatGeneral(double value, int precision) {
  if (precision < 1) precision = 1;
  if (precision > 17) precision = 17;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const auto biased = static_cast<std::int64_t>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return mantissa != 0 ? "nan" : negative ? "-inf" : "inf";
  std::string sign = negative ? "-" : "";
  if (biased == 0 && mantissa == 0) return sign + "0";

  // The exact value is mantissa * 2^exponent2; its decimal digits, with
  // value = 0.digits * 10^point.
  std::int64_t exponent2 = biased == 0 ? -1074 : biased - 1075;
  if (biased != 0) mantissa |= std::uint64_t{1} << 52;
  BigInt exact(mantissa);
  std::int64_t point = 0;
  if (exponent2 >= 0) {
    exact.ShiftLeft(exponent2);
  } else {
    exact.MultiplyByPowerOf5(-exponent2);  // mantissa * 5^n / 10^n
    point = exponent2;
  }
  std::string digits = exact.ToDecimal();
  point += static_cast<std::int64_t>(digits.size());
  // Trailing zeros of an integer's expansion carry no information.
  while (digits.back() == '0') digits.pop_back();

  const auto kept = static_cast<std::size_t>(precision);
  if (digits.size() > kept) {
    const char next = digits[kept];
    const bool beyondHalf = digits.find_first_not_of('0', kept + 1) != std::string::npos;
    const bool up = next > '5' || (next == '5' && (beyondHalf || (digits[kept - 1] - '0') % 2 != 0));
    digits.resize(kept);
    if (up) {
      std::size_t i = kept;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++point;
      } else {
        ++digits[i - 1];
      }
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
  }

  const std::int64_t decimalExponent = point - 1;
  std::string text = sign;
  if (decimalExponent < -4 || decimalExponent >= precision) {
    text += digits[0];
    if (digits.size() > 1) text += '.' + digits.substr(1);
    text += decimalExponent < 0 ? "e-" : "e+";
    const std::int64_t magnitude = decimalExponent < 0 ? -decimalExponent : decimalExponent;
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
  } else if (decimalExponent >= 0) {
    const auto whole = static_cast<std::size_t>(point);
    if (digits.size() <= whole) {
      text += digits + std::string(whole - digits.size(), '0');
    } else {
      text += digits.substr(0, whole) + '.' + digits.substr(whole);
    }
  } else {
    text += "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  }
  return text;
}

}  // namespace velmora
