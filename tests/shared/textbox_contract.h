// The text box contract as one table of named rows, run on any text box
// through a Driver: the core's ModelTextBox natively, the real EDIT under
// wine. Each row starts from a text, a limit and a selection, gives the
// owner's event handlers a behaviour (swallow a key-down, swallow or replace
// a character), runs its steps (typed keys through the box's own key path,
// assignments, a focus loss) and expects the text, the selection, the limit
// and the events raised, in order.
//
// Header-only: RunContractRow returns an empty string when the row holds,
// else what went wrong; VELMORA_CONTRACT_SUITE makes the table a suite.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "control_error.h"
#include "rows.h"
#include "errors.h"
#include "textbox.h"

namespace velmora::contract {

// A keystroke: the virtual-key code, the shift state and the character the
// key types on a US keyboard (0 for none). A driver that types through a
// real keyboard uses the code and the shift state and lets the layout make
// the character; the model takes all three.
struct Key {
  std::int16_t keyCode = 0;
  std::int16_t shift = 0;
  char16_t ch = 0;
};

// A letter, digit or capital as typed on a US keyboard.
inline Key Typed(char16_t c) {
  if (c >= u'a' && c <= u'z') return Key{static_cast<std::int16_t>(c - u'a' + u'A'), 0, c};
  if (c >= u'A' && c <= u'Z') return Key{static_cast<std::int16_t>(c), kShiftMask, c};
  return Key{static_cast<std::int16_t>(c), 0, c};  // digits: the code is the character
}
inline constexpr Key kLeft{vk::Left, 0, 0}, kRight{vk::Right, 0, 0}, kHome{vk::Home, 0, 0}, kEnd{vk::End, 0, 0},
    kShiftLeft{vk::Left, kShiftMask, 0}, kDelete{vk::Delete, 0, 0}, kBackspace{vk::Back, 0, 8},
    kEnter{vk::Return, 0, 13}, kEscape{vk::Escape, 0, 27}, kCtrlV{'V', kCtrlMask, 22};

class Driver {
 public:
  virtual ~Driver() = default;
  virtual TextBox& Box() = 0;
  // One keystroke through the box's own key path; returns when the box and
  // its owner have processed everything it caused.
  virtual void Type(const Key& key) = 0;
  // A selection made with the mouse: caret at start + length.
  virtual void Select(std::int32_t start, std::int32_t length) = 0;
  virtual void Focus() = 0;
  virtual void Blur() = 0;  // the focus goes to another field
};

struct Step {
  enum class Kind { Type, SetText, SetSelStart, SetSelLength, SetMaxLength, Blur };
  Kind kind = Kind::Type;
  Key key{};
  std::u16string text;
  std::int32_t value = 0;
  int error = 0;  // the error number the step must raise; 0 for none
};
inline Step Press(Key key) { return Step{Step::Kind::Type, key, {}, 0, 0}; }
inline Step AssignText(std::u16string text) { return Step{Step::Kind::SetText, {}, std::move(text), 0, 0}; }
inline Step AssignSelStart(std::int32_t v, int error = 0) { return Step{Step::Kind::SetSelStart, {}, {}, v, error}; }
inline Step AssignSelLength(std::int32_t v, int error = 0) { return Step{Step::Kind::SetSelLength, {}, {}, v, error}; }
inline Step AssignMaxLength(std::int32_t v, int error = 0) { return Step{Step::Kind::SetMaxLength, {}, {}, v, error}; }
inline Step LeaveField() { return Step{Step::Kind::Blur, {}, {}, 0, 0}; }

// What the owner's handlers do to the keys they receive.
struct Handlers {
  std::int16_t swallowKeyDown = 0;  // this KeyCode is set to 0
  std::int16_t swallowChar = 0;     // this KeyAscii is set to 0
  std::int16_t replaceChar = 0;     // this KeyAscii ...
  std::int16_t replaceWith = 0;     // ... becomes this one
};

struct Row {
  const char* name;
  std::u16string text;  // the start: text, limit, selection
  std::int32_t maxLength = 0;
  std::int32_t selStart = 0, selLength = 0;
  Handlers handlers;
  std::vector<Step> steps;
  std::u16string expectText;
  std::int32_t expectSelStart = 0, expectSelLength = 0;
  // Events, space-separated: D<KeyCode> key-down (Shift, Ctrl and Alt's own
  // key-downs left out), P<KeyAscii> key-press as received, L lost focus,
  // C'<text>'@<SelStart> change with what the box holds when it is raised
  // (C#<length> for a text longer than 20).
  std::string expectLog;
  std::int32_t expectMaxLength = -1;  // -1: the start's limit
};

// A row prints as its name (test frameworks find this by argument lookup).
inline void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

inline std::string Printable(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      static const char hex[] = "0123456789ABCDEF";
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 0xF];
    }
  }
  return out;
}

