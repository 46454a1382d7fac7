// Key routing and the control's events: Enter and Escape become moves
// between fields before any editing procedure sees them, the mode picks the
// procedures at every key, leaving a date field judges the date, and every
// change of the text is one Change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/velmora_control.h"
#include "errors.h"
#include "model_textbox.h"
#include "platform.h"
#include "variant.h"
#include "../../shared/control_error.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

const std::u16string kMask = u"  /  /    ";

// Records the beep and the keys sent, in one log with the container's
// events, and can refuse to send keys.
struct Log {
  std::vector<std::u16string> entries;
};

class RecordingPlatform : public Platform {
 public:
  explicit RecordingPlatform(Log& log) : log_(log) {}
  bool failSendKeys = false;
  void Beep() override { log_.entries.push_back(u"Beep"); }
  void SendKeys(std::u16string_view keys) override {
    if (failSendKeys) throw VelmoraError(ErrorNumber::ServiceFailed, "SendKeys failed");
    log_.entries.push_back(u"SendKeys " + std::u16string(keys));
  }
  CalendarDate Today() override { return {2024, 5, 1}; }

 private:
  Log& log_;
};

class EventHost : public RecordingControlHost {
 public:
  explicit EventHost(Log& log) : log_(log) {}
  bool failDataNonValida = false;
  void RaiseDataNonValida() override {
    log_.entries.push_back(u"DataNonValida");
    if (failDataNonValida) throw VelmoraError(ErrorNumber::ServiceFailed, "event failed");
  }
  void RaiseChange() override { log_.entries.push_back(u"Change"); }

 private:
  Log& log_;
};

struct Events : ::testing::Test {
  Log log;
  RecordingPlatform platform{log};
  ScopedPlatform installed{platform};
  ModelTextBox box;
  EventHost host{log};
  VelmoraControl control{box, host};

  void SetUp() override {
    control.UserControl_Initialize();
    control.UserControl_InitProperties();
    box.GotFocus();
    log.entries.clear();
  }
  // A keystroke as the user makes it, through the text box's events.
  void Type(char16_t ch, std::int16_t shift = 0) { box.Keystroke(static_cast<std::int16_t>(ch), shift, ch); }
  void TypeAll(std::u16string_view text) {
    for (char16_t c : text) Type(c);
  }
  using Entries = std::vector<std::u16string>;
};

struct MoveRow : testing::NamedRow {
  bool dateMode;
  std::int16_t tastoInvio;
  std::int16_t keyAscii;
  std::int16_t shift;
  std::vector<std::u16string> expected;  // keys sent
};

class EnterAndEscape : public Events, public ::testing::WithParamInterface<MoveRow> {};

