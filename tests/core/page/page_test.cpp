// The page Generale driven through the model page controls and a model host
// whose selected controls are real VelmoraControl objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/velmora_control.h"
#include "errors.h"
#include "page/generale.h"
#include "page/model_page_controls.h"
#include "page/model_page_host.h"

namespace velmora {
namespace {

struct Settings {
  std::int16_t dateValue = kTrue;
  std::int16_t maxLength = 10;
  std::int16_t virgola = kFalse;
  std::int16_t tastoInvio = kFalse;
};

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
  bool DateViewShown() const {
    return controls.Visible(PageControl::Frame1) && !controls.Visible(PageControl::Frame3) &&
           !controls.Visible(PageControl::Label1) && !controls.Visible(PageControl::Text1);
  }
  bool NumberViewShown() const {
    return !controls.Visible(PageControl::Frame1) && controls.Visible(PageControl::Frame3) &&
           controls.Visible(PageControl::Label1) && controls.Visible(PageControl::Text1);
  }

  ModelPageHost host;
  ModelGeneraleControls controls;
  Generale page{controls, host};
};

std::u16string Sentence(const std::u16string& number) {
  return std::u16string(kLabel1Before) + number + std::u16string(kLabel1After);
}

// ---- Loading ---------------------------------------------------------------

struct LoadRow {
  const char* name;
  Settings settings;
  std::int16_t option1;  // the date style selected
  std::int16_t option2;  // the mode selected
  std::int16_t chkVirgola, chkInvio;
  const char16_t* number;  // Text1 and the sentence of Label1
};

const LoadRow kLoadRows[] = {
    {"LongDate10", {kTrue, 10, kFalse, kFalse}, 0, 0, 0, 0, u"10"},
    {"ShortDate8", {kTrue, 8, kFalse, kFalse}, 1, 0, 0, 0, u"8"},
    {"DayMonth5", {kTrue, 5, kFalse, kTrue}, 2, 0, 0, 1, u"5"},
    {"OtherLengthShowsLongDate7", {kTrue, 7, kFalse, kFalse}, 0, 0, 0, 0, u"7"},
    {"Number12", {kFalse, 12, kTrue, kFalse}, 0, 1, 1, 0, u"12"},
    {"Number8PreselectsShortDate", {kFalse, 8, kFalse, kTrue}, 1, 1, 0, 1, u"8"},
    {"DateValueOneIsNumberMode", {1, 10, kFalse, kFalse}, 0, 1, 0, 0, u"10"},
    {"VirgolaLoadedInDateMode", {kTrue, 10, kTrue, kTrue}, 0, 0, 1, 1, u"10"},
};

class PageLoadTest : public PageTest, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(PageLoadTest, LoadsTheFirstControl) {
  const LoadRow& row = GetParam();
  Select(row.settings);
  page.PropertyPage_SelectionChanged();

