// The model text box beyond the shared contract table: what a handler does
// during key-down and key-press is what the box's own action then works on,
// Shift extends a selection from its fixed end, and focus and the enabled
// state decide whether keys arrive at all.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model_textbox.h"
#include "variant.h"
#include "../shared/rows.h"

namespace velmora {
namespace {

// Handlers whose behaviour each test chooses.
class ScriptedEvents : public TextBoxEvents {
 public:
  std::function<void(std::int16_t&)> onKeyDown = [](std::int16_t&) {};
  std::function<void(std::int16_t&)> onKeyPress = [](std::int16_t&) {};
  std::vector<std::string> log;
  void Text1_KeyDown(std::int16_t& k, std::int16_t) override { log.push_back("down"); onKeyDown(k); }
  void Text1_KeyPress(std::int16_t& k) override { log.push_back("press"); onKeyPress(k); }
  void Text1_LostFocus() override { log.push_back("lost"); }
  void Text1_Change() override { log.push_back("change"); }
};

struct Box : ::testing::Test {
  ModelTextBox box;
  ScriptedEvents events;
  void SetUp() override { box.setEvents(&events); }
};

TEST_F(Box, CharacterGoesInAtTheCaretTheHandlerLeft) {
  // A handler that rewrites the text and places the caret, then lets the
  // character through: the box inserts it where the handler left the caret.
  box.setText(u"1234");
  events.log.clear();
  events.onKeyPress = [&](std::int16_t&) {
    box.setText(u"1.234");
    box.setSelStart(5);
  };
  box.Keystroke(188, 0, u',');
  EXPECT_EQ(box.Text(), u"1.234,");
  EXPECT_EQ(box.SelStart(), 6);
  EXPECT_EQ(events.log, (std::vector<std::string>{"down", "press", "change", "change"}));
}

TEST_F(Box, KeyDownHandlerMovesTheCaretBeforeTheBoxsOwnMove) {
  box.setText(u"1.234");
  box.setSelStart(2);
  events.onKeyDown = [&](std::int16_t& key) {
    if (key == vk::Left) box.setSelStart(box.SelStart() - 1);
  };
  box.Keystroke(vk::Left, 0, 0);
  EXPECT_EQ(box.SelStart(), 0);  // one step by the handler, one by the box
}

TEST_F(Box, ReplacementCharacterGoesInUnderTheMaxLength) {
  box.setMaxLength(2);
  box.setText(u"a");
  box.setSelStart(1);
  events.onKeyPress = [](std::int16_t& k) { k = u'.'; };
  box.Keystroke(190, 0, u'x');
  EXPECT_EQ(box.Text(), u"a.");
  box.Keystroke(190, 0, u'y');
  EXPECT_EQ(box.Text(), u"a.");
}

struct ShiftRow : testing::NamedRow {
  std::int32_t caret;
  std::vector<std::pair<std::int16_t, std::int16_t>> keys;  // key code, shift
  std::int32_t selStart, selLength;
};

class ShiftExtension : public Box, public ::testing::WithParamInterface<ShiftRow> {};

TEST_P(ShiftExtension, MovesTheCaretEndOnly) {
  const ShiftRow& row = GetParam();
  box.setText(u"abcdef");
  box.setSelStart(row.caret);
  for (auto [key, shift] : row.keys) box.Keystroke(key, shift, 0);
  EXPECT_EQ(box.SelStart(), row.selStart) << row.name;
  EXPECT_EQ(box.SelLength(), row.selLength) << row.name;
}

constexpr std::int16_t S = kShiftMask;
INSTANTIATE_TEST_SUITE_P(
    Rows, ShiftExtension,
    ::testing::Values(ShiftRow{"shift right twice", 1, {{vk::Right, S}, {vk::Right, S}}, 1, 2},
                      ShiftRow{"shift right then back left", 1, {{vk::Right, S}, {vk::Right, S}, {vk::Left, S}}, 1, 1},
                      ShiftRow{"shift left across the anchor", 2, {{vk::Right, S}, {vk::Left, S}, {vk::Left, S}}, 1, 1},
                      ShiftRow{"shift home from the middle", 4, {{vk::Home, S}}, 0, 4},
                      ShiftRow{"shift end from the middle", 4, {{vk::End, S}}, 4, 2},
                      ShiftRow{"plain arrow drops the selection", 1, {{vk::End, S}, {vk::Left, 0}}, 5, 0},
                      ShiftRow{"shift left at the start stays", 0, {{vk::Left, S}}, 0, 0}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST_F(Box, MouseSelectionIsClampedToTheText) {
  box.setText(u"abc");
  box.Select(2, 10);
  EXPECT_EQ(box.SelStart(), 2);
  EXPECT_EQ(box.SelLength(), 1);
  box.Select(-4, 2);
  EXPECT_EQ(box.SelStart(), 0);
  EXPECT_EQ(box.SelLength(), 2);
  box.Select(9, 0);
  EXPECT_EQ(box.SelStart(), 3);
}

TEST_F(Box, LostFocusOnlyWhenTheBoxHadIt) {
  box.LoseFocus();
  EXPECT_TRUE(events.log.empty());
  box.GotFocus();
  EXPECT_TRUE(box.Focused());
  box.LoseFocus();
  box.LoseFocus();
  EXPECT_EQ(events.log, (std::vector<std::string>{"lost"}));
  EXPECT_FALSE(box.Focused());
}

TEST_F(Box, DisabledBoxTakesNoKeys) {
  box.setText(u"ab");
  box.setEnabled(false);
  events.log.clear();
  EXPECT_FALSE(box.Keystroke(u'X', 0, u'x'));
  EXPECT_FALSE(box.Keystroke(vk::Delete, 0, 0));
  EXPECT_EQ(box.Text(), u"ab");
  EXPECT_TRUE(events.log.empty());
  // A program may still write it.
  box.setText(u"cd");
  EXPECT_EQ(events.log, (std::vector<std::string>{"change"}));
}

TEST_F(Box, KeysWithoutAnOwnerStillEdit) {
  box.setEvents(nullptr);
  box.Keystroke(u'A', 0, u'a');
  box.Keystroke(vk::Back, 0, 8);
  box.Keystroke(u'B', 0, u'b');
  EXPECT_EQ(box.Text(), u"b");
}

}  // namespace
}  // namespace velmora
