#include "control/velmora_control.h"

namespace velmora {

std::u16string DateMask(std::int32_t maxLength) {
  if (maxLength <= 0) return u"";
  return std::u16string(kDateTemplate.substr(0, static_cast<std::size_t>(maxLength)));
}

VelmoraControl::VelmoraControl(TextBox& text1, ControlHost& host) : text1_(text1), host_(host) {
  text1_.setEvents(this);
}
VelmoraControl::~VelmoraControl() { text1_.setEvents(nullptr); }

std::int16_t VelmoraControl::MaxLength() const { return 0; }
void VelmoraControl::setMaxLength(std::int16_t) {}
void VelmoraControl::setDateValue(std::int16_t) {}
std::uint32_t VelmoraControl::BackColor() const { return 0; }
void VelmoraControl::setBackColor(std::uint32_t) {}
FontRef VelmoraControl::Font() const { return nullptr; }
void VelmoraControl::setFont(FontRef) {}
std::int16_t VelmoraControl::Enabled() const { return 0; }
void VelmoraControl::setEnabled(std::int16_t) {}
std::uint32_t VelmoraControl::ForeColor() const { return 0; }
void VelmoraControl::setForeColor(std::uint32_t) {}
std::u16string VelmoraControl::Text() const { return u""; }
void VelmoraControl::setText(const std::u16string&) {}
void VelmoraControl::setVirgola(std::int16_t) {}
void VelmoraControl::setTastoInvio(std::int16_t) {}
void VelmoraControl::UserControl_Initialize() {}
void VelmoraControl::UserControl_InitProperties() {}
void VelmoraControl::UserControl_Resize() {}
void VelmoraControl::Text1_KeyDown(std::int16_t&, std::int16_t) {}
void VelmoraControl::Text1_KeyPress(std::int16_t&) {}
void VelmoraControl::Text1_LostFocus() {}
void VelmoraControl::Text1_Change() {}
void VelmoraControl::ResetText() {}

}  // namespace velmora
