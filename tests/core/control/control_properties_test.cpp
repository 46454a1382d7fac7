// The control's properties and lifecycle: what each setter stores, tells the
// container and resets, in that order, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "control/velmora_control.h"
#include "errors.h"
#include "model_textbox.h"
#include "variant.h"
#include "../../shared/control_error.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

const std::u16string kMask = u"  /  /    ";

// A text box that refuses one operation, so a test can prove where a
// procedure stops and what it keeps.
class RefusingTextBox : public ModelTextBox {
 public:
  std::string refuse;  // "setText", "setMaxLength", ...
  void setText(const std::u16string& t) override { Check("setText"); ModelTextBox::setText(t); }
  void setMaxLength(std::int32_t n) override { Check("setMaxLength"); ModelTextBox::setMaxLength(n); }
  void setBackColor(std::uint32_t c) override { Check("setBackColor"); ModelTextBox::setBackColor(c); }
  void setEnabled(bool e) override { Check("setEnabled"); ModelTextBox::setEnabled(e); }

 private:
  void Check(const char* op) {
    if (refuse == op) throw VelmoraError(ErrorNumber::ServiceFailed, std::string("refused ") + op);
  }
};

// A container that logs notifications and events in one sequence, so their
// relative order is visible, and fails one notification on request.
class LoggingHost : public RecordingControlHost {
 public:
  std::vector<std::u16string> log;
  std::u16string failOn;
  void PropertyChanged(const std::u16string& name) override {
    log.push_back(u"notify " + name);
    if (name == failOn) throw VelmoraError(ErrorNumber::ServiceFailed, "notification failed");
  }
  void RaiseChange() override { log.push_back(u"Change"); }
};

struct ControlFixture : ::testing::Test {
  RefusingTextBox box;
  LoggingHost host;
  VelmoraControl control{box, host};
  // A new control showing text, with nothing in the log yet.
  void NewControl(const std::u16string& text = {}) {
    control.UserControl_Initialize();
    control.UserControl_InitProperties();
    if (!text.empty()) control.setText(text);
    host.log.clear();
  }
};

using ControlProperties = ControlFixture;

TEST_F(ControlProperties, InitializeSetsLengthThenShowsTheMask) {
  control.UserControl_Initialize();
  // The setter runs while DateValue is still False, hence the passing "0".
  EXPECT_EQ(host.log, (std::vector<std::u16string>{u"notify MaxLength", u"Change", u"Change"}));
  EXPECT_EQ(box.Text(), kMask);
  EXPECT_EQ(control.DateValue(), kTrue);
}

TEST_F(ControlProperties, NewControlIsALongDateField) {
  NewControl();
  EXPECT_EQ(control.Text(), kMask);
  EXPECT_EQ(control.MaxLength(), 10);
  EXPECT_EQ(box.MaxLength(), 10);
  EXPECT_EQ(control.DateValue(), kTrue);
  EXPECT_EQ(control.Virgola(), kFalse);
  EXPECT_EQ(control.TastoInvio(), kFalse);
  EXPECT_EQ(control.Enabled(), kTrue);
  EXPECT_EQ(control.BackColor(), kWindowBackground);
  EXPECT_EQ(control.ForeColor(), kWindowText);
}

struct ResetRow {
  const char* name;
  std::int16_t dateValue;
  std::int16_t maxLength;
  std::u16string expected;
};
std::ostream& operator<<(std::ostream& os, const ResetRow& r) {
  return os << r.name << " (DateValue " << r.dateValue << ", MaxLength " << r.maxLength << " -> \""
            << ToUtf8(r.expected) << "\")";
}

class MaxLengthReset : public ControlFixture, public ::testing::WithParamInterface<ResetRow> {};

