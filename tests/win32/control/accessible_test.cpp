// What a screen reader gets from the control, read as a reader reads it:
// AccessibleObjectFromWindow on the control's window (and on Text1), the
// announcements through an out-of-context WinEvent hook, in a form of ours
// whose site names the control, in wine's ATL host, and from a control that
// is never placed.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "com/com_module.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/win32_platform.h"

namespace velmora::testing {
namespace {

struct Heard {
  DWORD event;
  HWND hwnd;
  LONG object;
  LONG child;
};
std::vector<Heard> g_heard;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (event == EVENT_OBJECT_VALUECHANGE || event == EVENT_SYSTEM_ALERT) g_heard.push_back({event, hwnd, object, child});
}

// The events heard for one window, as "value" and "alert".
std::string HeardFor(HWND hwnd) {
  std::string out;
  for (const Heard& h : g_heard) {
    if (h.hwnd != hwnd) continue;
    const bool value = h.event == EVENT_OBJECT_VALUECHANGE && h.object == OBJID_CLIENT;
    const bool alert = h.event == EVENT_SYSTEM_ALERT && h.object == OBJID_ALERT;
    out += std::string(out.empty() ? "" : " ") + (value ? "value" : alert ? "alert" : "other");
    if (h.child != CHILDID_SELF) out += "(child)";
  }
  return out;
}

ComPtr<IAccessible> FromWindow(HWND hwnd, DWORD id = static_cast<DWORD>(OBJID_CLIENT)) {
  ComPtr<IAccessible> object;
  AccessibleObjectFromWindow(hwnd, id, IID_IAccessible, reinterpret_cast<void**>(object.GetAddressOf()));
  return object;
}

VARIANT Self() {
  VARIANT self;
  VariantInit(&self);
  V_VT(&self) = VT_I4;
  V_I4(&self) = CHILDID_SELF;
  return self;
}

// A text answer; "<hr>" for a failure.
std::string Read(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
  win32::UniqueBstr text;
  const HRESULT hr = (object->*get)(Self(), text.put());
  if (FAILED(hr)) {
    char code[16];
    wsprintfA(code, "<%08lx>", static_cast<unsigned long>(hr));
    return code;
  }
  return text.ToUtf8();
}

long Role(IAccessible* object) {
  VARIANT role;
  VariantInit(&role);
  if (FAILED(object->get_accRole(Self(), &role)) || V_VT(&role) != VT_I4) return -1;
  return V_I4(&role);
}

class Accessible : public OleTest {
 protected:
  void SetUp() override {
    g_heard.clear();
    hook_ = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent, 0, 0,
                            WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook_, nullptr);
  }
  void TearDown() override {
    UnhookWinEvent(hook_);
  }
  win32::Win32Platform platform_;
  ScopedPlatform installed_{platform_};
  HWINEVENTHOOK hook_ = nullptr;
};

struct FieldRow {
  const char* name;
  bool date;
  long maxLength;
  bool virgola;
  const wchar_t* text;  // null: the mask the settings leave
  const char* value;
  const char* description;
};

