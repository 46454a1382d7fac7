// The page Generale driven through the model page controls and a model host
// whose selected controls are real VelmoraControl objects.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "control/velmora_control.h"
#include "errors.h"
#include "page/generale.h"
#include "page/model_page_controls.h"
#include "page/model_page_host.h"
#include "../../shared/control_error.h"
#include "../../shared/page_rows.h"

namespace velmora {
namespace {

using page_rows::Settings;

class PageTest : public ::testing::Test {
 protected:
  // Adds a selected control with the given settings, then forgets what the
  // setting-up wrote, so the records hold only the page's doings.
  VelmoraControl& Select(const Settings& s) {
    VelmoraControl& c = host.Add();
    c.setDateValue(s.dateValue);
    c.setMaxLength(s.maxLength);
    c.setVirgola(s.virgola);
    c.setTastoInvio(s.tastoInvio);
    host.Site(host.SelectedCount() - 1).notified.clear();
    return c;
  }
  void Load() {
    page.PropertyPage_SelectionChanged();
    host.reads.clear();
    host.changed = false;
  }
  std::vector<std::u16string> WrittenNames(std::int32_t control) const {
    std::vector<std::u16string> names;
    for (const auto& w : host.writes) {
      if (w.control == control) names.push_back(w.name);
    }
    return names;
  }
  // A written value converted to the property's type as a dispatch converts
  // it; nothing when it does not convert.
  static std::optional<std::int16_t> Stored(const ModelPageHost::Access& w) {
    std::int16_t stored = 0;
    if (testing::Thrown<VelmoraError>([&] { stored = w.name == u"MaxLength" ? w.value.ToInteger() : w.value.ToBoolean(); }))
      return std::nullopt;
    return stored;
  }
  // The writes to control i as page_rows spells them.
  std::string Writes(std::int32_t i) const {
    std::string all;
    for (const auto& w : host.writes) {
      if (w.control != i) continue;
      const auto type = w.value.type();
      const auto stored = Stored(w);
      all += (all.empty() ? "" : " ") + ToUtf8(w.name) +
             (type == Variant::Type::Boolean ? "(BOOL)=" : type == Variant::Type::Double ? "(R8)=" : "(I2)=") +
             (stored ? std::to_string(*stored) : "failed");
    }
    return all;
  }
  // The view of the mode (0 date, 1 number) is shown, and only it.
  void ExpectView(int mode) const {
    for (const auto& v : page_rows::kViews) {
      EXPECT_EQ(controls.Shown(v.control), v.view < 0 || v.view == mode) << PageControlName(v.control.name);
    }
  }

