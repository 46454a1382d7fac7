// What a screen reader hears of the control: the value (what the user has
// entered, never the mask), the description (what the field expects, in
// the product's Italian) and the alert of a refused date. Kept apart from
// any accessibility interface so that the words are the same on every
// platform and tested without one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

class VelmoraControl;

// Spoken when a date is wiped on leaving the field.
inline constexpr std::u16string_view kInvalidDateAlert = u"Data non valida";

// The value of a text. In date mode a text of nothing but the mask's blanks
// and slashes holds nothing the user entered: "" (a reader would spell the
// slashes out); any other text is read as shown. A number is read as shown.
std::u16string AccessibleValue(std::u16string_view text, bool dateMode);

// What the field expects: in date mode the day/month/year pattern cut to
// the length of the mask ("gg/mm/aaaa", "gg/mm/aa", "gg/mm"); in number
// mode whether a decimal comma is accepted.
std::u16string AccessibleDescription(bool dateMode, std::int32_t maxLength, bool virgola);

// A label's caption as a reader says it: the name without the "&" that
// marks the mnemonic ("&&" is a plain "&"), and the keyboard shortcut the
// mnemonic gives ("Alt+D" for "&Data:"; "" when there is none).
std::u16string LabelName(std::u16string_view caption);
std::u16string LabelShortcut(std::u16string_view caption);

// The same for a control as it stands.
std::u16string AccessibleValue(const VelmoraControl& control);
std::u16string AccessibleDescription(const VelmoraControl& control);

}  // namespace velmora
