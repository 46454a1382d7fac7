// Which keys the control owns, as a form with OK and Cancel buttons sees
// it: IOleControl::GetControlInfo (flags and key table), the site told when
// TastoInvio changes, and where a user's Enter and Escape end up on a form
// whose OK button is the default one, for the three ways a container routes
// keys (a form engine that reads the control info, a loop that offers keys
// to the active object before IsDialogMessage, plain IsDialogMessage).
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/win32_platform.h"

namespace velmora::testing {
namespace {

class ControlInfo : public OleTest {
 protected:
  static CONTROLINFO Read(IUnknown* object) {
    ComPtr<IOleControl> control = As<IOleControl>(object);
    CONTROLINFO info{};
    info.cb = sizeof(info);
    EXPECT_EQ(control->GetControlInfo(&info), S_OK);
    return info;
  }
  // The table's keys as "Enter", "Shift+Escape", ...
  static std::vector<std::string> Keys(const CONTROLINFO& info) {
    std::vector<ACCEL> table(info.cAccel);
    if (!table.empty()) {
      EXPECT_EQ(CopyAcceleratorTableW(info.hAccel, table.data(), info.cAccel), info.cAccel);
    }
    std::vector<std::string> keys;
    for (const ACCEL& key : table) {
      EXPECT_TRUE(key.fVirt & FVIRTKEY);
      keys.push_back(std::string(key.fVirt & FSHIFT ? "Shift+" : "") +
                     (key.key == VK_RETURN ? "Enter" : key.key == VK_ESCAPE ? "Escape" : std::to_string(key.key)));
    }
    std::sort(keys.begin(), keys.end());
    return keys;
  }
  win32::Win32Platform platform_;
  ScopedPlatform installed_{platform_};
};

TEST_F(ControlInfo, EatsEscapeAlwaysAndEnterWhileItMovesOn) {
  ComPtr<IUnknown> object = CreateTestControl();
  ASSERT_TRUE(object);
  const CONTROLINFO enterMovesOn = Read(object.Get());
  EXPECT_EQ(enterMovesOn.cb, sizeof(CONTROLINFO));
  EXPECT_EQ(enterMovesOn.dwFlags, static_cast<DWORD>(CTRLINFO_EATS_RETURN | CTRLINFO_EATS_ESCAPE));
  EXPECT_EQ(Keys(enterMovesOn), (std::vector<std::string>{"Enter", "Escape", "Shift+Enter", "Shift+Escape"}));

  ASSERT_EQ(PutBool(object.Get(), kDispTastoInvio, true), S_OK);
  const CONTROLINFO enterToForm = Read(object.Get());
  EXPECT_EQ(enterToForm.dwFlags, static_cast<DWORD>(CTRLINFO_EATS_ESCAPE));
  EXPECT_EQ(Keys(enterToForm), (std::vector<std::string>{"Escape", "Shift+Escape"}));
  // A container may keep the table it was given: it stays valid.
  EXPECT_EQ(CopyAcceleratorTableW(enterMovesOn.hAccel, nullptr, 0), 4);

  ASSERT_EQ(PutBool(object.Get(), kDispTastoInvio, false), S_OK);
  EXPECT_EQ(Read(object.Get()).hAccel, enterMovesOn.hAccel) << "one table per state, made once";
  ComPtr<IOleControl> control = As<IOleControl>(object.Get());
  EXPECT_EQ(control->GetControlInfo(nullptr), E_POINTER);
}

TEST_F(ControlInfo, SiteHearsWhenTastoInvioChanges) {
  TestForm form;
  Placed* placed = form.AddControl(CreateTestControl(), RECT{10, 10, 210, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  auto told = [&] {
    return std::count(placed->log.entries.begin(), placed->log.entries.end(), "OnControlInfoChanged");
  };
  EXPECT_EQ(told(), 0);
  ASSERT_EQ(PutBool(placed->object.Get(), kDispTastoInvio, true), S_OK);
  EXPECT_EQ(told(), 1);
  ASSERT_EQ(PutInt(placed->object.Get(), kDispMaxLength, 8), S_OK);
  ASSERT_EQ(PutText(placed->object.Get(), L"01/02/03"), S_OK);
  EXPECT_EQ(told(), 1) << "other properties leave the keys alone";
  ASSERT_EQ(PutBool(placed->object.Get(), kDispTastoInvio, false), S_OK);
  EXPECT_EQ(told(), 2);
}

// A container that matches a key of the table calls OnMnemonic: the key is
// the control's only while Text1 has the focus.
TEST_F(ControlInfo, MnemonicKeysActOnlyWhileText1HasTheFocus) {
  TestForm form;
  HWND before = form.AddField(10, 10);
  Placed* placed = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  ComPtr<IOleControl> control = As<IOleControl>(placed->object.Get());
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16;
  MSG escape{nullptr, WM_KEYDOWN, VK_ESCAPE, 1 | scan, 0, {}};
  form.Focus(before);
  EXPECT_EQ(control->OnMnemonic(&escape), S_FALSE) << "another field has the focus";
  form.Pump();
  EXPECT_EQ(GetFocus(), before);
  form.Focus(placed->Edit());
  escape.hwnd = placed->Edit();
  EXPECT_EQ(control->OnMnemonic(&escape), S_OK);
  form.Pump();
  EXPECT_EQ(GetFocus(), before) << "Escape went back a field";
  EXPECT_EQ(control->OnMnemonic(nullptr), E_INVALIDARG);
}

// Where a key typed in the control goes on a form with a default OK button
// and a Cancel button.
enum class Goes { kNextField, kPreviousField, kOkButton };
struct KeyRoute {
  const char* name;
  bool tastoInvio;
  wchar_t key;
  bool shift;
  Goes goes;
};
const KeyRoute kRoutes[] = {
    {"EnterMovesOn", false, L'\r', false, Goes::kNextField},
    {"ShiftEnterMovesOn", false, L'\r', true, Goes::kNextField},
    {"EscapeGoesBack", false, L'\x1b', false, Goes::kPreviousField},
    {"EnterPressesOkWithTastoInvio", true, L'\r', false, Goes::kOkButton},
    {"EscapeGoesBackWithTastoInvio", true, L'\x1b', false, Goes::kPreviousField},
    {"EnterMovesOnAgain", false, L'\r', false, Goes::kNextField},
};

class FormWithOkButton : public ControlInfo, public ::testing::WithParamInterface<TestForm::Loop> {};

TEST_P(FormWithOkButton, EnterAndEscapeGoWhereTheControlSays) {
  TestForm form(GetParam());
  HWND before = form.AddField(10, 10);
  Placed* placed = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  HWND after = form.AddField(320, 10);
  form.AddButton(IDOK, L"OK", true, 10, 100);
  form.AddButton(IDCANCEL, L"Annulla", false, 100, 100);
  ASSERT_EQ(PutBool(placed->object.Get(), kDispDateValue, false), S_OK);
  bool tastoInvio = false;
  for (const KeyRoute& route : kRoutes) {
    SCOPED_TRACE(route.name);
    if (route.tastoInvio != tastoInvio) {
      ASSERT_EQ(PutBool(placed->object.Get(), kDispTastoInvio, route.tastoInvio), S_OK);
      tastoInvio = route.tastoInvio;
    }
    form.Focus(placed->Edit());
    ASSERT_EQ(GetFocus(), placed->Edit());
    form.commands.clear();
    form.Type(std::wstring(1, route.key), route.shift);
    const HWND expected = route.goes == Goes::kNextField       ? after
                          : route.goes == Goes::kPreviousField ? before
                                                               : placed->Edit();
    EXPECT_EQ(GetFocus(), expected) << "focus on " << GetFocus() << ", before " << before << ", control "
                                    << placed->Edit() << ", after " << after;
    EXPECT_EQ(form.commands, route.goes == Goes::kOkButton ? std::vector<int>{IDOK} : std::vector<int>{});
    EXPECT_EQ(placed->Text(), L"0") << "Enter and Escape type nothing";
  }
  if (GetParam() == TestForm::Loop::kFormEngine) {
    EXPECT_EQ(placed->controlInfoReads, 3) << "read once, then again after each change of TastoInvio";
  }
}

INSTANTIATE_TEST_SUITE_P(Loops, FormWithOkButton,
                         ::testing::Values(TestForm::Loop::kFormEngine, TestForm::Loop::kTranslateAccelerator,
                                           TestForm::Loop::kPlainDispatch),
                         [](const auto& info) {
                           switch (info.param) {
                             case TestForm::Loop::kFormEngine: return std::string("FormEngine");
                             case TestForm::Loop::kTranslateAccelerator: return std::string("TranslateFirst");
                             default: return std::string("DialogOnly");
                           }
                         });

}  // namespace
}  // namespace velmora::testing
