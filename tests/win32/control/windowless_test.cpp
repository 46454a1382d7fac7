// A control costs a window only once a container places it: created,
// loaded, saved and drawn it makes none; placed in a container that
// reflects notifications its EDIT is its only window; taken out and placed
// again it keeps Text1's state; and Text1 keeps the text box contract in
// both states.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "../shared/textbox_contract.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/control_window.h"
#include "windows/edit_textbox.h"

namespace velmora::testing {
namespace {

BOOL CALLBACK CountOne(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int WindowsUnder(HWND parent) {
  int count = 0;
  EnumChildWindows(parent, &CountOne, reinterpret_cast<LPARAM>(&count));
  return count;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// The control's font set by reference, as a script's Set does.
HRESULT PutFont(IUnknown* control, double points) {
  const ComPtr<IFontDisp> font = NewFont(points);
  VARIANT arg{};
  V_VT(&arg) = VT_DISPATCH;
  V_DISPATCH(&arg) = font.Get();
  return InvokePut(As<IDispatch>(control).Get(), DISPID_FONT, arg, DISPATCH_PROPERTYPUTREF);
}

class Windowless : public OleTest {
 protected:
  void TearDown() override { form_.reset(); }
  TestForm& Form(bool reflect) {
    form_ = std::make_unique<TestForm>();
    form_->ambients().messageReflect = reflect;
    return *form_;
  }
  std::unique_ptr<TestForm> form_;
};

// What a script, a loader or a designer's drawing does to a control it
// never places: none of it makes a window.
TEST_F(Windowless, ControlNeverPlacedMakesNoWindow) {
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  TestBag bag;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(120, 30, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const int before = ThreadWindows();
  ComPtr<IUnknown> saved = CreateTestControl(), fromStream = CreateTestControl(), fromBag = CreateTestControl();
  ASSERT_TRUE(saved && fromStream && fromBag);
  const LARGE_INTEGER home{};
  const struct {
    const char* name;
    std::function<HRESULT()> step;
  } steps[] = {
      {"created", [] { return S_OK; }},
      {"InitNew", [&] { return As<IPersistStreamInit>(saved.Get())->InitNew(); }},
      {"properties", [&] {
         HRESULT hr = PutBool(saved.Get(), kDispDateValue, false);
         if (SUCCEEDED(hr)) hr = PutText(saved.Get(), L"1.234");
         if (SUCCEEDED(hr)) hr = PutInt(saved.Get(), kDispBackColor, 255);
         return SUCCEEDED(hr) ? PutFont(saved.Get(), 12) : hr;
       }},
      {"extent", [&] {
         SIZEL size{3000, 600};
         return As<IOleObject>(saved.Get())->SetExtent(DVASPECT_CONTENT, &size);
       }},
      {"save to a stream", [&] { return As<IPersistStreamInit>(saved.Get())->Save(stream.Get(), TRUE); }},
      {"load from the stream", [&] {
         stream->Seek(home, STREAM_SEEK_SET, nullptr);
         return As<IPersistStreamInit>(fromStream.Get())->Load(stream.Get());
       }},
      {"save to a bag", [&] { return As<IPersistPropertyBag>(saved.Get())->Save(&bag, TRUE, TRUE); }},
      {"load from the bag", [&] { return As<IPersistPropertyBag>(fromBag.Get())->Load(&bag, nullptr); }},
      {"draw", [&] {
         RECTL bounds{0, 0, 120, 30};
         return As<IViewObject>(fromBag.Get())
             ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
       }},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(s.step(), S_OK) << s.name;
    EXPECT_EQ(ThreadWindows(), before) << "a window made by: " << s.name;
  }
  VARIANT text{};
  ASSERT_EQ(GetProperty(fromBag.Get(), kDispText, &text), S_OK);
  EXPECT_STREQ(V_BSTR(&text), L"1.234");  // the state lives without a window
  VariantClear(&text);
  EXPECT_EQ(GetInt(fromStream.Get(), kDispBackColor), 255);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// A container that reflects notifications gets the EDIT alone; one that
// does not gets the EDIT inside a thin control window. Either way the
// control types, raises Change, answers a screen reader and colours itself.
TEST_F(Windowless, PlacedControlMakesOneEditWhereTheContainerReflects) {
  const struct {
    bool reflect;
    int windows;
    const wchar_t* windowClass;
  } rows[] = {{true, 1, L"Edit"}, {false, 2, L"VelmoraControlWindow"}};
  std::vector<std::size_t> changes;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.reflect ? "reflecting" : "not reflecting");
    TestForm& form = Form(row.reflect);
    Placed* placed = form.AddControl(CreateTestControl(), RECT{10, 10, 130, 35});
    ASSERT_NE(placed, nullptr) << form.failure();
    EXPECT_EQ(WindowsUnder(placed->host), row.windows);
    EXPECT_EQ(ClassOf(placed->ControlWindow()), row.windowClass);
    EXPECT_EQ(ClassOf(placed->Edit()), L"Edit");
    EXPECT_TRUE(IsWindowVisible(placed->Edit()));
    ASSERT_EQ(PutInt(placed->object.Get(), kDispBackColor, 255), S_OK);
    HDC dc = GetDC(placed->Edit());
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(placed->Edit()), WM_CTLCOLOREDIT,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(placed->Edit())));
    LOGBRUSH look{};
    GetObjectW(brush, sizeof look, &look);
    EXPECT_EQ(look.lbColor, RGB(255, 0, 0));
    ReleaseDC(placed->Edit(), dc);
    EXPECT_NE(SendMessageW(placed->Edit(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
    ASSERT_EQ(PutBool(placed->object.Get(), kDispDateValue, false), S_OK);
    placed->log.Clear();
    form.Focus(placed->Edit());
    form.Type(L"1234");
    EXPECT_EQ(placed->Text(), L"1.234");
    changes.push_back(placed->log.Events().size());
    form_.reset();
  }
  EXPECT_GE(changes[0], 4u);  // a Change for every key at least
  EXPECT_EQ(changes[0], changes[1]) << "the same keys raised other events";
}

// Deactivated, the control gives its windows back and keeps Text1's state;
// activated again it shows that state, and neither move is a change.
TEST_F(Windowless, ActivationCyclesKeepTextSelectionLimitColoursAndFont) {
  for (bool reflect : {true, false}) {
    SCOPED_TRACE(reflect ? "reflecting" : "not reflecting");
    TestForm& form = Form(reflect);
    Placed* placed = form.AddControl(CreateTestControl(), RECT{10, 10, 130, 35});
    ASSERT_NE(placed, nullptr) << form.failure();
    IUnknown* control = placed->object.Get();
    ASSERT_EQ(PutBool(control, kDispDateValue, false), S_OK);
    ASSERT_EQ(PutInt(control, kDispMaxLength, 7), S_OK);
    ASSERT_EQ(PutText(control, L"12.345"), S_OK);
    ASSERT_EQ(PutInt(control, kDispForeColor, 0x00FF00), S_OK);
    ASSERT_EQ(PutFont(control, 14), S_OK);
    SendMessageW(placed->Edit(), EM_SETSEL, 1, 4);
    LOGFONTW shown{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(placed->Edit(), WM_GETFONT, 0, 0)), sizeof shown, &shown);
    placed->log.Clear();
    auto ole = As<IOleObject>(control);
    for (int cycle = 0; cycle < 2; ++cycle) {
      ASSERT_EQ(As<IOleInPlaceObject>(control)->InPlaceDeactivate(), S_OK);
      EXPECT_EQ(WindowsUnder(placed->host), 0);
      EXPECT_EQ(placed->ControlWindow(), nullptr);
      VARIANT text{};
      ASSERT_EQ(GetProperty(control, kDispText, &text), S_OK);
      EXPECT_STREQ(V_BSTR(&text), L"12.345");
      VariantClear(&text);
      RECT rect{10, 10, 130, 35};
      ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, placed->host, &rect), S_OK);
      HWND edit = placed->Edit();
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(placed->Text(), L"12.345");
      DWORD start = 0, end = 0;
      SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      EXPECT_EQ(start, 1u);
      EXPECT_EQ(end, 4u);
      EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 7);
      LOGFONTW again{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), sizeof again, &again);
      EXPECT_EQ(again.lfHeight, shown.lfHeight);
      EXPECT_STREQ(again.lfFaceName, shown.lfFaceName);
      HDC dc = GetDC(edit);
      SendMessageW(GetParent(edit), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
      EXPECT_EQ(GetTextColor(dc), RGB(0, 255, 0));
      ReleaseDC(edit, dc);
    }
    form.Pump();
    EXPECT_TRUE(placed->log.Events().empty()) << "a move of the state raised an event";
    form_.reset();
  }
}

// ---- the text box contract, unplaced and placed alone ----------------------------

LRESULT CALLBACK ReflectingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg == WM_COMMAND || msg == WM_CTLCOLOREDIT) && lParam)
    if (const LRESULT answer = SendMessageW(reinterpret_cast<HWND>(lParam), OCM__BASE + msg, wParam, lParam))
      return answer;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Text1 of a control window: never placed, or placed alone in a panel of
