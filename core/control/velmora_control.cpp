#include "control/velmora_control.h"

#include "errors.h"
#include "modulo1.h"
#include "platform.h"

namespace velmora {

std::u16string DateMask(std::int32_t maxLength) {
  if (maxLength <= 0) return u"";
  return std::u16string(kDateTemplate.substr(0, static_cast<std::size_t>(maxLength)));
}

VelmoraControl::VelmoraControl(TextBox& text1, ControlHost& host) : text1_(text1), host_(host) {
  text1_.setEvents(this);
}
VelmoraControl::~VelmoraControl() { text1_.setEvents(nullptr); }

// ---- Properties -----------------------------------------------------------
// Every setter stores first, then tells the container, and only then does
// further work: a container that fails the notification still finds the new
// value in place.

std::int16_t VelmoraControl::MaxLength() const {
  // The property is 16 bits wide while the box counts in 32: a longer limit
  // set on the box directly cannot be shown truthfully, so it is an overflow.
  return ToInt16Checked(text1_.MaxLength(), "MaxLength");
}

void VelmoraControl::setMaxLength(std::int16_t vNewValue) {
  text1_.setMaxLength(vNewValue);  // widened with its sign; the box refuses what it cannot hold
  host_.PropertyChanged(u"MaxLength");
  ResetText();
}

void VelmoraControl::setDateValue(std::int16_t vNewValue) {
  DateValue_ = vNewValue;
  host_.PropertyChanged(u"DateValue");
  ResetText();
}

std::uint32_t VelmoraControl::BackColor() const { return text1_.BackColor(); }

void VelmoraControl::setBackColor(std::uint32_t New_BackColor) {
  text1_.setBackColor(New_BackColor);
  host_.PropertyChanged(u"BackColor");
}

FontRef VelmoraControl::Font() const { return text1_.Font(); }

void VelmoraControl::setFont(FontRef New_Font) {
  text1_.setFont(std::move(New_Font));
  host_.PropertyChanged(u"Font");
}

std::int16_t VelmoraControl::Enabled() const { return text1_.Enabled() ? kTrue : kFalse; }

void VelmoraControl::setEnabled(std::int16_t New_Enabled) {
  text1_.setEnabled(New_Enabled != 0);
  host_.PropertyChanged(u"Enabled");
}

std::uint32_t VelmoraControl::ForeColor() const { return text1_.ForeColor(); }

void VelmoraControl::setForeColor(std::uint32_t New_ForeColor) {
  text1_.setForeColor(New_ForeColor);
  host_.PropertyChanged(u"ForeColor");
}

std::u16string VelmoraControl::Text() const { return text1_.Text(); }

void VelmoraControl::setText(const std::u16string& New_Text) {
  // Passed through as it stands: a program may put any text in either mode.
  text1_.setText(New_Text);
  host_.PropertyChanged(u"Text");
}

void VelmoraControl::setVirgola(std::int16_t New_Virgola) {
  Virgola_ = New_Virgola;
  host_.PropertyChanged(u"Virgola");
}

void VelmoraControl::setTastoInvio(std::int16_t New_TastoInvio) {
  TastoInvio_ = New_TastoInvio;
  host_.PropertyChanged(u"TastoInvio");
}

// Changing the mode or the length starts the user over: the empty mask in
// date mode, a zero in number mode.
void VelmoraControl::ResetText() {
  if (DateValue_ == kTrue) {
    text1_.setText(DateMask(text1_.MaxLength()));
  } else {
    text1_.setText(u"0");
  }
}

// ---- Lifecycle ------------------------------------------------------------

void VelmoraControl::UserControl_Initialize() {
  // DateValue is still False here, so the setter's reset writes "0"; the
  // mask follows once the mode is switched.
  setMaxLength(10);
  DateValue_ = kTrue;
  text1_.setText(DateMask(text1_.MaxLength()));
}

void VelmoraControl::UserControl_InitProperties() {
  setMaxLength(10);
  Virgola_ = kFalse;
  TastoInvio_ = kFalse;
}

void VelmoraControl::UserControl_Resize() {
  text1_.setWidth(host_.ScaleWidth());
  text1_.setHeight(host_.ScaleHeight());
  // Read the size again, width before height (the order of arguments would
  // leave it to the compiler): the container may answer differently now.
  const std::int32_t width = host_.ScaleWidth();
  const std::int32_t height = host_.ScaleHeight();
  text1_.Move(0, 0, width, height);
}

// ---- Events of Text1 ------------------------------------------------------

void VelmoraControl::Text1_KeyDown(std::int16_t& KeyCode, std::int16_t /*Shift*/) {
  if (InDateMode()) {
    DataKeyDown(text1_, KeyCode, DateMask(text1_.MaxLength()));
  } else {
    NumeroKeyDown(text1_, KeyCode);
  }
}

void VelmoraControl::Text1_KeyPress(std::int16_t& KeyAscii) {
  // Enter and Escape move between the fields of the form in both modes, so
  // they are settled here before any editing procedure sees them.
  if (KeyAscii == 13) {
    KeyAscii = 0;
    if (TastoInvio_ == 0) CurrentPlatform().SendKeys(u"{TAB}");
    return;
  }
  if (KeyAscii == 27) {
    KeyAscii = 0;
    CurrentPlatform().SendKeys(u"+{TAB}");
    return;
  }
  if (InDateMode()) {
    DataKeyPress(text1_, KeyAscii, DateMask(text1_.MaxLength()));
  } else {
    NumeroKeyPress(text1_, KeyAscii, Virgola_);
  }
}

void VelmoraControl::Text1_LostFocus() {
  // A number is left as typed; only a date is judged when the field is left.
  if (!InDateMode()) return;
  const std::u16string text = text1_.Text();
  const std::int16_t length = ToInt16Checked(text1_.MaxLength(), "MaxLength");
  if (ControllaData(text, length) == kTrue) return;
  // The mask goes in before the event, so a handler of DataNonValida
  // already finds the field empty.
  text1_.setText(DateMask(text1_.MaxLength()));
  host_.RaiseDataNonValida();
}

void VelmoraControl::Text1_Change() { host_.RaiseChange(); }

// The mouse keeps the caret rules of the date keys; a number field takes
// the caret where the mouse puts it.
void VelmoraControl::Text1_Click() {
  if (InDateMode()) DataClick(text1_, DateMask(text1_.MaxLength()));
}

}  // namespace velmora