  for (std::int16_t i = 0; i < 3; ++i) EXPECT_EQ(controls.OptionValue(PageOption::Option1, i), i == row.option1) << i;
  for (std::int16_t i = 0; i < 2; ++i) EXPECT_EQ(controls.OptionValue(PageOption::Option2, i), i == row.option2) << i;
  EXPECT_EQ(controls.CheckValue(PageCheck::chkVirgola), row.chkVirgola);
  EXPECT_EQ(controls.CheckValue(PageCheck::chkInvio), row.chkInvio);
  EXPECT_EQ(controls.Text(PageText::Text1), row.number);
  EXPECT_EQ(controls.Caption(PageControl::Label1), Sentence(row.number));
  EXPECT_TRUE(row.option2 == 0 ? DateViewShown() : NumberViewShown());
  EXPECT_TRUE(host.changed) << "the clicks raised by loading mark the page changed";
  EXPECT_TRUE(host.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, PageLoadTest, ::testing::ValuesIn(kLoadRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, ReloadingOverwritesEditsAndFollowsTheNewFirstControl) {
  Select({kTrue, 8, kFalse, kFalse});
  Load();
  controls.Click({PageControl::Option2, 1});
  controls.Click(PageControl::chkInvio);
  controls.Type(PageText::Text1, u"99");
  page.PropertyPage_SelectionChanged();
  EXPECT_TRUE(controls.OptionValue(PageOption::Option2, 0));
  EXPECT_TRUE(DateViewShown());
  EXPECT_EQ(controls.CheckValue(PageCheck::chkInvio), kUnchecked);
  EXPECT_EQ(controls.Text(PageText::Text1), u"8");
  EXPECT_TRUE(controls.OptionValue(PageOption::Option1, 1));
}

TEST_F(PageTest, LoadingWithAnEmptySelectionFailsBeforeTouchingThePage) {
  try {
    page.PropertyPage_SelectionChanged();
    FAIL() << "no error";
  } catch (const VelmoraError& e) {
    EXPECT_EQ(e.number(), kSubscriptOutOfRange);
  }
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

// ---- View switch and the changed flag --------------------------------------

TEST_F(PageTest, TheModeButtonsSwitchTheViewAtOnce) {
  Select({kTrue, 10, kFalse, kFalse});
  Load();
  controls.Click({PageControl::Option2, 1});
  EXPECT_TRUE(NumberViewShown());
  EXPECT_TRUE(controls.Shown(PageControl::chkVirgola));
  EXPECT_FALSE(controls.Shown({PageControl::Option1, 0}));
  EXPECT_TRUE(host.changed);
  controls.Click({PageControl::Option2, 0});
  EXPECT_TRUE(DateViewShown());
  EXPECT_TRUE(host.writes.empty()) << "switching applies nothing";
}

struct EditRow {
  const char* name;
  void (*edit)(ModelGeneraleControls&);
  bool marksChanged;
};

const EditRow kEditRows[] = {
    {"TypingIntoText1", [](ModelGeneraleControls& c) { c.Type(PageText::Text1, u"25"); }, false},
    {"ClickingTheSelectedStyle", [](ModelGeneraleControls& c) { c.Click({PageControl::Option1, 0}); }, false},
    {"ClickingALabel", [](ModelGeneraleControls& c) { c.Click(PageControl::Label1); }, false},
    {"ChoosingAnotherStyle", [](ModelGeneraleControls& c) { c.Click({PageControl::Option1, 2}); }, true},
    {"ChoosingNumberMode", [](ModelGeneraleControls& c) { c.Click({PageControl::Option2, 1}); }, true},
    {"TogglingChkInvio", [](ModelGeneraleControls& c) { c.Click(PageControl::chkInvio); }, true},
    {"TogglingChkVirgola", [](ModelGeneraleControls& c) { c.Click(PageControl::chkVirgola); }, true},
    {"TogglingHiddenChkDateValue", [](ModelGeneraleControls& c) { c.Click(PageControl::chkDateValue); }, true},
    {"TypingIntoHiddenTxtMaxLength", [](ModelGeneraleControls& c) { c.Type(PageText::txtMaxLength, u"3"); }, true},
    {"NumberModeWithDecimalsAndDigits",
     [](ModelGeneraleControls& c) {
       c.Click({PageControl::Option2, 1});
       c.Click(PageControl::chkVirgola);
       c.Type(PageText::Text1, u"25");
     },
     true},
    {"ShortDateAndInvio",
     [](ModelGeneraleControls& c) {
       c.Click({PageControl::Option1, 1});
       c.Click(PageControl::chkInvio);
     },
     true},
};

class PageEditTest : public PageTest, public ::testing::WithParamInterface<EditRow> {};

TEST_P(PageEditTest, ChangedFlag) {
  Select({kTrue, 10, kFalse, kFalse});
  Load();
  GetParam().edit(controls);
  EXPECT_EQ(host.changed, GetParam().marksChanged);
  EXPECT_TRUE(host.reads.empty() && host.writes.empty()) << "editing never reaches the selected controls";
}

// A frame takes the page's controls away when it shows another tab: the
// edits taken out of them come back on new controls, and apply without any
// exactly as the controls would have.
TEST_P(PageEditTest, KeptEditsShowAgainAndApplyAsTheControlsDo) {
  Select({kTrue, 10, kFalse, kFalse});
  Load();
  GetParam().edit(controls);
  const GeneraleEdits kept = page.Edits();
  ModelGeneraleControls again;
  Generale shown(again, host);
  shown.PropertyPage_SelectionChanged();
  shown.ShowEdits(kept);
  EXPECT_EQ(shown.Edits(), kept);
  for (PageControl view : {PageControl::Frame1, PageControl::Frame3, PageControl::Label1, PageControl::Text1}) {
    EXPECT_EQ(again.Visible(view), controls.Visible(view)) << PageControlName(view);
  }
  Generale::ApplyChanges(kept, host);
  const auto fromKept = host.writes;
  host.writes.clear();
  page.PropertyPage_ApplyChanges();
  ASSERT_EQ(host.writes.size(), fromKept.size());
  for (std::size_t i = 0; i < fromKept.size(); ++i) {
    EXPECT_EQ(host.writes[i].name, fromKept[i].name) << i;
    EXPECT_EQ(host.writes[i].value, fromKept[i].value) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, PageEditTest, ::testing::ValuesIn(kEditRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Applying --------------------------------------------------------------

TEST_F(PageTest, ApplyingAnUnchangedDateControlWritesItsSettingsAgain) {
  VelmoraControl& c = Select({kTrue, 8, kTrue, kTrue});
  Load();
  page.PropertyPage_ApplyChanges();
  ASSERT_EQ(host.writes.size(), 3u);
  EXPECT_EQ(host.writes[0].name, u"DateValue");
  EXPECT_EQ(host.writes[0].value, Variant::Boolean(true));
  EXPECT_EQ(host.writes[1].name, u"MaxLength");
  EXPECT_EQ(host.writes[1].value, Variant::Integer(8));
  EXPECT_EQ(host.writes[2].name, u"TastoInvio");
  EXPECT_EQ(host.writes[2].value, Variant::Boolean(true));
  EXPECT_EQ(c.MaxLength(), 8);
  EXPECT_EQ(c.Text(), u"  /  /  ");
  EXPECT_EQ(c.Virgola(), kTrue) << "the date branch leaves Virgola alone";
  EXPECT_EQ(host.Site(0).notified, (std::vector<std::u16string>{u"DateValue", u"MaxLength", u"TastoInvio"}));
  EXPECT_TRUE(DateViewShown()) << "applying keeps the view";
}

struct DateApplyRow {
  const char* name;
  Settings settings;
  std::int16_t chosenStyle;  // -1: keep what loading selected
  std::int16_t expectedMaxLength;
};

const DateApplyRow kDateApplyRows[] = {
    {"Length7BecomesLongDate", {kTrue, 7, kFalse, kFalse}, -1, 10},
    {"Length12BecomesLongDate", {kTrue, 12, kFalse, kFalse}, -1, 10},
    {"DayMonthChosen", {kTrue, 10, kFalse, kFalse}, 2, 5},
    {"NumberSwitchedToDateKeepsPreselectedShortDate", {kFalse, 8, kTrue, kFalse}, -1, 8},
    {"NumberSwitchedToDateWithLongDateChosen", {kFalse, 12, kTrue, kFalse}, 0, 10},
};

class PageDateApplyTest : public PageTest, public ::testing::WithParamInterface<DateApplyRow> {};

TEST_P(PageDateApplyTest, WritesTheChosenStyle) {
  const DateApplyRow& row = GetParam();
  VelmoraControl& c = Select(row.settings);
  Load();
  controls.Click({PageControl::Option2, 0});
  if (row.chosenStyle >= 0) controls.Click({PageControl::Option1, row.chosenStyle});
  page.PropertyPage_ApplyChanges();
  EXPECT_EQ(WrittenNames(0), (std::vector<std::u16string>{u"DateValue", u"MaxLength", u"TastoInvio"}));
  EXPECT_EQ(c.DateValue(), kTrue);
  EXPECT_EQ(c.MaxLength(), row.expectedMaxLength);
  EXPECT_EQ(c.Text(), DateMask(row.expectedMaxLength));
  EXPECT_EQ(c.Virgola(), row.settings.virgola);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageDateApplyTest, ::testing::ValuesIn(kDateApplyRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, ChkInvioGivesTastoInvioDirectly) {
  VelmoraControl& c = Select({kTrue, 10, kFalse, kFalse});
  Load();
  controls.Click(PageControl::chkInvio);
  page.PropertyPage_ApplyChanges();
  EXPECT_EQ(c.TastoInvio(), kTrue);
  controls.Click(PageControl::chkInvio);
  page.PropertyPage_ApplyChanges();
  EXPECT_EQ(c.TastoInvio(), kFalse);
}

TEST_F(PageTest, SeveralControlsShowTheFirstAndAllReceiveTheSameSettings) {
  Select({kFalse, 12, kTrue, kFalse});
  Select({kTrue, 5, kFalse, kTrue});
  Select({kTrue, 8, kFalse, kFalse});
  Load();
  EXPECT_TRUE(NumberViewShown());
  EXPECT_EQ(controls.Text(PageText::Text1), u"12");
  for (const auto& r : host.reads) EXPECT_EQ(r.control, 0);

  controls.Type(PageText::Text1, u"15");
  controls.Click(PageControl::chkInvio);
  host.reads.clear();
  page.PropertyPage_ApplyChanges();

  const std::vector<std::u16string> order{u"Virgola", u"DateValue", u"MaxLength", u"TastoInvio"};
  ASSERT_EQ(host.writes.size(), 12u);
  for (std::size_t k = 0; k < host.writes.size(); ++k) {
    EXPECT_EQ(host.writes[k].control, static_cast<std::int32_t>(k / 4)) << k;
    EXPECT_EQ(host.writes[k].name, order[k % 4]) << k;
    EXPECT_EQ(host.writes[k].value, host.writes[k % 4].value) << k;
  }
  for (std::int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(host.Control(i).DateValue(), kFalse);
    EXPECT_EQ(host.Control(i).MaxLength(), 15);
    EXPECT_EQ(host.Control(i).Virgola(), kTrue);
    EXPECT_EQ(host.Control(i).TastoInvio(), kTrue);
    EXPECT_EQ(host.Control(i).Text(), u"0");
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

// The number branch reads Text1 as a numeric value and hands it over as a
// double; the control's property rounds it, halves to even.
struct NumberRow {
  const char* name;
  const char16_t* text1;
  std::int16_t expectedMaxLength;  // when no error
  int error;                       // 0: none
};

const NumberRow kNumberRows[] = {
    {"Empty", u"", 0, 0},
    {"BlanksBetweenDigits", u" 1 2", 12, 0},
    {"CommaEndsTheNumber", u"12,5", 12, 0},
    {"HalfRoundsDownToEven", u"2.5", 2, 0},
    {"HalfRoundsUpToEven", u"3.5", 4, 0},
    {"NoLeadingNumber", u"dieci", 0, 0},
    {"Largest", u"32767", 32767, 0},
    {"BeyondSixteenBits", u"40000", 0, static_cast<int>(ErrorNumber::Overflow)},
    {"NegativeRefusedByTheTextBox", u"-3", 0, static_cast<int>(ErrorNumber::InvalidPropertyValue)},
};

class PageNumberApplyTest : public PageTest, public ::testing::WithParamInterface<NumberRow> {};

TEST_P(PageNumberApplyTest, ReadsText1) {
  const NumberRow& row = GetParam();
  Select({kTrue, 10, kFalse, kFalse});
  Select({kTrue, 10, kFalse, kFalse});
  Load();
  controls.Click({PageControl::Option2, 1});
  controls.Click(PageControl::chkVirgola);
  controls.Click(PageControl::chkInvio);
  controls.Type(PageText::Text1, row.text1);
  SCOPED_TRACE(ToUtf8(row.text1));

  if (row.error == 0) {
    page.PropertyPage_ApplyChanges();
    for (std::int32_t i = 0; i < 2; ++i) {
      EXPECT_EQ(host.Control(i).MaxLength(), row.expectedMaxLength) << i;
      EXPECT_EQ(host.Control(i).TastoInvio(), kTrue) << i;
    }
    return;
  }
  try {
    page.PropertyPage_ApplyChanges();
    FAIL() << "no error";
  } catch (const VelmoraError& e) {
    EXPECT_EQ(e.number(), row.error);
  }
  // The first control took Virgola and DateValue; its MaxLength failed and
  // nothing after it was written, on it or on the second control.
  EXPECT_EQ(WrittenNames(0), (std::vector<std::u16string>{u"Virgola", u"DateValue", u"MaxLength"}));
  EXPECT_EQ(host.Control(0).Virgola(), kTrue);
  EXPECT_EQ(host.Control(0).DateValue(), kFalse);
  EXPECT_EQ(host.Control(0).MaxLength(), 10);
  EXPECT_EQ(host.Control(0).TastoInvio(), kFalse);
  EXPECT_TRUE(WrittenNames(1).empty());
  EXPECT_EQ(host.Control(1).DateValue(), kTrue);
  EXPECT_EQ(host.Control(1).Virgola(), kFalse);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageNumberApplyTest, ::testing::ValuesIn(kNumberRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, WithoutAModeSelectedTheNumberBranchIsTaken) {
  VelmoraControl& c = Select({kTrue, 10, kFalse, kFalse});
  page.PropertyPage_ApplyChanges();  // never loaded: no button selected, Text1 "10"
  EXPECT_EQ(WrittenNames(0), (std::vector<std::u16string>{u"Virgola", u"DateValue", u"MaxLength", u"TastoInvio"}));
  EXPECT_EQ(c.DateValue(), kFalse);
  EXPECT_EQ(c.MaxLength(), 10);
}

}  // namespace
}  // namespace velmora