// Records the events in the row's notation and applies its handlers.
class Recorder final : public TextBoxEvents {
 public:
  Recorder(TextBox& box, const Handlers& handlers) : box_(box), handlers_(handlers) {}
  void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t) override {
    if (KeyCode == vk::Shift || KeyCode == vk::Control || KeyCode == 18) return;
    Add("D" + std::to_string(KeyCode));
    if (KeyCode == handlers_.swallowKeyDown) KeyCode = 0;
  }
  void Text1_KeyPress(std::int16_t& KeyAscii) override {
    Add("P" + std::to_string(KeyAscii));
    if (KeyAscii == handlers_.swallowChar) KeyAscii = 0;
    if (handlers_.replaceChar != 0 && KeyAscii == handlers_.replaceChar) KeyAscii = handlers_.replaceWith;
  }
  void Text1_LostFocus() override { Add("L"); }
  void Text1_Change() override {
    const std::u16string text = box_.Text();
    Add(text.size() > 20 ? "C#" + std::to_string(text.size())
                         : "C'" + Printable(text) + "'@" + std::to_string(box_.SelStart()));
  }
  const std::string& log() const { return log_; }

 private:
  void Add(const std::string& entry) { log_ += (log_.empty() ? "" : " ") + entry; }
  TextBox& box_;
  Handlers handlers_;
  std::string log_;
};

inline std::string Describe(const Step& step) {
  switch (step.kind) {
    case Step::Kind::Type:
      return "key " + std::to_string(step.key.keyCode) + "/" + std::to_string(step.key.shift) + "/" +
             std::to_string(static_cast<int>(step.key.ch));
    case Step::Kind::SetText: return "Text='" + (step.text.size() > 20 ? "..." : Printable(step.text)) + "'";
    case Step::Kind::SetSelStart: return "SelStart=" + std::to_string(step.value);
    case Step::Kind::SetSelLength: return "SelLength=" + std::to_string(step.value);
    case Step::Kind::SetMaxLength: return "MaxLength=" + std::to_string(step.value);
    case Step::Kind::Blur: return "leave";
  }
  return "?";
}

// Runs one row on a fresh box; "" when it holds.
inline std::string RunContractRow(Driver& driver, const Row& row) {
  TextBox& box = driver.Box();
  box.setMaxLength(row.maxLength);
  box.setText(row.text);
  driver.Focus();
  driver.Select(row.selStart, row.selLength);
  Recorder recorder(box, row.handlers);
  box.setEvents(&recorder);

  std::string failures, steps;
  for (const Step& step : row.steps) {
    steps += (steps.empty() ? "" : ", ") + Describe(step);
    const int error = velmora::testing::ErrorOf([&] {
      switch (step.kind) {
        case Step::Kind::Type: driver.Type(step.key); break;
        case Step::Kind::SetText: box.setText(step.text); break;
        case Step::Kind::SetSelStart: box.setSelStart(step.value); break;
        case Step::Kind::SetSelLength: box.setSelLength(step.value); break;
        case Step::Kind::SetMaxLength: box.setMaxLength(step.value); break;
        case Step::Kind::Blur: driver.Blur(); break;
      }
    }).number;
    if (error != step.error)
      failures += "\n  step " + Describe(step) + ": error expected " + std::to_string(step.error) + ", got " +
                  std::to_string(error);
  }
  box.setEvents(nullptr);

  auto check = [&](const char* what, const std::string& expected, const std::string& actual) {
    if (expected != actual) failures += std::string("\n  ") + what + ": expected " + expected + ", got " + actual;
  };
  const std::u16string text = box.Text();
  check("Text", "'" + (row.expectText.size() > 20 ? "#" + std::to_string(row.expectText.size())
                                                   : Printable(row.expectText)) + "'",
        "'" + (text.size() > 20 && text.size() == row.expectText.size() && text == row.expectText
                   ? "#" + std::to_string(text.size())
                   : Printable(text)) + "'");
  check("SelStart", std::to_string(row.expectSelStart), std::to_string(box.SelStart()));
  check("SelLength", std::to_string(row.expectSelLength), std::to_string(box.SelLength()));
  check("MaxLength", std::to_string(row.expectMaxLength < 0 ? row.maxLength : row.expectMaxLength),
        std::to_string(box.MaxLength()));
  check("events", "[" + row.expectLog + "]", "[" + recorder.log() + "]");
  if (failures.empty()) return {};
  return std::string(row.name) + " (start '" + (row.text.size() > 20 ? "..." : Printable(row.text)) + "' sel " +
         std::to_string(row.selStart) + "+" + std::to_string(row.selLength) + " max " +
         std::to_string(row.maxLength) + "; " + steps + ")" + failures;
}

