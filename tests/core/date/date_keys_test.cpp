// Key handling in date mode beyond the shared key rows: typing through a
// whole mask, random keys, and texts too long for the 16-bit positions.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "../../shared/key_rows.h"
#include "date/date_editing.h"
#include "errors.h"
#include "model_textbox.h"
#include "platform.h"
#include "variant.h"
#include "../../shared/control_error.h"

namespace velmora {
namespace {

constexpr const char16_t* kLong = u"  /  /    ";  // MaxLength 10

using RecordingPlatform = key_rows::BeepCounter;

std::string Show(const std::u16string& text) { return "\"" + ToUtf8(text) + "\""; }

// Routes the text box's keys to the date procedures with the mask cut from
// the current MaxLength, as the control does, so the keys that the
// procedures leave alone get the text box's own handling.
class DateRouting : public TextBoxEvents {
 public:
  explicit DateRouting(ModelTextBox& box) : box_(box) { box_.setEvents(this); }
  void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t) override { DataKeyDown(box_, KeyCode, Mask()); }
  void Text1_KeyPress(std::int16_t& KeyAscii) override { DataKeyPress(box_, KeyAscii, Mask()); }
  void Text1_LostFocus() override {}
  void Text1_Change() override {}

 private:
  std::u16string Mask() const {
    return std::u16string(kLong).substr(0, static_cast<std::size_t>(box_.MaxLength()));
  }
  ModelTextBox& box_;
};

struct Typing {
  const char* name;
  int maxLength;
  const char* digits;
  const char16_t* wantText;
  std::vector<int> wantCarets;  // after each digit
};

TEST(DateKeysTyping, DigitsFillTheMaskLeftToRight) {
  const Typing cases[] = {
      {"LongDate", 10, "141219678", u"14/12/1968", {1, 3, 4, 6, 7, 8, 9, 10, 10}},
      {"ShortDate", 8, "1412679", u"14/12/69", {1, 3, 4, 6, 7, 8, 8}},
      {"DayMonth", 5, "14123", u"14/13", {1, 3, 4, 5, 5}},
  };
  for (const Typing& c : cases) {
    RecordingPlatform platform;
    ScopedPlatform scoped(platform);
    ModelTextBox box;
    DateRouting routing(box);
    box.setMaxLength(c.maxLength);
    box.setText(std::u16string(kLong).substr(0, static_cast<std::size_t>(c.maxLength)));
    std::vector<int> carets;
    for (const char* d = c.digits; *d; ++d) {
      box.Keystroke(static_cast<std::int16_t>(*d), 0, static_cast<char16_t>(*d));
      carets.push_back(box.SelStart());
    }
    EXPECT_EQ(Show(box.Text()), Show(c.wantText)) << c.name;
    EXPECT_EQ(carets, c.wantCarets) << c.name;
    EXPECT_EQ(platform.beeps, 0) << c.name;
  }
}

TEST(DateKeysTyping, ArrowsAtTheEdgesAreTheTextBoxs) {
  ModelTextBox box;
  DateRouting routing(box);
  box.setMaxLength(10);
  box.setText(u"14/12/1967");
  box.setSelStart(1);
  box.Keystroke(vk::Left, 0, 0);
  EXPECT_EQ(box.SelStart(), 0) << "Left at offset 1 is the text box's own move";
  box.setSelStart(9);
  box.Keystroke(vk::Right, 0, 0);
  EXPECT_EQ(box.SelStart(), 10) << "Right at L - 1 is the text box's own move";
  // The shift state plays no part: Shift+Right steps like Right and leaves
  // nothing selected.
  box.setSelStart(1);
  box.Keystroke(vk::Right, kShiftMask, 0);
  EXPECT_EQ(box.SelStart(), 3);
  EXPECT_EQ(box.SelLength(), 0);
}

// Random keys on random selections: the text keeps its length, every
// position holds either the mask's own character or a digit, and the caret
// stays inside the text. Run under the sanitizers this also proves nothing
// is read or written outside the text.
TEST(DateKeysTyping, RandomKeysKeepTheMaskShape) {
  const std::int16_t keys[] = {vk::Left, vk::Right, vk::Up, vk::Down, vk::Delete, vk::Home, vk::End};
  const std::int16_t chars[] = {8, u'0', u'5', u'9', u'/', u' ', u'a', 3, 22};
  std::mt19937 random(1967);
  RecordingPlatform platform;
  ScopedPlatform scoped(platform);
  for (std::size_t length : {10u, 8u, 5u, 7u, 1u}) {
    const std::u16string mask = std::u16string(kLong).substr(0, length);
    ModelTextBox box;
    box.setText(mask);
    for (int step = 0; step < 4000; ++step) {
      const int n = static_cast<int>(mask.size());
      box.Select(static_cast<int>(random() % static_cast<unsigned>(n + 1)),
                 random() % 4 == 0 ? static_cast<int>(random() % static_cast<unsigned>(n + 1)) : 0);
      std::int16_t key;
      if (random() % 2) {
        key = keys[random() % std::size(keys)];
        DataKeyDown(box, key, mask);
      } else {
        key = chars[random() % std::size(chars)];
        DataKeyPress(box, key, mask);
        ASSERT_EQ(key, 0);
      }
      const std::u16string text = box.Text();
      ASSERT_EQ(text.size(), mask.size()) << "step " << step;
      for (std::size_t i = 0; i < text.size(); ++i)
        ASSERT_TRUE(text[i] == mask[i] || (text[i] >= u'0' && text[i] <= u'9'))
            << "mask " << Show(mask) << " text " << Show(text) << " position " << i + 1;
      ASSERT_LE(box.SelStart() + box.SelLength(), n);
    }
  }
}

// The 16-bit positions count at most 32,767 characters. A longer text is
// refused with an overflow before the text, the caret or the key changes;
// the longest countable text is edited normally.
TEST(DateKeysLimits, TextTooLongForPositionsIsAnOverflow) {
  struct Row {
    const char* name;
    bool keyDown;
    std::int16_t key;
  };
  const Row rows[] = {{"Left", true, vk::Left}, {"Right", true, vk::Right}, {"Delete", true, vk::Delete},
                      {"Backspace", false, vk::Back}, {"Digit", false, u'7'}};
  RecordingPlatform platform;
  ScopedPlatform scoped(platform);
  for (const Row& r : rows) {
    ModelTextBox box;
    std::u16string text = kLong;
    text.resize(32768, u'1');
    box.setText(text);
    box.setSelStart(5);
    std::int16_t key = r.key;
    EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::Overflow),
                         r.keyDown ? DataKeyDown(box, key, kLong) : DataKeyPress(box, key, kLong))
        << r.name << ": a text of 32,768 characters";
    EXPECT_EQ(box.Text(), text) << r.name;
    EXPECT_EQ(box.SelStart(), 5) << r.name;
    EXPECT_EQ(key, r.key) << r.name;
  }
  EXPECT_EQ(platform.beeps, 0);

  ModelTextBox box;
  std::u16string longest = u"14/12/1967";
  longest.resize(32767, u'1');
  box.setText(longest);
  box.setSelStart(32767);
  std::int16_t key = u'8';
  DataKeyPress(box, key, kLong);
  EXPECT_EQ(box.Text().substr(0, 10), u"14/12/1968");
  EXPECT_EQ(box.Text().size(), 32767u);
  EXPECT_EQ(box.SelStart(), 10);
  key = vk::Delete;
  box.setSelStart(32767);
  DataKeyDown(box, key, kLong);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(box.SelStart(), 32767);
}

TEST(DateKeysLimits, KeysThatTouchNoPositionIgnoreTheLength) {
  RecordingPlatform platform;
  ScopedPlatform scoped(platform);
  ModelTextBox box;
  box.setText(std::u16string(40000, u'1'));
  std::int16_t key = vk::Up;
  DataKeyDown(box, key, kLong);
  EXPECT_EQ(key, 0);
  key = u'a';
  DataKeyPress(box, key, kLong);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(platform.beeps, 1);
}

}  // namespace
}  // namespace velmora
