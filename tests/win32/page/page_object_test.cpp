// The property page Generale as a host drives it: created by the OCX's
// class factory, given a page site of the test's own, objects, a parent
// window, clicks on its real buttons, and applied. The selected objects are
// small dispatch objects with the control's four page properties and its
// conversions (VariantChangeType: nearest integer, halves to even,
// DISP_E_OVERFLOW outside 16 bits), which log every write with the type the
// page passed.
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "com/com_object.h"
#include "com/handles.h"
#include "page/generale_layout.h"
#include "shared/page_rows.h"
#include "test_container.h"
#include "test_support.h"
#include "typelib/dispids.h"
#include "velmora_h.h"

namespace {

using namespace velmora::testing;
using velmora::ControlId;
using velmora::ControlKind;
using velmora::GeneraleLayout;
using velmora::PageControl;
using velmora::PageLayoutControl;
using velmora::win32::ComPtr;
using velmora::page_rows::Action;
using velmora::page_rows::Settings;
using namespace velmora::page_rows;  // the rows and the controls they name (kLong, kNumber, kInvioBox, ...)

constexpr DISPID kMaxLength = DISPID_VELMORA_MAXLENGTH, kDateValue = DISPID_VELMORA_DATEVALUE,
                 kVirgola = DISPID_VELMORA_VIRGOLA, kTastoInvio = DISPID_VELMORA_TASTOINVIO;


// The first descendant of `parent` of the window class `name`, depth first.
HWND FindDescendant(HWND parent, const wchar_t* name) {
  for (HWND w = FindWindowExW(parent, nullptr, nullptr, nullptr); w; w = FindWindowExW(parent, w, nullptr, nullptr)) {
    wchar_t windowClass[64];
    GetClassNameW(w, windowClass, 64);
    if (_wcsicmp(windowClass, name) == 0) return w;
    if (HWND found = FindDescendant(w, name)) return found;
  }
  return nullptr;
}

// Saves what the screen shows of a window as a 24-bit BMP file: the pixels
// are copied from its top-level window's DC, which holds what every child
// painted.
bool SaveWindowBitmap(HWND hwnd, const std::wstring& path) {
  RECT r, top;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (!GetWindowRect(hwnd, &r) || !GetWindowRect(root, &top)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  // Bottom-up, as a BMP file stores it.
  BITMAPINFOHEADER header{sizeof(header), width, height, 1, 24, BI_RGB, stride * static_cast<DWORD>(height), 0, 0, 0, 0};
  HDC source = GetWindowDC(root);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(memory, dib);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, source, r.left - top.left, r.top - top.top, SRCCOPY);
  GdiFlush();
  bool written = false;
  if (copied && bits != nullptr) {
    const DWORD offBits = sizeof(BITMAPFILEHEADER) + sizeof(header);
    const BITMAPFILEHEADER file{0x4D42 /* "BM" */, offBits + header.biSizeImage, 0, 0, offBits};
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
      written = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&header, sizeof(header), 1, out) == 1 &&
                fwrite(bits, header.biSizeImage, 1, out) == 1;
      written = fclose(out) == 0 && written;
    }
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
  ReleaseDC(root, source);
  return written;
}

// A selected control as the page sees it through IDispatch.
// Owned by the test, which keeps its first reference.
class FakeControl final : public velmora::win32::HostComBase<FakeControl, IDispatch> {
 public:
  struct Property {
    const wchar_t* name;
    DISPID id;
    VARTYPE type;
    short value;
  };

  explicit FakeControl(const Settings& s)
      : properties_{{{L"MaxLength", kMaxLength, VT_I2, s.maxLength},
                     {L"DateValue", kDateValue, VT_BOOL, s.dateValue},
                     {L"Virgola", kVirgola, VT_BOOL, s.virgola},
                     {L"TastoInvio", kTastoInvio, VT_BOOL, s.tastoInvio}}} {}

  // Every write as "Name(type)=stored value", or "=failed" when refused.
  const std::string& Log() const { return log_; }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    auto named = [&](const Property& p) { return _wcsicmp(p.name, names[0]) == 0; };
    auto property = std::find_if(properties_.begin(), properties_.end(), named);
    *ids = property != properties_.end() ? property->id : DISPID_UNKNOWN;
    return property != properties_.end() ? S_OK : DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    auto property = std::find_if(properties_.begin(), properties_.end(), [&](const Property& p) { return p.id == id; });
    if (property == properties_.end()) return DISP_E_MEMBERNOTFOUND;
    if (flags & DISPATCH_PROPERTYPUT) {
      if (params->cArgs != 1 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_BADPARAMCOUNT;
      }
      VARIANT converted;
      VariantInit(&converted);
      HRESULT hr = VariantChangeType(&converted, &params->rgvarg[0], 0, property->type);
      if (SUCCEEDED(hr)) property->value = property->type == VT_I2 ? V_I2(&converted) : V_BOOL(&converted);
      log_ += (log_.empty() ? "" : " ") + Narrow(property->name) + "(" + TypeName(V_VT(&params->rgvarg[0])) +
              ")=" + (SUCCEEDED(hr) ? std::to_string(property->value) : "failed");
      return hr;
    }
    if (!(flags & DISPATCH_PROPERTYGET) || result == nullptr) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    V_VT(result) = property->type;
    if (property->type == VT_I2) V_I2(result) = property->value;
    else V_BOOL(result) = property->value;
    return S_OK;
  }

 private:
  static std::string TypeName(VARTYPE type) {
    return type == VT_I2 ? "I2" : type == VT_R8 ? "R8" : type == VT_BOOL ? "BOOL" : "vt" + std::to_string(type);
  }

  std::array<Property, 4> properties_;
  std::string log_;
};

