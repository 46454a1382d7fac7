// Date editing over a fixed mask of blanks and slashes. The user never
// inserts or deletes characters here: a digit overwrites the position right
// of the caret, an erased position reads "0" (or, for a reset, the mask's
// own character), and the slashes stay where the mask put them. So the text
// keeps its length through every key.
//
// Positions are counted from 1, as the field counts them: the character
// left of the caret is at position SelStart, the one right of it at
// SelStart + 1. Positions and lengths are 16-bit signed integers.
//
// A program may assign any text in date mode, shorter or longer than the
// mask, and MaxLength 0 cuts an empty mask. The procedures then still work
// only inside the text:
//   - a position outside the text is absent: a key whose target position is
//     absent is swallowed and changes nothing;
//   - erasing the whole field writes the mask itself, so a field holding a
//     misfit text gets its proper mask back; a partial reset works only on
//     the positions inside the text, each taking the mask's character as
//     far as the mask reaches;
//   - with the empty mask nothing counts as the whole field, so Delete
//     never wipes a text it cannot address;
//   - a text too long for 16-bit positions is refused with an overflow
//     error before anything, the key included, is changed.
#include <cstdint>
#include <string>

#include "date/date_editing.h"
#include "errors.h"
#include "platform.h"

namespace velmora {

namespace {

constexpr char16_t kBlank = u' ';
constexpr char16_t kSlash = u'/';
constexpr char16_t kErased = u'0';

// Reads the whole text once and makes sure every position in it can be
// counted by a 16-bit position.
std::u16string ReadText(const TextBox& Text1) {
  std::u16string text = Text1.Text();
  ToInt16Checked(static_cast<std::int64_t>(text.size()), "date text longer than 32767 characters");
  return text;
}

std::int16_t LengthOf(const std::u16string& text, const char* what) {
  return ToInt16Checked(static_cast<std::int64_t>(text.size()), what);
}

std::int16_t SelStartOf(const TextBox& Text1) { return ToInt16Checked(Text1.SelStart(), "SelStart"); }
std::int16_t SelLengthOf(const TextBox& Text1) { return ToInt16Checked(Text1.SelLength(), "SelLength"); }

bool Present(const std::u16string& text, int position) {
  return position >= 1 && position <= static_cast<int>(text.size());
}

// The character at a position; an absent position reads as 0, which is
// neither a blank nor a slash nor a digit.
char16_t At(const std::u16string& text, int position) {
  return Present(text, position) ? text[static_cast<std::size_t>(position - 1)] : u'\0';
}

// Every position from `from` to the end of the text takes the mask's
// character, as far as the mask reaches.
void ResetToMask(std::u16string& text, const std::u16string& mask, int from) {
  for (std::size_t i = from < 1 ? 0 : static_cast<std::size_t>(from - 1); i < text.size() && i < mask.size(); ++i)
    text[i] = mask[i];
}

// Left and Right. The caret never stops directly before a slash and never
// goes past the first unfilled position; offset 0 and the end of the field
// are left to the text box's own caret handling.
void CaretStep(TextBox& Text1, std::int16_t& KeyCode, const std::u16string& mask, int d) {
  const std::u16string text = ReadText(Text1);
  const std::int16_t L = LengthOf(mask, "date mask length");
  int n = SelStartOf(Text1) + d;
  if (n < 1 || n >= L) return;
  if (!Present(text, n)) {
    // Beyond the end of a text shorter than the mask: there is nothing to
    // step over.
    KeyCode = 0;
    return;
  }
  if (At(text, n) == kBlank) {
    // Stepping onto an unfilled position: the caret goes to the first
    // unfilled one instead, so the date is filled from the left. Digits and
    // "/" are the only codes from 47 up in a date text.
    int first = 1;
    while (At(text, first) >= kSlash) ++first;
    n = first - 1;
  } else if (At(text, n + 1) == kSlash) {
    n += d;
  }
  Text1.setSelStart(n);
  KeyCode = 0;
}

// Delete. A single position reads "0" afterwards rather than a blank, so
// the caret rule above never mistakes an erased digit for the end of the
// typed part.
void ForwardErase(TextBox& Text1, std::int16_t& KeyCode, const std::u16string& mask) {
  std::u16string text = ReadText(Text1);
  const std::int16_t L = LengthOf(mask, "date mask length");
  const std::int16_t selLength = SelLengthOf(Text1);
  const std::int16_t start = SelStartOf(Text1);
  KeyCode = 0;  // Delete is always swallowed
  if (selLength == L && L > 0) {
    Text1.setText(mask);
    return;
  }
  const int p = start + 1;
  if (p > L || !Present(text, p)) return;
  if (selLength > 0) {
    // The typed part is always a prefix, so a selection erases to the end.
    ResetToMask(text, mask, p);
  } else {
    text[static_cast<std::size_t>(p - 1)] = kErased;
  }
  Text1.setText(text);
  Text1.setSelStart(p - 1);
}

// Backspace: the position left of the caret, or the digit before a slash.
void BackwardErase(TextBox& Text1, std::int16_t& KeyAscii, const std::u16string& mask) {
  std::u16string text = ReadText(Text1);
  const std::int16_t selLength = SelLengthOf(Text1);
  const std::int16_t start = SelStartOf(Text1);
  KeyAscii = 0;
  if (selLength == LengthOf(text, "date text length")) {
    Text1.setText(mask);
    return;
  }
  if (start == 0) return;
  int q = start;
  if (At(text, q) == kSlash) --q;
  if (!Present(text, q)) return;
  text[static_cast<std::size_t>(q - 1)] = kErased;
  Text1.setText(text);
  Text1.setSelStart(q - 1);
}

// A digit overwrites the position right of the caret; at the end of the
// field it keeps overwriting the last position.
void Overtype(TextBox& Text1, std::int16_t& KeyAscii, const std::u16string& mask) {
  std::u16string text = ReadText(Text1);
  const std::int16_t L = LengthOf(mask, "date mask length");
  const std::int16_t start = SelStartOf(Text1);
  const std::int16_t selLength = SelLengthOf(Text1);
  const char16_t digit = static_cast<char16_t>(KeyAscii);
  KeyAscii = 0;
  int p = start + 1;
  if (p > L) p = L;
  if (!Present(text, p)) return;
  if (selLength > 0) ResetToMask(text, mask, p);
  text[static_cast<std::size_t>(p - 1)] = digit;
  Text1.setText(text);
  Text1.setSelStart(At(text, p + 1) == kSlash ? p + 1 : p);
}

}  // namespace

void DataKeyDown(TextBox& Text1, std::int16_t& KeyCode, std::u16string Maschera) {
  switch (KeyCode) {
    case vk::Left: CaretStep(Text1, KeyCode, Maschera, -1); break;
    case vk::Right: CaretStep(Text1, KeyCode, Maschera, +1); break;
    case vk::Up:
    case vk::Down: KeyCode = 0; break;
    case vk::Delete: ForwardErase(Text1, KeyCode, Maschera); break;
    default: break;  // Home, End, Insert, Backspace...: the text box's own
  }
}

void DataKeyPress(TextBox& Text1, std::int16_t& KeyAscii, std::u16string Maschera) {
  if (KeyAscii == 8) {
    BackwardErase(Text1, KeyAscii, Maschera);
  } else if (KeyAscii >= u'0' && KeyAscii <= u'9') {
    Overtype(Text1, KeyAscii, Maschera);
  } else {
    CurrentPlatform().Beep();
    KeyAscii = 0;
  }
}

}  // namespace velmora
