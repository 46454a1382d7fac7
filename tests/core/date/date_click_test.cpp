// Where a click leaves the caret in a date field: one table, played on the
// model text box straight into DataClick, then through the control, where
// only date mode moves the caret.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "control/velmora_control.h"
#include "date/date_editing.h"
#include "model_textbox.h"
#include "variant.h"
#include "../../shared/rows.h"

namespace velmora {
namespace {

struct ClickRow {
  const char* name;
  const char16_t* mask;
  const char16_t* text;
  int selStart;
  int selLength;
  int wantCaret;  // the selection is kept whenever wantCaret is -1
};

std::ostream& operator<<(std::ostream& os, const ClickRow& r) {
  return os << r.name << ": text \"" << ToUtf8(r.text) << "\", click at " << r.selStart << "+" << r.selLength;
}

constexpr const char16_t* kLong = u"  /  /    ";
constexpr const char16_t* kShort = u"  /  /  ";
constexpr const char16_t* kDayMonth = u"  /  ";

const ClickRow kRows[] = {
    {"EmptyLongMiddle", kLong, kLong, 5, 0, 0},
    {"EmptyLongPastTheEnd", kLong, kLong, 10, 0, 0},
    {"EmptyShortPastTheEnd", kShort, kShort, 8, 0, 0},
    {"EmptyDayMonthMiddle", kDayMonth, kDayMonth, 3, 0, 0},
    {"EmptyAtTheStartStays", kLong, kLong, 0, 0, 0},
    {"BeyondTheDayGoesOverItsSlash", kLong, u"14/  /    ", 8, 0, 3},
    {"BeyondOneDigitStopsAfterIt", kLong, u"1 /  /    ", 7, 0, 1},
    {"BeyondTheMonthGoesOverItsSlash", kShort, u"14/12/  ", 8, 0, 6},
    {"InsideTheYearStaysAfterTheDigit", kLong, u"14/12/19  ", 10, 0, 8},
    {"FullDatePastTheEndStays", kLong, u"14/12/1967", 10, 0, 10},
    {"OnATypedDigitStays", kLong, u"14/12/1967", 7, 0, 7},
    {"BeforeASlashStepsOverIt", kLong, u"14/12/1967", 2, 0, 3},
    {"BeforeTheSecondSlashStepsOverIt", kDayMonth, u"14/12", 2, 0, 3},
    {"AnErasedZeroCountsAsTyped", kLong, u"10/  /    ", 9, 0, 3},
    {"DayMonthFullStays", kDayMonth, u"14/12", 5, 0, 5},
    {"ASelectionIsKept", kLong, u"14/  /    ", 4, 5, -1},
    {"AMisfitTextWithoutDigitsGoesHome", kLong, u"abc", 2, 0, 0},
    {"TheEmptyMaskLeavesTheCaret", u"", u"14/  ", 5, 0, 5},
};

class DateClick : public ::testing::TestWithParam<ClickRow> {};

TEST_P(DateClick, Caret) {
  const ClickRow& r = GetParam();
  ModelTextBox box;
  box.setText(r.text);
  box.Select(r.selStart, r.selLength);
  DataClick(box, r.mask);
  EXPECT_EQ(ToUtf8(box.Text()), ToUtf8(r.text)) << r << " (a click never changes the text)";
  EXPECT_EQ(box.SelStart(), r.wantCaret < 0 ? r.selStart : r.wantCaret) << r;
  EXPECT_EQ(box.SelLength(), r.wantCaret < 0 ? r.selLength : 0) << r;
}

INSTANTIATE_TEST_SUITE_P(Rows, DateClick, ::testing::ValuesIn(kRows), testing::kRowName);

// Through the control: the click event of Text1 moves the caret in date mode
// only, with the mask of the current MaxLength, and raises nothing.
TEST(DateClickControl, OnlyDateModeMovesTheCaret) {
  ModelTextBox box;
  RecordingControlHost host;
  VelmoraControl control(box, host);
  control.UserControl_Initialize();
  control.setMaxLength(8);
  box.GotFocus();
  box.Click(6);
  EXPECT_EQ(box.SelStart(), 0) << "empty short mask";
  control.setText(u"05/0 /  ");
  box.Click(7);
  EXPECT_EQ(box.SelStart(), 4) << "after the last digit";
  control.setDateValue(kFalse);
  control.setText(u"1.234");
  box.Click(3);
  EXPECT_EQ(box.SelStart(), 3) << "a number field keeps the caret where the mouse put it";
  control.setDateValue(kTrue);
  box.setEnabled(false);
  box.Select(4, 0);
  box.Click(2);
  EXPECT_EQ(box.SelStart(), 4) << "a disabled box takes no click";
}

}  // namespace
}  // namespace velmora
