// The two models behind the page: its controls (values, notifications) and
// the host (conversion of written values as a dispatch does, refusals).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../shared/control_error.h"
#include "errors.h"
#include "page/model_page_controls.h"
#include "page/model_page_host.h"

namespace velmora {
namespace {

class RecordingEvents : public GeneraleEvents {
 public:
  void Option1_Click(std::int16_t i) override { log.push_back("Option1(" + std::to_string(i) + ")"); }
  void Option2_Click(std::int16_t i) override { log.push_back("Option2(" + std::to_string(i) + ")"); }
  void chkInvio_Click() override { log.push_back("chkInvio"); }
  void chkVirgola_Click() override { log.push_back("chkVirgola"); }
  void chkDateValue_Click() override { log.push_back("chkDateValue"); }
  void txtMaxLength_Change() override { log.push_back("txtMaxLength"); }
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST(ModelGeneraleControls, OptionButtonsAreExclusiveAndClickOnlyWhenSelected) {
  ModelGeneraleControls controls;
  RecordingEvents events;
  controls.setEvents(&events);
  controls.setOptionValue(PageOption::Option1, 1, true);
  controls.setOptionValue(PageOption::Option1, 1, true);  // already selected: nothing changes
  controls.setOptionValue(PageOption::Option1, 2, true);
  EXPECT_FALSE(controls.OptionValue(PageOption::Option1, 1));
  EXPECT_TRUE(controls.OptionValue(PageOption::Option1, 2));
  controls.setOptionValue(PageOption::Option2, 0, true);
  EXPECT_TRUE(controls.OptionValue(PageOption::Option1, 2)) << "the arrays are independent";
  controls.setOptionValue(PageOption::Option2, 0, false);
  EXPECT_FALSE(controls.OptionValue(PageOption::Option2, 0));
  EXPECT_EQ(events.log, (Log{"Option1(1)", "Option1(2)", "Option2(0)"}));
  EXPECT_THROW(controls.setOptionValue(PageOption::Option2, 2, true), VelmoraError);
}

TEST(ModelGeneraleControls, CheckBoxesClickOnEveryChange) {
  ModelGeneraleControls controls;
  RecordingEvents events;
  controls.setEvents(&events);
  controls.setCheckValue(PageCheck::chkVirgola, kChecked);
  controls.setCheckValue(PageCheck::chkVirgola, kChecked);
  controls.setCheckValue(PageCheck::chkVirgola, kGrayed);
  controls.Click(PageControl::chkVirgola);  // grayed turns checked
  controls.Click(PageControl::chkVirgola);
  EXPECT_EQ(controls.CheckValue(PageCheck::chkVirgola), kUnchecked);
  EXPECT_EQ(events.log, (Log{"chkVirgola", "chkVirgola", "chkVirgola", "chkVirgola"}));
  EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::InvalidPropertyValue),
                       controls.setCheckValue(PageCheck::chkInvio, 3));
  EXPECT_EQ(controls.CheckValue(PageCheck::chkInvio), kUnchecked);
}

TEST(ModelGeneraleControls, OnlyTxtMaxLengthReportsItsChanges) {
  ModelGeneraleControls controls;
  RecordingEvents events;
  controls.setEvents(&events);
  controls.Type(PageText::Text1, u"7");
  controls.Type(PageText::txtMaxLength, u"7");
  controls.Type(PageText::txtMaxLength, u"7");
  EXPECT_EQ(events.log, (Log{"txtMaxLength"}));
}

TEST(ModelGeneraleControls, AHiddenFrameHidesWhatItHolds) {
  ModelGeneraleControls controls;
  controls.setVisible(PageControl::Frame3, false);
  EXPECT_TRUE(controls.Visible(PageControl::chkVirgola));
  EXPECT_FALSE(controls.Shown(PageControl::chkVirgola));
  EXPECT_TRUE(controls.Shown({PageControl::Option2, 1}));
}

// Written values reach the control converted to the property's type.
struct WriteRow {
  const char* name;
  const char16_t* property;
  Variant value;
  std::int16_t expected;  // the property read back through its getter
  int error;              // 0: none
};

std::int16_t Read(VelmoraControl& c, const std::u16string& property) {
  if (property == u"MaxLength") return c.MaxLength();
  if (property == u"DateValue") return c.DateValue();
  if (property == u"Virgola") return c.Virgola();
  return c.TastoInvio();
}

const int kOverflow = static_cast<int>(ErrorNumber::Overflow);
const int kMismatch = static_cast<int>(ErrorNumber::TypeMismatch);

const WriteRow kWriteRows[] = {
    {"BooleanTrue", u"TastoInvio", Variant::Boolean(true), -1, 0},
    {"IntegerOneBecomesTrue", u"Virgola", Variant::Integer(1), -1, 0},
    {"DoubleZeroIsFalse", u"DateValue", Variant::Double(0), 0, 0},
    {"TextTrue", u"TastoInvio", Variant::String(u"True"), -1, 0},
    {"TextNotABoolean", u"Virgola", Variant::String(u"forse"), 0, kMismatch},
    {"MaxLengthInteger", u"MaxLength", Variant::Integer(8), 8, 0},
    {"MaxLengthHalfDown", u"MaxLength", Variant::Double(2.5), 2, 0},
    {"MaxLengthHalfUp", u"MaxLength", Variant::Double(3.5), 4, 0},
    {"MaxLengthTop", u"MaxLength", Variant::Double(32767.49), 32767, 0},
    {"MaxLengthRoundsPastTop", u"MaxLength", Variant::Double(32767.5), 10, kOverflow},
    {"MaxLengthBelowBottom", u"MaxLength", Variant::Double(-32768.6), 10, kOverflow},
    {"MaxLengthText", u"MaxLength", Variant::String(u"12"), 12, 0},
};

class ModelPageHostWrite : public ::testing::TestWithParam<WriteRow> {};

TEST_P(ModelPageHostWrite, ConvertsAsADispatchDoes) {
  const WriteRow& row = GetParam();
  ModelPageHost host;
  VelmoraControl& c = host.Add();
  c.setMaxLength(10);
  EXPECT_CONTROL_ERROR(row.error, host.SelectedControl(0).SetProperty(row.property, row.value));
  EXPECT_EQ(Read(c, row.property), row.expected);
  ASSERT_EQ(host.writes.size(), 1u);
  EXPECT_EQ(host.writes[0].value, row.value);
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelPageHostWrite, ::testing::ValuesIn(kWriteRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModelPageHost, ReadsKeepANonCanonicalBoolean) {
  ModelPageHost host;
  host.Add().setDateValue(1);
  host.Control(0).setVirgola(kTrue);
  EXPECT_EQ(host.SelectedControl(0).GetProperty(u"DateValue").ToInteger(), 1);
  EXPECT_EQ(host.SelectedControl(0).GetProperty(u"Virgola"), Variant::Boolean(true));
}

TEST(ModelPageHost, RefusalsAndUnknownNamesAndElements) {
  ModelPageHost host;
  host.Add().setTastoInvio(kTrue);
  host.RefuseWrite(0, u"TastoInvio", 91);
  host.RefuseRead(0, u"Virgola");
  EXPECT_CONTROL_ERROR(91, host.SelectedControl(0).SetProperty(u"TastoInvio", Variant::Boolean(false)));
  EXPECT_EQ(host.Control(0).TastoInvio(), kTrue);
  EXPECT_CONTROL_ERROR(380, host.SelectedControl(0).GetProperty(u"Virgola"));
  EXPECT_CONTROL_ERROR(kPropertyNotSupported, host.SelectedControl(0).GetProperty(u"Colore"));
  EXPECT_CONTROL_ERROR(kSubscriptOutOfRange, host.SelectedControl(1));
  EXPECT_CONTROL_ERROR(kSubscriptOutOfRange, host.SelectedControl(-1));
}

}  // namespace
}  // namespace velmora