// The frame's side of the page, as Windows' property frame has it: it
// offers every key to the page first, and records the keys the page hands
// to it through TranslateAccelerator (answering S_FALSE, so the frame's own
// loop would then handle them).
class TestSite final : public velmora::win32::HostComBase<TestSite, IPropertyPageSite> {
 public:
  int dirtyCalls = 0;
  std::vector<WPARAM> offered;
  STDMETHODIMP OnStatusChange(DWORD flags) override {
    if (flags & PROPPAGESTATUS_DIRTY) ++dirtyCalls;
    return S_OK;
  }
  STDMETHODIMP GetLocaleID(LCID* lcid) override {
    *lcid = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG* message) override {
    offered.push_back(message->wParam);
    return S_FALSE;
  }
};

// A real control's 16-bit property through its dispatch (-999 when it
// cannot be read).
short GetShort(IDispatch* control, DISPID id) {
  VARIANT v;
  VariantInit(&v);
  const bool read = SUCCEEDED(GetProperty(control, id, &v)) && SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I2));
  return read ? V_I2(&v) : -999;
}

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// The screen's resolution, pixels per inch.
POINT Dpi() {
  HDC screen = GetDC(nullptr);
  POINT dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The page in the tests' shared form, a test site and the selected controls.
class PageTest : public velmora::testing::OleTest {
 protected:
  void SetUp() override {
    ASSERT_NE(ocx_.Factory(CLSID_Generale), nullptr) << "no class factory for Generale";
    ASSERT_EQ(ocx_.Factory(CLSID_Generale)->CreateInstance(nullptr, IID_IPropertyPage2, &page_), S_OK);
    ASSERT_EQ(page_->SetPageSite(&site_), S_OK);
  }
  void TearDown() override {
    if (page_) {
      page_->Deactivate();
      page_->SetObjects(0, nullptr);
      page_->SetPageSite(nullptr);
      page_.Reset();
    }
    real_.clear();
  }

  // The form grows to hold the page (and its picture) for the page's suites.
  static void SetUpTestSuite() { Resize(460, 320); }
  static void TearDownTestSuite() { Resize(400, 200); }
  static void Resize(int width, int height) {
    SetWindowPos(Form::Shared().hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  FakeControl& Add(const Settings& settings) {
    controls_.push_back(std::make_unique<FakeControl>(settings));
    return *controls_.back();
  }
  HRESULT Select() {
    std::vector<IUnknown*> objects;
    for (auto& control : controls_) objects.push_back(control.get());
    for (auto& control : real_) objects.push_back(control.Get());
    return page_->SetObjects(static_cast<ULONG>(objects.size()), objects.data());
  }
  HRESULT Activate() {
    SIZE size = PageSize();
    RECT rect{10, 10, 10 + size.cx, 10 + size.cy};
    HRESULT hr = page_->Activate(host_, &rect, TRUE);
    if (SUCCEEDED(hr)) page_->Show(SW_SHOW);
    Pump();
    return hr;
  }
  static SIZE PageSize() {
    const POINT dpi = Dpi();
    return {MulDiv(5925, dpi.x, 1440), MulDiv(3495, dpi.y, 1440)};
  }
  HWND PageWindow() const { return FindWindowExW(host_, nullptr, L"VelmoraGeneralePage", nullptr); }
  // The page's windows in z-order.
  std::vector<HWND> Children() const {
    std::vector<HWND> children;
    for (HWND w = GetWindow(PageWindow(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) children.push_back(w);
    return children;
  }
  RECT PageRect(HWND hwnd) const {
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, PageWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  // By the text the window answers (an edit box keeps its text to itself,
  // so FindWindowEx cannot see it).
  HWND Child(std::wstring_view caption) const {
    for (HWND w : Children())
      if (Text(w) == caption) return w;
    return nullptr;
  }
  HWND Child(ControlId id) const {
    // The text boxes and Label1 change their texts: found by the place the
    // layout gives them (on the page itself), every other control by its
    // caption.
    const PageLayoutControl& row = velmora::FindLayoutControl(id);
    if (row.kind != ControlKind::TextBox && id.name != PageControl::Label1) return Child(Wide(row.caption));
    const POINT dpi = Dpi();
    for (HWND w : Children()) {
      const RECT r = PageRect(w);
      if (r.left == MulDiv(row.left, dpi.x, 1440) && r.top == MulDiv(row.top, dpi.y, 1440)) return w;
    }
    return nullptr;
  }
  static std::wstring Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
  }
  void Click(ControlId id) {
    HWND button = Child(id);
    ASSERT_NE(button, nullptr) << velmora::PageControlName(id.name);
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
  }
  void Do(const std::vector<Action>& actions) {
    for (const Action& action : actions) {
      if (action.text == nullptr) Click(action.control);
      else SetWindowTextW(Child(action.control), Wide(action.text).c_str());
      Pump();
    }
  }
  static bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // The view of the mode (0 date, 1 number) is shown, and only it.
  void ExpectView(int mode) const {
    for (const auto& v : kViews) {
      EXPECT_EQ(IsWindowVisible(Child(v.control)) != 0, v.view < 0 || v.view == mode)
          << velmora::PageControlName(v.control.name);
    }
  }
  // What the page shows: each window's text, check and visibility.
  std::vector<std::wstring> Shown() const {
    std::vector<std::wstring> shown;
    for (HWND w : Children()) {
      shown.push_back(Text(w) + L"|" + std::to_wstring(SendMessageW(w, BM_GETCHECK, 0, 0)) +
                      (IsWindowVisible(w) ? L"|shown" : L"|hidden"));
    }
    return shown;
  }

  Ocx ocx_;
  std::vector<ComPtr<IDispatch>> real_;  // real controls, after the OCX they live in
  TestSite site_;
  std::vector<std::unique_ptr<FakeControl>> controls_;
  ComPtr<IPropertyPage2> page_;
  HWND host_ = Form::Shared().hwnd();
};

TEST_F(PageTest, PageInfoGivesTitleAndClientAreaInPixels) {
  PROPPAGEINFO info{};
  ASSERT_EQ(page_->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  ASSERT_NE(info.pszTitle, nullptr);
  EXPECT_STREQ(info.pszTitle, L"Generale");
  EXPECT_EQ(info.size.cx, PageSize().cx);
  EXPECT_EQ(info.size.cy, PageSize().cy);
  EXPECT_EQ(info.pszDocString, nullptr);
  CoTaskMemFree(info.pszTitle);
  ComPtr<IDispatch> dispatch;
  EXPECT_EQ(page_.As(&dispatch), S_OK) << "the page's default interface is dual";
}

// Every control of the form description, as created before anything is
// loaded: kind, caption, place (relative to its frame), visibility, tab stop
// and group; then the z-order, which is the tab order.
TEST_F(PageTest, WindowsAreCreatedAsLaidOut) {
  ASSERT_EQ(Activate(), S_OK);
  HWND page = PageWindow();
  ASSERT_NE(page, nullptr);
  RECT client;
  GetClientRect(page, &client);
  EXPECT_EQ(client.right, PageSize().cx);
  EXPECT_EQ(client.bottom, PageSize().cy);
  EXPECT_TRUE(GetWindowLongW(page, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  const POINT dpi = Dpi();

  for (const PageLayoutControl& row : GeneraleLayout().controls) {
    SCOPED_TRACE(std::string(velmora::PageControlName(row.id.name)) + "(" + std::to_string(row.id.index) + ")");
    HWND hwnd = Child(Wide(row.caption));
    ASSERT_NE(hwnd, nullptr) << "no window captioned as laid out";
    EXPECT_EQ(GetParent(hwnd), page);
    wchar_t windowClass[32];
    GetClassNameW(hwnd, windowClass, 32);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const bool button = row.kind != ControlKind::TextBox && row.kind != ControlKind::Label;
    const wchar_t* wantClass = button ? L"Button" : row.kind == ControlKind::TextBox ? L"Edit" : L"Static";
    EXPECT_EQ(_wcsicmp(windowClass, wantClass), 0) << Narrow(windowClass);
    if (button) {
      const LONG type = row.kind == ControlKind::Frame          ? BS_GROUPBOX
                        : row.kind == ControlKind::OptionButton ? BS_RADIOBUTTON
                                                                : BS_3STATE;
      EXPECT_EQ(style & BS_TYPEMASK, type);
      // No option button is selected and no check box checked as created.
      EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    }
    const bool focusable = row.kind != ControlKind::Frame && row.kind != ControlKind::Label;
    EXPECT_EQ((style & WS_TABSTOP) != 0, focusable);
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // Expected place in pixels, relative to the container as laid out.
    std::int32_t originX = 0, originY = 0;
    RECT origin{0, 0, 0, 0};
    if (row.container) {
      const PageLayoutControl& frame = velmora::FindLayoutControl(*row.container);
      originX = frame.left;
      originY = frame.top;
      origin = PageRect(Child(Wide(frame.caption)));
    }
    RECT r = PageRect(hwnd);
    const int x = MulDiv(originX + row.left, dpi.x, 1440), y = MulDiv(originY + row.top, dpi.y, 1440);
    EXPECT_EQ(r.left - origin.left, x - MulDiv(originX, dpi.x, 1440));
    EXPECT_EQ(r.top - origin.top, y - MulDiv(originY, dpi.y, 1440));
    EXPECT_EQ(r.right - r.left, MulDiv(originX + row.left + row.width, dpi.x, 1440) - x);
    EXPECT_EQ(r.bottom - r.top, MulDiv(originY + row.top + row.height, dpi.y, 1440) - y);
    // Three controls lie wholly beyond the right edge of the client area.
    const bool outside = row.id.name == PageControl::chkDateValue || row.id.name == PageControl::txtMaxLength ||
                         row.id.name == PageControl::lblMaxLength;
    EXPECT_EQ(r.left >= client.right, outside);
  }

  // Tab order: the z-order, lowest TabIndex first.
  std::vector<const PageLayoutControl*> byTab;
  for (const auto& row : GeneraleLayout().controls) byTab.push_back(&row);
  std::sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  std::vector<std::wstring> expected, actual;
  for (auto* row : byTab) expected.push_back(Wide(row->caption));
  for (HWND w : Children()) actual.push_back(Text(w));
  EXPECT_EQ(actual, expected);
  // Each option array is one group, started by its first button in tab
  // order; the other buttons do not start one.
  for (ControlId id : {kDayMonth, kDate, ControlId(PageControl::Frame2)}) {
    EXPECT_TRUE(GetWindowLongW(Child(id), GWL_STYLE) & WS_GROUP) << velmora::PageControlName(id.name);
  }
  for (ControlId id : {kShort, kLong, kNumber}) {
    EXPECT_FALSE(GetWindowLongW(Child(id), GWL_STYLE) & WS_GROUP) << velmora::PageControlName(id.name);
  }
}

class PageLoadTest : public PageTest, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(PageLoadTest, ShowsTheFirstControlsSettings) {
  const LoadRow& row = GetParam();
  Add(row.settings);
  Add({0, 99, 0, 0});  // the second selected control is never read
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);

  for (std::int16_t i = 0; i < 3; ++i) EXPECT_EQ(Checked(Child({PageControl::Option1, i})), i == row.style) << i;
  for (std::int16_t i = 0; i < 2; ++i) EXPECT_EQ(Checked(Child({PageControl::Option2, i})), i == row.mode) << i;
  EXPECT_EQ(Checked(Child(PageControl::chkVirgola)), row.settings.virgola != 0);
  EXPECT_EQ(Checked(Child(PageControl::chkInvio)), row.settings.tastoInvio != 0);
  EXPECT_EQ(Text(Child(PageControl::Text1)), Wide(row.number));
  EXPECT_EQ(Text(Child(PageControl::Label1)), Wide(Sentence(row.number)));
  ExpectView(row.mode);

  // Loading shows what the control holds: nothing to apply.
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(site_.dirtyCalls, 0);
  EXPECT_EQ(controls_[0]->Log(), "") << "loading writes nothing";
}

INSTANTIATE_TEST_SUITE_P(Rows, PageLoadTest, ::testing::ValuesIn(kLoadRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the developer presses OK in a frame of several tabs: on the page, on
// another tab (the frame deactivated the page when it left it), or back on
// the page after a visit to another tab.
enum Route { OnThePage, OnAnotherTab, BackOnThePage };
constexpr const char* kRouteNames[] = {"OnThePage", "OnAnotherTab", "BackOnThePage"};

class PageEditTest : public PageTest, public ::testing::WithParamInterface<std::tuple<EditRow, Route>> {};

TEST_P(PageEditTest, AppliesToEverySelectedControl) {
  const auto& [row, route] = GetParam();
  for (int i = 0; i < row.selected; ++i) Add(row.settings);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  Do(row.actions);
  EXPECT_EQ(page_->IsPageDirty(), row.changed ? S_OK : S_FALSE);
  EXPECT_EQ(site_.dirtyCalls > 0, row.changed);
  ExpectView(Checked(Child(kNumber)) ? 1 : 0);
  const std::vector<std::wstring> shown = Shown();
  if (route != OnThePage) {
    ASSERT_EQ(page_->Deactivate(), S_OK);
    EXPECT_EQ(page_->IsPageDirty(), row.changed ? S_OK : S_FALSE) << "the edits outlive the windows";
  }
  if (route == BackOnThePage) {
    ASSERT_EQ(Activate(), S_OK);
    EXPECT_EQ(Shown(), shown) << "the edits are shown again";
    EXPECT_EQ(page_->IsPageDirty(), row.changed ? S_OK : S_FALSE);
  }

  // A page the developer has not changed applies nothing, unless a number
  // was typed into Text1, which has no handler of its own.
  const bool applies = row.changed || std::any_of(row.actions.begin(), row.actions.end(), [](const Action& a) {
                         return a.control.name == PageControl::Text1;
                       });
  const HRESULT expected = applies && row.error == static_cast<int>(velmora::ErrorNumber::Overflow) ? DISP_E_OVERFLOW
                                                                                                   : S_OK;
  SetErrorInfo(0, nullptr);
  const HRESULT hr = page_->Apply();
  EXPECT_EQ(hr, expected) << std::hex << hr;
  ComPtr<IErrorInfo> error;
  const bool described = GetErrorInfo(0, &error) == S_OK && error;
  EXPECT_EQ(described, FAILED(expected)) << "rich error information exactly for a failed apply";
  if (described) {
    BSTR text = nullptr;
    error->GetDescription(&text);
    EXPECT_NE(std::wstring(text ? text : L"").find(L"MaxLength"), std::wstring::npos) << Narrow(text ? text : L"");
    SysFreeString(text);
  }
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    EXPECT_EQ(controls_[i]->Log(), applies ? row.writes[i] : "") << "control " << i;
  }
  EXPECT_EQ(page_->IsPageDirty(), SUCCEEDED(expected) ? S_FALSE : (row.changed ? S_OK : S_FALSE));
}

INSTANTIATE_TEST_SUITE_P(Rows, PageEditTest,
                         ::testing::Combine(::testing::ValuesIn(kEditRows),
                                            ::testing::Values(OnThePage, OnAnotherTab, BackOnThePage)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + kRouteNames[std::get<1>(info.param)];
                         });

// The same page over real VelmoraControl objects of the OCX: the values
// reach the controls' own properties through their type library dispatch,
// which converts MaxLength's double to 16 bits itself.
struct RealRow {
  const char* name;
  Settings before;  // of both selected controls
  std::vector<Action> actions;
  bool applies;
  Settings first, second;  // afterwards
};

class PageRealControlTest : public PageTest, public ::testing::WithParamInterface<RealRow> {};

TEST_P(PageRealControlTest, AppliesToBothControls) {
  const RealRow& row = GetParam();
  for (int i = 0; i < 2; ++i) {
    ComPtr<IDispatch> control = ocx_.NewControl();
    ASSERT_TRUE(control) << "no VelmoraControl from the OCX";
    ASSERT_EQ(PutBool(control.Get(), kDateValue, row.before.dateValue != 0), S_OK);
    ASSERT_EQ(PutInt(control.Get(), kMaxLength, row.before.maxLength), S_OK);
    ASSERT_EQ(PutBool(control.Get(), kVirgola, row.before.virgola != 0), S_OK);
    ASSERT_EQ(PutBool(control.Get(), kTastoInvio, row.before.tastoInvio != 0), S_OK);
    real_.push_back(control);
  }
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(Checked(Child(kDate)), row.before.dateValue == -1) << "loaded from the first control";
  Do(row.actions);
  SetErrorInfo(0, nullptr);
  const HRESULT hr = page_->Apply();
  EXPECT_EQ(SUCCEEDED(hr), row.applies) << std::hex << hr;
  if (!row.applies) {
    ComPtr<IErrorInfo> error;
    EXPECT_EQ(GetErrorInfo(0, &error), S_OK) << "a failed apply describes itself";
  }
  auto settings = [](IDispatch* c) {
    return Settings{GetShort(c, kDateValue), GetShort(c, kMaxLength), GetShort(c, kVirgola), GetShort(c, kTastoInvio)};
  };
  EXPECT_EQ(settings(real_[0].Get()), row.first);
  EXPECT_EQ(settings(real_[1].Get()), row.second);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PageRealControlTest,
    ::testing::Values(
        RealRow{"NumberToShortDateKeepsVirgola", {0, 12, -1, 0}, {{kDate}, {kShort}}, true, {-1, 8, -1, 0},
                {-1, 8, -1, 0}},
        RealRow{"DateToNumberWithChecks", {-1, 10, 0, 0}, {{kNumber}, kVirgolaBox, kInvioBox, Text1(u"9")}, true,
                {0, 9, -1, -1}, {0, 9, -1, -1}},
        RealRow{"HalfToEvenByTheControlsDispatch", {0, 12, 0, 0}, {Text1(u"2.5")}, true, {0, 2, 0, 0}, {0, 2, 0, 0}},
        RealRow{"OverflowStopsAtTheFirstControl", {0, 12, 0, -1}, {kVirgolaBox, kInvioBox, Text1(u"40000")}, false,
                {0, 12, -1, -1}, {0, 12, 0, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, AClickOnTheOtherModeSwitchesTheViewAtOnce) {
  Add({-1, 10, 0, 0});
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  Click(kNumber);
  ExpectView(1);
  EXPECT_FALSE(Checked(Child(kDate)));
  const int calls = site_.dirtyCalls;
  Click(kNumber);  // already selected: nothing changes
  EXPECT_EQ(site_.dirtyCalls, calls);
  // A new selection overwrites every edit and leaves nothing to apply,
  // shown or kept while another tab is.
  ASSERT_EQ(Select(), S_OK);
  EXPECT_TRUE(Checked(Child(kDate)));
  ExpectView(0);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  Click(kNumber);
  ASSERT_EQ(page_->Deactivate(), S_OK);
  ASSERT_EQ(Select(), S_OK);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(controls_[0]->Log(), "");
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_TRUE(Checked(Child(kDate)));
}

TEST_F(PageTest, FailuresReachTheHost) {
  // A selected object without IDispatch is refused and the selection kept.
  Add({-1, 8, 0, 0});
  ASSERT_EQ(Select(), S_OK);
  ComPtr<IUnknown> plain;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(plain.GetAddressOf())), S_OK);
  IUnknown* objects[] = {plain.Get()};
  EXPECT_EQ(page_->SetObjects(1, objects), E_NOINTERFACE);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_TRUE(Checked(Child(kShort))) << "the earlier selection is still the page's";
  RECT rect{0, 0, 10, 10};
  EXPECT_EQ(page_->Activate(host_, &rect, TRUE), E_UNEXPECTED) << "already active";
  EXPECT_EQ(page_->Deactivate(), S_OK);
  EXPECT_EQ(PageWindow(), nullptr);
  EXPECT_EQ(page_->Show(SW_SHOW), E_UNEXPECTED);
}

TEST_F(PageTest, EditPropertyFocusesTheControlOfTheProperty) {
  Add({-1, 8, 0, 0});
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  SetForegroundWindow(host_);
  EXPECT_EQ(page_->EditProperty(kMaxLength), S_OK);
  EXPECT_EQ(GetFocus(), Child(kShort));
  EXPECT_EQ(page_->EditProperty(kDateValue), S_OK);
  EXPECT_EQ(GetFocus(), Child(kDate));
  EXPECT_EQ(page_->EditProperty(kVirgola), E_NOTIMPL) << "the decimals frame is hidden in the date view";
  EXPECT_EQ(page_->EditProperty(kTastoInvio), E_NOTIMPL);
  Click(kNumber);
  EXPECT_EQ(page_->EditProperty(kVirgola), S_OK);
  EXPECT_EQ(GetFocus(), Child(PageControl::chkVirgola));
  EXPECT_EQ(page_->EditProperty(kMaxLength), S_OK);
  EXPECT_EQ(GetFocus(), Child(PageControl::Text1));
  MSG other{host_, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_EQ(page_->TranslateAccelerator(&other), S_FALSE) << "not a message of the page";
}

// A control in number mode holding a text: opening the page and applying
// without a change leaves the control as it is; once the page is changed,
// applying writes as always (MaxLength and DateValue written back reset the
// text).
TEST_F(PageTest, ApplyingAnUnchangedPageKeepsTheControlsText) {
  ComPtr<IDispatch> control = ocx_.NewControl();
  ComPtr<_VelmoraControl> typed;
  ASSERT_TRUE(control && SUCCEEDED(control.As(&typed)));
  ASSERT_EQ(PutBool(control.Get(), kDateValue, false), S_OK);
  ASSERT_EQ(PutInt(control.Get(), kMaxLength, 12), S_OK);
  BSTR text = SysAllocString(L"12345");
  ASSERT_EQ(typed->put_Text(text), S_OK);
  SysFreeString(text);
  auto textNow = [&] {
    BSTR now = nullptr;
    typed->get_Text(&now);
    std::wstring copy(now ? now : L"");
    SysFreeString(now);
    return copy;
  };
  ASSERT_EQ(textNow(), L"12345");
  real_.push_back(control);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(textNow(), L"12345");
  Click(PageControl::chkInvio);
  EXPECT_EQ(page_->IsPageDirty(), S_OK);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(GetShort(control.Get(), kTastoInvio), -1);
  EXPECT_EQ(textNow(), L"0");
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

// Null and junk arguments from a careless caller: refused, never a crash.
TEST_F(PageTest, CarelessArgumentsAreRefused) {
  ComPtr<IDispatch> d;
  ASSERT_EQ(page_.As(&d), S_OK);
  LPOLESTR member[] = {const_cast<LPOLESTR>(L"QueryInterface")};  // IDispatch's own method
  DISPID id = 0;
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id), E_POINTER);
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, member, 1, 0, nullptr), E_POINTER);
  id = 0;
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, member, 1, 0, &id), DISP_E_UNKNOWNNAME) << "no member of the page";
  EXPECT_EQ(id, DISPID_UNKNOWN);
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, member, 0, 0, &id), S_OK) << "no names";
  EXPECT_EQ(d->GetIDsOfNames(IID_IDispatch, member, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(d->GetTypeInfoCount(nullptr), E_POINTER);
  EXPECT_EQ(d->GetTypeInfo(0, 0, nullptr), E_POINTER);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(d->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(d->Invoke(0, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(page_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(page_->GetPageInfo(nullptr), E_POINTER);
  EXPECT_EQ(page_->SetObjects(1, nullptr), E_POINTER);
  IUnknown* objects[] = {d.Get(), nullptr};
  EXPECT_EQ(page_->SetObjects(2, objects), E_POINTER);
  EXPECT_EQ(page_->SetObjects(0, reinterpret_cast<IUnknown**>(8)), S_OK) << "no objects: the array is not read";
  EXPECT_EQ(page_->Activate(host_, nullptr, TRUE), E_POINTER);
  EXPECT_EQ(page_->Move(nullptr), E_POINTER);
  EXPECT_EQ(page_->TranslateAccelerator(nullptr), E_POINTER);
  EXPECT_EQ(page_->Show(SW_SHOW), E_UNEXPECTED) << "before Activate";
  EXPECT_EQ(page_->EditProperty(kMaxLength), E_UNEXPECTED) << "before Activate";
  EXPECT_EQ(page_->Apply(), S_OK) << "nothing selected, nothing to apply";
}

// Keys, as Windows' property frame hands them over: every key to the page
// first, then (on S_FALSE) to the frame's own dialog handling. The shared
// key rows that name the focused control, on the real page.
std::vector<KeyRow> RealKeyRows() {
  std::vector<KeyRow> rows;
  for (const KeyRow& row : kKeyRows) {
    if (row.from) rows.push_back(row);
  }
  return rows;
}

class PageKeyTest : public PageTest, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(PageKeyTest, TheFrameOffersTheKeyToThePageFirst) {
  const KeyRow& row = GetParam();
  Add({static_cast<short>(row.view == kDateView ? -1 : 0), 10, 0, 0});
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  SetForegroundWindow(host_);
  HWND from = Child(*row.from);
  SetFocus(from);
  Pump();
  ASSERT_EQ(GetFocus(), from);

  BYTE keys[256] = {};
  keys[VK_SHIFT] = row.key.shift ? 0x80 : 0;
  keys[VK_CONTROL] = row.key.control ? 0x80 : 0;
  keys[VK_MENU] = row.key.alt ? 0x80 : 0;
  SetKeyboardState(keys);
  const UINT kind = row.key.message == M::SysKeyDown ? WM_SYSKEYDOWN : WM_KEYDOWN;
  MSG message{from, kind, row.key.code, 1, 0, {0, 0}};
  const HRESULT hr = page_->TranslateAccelerator(&message);
  const BYTE none[256] = {};
  SetKeyboardState(const_cast<BYTE*>(none));
  Pump();

  const ControlId to = row.to.value_or(*row.from);
  const bool changed = (row.route == R::NextInGroup || row.route == R::PreviousInGroup) && row.to;
  EXPECT_EQ(hr, row.route == R::Frame || row.route == R::Control ? S_FALSE : S_OK);
  EXPECT_EQ(GetFocus(), Child(to)) << Narrow(Text(GetFocus()));
  EXPECT_EQ(site_.offered, row.route == R::Frame ? std::vector<WPARAM>{row.key.code} : std::vector<WPARAM>{});
  EXPECT_EQ(page_->IsPageDirty(), changed ? S_OK : S_FALSE);
  EXPECT_EQ(site_.dirtyCalls, changed ? 1 : 0) << "the click handler ran once";
  if (changed) {
    EXPECT_TRUE(Checked(Child(to))) << "the option landed on is chosen";
  }
  ExpectView(Checked(Child(kNumber)) ? 1 : 0);  // the view follows the mode
}

INSTANTIATE_TEST_SUITE_P(Rows, PageKeyTest, ::testing::ValuesIn(RealKeyRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// Every caption fits its window in the page's own font, "MS Sans Serif"
// 8 pt, which the page makes whatever the frame gives (this host window
// gives none); Label1 with the longest sentence it can show, in two lines.
TEST_F(PageTest, EveryCaptionFitsItsWindowInThePagesFont) {
  Add({0, 32767, 0, 0});
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  const int dpiX = Dpi().x, dpiY = Dpi().y;
  // The check or radio glyph and the gap after it; a frame's caption
  // starts after a short line and leaves room for one after it.
  const int glyph = MulDiv(13 + 4, dpiX, 96), frameMargins = MulDiv(8 + 8, dpiX, 96);
  for (const PageLayoutControl& row : GeneraleLayout().controls) {
    if (row.kind == ControlKind::TextBox) continue;
    HWND hwnd = Child(row.id);
    ASSERT_NE(hwnd, nullptr);
    const std::wstring caption = Text(hwnd);
    SCOPED_TRACE(Narrow(caption));
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    EXPECT_STREQ(face, L"MS Sans Serif") << "the page's own face (Debian: fonts-wine)";
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(8, dpiY, 72)) << "8 points";
    RECT client;
    GetClientRect(hwnd, &client);
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    int available = client.right;
    if (row.kind == ControlKind::OptionButton || row.kind == ControlKind::CheckBox) available -= glyph;
    if (row.kind == ControlKind::Frame) available -= frameMargins;
    if (row.kind == ControlKind::Label) {
      RECT wrapped{0, 0, client.right, 0};
      DrawTextW(dc, caption.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      std::printf("  %-48s %3ld x %2ld of %3ld x %2ld\n", Narrow(caption).substr(0, 48).c_str(), wrapped.right,
                  wrapped.bottom, client.right, client.bottom);
      EXPECT_LE(wrapped.right, client.right);
      EXPECT_LE(wrapped.bottom, client.bottom);
    } else {
      std::printf("  %-48s %3ld of %3d\n", Narrow(caption).c_str(), extent.cx, available);
      EXPECT_LE(extent.cx, available);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
  }
}

// The page in a plain window, in each view, saved beside this program for
// scripts/screenshots.sh.
TEST_F(PageTest, ScreenshotsOfBothViews) {
  for (short dateValue : {-1, 0}) {
    IUnknown* objects[] = {&Add({dateValue, static_cast<short>(dateValue ? 10 : 12), 0, 0})};
    ASSERT_EQ(page_->SetObjects(1, objects), S_OK);
    if (PageWindow() == nullptr) {
      ASSERT_EQ(Activate(), S_OK);
    }
    RedrawWindow(host_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const std::wstring path = BesideProgram(dateValue ? L"generale-date.bmp" : L"generale-number.bmp");
    EXPECT_TRUE(SaveWindowBitmap(PageWindow(), path)) << Narrow(path);
  }
}

BOOL CALLBACK FrameShowingPage(HWND frame, LPARAM data) {
  if (!IsWindowVisible(frame) || !FindDescendant(frame, L"VelmoraGeneralePage")) return TRUE;
  *reinterpret_cast<HWND*>(data) = frame;
  return FALSE;
}

// The system's property frame opens the page (wine's frame is modal and
// never applies): a second thread finds the page, saves a picture of the
// frame and closes it.
TEST_F(PageTest, PropertyFrameShowsThePage) {
  FakeControl& control = Add({0, 12, -1, 0});
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Generale, ocx_.Factory(CLSID_Generale).Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  // The closer runs on a thread of its own while this one sits in the
  // frame's modal loop; it only reads and writes this record, and the join
  // (WaitForSingleObject) orders its writes before the checks below.
  struct Closer {
    DWORD thread = GetCurrentThreadId();
    bool found = false, saved = false;
    HWND frameWindow = nullptr;
    wchar_t face[LF_FACESIZE] = {};  // of the page's first button
    static DWORD WINAPI Run(void* param) {
      auto& self = *static_cast<Closer*>(param);
      for (int i = 0; i < 200 && !self.found; ++i) {
        Sleep(50);
        EnumThreadWindows(self.thread, &FrameShowingPage, reinterpret_cast<LPARAM>(&self.frameWindow));
        self.found = self.frameWindow != nullptr;
      }
      if (!self.found) return 0;
      Sleep(500);
      LOGFONTW font{};
      HWND button = FindDescendant(FindDescendant(self.frameWindow, L"VelmoraGeneralePage"), L"Button");
      if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), sizeof(font), &font)) {
        lstrcpynW(self.face, font.lfFaceName, LF_FACESIZE);
      }
      self.saved = SaveWindowBitmap(self.frameWindow, BesideProgram(L"generale-frame.bmp"));
      PostMessageW(self.frameWindow, WM_COMMAND, IDCANCEL, 0);
      Sleep(200);
      if (IsWindow(self.frameWindow)) PostMessageW(self.frameWindow, WM_CLOSE, 0, 0);
      return 0;
    }
  } closer;
  HANDLE closerThread = CreateThread(nullptr, 0, &Closer::Run, &closer, 0, nullptr);
  ASSERT_NE(closerThread, nullptr);
  IUnknown* objects[] = {&control};
  CLSID pages[] = {CLSID_Generale};
  const HRESULT hr = OleCreatePropertyFrame(host_, 30, 30, L"Velmora", 1, objects, 1, pages, LOCALE_USER_DEFAULT, 0,
                                            nullptr);
  WaitForSingleObject(closerThread, INFINITE);
  CloseHandle(closerThread);
  CoRevokeClassObject(cookie);
  EXPECT_EQ(hr, S_OK);
  EXPECT_TRUE(closer.found) << "the frame never showed the page";
  EXPECT_TRUE(closer.saved);
  EXPECT_STREQ(closer.face, L"MS Sans Serif") << "the page's own font, not the frame's";
  EXPECT_EQ(control.Log(), "") << "the frame was cancelled: nothing applied";
}

}  // namespace