// The rows: what both the model and the real EDIT must do.
inline std::vector<Row> ContractRows() {
  const std::u16string longText(40000, u'x');
  Handlers none;
  return {
      {"char_goes_in_at_caret", u"ac", 0, 1, 0, none, {Press(Typed(u'b'))}, u"abc", 2, 0, "D66 P98 C'abc'@2"},
      {"capital_with_shift", u"", 0, 0, 0, none, {Press(Typed(u'A'))}, u"A", 1, 0, "D65 P65 C'A'@1"},
      {"char_replaces_selection", u"abcd", 0, 1, 2, none, {Press(Typed(u'x'))}, u"axd", 2, 0, "D88 P120 C'axd'@2"},
      {"same_char_over_same_selection_is_no_change", u"abc", 0, 1, 1, none, {Press(Typed(u'b'))}, u"abc", 2, 0,
       "D66 P98"},
      {"delete_erases_right_key_down_only", u"abc", 0, 1, 0, none, {Press(kDelete)}, u"ac", 1, 0, "D46 C'ac'@1"},
      {"delete_at_end_changes_nothing", u"abc", 0, 3, 0, none, {Press(kDelete)}, u"abc", 3, 0, "D46"},
      {"backspace_erases_left", u"abc", 0, 2, 0, none, {Press(kBackspace)}, u"ac", 1, 0, "D8 P8 C'ac'@1"},
      {"backspace_at_start_changes_nothing", u"abc", 0, 0, 0, none, {Press(kBackspace)}, u"abc", 0, 0, "D8 P8"},
      {"backspace_erases_selection", u"abcd", 0, 1, 2, none, {Press(kBackspace)}, u"ad", 1, 0, "D8 P8 C'ad'@1"},
      {"arrows_move_caret_key_down_only", u"abc", 0, 1, 0, none, {Press(kRight), Press(kRight), Press(kLeft)}, u"abc",
       2, 0, "D39 D39 D37"},
      {"right_at_end_stays", u"ab", 0, 2, 0, none, {Press(kRight)}, u"ab", 2, 0, "D39"},
      {"home_and_end", u"abc", 0, 1, 0, none, {Press(kEnd), Press(kHome)}, u"abc", 0, 0, "D35 D36"},
      {"shift_left_selects_then_char_replaces", u"abc", 0, 2, 0, none, {Press(kShiftLeft), Press(Typed(u'x'))},
       u"axc", 2, 0, "D37 D88 P120 C'axc'@2"},
      {"shift_left_selection_reads_back", u"abc", 0, 2, 0, none, {Press(kShiftLeft)}, u"abc", 1, 1, "D37"},
      {"swallowed_key_down_cancels_delete", u"abc", 0, 1, 0, {vk::Delete}, {Press(kDelete)}, u"abc", 1, 0, "D46"},
      {"swallowed_key_down_cancels_caret_move", u"abc", 0, 2, 0, {vk::Left}, {Press(kLeft)}, u"abc", 2, 0, "D37"},
      {"swallowed_key_down_types_nothing", u"ab", 0, 1, 0, {'X'}, {Press(Typed(u'x'))}, u"ab", 1, 0, "D88"},
      {"swallowed_char_inserts_nothing", u"ab", 0, 1, 0, {0, 'x'}, {Press(Typed(u'x'))}, u"ab", 1, 0, "D88 P120"},
      {"swallowed_backspace_erases_nothing", u"abc", 0, 2, 0, {0, 8}, {Press(kBackspace)}, u"abc", 2, 0, "D8 P8"},
      {"replaced_char_is_inserted", u"", 0, 0, 0, {0, 0, 'a', 'Z'}, {Press(Typed(u'a'))}, u"Z", 1, 0,
       "D65 P97 C'Z'@1"},
      {"replaced_by_backspace_erases", u"abc", 0, 2, 0, {0, 0, '1', 8}, {Press(Typed(u'1'))}, u"ac", 1, 0,
       "D49 P49 C'ac'@1"},
      {"ctrl_v_is_character_22", u"ab", 0, 1, 0, {0, 22}, {Press(kCtrlV)}, u"ab", 1, 0, "D86 P22"},
      {"enter_and_escape_insert_nothing", u"ab", 0, 1, 0, none, {Press(kEnter), Press(kEscape)}, u"ab", 1, 0,
       "D13 P13 D27 P27"},
      {"max_length_stops_typing", u"abc", 3, 3, 0, none, {Press(Typed(u'd'))}, u"abc", 3, 0, "D68 P100"},
      {"max_length_lets_char_replace_selection", u"abc", 3, 1, 1, none, {Press(Typed(u'x'))}, u"axc", 2, 0,
       "D88 P120 C'axc'@2"},
      {"max_length_zero_is_no_limit", longText, 0, 40000, 0, none, {Press(Typed(u'y'))}, longText + u"y", 40001, 0,
       "D89 P121 C#40001"},
      {"max_length_raised_lets_typing_on", u"abc", 3, 3, 0, none, {AssignMaxLength(0), Press(Typed(u'd'))}, u"abcd",
       4, 0, "D68 P100 C'abcd'@4", 0},
      {"negative_max_length_refused_limit_stays", u"abc", 3, 3, 0, none,
       {AssignMaxLength(-1, 380), Press(Typed(u'd'))}, u"abc", 3, 0, "D68 P100", 3},
      {"assignment_caret_home_one_change", u"abc", 0, 2, 0, none, {AssignText(u"hello")}, u"hello", 0, 0,
       "C'hello'@0"},
      {"identical_assignment_raises_nothing", u"abc", 0, 2, 1, none, {AssignText(u"abc")}, u"abc", 0, 0, ""},
      {"assignment_empties_text", u"abc", 0, 3, 0, none, {AssignText(u"")}, u"", 0, 0, "C''@0"},
      {"assignment_longer_than_max_length_kept", u"", 3, 0, 0, none, {AssignText(u"abcdef")}, u"abcdef", 0, 0,
       "C'abcdef'@0"},
      {"sel_start_beyond_end_clamps", u"abc", 0, 0, 0, none, {AssignSelStart(99)}, u"abc", 3, 0, ""},
      {"sel_start_empties_selection", u"abcd", 0, 1, 2, none, {AssignSelStart(2)}, u"abcd", 2, 0, ""},
      {"sel_length_from_sel_start_clamped", u"abcd", 0, 0, 0, none, {AssignSelStart(1), AssignSelLength(99)},
       u"abcd", 1, 3, ""},
      {"negative_sel_start_refused", u"abc", 0, 2, 0, none, {AssignSelStart(-1, 380)}, u"abc", 2, 0, ""},
      {"negative_sel_length_refused", u"abc", 0, 1, 1, none, {AssignSelLength(-1, 380)}, u"abc", 1, 1, ""},
      {"focus_loss_raises_lost_focus", u"abc", 0, 1, 0, none, {LeaveField()}, u"abc", 1, 0, "L"},
  };
}

}  // namespace velmora::contract

// The suite Suite (a fixture over Base, a TestWithParam<contract::Row>)
// running every row of the contract on a fresh DriverType.
#define VELMORA_CONTRACT_SUITE(Suite, Base, DriverType)                                                          \
  class Suite : public Base {};                                                                                  \
  TEST_P(Suite, Holds) {                                                                                         \
    DriverType driver;                                                                                           \
    const std::string failure = ::velmora::contract::RunContractRow(driver, GetParam());                         \
    EXPECT_TRUE(failure.empty()) << failure;                                                                     \
  }                                                                                                              \
  INSTANTIATE_TEST_SUITE_P(Rows, Suite, ::testing::ValuesIn(::velmora::contract::ContractRows()),                \
                           ::velmora::testing::kRowName)
