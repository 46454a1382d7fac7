// The numeric value of a text, read the same way whatever the regional
// settings say.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Blanks, tabs and line feeds anywhere are skipped; then the longest leading
// number (a sign, digits, at most one "." as the decimal point, an exponent
// E/D with an optional sign), or an &H hexadecimal / &O octal integer; any
// other character ends it; a text without a leading number is 0. A value
// beyond the range of a double is an overflow error.
double NumericValue(std::u16string_view text);

namespace number_reading {
// The leading number of a text in exact pieces, shared with the number
// formatting so that the two never disagree on where a number ends.
//   radix 10: the value is 0.digits x 10^exponent; digits has neither leading
//             nor trailing zeros and is empty for zero.
//   radix 16 or 8 (the &H and &O prefixes): the value is the integer whose
//             digits are `digits` (no leading zeros, empty for zero);
//             exponent is 0.
// sawDigit tells whether the number had any digit at all, so that "-0" and a
// lone "-" can be told apart. A sign may stand before the prefix too.
void ScanLeadingNumber(std::u16string_view text, bool& negative, int& radix, std::string& digits,
                       std::int64_t& exponent, bool& sawDigit);
}  // namespace number_reading

}  // namespace velmora
