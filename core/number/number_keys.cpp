// Key handling of a number field: overwrite-style editing of a whole number
// grouped by thousands with ".", with an optional decimal comma and a sign
// key.
//
// The caret counts in 16 bits, as the field's positions always have; a text
// too long to be counted so is refused with an overflow error before the
// field is touched, rather than edited at a wrapped-around position.
// Characters are counted from 1: character SelStart is the one left of the
// caret, SelStart + 1 the one right of it; a position outside the text reads
// as no character at all.
#include <cstdint>
#include <string>

#include "errors.h"
#include "number/number_editing.h"
#include "platform.h"

namespace velmora {

namespace {

constexpr std::int16_t kTrue = -1;

// The character at 1-based position pos, or 0 (which equals no character
// the procedures test for) outside the text.
char16_t CharAt(const std::u16string& text, int pos) {
  if (pos < 1 || static_cast<std::size_t>(pos) > text.size()) return 0;
  return text[static_cast<std::size_t>(pos) - 1];
}

// The text of the box, refused when its positions cannot be counted in 16
// bits.
std::u16string CountableText(const TextBox& Text1) {
  std::u16string text = Text1.Text();
  ToInt16Checked(static_cast<std::int64_t>(text.size()), "number text longer than 32,767 characters");
  return text;
}

int Caret(const TextBox& Text1) { return ToInt16Checked(Text1.SelStart(), "SelStart"); }

// Every text written to the box must itself stay countable.
void SetCountableText(TextBox& Text1, const std::u16string& text) {
  ToInt16Checked(static_cast<std::int64_t>(text.size()), "number text longer than 32,767 characters");
  Text1.setText(text);
}

void Refuse(std::int16_t& key) {
  CurrentPlatform().Beep();
  key = 0;
}

// Delete removes the character right of the caret (at the end, the one left
// of it) by blanking it and rebuilding; the caret then follows the digits it
// stood between, whatever separators the rebuild added or removed.
void DeleteRule(TextBox& Text1) {
  std::u16string t = CountableText(Text1);
  if (Text1.SelLength() == static_cast<std::int32_t>(t.size())) {
    Text1.setText(u"0");
    Text1.setSelLength(0);
    return;
  }
  const int n = static_cast<int>(t.size());  // at least 1: an empty text is wholly selected
  int i = Caret(Text1) + 1;
  if (i > n) i = n;
  t[static_cast<std::size_t>(i) - 1] = u' ';
  t = FormattaNumero(t);
  const int m = static_cast<int>(t.size());
  int c = i - 1;
  // 0 when only the deleted character went, 1 when a separator went too,
  // negative when the text grew (a deleted comma joins the decimals to the
  // whole part).
  const int d = n - m - 1;
  if (c >= d) c -= d;
  if (CharAt(t, c + 1) == u'.') ++c;
  Text1.setText(t);
  Text1.setSelStart(c);
}

void Backspace(TextBox& Text1, std::int16_t& KeyAscii) {
  std::u16string t = CountableText(Text1);
  int a = Caret(Text1);
  if (a <= 0) {
    Refuse(KeyAscii);
    return;
  }
  if (a == static_cast<int>(t.size())) {
    t[static_cast<std::size_t>(a) - 1] = u' ';
  } else {
    if (CharAt(t, a) == u'.') --a;
    // A "." standing first has no digit in front of it to zero: there is
    // nothing to take back, so the key is refused.
    if (a < 1) {
      Refuse(KeyAscii);
      return;
    }
    t[static_cast<std::size_t>(a) - 1] = u'0';
  }
  Text1.setText(FormattaNumero(t));
  Text1.setSelStart(a - 1);
  KeyAscii = 0;
}

void Digit(TextBox& Text1, std::int16_t& KeyAscii, const std::int16_t& Virgola) {
  const auto digit = static_cast<char16_t>(KeyAscii);
  std::u16string t = CountableText(Text1);
  int p = Caret(Text1) + 1;
  // Decimals go in as typed: the field's own insertion places them.
  if (Virgola == kTrue && t.find(u',') != std::u16string::npos) return;

  if (p <= static_cast<int>(t.size())) {
    // Inside the number a digit overwrites whatever stands right of the
    // caret, and the caret steps over a separator that follows.
    t[static_cast<std::size_t>(p) - 1] = digit;
    if (CharAt(t, p + 1) == u'.') ++p;
    Text1.setText(t);
    Text1.setSelStart(p);
  } else if (p <= Text1.MaxLength()) {
    // At the end the digit is appended and the whole text rebuilt. The limit
    // is tested before the rebuild, so a digit that opens a new group may
    // leave the text one separator longer than MaxLength.
    SetCountableText(Text1, FormattaNumero(t + digit));
    Text1.setSelStart(static_cast<std::int32_t>(Text1.Text().size()));
  }
  // A zero typed over or after a leading zero is dropped by a rebuild. An
  // empty text has no first character and is left as it is.
  const std::u16string now = Text1.Text();
  if (digit == u'0' && !now.empty() && now.front() == u'0') Text1.setText(FormattaNumero(now));
  KeyAscii = 0;
}

void Comma(TextBox& Text1, std::int16_t& KeyAscii, const std::int16_t& Virgola) {
  if (Virgola != kTrue) {
    Refuse(KeyAscii);
    return;
  }
  KeyAscii = u',';  // a full stop stands for the decimal comma too
  if (Text1.Text().find(u',') != std::u16string::npos) Refuse(KeyAscii);
}

// The sign key puts a "-" in front, shown in red, or takes it away. The sign
// is removed where it stands: normally first, but a text put in by the
// container may hold it elsewhere, and removing the first character blindly
// would then delete a digit.
void Minus(TextBox& Text1, std::int16_t& KeyAscii) {
  std::u16string t = CountableText(Text1);
  const std::size_t sign = t.find(u'-');
  if (sign != std::u16string::npos) {
    t.erase(sign, 1);
    Text1.setText(t);
    Text1.setSelStart(static_cast<std::int32_t>(t.size()));
    Text1.setForeColor(kWindowText);
    KeyAscii = 0;
  } else {
    KeyAscii = 0;
    SetCountableText(Text1, u"-" + t);
    Text1.setSelStart(static_cast<std::int32_t>(t.size()) + 1);
    Text1.setForeColor(kRed);
  }
}

}  // namespace

void NumeroKeyDown(TextBox& Text1, std::int16_t& KeyCode) {
  switch (KeyCode) {
    case vk::Left: {
      // The caret never stops in front of a separator: moving left from just
      // after a "." it first steps over the ".", and the key's own move then
      // lands in front of the digit before it.
      const std::u16string t = CountableText(Text1);
      const int caret = Caret(Text1);
      if (caret > 0 && CharAt(t, caret) == u'.') Text1.setSelStart(caret - 1);
      break;
    }
    case vk::Right: {
      const std::u16string t = CountableText(Text1);
      const int caret = Caret(Text1);
      if (CharAt(t, caret + 2) == u'.') Text1.setSelStart(caret + 1);
      break;
    }
    case vk::Up:
    case vk::Down:
      KeyCode = 0;
      break;
    case vk::Delete:
      DeleteRule(Text1);
      KeyCode = 0;
      break;
    default:
      break;
  }
}

void NumeroKeyPress(TextBox& Text1, std::int16_t& KeyAscii, const std::int16_t& Virgola) {
  if (KeyAscii == 8) {
    Backspace(Text1, KeyAscii);
  } else if (KeyAscii >= u'0' && KeyAscii <= u'9') {
    Digit(Text1, KeyAscii, Virgola);
  } else if (KeyAscii == u',' || KeyAscii == u'.') {
    Comma(Text1, KeyAscii, Virgola);
  } else if (KeyAscii == u'-') {
    Minus(Text1, KeyAscii);
  } else {
    Refuse(KeyAscii);
  }
}

}  // namespace velmora
