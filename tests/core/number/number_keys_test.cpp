// Key handling of a number field beyond the shared key rows, run as typed
// keys on the model text box: texts the 16-bit positions cannot count, and
// random keys.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "../../shared/key_rows.h"
#include "errors.h"
#include "model_textbox.h"
#include "number/number_editing.h"
#include "platform.h"
#include "variant.h"
#include "../../shared/control_error.h"

namespace velmora {
namespace {

using RecordingPlatform = key_rows::BeepCounter;

// Routes the box's key events to the number procedures, as the control does
// in number mode.
class NumberField : public TextBoxEvents {
 public:
  explicit NumberField(ModelTextBox& box, bool virgola) : box_(box), virgola_(virgola ? -1 : 0) {
    box_.setEvents(this);
  }
  ~NumberField() override { box_.setEvents(nullptr); }
  void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t) override { NumeroKeyDown(box_, KeyCode); }
  void Text1_KeyPress(std::int16_t& KeyAscii) override { NumeroKeyPress(box_, KeyAscii, virgola_); }
  void Text1_LostFocus() override {}
  void Text1_Change() override {}

 private:
  ModelTextBox& box_;
  std::int16_t virgola_;
};

using key_rows::kBack;
using key_rows::kDel;
using key_rows::kLeft;
using key_rows::kRight;

void Type(ModelTextBox& box, char16_t key) {
  const key_rows::Stroke s = key_rows::StrokeOf(key);
  box.Keystroke(s.keyCode, s.ctrl ? kCtrlMask : 0, s.ch);
}

// A text the 16-bit positions cannot count is refused before the box is
// touched, and a key never writes such a text either.
TEST(NumberKeys, UncountableTextsAreOverflow) {
  struct Row {
    const char* name;
    std::u16string text;
    int caret;
    char16_t key;
  };
  const std::u16string tooLong(32768, u'1');
  const std::u16string longest(32767, u'1');
  const Row rows[] = {
      {"DigitInside", tooLong, 5, u'7'},
      {"DigitAtEnd", tooLong, 32768, u'7'},
      {"Backspace", tooLong, 32768, kBack},
      {"Delete", tooLong, 0, kDel},
      {"Left", tooLong, 32768, kLeft},
      {"Right", tooLong, 0, kRight},
      {"Minus", tooLong, 0, u'-'},
      {"MinusMakesItTooLong", longest, 0, u'-'},
      {"RebuildTooLong", longest, 32767, kBack},
      {"AppendTooLong", FormattaNumero(std::u16string(24576, u'1')), 32767, u'7'},
  };
  for (const Row& row : rows) {
    RecordingPlatform platform;
    ScopedPlatform scoped(platform);
    ModelTextBox box;
    box.setMaxLength(40000);
    box.setText(row.text);
    box.setSelStart(row.caret);
    NumberField field(box, false);
    EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::Overflow), Type(box, row.key)) << row.name;
    EXPECT_EQ(box.Text(), row.text) << row.name;
    EXPECT_EQ(platform.beeps, 0) << row.name;
  }
}

// Random keys on random texts: the procedures never leave the text (the
// sanitizers watch every access), the caret stays inside it, and Backspace
// and Delete always leave a canonical number.
TEST(NumberKeys, RandomKeysStayInsideTheText) {
  std::mt19937 random(7);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  const std::u16string alphabet = u"0123456789.,- a";
  const std::u16string keys = u"0123456789.,-xa \b\u2190\u2192\u2191\u2193\u2326";
  for (int round = 0; round < 3000; ++round) {
    RecordingPlatform platform;
    ScopedPlatform scoped(platform);
    ModelTextBox box;
    std::u16string text;
    for (int k = pick(0, 12); k > 0; --k) text += alphabet[static_cast<std::size_t>(pick(0, 14))];
    box.setMaxLength(pick(0, 16));
    box.setText(text);
    box.Select(pick(0, 13), pick(0, 3));
    NumberField field(box, pick(0, 1) == 1);
    for (int k = 0; k < 8; ++k) {
      const char16_t key = keys[static_cast<std::size_t>(pick(0, static_cast<int>(keys.size()) - 1))];
      const std::u16string before = box.Text();
      Type(box, key);
      const std::u16string after = box.Text();
      ASSERT_LE(box.SelStart() + box.SelLength(), static_cast<int>(after.size())) << ToUtf8(before);
      if (key == kBack || key == kDel) {
        if (after != before) {
          EXPECT_EQ(FormattaNumero(after), after) << "'" << ToUtf8(before) << "' key " << int(key);
        }
      }
    }
  }
}

}  // namespace
}  // namespace velmora
