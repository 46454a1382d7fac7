#include "page/generale.h"

#include "number/numeric_value.h"

namespace velmora {

namespace {
// True as a property reads it; the mode test compares with exactly this, so
// a stored DateValue of 1 means number mode.
constexpr double kTrueValue = -1;

// A property's name becomes a string here, once, rather than at every call.
void Write(PageObject& control, const char16_t* name, const Variant& value) { control.SetProperty(name, value); }
void WriteBoolean(PageObject& control, const char16_t* name, bool value) {
  Write(control, name, Variant::Boolean(value));
}
}  // namespace

Generale::Generale(GeneraleControls& controls, PageHost& host) : controls_(controls), host_(host) {
  controls_.setEvents(this);
}

Generale::~Generale() { controls_.setEvents(nullptr); }

// The first selected control is looked up afresh for every read: the
// selection list belongs to the host.
std::int16_t Generale::ReadFirstBit(const char16_t* name) {
  return static_cast<std::int16_t>(host_.SelectedControl(0).GetProperty(name).ToInteger() & 1);
}
double Generale::ReadFirstNumber(const char16_t* name) { return host_.SelectedControl(0).GetProperty(name).ToDouble(); }
std::u16string Generale::ReadFirstText(const char16_t* name) {
  return host_.SelectedControl(0).GetProperty(name).ToString();
}

void Generale::PropertyPage_SelectionChanged() {
  // Each value set here that changes raises its control's click handler
  // before the next step; that is how the mode choice switches the view.
  controls_.setCheckValue(PageCheck::chkVirgola, ReadFirstBit(u"Virgola"));
  controls_.setCheckValue(PageCheck::chkInvio, ReadFirstBit(u"TastoInvio"));

  // Any length other than the short and day/month styles shows as the
  // long date style, which is what applying will then write.
  double maxLength = ReadFirstNumber(u"MaxLength");
  std::int16_t style = maxLength == 8 ? 1 : maxLength == 5 ? 2 : 0;
  controls_.setOptionValue(PageOption::Option1, style, true);

  // Text1 is loaded in both modes, so that switching to number mode starts
  // from the control's present length.
  const bool dateMode = ReadFirstNumber(u"DateValue") == kTrueValue;
  controls_.setOptionValue(PageOption::Option2, dateMode ? 0 : 1, true);
  controls_.setText(PageText::Text1, ReadFirstText(u"MaxLength"));
  controls_.setVisible(PageControl::Frame1, dateMode);

  std::u16string sentence(kLabel1Before);
  sentence += ReadFirstText(u"MaxLength");
  sentence += kLabel1After;
  controls_.setCaption(PageControl::Label1, sentence);
}

void Generale::PropertyPage_ApplyChanges() { ApplyChanges(Edits(), host_); }

GeneraleEdits Generale::Edits() const {
  GeneraleEdits edits;
  for (std::int16_t i = 0; i < 3; ++i) {
    if (i < 2 && controls_.OptionValue(PageOption::Option2, i)) edits.mode = i;
    if (controls_.OptionValue(PageOption::Option1, i)) edits.style = i;
  }
  edits.virgola = controls_.CheckValue(PageCheck::chkVirgola);
  edits.invio = controls_.CheckValue(PageCheck::chkInvio);
  edits.dateValue = controls_.CheckValue(PageCheck::chkDateValue);
  edits.text1 = controls_.Text(PageText::Text1);
  edits.maxLength = controls_.Text(PageText::txtMaxLength);
  return edits;
}

void Generale::ShowEdits(const GeneraleEdits& edits) {
  // The style before the mode, as a developer reaches them: the mode's
  // click switches the view last.
  if (edits.style >= 0) controls_.setOptionValue(PageOption::Option1, edits.style, true);
  if (edits.mode >= 0) controls_.setOptionValue(PageOption::Option2, edits.mode, true);
  controls_.setCheckValue(PageCheck::chkVirgola, edits.virgola);
  controls_.setCheckValue(PageCheck::chkInvio, edits.invio);
  controls_.setCheckValue(PageCheck::chkDateValue, edits.dateValue);
  controls_.setText(PageText::Text1, edits.text1);
  controls_.setText(PageText::txtMaxLength, edits.maxLength);
}

void Generale::ApplyChanges(const GeneraleEdits& edits, PageHost& host) {
  // Without a mode selected the number branch is taken; without a style,
  // the day/month one.
  const bool dateMode = edits.mode == 0;
  const std::int16_t maxLength = edits.style == 0 ? 10 : edits.style == 1 ? 8 : 5;
  const bool invio = edits.invio != 0;
  std::int32_t count = host.SelectedCount();
  for (std::int32_t i = 0; i < count; ++i) {
    PageObject& control = host.SelectedControl(i);
    // The writes go in a fixed order, DateValue always before MaxLength:
    // each one notifies the container, which sees them in this order.
    if (dateMode) {
      // Virgola stays as the control had it: the decimals choice is not
      // shown in the date view.
      WriteBoolean(control, u"DateValue", true);
      Write(control, u"MaxLength", Variant::Integer(maxLength));
    } else {
      WriteBoolean(control, u"Virgola", edits.virgola != 0);
      WriteBoolean(control, u"DateValue", false);
      // The length goes as a double; the control's property rounds it and
      // refuses what does not fit in 16 bits.
      Write(control, u"MaxLength", Variant::Double(NumericValue(edits.text1)));
    }
    WriteBoolean(control, u"TastoInvio", invio);
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