TEST_F(Accessible, SaysWhatTheFieldHoldsAndExpects) {
  static const FieldRow rows[] = {
      {"EmptyLongMask", true, 10, false, nullptr, "", "gg/mm/aaaa"},
      {"PartialDate", true, 10, false, L"1 /  /    ", "1 /  /    ", "gg/mm/aaaa"},
      {"FullDate", true, 10, false, L"14/12/1967", "14/12/1967", "gg/mm/aaaa"},
      {"EmptyShortMask", true, 8, false, nullptr, "", "gg/mm/aa"},
      {"DayAndMonth", true, 5, false, L"14/12", "14/12", "gg/mm"},
      {"WholeNumber", false, 10, false, L"-1.234", "-1.234", "numero intero"},
      {"NumberWithDecimals", false, 12, true, L"1.234,5", "1.234,5", "numero con decimali"},
  };
  TestForm form;
  form.AddField(10, 10);
  Placed* named = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  Placed* unnamed = form.AddControl(CreateTestControl(), RECT{110, 50, 310, 80});
  ASSERT_TRUE(named && unnamed) << form.failure();
  named->displayName = L"Data di nascita";
  ComPtr<IAccessible> field = FromWindow(named->ControlWindow());
  ComPtr<IAccessible> box = FromWindow(named->Edit());
  ASSERT_TRUE(field && box);
  EXPECT_EQ(box.Get(), field.Get()) << "Text1 answers with the control's object";
  for (const FieldRow& row : rows) {
    SCOPED_TRACE(row.name);
    IUnknown* control = named->object.Get();
    PutBool(control, kDispDateValue, row.date);
    PutInt(control, kDispMaxLength, row.maxLength);
    PutBool(control, kDispVirgola, row.virgola);
    if (row.text) PutText(control, row.text);
    EXPECT_EQ(Role(field.Get()), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accName), "Data di nascita");
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accValue), row.value);
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accDescription), row.description);
  }

  // Without a name from the container, the label before the control, as
  // the system names a plain box after its label.
  ComPtr<IAccessible> other = FromWindow(unnamed->ControlWindow());
  ASSERT_TRUE(other);
  EXPECT_EQ(Read(other.Get(), &IAccessible::get_accName), "");
  EXPECT_EQ(Read(other.Get(), &IAccessible::get_accKeyboardShortcut), "");
  HWND label = CreateWindowExW(0, L"Static", L"&Scadenza:", WS_CHILD | WS_VISIBLE, 10, 50, 90, 20, form.hwnd(),
                               nullptr, nullptr, nullptr);
  SetWindowPos(label, unnamed->host, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(unnamed->host, label, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(Read(other.Get(), &IAccessible::get_accName), "Scadenza:");
  EXPECT_EQ(Read(other.Get(), &IAccessible::get_accKeyboardShortcut), "Alt+S");
  EXPECT_EQ(Read(field.Get(), &IAccessible::get_accName), "Data di nascita") << "the container's name first";
  // The place is the box's.
  long x = 0, y = 0, w = 0, h = 0;
  RECT client{};
  GetClientRect(unnamed->Edit(), &client);
  MapWindowPoints(unnamed->Edit(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_EQ(other->accLocation(&x, &y, &w, &h, Self()), S_OK);
  const RECT got{x, y, x + w, y + h};
  EXPECT_TRUE(EqualRect(&client, &got));
  VARIANT child = Self();
  V_I4(&child) = 3;
  EXPECT_EQ(Read(other.Get(), &IAccessible::get_accValue), "") << "the empty mask";
  win32::UniqueBstr junk;
  EXPECT_EQ(other->get_accValue(child, junk.put()), E_INVALIDARG) << "the field has no children";
  EXPECT_EQ(other->get_accName(Self(), nullptr), E_POINTER);
}

TEST_F(Accessible, AnnouncesRealChangesAndRefusedDates) {
  const long objects = win32::ModuleObjectCount();
  TestForm form;
  Placed* placed = form.AddControl(CreateTestControl(), RECT{110, 10, 310, 40});
  form.AddField(10, 10);
  ASSERT_NE(placed, nullptr) << form.failure();
  HWND window = placed->ControlWindow();
  form.Focus(placed->Edit());
  ComPtr<IAccessible> field = FromWindow(window);
  ASSERT_TRUE(field);

  struct Step {
    const char* name;
    const wchar_t* keys;       // typed, or
    const wchar_t* text;       // put through put_accValue, or
    long maxLength;            // set (0: not)
    const char* heard;         // since the step before
    const char* value;
  } steps[] = {
      {"a digit", L"1", nullptr, 0, "value", "1 /  /    "},
      {"a refused letter", L"x", nullptr, 0, "", "1 /  /    "},
      {"leaving with half a date", L"\t", nullptr, 0, "value alert", ""},
      {"a shorter empty mask is no value", nullptr, nullptr, 8, "", ""},
      {"put_accValue", nullptr, L"14/12/67", 0, "value", "14/12/67"},
      {"the same text again", nullptr, L"14/12/67", 0, "", "14/12/67"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    g_heard.clear();
    placed->log.Clear();
    if (step.keys) form.Type(step.keys);
    if (step.text) {
      win32::UniqueBstr text = win32::UniqueBstr::FromWide(step.text);
      EXPECT_EQ(field->put_accValue(Self(), text.get()), S_OK);
      EXPECT_EQ(placed->Text(), step.text) << "as the property Text";
    }
    if (step.maxLength) PutInt(placed->object.Get(), kDispMaxLength, step.maxLength);
    form.Pump();
    EXPECT_EQ(HeardFor(window), step.heard);
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accValue), step.value);
  }

  // State, focus and window come from the standard object of Text1.
  form.Focus(placed->Edit());
  VARIANT state, focus;
  VariantInit(&state);
  VariantInit(&focus);
  EXPECT_EQ(field->get_accState(Self(), &state), S_OK);
  EXPECT_TRUE(V_I4(&state) & STATE_SYSTEM_FOCUSED);
  EXPECT_EQ(field->get_accFocus(&focus), S_OK);
  EXPECT_EQ(V_VT(&focus), VT_I4);
  HWND found = nullptr;
  EXPECT_EQ(WindowFromAccessibleObject(field.Get(), &found), S_OK);
  EXPECT_EQ(found, window);

  // The alert a reader fetches for the event says why the field emptied.
  ComPtr<IAccessible> alert;
  VARIANT child;
  VariantInit(&child);
  ASSERT_EQ(AccessibleObjectFromEvent(window, OBJID_ALERT, CHILDID_SELF, alert.GetAddressOf(), &child), S_OK);
  EXPECT_EQ(Role(alert.Get()), ROLE_SYSTEM_ALERT);
  EXPECT_EQ(Read(alert.Get(), &IAccessible::get_accName), "Data non valida");

  // A reader may keep the objects after the control is gone: they answer
  // that they are cut off, and the module stays loaded only until they go.
  form.RemoveControl(placed);
  EXPECT_EQ(win32::ModuleObjectCount(), objects + 2) << "the control went; its reader's two objects stay";
  EXPECT_EQ(Role(field.Get()), -1);
  EXPECT_EQ(Read(field.Get(), &IAccessible::get_accValue), "<800401fd>");  // CO_E_OBJNOTCONNECTED
  EXPECT_EQ(Read(alert.Get(), &IAccessible::get_accName), "<800401fd>");
  EXPECT_FALSE(win32::ModuleCanUnload());
  field.Reset();
  alert.Reset();
  EXPECT_EQ(win32::ModuleObjectCount(), objects);
}

TEST_F(Accessible, AnswersTheSameInWineAtlHost) {
  AtlHost atl;
  ComPtr<IUnknown> control = CreateTestControl();
  ComPtr<IUnknown> container;
  HWND host = atl.Attach(control.Get(), container);
  ASSERT_NE(host, nullptr);
  Pump(nullptr, 30);
  HWND window = nullptr;
  ComPtr<IOleWindow> ole;
  ASSERT_EQ(control->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(ole.GetAddressOf())), S_OK);
  ASSERT_EQ(ole->GetWindow(&window), S_OK);
  {
    ComPtr<IAccessible> field = FromWindow(window);
    ASSERT_TRUE(field);
    EXPECT_EQ(Role(field.Get()), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accValue), "");
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accDescription), "gg/mm/aaaa");
    win32::UniqueBstr text = win32::UniqueBstr::FromWide(L"14/12/1967");
    g_heard.clear();
    EXPECT_EQ(field->put_accValue(Self(), text.get()), S_OK);
    Pump(nullptr, 30);
    EXPECT_EQ(Read(field.Get(), &IAccessible::get_accValue), "14/12/1967");
    EXPECT_EQ(HeardFor(window), "value");
  }
  ole.Reset();
  container.Reset();
  DestroyWindow(host);
  Pump(nullptr, 30);
}

TEST_F(Accessible, InactiveControlAnnouncesNothing) {
  const long objects = win32::ModuleObjectCount();
  {
    ComPtr<IUnknown> control = CreateTestControl();
    ASSERT_TRUE(control);
    PutText(control.Get(), L"14/12/1967");
    PutBool(control.Get(), kDispDateValue, false);
    PutText(control.Get(), L"1.234");
    Pump(nullptr, 30);
    for (const Heard& h : g_heard) {
      wchar_t name[64] = {};
      GetClassNameW(h.hwnd, name, 64);
      EXPECT_NE(std::wstring(name), L"VelmoraControlWindow") << "an event for a window no reader can see";
    }
  }
  EXPECT_EQ(win32::ModuleObjectCount(), objects);
}

}  // namespace
}  // namespace velmora::testing
