#include "page/generale.h"

#include "number/numeric_value.h"

namespace velmora {

namespace {
// True as a property reads it; the mode test compares with exactly this, so
// a stored DateValue of 1 means number mode.
constexpr double kTrueValue = -1;
}  // namespace

Generale::Generale(GeneraleControls& controls, PageHost& host) : controls_(controls), host_(host) {
  controls_.setEvents(this);
}

Generale::~Generale() { controls_.setEvents(nullptr); }

// The first selected control is looked up afresh for every read: the
// selection list belongs to the host.
Variant Generale::ReadFirst(const std::u16string& name) { return host_.SelectedControl(0).GetProperty(name); }

void Generale::PropertyPage_SelectionChanged() {
  // Each value set here that changes raises its control's click handler
  // before the next step; that is how the mode choice switches the view.
  controls_.setCheckValue(PageCheck::chkVirgola, static_cast<std::int16_t>(ReadFirst(u"Virgola").ToInteger() & 1));
  controls_.setCheckValue(PageCheck::chkInvio, static_cast<std::int16_t>(ReadFirst(u"TastoInvio").ToInteger() & 1));

  // Any length other than the short and day/month styles shows as the
  // long date style, which is what applying will then write.
  double maxLength = ReadFirst(u"MaxLength").ToDouble();
  std::int16_t style = maxLength == 8 ? 1 : maxLength == 5 ? 2 : 0;
  controls_.setOptionValue(PageOption::Option1, style, true);

  // Text1 is loaded in both modes, so that switching to number mode starts
  // from the control's present length.
  if (ReadFirst(u"DateValue").ToDouble() == kTrueValue) {
    controls_.setOptionValue(PageOption::Option2, 0, true);
    controls_.setText(PageText::Text1, ReadFirst(u"MaxLength").ToString());
    controls_.setVisible(PageControl::Frame1, true);
  } else {
    controls_.setOptionValue(PageOption::Option2, 1, true);
    controls_.setText(PageText::Text1, ReadFirst(u"MaxLength").ToString());
    controls_.setVisible(PageControl::Frame1, false);
  }

  std::u16string sentence(kLabel1Before);
  sentence += ReadFirst(u"MaxLength").ToString();
  sentence += kLabel1After;
  controls_.setCaption(PageControl::Label1, sentence);
}

void Generale::PropertyPage_ApplyChanges() {
  // Without a mode selected the number branch is taken.
  bool dateMode = controls_.OptionValue(PageOption::Option2, 0);
  std::int32_t count = host_.SelectedCount();
  for (std::int32_t i = 0; i < count; ++i) {
    PageObject& control = host_.SelectedControl(i);
    // The page's controls are read afresh for every selected control, and
    // the writes go in a fixed order, DateValue always before MaxLength:
    // each one notifies the container, which sees them in this order.
    if (dateMode) {
      control.SetProperty(u"DateValue", Variant::Boolean(true));
      std::int16_t maxLength = controls_.OptionValue(PageOption::Option1, 0)   ? 10
                               : controls_.OptionValue(PageOption::Option1, 1) ? 8
                                                                               : 5;
      control.SetProperty(u"MaxLength", Variant::Integer(maxLength));
      control.SetProperty(u"TastoInvio", Variant::Boolean(controls_.CheckValue(PageCheck::chkInvio) != 0));
      // Virgola stays as the control had it: the decimals choice is not
      // shown in the date view.
    } else {
      control.SetProperty(u"Virgola", Variant::Boolean(controls_.CheckValue(PageCheck::chkVirgola) != 0));
      control.SetProperty(u"DateValue", Variant::Boolean(false));
      // The length goes as a double; the control's property rounds it and
      // refuses what does not fit in 16 bits.
      control.SetProperty(u"MaxLength", Variant::Double(NumericValue(controls_.Text(PageText::Text1))));
      control.SetProperty(u"TastoInvio", Variant::Boolean(controls_.CheckValue(PageCheck::chkInvio) != 0));
    }
  }
}

void Generale::Option1_Click(std::int16_t) { host_.setChanged(true); }

void Generale::Option2_Click(std::int16_t Index) {
  if (Index == 0) {
    controls_.setVisible(PageControl::Frame1, true);
    controls_.setVisible(PageControl::Label1, false);
    controls_.setVisible(PageControl::Text1, false);
    controls_.setVisible(PageControl::Frame3, false);
  } else if (Index == 1) {
    controls_.setVisible(PageControl::Frame1, false);
    controls_.setVisible(PageControl::Label1, true);
    controls_.setVisible(PageControl::Text1, true);
    controls_.setVisible(PageControl::Frame3, true);
  }
  host_.setChanged(true);
}

void Generale::chkInvio_Click() { host_.setChanged(true); }
void Generale::chkVirgola_Click() { host_.setChanged(true); }
void Generale::chkDateValue_Click() { host_.setChanged(true); }
void Generale::txtMaxLength_Change() { host_.setChanged(true); }

}  // namespace velmora
