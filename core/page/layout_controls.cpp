#include "page/layout_controls.h"

#include "errors.h"

namespace velmora {

namespace {

ControlId IdOf(PageOption array, std::int16_t index) {
  return {array == PageOption::Option1 ? PageControl::Option1 : PageControl::Option2, index};
}

PageControl IdOf(PageCheck box) {
  switch (box) {
    case PageCheck::chkInvio: return PageControl::chkInvio;
    case PageCheck::chkDateValue: return PageControl::chkDateValue;
    case PageCheck::chkVirgola: return PageControl::chkVirgola;
  }
  return PageControl::chkInvio;
}

PageControl IdOf(PageText box) { return box == PageText::Text1 ? PageControl::Text1 : PageControl::txtMaxLength; }

}  // namespace

std::size_t LayoutControls::Slot(ControlId control) {
  return static_cast<std::size_t>(&FindLayoutControl(control) - GeneraleLayout().controls.data());
}

bool LayoutControls::OptionValue(PageOption array, std::int16_t index) const {
  return ValueAt(Slot(IdOf(array, index))) != 0;
}

void LayoutControls::setOptionValue(PageOption array, std::int16_t index, bool value) {
  const ControlId id = IdOf(array, index);
  const std::size_t slot = Slot(id);
  if (!value) return SetValueAt(slot, 0);
  const bool wasSelected = ValueAt(slot) != 0;
  // Selecting one button of an array clears the others.
  const auto& rows = GeneraleLayout().controls;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].id.name == id.name && i != slot) SetValueAt(i, 0);
  }
  SetValueAt(slot, 1);
  if (!wasSelected) RaiseClick(id);
}

std::int16_t LayoutControls::CheckValue(PageCheck box) const { return ValueAt(Slot(IdOf(box))); }

void LayoutControls::setCheckValue(PageCheck box, std::int16_t value) {
  if (value < kUnchecked || value > kGrayed) ThrowInvalidPropertyValue("a check box value is 0, 1 or 2");
  const std::size_t slot = Slot(IdOf(box));
  const bool changed = ValueAt(slot) != value;
  SetValueAt(slot, value);
  if (changed) RaiseClick(IdOf(box));
}

std::u16string LayoutControls::Text(PageText box) const { return TextAt(Slot(IdOf(box))); }

void LayoutControls::setText(PageText box, const std::u16string& text) {
  const std::size_t slot = Slot(IdOf(box));
  const bool changed = TextAt(slot) != text;
  SetTextAt(slot, text);
  if (changed && box == PageText::txtMaxLength && events_) events_->txtMaxLength_Change();
}

std::u16string LayoutControls::Caption(ControlId control) const { return TextAt(Slot(control)); }

void LayoutControls::setCaption(ControlId control, const std::u16string& caption) {
  SetTextAt(Slot(control), caption);
}

bool LayoutControls::Visible(ControlId control) const { return visible_[Slot(control)]; }

void LayoutControls::setVisible(ControlId control, bool visible) {
  visible_[Slot(control)] = visible;
  ShowAt(Slot(control), Shown(control));
  const auto& rows = GeneraleLayout().controls;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].container == control.name) ShowAt(i, Shown(rows[i].id));
  }
}

bool LayoutControls::Shown(ControlId control) const {
  const PageLayoutControl& row = FindLayoutControl(control);
  return Visible(control) && (!row.container || Shown(*row.container));
}

void LayoutControls::Click(ControlId control) {
  switch (FindLayoutControl(control).kind) {
    case ControlKind::OptionButton:
      setOptionValue(control.name == PageControl::Option1 ? PageOption::Option1 : PageOption::Option2,
                     control.index, true);
      break;
    case ControlKind::CheckBox: {
      const PageCheck box = control.name == PageControl::chkInvio     ? PageCheck::chkInvio
                            : control.name == PageControl::chkVirgola ? PageCheck::chkVirgola
                                                                       : PageCheck::chkDateValue;
      setCheckValue(box, CheckValue(box) == kChecked ? kUnchecked : kChecked);
      break;
    }
    case ControlKind::TextBox:
    case ControlKind::Frame:
    case ControlKind::Label:
      break;
  }
}

void LayoutControls::RaiseClick(ControlId control) {
  if (!events_) return;
  switch (control.name) {
    case PageControl::Option1: events_->Option1_Click(control.index); break;
    case PageControl::Option2: events_->Option2_Click(control.index); break;
    case PageControl::chkInvio: events_->chkInvio_Click(); break;
    case PageControl::chkVirgola: events_->chkVirgola_Click(); break;
    case PageControl::chkDateValue: events_->chkDateValue_Click(); break;
    default: break;
  }
}

}  // namespace velmora