TEST_P(MaxLengthReset, ReplacesWhateverTheBoxHeld) {
  const ResetRow& row = GetParam();
  NewControl();
  control.setDateValue(row.dateValue);
  control.setText(u"14/12/1967");
  control.setMaxLength(row.maxLength);
  EXPECT_EQ(box.Text(), row.expected);
  EXPECT_EQ(box.MaxLength(), row.maxLength);
  EXPECT_EQ(control.MaxLength(), row.maxLength);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MaxLengthReset,
    ::testing::Values(ResetRow{"long date", kTrue, 10, u"  /  /    "},
                      ResetRow{"two-digit year", kTrue, 8, u"  /  /  "},
                      ResetRow{"day and month", kTrue, 5, u"  /  "},
                      ResetRow{"longer than the template", kTrue, 12, u"  /  /    "},
                      ResetRow{"odd length", kTrue, 7, u"  /  / "},
                      ResetRow{"no limit", kTrue, 0, u""},
                      ResetRow{"number mode", kFalse, 8, u"0"},
                      // Only True itself selects date mode.
                      ResetRow{"DateValue 1 is number mode", 1, 10, u"0"}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST_F(ControlProperties, DateValueOneIsKeptAsOneAndMeansNumberMode) {
  NewControl();
  control.setDateValue(1);
  EXPECT_EQ(control.DateValue(), 1);
  EXPECT_FALSE(control.InDateMode());
  EXPECT_EQ(box.Text(), u"0");
  control.setDateValue(kTrue);
  EXPECT_EQ(box.Text(), kMask);
}

// Each setter: what it stores, then one notification under its own name,
// then (for two of them) the text reset that raises Change.
struct SetterRow : testing::NamedRow {
  std::function<void(VelmoraControl&)> set;
  std::vector<std::u16string> expectedLog;
  std::function<bool(VelmoraControl&, ModelTextBox&)> stored;
};

class SetterOrder : public ControlFixture, public ::testing::WithParamInterface<SetterRow> {};

TEST_P(SetterOrder, StoresThenNotifiesThenResets) {
  const SetterRow& row = GetParam();
  NewControl(u"12");
  row.set(control);
  EXPECT_EQ(host.log, row.expectedLog) << row.name;
  EXPECT_TRUE(row.stored(control, box)) << row.name;
}

const auto kFont = std::make_shared<StdFont>(u"Arial", 12);

INSTANTIATE_TEST_SUITE_P(
    Rows, SetterOrder,
    ::testing::Values(
        SetterRow{"MaxLength", [](VelmoraControl& c) { c.setMaxLength(8); },
                  {u"notify MaxLength", u"Change"},
                  [](VelmoraControl&, ModelTextBox& b) { return b.MaxLength() == 8 && b.Text() == u"  /  /  "; }},
        SetterRow{"DateValue", [](VelmoraControl& c) { c.setDateValue(kFalse); },
                  {u"notify DateValue", u"Change"},
                  [](VelmoraControl& c, ModelTextBox& b) { return c.DateValue() == 0 && b.Text() == u"0"; }},
        SetterRow{"BackColor", [](VelmoraControl& c) { c.setBackColor(0x00FF00); },
                  {u"notify BackColor"},
                  [](VelmoraControl& c, ModelTextBox& b) { return b.BackColor() == 0x00FF00u && c.BackColor() == 0x00FF00u; }},
        SetterRow{"Font", [](VelmoraControl& c) { c.setFont(kFont); },
                  {u"notify Font"},
                  // By reference: the box uses the very object it was given.
                  [](VelmoraControl& c, ModelTextBox& b) { return b.Font() == kFont && c.Font() == kFont; }},
        SetterRow{"Enabled", [](VelmoraControl& c) { c.setEnabled(kFalse); },
                  {u"notify Enabled"},
                  [](VelmoraControl& c, ModelTextBox& b) { return !b.Enabled() && c.Enabled() == kFalse; }},
        SetterRow{"Enabled non-zero", [](VelmoraControl& c) { c.setEnabled(1); },
                  {u"notify Enabled"},
                  [](VelmoraControl& c, ModelTextBox& b) { return b.Enabled() && c.Enabled() == kTrue; }},
        SetterRow{"ForeColor", [](VelmoraControl& c) { c.setForeColor(kRed); },
                  {u"notify ForeColor"},
                  [](VelmoraControl& c, ModelTextBox& b) { return b.ForeColor() == kRed && c.ForeColor() == kRed; }},
        // The text goes in unchanged in date mode too: no mask, no check.
        SetterRow{"Text", [](VelmoraControl& c) { c.setText(u"abc"); },
                  {u"Change", u"notify Text"},
                  [](VelmoraControl& c, ModelTextBox& b) { return b.Text() == u"abc" && c.Text() == u"abc"; }},
        SetterRow{"Virgola", [](VelmoraControl& c) { c.setVirgola(1); },
                  {u"notify Virgola"},
                  [](VelmoraControl& c, ModelTextBox&) { return c.Virgola() == 1; }},
        SetterRow{"TastoInvio", [](VelmoraControl& c) { c.setTastoInvio(kTrue); },
                  {u"notify TastoInvio"},
                  [](VelmoraControl& c, ModelTextBox&) { return c.TastoInvio() == kTrue; }}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

// A failure stops the setter where it happens and keeps what was done.
struct FailureRow : testing::NamedRow {
  std::string refuse;      // text box operation that fails
  std::u16string failOn;   // notification that fails
  std::function<void(VelmoraControl&)> set;
  std::function<bool(VelmoraControl&, ModelTextBox&)> after;
  std::vector<std::u16string> expectedLog;
};

class SetterFailure : public ControlFixture, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(SetterFailure, StopsWhereItFailsAndKeepsWhatWasDone) {
  const FailureRow& row = GetParam();
  NewControl(u"14/12/1967");
  box.refuse = row.refuse;
  host.failOn = row.failOn;
  EXPECT_THROW(row.set(control), VelmoraError) << row.name;
  box.refuse.clear();
  host.failOn.clear();
  EXPECT_EQ(host.log, row.expectedLog) << row.name;
  EXPECT_TRUE(row.after(control, box)) << row.name << ": text \"" << ToUtf8(box.Text()) << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SetterFailure,
    ::testing::Values(
        FailureRow{"box refuses the length: no notice, no reset", "setMaxLength", u"",
                   [](VelmoraControl& c) { c.setMaxLength(8); },
                   [](VelmoraControl&, ModelTextBox& b) { return b.MaxLength() == 10 && b.Text() == u"14/12/1967"; },
                   {}},
        FailureRow{"notice of MaxLength fails: length kept, text not reset", "", u"MaxLength",
                   [](VelmoraControl& c) { c.setMaxLength(8); },
                   [](VelmoraControl&, ModelTextBox& b) { return b.MaxLength() == 8 && b.Text() == u"14/12/1967"; },
                   {u"notify MaxLength"}},
        FailureRow{"reset refused after MaxLength: length kept and notified", "setText", u"",
                   [](VelmoraControl& c) { c.setMaxLength(5); },
                   [](VelmoraControl&, ModelTextBox& b) { return b.MaxLength() == 5 && b.Text() == u"14/12/1967"; },
                   {u"notify MaxLength"}},
        FailureRow{"notice of DateValue fails: the new mode holds", "", u"DateValue",
                   [](VelmoraControl& c) { c.setDateValue(kFalse); },
                   [](VelmoraControl& c, ModelTextBox& b) { return c.DateValue() == 0 && b.Text() == u"14/12/1967"; },
                   {u"notify DateValue"}},
        FailureRow{"notice of Virgola fails: the value stays set", "", u"Virgola",
                   [](VelmoraControl& c) { c.setVirgola(kTrue); },
                   [](VelmoraControl& c, ModelTextBox&) { return c.Virgola() == kTrue; },
                   {u"notify Virgola"}},
        FailureRow{"notice of TastoInvio fails: the value stays set", "", u"TastoInvio",
                   [](VelmoraControl& c) { c.setTastoInvio(kTrue); },
                   [](VelmoraControl& c, ModelTextBox&) { return c.TastoInvio() == kTrue; },
                   {u"notify TastoInvio"}},
        FailureRow{"box refuses the colour: no notice", "setBackColor", u"",
                   [](VelmoraControl& c) { c.setBackColor(1); },
                   [](VelmoraControl& c, ModelTextBox&) { return c.BackColor() == kWindowBackground; },
                   {}},
        FailureRow{"notice of Text fails: the text is in", "", u"Text",
                   [](VelmoraControl& c) { c.setText(u"x"); },
                   [](VelmoraControl&, ModelTextBox& b) { return b.Text() == u"x"; },
                   {u"Change", u"notify Text"}}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST_F(ControlProperties, NegativeLengthIsTheTextBoxsToRefuse) {
  NewControl();
  EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::InvalidPropertyValue), control.setMaxLength(-1));
  EXPECT_TRUE(host.log.empty());
}

TEST_F(ControlProperties, MaxLengthGetterOverflowsBeyondSixteenBits) {
  NewControl();
  box.setMaxLength(32767);
  EXPECT_EQ(control.MaxLength(), 32767);
  box.setMaxLength(32768);
  EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::Overflow), (void)control.MaxLength()) << "32768";
}

// A container whose answers change between reads: the move uses the second
// reading, as the box is sized from what the control says at each step.
class ShiftingHost : public RecordingControlHost {
 public:
  std::int32_t reads = 0;
  std::int32_t ScaleWidth() override { return 4000 + 10 * reads++; }
  std::int32_t ScaleHeight() override { return 700 + 10 * reads++; }
};

TEST(ControlResize, TextBoxFillsTheControl) {
  ModelTextBox box;
  RecordingControlHost host;
  host.scaleWidth = 5000;
  host.scaleHeight = 123;
  VelmoraControl control(box, host);
  box.Move(50, 60, 1, 1);
  control.UserControl_Resize();
  EXPECT_EQ(box.Left(), 0);
  EXPECT_EQ(box.Top(), 0);
  EXPECT_EQ(box.Width(), 5000);
  EXPECT_EQ(box.Height(), 123);
}

TEST(ControlResize, MoveReadsTheSizeAgain) {
  ModelTextBox box;
  ShiftingHost host;
  VelmoraControl control(box, host);
  control.UserControl_Resize();
  EXPECT_EQ(host.reads, 4);
  EXPECT_EQ(box.Width(), 4020);
  EXPECT_EQ(box.Height(), 730);
}

}  // namespace
}  // namespace velmora