  ModelPageHost host;
  ModelGeneraleControls controls;
  Generale page{controls, host};
};

using page_rows::Sentence;

// ---- Loading ---------------------------------------------------------------

class PageLoadTest : public PageTest, public ::testing::WithParamInterface<page_rows::LoadRow> {};

TEST_P(PageLoadTest, LoadsTheFirstControl) {
  const page_rows::LoadRow& row = GetParam();
  Select(row.settings);
  Select({0, 99, 0, 0});  // the second selected control is never read
  page.PropertyPage_SelectionChanged();

  for (std::int16_t i = 0; i < 3; ++i) EXPECT_EQ(controls.OptionValue(PageOption::Option1, i), i == row.style) << i;
  for (std::int16_t i = 0; i < 2; ++i) EXPECT_EQ(controls.OptionValue(PageOption::Option2, i), i == row.mode) << i;
  EXPECT_EQ(controls.CheckValue(PageCheck::chkVirgola), row.settings.virgola ? kChecked : kUnchecked);
  EXPECT_EQ(controls.CheckValue(PageCheck::chkInvio), row.settings.tastoInvio ? kChecked : kUnchecked);
  EXPECT_EQ(controls.Text(PageText::Text1), row.number);
  EXPECT_EQ(controls.Caption(PageControl::Label1), Sentence(row.number));
  ExpectView(row.mode);
  EXPECT_TRUE(host.changed) << "the clicks raised by loading mark the page changed";
  EXPECT_TRUE(host.writes.empty());
  for (const auto& r : host.reads) EXPECT_EQ(r.control, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageLoadTest, ::testing::ValuesIn(page_rows::kLoadRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, ReloadingOverwritesEditsAndFollowsTheNewFirstControl) {
  Select({kTrue, 8, kFalse, kFalse});
  Load();
  controls.Click({PageControl::Option2, 1});
  controls.Click(PageControl::chkInvio);
  controls.Type(PageText::Text1, u"99");
  page.PropertyPage_SelectionChanged();
  EXPECT_TRUE(controls.OptionValue(PageOption::Option2, 0));
  ExpectView(0);
  EXPECT_EQ(controls.CheckValue(PageCheck::chkInvio), kUnchecked);
  EXPECT_EQ(controls.Text(PageText::Text1), u"8");
  EXPECT_TRUE(controls.OptionValue(PageOption::Option1, 1));
}

TEST_F(PageTest, LoadingWithAnEmptySelectionFailsBeforeTouchingThePage) {
  EXPECT_CONTROL_ERROR(kSubscriptOutOfRange, page.PropertyPage_SelectionChanged());
  EXPECT_EQ(controls.Text(PageText::Text1), u"10");
  EXPECT_FALSE(controls.OptionValue(PageOption::Option2, 0));
  EXPECT_FALSE(host.changed);
}

TEST_F(PageTest, ARefusedReadStopsLoadingThereAndKeepsWhatWasLoaded) {
  Select({kFalse, 12, kTrue, kTrue});
  host.RefuseRead(0, u"DateValue");
  EXPECT_THROW(page.PropertyPage_SelectionChanged(), VelmoraError);
  EXPECT_EQ(controls.CheckValue(PageCheck::chkVirgola), kChecked);
  EXPECT_EQ(controls.CheckValue(PageCheck::chkInvio), kChecked);
  EXPECT_TRUE(controls.OptionValue(PageOption::Option1, 0));
  EXPECT_FALSE(controls.OptionValue(PageOption::Option2, 1)) << "the mode step was not reached";
  EXPECT_EQ(controls.Text(PageText::Text1), u"10");
}

// ---- Editing and applying ---------------------------------------------------

class PageEditTest : public PageTest, public ::testing::WithParamInterface<page_rows::EditRow> {
 protected:
  void Do(const page_rows::Action& action) {
    if (action.text == nullptr) return controls.Click(action.control);
    controls.Type(action.control.name == PageControl::Text1 ? PageText::Text1 : PageText::txtMaxLength,
                  action.text);
  }
};

// A frame takes the page's controls away when it shows another tab: the
// edits taken out of them come back on new controls, and apply without any
// exactly as the controls would have.
TEST_P(PageEditTest, MarksChangedAndAppliesAsTheRowSays) {
  const page_rows::EditRow& row = GetParam();
  for (int i = 0; i < row.selected; ++i) Select(row.settings);
  Load();
  for (const auto& action : row.actions) Do(action);
  EXPECT_EQ(host.changed, row.changed);
  EXPECT_TRUE(host.reads.empty() && host.writes.empty()) << "editing never reaches the selected controls";
  const bool numberMode = controls.OptionValue(PageOption::Option2, 1);
  ExpectView(numberMode ? 1 : 0);

  const GeneraleEdits kept = page.Edits();
  ModelGeneraleControls again;
  Generale shown(again, host);
  shown.PropertyPage_SelectionChanged();
  shown.ShowEdits(kept);
  EXPECT_EQ(shown.Edits(), kept);
  for (const auto& v : page_rows::kViews) {
    EXPECT_EQ(again.Shown(v.control), controls.Shown(v.control)) << PageControlName(v.control.name);
  }
  EXPECT_CONTROL_ERROR(row.error, Generale::ApplyChanges(kept, host));
  const auto fromKept = host.writes;
  host.writes.clear();
  for (int i = 0; i < row.selected; ++i) host.Site(i).notified.clear();

  EXPECT_CONTROL_ERROR(row.error, page.PropertyPage_ApplyChanges());
  ASSERT_EQ(host.writes.size(), fromKept.size());
  for (std::size_t i = 0; i < fromKept.size(); ++i) {
    EXPECT_EQ(host.writes[i].name, fromKept[i].name) << i;
    EXPECT_EQ(host.writes[i].value, fromKept[i].value) << i;
  }
  ExpectView(numberMode ? 1 : 0);  // applying keeps the view
  // Each control holds its settings with what was written over them, and
  // heard of exactly those writes; what was not written stays as it was.
  for (std::int32_t i = 0; i < row.selected; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Writes(i), row.writes[static_cast<std::size_t>(i)]);
    Settings want = row.settings;
    std::vector<std::u16string> heard;
    for (const auto& w : host.writes) {
      const auto stored = Stored(w);
      if (w.control != i || !stored) continue;
      (w.name == u"MaxLength"   ? want.maxLength
       : w.name == u"DateValue" ? want.dateValue
       : w.name == u"Virgola"   ? want.virgola
                                : want.tastoInvio) = *stored;
      heard.push_back(w.name);
    }
    VelmoraControl& c = host.Control(i);
    EXPECT_EQ(c.DateValue(), want.dateValue);
    EXPECT_EQ(c.MaxLength(), want.maxLength);
    EXPECT_EQ(c.Virgola(), want.virgola);
    EXPECT_EQ(c.TastoInvio(), want.tastoInvio);
    EXPECT_EQ(host.Site(i).notified, heard);
    if (!heard.empty() && c.DateValue() == kTrue) {
      EXPECT_EQ(c.Text(), DateMask(c.MaxLength()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, PageEditTest, ::testing::ValuesIn(page_rows::kEditRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, SeveralControlsShowTheFirstAndAllReceiveTheSameSettings) {
  Select({kFalse, 12, kTrue, kFalse});
  Select({kTrue, 5, kFalse, kTrue});
  Select({kTrue, 8, kFalse, kFalse});
  Load();
  ExpectView(1);
  EXPECT_EQ(controls.Text(PageText::Text1), u"12");
  for (const auto& r : host.reads) EXPECT_EQ(r.control, 0);

  controls.Type(PageText::Text1, u"15");
  controls.Click(PageControl::chkInvio);
  host.reads.clear();
  page.PropertyPage_ApplyChanges();

  ASSERT_EQ(host.writes.size(), 12u);
  for (std::size_t k = 0; k < host.writes.size(); ++k) {
    EXPECT_EQ(host.writes[k].control, static_cast<std::int32_t>(k / 4)) << k;
  }
  for (std::int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Writes(i), page_rows::NumberWrites(-1, 15, -1)) << i;
    EXPECT_EQ(host.Control(i).MaxLength(), 15) << i;
    EXPECT_EQ(host.Control(i).Text(), u"0") << i;
  }
}

TEST_F(PageTest, ARefusedWriteStopsApplyingThere) {
  Select({kTrue, 10, kFalse, kFalse});
  Select({kTrue, 10, kFalse, kFalse});
  Load();
  controls.Click({PageControl::Option1, 1});
  controls.Click(PageControl::chkInvio);
  host.RefuseWrite(0, u"TastoInvio");
  EXPECT_THROW(page.PropertyPage_ApplyChanges(), VelmoraError);
  EXPECT_EQ(host.Control(0).MaxLength(), 8) << "what was written stays written";
  EXPECT_EQ(host.Control(0).TastoInvio(), kFalse);
  EXPECT_TRUE(WrittenNames(1).empty());
  EXPECT_EQ(host.Control(1).MaxLength(), 10);
}

// A number the text box refuses stops applying at MaxLength, on the first
// control: the property's own check, after the conversion.
TEST_F(PageTest, ANegativeNumberIsRefusedByTheControl) {
  Select({kFalse, 12, kFalse, kFalse});
  Load();
  controls.Type(PageText::Text1, u"-3");
  EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::InvalidPropertyValue), page.PropertyPage_ApplyChanges());
  EXPECT_EQ(WrittenNames(0), (std::vector<std::u16string>{u"Virgola", u"DateValue", u"MaxLength"}));
  EXPECT_EQ(host.Control(0).MaxLength(), 12);
}

TEST_F(PageTest, WithoutAModeSelectedTheNumberBranchIsTaken) {
  VelmoraControl& c = Select({kTrue, 10, kFalse, kFalse});
  page.PropertyPage_ApplyChanges();  // never loaded: no button selected, Text1 "10"
  EXPECT_EQ(Writes(0), page_rows::NumberWrites(0, 10, 0));
  EXPECT_EQ(c.DateValue(), kFalse);
}

}  // namespace
}  // namespace velmora
