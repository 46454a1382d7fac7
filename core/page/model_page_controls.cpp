#include "page/model_page_controls.h"

#include <string>

#include "errors.h"

namespace velmora {

ModelGeneraleControls::ModelGeneraleControls() {
  for (const auto& row : GeneraleLayout().controls) {
    State state;
    state.text = std::u16string(row.caption);
    states_.push_back(std::move(state));
  }
}

std::size_t ModelGeneraleControls::Slot(ControlId control) const {
  // The states follow the rows of the layout table one for one.
  return static_cast<std::size_t>(&FindLayoutControl(control) - GeneraleLayout().controls.data());
}

ControlId ModelGeneraleControls::OptionId(PageOption array, std::int16_t index) {
  return {array == PageOption::Option1 ? PageControl::Option1 : PageControl::Option2, index};
}

ControlId ModelGeneraleControls::CheckId(PageCheck box) {
  switch (box) {
    case PageCheck::chkInvio: return PageControl::chkInvio;
    case PageCheck::chkDateValue: return PageControl::chkDateValue;
    case PageCheck::chkVirgola: return PageControl::chkVirgola;
  }
  return PageControl::chkInvio;
}

ControlId ModelGeneraleControls::TextId(PageText box) {
  return box == PageText::Text1 ? PageControl::Text1 : PageControl::txtMaxLength;
}

bool ModelGeneraleControls::OptionValue(PageOption array, std::int16_t index) const {
  return states_[Slot(OptionId(array, index))].value != 0;
}

void ModelGeneraleControls::setOptionValue(PageOption array, std::int16_t index, bool value) {
  ControlId id = OptionId(array, index);
  State& state = states_[Slot(id)];
  if (!value) {
    state.value = 0;
    return;
  }
  if (state.value != 0) return;
  // Selecting one button of an array clears the others.
  const auto& rows = GeneraleLayout().controls;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].id.name == id.name) states_[i].value = 0;
  }
  state.value = 1;
  RaiseClick(id);
}

std::int16_t ModelGeneraleControls::CheckValue(PageCheck box) const { return states_[Slot(CheckId(box))].value; }

void ModelGeneraleControls::setCheckValue(PageCheck box, std::int16_t value) {
  if (value < kUnchecked || value > kGrayed) {
    ThrowInvalidPropertyValue("a check box value is 0, 1 or 2");
  }
  ControlId id = CheckId(box);
  State& state = states_[Slot(id)];
  if (state.value == value) return;
  state.value = value;
  RaiseClick(id);
}

std::u16string ModelGeneraleControls::Text(PageText box) const { return states_[Slot(TextId(box))].text; }

void ModelGeneraleControls::setText(PageText box, const std::u16string& text) {
  State& state = states_[Slot(TextId(box))];
  if (state.text == text) return;
  state.text = text;
  if (box == PageText::txtMaxLength && events_) events_->txtMaxLength_Change();
}

std::u16string ModelGeneraleControls::Caption(ControlId control) const { return states_[Slot(control)].text; }

void ModelGeneraleControls::setCaption(ControlId control, const std::u16string& caption) {
  states_[Slot(control)].text = caption;
}

bool ModelGeneraleControls::Visible(ControlId control) const { return states_[Slot(control)].visible; }

void ModelGeneraleControls::setVisible(ControlId control, bool visible) { states_[Slot(control)].visible = visible; }

bool ModelGeneraleControls::Shown(ControlId control) const {
  const PageLayoutControl& row = FindLayoutControl(control);
  if (!Visible(control)) return false;
  return !row.container || Shown(*row.container);
}

void ModelGeneraleControls::Click(ControlId control) {
  switch (FindLayoutControl(control).kind) {
    case ControlKind::OptionButton:
      setOptionValue(control.name == PageControl::Option1 ? PageOption::Option1 : PageOption::Option2,
                     control.index, true);
      break;
    case ControlKind::CheckBox: {
      PageCheck box = control.name == PageControl::chkInvio       ? PageCheck::chkInvio
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

void ModelGeneraleControls::RaiseClick(ControlId control) {
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
