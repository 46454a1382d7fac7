// Event handlers that do what programs do from inside Change and
// DataNonValida: close the form (releasing the control's last reference),
// disconnect themselves, set Text, switch DateValue. Raised from a
// keystroke, from leaving the field and from a property set. CTest also
// runs this suite under wine's heap checking, where freed memory is
// poisoned and a use after free crashes instead of passing unseen.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <tuple>

#include "com/com_module.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "velmora_h.h"

namespace velmora::testing {
namespace {

using win32::ModuleObjectCount;

constexpr DISPID kDataNonValida = DISPID_VELMORA_DATANONVALIDA;
constexpr DISPID kChange = DISPID_VELMORA_CHANGE;

// What the handler does inside the event, and what raises the event: a
// keystroke or a property put raise Change, leaving the field with an
// incomplete date raises DataNonValida. Every pair of the two is a row.
enum class Action { kCloseForm, kUnadvise, kSetText, kDateValueOff };
enum class Trigger { kKeystroke, kPropertySet, kLeavingTheField };
constexpr const char* kActionNames[] = {"ClosesForm", "Unadvises", "SetsText", "SwitchesDateValue"};
constexpr const char* kTriggerNames[] = {"ChangeFromKey", "ChangeFromPut", "DataNonValida"};

using Row = std::tuple<Trigger, Action>;

// A property put through a pointer the caller holds no reference on: a
// form whose only reference is the one its handler gives up.
HRESULT PutTextUnheld(IUnknown* control, const wchar_t* text) {
  IDispatch* dispatch = nullptr;
  if (FAILED(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) return E_NOINTERFACE;
  dispatch->Release();
  const win32::UniqueBstr value = win32::UniqueBstr::FromWide(text);
  VARIANT argument;
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = value.get();
  return InvokePut(dispatch, kDispText, argument);
}

class Reentrancy : public OleFixture<::testing::TestWithParam<Row>> {};

TEST_P(Reentrancy, HandlerActsInsideTheEvent) {
  const auto [rowTrigger, rowAction] = GetParam();
  const DISPID event = rowTrigger == Trigger::kLeavingTheField ? kDataNonValida : kChange;
  const long baseObjects = ModuleObjectCount();
  auto form = std::make_unique<TestForm>();
  ComPtr<IUnknown> control = CreateTestControl();
  ASSERT_NE(control, nullptr);
  Placed* placed = form->AddControl(control, RECT{10, 10, 200, 40});
  ASSERT_NE(placed, nullptr) << form->failure();
  IUnknown* raw = control.Get();
  const HWND edit = placed->Edit();

  ComPtr<IConnectionPoint> point;
  ComPtr<IConnectionPointContainer> points;
  ASSERT_EQ(control.As(&points), S_OK);
  ASSERT_EQ(points->FindConnectionPoint(DIID___VelmoraControl, &point), S_OK);
  points.Reset();
  auto* sink = ClientSink::New();
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(sink), &cookie), S_OK);

  bool acted = false;
  sink->onEvent = [&](DISPID id) {
    if (id != event || acted) return;
    acted = true;
    switch (rowAction) {
      case Action::kCloseForm:
        // The form goes with everything it held; the handler's program
        // held the last reference.
        form->RemoveControl(placed);
        point->Unadvise(cookie);
        point.Reset();
        control.Reset();
        break;
      case Action::kUnadvise:
        point->Unadvise(cookie);
        break;
      case Action::kSetText:
        PutText(raw, L"25");
        break;
      case Action::kDateValueOff:
        PutBool(raw, kDispDateValue, false);
        break;
    }
  };

  auto trigger = [&] {
    switch (rowTrigger) {
      case Trigger::kKeystroke:
        SendMessageW(edit, WM_CHAR, L'1', 1);
        break;
      case Trigger::kPropertySet:
        PutTextUnheld(raw, L"12/12/1912");
        break;
      case Trigger::kLeavingTheField:
        // An incomplete date, then the focus goes elsewhere.
        if (IsWindow(edit)) SendMessageW(edit, WM_CHAR, L'3', 1);
        if (IsWindow(edit)) SendMessageW(edit, WM_KILLFOCUS, 0, 0);
        break;
    }
  };
  trigger();
  ASSERT_TRUE(acted);

  if (rowAction == Action::kCloseForm) {
    EXPECT_FALSE(IsWindow(edit)) << "Text1 went with the control";
    EXPECT_EQ(ModuleObjectCount(), baseObjects) << "the control went when the event was over";
  } else {
    VARIANT text;
    VariantInit(&text);
    EXPECT_EQ(GetProperty(raw, kDispText, &text), S_OK);
    VariantClear(&text);
    if (rowAction == Action::kDateValueOff) {
      EXPECT_EQ(GetInt(raw, kDispDateValue), 0);
    }
    if (rowAction == Action::kUnadvise) {
      const int heard = sink->Heard(event);
      trigger();
      EXPECT_EQ(sink->Heard(event), heard) << "a disconnected sink hears nothing more";
    } else {
      point->Unadvise(cookie);
    }
    point.Reset();
    control.Reset();
    form.reset();
  }
  sink->Release();
  form.reset();
  EXPECT_EQ(ModuleObjectCount(), baseObjects);
}

INSTANTIATE_TEST_SUITE_P(Events, Reentrancy,
                         ::testing::Combine(::testing::Values(Trigger::kKeystroke, Trigger::kPropertySet,
                                                              Trigger::kLeavingTheField),
                                            ::testing::Values(Action::kCloseForm, Action::kUnadvise, Action::kSetText,
                                                              Action::kDateValueOff)),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           return std::string(kTriggerNames[static_cast<int>(std::get<0>(info.param))]) +
                                  kActionNames[static_cast<int>(std::get<1>(info.param))];
                         });

}  // namespace
}  // namespace velmora::testing
