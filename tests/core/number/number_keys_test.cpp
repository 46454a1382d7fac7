// Key handling of a number field, run as typed keys on the model text box:
// key-down, key-press and the box's own action, as a user would type them.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "errors.h"
#include "model_textbox.h"
#include "number/number_editing.h"
#include "platform.h"
#include "variant.h"

namespace velmora {
namespace {

class RecordingPlatform : public PortablePlatform {
 public:
  void Beep() override { ++beeps; }
  int beeps = 0;
};

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

// Keys are written as the characters they type; the keys that type nothing
// have symbols of their own.
constexpr char16_t kLeft = u'\u2190', kRight = u'\u2192', kUp = u'\u2191', kDown = u'\u2193', kDel = u'\u2326',
                   kBack = u'\b', kCtrlV = u'\x16';

void Type(ModelTextBox& box, char16_t key) {
  switch (key) {
    case kLeft: box.Keystroke(vk::Left, 0, 0); return;
    case kRight: box.Keystroke(vk::Right, 0, 0); return;
    case kUp: box.Keystroke(vk::Up, 0, 0); return;
    case kDown: box.Keystroke(vk::Down, 0, 0); return;
    case kDel: box.Keystroke(vk::Delete, 0, 0); return;
    case kBack: box.Keystroke(vk::Back, 0, 8); return;
    case kCtrlV: box.Keystroke(86, kCtrlMask, 22); return;
    // The keys of the punctuation have virtual-key codes of their own; the
    // full stop's is not 46, which is Delete.
    case u'-': box.Keystroke(189, 0, u'-'); return;
    case u',': box.Keystroke(188, 0, u','); return;
    case u'.': box.Keystroke(190, 0, u'.'); return;
    default: {
      const char16_t upper = key >= u'a' && key <= u'z' ? static_cast<char16_t>(key - 32) : key;
      box.Keystroke(static_cast<std::int16_t>(upper), 0, key);
    }
  }
}

struct KeyRow {
  const char* name;
  std::u16string text;
  int selStart, selLength, maxLength;
  bool virgola;
  std::u16string keys;
  std::u16string expectedText;
  int expectedCaret;
  int expectedBeeps;
  std::uint32_t startColour = kWindowText;
  std::uint32_t expectedColour = kWindowText;
};

std::ostream& operator<<(std::ostream& os, const KeyRow& row) { return os << row.name; }

class NumberKeyRows : public ::testing::TestWithParam<KeyRow> {};

TEST_P(NumberKeyRows, Edit) {
  const KeyRow& row = GetParam();
  RecordingPlatform platform;
  ScopedPlatform scoped(platform);
  ModelTextBox box;
  box.setMaxLength(row.maxLength);
  box.setText(row.text);
  box.setForeColor(row.startColour);
  box.Select(row.selStart, row.selLength);
  NumberField field(box, row.virgola);
  for (char16_t key : row.keys) Type(box, key);

  const std::string where = std::string(row.name) + ": '" + ToUtf8(row.text) + "' caret " +
                            std::to_string(row.selStart) + ", keys '" + ToUtf8(row.keys) + "'";
  EXPECT_EQ(ToUtf8(box.Text()), ToUtf8(row.expectedText)) << where;
  EXPECT_EQ(box.SelStart(), row.expectedCaret) << where;
  EXPECT_EQ(platform.beeps, row.expectedBeeps) << where;
  EXPECT_EQ(box.ForeColor(), row.expectedColour) << where;
}

const std::u16string kMinus = u"-";

INSTANTIATE_TEST_SUITE_P(
    NumberKeys, NumberKeyRows,
    ::testing::Values(
        // Digits.
        KeyRow{"DigitsIntoZero", u"0", 0, 0, 10, false, u"5321", u"5.321", 5, 0},
        KeyRow{"ZeroOverFirstDigitVanishes", u"5.321", 0, 0, 10, false, u"0", u"321", 0, 0},
        KeyRow{"OverwriteStepsOverSeparator", u"1.234", 0, 0, 10, false, u"9", u"9.234", 2, 0},
        KeyRow{"OverwriteTakesSeparator", u"14.121", 2, 0, 10, false, u"5", u"145121", 3, 0},
        KeyRow{"OverwriteTakesSign", u"-5", 0, 0, 10, false, u"3", u"35", 1, 0, kRed, kRed},
        KeyRow{"SelectionOnlyFirstOverwritten", u"1.234", 0, 5, 10, false, u"5", u"5.234", 2, 0},
        KeyRow{"FullFieldRefusesSilently", u"14.121.967", 10, 0, 10, false, u"1", u"14.121.967", 10, 0},
        KeyRow{"NewGroupMayPassMaxLength", u"999.999", 7, 0, 8, false, u"9", u"9.999.999", 9, 0},
        KeyRow{"MaxLengthZeroAppendsNothing", u"12", 2, 0, 0, false, u"3", u"12", 2, 0},
        KeyRow{"ZeroIntoEmptyUnlimitedBox", u"", 0, 0, 0, false, u"0", u"", 0, 0},
        KeyRow{"EighteenDigitsStayExact", u"0", 1, 0, 100, false, u"123456789012345678", u"123.456.789.012.345.678",
               23, 0},
        KeyRow{"DecimalsGoInAsTyped", u"1.234,5", 1, 0, 20, true, u"9", u"19.234,5", 2, 0},
        // Backspace.
        KeyRow{"BackspaceAtEnd", u"1.234", 5, 0, 10, false, u"\b", u"123", 3, 0},
        KeyRow{"BackspaceZeroesDigit", u"14.121.967", 4, 0, 10, false, u"\b", u"14.021.967", 3, 0},
        KeyRow{"BackspaceAfterSeparator", u"14.121.967", 3, 0, 10, false, u"\b", u"10.121.967", 1, 0},
        KeyRow{"BackspaceAtStartBeeps", u"1.234", 0, 0, 10, false, u"\b", u"1.234", 0, 1},
        KeyRow{"BackspaceRoundsDecimals", u"1.234,567", 9, 0, 20, true, u"\b", u"1.235", 5, 0},
        KeyRow{"BackspaceAfterLeadingSeparatorBeeps", u".123", 1, 0, 10, false, u"\b", u".123", 1, 1},
        // Delete.
        KeyRow{"DeleteWholeSelection", u"1.234", 0, 5, 10, false, u"\u2326", u"0", 0, 0},
        KeyRow{"DeleteInEmptyBox", u"", 0, 0, 10, false, u"\u2326", u"0", 0, 0},
        KeyRow{"DeleteFirst", u"1.234.567", 0, 0, 10, false, u"\u2326", u"234.567", 0, 0},
        KeyRow{"DeleteInside", u"1.234.567", 2, 0, 10, false, u"\u2326", u"134.567", 1, 0},
        KeyRow{"DeleteAtEndTakesLast", u"1.234.567", 9, 0, 10, false, u"\u2326", u"123.456", 7, 0},
        KeyRow{"DeleteCommaJoinsDecimals", u"1.234,5678", 5, 0, 20, true, u"\u2326", u"12.345.678", 7, 0},
        KeyRow{"DeletePartOfSelectionOnly", u"1.234.567", 2, 3, 10, false, u"\u2326", u"134.567", 1, 0},
        // Sign.
        KeyRow{"MinusPutsSign", u"1.234", 0, 0, 10, false, kMinus, u"-1.234", 6, 0, kWindowText, kRed},
        KeyRow{"MinusTwiceTakesItAway", u"1.234", 0, 0, 10, false, u"--", u"1.234", 5, 0, kWindowText,
               kWindowText},
        KeyRow{"MinusOnZero", u"0", 0, 0, 10, false, kMinus, u"-0", 2, 0, kWindowText, kRed},
        KeyRow{"DigitsAfterMinusOnZeroStayNegative", u"0", 1, 0, 10, false, u"-53", u"-53", 3, 0, kWindowText,
               kRed},
        KeyRow{"MinusRemovedWhereItStands", u"12-3", 0, 0, 10, false, kMinus, u"123", 3, 0, kRed, kWindowText},
        // Comma.
        KeyRow{"CommaRefusedWithoutVirgola", u"1.234", 5, 0, 10, false, u",", u"1.234", 5, 1},
        KeyRow{"FullStopRefusedWithoutVirgola", u"1.234", 5, 0, 10, false, u".", u"1.234", 5, 1},
        KeyRow{"FullStopBecomesComma", u"1.234", 5, 0, 10, true, u".", u"1.234,", 6, 0},
        KeyRow{"SecondCommaBeeps", u"1.234", 5, 0, 10, true, u",,", u"1.234,", 6, 1},
        // Arrows.
        KeyRow{"UpAndDownDoNothing", u"1.234", 2, 0, 10, false, u"\u2191\u2193", u"1.234", 2, 0},
        KeyRow{"RightStepsOverSeparator", u"1.234", 0, 0, 10, false, u"\u2192", u"1.234", 2, 0},
        KeyRow{"LeftStepsOverSeparator", u"1.234", 2, 0, 10, false, u"\u2190", u"1.234", 0, 0},
        KeyRow{"RightAtEndStays", u"1.234", 5, 0, 10, false, u"\u2192", u"1.234", 5, 0},
        KeyRow{"LeftAtStartStays", u".234", 0, 0, 10, false, u"\u2190", u".234", 0, 0},
        // Everything else is refused.
        KeyRow{"PasteRefused", u"12", 2, 0, 10, false, u"\x16", u"12", 2, 1},
        KeyRow{"LettersBlankAndPlusRefused", u"12", 2, 0, 10, true, u"a +", u"12", 2, 3}),
    [](const ::testing::TestParamInfo<KeyRow>& info) { return std::string(info.param.name); });

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
    try {
      Type(box, row.key);
      ADD_FAILURE() << row.name << ": no overflow error";
    } catch (const VelmoraError& e) {
      EXPECT_EQ(e.number(), static_cast<int>(ErrorNumber::Overflow)) << row.name;
    }
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
