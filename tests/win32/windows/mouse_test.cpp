// A person with a mouse: real clicks and drags (SendInput at the character
// positions the EDIT reports) into a control on the test form, then real
// keys; and the commands of the EDIT's context menu, sent as the menu and
// other programs send them. Every row ends with the text the key rules give
// and the Change events they raise.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com/com_strings.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/win32_platform.h"

namespace velmora::testing {
namespace {

enum class Act { kClick, kDrag, kMessage, kShiftInsert, kMenu };
constexpr int kPastEnd = -1;  // a click right of the text

struct MouseRow {
  const char* name;
  int maxLength;          // 10, 8, 5: a date field of that style; 0: a number field
  const wchar_t* start;   // the text before (nullptr: the mode's own)
  Act act;
  int from, to;           // click or drag: character indexes; otherwise the selection
                          // (for kMenu, message is how many times Down picks the item)
  UINT message;           // for kMessage
  const wchar_t* given;   // the text of WM_SETTEXT and EM_REPLACESEL
  const wchar_t* clipboard;
  const wchar_t* keys;    // typed afterwards
  const wchar_t* want;
  int changes;            // Change events from the act on
  const wchar_t* wantClipboard = nullptr;  // nullptr: as it was
  int beeps = 0;          // a refused command beeps as its key does
};

const wchar_t* const kDigits = L"14121967";
const wchar_t* const kDate = L"05/03/1967";
const wchar_t* const kLetters = L"abc";
const wchar_t* const kFull = L"14/12/1967";

const MouseRow kRows[] = {
    // Clicks, then keys.
    {"EmptyLongClickedInTheMiddle", 10, nullptr, Act::kClick, 5, 0, 0, nullptr, nullptr, L"14121967", kFull, 8},
    {"EmptyLongClickedPastTheEnd", 10, nullptr, Act::kClick, kPastEnd, 0, 0, nullptr, nullptr, L"14121967", kFull, 8},
    {"EmptyShortClickedInTheMiddle", 8, nullptr, Act::kClick, 4, 0, 0, nullptr, nullptr, L"050367", L"05/03/67", 6},
    {"EmptyShortClickedPastTheEnd", 8, nullptr, Act::kClick, kPastEnd, 0, 0, nullptr, nullptr, L"050367", L"05/03/67", 6},
    {"EmptyDayMonthClickedInTheMiddle", 5, nullptr, Act::kClick, 3, 0, 0, nullptr, nullptr, L"1412", L"14/12", 4},
    {"EmptyDayMonthClickedPastTheEnd", 5, nullptr, Act::kClick, kPastEnd, 0, 0, nullptr, nullptr, L"1412", L"14/12", 4},
    {"HalfTypedClickedPastTheEnd", 10, L"14/  /    ", Act::kClick, kPastEnd, 0, 0, nullptr, nullptr, L"121967", kFull, 6},
    {"ClickOnATypedDigitCorrectsIt", 10, kFull, Act::kClick, 1, 0, 0, nullptr, nullptr, L"5", L"15/12/1967", 1},
    {"ClickBeforeASlashTypesAfterIt", 10, kFull, Act::kClick, 5, 0, 0, nullptr, nullptr, L"8", L"14/12/8967", 1},
    {"DragSelectionStays", 10, kFull, Act::kDrag, 3, kPastEnd, 0, nullptr, nullptr, L"0", L"14/0 /    ", 1},
    {"NumberClickStaysWhereItLands", 0, L"1.234", Act::kClick, 2, 0, 0, nullptr, nullptr, L"9", L"1.934", 1},
    // The menu's commands and other programs' messages, in date mode.
    {"DateCutWhole", 10, kFull, Act::kMessage, 0, 10, WM_CUT, nullptr, kDigits, L"", kFull, 0, nullptr, 1},
    {"DateCutPartial", 10, kFull, Act::kMessage, 3, 5, WM_CUT, nullptr, kDigits, L"", kFull, 0, nullptr, 1},
    {"DatePasteDigitsOverAll", 10, kFull, Act::kMessage, 0, 10, WM_PASTE, nullptr, kDigits, L"", kFull, 0, nullptr, 1},
    {"DatePasteADateOverTheDay", 10, kFull, Act::kMessage, 0, 2, WM_PASTE, nullptr, kDate, L"", kFull, 0, nullptr, 1},
    {"DatePasteLettersIntoTheEmptyMask", 10, nullptr, Act::kMessage, 0, 0, WM_PASTE, nullptr, kLetters, L"1",
     L"1 /  /    ", 1, nullptr, 1},
    {"DateShiftInsertPastesNothing", 10, nullptr, Act::kShiftInsert, 0, 10, 0, nullptr, kLetters, L"", L"  /  /    ", 0, nullptr, 1},
    {"DateClearWholeIsTheEmptyMask", 10, kFull, Act::kMessage, 0, 10, WM_CLEAR, nullptr, kDate, L"", L"  /  /    ", 1},
    {"DateClearPartialResetsToTheEnd", 10, kFull, Act::kMessage, 3, 5, WM_CLEAR, nullptr, kDate, L"12",
     L"14/12/    ", 3},
    {"DateClearWithoutSelectionIsDelete", 10, kFull, Act::kMessage, 0, 0, WM_CLEAR, nullptr, kDate, L"", L"04/12/1967", 1},
    {"DateUndo", 10, kFull, Act::kMessage, 0, 10, WM_UNDO, nullptr, kDigits, L"", kFull, 0, nullptr, 1},
    {"DateUndoOfOtherPrograms", 10, kFull, Act::kMessage, 3, 5, EM_UNDO, nullptr, kDigits, L"", kFull, 0, nullptr, 1},
    {"DateCopyCopies", 10, kFull, Act::kMessage, 0, 10, WM_COPY, nullptr, kLetters, L"", kFull, 0, kFull},
    {"DateSelectAllThenADigit", 10, kFull, Act::kMessage, 4, 4, EM_SETSEL, nullptr, kDigits, L"3", L"3 /  /    ", 1},
    {"DateSetTextIsAnAssignment", 10, kFull, Act::kMessage, 3, 5, WM_SETTEXT, L"ab/cd/2024", kDigits, L"",
     L"ab/cd/2024", 1},
    {"DateReplaceSelIsAnAssignment", 10, kFull, Act::kMessage, 0, 2, EM_REPLACESEL, L"99", kDigits, L"",
     L"99/12/1967", 1},
    // The menu itself, opened with the right button and used with the keys:
    // Annulla, Taglia, Copia, Incolla, Cancella, Seleziona tutto, Down by Down.
    {"MenuCutOfADate", 10, kFull, Act::kMenu, 0, 10, 2, nullptr, kDigits, L"", kFull, 0, nullptr, 1},
    {"MenuPasteOfADate", 10, kFull, Act::kMenu, 3, 5, 4, nullptr, kLetters, L"", kFull, 0, nullptr, 1},
    {"MenuDeleteOfADate", 10, kFull, Act::kMenu, 3, 5, 5, nullptr, kDigits, L"", L"14/  /    ", 1},
    {"MenuCopyOfANumber", 0, L"1.234", Act::kMenu, 0, 5, 3, nullptr, kDate, L"", L"1.234", 0, L"1.234"},
    {"MenuPasteOfANumber", 0, L"1.234", Act::kMenu, 0, 5, 4, nullptr, kLetters, L"", L"1.234", 0, nullptr, 1},
    // In number mode.
    {"NumberCutWhole", 0, L"1.234", Act::kMessage, 0, 5, WM_CUT, nullptr, kDigits, L"", L"1.234", 0, nullptr, 1},
    {"NumberPasteLetters", 0, L"1.234", Act::kMessage, 5, 5, WM_PASTE, nullptr, kLetters, L"", L"1.234", 0, nullptr, 1},
    {"NumberPasteADateOverPart", 0, L"1.234", Act::kMessage, 2, 4, WM_PASTE, nullptr, kDate, L"", L"1.234", 0, nullptr, 1},
    {"NumberPasteDigitsOverAll", 0, L"1.234", Act::kMessage, 0, 5, WM_PASTE, nullptr, kDigits, L"", L"1.234", 0, nullptr, 1},
    {"NumberShiftInsertPastesNothing", 0, L"1.234", Act::kShiftInsert, 5, 5, 0, nullptr, kLetters, L"", L"1.234", 0, nullptr, 1},
    {"NumberClearWholeIsZero", 0, L"1.234", Act::kMessage, 0, 5, WM_CLEAR, nullptr, kLetters, L"", L"0", 1},
    {"NumberClearPartialDeletesOne", 0, L"1.234", Act::kMessage, 2, 4, WM_CLEAR, nullptr, kLetters, L"", L"134", 1},
    {"NumberUndo", 0, L"1.234", Act::kMessage, 0, 5, WM_UNDO, nullptr, kLetters, L"", L"1.234", 0, nullptr, 1},
    {"NumberCopyCopies", 0, L"1.234", Act::kMessage, 0, 5, WM_COPY, nullptr, kDate, L"", L"1.234", 0, L"1.234"},
    {"NumberSetTextIsAnAssignment", 0, L"1.234", Act::kMessage, 0, 0, WM_SETTEXT, L"abc", kDigits, L"", L"abc", 1},
};

// The screen point of a character index of the EDIT: just inside the left
// edge of that character, where the EDIT puts the caret before it; past the
// end, well right of the text.
POINT ScreenPointOf(HWND edit, int index) {
  RECT client{};
  GetClientRect(edit, &client);
  POINT point{client.right - 6, (client.top + client.bottom) / 2};
  if (index != kPastEnd) {
    const LRESULT at = SendMessageW(edit, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
    point.x = static_cast<short>(LOWORD(at)) + 1;
  }
  ClientToScreen(edit, &point);
  return point;
}

int Changes(const Log& log) {
  const std::vector<std::string> events = log.Events();
  return static_cast<int>(std::count(events.begin(), events.end(), std::string("Change")));
}

// Windows' own services, with the beeps counted instead of sounded.
class CountingPlatform final : public Platform {
 public:
  void Beep() override { ++beeps; }
  void SendKeys(std::u16string_view keys) override { windows_.SendKeys(keys); }
  CalendarDate Today() override { return windows_.Today(); }
  bool IsDate(std::u16string_view text) override { return windows_.IsDate(text); }
  int beeps = 0;

 private:
  win32::Win32Platform windows_;
};

class MouseAndMenu : public OleTest {
 protected:
  void Play(TestForm& form, HWND before, const MouseRow& row);
  CountingPlatform platform_;
};

void MouseAndMenu::Play(TestForm& form, HWND before, const MouseRow& row) {
  Placed* placed = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  // Installed once the control is made: its first creation in a process
  // installs Windows' own services.
  ScopedPlatform counting(platform_);
  IUnknown* control = placed->object.Get();
  if (row.maxLength == 0) {
    ASSERT_EQ(PutBool(control, kDispDateValue, false), S_OK);
  } else {
    ASSERT_EQ(PutInt(control, kDispMaxLength, row.maxLength), S_OK);
  }
  if (row.start) {
    ASSERT_EQ(PutText(control, row.start), S_OK);
  }
  if (row.clipboard) {
    ASSERT_TRUE(SetClipboardText(form.hwnd(), row.clipboard));
  }
  HWND edit = placed->Edit();
  form.Pump();
  placed->log.Clear();
  platform_.beeps = 0;
  switch (row.act) {
    case Act::kMenu: {
      form.Focus(edit);
      SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(row.from), static_cast<LPARAM>(row.to));
      const POINT at = ScreenPointOf(edit, kPastEnd);
      SendMouse(at, 0);
      SendMouse(at, MOUSEEVENTF_RIGHTDOWN);
      SendMouse(at, MOUSEEVENTF_RIGHTUP);
      // The keys wait in the queue for the menu's own loop.
      for (UINT down = 0; down < row.message; ++down) Send(Keystroke(VK_DOWN));
      Send(Keystroke(VK_RETURN));
      form.Pump();
      break;
    }
    case Act::kClick: {
      // The focus comes with the click, from the field before.
      form.Focus(before);
      const POINT at = ScreenPointOf(edit, row.from);
      SendMouse(at, 0);
      SendMouse(at, MOUSEEVENTF_LEFTDOWN);
      SendMouse(at, MOUSEEVENTF_LEFTUP);
      form.Pump();
      ASSERT_EQ(GetFocus(), edit) << "the click gave the control the focus";
      break;
    }
    case Act::kDrag: {
      form.Focus(before);
      const POINT from = ScreenPointOf(edit, row.from), to = ScreenPointOf(edit, row.to);
      SendMouse(from, 0);
      SendMouse(from, MOUSEEVENTF_LEFTDOWN);
      form.Pump();
      for (int step = 1; step <= 4; ++step)
        SendMouse(POINT{from.x + (to.x - from.x) * step / 4, from.y}, 0);
      form.Pump();
      SendMouse(to, MOUSEEVENTF_LEFTUP);
      form.Pump();
      break;
    }
    case Act::kMessage:
    case Act::kShiftInsert:
      form.Focus(edit);
      SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(row.from), static_cast<LPARAM>(row.to));
      if (row.act == Act::kShiftInsert) {
        form.Pump();
        Send(Keystroke(VK_INSERT, 1));
      } else if (row.message == EM_SETSEL) {
        SendMessageW(edit, EM_SETSEL, 0, -1);  // Seleziona tutto
      } else {
        SendMessageW(edit, row.message, 0, reinterpret_cast<LPARAM>(row.given));
      }
      form.Pump();
      break;
  }
  form.Type(row.keys);
  EXPECT_EQ(Narrow(placed->Text()), Narrow(row.want));
  EXPECT_EQ(Changes(placed->log), row.changes) << "events: " << placed->log.Events().size();
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(platform_.beeps, row.beeps);
  if (row.clipboard) {
    EXPECT_EQ(Narrow(ClipboardText(form.hwnd())), Narrow(row.wantClipboard ? row.wantClipboard : row.clipboard));
  }
  form.RemoveControl(placed);
}

// One form for the whole table: top-level windows are slow to come and go
// under wine, controls are not.
TEST_F(MouseAndMenu, KeepTheKeyRules) {
  TestForm form;
  HWND before = form.AddField(10, 10);
  for (const MouseRow& row : kRows) {
    SCOPED_TRACE(row.name);
    Play(form, before, row);
  }
}

}  // namespace
}  // namespace velmora::testing
