// The rows of the property page Generale that both pages run: the core's
// page over the model controls and host, and the OCX's page over its real
// windows under wine. A load row is a selected control's settings and what
// the page shows of them; an edit row is the settings, what the developer
// does on the page, whether that marks the page changed, and what applying
// writes to every selected control. Both pages must come out the same, row
// by row.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "errors.h"
#include "page/generale.h"
#include "page/page_controls.h"
#include "page/page_keys.h"

namespace velmora::page_rows {

// A selected control's four page properties as its dispatch holds them:
// -1 true, 0 false (a DateValue of 1 is neither, and means number mode).
struct Settings {
  std::int16_t dateValue, maxLength, virgola, tastoInvio;
  bool operator==(const Settings&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Settings& s) {
  return out << "{DateValue " << s.dateValue << ", MaxLength " << s.maxLength << ", Virgola " << s.virgola
             << ", TastoInvio " << s.tastoInvio << "}";
}

// ---- Loading ----------------------------------------------------------------

// The first selected control's settings shown: the Option1 style and the
// Option2 mode selected (0 date, 1 number), chkVirgola and chkInvio checked
// as the settings say, and the number in Text1 and Label1's sentence.
struct LoadRow {
  const char* name;
  Settings settings;
  std::int16_t style, mode;
  const char16_t* number;
};

inline constexpr LoadRow kLoadRows[] = {
    {"LongDate10", {-1, 10, 0, 0}, 0, 0, u"10"},
    {"ShortDate8", {-1, 8, 0, 0}, 1, 0, u"8"},
    {"ShortDate8Invio", {-1, 8, 0, -1}, 1, 0, u"8"},
    {"DayMonth5Invio", {-1, 5, 0, -1}, 2, 0, u"5"},
    {"DayMonth5VirgolaHidden", {-1, 5, -1, 0}, 2, 0, u"5"},
    {"OtherLengthShowsLongDate7", {-1, 7, 0, 0}, 0, 0, u"7"},
    {"VirgolaLoadedInDateMode", {-1, 10, -1, -1}, 0, 0, u"10"},
    {"Number12Virgola", {0, 12, -1, 0}, 0, 1, u"12"},
    {"Number12VirgolaInvio", {0, 12, -1, -1}, 0, 1, u"12"},
    {"Number8PreselectsShortDate", {0, 8, 0, 0}, 1, 1, u"8"},
    {"Number8PreselectsShortDateInvio", {0, 8, 0, -1}, 1, 1, u"8"},
    {"DateValueOneIsNumberMode", {1, 10, 0, 0}, 0, 1, u"10"},
};

inline void PrintTo(const LoadRow& row, std::ostream* out) { *out << row.name; }

// Label1's sentence around a number of digits.
inline std::u16string Sentence(const std::u16string& number) {
  return std::u16string(kLabel1Before) + number + std::u16string(kLabel1After);
}

// The views: Frame2 and chkInvio always; Frame1 and its styles in the date
// view; Frame3, chkVirgola, Label1 and Text1 in the number view. A frame's
// controls go with it.
struct ViewRow {
  ControlId control;
  int view;  // -1 both, 0 date, 1 number
};

inline constexpr ViewRow kViews[] = {
    {PageControl::Frame2, -1}, {PageControl::chkInvio, -1}, {PageControl::Frame1, 0},
    {{PageControl::Option1, 0}, 0}, {PageControl::Frame3, 1}, {PageControl::chkVirgola, 1},
    {PageControl::Label1, 1}, {PageControl::Text1, 1},
};

// ---- Editing and applying ---------------------------------------------------

// What the developer does: a click on a control, or a text typed into Text1
// or txtMaxLength.
struct Action {
  ControlId control;
  const char16_t* text = nullptr;  // typed; nullptr: a click
};

// The page's writes to one selected control, in order, each as
// "Name(TYPE)=stored value" with the type the page passed (BOOL, I2, R8), or
// "Name(TYPE)=failed" where the conversion to the property's type failed.
inline std::string DateWrites(int maxLength, int invio) {
  return "DateValue(BOOL)=-1 MaxLength(I2)=" + std::to_string(maxLength) +
         " TastoInvio(BOOL)=" + std::to_string(invio);
}
inline std::string NumberWrites(int virgola, int maxLength, int invio) {
  return "Virgola(BOOL)=" + std::to_string(virgola) + " DateValue(BOOL)=0 MaxLength(R8)=" +
         std::to_string(maxLength) + " TastoInvio(BOOL)=" + std::to_string(invio);
}

struct EditRow {
  const char* name;
  Settings settings;  // of every selected control
  int selected;
  std::vector<Action> actions;
  bool changed;  // the actions mark the page changed
  int error;     // the error applying raises; 0 for none
  std::vector<std::string> writes;  // per selected control, when applied
};

inline void PrintTo(const EditRow& row, std::ostream* out) { *out << row.name; }

inline const ControlId kLong{PageControl::Option1, 0}, kShort{PageControl::Option1, 1},
    kDayMonth{PageControl::Option1, 2}, kDate{PageControl::Option2, 0}, kNumber{PageControl::Option2, 1};
inline const Action kInvioBox{PageControl::chkInvio}, kVirgolaBox{PageControl::chkVirgola};
inline Action Text1(const char16_t* text) { return {PageControl::Text1, text}; }

inline const std::vector<EditRow> kEditRows = {
    // Nothing changed: the date branch writes the settings again, a length
    // that is no style's as the long date's.
    {"Date8Unchanged", {-1, 8, -1, -1}, 1, {}, false, 0, {DateWrites(8, -1)}},
    {"Date7Unchanged", {-1, 7, 0, 0}, 1, {}, false, 0, {DateWrites(10, 0)}},
    {"Date12Unchanged", {-1, 12, 0, 0}, 1, {}, false, 0, {DateWrites(10, 0)}},
    {"ClickingTheSelectedStyle", {-1, 10, 0, 0}, 1, {{kLong}}, false, 0, {DateWrites(10, 0)}},
    {"ClickingALabel", {-1, 10, 0, 0}, 1, {{PageControl::Label1}}, false, 0, {DateWrites(10, 0)}},
    // Clicks that change a value mark the page changed.
    {"Date7AppliesLongOnceChanged", {-1, 7, 0, 0}, 1, {kInvioBox, kInvioBox}, true, 0, {DateWrites(10, 0)}},
    {"StyleClickDayMonth", {-1, 10, 0, 0}, 1, {{kDayMonth}}, true, 0, {DateWrites(5, 0)}},
    {"ShortDateAndInvio", {-1, 10, 0, 0}, 1, {{kShort}, kInvioBox}, true, 0, {DateWrites(8, -1)}},
    {"TogglingChkInvio", {-1, 10, 0, 0}, 1, {kInvioBox}, true, 0, {DateWrites(10, -1)}},
    {"InvioUnchecked", {-1, 10, 0, -1}, 1, {kInvioBox}, true, 0, {DateWrites(10, 0)}},
    {"TogglingHiddenChkVirgolaInDateMode", {-1, 10, 0, 0}, 1, {kVirgolaBox}, true, 0, {DateWrites(10, 0)}},
    {"ChoosingNumberMode", {-1, 10, 0, 0}, 1, {{kNumber}}, true, 0, {NumberWrites(0, 10, 0)}},
    {"DateToNumberWithChecks", {-1, 10, 0, 0}, 1, {{kNumber}, kVirgolaBox, kInvioBox, Text1(u"9")}, true, 0,
     {NumberWrites(-1, 9, -1)}},
    {"NumberToLongDateKeepsVirgola", {0, 12, -1, 0}, 1, {{kDate}, {kLong}}, true, 0, {DateWrites(10, 0)}},
    {"Number8ToDateKeepsPreselectedShort", {0, 8, -1, 0}, 1, {{kDate}}, true, 0, {DateWrites(8, 0)}},
    {"SeveralControlsSameValues", {0, 7, 0, 0}, 3, {{kDate}}, true, 0,
     {DateWrites(10, 0), DateWrites(10, 0), DateWrites(10, 0)}},
    // The hidden controls only mark the page changed: nothing applies them.
    {"TxtMaxLengthMarksChangedOnly", {-1, 8, 0, 0}, 1, {{PageControl::txtMaxLength, u"99"}}, true, 0,
     {DateWrites(8, 0)}},
    {"ChkDateValueMarksChangedOnly", {-1, 8, 0, 0}, 1, {{PageControl::chkDateValue}}, true, 0, {DateWrites(8, 0)}},
    // Text1 has no handler: typing there changes nothing by itself, yet
    // applies. The number branch reads it as a numeric value and hands it
    // over as a double; the property rounds it, halves to even.
    {"TypingIntoText1InDateMode", {-1, 10, 0, 0}, 1, {Text1(u"25")}, false, 0, {DateWrites(10, 0)}},
    {"Text1EmptyGivesZero", {0, 12, 0, 0}, 1, {Text1(u"")}, false, 0, {NumberWrites(0, 0, 0)}},
    {"Text1BlanksSkipped", {0, 12, 0, 0}, 1, {Text1(u" 1 2")}, false, 0, {NumberWrites(0, 12, 0)}},
    {"Text1CommaEndsNumber", {0, 12, 0, 0}, 1, {Text1(u"12,5")}, false, 0, {NumberWrites(0, 12, 0)}},
    {"Text1HalfToEvenDown", {0, 12, 0, 0}, 1, {Text1(u"2.5")}, false, 0, {NumberWrites(0, 2, 0)}},
    {"Text1HalfToEvenUp", {0, 12, 0, 0}, 1, {Text1(u"3.5")}, false, 0, {NumberWrites(0, 4, 0)}},
    {"Text1NoLeadingNumber", {0, 12, 0, 0}, 1, {Text1(u"dieci")}, false, 0, {NumberWrites(0, 0, 0)}},
    {"Text1Largest", {0, 12, 0, 0}, 1, {Text1(u"32767")}, false, 0, {NumberWrites(0, 32767, 0)}},
    // A failed write ends applying there, on that control and the next.
    {"Text1OverflowStopsThere", {0, 12, -1, 0}, 2, {Text1(u"40000")}, false,
     static_cast<int>(ErrorNumber::Overflow), {"Virgola(BOOL)=-1 DateValue(BOOL)=0 MaxLength(R8)=failed", ""}},
};

// ---- Keys -------------------------------------------------------------------

// A key the frame offers the page, the focused control's claims and place
// in the tab order, and the route the page takes. A row that names the
// focused control runs on the real page too, in the view of the row (0 date,
// 1 number): the frame's key goes back to it, offered to the site; the
// control's key stays with the control; a move within the page answers S_OK
// and leaves the focus on `to` (none: where it was), and an arrow that lands
// on another option chooses it, which changes the page once.
struct KeyRow {
  const char* name;
  PageKey key;
  PageFocus focus;
  PageKeyRoute route;
  std::optional<ControlId> from = std::nullopt;
  int view = 0;
  std::optional<ControlId> to = std::nullopt;
};

inline void PrintTo(const KeyRow& row, std::ostream* out) { *out << row.name; }

using M = PageKeyMessage;
using R = PageKeyRoute;
inline constexpr PageFocus kButton{};                                // an option or check box inside the page
inline constexpr PageFocus kFirst{false, false, false, true, false};  // the page's first tab stop
inline constexpr PageFocus kLast{false, false, false, false, true};   // its last
inline constexpr PageFocus kEdit{true, false, false, false, false};   // a text box: wants the arrows
inline constexpr PageFocus kGreedy{true, true, true, false, true};    // a control that wants every key
inline constexpr int kDateView = 0, kNumberView = 1;
inline constexpr std::uint32_t kTab = 9, kEnter = 13, kEscape = 27, kSpace = 32, kPageUp = 33, kPageDown = 34,
                               kLeftKey = 37, kUpKey = 38, kRightKey = 39, kDownKey = 40, kF1 = 112;
inline const ControlId kText1 = PageControl::Text1, kInvio = PageControl::chkInvio;

// On the real page, date view: Long (the style loaded) is the first tab
// stop, Data a button inside, chkInvio the last; number view: Numero the
// first, Text1 a text box, chkInvio the last.
inline const KeyRow kKeyRows[] = {
    // The frame's keys: OK, Cancel, help, its tabs, mnemonics.
    {"EnterIsOk", {M::KeyDown, kEnter}, kFirst, R::Frame, kLong, kDateView},
    {"EscapeIsCancel", {M::KeyDown, kEscape}, kEdit, R::Frame, kText1, kNumberView},
    {"EnterOnAButton", {M::KeyDown, kEnter}, kButton, R::Frame},
    {"EscapeOnAButton", {M::KeyDown, kEscape}, kButton, R::Frame},
    {"EnterInATextBox", {M::KeyDown, kEnter}, kEdit, R::Frame},
    {"EnterWantedByTheControl", {M::KeyDown, kEnter}, kGreedy, R::Control},
    {"F1IsHelp", {M::KeyDown, kF1}, kButton, R::Frame, kDate, kDateView},
    {"CtrlTabTurnsTheTab", {M::KeyDown, kTab, false, true}, kButton, R::Frame, kDate, kDateView},
    {"CtrlShiftTab", {M::KeyDown, kTab, true, true}, kFirst, R::Frame},
    {"CtrlPageUp", {M::KeyDown, kPageUp, false, true}, kLast, R::Frame, kInvio, kDateView},
    {"CtrlPageUpOnAButton", {M::KeyDown, kPageUp, false, true}, kButton, R::Frame},
    {"CtrlPageDown", {M::KeyDown, kPageDown, false, true}, kEdit, R::Frame, kText1, kNumberView},
    {"PageDownAlone", {M::KeyDown, kPageDown}, kEdit, R::Control},
    {"AltLetterIsAMnemonic", {M::SysKeyDown, 'A', false, false, true}, kFirst, R::Frame, kLong, kDateView},
    {"AltLetterInATextBox", {M::SysKeyDown, 'A', false, false, true}, kEdit, R::Frame},
    {"AltCharacter", {M::SysChar, 'a', false, false, true}, kEdit, R::Frame},
    // Tab moves within the page (an option array is one stop, at its
    // choice) and leaves it from its last stop, Shift+Tab from its first.
    {"TabInsidePassesTheHiddenDecimals", {M::KeyDown, kTab}, kButton, R::NextTabStop, kDate, kDateView,
     PageControl::txtMaxLength},
    {"TabFromTheFirstEntersTheMode", {M::KeyDown, kTab}, kFirst, R::NextTabStop, kLong, kDateView, kDate},
    {"TabFromText1ReachesTheHiddenTxtMaxLength", {M::KeyDown, kTab}, kEdit, R::NextTabStop, kText1, kNumberView,
     PageControl::txtMaxLength},
    {"TabFromTxtMaxLengthReachesChkDateValue", {M::KeyDown, kTab}, kEdit, R::NextTabStop, PageControl::txtMaxLength,
     kNumberView, PageControl::chkDateValue},
    {"TabFromTheLastLeaves", {M::KeyDown, kTab}, kLast, R::Frame, kInvio, kDateView},
    {"ShiftTabInside", {M::KeyDown, kTab, true}, kLast, R::PreviousTabStop, kInvio, kNumberView,
     PageControl::chkVirgola},
    {"ShiftTabFromTheFirstLeaves", {M::KeyDown, kTab, true}, kFirst, R::Frame, kLong, kDateView},
    {"ShiftTabFromTheNumberViewsFirstLeaves", {M::KeyDown, kTab, true}, kFirst, R::Frame, kNumber, kNumberView},
    {"TabWantedByTheControl", {M::KeyDown, kTab}, kGreedy, R::Control},
    // The arrows choose within an option array, as a click does, in tab
    // order (Frame1's runs from its bottom button up).
    {"DownToTheNextOption", {M::KeyDown, kDownKey}, kButton, R::NextInGroup},
    {"DownFromTheLastStyleWraps", {M::KeyDown, kDownKey}, kFirst, R::NextInGroup, kLong, kDateView, kDayMonth},
    {"RightToTheNextOption", {M::KeyDown, kRightKey}, kLast, R::NextInGroup},
    {"RightChoosesNumberMode", {M::KeyDown, kRightKey}, kButton, R::NextInGroup, kDate, kDateView, kNumber},
    {"UpToThePreviousOption", {M::KeyDown, kUpKey}, kFirst, R::PreviousInGroup, kLong, kDateView, kShort},
    {"LeftToThePreviousOption", {M::KeyDown, kLeftKey}, kButton, R::PreviousInGroup},
    {"LeftChoosesDateMode", {M::KeyDown, kLeftKey}, kFirst, R::PreviousInGroup, kNumber, kNumberView, kDate},
    {"ArrowOnACheckBoxStays", {M::KeyDown, kDownKey}, kLast, R::NextInGroup, kInvio, kDateView},
    // The focused control's own keys.
    {"ArrowsInATextBoxMoveTheCaret", {M::KeyDown, kLeftKey}, kEdit, R::Control, kText1, kNumberView},
    {"LetterInATextBox", {M::KeyDown, 'A'}, kEdit, R::Control},
    {"DigitInText1", {M::KeyDown, '7'}, kEdit, R::Control, kText1, kNumberView},
    {"SpaceOnACheckBox", {M::KeyDown, kSpace}, kButton, R::Control},
    {"SpaceOnTheLastCheckBox", {M::KeyDown, kSpace}, kLast, R::Control, kInvio, kDateView},
    {"CharacterTyped", {M::Char, '7'}, kEdit, R::Control},
    {"CharacterOfEnter", {M::Char, kEnter}, kEdit, R::Frame},
    {"CharacterOfTabWantedByTheControl", {M::Char, kTab}, kGreedy, R::Control},
    {"KeyUpOfEnter", {M::KeyUp, kEnter}, kButton, R::Control},
};

}  // namespace velmora::page_rows
