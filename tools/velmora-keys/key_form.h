// A model form for playing key scripts: one VelmoraControl on its model text
// box, between two other fields, "previous" and "next", in that tab order.
// The form is also the platform (beep, keys sent to the focused window,
// today's date) and the control's container, and records what the user
// would hear and what the container would be told.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/velmora_control.h"
#include "key_script.h"
#include "model_textbox.h"
#include "platform.h"

namespace velmora::keys {

enum class Field { Previous = 0, Control = 1, Next = 2 };
enum class Event : std::uint8_t { Change, DataNonValida, Beep, SendTab, SendShiftTab };

const char* FieldName(Field field);
const char* EventName(Event event);

class KeyForm : public Platform, public ControlHost, private TextBoxEvents {
 public:
  // plain: the bare model text box, with none of the control's procedures.
  KeyForm(bool plain, std::optional<CalendarDate> today);
  ~KeyForm() override;
  KeyForm(const KeyForm&) = delete;
  KeyForm& operator=(const KeyForm&) = delete;

  bool Plain() const { return !control_; }
  ModelTextBox& Box() { return box_; }
  // The control, or nullptr in plain mode.
  VelmoraControl* Control() { return control_.get(); }

  Field Focus() const { return focus_; }
  void MoveFocus(Field to);
  // One key of a script: a stroke goes to the focused field; keys the
  // control sent itself are processed after the stroke has returned.
  void Play(const Key& key);

  const std::vector<Event>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }

  // Platform
  void Beep() override { events_.push_back(Event::Beep); }
  void SendKeys(std::u16string_view keys) override;
  CalendarDate Today() override;

  // ControlHost
  void PropertyChanged(const std::u16string&) override {}
  FontRef AmbientFont() override { return ambientFont_; }
  std::int32_t ScaleWidth() override { return 1125; }
  std::int32_t ScaleHeight() override { return 300; }
  void RaiseDataNonValida() override { events_.push_back(Event::DataNonValida); }
  void RaiseChange() override { events_.push_back(Event::Change); }

 private:
  // The bare box's own notifications in plain mode.
  void Text1_KeyDown(std::int16_t&, std::int16_t) override {}
  void Text1_KeyPress(std::int16_t&) override {}
  void Text1_LostFocus() override {}
  void Text1_Change() override { events_.push_back(Event::Change); }

  void Navigate(int step);
  void DrainQueuedKeys();

  ModelTextBox box_;
  FontRef ambientFont_ = std::make_shared<StdFont>();
  std::unique_ptr<VelmoraControl> control_;
  std::optional<CalendarDate> today_;
  ScopedPlatform platform_;
  Field focus_ = Field::Previous;
  std::deque<int> queued_;  // +1 for "{TAB}", -1 for "+{TAB}"
  std::vector<Event> events_;
  std::u16string clipboard_;
};

}  // namespace velmora::keys
