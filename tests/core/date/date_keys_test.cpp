// Key handling in date mode, driven on the model text box directly: set the
// text and selection, hand one key to DataKeyDown or DataKeyPress with the
// mask, and look at the text, the caret, the key argument and the beeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "date/date_editing.h"
#include "errors.h"
#include "model_textbox.h"
#include "platform.h"
#include "variant.h"

namespace velmora {
namespace {

constexpr const char16_t* kLong = u"  /  /    ";   // MaxLength 10
constexpr const char16_t* kShort = u"  /  /  ";    // MaxLength 8
constexpr const char16_t* kDayMonth = u"  /  ";    // MaxLength 5

class RecordingPlatform : public Platform {
 public:
  void Beep() override { ++beeps; }
  void SendKeys(std::u16string_view) override {}
  CalendarDate Today() override { return {1967, 12, 14}; }
  int beeps = 0;
};

std::string Show(const std::u16string& text) { return "\"" + ToUtf8(text) + "\""; }

enum class Event { KeyDown, KeyPress };

struct KeyRow {
  const char* name;
  const char16_t* mask;
  const char16_t* text;
  int selStart;
  int selLength;
  Event event;
  std::int16_t key;
  // Expected afterwards.
  const char16_t* wantText;
  int wantCaret;
  int wantSelLength;
  std::int16_t wantKey;
  int wantBeeps;
};

std::ostream& operator<<(std::ostream& os, const KeyRow& r) {
  return os << r.name << ": mask " << Show(r.mask) << ", text " << Show(r.text) << ", selection " << r.selStart
            << "+" << r.selLength << ", " << (r.event == Event::KeyDown ? "key-down " : "key-press ") << r.key;
}

class DateKeys : public testing::TestWithParam<KeyRow> {};

TEST_P(DateKeys, OneKey) {
  const KeyRow& r = GetParam();
  RecordingPlatform platform;
  ScopedPlatform scoped(platform);
  ModelTextBox box;
  box.setText(r.text);
  box.Select(r.selStart, r.selLength);
  std::int16_t key = r.key;
  if (r.event == Event::KeyDown) {
    DataKeyDown(box, key, r.mask);
  } else {
    DataKeyPress(box, key, r.mask);
  }
  EXPECT_EQ(Show(box.Text()), Show(r.wantText)) << r;
  EXPECT_EQ(box.SelStart(), r.wantCaret) << r;
  EXPECT_EQ(box.SelLength(), r.wantSelLength) << r;
  EXPECT_EQ(key, r.wantKey) << r;
  EXPECT_EQ(platform.beeps, r.wantBeeps) << r;
  // Only erasing the whole field may change the length: it writes the mask.
  if (std::u16string(r.wantText) != std::u16string(r.mask)) {
    EXPECT_EQ(box.Text().size(), std::u16string(r.text).size()) << r << " (the text changed length)";
  }
}

std::string RowName(const testing::TestParamInfo<KeyRow>& info) { return info.param.name; }

constexpr Event D = Event::KeyDown;
constexpr Event P = Event::KeyPress;
constexpr std::int16_t Left = vk::Left, Right = vk::Right, Up = vk::Up, Down = vk::Down, Del = vk::Delete,
                       Home = vk::Home, End = vk::End, Back = 8;

// name, mask, text, selStart, selLength, event, key -> text, caret, selLength, key, beeps
const KeyRow kCaretRows[] = {
    {"EmptyMaskRightStaysAtStart", kLong, kLong, 0, 0, D, Right, kLong, 0, 0, 0, 0},
    {"EmptyMaskLeftPassedOn", kLong, kLong, 0, 0, D, Left, kLong, 0, 0, Left, 0},
    {"RightStopsAtFirstUnfilled", kLong, u"14/1 /    ", 4, 0, D, Right, u"14/1 /    ", 4, 0, 0, 0},
    {"LeftFromFirstUnfilled", kLong, u"14/1 /    ", 4, 0, D, Left, u"14/1 /    ", 3, 0, 0, 0},
    {"RightOntoBlankGoesToFirstUnfilled", kLong, u"14/1 /1 67", 7, 0, D, Right, u"14/1 /1 67", 4, 0, 0, 0},
    {"LeftOntoBlankGoesToFirstUnfilled", kLong, u"14/1 /1 67", 9, 0, D, Left, u"14/1 /1 67", 4, 0, 0, 0},
    {"RightSkipsOffsetBeforeDaySlash", kLong, u"14/12/1967", 1, 0, D, Right, u"14/12/1967", 3, 0, 0, 0},
    {"LeftSkipsOffsetBeforeDaySlash", kLong, u"14/12/1967", 3, 0, D, Left, u"14/12/1967", 1, 0, 0, 0},
    {"RightSkipsOffsetBeforeMonthSlash", kLong, u"14/12/1967", 4, 0, D, Right, u"14/12/1967", 6, 0, 0, 0},
    {"LeftSkipsOffsetBeforeMonthSlash", kLong, u"14/12/1967", 6, 0, D, Left, u"14/12/1967", 4, 0, 0, 0},
    {"RightInsideYear", kLong, u"14/12/1967", 7, 0, D, Right, u"14/12/1967", 8, 0, 0, 0},
    {"LeftAtOffsetOnePassedOn", kLong, u"14/12/1967", 1, 0, D, Left, u"14/12/1967", 1, 0, Left, 0},
    {"RightBeforeLastPassedOn", kLong, u"14/12/1967", 9, 0, D, Right, u"14/12/1967", 9, 0, Right, 0},
    {"RightAtEndPassedOn", kLong, u"14/12/1967", 10, 0, D, Right, u"14/12/1967", 10, 0, Right, 0},
    {"RightDropsSelection", kLong, u"14/12/1967", 1, 3, D, Right, u"14/12/1967", 3, 0, 0, 0},
    {"UpSwallowedNothingMoves", kLong, u"14/12/1967", 4, 2, D, Up, u"14/12/1967", 4, 2, 0, 0},
    {"DownSwallowedNothingMoves", kLong, u"14/12/1967", 4, 0, D, Down, u"14/12/1967", 4, 0, 0, 0},
    {"HomeLeftToTheTextBox", kLong, u"14/12/1967", 4, 0, D, Home, u"14/12/1967", 4, 0, Home, 0},
    {"EndLeftToTheTextBox", kLong, u"14/12/1967", 4, 0, D, End, u"14/12/1967", 4, 0, End, 0},
    {"BackspaceKeyDownLeftAlone", kLong, u"14/12/1967", 4, 0, D, Back, u"14/12/1967", 4, 0, Back, 0},
    {"ShortStyleRightOverSlash", kShort, u"14/12/67", 4, 0, D, Right, u"14/12/67", 6, 0, 0, 0},
    {"ShortStyleRightBeforeLastPassedOn", kShort, u"14/12/67", 7, 0, D, Right, u"14/12/67", 7, 0, Right, 0},
    {"DayMonthRightBeforeLastPassedOn", kDayMonth, u"14/12", 4, 0, D, Right, u"14/12", 4, 0, Right, 0},
    {"DayMonthLeftOverSlash", kDayMonth, u"14/12", 3, 0, D, Left, u"14/12", 1, 0, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Caret, DateKeys, testing::ValuesIn(kCaretRows), RowName);

const KeyRow kEraseRows[] = {
    {"DeleteAtEndSilentNoOp", kLong, u"14/12/1967", 10, 0, D, Del, u"14/12/1967", 10, 0, 0, 0},
    {"DeleteWritesZero", kLong, u"14/12/1967", 0, 0, D, Del, u"04/12/1967", 0, 0, 0, 0},
    {"DeleteBeforeSlashZerosTheSlash", kLong, u"14/12/1967", 2, 0, D, Del, u"14012/1967", 2, 0, 0, 0},
    {"DeleteWholeSelectionRestoresMask", kLong, u"14/12/1967", 0, 10, D, Del, kLong, 0, 0, 0, 0},
    {"DeletePartialSelectionResetsToEnd", kLong, u"14/12/1967", 3, 2, D, Del, u"14/  /    ", 3, 0, 0, 0},
    {"DeleteShortStyleWhole", kShort, u"14/12/67", 0, 8, D, Del, kShort, 0, 0, 0, 0},
    {"DeleteDayMonthLastDigit", kDayMonth, u"14/12", 4, 0, D, Del, u"14/10", 4, 0, 0, 0},
    {"BackspaceAfterSlashErasesDigitBefore", kLong, u"14/12/1967", 3, 0, P, Back, u"10/12/1967", 1, 0, 0, 0},
    {"BackspaceInsideMonth", kLong, u"14/12/1967", 5, 0, P, Back, u"14/10/1967", 4, 0, 0, 0},
    {"BackspaceAtEnd", kLong, u"14/12/1967", 10, 0, P, Back, u"14/12/1960", 9, 0, 0, 0},
    {"BackspaceWholeSelectionRestoresMask", kLong, u"14/12/1967", 0, 10, P, Back, kLong, 0, 0, 0, 0},
    {"BackspaceAtStartSwallowed", kLong, u"14/12/1967", 0, 0, P, Back, u"14/12/1967", 0, 0, 0, 0},
    {"BackspacePartialSelectionErasesOnlyBefore", kLong, u"14/12/1967", 4, 3, P, Back, u"14/02/1967", 3, 0, 0, 0},
    {"BackspaceDayMonthWhole", kDayMonth, u"14/12", 0, 5, P, Back, kDayMonth, 0, 0, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Erase, DateKeys, testing::ValuesIn(kEraseRows), RowName);

const KeyRow kTypeRows[] = {
    {"DigitOnEmptyMask", kLong, kLong, 0, 0, P, u'1', u"1 /  /    ", 1, 0, 0, 0},
    {"DigitStepsOverSlash", kLong, u"1 /  /    ", 1, 0, P, u'4', u"14/  /    ", 3, 0, 0, 0},
    {"DigitWithWholeSelection", kLong, u"14/12/1967", 0, 10, P, u'3', u"3 /  /    ", 1, 0, 0, 0},
    {"DigitWithPartialSelection", kLong, u"14/12/1967", 3, 2, P, u'0', u"14/0 /    ", 4, 0, 0, 0},
    {"DigitBeforeSlashOverwritesIt", kLong, u"14/12/1967", 2, 0, P, u'5', u"14512/1967", 3, 0, 0, 0},
    {"DigitAtEndOverwritesLast", kLong, u"14/12/1967", 10, 0, P, u'8', u"14/12/1968", 10, 0, 0, 0},
    {"ShortStyleLastDigit", kShort, u"14/12/6 ", 7, 0, P, u'7', u"14/12/67", 8, 0, 0, 0},
    {"ShortStyleAtEndOverwritesLast", kShort, u"14/12/67", 8, 0, P, u'9', u"14/12/69", 8, 0, 0, 0},
    {"DayMonthLastDigit", kDayMonth, u"14/1 ", 4, 0, P, u'2', u"14/12", 5, 0, 0, 0},
    {"DayMonthAtEndOverwritesFifth", kDayMonth, u"14/12", 5, 0, P, u'3', u"14/13", 5, 0, 0, 0},
    {"SlashRefused", kLong, u"14/1 /    ", 4, 0, P, u'/', u"14/1 /    ", 4, 0, 0, 1},
    {"BlankRefused", kLong, u"14/1 /    ", 4, 0, P, u' ', u"14/1 /    ", 4, 0, 0, 1},
    {"LetterRefused", kLong, u"14/1 /    ", 4, 0, P, u'a', u"14/1 /    ", 4, 0, 0, 1},
    {"MinusRefused", kLong, u"14/1 /    ", 4, 0, P, u'-', u"14/1 /    ", 4, 0, 0, 1},
    {"CommaRefused", kLong, u"14/1 /    ", 4, 0, P, u',', u"14/1 /    ", 4, 0, 0, 1},
    {"CtrlCRefused", kLong, u"14/12/1967", 0, 10, P, 3, u"14/12/1967", 0, 10, 0, 1},
    {"CtrlVRefused", kLong, u"14/12/1967", 0, 10, P, 22, u"14/12/1967", 0, 10, 0, 1},
    {"CtrlXRefused", kLong, u"14/12/1967", 0, 10, P, 24, u"14/12/1967", 0, 10, 0, 1},
    {"NonAsciiDigitRefused", kLong, kLong, 0, 0, P, static_cast<std::int16_t>(0x0661), kLong, 0, 0, 0, 1},
};
INSTANTIATE_TEST_SUITE_P(Type, DateKeys, testing::ValuesIn(kTypeRows), RowName);

// Texts that do not fit the mask, as a program may assign them, and the
// empty mask of MaxLength 0: nothing is read or written outside the text,
// a key aimed at a missing position is swallowed without effect, and
// erasing the whole field gives the proper mask back.
const KeyRow kMisfitRows[] = {
    {"ShortTextDigitAtEnd", kLong, u"14/1", 4, 0, P, u'2', u"14/1", 4, 0, 0, 0},
    {"ShortTextDigitInside", kLong, u"14/1", 3, 0, P, u'5', u"14/5", 4, 0, 0, 0},
    {"ShortTextDeleteAtEnd", kLong, u"14/1", 4, 0, D, Del, u"14/1", 4, 0, 0, 0},
    {"ShortTextDeleteAllKeepsLength", kLong, u"14/1", 0, 4, D, Del, u"  / ", 0, 0, 0, 0},
    {"ShortTextBackspaceAllRestoresMask", kLong, u"14/1", 0, 4, P, Back, kLong, 0, 0, 0, 0},
    {"ShortTextRightAtEnd", kLong, u"14/1", 4, 0, D, Right, u"14/1", 4, 0, 0, 0},
    {"ShortTextRightOverSlash", kLong, u"14/1", 1, 0, D, Right, u"14/1", 3, 0, 0, 0},
    {"EmptyTextDigit", kLong, u"", 0, 0, P, u'1', u"", 0, 0, 0, 0},
    {"EmptyTextDelete", kLong, u"", 0, 0, D, Del, u"", 0, 0, 0, 0},
    {"EmptyTextBackspaceRestoresMask", kLong, u"", 0, 0, P, Back, kLong, 0, 0, 0, 0},
    {"EmptyTextRight", kLong, u"", 0, 0, D, Right, u"", 0, 0, 0, 0},
    {"LongTextDeleteMaskWideSelectionRestoresMask", kLong, u"14/12/1967xy", 0, 10, D, Del, kLong, 0, 0, 0, 0},
    {"LongTextBackspaceAllRestoresMask", kLong, u"14/12/1967xy", 0, 12, P, Back, kLong, 0, 0, 0, 0},
    {"LongTextDigitPastMaskOverwritesLastOfMask", kLong, u"14/12/1967xy", 11, 0, P, u'3', u"14/12/1963xy", 10, 0,
     0, 0},
    {"LongTextDeletePastMask", kLong, u"14/12/1967xy", 10, 0, D, Del, u"14/12/1967xy", 10, 0, 0, 0},
    {"LongTextRightPastMaskPassedOn", kLong, u"14/12/1967xy", 10, 0, D, Right, u"14/12/1967xy", 10, 0, Right, 0},
    {"EmptyMaskDigit", u"", u"14/12", 0, 0, P, u'1', u"14/12", 0, 0, 0, 0},
    {"EmptyMaskDigitAtEnd", u"", u"14/12", 5, 0, P, u'1', u"14/12", 5, 0, 0, 0},
    {"EmptyMaskDeleteKeepsText", u"", u"14/12", 2, 0, D, Del, u"14/12", 2, 0, 0, 0},
    {"EmptyMaskRightPassedOn", u"", u"14/12", 2, 0, D, Right, u"14/12", 2, 0, Right, 0},
    {"EmptyMaskEmptyTextDigit", u"", u"", 0, 0, P, u'1', u"", 0, 0, 0, 0},
    {"SlashAtStartBackspaceSwallowed", kLong, u"/4/12/1967", 1, 0, P, Back, u"/4/12/1967", 1, 0, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Misfit, DateKeys, testing::ValuesIn(kMisfitRows), RowName);

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
    Event event;
    std::int16_t key;
  };
  const Row rows[] = {{"Left", D, Left}, {"Right", D, Right}, {"Delete", D, Del}, {"Backspace", P, Back},
                      {"Digit", P, u'7'}};
  RecordingPlatform platform;
  ScopedPlatform scoped(platform);
  for (const Row& r : rows) {
    ModelTextBox box;
    std::u16string text = kLong;
    text.resize(32768, u'1');
    box.setText(text);
    box.setSelStart(5);
    std::int16_t key = r.key;
    try {
      if (r.event == D) DataKeyDown(box, key, kLong); else DataKeyPress(box, key, kLong);
      ADD_FAILURE() << r.name << ": no overflow for a text of 32,768 characters";
    } catch (const VelmoraError& e) {
      EXPECT_EQ(e.number(), static_cast<int>(ErrorNumber::Overflow)) << r.name;
    }
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
