// Random key scripts played into a VelmoraControl on the model form, in
// date and number mode, with random MaxLength, Virgola and starting text.
//
// What must hold whatever is typed:
//   - nothing crashes, and nothing is read or written outside the text
//     (AddressSanitizer, and the library's own bounds checks);
//   - the caret and the selection stay inside the text;
//   - a date typed over its mask keeps the mask's shape: the slashes stay
//     and every other position is a digit or a blank. A mouse selection
//     leaving the caret right before a slash may legitimately overwrite it,
//     and so may the last digit of a mask that ends in a slash, so those
//     runs are not held to the shape (a click is: it never leaves the caret
//     before a slash);
//   - a number stays a number's text (digits, separators, one sign and,
//     with Virgola, one comma), when it starts as one;
//   - the menu's commands keep the rules of the keys behind them;
//   - the only core error is an overflow, and only for a text too long for
//     16-bit positions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "errors.h"
#include "key_form.h"
#include "key_script.h"
#include "shared/key_rules.h"

namespace {

using namespace velmora;
using namespace velmora::keys;
using velmora::testing::MaskShaped;
using velmora::testing::NumberShaped;

constexpr std::int16_t kLengths[] = {10, 8, 5, 7, 0, 1, 12, 2};
constexpr char16_t kTextAlphabet[] = u" /0123456789.,-a\u00e8";
// Script pieces; "{SEL" is completed with two numbers from the input.
const char16_t* const kPieces[] = {
    u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"/", u" ", u"-", u",", u".", u"a",
    u"^v", u"^c", u"^x", u"{ENTER}", u"{ESC}", u"{TAB}", u"+{TAB}", u"{BS}", u"{DEL}", u"{LEFT}",
    u"{RIGHT}", u"{UP}", u"{DOWN}", u"{HOME}", u"{END}", u"+{LEFT}", u"+{RIGHT}", u"+{HOME}",
    u"+{END}", u"{BLUR}", u"{FOCUS}", u"\u00e8", u"+{ENTER}", u"{SEL", u"{CLICK", u"{CUT}", u"{COPY}",
    u"{PASTE}", u"{PASTE 14121967}", u"{PASTE 05/03/1967}", u"{PASTE abc}", u"{PASTE 1.234}", u"{CLEAR}",
    u"{UNDO}"};
constexpr std::size_t kPieceCount = sizeof kPieces / sizeof kPieces[0];

// The starting text and the script of the run, shown with a broken invariant.
std::u16string start, script;

[[noreturn]] void Broken(const char* what, const std::u16string& text) {
  std::fprintf(stderr, "invariant broken: %s; text \"%s\" from \"%s\" by %s\n", what,
               ToUtf8(text.substr(0, 80)).c_str(), ToUtf8(start.substr(0, 80)).c_str(),
               ToUtf8(script.substr(0, 400)).c_str());
  std::abort();
}

struct Input {
  const std::uint8_t* data;
  std::size_t size, at = 0;
  bool more() const { return at < size; }
  std::uint8_t next() { return at < size ? data[at++] : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  const std::uint8_t flags = in.next();
  // Huge texts are slow to edit, so they are a rare case with a short script.
  const bool numberMode = flags & 1, virgola = flags & 2, withText = flags & 4,
             huge = (flags & 0xC8) == 0xC8, tastoInvio = flags & 16;
  const std::uint8_t lengthPick = in.next();
  const std::int16_t maxLength =
      (lengthPick & 8) ? static_cast<std::int16_t>(lengthPick >> 4) : kLengths[lengthPick & 7];

  std::u16string text;
  if (withText) {
    const std::size_t n = in.next() % 24;
    for (std::size_t i = 0; i < n; ++i) text += kTextAlphabet[in.next() % (sizeof kTextAlphabet / 2 - 1)];
    if (huge) {
      // Beyond 32,767 characters: the 16-bit positions overflow.
      if (text.empty()) text = u"9";
      while (text.size() <= 32767) text += text;
    }
  }

  script.clear();
  bool mousePlaced = false;
  for (int count = 0; in.more() && (!huge || count < 16); ++count) {
    const std::u16string piece = kPieces[in.next() % kPieceCount];
    if (piece == u"{SEL") {
      script += u"{SEL " + FromUtf8(std::to_string(in.next() % 14)) + u" " + FromUtf8(std::to_string(in.next() % 12)) + u"}";
      mousePlaced = true;
    } else if (piece == u"{CLICK") {
      script += u"{CLICK " + FromUtf8(std::to_string(in.next() % 14)) + u"}";
    } else {
      script += piece;
    }
  }

  KeyForm form(false, CalendarDate{2024, 2, 29});
  VelmoraControl& control = *form.Control();
  ModelTextBox& box = form.Box();
  bool hugeText = false;
  try {
    control.UserControl_Initialize();
    control.UserControl_InitProperties();
    if (numberMode) control.setDateValue(kFalse);
    control.setMaxLength(maxLength);
    if (virgola) control.setVirgola(kTrue);
    if (tastoInvio) control.setTastoInvio(kTrue);
    if (withText) control.setText(text);
    hugeText = box.Text().size() > 32767;
    start = box.Text();
    form.MoveFocus(Field::Control);

    const std::u16string mask = DateMask(maxLength);
    const bool holdShape = !numberMode && !mousePlaced && !mask.empty() && mask.back() != u'/' &&
                           MaskShaped(box.Text(), mask);
    const bool holdNumber = numberMode && NumberShaped(box.Text(), virgola);
    for (const Key& key : ParseKeys(script)) {
      form.Play(key);
      const std::u16string now = box.Text();
      hugeText = hugeText || now.size() > 32767;
      if (box.SelStart() < 0 || box.SelLength() < 0 ||
          static_cast<std::size_t>(box.SelStart()) + static_cast<std::size_t>(box.SelLength()) > now.size())
        Broken("caret or selection outside the text", now);
      if (holdShape && !MaskShaped(now, mask)) Broken("the date lost its mask's shape", now);
      if (holdNumber && !NumberShaped(now, virgola)) Broken("the number is no number's text", now);
    }
  } catch (const VelmoraError& e) {
    if (!(hugeText && e.number() == static_cast<int>(ErrorNumber::Overflow))) {
      std::fprintf(stderr, "unexpected core error %d: %s\n", e.number(), e.what());
      Broken("a core error where none may be", box.Text());
    }
  }
  return 0;
}
