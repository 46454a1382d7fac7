// Where a click leaves the caret in a date field. The keys never let the
// caret past the typed part of the date nor leave it directly before a
// slash; a mouse lands anywhere. A person who clicks into an empty or half
// typed date and types expects the digits to follow on from what is there,
// so the click is brought back in line with the keys:
//   - a field without any digit: the caret goes to the first position;
//   - a click beyond the last digit: the caret goes just after that digit,
//     and over the slash that follows it, as typing that digit left it;
//   - a click among the typed digits stays, so one digit can be corrected,
//     except directly before a slash, where it steps over the slash as the
//     Right key does (a digit typed there would overwrite the slash).
// A selection made with the mouse (a drag, a double-click) is left alone.
#include <cstddef>
#include <cstdint>
#include <string>

#include "date/date_editing.h"

namespace velmora {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

void DataClick(TextBox& Text1, std::u16string Maschera) {
  // With the empty mask there is no field to keep, as for the keys.
  if (Maschera.empty() || Text1.SelLength() != 0) return;
  const std::u16string text = Text1.Text();
  const std::size_t caret = static_cast<std::size_t>(Text1.SelStart());
  // The offset just after the last digit, over a slash that follows it.
  std::size_t end = text.size();
  while (end > 0 && !IsDigit(text[end - 1])) --end;
  if (end > 0 && end < text.size() && text[end] == u'/') ++end;
  std::size_t to = caret;
  if (caret > end) {
    to = end;
  } else if (caret < text.size() && text[caret] == u'/') {
    to = caret + 1;
  }
  if (to != caret) Text1.setSelStart(static_cast<std::int32_t>(to));
}

}  // namespace velmora
