// Keys typed as a user types them (SendInput into the focused EDIT) into a
// control on the test form, between two plain fields: the texts and carets
// of the core's key tables, the events a connected sink receives in order,
// focus moves for Enter and Escape, and the red sign. Every row runs through
// both ways a container delivers keys: its loop offering them to the active
// object first (TranslateAccelerator), and plain dispatch.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "com/com_strings.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/win32_platform.h"

namespace velmora::testing {
namespace {

enum class Focus { kStays, kNext, kPrevious };

struct KeyRow {
  const char* name;
  bool dateMode;
  bool tastoInvio;
  const wchar_t* start;  // text set before typing (nullptr: the mode's reset text)
  int caret;
  const wchar_t* keys;
  const wchar_t* text;
  int caretAfter;  // -1: not checked (the focus left)
  Focus focus;
  std::vector<std::string> events;
  long foreColor;  // after the keys
};

constexpr long kWindowText = static_cast<long>(0x80000008);
constexpr long kRed = 255;
const std::string C = "Change";
const std::string D = "DataNonValida";

const KeyRow kRows[] = {
    {"DateDigitsFillTheMask", true, false, nullptr, 0, L"14121967", L"14/12/1967", 10, Focus::kStays,
     {C, C, C, C, C, C, C, C}, kWindowText},
    {"DateRefusesLetters", true, false, nullptr, 0, L"a", L"  /  /    ", 0, Focus::kStays, {}, kWindowText},
    {"DateBackspaceZeroesTheDigit", true, false, L"14/12/1967", 10, L"\b", L"14/12/1960", 9, Focus::kStays, {C}, kWindowText},
    {"EnterKeepsARealDate", true, false, nullptr, 0, L"14121967\r", L"14/12/1967", -1, Focus::kNext,
     {C, C, C, C, C, C, C, C}, kWindowText},
    {"EnterWipesAnImpossibleDate", true, false, nullptr, 0, L"31041967\r", L"  /  /    ", -1, Focus::kNext,
     {C, C, C, C, C, C, C, C, C, D}, kWindowText},
    {"EscapeGoesBackAndChecks", true, true, L"29/02/2023", 0, L"\x1b", L"  /  /    ", -1, Focus::kPrevious, {C, D},
     kWindowText},
    {"TastoInvioSwallowsEnter", true, true, nullptr, 0, L"1\r", L"1 /  /    ", 1, Focus::kStays, {C}, kWindowText},
    {"NumberDigitsGroup", false, false, nullptr, 1, L"5321", L"5.321", 5, Focus::kStays, {C, C, C, C}, kWindowText},
    {"MinusPutsTheRedSign", false, false, L"1.234", 0, L"-", L"-1.234", 6, Focus::kStays, {C}, kRed},
    {"MinusTwiceTakesItAway", false, false, L"1.234", 0, L"--", L"1.234", 5, Focus::kStays, {C, C}, kWindowText},
    {"NumberLeavesWithoutCheck", false, false, nullptr, 1, L"12\r", L"12", -1, Focus::kNext, {C, C}, kWindowText},
    {"NumberRefusesLetters", false, false, nullptr, 1, L"x", L"0", 1, Focus::kStays, {}, kWindowText},
};

class TypedKeys : public OleFixture<::testing::TestWithParam<std::tuple<KeyRow, TestForm::Loop>>> {
 protected:
  win32::Win32Platform platform_;
  ScopedPlatform installed_{platform_};
};

TEST_P(TypedKeys, ReproduceTheCoreTable) {
  const KeyRow& row = std::get<0>(GetParam());
  {
    TestForm form(std::get<1>(GetParam()));
    HWND before = form.AddField(10, 10);
    Placed* placed = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
    ASSERT_NE(placed, nullptr) << form.failure();
    HWND after = form.AddField(320, 10);
    IUnknown* control = placed->object.Get();
    if (!row.dateMode) {
      ASSERT_EQ(PutBool(control, kDispDateValue, false), S_OK);
    }
    if (row.tastoInvio) {
      ASSERT_EQ(PutBool(control, kDispTastoInvio, true), S_OK);
    }
    if (row.start) {
      ASSERT_EQ(PutText(control, row.start), S_OK);
    }
    form.Focus(placed->Edit());
    ASSERT_EQ(GetFocus(), placed->Edit());
    SendMessageW(placed->Edit(), EM_SETSEL, static_cast<WPARAM>(row.caret), static_cast<LPARAM>(row.caret));
    placed->log.Clear();

    form.Type(row.keys);

    const std::string input = "keys \"" + Narrow(row.keys) + "\"";
    EXPECT_EQ(Narrow(placed->Text()), Narrow(row.text)) << input;
    if (row.caretAfter >= 0) {
      EXPECT_EQ(placed->Caret(), row.caretAfter) << input;
    }
    HWND expectedFocus = row.focus == Focus::kNext ? after : row.focus == Focus::kPrevious ? before : placed->Edit();
    EXPECT_EQ(GetFocus(), expectedFocus) << input << ": focus on " << GetFocus() << ", before " << before
                                         << ", control " << placed->Edit() << ", after " << after;
    EXPECT_EQ(Join(placed->log.Events()), Join(row.events)) << input;
    EXPECT_EQ(GetInt(control, kDispForeColor), row.foreColor) << input;
  }
}

INSTANTIATE_TEST_SUITE_P(Form, TypedKeys,
                         ::testing::Combine(::testing::ValuesIn(kRows),
                                            ::testing::Values(TestForm::Loop::kTranslateAccelerator,
                                                              TestForm::Loop::kPlainDispatch)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == TestForm::Loop::kTranslateAccelerator ? "_Translate"
                                                                                                   : "_Dispatch");
                         });

// Tab, Shift+Tab and the Tab keystrokes sent for Enter and Escape walk
// through plain fields and several controls alike.
class FocusWalk : public TypedKeys {
 protected:
  void TypeDigitsOnce(TestForm::Loop loop);
};

TEST_F(FocusWalk, TabAndEnterWalkThroughFieldsAndControls) {
  TestForm form;
  HWND first = form.AddField(10, 10);
  Placed* a = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  HWND middle = form.AddField(320, 10);
  Placed* b = form.AddControl(CreateTestControl(), RECT{110, 50, 310, 80});
  ASSERT_TRUE(a && b) << form.failure();
  PutBool(a->object.Get(), kDispDateValue, false);
  PutBool(b->object.Get(), kDispDateValue, false);
  form.Focus(first);
  struct Step {
    const wchar_t* keys;
    bool shift;
    HWND expected;
    const char* name;
  } steps[] = {
      {L"\t", false, a->Edit(), "Tab into the first control"},
      {L"\r", false, middle, "Enter moves on"},
      {L"\t", false, b->Edit(), "Tab into the second control"},
      {L"\x1b", false, middle, "Escape moves back"},
      {L"\t", true, a->Edit(), "Shift+Tab back into the first control"},
      {L"\r", true, middle, "Shift+Enter moves on as Enter"},
  };
  for (const Step& step : steps) {
    form.Type(step.keys, step.shift);
    EXPECT_EQ(GetFocus(), step.expected) << step.name;
  }
  EXPECT_EQ(form.uiActive(), a) << "the control that last had the focus is the UI-active one";
  EXPECT_NE(std::find(a->log.entries.begin(), a->log.entries.end(), "TranslateAccelerator(Tab)"), a->log.entries.end())
      << "Tab is offered to the site before the container moves the focus";
}

TEST_F(FocusWalk, KeysReachTheEditOnceThroughTranslateAccelerator) {
  for (TestForm::Loop loop : {TestForm::Loop::kTranslateAccelerator, TestForm::Loop::kTranslateMessageFirst}) {
    SCOPED_TRACE(loop == TestForm::Loop::kTranslateAccelerator ? "offered before translation"
                                                               : "offered after translation");
    TypeDigitsOnce(loop);
  }
}

void FocusWalk::TypeDigitsOnce(TestForm::Loop loop) {
  TestForm form(loop);
  Placed* placed = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  PutBool(placed->object.Get(), kDispDateValue, false);
  PutInt(placed->object.Get(), kDispMaxLength, 30);
  form.Focus(placed->Edit());
  ASSERT_NE(form.ActiveObject(), nullptr);
  SendMessageW(placed->Edit(), EM_SETSEL, 1, 1);
  form.Type(L"123456");
  EXPECT_GT(form.translateCalls, 0);
  EXPECT_EQ(Narrow(placed->Text()), "123.456") << "each digit exactly once";
}

}  // namespace
}  // namespace velmora::testing
