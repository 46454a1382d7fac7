#include "key_form.h"

#include "errors.h"

namespace velmora::keys {

const char* FieldName(Field field) {
  switch (field) {
    case Field::Previous: return "previous";
    case Field::Control: return "control";
    case Field::Next: return "next";
  }
  return "?";
}

const char* EventName(Event event) {
  switch (event) {
    case Event::Change: return "Change";
    case Event::DataNonValida: return "DataNonValida";
    case Event::Beep: return "Beep";
    case Event::SendTab: return "SendKeys {TAB}";
    case Event::SendShiftTab: return "SendKeys +{TAB}";
  }
  return "?";
}

KeyForm::KeyForm(bool plain, std::optional<CalendarDate> today) : today_(today), platform_(*this) {
  if (plain) {
    box_.setEvents(this);
  } else {
    control_ = std::make_unique<VelmoraControl>(box_, *this);
  }
}

KeyForm::~KeyForm() {
  control_.reset();
  box_.setEvents(nullptr);
}

CalendarDate KeyForm::Today() {
  if (today_) return *today_;
  return PortablePlatform().Today();
}

void KeyForm::SendKeys(std::u16string_view keys) {
  // Queued to the focused window, as the platform's keyboard synthesis
  // does without its wait argument: nothing moves until the key returns.
  if (keys == u"{TAB}") {
    events_.push_back(Event::SendTab);
    queued_.push_back(+1);
  } else if (keys == u"+{TAB}") {
    events_.push_back(Event::SendShiftTab);
    queued_.push_back(-1);
  } else {
    throw VelmoraError(ErrorNumber::ServiceFailed, "SendKeys: unsupported keys");
  }
}

void KeyForm::MoveFocus(Field to) {
  if (to == focus_) return;
  const Field from = focus_;
  if (from == Field::Control) box_.LoseFocus();
  focus_ = to;
  if (to == Field::Control) box_.GotFocus();
}

void KeyForm::Navigate(int step) {
  // The tab order previous, control, next wraps around, as on a form.
  const int index = (static_cast<int>(focus_) + step + 3) % 3;
  MoveFocus(static_cast<Field>(index));
}

void KeyForm::DrainQueuedKeys() {
  while (!queued_.empty()) {
    const int step = queued_.front();
    queued_.pop_front();
    Navigate(step);
  }
}

void KeyForm::Play(const Key& key) {
  switch (key.kind) {
    case Key::Kind::Blur: MoveFocus(Field::Next); return;
    case Key::Kind::Focus: MoveFocus(Field::Control); return;
    case Key::Kind::Select:
      // A mouse selection in the control also gives it the focus.
      MoveFocus(Field::Control);
      box_.Select(key.start, key.length);
      return;
    case Key::Kind::Click:
      MoveFocus(Field::Control);
      box_.Click(key.start);
      return;
    case Key::Kind::Command:
      // The menu opens with a click of the right button, which gives the
      // box the focus.
      MoveFocus(Field::Control);
      if (key.givesClipboard) clipboard_ = key.clipboard;
      box_.Command(key.command, clipboard_);
      DrainQueuedKeys();
      return;
    case Key::Kind::Stroke: break;
  }
  // Tab is the form's own key: it moves the focus and never reaches a field.
  if (key.keyCode == vk::Tab) {
    Navigate((key.shift & kShiftMask) ? -1 : +1);
    return;
  }
  if (focus_ != Field::Control) return;  // typed into another field
  box_.Keystroke(key.keyCode, key.shift, key.ch);
  DrainQueuedKeys();
}

}  // namespace velmora::keys
