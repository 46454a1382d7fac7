// Exact conversions between decimal text and doubles.
//
// The control reads and writes numbers in both builds with the same rules,
// so it does not lean on the C library for them: the C libraries differ
// (exponent widths, rounding of long inputs), and the full printf and
// strtod machinery is most of the size of a statically linked library.
// Both directions are exact: a reading gives the double nearest to the
// decimal value (halves to even), and a writing starts from the double's
// exact decimal expansion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// The double nearest to 0.digits x 10^exponent, ties to even. `digits` holds
// decimal digits only, the first not 0 (trailing zeros are allowed); an empty
// `digits` is zero. Values too large give +infinity, values too small for
// the smallest subnormal give 0.
double DecimalToDouble(std::string_view digits, std::int64_t exponent);

// The text printf writes for "%.<precision>g" in the C locale: `precision`
// significant digits (1 to 17), rounded from the exact value with ties to
// even, trailing zeros dropped, and an exponent of at least two digits when
// the exponent form is used. Infinities and NaN give "inf", "-inf", "nan".
std::string FormatGeneral(double value, int precision);

}  // namespace velmora
