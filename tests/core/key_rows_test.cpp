// The shared key rows of the date and number fields, played on the core's
// control over the model text box, with the keys the control leaves to the
// box noted on the way.
#include <gtest/gtest.h>

#include "../shared/key_rows.h"
#include "control/control_host.h"
#include "control/velmora_control.h"
#include "model_textbox.h"

namespace velmora::key_rows {
namespace {

// Sits between the box and the control and notes each key that types
// nothing (or Backspace) whose key-down the control left to the box.
class ModelPlayer : public TextBoxEvents {
 public:
  ModelPlayer() : control_(box_, host_) {
    box_.setEvents(this);
    control_.UserControl_Initialize();
    control_.UserControl_InitProperties();
  }

  void Prepare(const KeyRow& row) {
    control_.setDateValue(row.field == kDate ? kTrue : kFalse);
    control_.setVirgola(row.field == kNumberComma ? kTrue : kFalse);
    control_.setMaxLength(static_cast<std::int16_t>(row.maxLength));
    control_.setForeColor(row.startColour);
    control_.setText(row.text);
    box_.Select(row.selStart, row.selLength);
  }
  void Strike(char16_t key) {
    const Stroke s = StrokeOf(key);
    struck_ = key;
    box_.Keystroke(s.keyCode, s.ctrl ? kCtrlMask : 0, s.ch);
  }
  Outcome Read() {
    return {box_.Text(), box_.SelStart(), box_.SelLength(), platform_.beeps, control_.ForeColor(), leftToBox_};
  }

  void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) override {
    control_.Text1_KeyDown(KeyCode, Shift);
    if (KeyCode != 0 && TypesNothing(struck_)) leftToBox_ += struck_;
  }
  void Text1_KeyPress(std::int16_t& KeyAscii) override { control_.Text1_KeyPress(KeyAscii); }
  void Text1_LostFocus() override { control_.Text1_LostFocus(); }
  void Text1_Change() override { control_.Text1_Change(); }
  void Text1_Click() override { control_.Text1_Click(); }

 private:
  BeepCounter platform_;
  ScopedPlatform installed_{platform_};
  ModelTextBox box_;
  RecordingControlHost host_;
  VelmoraControl control_;
  char16_t struck_ = 0;
  std::u16string leftToBox_;
};

class ModelKeys : public ::testing::TestWithParam<KeyRow> {};

TEST_P(ModelKeys, Play) {
  ModelPlayer player;
  PlayRow(player, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Shared, ModelKeys, ::testing::ValuesIn(kKeyRows), testing::kRowName);

}  // namespace
}  // namespace velmora::key_rows