// the shared form that reflects its children's notifications.
class BoxDriver final : public contract::Driver {
 public:
  explicit BoxDriver(bool placed) {
    if (!placed) return;
    static const ATOM panelClass = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ReflectingProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"VelmoraReflectingPanel";
      return RegisterClassW(&wc);
    }();
    (void)panelClass;
    panel_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"VelmoraReflectingPanel", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300,
                             60, form_.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    after_ = form_.AddEdit(300);
    window_.SetRect(RECT{100, 10, 300, 40});
    window_.SetParentWindow(panel_);
    window_.Show();
  }
  ~BoxDriver() override {
    if (panel_) {
      window_.SetParentWindow(nullptr);
      DestroyWindow(panel_);
      DestroyWindow(after_);
    }
  }
  TextBox& Box() override { return box_; }
  void Type(const contract::Key& key) override {
    PressKey(static_cast<WORD>(static_cast<std::uint16_t>(key.keyCode)), key.shift);
  }
  void Select(std::int32_t start, std::int32_t length) override {
    if (!box_.hwnd()) {
      box_.setSelStart(start);
      box_.setSelLength(length);
      return;
    }
    SendMessageW(box_.hwnd(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
  }
  void Focus() override {
    if (box_.hwnd()) form_.Focus(box_.hwnd());
  }
  void Blur() override {
    SetFocus(after_);
    Pump();
  }
  bool placed() const { return box_.hwnd() != nullptr && window_.FaceAlone() && window_.hwnd() == box_.hwnd(); }

 private:
  velmora::testing::Form& form_ = velmora::testing::Form::Shared();
  HWND panel_ = nullptr, after_ = nullptr;
  velmora::testing::BoxInWindow boxed_{true};  // in a panel that reflects
  win32::ControlWindow& window_ = boxed_.window;
  win32::EditTextBox& box_ = boxed_.box;
};

// Only assignments reach a box that has no window.
bool AssignmentsOnly(const contract::Row& row) {
  for (const contract::Step& step : row.steps)
    if (step.kind == contract::Step::Kind::Type || step.kind == contract::Step::Kind::Blur) return false;
  return true;
}

TEST(WindowlessContract, RowsHoldUnplacedAndPlacedAlone) {
  OleScope ole;
  int unplacedRows = 0;
  for (const contract::Row& row : contract::ContractRows()) {
    if (AssignmentsOnly(row)) {
      ++unplacedRows;
      BoxDriver unplaced(false);
      EXPECT_EQ(contract::RunContractRow(unplaced, row), "") << "unplaced";
    }
    BoxDriver alone(true);
    ASSERT_TRUE(alone.placed());
    EXPECT_EQ(contract::RunContractRow(alone, row), "") << "placed alone";
  }
  EXPECT_GT(unplacedRows, 5);
}

}  // namespace
}  // namespace velmora::testing
