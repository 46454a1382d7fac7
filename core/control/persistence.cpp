// Saving and loading the control's settings in the container's property bag.
// The keys, value types and defaults are the stored format inside the
// containers' saved forms, so they never change. Both handlers visit the
// keys in the same order; a failing step ends the handler and the steps
// already done keep their effect.
#include "control/velmora_control.h"

namespace velmora {

namespace {

// Colours travel as 32-bit integers: the system-colour bit is the sign bit.
Variant ColourVariant(std::uint32_t colour) { return Variant::Long(static_cast<std::int32_t>(colour)); }
std::uint32_t ColourOf(const Variant& value) { return static_cast<std::uint32_t>(value.ToLong()); }

}  // namespace

void VelmoraControl::UserControl_WriteProperties(PropertyBag& PropBag) {
  PropBag.WriteProperty(u"MaxLength", Variant::Integer(MaxLength()), Variant::Integer(10));
  // A Boolean holds only True or False, so the two fields that select
  // behaviour by comparing with True are saved as the behaviour they select:
  // a stored 1 means number mode (or no decimal comma) and must come back as
  // such, not as True.
  PropBag.WriteProperty(u"DateValue", Variant::Boolean(DateValue_ == kTrue), Variant::Boolean(true));
  PropBag.WriteProperty(u"BackColor", ColourVariant(text1_.BackColor()), ColourVariant(kWindowBackground));
  const FontRef ambient = host_.AmbientFont();
  PropBag.WriteProperty(u"Font", Variant::FromObject(Font()), Variant::FromObject(ambient));
  PropBag.WriteProperty(u"Enabled", Variant::Boolean(text1_.Enabled()), Variant::Boolean(true));
  PropBag.WriteProperty(u"ForeColor", ColourVariant(text1_.ForeColor()), ColourVariant(kWindowText));
  PropBag.WriteProperty(u"Text", Variant::String(text1_.Text()), Variant::String(u"Text1"));
  PropBag.WriteProperty(u"Virgola", Variant::Boolean(Virgola_ == kTrue), Variant::Integer(0));
  // TastoInvio is tested for non-zero, so any non-zero value is True.
  PropBag.WriteProperty(u"TastoInvio", Variant::Boolean(TastoInvio_ != 0), Variant::Integer(0));
}

void VelmoraControl::UserControl_ReadProperties(PropertyBag& PropBag) {
  setMaxLength(PropBag.ReadProperty(u"MaxLength", Variant::Integer(10)).ToInteger());
  setDateValue(PropBag.ReadProperty(u"DateValue", Variant::Boolean(true)).ToBoolean());
  ResetText();
  text1_.setBackColor(ColourOf(PropBag.ReadProperty(u"BackColor", ColourVariant(kWindowBackground))));
  const FontRef ambient = host_.AmbientFont();
  setFont(PropBag.ReadProperty(u"Font", Variant::FromObject(ambient)).ToFont());
  text1_.setEnabled(PropBag.ReadProperty(u"Enabled", Variant::Boolean(true)).ToBoolean() != 0);
  text1_.setForeColor(ColourOf(PropBag.ReadProperty(u"ForeColor", ColourVariant(kWindowText))));
  // The saved text goes in last of the text writes: the box starts with
  // exactly what was saved, not with the mask or "0" of the steps above.
  text1_.setText(PropBag.ReadProperty(u"Text", Variant::String(u"Text1")).ToString());
  Virgola_ = PropBag.ReadProperty(u"Virgola", Variant::Integer(0)).ToBoolean();
  TastoInvio_ = PropBag.ReadProperty(u"TastoInvio", Variant::Integer(0)).ToBoolean();
}

}  // namespace velmora
