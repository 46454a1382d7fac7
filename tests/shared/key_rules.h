// What the key rules keep whatever is typed, clicked or picked from the
// menu: the key fuzzer holds the model form to them and the soak the real
// control on a form.
#pragma once

#include <cstddef>
#include <string_view>

namespace velmora::testing {

// A date over its mask: the slashes stay and every other position is a
// digit or a blank.
inline bool MaskShaped(std::u16string_view text, std::u16string_view mask) {
  if (text.size() != mask.size()) return false;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const bool slash = mask[i] == u'/';
    if (slash != (text[i] == u'/')) return false;
    if (!slash && text[i] != u' ' && (text[i] < u'0' || text[i] > u'9')) return false;
  }
  return true;
}

// A number's text: digits and separators, at most one sign and, with
// Virgola, at most one decimal comma. Its grouping may lapse between two
// rebuilds, as a digit typed inside the number overwrites whatever stands
// right of the caret (a separator the mouse put the caret before, the sign
// after Home, the comma), and decimals go in as typed.
inline bool NumberShaped(std::u16string_view text, bool virgola) {
  return !text.empty() && text != u"-" &&
         text.find_first_not_of(virgola ? u"0123456789.,-" : u"0123456789.-") == text.npos &&
         text.find(u',') == text.rfind(u',') && text.find(u'-') == text.rfind(u'-');
}

}  // namespace velmora::testing
