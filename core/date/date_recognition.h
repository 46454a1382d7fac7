// Recognition of a text as a day/month/year date, as the platform's own
// text-to-date conversion reads the texts a date field can hold.
#pragma once

#include <string_view>

#include "platform.h"

namespace velmora {

// "d/m/y" with one or two digits of day and month and two or four digits of
// year, surrounding blanks allowed, existing calendar dates only. A two-digit
// year expands as the platform's date conversion does by default: 00-29 to
// 2000-2029, 30-99 to 1930-1999. On success *out (when given) receives the
// date.
bool RecognizeDate(std::u16string_view text, CalendarDate* out = nullptr);

}  // namespace velmora