TEST_P(EnterAndEscape, AreSwallowedAndMoveTheFocus) {
  const MoveRow& row = GetParam();
  if (!row.dateMode) control.setDateValue(kFalse);
  control.setTastoInvio(row.tastoInvio);
  const std::u16string before = box.Text();
  log.entries.clear();
  box.Keystroke(row.keyAscii, row.shift, static_cast<char16_t>(row.keyAscii));
  EXPECT_EQ(log.entries, row.expected) << row.name;
  EXPECT_EQ(box.Text(), before) << row.name << ": nothing may be inserted";
  std::int16_t key = row.keyAscii;
  control.Text1_KeyPress(key);
  EXPECT_EQ(key, 0) << row.name << ": the key must be swallowed";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EnterAndEscape,
    ::testing::Values(MoveRow{"Enter in a date moves on", true, kFalse, 13, 0, {u"SendKeys {TAB}"}},
                      MoveRow{"Enter in a number moves on", false, kFalse, 13, 0, {u"SendKeys {TAB}"}},
                      MoveRow{"Shift+Enter acts as Enter", true, kFalse, 13, kShiftMask, {u"SendKeys {TAB}"}},
                      MoveRow{"Enter with TastoInvio does nothing", true, kTrue, 13, 0, {}},
                      MoveRow{"Enter with TastoInvio 1 does nothing", false, 1, 13, 0, {}},
                      MoveRow{"Escape in a date goes back", true, kFalse, 27, 0, {u"SendKeys +{TAB}"}},
                      MoveRow{"Escape in a number goes back", false, kFalse, 27, 0, {u"SendKeys +{TAB}"}},
                      MoveRow{"Escape ignores TastoInvio", true, kTrue, 27, 0, {u"SendKeys +{TAB}"}}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST_F(Events, DateModeKeysReachTheDateProcedures) {
  TypeAll(u"1412");
  // Overtyping over the mask, not inserting: the length stays 10.
  EXPECT_EQ(box.Text(), u"14/12/    ");
  EXPECT_EQ(box.SelStart(), 6);
  EXPECT_EQ(log.entries, Entries(4, u"Change"));
}

TEST_F(Events, NumberModeKeysReachTheNumberProcedures) {
  control.setDateValue(kFalse);
  log.entries.clear();
  Type(u'7');
  EXPECT_EQ(box.Text(), u"7");
  Type(u'x');
  EXPECT_EQ(box.Text(), u"7");
  EXPECT_EQ(log.entries, (Entries{u"Change", u"Beep"}));
}

TEST_F(Events, ModeIsReadAtEveryKey) {
  control.setDateValue(kFalse);
  Type(u'5');
  EXPECT_EQ(box.Text(), u"5");
  control.setDateValue(kTrue);
  Type(u'5');
  EXPECT_EQ(box.Text(), u"5 /  /    ");
}

TEST_F(Events, MaskIsCutFromTheCurrentLength) {
  // The box's limit changes behind the control's back: the next key already
  // works with the shorter mask, so a full erase restores "  /  /  ".
  box.setMaxLength(8);
  box.setText(u"14/12/67");
  box.Select(0, 8);
  Type(u'\b');
  EXPECT_EQ(box.Text(), u"  /  /  ");
}

struct LeaveRow {
  const char* name;
  bool dateMode;
  std::int16_t maxLength;
  std::u16string text;
  std::u16string expectedText;
  std::vector<std::u16string> expectedEvents;
};
std::ostream& operator<<(std::ostream& os, const LeaveRow& r) {
  return os << r.name << " \"" << ToUtf8(r.text) << "\"";
}

class LeavingTheField : public Events, public ::testing::WithParamInterface<LeaveRow> {};

TEST_P(LeavingTheField, JudgesOnlyDates) {
  const LeaveRow& row = GetParam();
  if (!row.dateMode) control.setDateValue(kFalse);
  control.setMaxLength(row.maxLength);
  control.setText(row.text);
  log.entries.clear();
  box.LoseFocus();
  EXPECT_EQ(box.Text(), row.expectedText) << row.name;
  EXPECT_EQ(log.entries, row.expectedEvents) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LeavingTheField,
    ::testing::Values(
        LeaveRow{"real long date stays", true, 10, u"14/12/1967", u"14/12/1967", {}},
        LeaveRow{"no such day is wiped, Change first", true, 10, u"31/02/1967", kMask, {u"Change", u"DataNonValida"}},
        LeaveRow{"half a date is wiped", true, 10, u"14/12/19  ", kMask, {u"Change", u"DataNonValida"}},
        // Writing the identical mask changes nothing, so only the event.
        LeaveRow{"empty mask is invalid", true, 10, kMask, kMask, {u"DataNonValida"}},
        LeaveRow{"short date wiped to its own mask", true, 8, u"31/02/67", u"  /  /  ", {u"Change", u"DataNonValida"}},
        LeaveRow{"day and month with the present year", true, 5, u"29/02", u"29/02", {}},
        LeaveRow{"number never judged", false, 10, u"garbage", u"garbage", {}},
        LeaveRow{"number with a bad date stays", false, 10, u"31/02/1967", u"31/02/1967", {}}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST_F(Events, DataNonValidaFindsTheMaskAlreadyWritten) {
  control.setText(u"99/99/9999");
  host.failDataNonValida = true;
  EXPECT_THROW(box.LoseFocus(), VelmoraError);
  EXPECT_EQ(box.Text(), kMask);
}

TEST_F(Events, LeavingWithALengthBeyondSixteenBitsIsAnOverflow) {
  box.setMaxLength(40000);
  box.setText(u"14/12/1967");
  EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::Overflow), box.LoseFocus());
  EXPECT_EQ(box.Text(), u"14/12/1967");
}

TEST_F(Events, FailedSendKeysLeavesEnterSwallowed) {
  platform.failSendKeys = true;
  std::int16_t key = 13;
  EXPECT_THROW(control.Text1_KeyPress(key), VelmoraError);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(box.Text(), kMask);
}

TEST_F(Events, EveryChangeIsOneChange) {
  control.setText(u"a");
  box.setText(u"b");
  box.Select(0, 1);
  box.Keystroke(vk::Delete, 0, 0);  // date mode: the procedure writes "0"
  EXPECT_EQ(log.entries, Entries(3, u"Change"));
  log.entries.clear();
  box.setText(box.Text());  // identical text: no change, no event
  EXPECT_TRUE(log.entries.empty());
}

}  // namespace
}  // namespace velmora
