// VelmoraControl: the formatted text box. Its whole face is the inner text
// box Text1; it keeps three Boolean settings of its own and hands every other
// property straight through to Text1, so the text box is the one place where
// length, colours, font, enabled state and text live.
#pragma once

#include <cstdint>
#include <string>

#include "control/control_host.h"
#include "property_bag.h"
#include "textbox.h"

namespace velmora {

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

// The date template and the mask cut from it for a maximum length.
inline constexpr std::u16string_view kDateTemplate = u"  /  /    ";
std::u16string DateMask(std::int32_t maxLength);

class VelmoraControl : public TextBoxEvents {
 public:
  // The control handles the text box's events from construction on.
  VelmoraControl(TextBox& text1, ControlHost& host);
  ~VelmoraControl() override;
  VelmoraControl(const VelmoraControl&) = delete;
  VelmoraControl& operator=(const VelmoraControl&) = delete;

  TextBox& Text1() { return text1_; }

  // Properties. Setters store, notify the container, then do any further
  // work (the text reset of MaxLength and DateValue).
  std::int16_t MaxLength() const;
  void setMaxLength(std::int16_t vNewValue);
  std::int16_t DateValue() const { return DateValue_; }
  void setDateValue(std::int16_t vNewValue);
  std::uint32_t BackColor() const;
  void setBackColor(std::uint32_t New_BackColor);
  FontRef Font() const;
  void setFont(FontRef New_Font);
  std::int16_t Enabled() const;
  void setEnabled(std::int16_t New_Enabled);
  std::uint32_t ForeColor() const;
  void setForeColor(std::uint32_t New_ForeColor);
  std::u16string Text() const;
  void setText(const std::u16string& New_Text);
  std::int16_t Virgola() const { return Virgola_; }
  void setVirgola(std::int16_t New_Virgola);
  std::int16_t TastoInvio() const { return TastoInvio_; }
  void setTastoInvio(std::int16_t New_TastoInvio);

  // Lifecycle, called by the control runtime.
  void UserControl_Initialize();
  void UserControl_InitProperties();
  void UserControl_Resize();
  void UserControl_ReadProperties(PropertyBag& PropBag);
  void UserControl_WriteProperties(PropertyBag& PropBag);

  // Events of Text1.
  void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) override;
  void Text1_KeyPress(std::int16_t& KeyAscii) override;
  void Text1_LostFocus() override;
  void Text1_Change() override;
  void Text1_Click() override;

  bool InDateMode() const { return DateValue_ == kTrue; }

 private:
  void ResetText();

  TextBox& text1_;
  ControlHost& host_;
  // Declared in this order; all start False.
  std::int16_t DateValue_ = kFalse;
  std::int16_t TastoInvio_ = kFalse;
  std::int16_t Virgola_ = kFalse;
};

}  // namespace velmora
