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
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "com/com_object.h"
#include "com/handles.h"
#include "typelib/dispids.h"
#include "page/generale_layout.h"
#include "test_support.h"
#include "velmora_h.h"

namespace {

using velmora::testing::Narrow;
using velmora::testing::BesideProgram;
using velmora::testing::Ocx;
using velmora::testing::OleScope;
using velmora::testing::Pump;
using velmora::ControlId;
using velmora::ControlKind;
using velmora::GeneraleLayout;
using velmora::PageControl;
using velmora::PageLayoutControl;
using velmora::win32::ComPtr;

constexpr DISPID kMaxLength = DISPID_VELMORA_MAXLENGTH, kDateValue = DISPID_VELMORA_DATEVALUE,
                 kVirgola = DISPID_VELMORA_VIRGOLA, kTastoInvio = DISPID_VELMORA_TASTOINVIO;


// The first descendant of `parent` of the window class `name`.
HWND FindDescendant(HWND parent, const wchar_t* name) {
  struct Search {
    const wchar_t* name;
    HWND found;
  } search{name, nullptr};
  struct Visit {
    static BOOL CALLBACK Child(HWND hwnd, LPARAM data) {
      auto* s = reinterpret_cast<Search*>(data);
      wchar_t windowClass[64];
      GetClassNameW(hwnd, windowClass, 64);
      if (_wcsicmp(windowClass, s->name) != 0) return TRUE;
      s->found = hwnd;
      return FALSE;
    }
  };
  EnumChildWindows(parent, &Visit::Child, reinterpret_cast<LPARAM>(&search));
  return search.found;
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
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as a BMP file stores it
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  header.biSizeImage = stride * static_cast<DWORD>(height);
  HDC source = GetWindowDC(root);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(memory, dib);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, source, r.left - top.left, r.top - top.top, SRCCOPY);
  GdiFlush();
  bool written = false;
  if (copied && bits != nullptr) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
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

  FakeControl(short dateValue, short maxLength, short virgola, short tastoInvio)
      : properties_{{{L"MaxLength", kMaxLength, VT_I2, maxLength},
                     {L"DateValue", kDateValue, VT_BOOL, dateValue},
                     {L"Virgola", kVirgola, VT_BOOL, virgola},
                     {L"TastoInvio", kTastoInvio, VT_BOOL, tastoInvio}}} {}

  short Get(const wchar_t* name) const { return Find(name)->value; }
  // Every write as "Name(type)=stored value", or "=failed" when refused.
  std::string Log() const {
    std::string all;
    for (const auto& entry : log_) all += (all.empty() ? "" : " ") + entry;
    return all;
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    const Property* property = Find(names[0]);
    *ids = property ? property->id : DISPID_UNKNOWN;
    return property ? S_OK : DISP_E_UNKNOWNNAME;
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
      std::string entry = Narrow(property->name) + "(" + TypeName(V_VT(&params->rgvarg[0])) + ")=";
      if (FAILED(hr)) {
        log_.push_back(entry + "failed");
        return hr;
      }
      property->value = property->type == VT_I2 ? V_I2(&converted) : V_BOOL(&converted);
      log_.push_back(entry + std::to_string(property->value));
      return S_OK;
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
    switch (type) {
      case VT_I2: return "I2";
      case VT_R8: return "R8";
      case VT_BOOL: return "BOOL";
      default: return "vt" + std::to_string(type);
    }
  }
  Property* Find(const wchar_t* name) {
    for (auto& p : properties_)
      if (_wcsicmp(p.name, name) == 0) return &p;
    return nullptr;
  }
  const Property* Find(const wchar_t* name) const { return const_cast<FakeControl*>(this)->Find(name); }

  std::array<Property, 4> properties_;
  std::vector<std::string> log_;
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

// One page action: a click on the button with that caption, or a text typed
// into Text1 or txtMaxLength.
struct Action {
  enum Kind { Click, Text1, TxtMaxLength } kind;
  const wchar_t* value;
};

// A property of a real control by name, as any late-bound client reads and
// writes it.
DISPID IdOf(IDispatch* object, const wchar_t* name) {
  std::wstring copy(name);
  LPOLESTR names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}
short GetShort(IDispatch* object, const wchar_t* name) {
  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  if (FAILED(object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                            nullptr, nullptr)) ||
      FAILED(VariantChangeType(&result, &result, 0, VT_I2))) {
    return -999;
  }
  return V_I2(&result);
}
HRESULT PutShort(IDispatch* object, const wchar_t* name, short value, VARTYPE type) {
  VARIANT argument;
  VariantInit(&argument);
  V_VT(&argument) = type;
  if (type == VT_BOOL) V_BOOL(&argument) = value;
  else V_I2(&argument) = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&argument, &named, 1, 1};
  return object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                        nullptr, nullptr);
}

// A host's window holding the page, a test site and the selected controls.
class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(ocx_.Factory(CLSID_Generale), nullptr) << "no class factory for Generale";
    ASSERT_EQ(ocx_.Factory(CLSID_Generale)->CreateInstance(nullptr, IID_IPropertyPage2, &page_), S_OK);
    host_ = sharedHost_;
    ASSERT_NE(host_, nullptr);
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

  // One host window serves every test of a suite: destroying (or hiding) a
  // top-level window costs about two seconds under wine and Xvfb.
  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VelmoraPageTestHost";
    RegisterClassW(&wc);
    sharedHost_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"VelmoraPageTestHost", L"Generale",
                                  WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20, 460, 320, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (sharedHost_) DestroyWindow(sharedHost_);
    sharedHost_ = nullptr;
  }
  static inline HWND sharedHost_ = nullptr;

  FakeControl& Add(short dateValue, short maxLength, short virgola = 0, short tastoInvio = 0) {
    controls_.push_back(std::make_unique<FakeControl>(dateValue, maxLength, virgola, tastoInvio));
    return *controls_.back();
  }
  HRESULT Select() {
    std::vector<IUnknown*> objects;
    for (auto& control : controls_) objects.push_back(control.get());
    return page_->SetObjects(static_cast<ULONG>(objects.size()), objects.data());
  }
  HRESULT SelectReal() {
    std::vector<IUnknown*> objects;
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
    HDC screen = GetDC(nullptr);
    SIZE size{MulDiv(5925, GetDeviceCaps(screen, LOGPIXELSX), 1440), MulDiv(3495, GetDeviceCaps(screen, LOGPIXELSY), 1440)};
    ReleaseDC(nullptr, screen);
    return size;
  }
  HWND PageWindow() const { return FindWindowExW(host_, nullptr, L"VelmoraGeneralePage", nullptr); }
  // The page's windows in z-order.
  std::vector<HWND> Children() const {
    std::vector<HWND> children;
    for (HWND w = GetWindow(PageWindow(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) children.push_back(w);
    return children;
  }
  // By the text the window answers (an edit box keeps its text to itself,
  // so FindWindowEx cannot see it).
  HWND Child(std::wstring_view caption) const {
    for (HWND w : Children())
      if (Text(w) == caption) return w;
    return nullptr;
  }
  HWND Child(ControlId id) const {
    // Text1 and Label1 change their texts: found by the place the layout
    // gives them, every other control by its caption.
    const PageLayoutControl& row = velmora::FindLayoutControl(id);
    if (id.name == PageControl::Text1 || id.name == PageControl::Label1) {
      HDC screen = GetDC(nullptr);
      POINT at{MulDiv(row.left, GetDeviceCaps(screen, LOGPIXELSX), 1440),
               MulDiv(row.top, GetDeviceCaps(screen, LOGPIXELSY), 1440)};
      ReleaseDC(nullptr, screen);
      for (HWND w : Children()) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(HWND_DESKTOP, PageWindow(), reinterpret_cast<POINT*>(&r), 2);
        if (r.left == at.x && r.top == at.y) return w;
      }
      return nullptr;
    }
    return Child(std::wstring(row.caption.begin(), row.caption.end()));
  }
  static std::wstring Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
  }
  void Click(std::wstring_view caption) {
    HWND button = Child(caption);
    ASSERT_NE(button, nullptr) << Narrow(caption);
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
  }
  void Do(const std::vector<Action>& actions);
  static bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
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
  OleScope ole_;  // goes before the OCX, as it came after it
  std::vector<ComPtr<IDispatch>> real_;  // real controls, after the OCX they live in
  TestSite site_;
  std::vector<std::unique_ptr<FakeControl>> controls_;
  ComPtr<IPropertyPage2> page_;
  HWND host_ = nullptr;
};

void PageTest::Do(const std::vector<Action>& actions) {
  for (const Action& action : actions) {
    switch (action.kind) {
      case Action::Click: Click(action.value); break;
      case Action::Text1: SetWindowTextW(Child(PageControl::Text1), action.value); break;
      case Action::TxtMaxLength: SetWindowTextW(Child(L""), action.value); break;
    }
    Pump();
  }
}

constexpr wchar_t kData[] = L"Data (14/12/1967)";
constexpr wchar_t kNumero[] = L"Numero (14.121.967)";
constexpr wchar_t kLong[] = L"Modalit\u00E0 LongDate: 14/12/1967";
constexpr wchar_t kShort[] = L"Modalit\u00E0 ShortDate: 14/12/67";
constexpr wchar_t kDayMonth[] = L"Modalit\u00E0 Giorno/Mese: 14/12";
constexpr wchar_t kVirgolaBox[] = L"Accetta virgola e decimali";
constexpr wchar_t kInvioBox[] = L"Disabilita il tasto Invio";
constexpr wchar_t kDateValueBox[] = L"DateValue";

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

  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  auto pageRect = [&](HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, page, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };

  for (const PageLayoutControl& row : GeneraleLayout().controls) {
    const std::string name = std::string(velmora::PageControlName(row.id.name)) +
                             (row.id.index >= 0 ? "(" + std::to_string(row.id.index) + ")" : "");
    SCOPED_TRACE(name);
    HWND hwnd = Child(std::wstring(row.caption.begin(), row.caption.end()));
    ASSERT_NE(hwnd, nullptr) << "no window captioned as laid out";
    EXPECT_EQ(GetParent(hwnd), page);
    wchar_t windowClass[32];
    GetClassNameW(hwnd, windowClass, 32);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    switch (row.kind) {
      case ControlKind::Frame:
        EXPECT_EQ(_wcsicmp(windowClass, L"Button"), 0) << Narrow(windowClass);
        EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX);
        break;
      case ControlKind::OptionButton:
        EXPECT_EQ(_wcsicmp(windowClass, L"Button"), 0) << Narrow(windowClass);
        EXPECT_EQ(style & BS_TYPEMASK, BS_RADIOBUTTON);
        EXPECT_FALSE(Checked(hwnd)) << "no option button is selected as created";
        break;
      case ControlKind::CheckBox:
        EXPECT_EQ(_wcsicmp(windowClass, L"Button"), 0) << Narrow(windowClass);
        EXPECT_EQ(style & BS_TYPEMASK, BS_3STATE);
        EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        break;
      case ControlKind::TextBox: EXPECT_EQ(_wcsicmp(windowClass, L"Edit"), 0) << Narrow(windowClass); break;
      case ControlKind::Label: EXPECT_EQ(_wcsicmp(windowClass, L"Static"), 0) << Narrow(windowClass); break;
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
      origin = pageRect(Child(std::wstring(frame.caption.begin(), frame.caption.end())));
    }
    RECT r = pageRect(hwnd);
    const int x = MulDiv(originX + row.left, dpiX, 1440), y = MulDiv(originY + row.top, dpiY, 1440);
    EXPECT_EQ(r.left - origin.left, x - MulDiv(originX, dpiX, 1440));
    EXPECT_EQ(r.top - origin.top, y - MulDiv(originY, dpiY, 1440));
    EXPECT_EQ(r.right - r.left, MulDiv(originX + row.left + row.width, dpiX, 1440) - x);
    EXPECT_EQ(r.bottom - r.top, MulDiv(originY + row.top + row.height, dpiY, 1440) - y);
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
  for (auto* row : byTab) expected.emplace_back(row->caption.begin(), row->caption.end());
  for (HWND w = GetWindow(page, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) actual.push_back(Text(w));
  EXPECT_EQ(actual, expected);
  // Each option array is one group, started by its first button in tab
  // order; the other buttons do not start one.
  EXPECT_TRUE(GetWindowLongW(Child(kDayMonth), GWL_STYLE) & WS_GROUP);
  EXPECT_FALSE(GetWindowLongW(Child(kShort), GWL_STYLE) & WS_GROUP);
  EXPECT_FALSE(GetWindowLongW(Child(kLong), GWL_STYLE) & WS_GROUP);
  EXPECT_TRUE(GetWindowLongW(Child(kData), GWL_STYLE) & WS_GROUP);
  EXPECT_FALSE(GetWindowLongW(Child(kNumero), GWL_STYLE) & WS_GROUP);
  EXPECT_TRUE(GetWindowLongW(Child(L"Data o numero?"), GWL_STYLE) & WS_GROUP);
}

struct LoadRow {
  const char* name;
  short dateValue, maxLength, virgola, tastoInvio;
  const wchar_t* style;  // the Option1 button selected
  bool dateView;
  const wchar_t* text1;
};

class PageLoadTest : public PageTest, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(PageLoadTest, ShowsTheFirstControlsSettings) {
  const LoadRow& row = GetParam();
  Add(row.dateValue, row.maxLength, row.virgola, row.tastoInvio);
  Add(0, 99, 0, 0);  // the second selected control is never read
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);

  for (const wchar_t* style : {kLong, kShort, kDayMonth}) {
    EXPECT_EQ(Checked(Child(style)), style == row.style) << Narrow(style);
  }
  EXPECT_EQ(Checked(Child(kData)), row.dateView);
  EXPECT_EQ(Checked(Child(kNumero)), !row.dateView);
  EXPECT_EQ(Checked(Child(kVirgolaBox)), row.virgola != 0);
  EXPECT_EQ(Checked(Child(kInvioBox)), row.tastoInvio != 0);
  EXPECT_EQ(Text(Child(PageControl::Text1)), row.text1);
  EXPECT_EQ(Text(Child(PageControl::Label1)),
            std::wstring(L"L'attuale numero di cifre editabili in Velmora \u00E8 ") + row.text1 + L". Vuoi modificarlo?");

  // The views: Frame2 and chkInvio always; Frame1 in the date view; Frame3,
  // Label1 and Text1 in the number view; a frame's controls with it.
  EXPECT_TRUE(IsWindowVisible(Child(L"Data o numero?")));
  EXPECT_TRUE(IsWindowVisible(Child(kInvioBox)));
  EXPECT_EQ(IsWindowVisible(Child(L"Impostare la modalit\u00E0 della data")) != 0, row.dateView);
  EXPECT_EQ(IsWindowVisible(Child(kLong)) != 0, row.dateView);
  EXPECT_EQ(IsWindowVisible(Child(L"Decimali")) != 0, !row.dateView);
  EXPECT_EQ(IsWindowVisible(Child(kVirgolaBox)) != 0, !row.dateView);
  EXPECT_EQ(IsWindowVisible(Child(PageControl::Label1)) != 0, !row.dateView);
  EXPECT_EQ(IsWindowVisible(Child(PageControl::Text1)) != 0, !row.dateView);

  // Loading shows what the control holds: nothing to apply.
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(site_.dirtyCalls, 0);
  EXPECT_EQ(controls_[0]->Log(), "") << "loading writes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PageLoadTest,
    ::testing::Values(LoadRow{"DateLong", -1, 10, 0, 0, kLong, true, L"10"},
                      LoadRow{"DateShortInvio", -1, 8, 0, -1, kShort, true, L"8"},
                      LoadRow{"DateDayMonthVirgolaHidden", -1, 5, -1, 0, kDayMonth, true, L"5"},
                      LoadRow{"DateOtherLengthShowsLong", -1, 7, 0, 0, kLong, true, L"7"},
                      LoadRow{"Number12", 0, 12, -1, -1, kLong, false, L"12"},
                      LoadRow{"Number8PreselectsShort", 0, 8, 0, 0, kShort, false, L"8"},
                      LoadRow{"DateValueOneIsNotTrue", 1, 10, 0, 0, kLong, false, L"10"}),
    [](const auto& info) { return std::string(info.param.name); });


struct ApplyRow {
  const char* name;
  short dateValue, maxLength, virgola, tastoInvio;  // of every selected control
  int selected;
  std::vector<Action> actions;
  bool dirty;                 // after the actions
  HRESULT applied;
  std::vector<std::string> writes;  // per selected control
};

// Where the developer presses OK in a frame of several tabs: on the page, on
// another tab (the frame deactivated the page when it left it), or back on
// the page after a visit to another tab.
enum Route { OnThePage, OnAnotherTab, BackOnThePage };
constexpr const char* kRouteNames[] = {"OnThePage", "OnAnotherTab", "BackOnThePage"};

class PageApplyTest : public PageTest, public ::testing::WithParamInterface<std::tuple<ApplyRow, Route>> {};

TEST_P(PageApplyTest, WritesTheSettingsToEverySelectedControl) {
  const auto& [row, route] = GetParam();
  for (int i = 0; i < row.selected; ++i) Add(row.dateValue, row.maxLength, row.virgola, row.tastoInvio);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  Do(row.actions);
  EXPECT_EQ(page_->IsPageDirty(), row.dirty ? S_OK : S_FALSE);
  EXPECT_EQ(site_.dirtyCalls > 0, row.dirty);
  const std::vector<std::wstring> shown = Shown();
  if (route != OnThePage) {
    ASSERT_EQ(page_->Deactivate(), S_OK);
    EXPECT_EQ(page_->IsPageDirty(), row.dirty ? S_OK : S_FALSE) << "the edits outlive the windows";
  }
  if (route == BackOnThePage) {
    ASSERT_EQ(Activate(), S_OK);
    EXPECT_EQ(Shown(), shown) << "the edits are shown again";
    EXPECT_EQ(page_->IsPageDirty(), row.dirty ? S_OK : S_FALSE);
  }

  SetErrorInfo(0, nullptr);
  const HRESULT hr = page_->Apply();
  EXPECT_EQ(hr, row.applied) << std::hex << hr;
  ComPtr<IErrorInfo> error;
  const bool described = GetErrorInfo(0, &error) == S_OK && error;
  EXPECT_EQ(described, FAILED(row.applied)) << "rich error information exactly for a failed apply";
  if (described) {
    BSTR text = nullptr;
    error->GetDescription(&text);
    EXPECT_NE(std::wstring(text ? text : L"").find(L"MaxLength"), std::wstring::npos) << Narrow(text ? text : L"");
    SysFreeString(text);
  }
  for (int i = 0; i < row.selected; ++i) {
    EXPECT_EQ(controls_[static_cast<std::size_t>(i)]->Log(), row.writes[static_cast<std::size_t>(i)]) << "control " << i;
  }
  EXPECT_EQ(page_->IsPageDirty(), SUCCEEDED(row.applied) ? S_FALSE : (row.dirty ? S_OK : S_FALSE));
}

const std::string kDate10 = "DateValue(BOOL)=-1 MaxLength(I2)=10 TastoInvio(BOOL)=0";

INSTANTIATE_TEST_SUITE_P(
    Rows, PageApplyTest,
    ::testing::Combine(::testing::Values(
        // A page the developer has not changed applies nothing.
        ApplyRow{"Date8Unchanged", -1, 8, 0, -1, 1, {}, false, S_OK, {""}},
        ApplyRow{"Date7Unchanged", -1, 7, 0, 0, 1, {}, false, S_OK, {""}},
        ApplyRow{"Date7AppliesLongOnceChanged", -1, 7, 0, 0, 1,
                 {{Action::Click, kInvioBox}, {Action::Click, kInvioBox}}, true, S_OK, {kDate10}},
        ApplyRow{"StyleClickDayMonth", -1, 10, 0, 0, 1, {{Action::Click, kDayMonth}}, true, S_OK,
                 {"DateValue(BOOL)=-1 MaxLength(I2)=5 TastoInvio(BOOL)=0"}},
        ApplyRow{"NumberToDateKeepsVirgola", 0, 12, -1, 0, 1, {{Action::Click, kData}}, true, S_OK, {kDate10}},
        ApplyRow{"Number8ToDateWrites8", 0, 8, 0, 0, 1, {{Action::Click, kData}}, true, S_OK,
                 {"DateValue(BOOL)=-1 MaxLength(I2)=8 TastoInvio(BOOL)=0"}},
        ApplyRow{"DateToNumberWithChecks", -1, 10, 0, 0, 1,
                 {{Action::Click, kNumero}, {Action::Click, kVirgolaBox}, {Action::Click, kInvioBox},
                  {Action::Text1, L"9"}},
                 true, S_OK, {"Virgola(BOOL)=-1 DateValue(BOOL)=0 MaxLength(R8)=9 TastoInvio(BOOL)=-1"}},
        ApplyRow{"InvioUnchecked", -1, 10, 0, -1, 1, {{Action::Click, kInvioBox}}, true, S_OK, {kDate10}},
        ApplyRow{"Text1EmptyGivesZero", 0, 12, 0, 0, 1, {{Action::Text1, L""}}, false, S_OK,
                 {"Virgola(BOOL)=0 DateValue(BOOL)=0 MaxLength(R8)=0 TastoInvio(BOOL)=0"}},
        ApplyRow{"Text1BlanksSkipped", 0, 12, 0, 0, 1, {{Action::Text1, L" 1 2"}}, false, S_OK,
                 {"Virgola(BOOL)=0 DateValue(BOOL)=0 MaxLength(R8)=12 TastoInvio(BOOL)=0"}},
        ApplyRow{"Text1CommaEndsNumber", 0, 12, 0, 0, 1, {{Action::Text1, L"12,5"}}, false, S_OK,
                 {"Virgola(BOOL)=0 DateValue(BOOL)=0 MaxLength(R8)=12 TastoInvio(BOOL)=0"}},
        ApplyRow{"Text1HalfToEvenDown", 0, 12, 0, 0, 1, {{Action::Text1, L"2.5"}}, false, S_OK,
                 {"Virgola(BOOL)=0 DateValue(BOOL)=0 MaxLength(R8)=2 TastoInvio(BOOL)=0"}},
        ApplyRow{"Text1HalfToEvenUp", 0, 12, 0, 0, 1, {{Action::Text1, L"3.5"}}, false, S_OK,
                 {"Virgola(BOOL)=0 DateValue(BOOL)=0 MaxLength(R8)=4 TastoInvio(BOOL)=0"}},
        ApplyRow{"Text1OverflowStopsThere", 0, 12, -1, 0, 2, {{Action::Text1, L"40000"}}, false, DISP_E_OVERFLOW,
                 {"Virgola(BOOL)=-1 DateValue(BOOL)=0 MaxLength(R8)=failed", ""}},
        ApplyRow{"TxtMaxLengthMarksChangedOnly", -1, 8, 0, 0, 1, {{Action::TxtMaxLength, L"99"}}, true, S_OK,
                 {"DateValue(BOOL)=-1 MaxLength(I2)=8 TastoInvio(BOOL)=0"}},
        ApplyRow{"ChkDateValueMarksChangedOnly", -1, 8, 0, 0, 1, {{Action::Click, kDateValueBox}}, true, S_OK,
                 {"DateValue(BOOL)=-1 MaxLength(I2)=8 TastoInvio(BOOL)=0"}},
        ApplyRow{"SeveralControlsSameValues", 0, 7, 0, 0, 3, {{Action::Click, kData}}, true, S_OK,
                 {kDate10, kDate10, kDate10}}),
                       ::testing::Values(OnThePage, OnAnotherTab, BackOnThePage)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + kRouteNames[std::get<1>(info.param)];
    });

// The same page over real VelmoraControl objects of the OCX: the values
// reach the controls' own properties through their type library dispatch,
// which converts MaxLength's double to 16 bits itself.
struct Settings {
  short dateValue, maxLength, virgola, tastoInvio;
  bool operator==(const Settings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Settings& s) {
  return out << "{DateValue " << s.dateValue << ", MaxLength " << s.maxLength << ", Virgola " << s.virgola
             << ", TastoInvio " << s.tastoInvio << "}";
}

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
    ASSERT_EQ(PutShort(control.Get(), L"DateValue", row.before.dateValue, VT_BOOL), S_OK);
    ASSERT_EQ(PutShort(control.Get(), L"MaxLength", row.before.maxLength, VT_I2), S_OK);
    ASSERT_EQ(PutShort(control.Get(), L"Virgola", row.before.virgola, VT_BOOL), S_OK);
    ASSERT_EQ(PutShort(control.Get(), L"TastoInvio", row.before.tastoInvio, VT_BOOL), S_OK);
    real_.push_back(control);
  }
  ASSERT_EQ(SelectReal(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(Checked(Child(kData)), row.before.dateValue == -1) << "loaded from the first control";
  Do(row.actions);
  SetErrorInfo(0, nullptr);
  const HRESULT hr = page_->Apply();
  EXPECT_EQ(SUCCEEDED(hr), row.applies) << std::hex << hr;
  if (!row.applies) {
    ComPtr<IErrorInfo> error;
    EXPECT_EQ(GetErrorInfo(0, &error), S_OK) << "a failed apply describes itself";
  }
  auto settings = [](IDispatch* c) {
    return Settings{GetShort(c, L"DateValue"), GetShort(c, L"MaxLength"), GetShort(c, L"Virgola"),
                    GetShort(c, L"TastoInvio")};
  };
  EXPECT_EQ(settings(real_[0].Get()), row.first);
  EXPECT_EQ(settings(real_[1].Get()), row.second);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PageRealControlTest,
    ::testing::Values(
        RealRow{"NumberToShortDateKeepsVirgola", {0, 12, -1, 0}, {{Action::Click, kData}, {Action::Click, kShort}},
                true, {-1, 8, -1, 0}, {-1, 8, -1, 0}},
        RealRow{"DateToNumberWithChecks", {-1, 10, 0, 0},
                {{Action::Click, kNumero}, {Action::Click, kVirgolaBox}, {Action::Click, kInvioBox},
                 {Action::Text1, L"9"}},
                true, {0, 9, -1, -1}, {0, 9, -1, -1}},
        RealRow{"HalfToEvenByTheControlsDispatch", {0, 12, 0, 0}, {{Action::Text1, L"2.5"}}, true, {0, 2, 0, 0},
                {0, 2, 0, 0}},
        RealRow{"OverflowStopsAtTheFirstControl", {0, 12, 0, -1},
                {{Action::Click, kVirgolaBox}, {Action::Click, kInvioBox}, {Action::Text1, L"40000"}}, false,
                {0, 12, -1, -1}, {0, 12, 0, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageTest, AClickOnTheOtherModeSwitchesTheViewAtOnce) {
  Add(-1, 10);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  Click(kNumero);
  EXPECT_FALSE(IsWindowVisible(Child(kLong)));
  EXPECT_TRUE(IsWindowVisible(Child(kVirgolaBox)));
  EXPECT_TRUE(IsWindowVisible(Child(PageControl::Text1)));
  EXPECT_FALSE(Checked(Child(kData)));
  const int calls = site_.dirtyCalls;
  Click(kNumero);  // already selected: nothing changes
  EXPECT_EQ(site_.dirtyCalls, calls);
  // A new selection overwrites every edit and leaves nothing to apply,
  // shown or kept while another tab is.
  ASSERT_EQ(Select(), S_OK);
  EXPECT_TRUE(Checked(Child(kData)));
  EXPECT_TRUE(IsWindowVisible(Child(kLong)));
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  Click(kNumero);
  ASSERT_EQ(page_->Deactivate(), S_OK);
  ASSERT_EQ(Select(), S_OK);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(controls_[0]->Log(), "");
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_TRUE(Checked(Child(kData)));
}

TEST_F(PageTest, FailuresReachTheHost) {
  // A selected object without IDispatch is refused and the selection kept.
  Add(-1, 8);
  ASSERT_EQ(Select(), S_OK);
  ComPtr<IUnknown> plain;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(plain.GetAddressOf())), S_OK);
  IUnknown* objects[] = {plain.Get()};
  EXPECT_EQ(page_->SetObjects(1, objects), E_NOINTERFACE);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_TRUE(Checked(Child(kShort))) << "the earlier selection is still the page's";
  EXPECT_EQ(page_->Activate(host_, nullptr, TRUE), E_POINTER);
  RECT rect{0, 0, 10, 10};
  EXPECT_EQ(page_->Activate(host_, &rect, TRUE), E_UNEXPECTED) << "already active";
  EXPECT_EQ(page_->Deactivate(), S_OK);
  EXPECT_EQ(PageWindow(), nullptr);
  EXPECT_EQ(page_->Show(SW_SHOW), E_UNEXPECTED);
}

TEST_F(PageTest, EditPropertyFocusesTheControlOfTheProperty) {
  Add(-1, 8);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  SetForegroundWindow(host_);
  EXPECT_EQ(page_->EditProperty(kMaxLength), S_OK);
  EXPECT_EQ(GetFocus(), Child(kShort));
  EXPECT_EQ(page_->EditProperty(kDateValue), S_OK);
  EXPECT_EQ(GetFocus(), Child(kData));
  EXPECT_EQ(page_->EditProperty(kVirgola), E_NOTIMPL) << "the decimals frame is hidden in the date view";
  EXPECT_EQ(page_->EditProperty(kTastoInvio), E_NOTIMPL);
  Click(kNumero);
  EXPECT_EQ(page_->EditProperty(kVirgola), S_OK);
  EXPECT_EQ(GetFocus(), Child(kVirgolaBox));
  EXPECT_EQ(page_->EditProperty(kMaxLength), S_OK);
  EXPECT_EQ(GetFocus(), Child(PageControl::Text1));

  // Tab is the page's own key: from Text1 it reaches txtMaxLength, outside
  // the visible area, then chkDateValue.
  MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_EQ(page_->TranslateAccelerator(&tab), S_OK);
  EXPECT_EQ(GetFocus(), Child(L""));
  tab.hwnd = GetFocus();
  EXPECT_EQ(page_->TranslateAccelerator(&tab), S_OK);
  EXPECT_EQ(GetFocus(), Child(kDateValueBox));
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
  ASSERT_EQ(PutShort(control.Get(), L"DateValue", 0, VT_BOOL), S_OK);
  ASSERT_EQ(PutShort(control.Get(), L"MaxLength", 12, VT_I2), S_OK);
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
  ASSERT_EQ(SelectReal(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(textNow(), L"12345");
  Click(kInvioBox);
  EXPECT_EQ(page_->IsPageDirty(), S_OK);
  EXPECT_EQ(page_->Apply(), S_OK);
  EXPECT_EQ(GetShort(control.Get(), L"TastoInvio"), -1);
  EXPECT_EQ(textNow(), L"0");
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);
}

// Null and junk arguments from a careless caller: refused, never a crash.
struct HostileRow {
  const char* name;
  HRESULT (*call)(IPropertyPage2* page, IDispatch* dispatch, HWND host);
  HRESULT expected;
};

class PageHostileTest : public PageTest, public ::testing::WithParamInterface<HostileRow> {};

TEST_P(PageHostileTest, Answers) {
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(page_.As(&dispatch), S_OK);
  EXPECT_EQ(GetParam().call(page_.Get(), dispatch.Get(), host_), GetParam().expected);
}

LPOLESTR kMemberOfIDispatch[] = {const_cast<LPOLESTR>(L"QueryInterface")};

INSTANTIATE_TEST_SUITE_P(
    Rows, PageHostileTest,
    ::testing::Values(
        HostileRow{"NamesNull",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     DISPID id;
                     return d->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id);
                   },
                   E_POINTER},
        HostileRow{"IdsNull",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     return d->GetIDsOfNames(IID_NULL, kMemberOfIDispatch, 1, 0, nullptr);
                   },
                   E_POINTER},
        HostileRow{"IDispatchsOwnMethodIsNoMember",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     DISPID id = 0;
                     HRESULT hr = d->GetIDsOfNames(IID_NULL, kMemberOfIDispatch, 1, 0, &id);
                     return id == DISPID_UNKNOWN ? hr : E_FAIL;
                   },
                   DISP_E_UNKNOWNNAME},
        HostileRow{"NoNames",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     DISPID id;
                     return d->GetIDsOfNames(IID_NULL, kMemberOfIDispatch, 0, 0, &id);
                   },
                   S_OK},
        HostileRow{"InterfaceNotNull",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     DISPID id;
                     return d->GetIDsOfNames(IID_IDispatch, kMemberOfIDispatch, 1, 0, &id);
                   },
                   DISP_E_UNKNOWNINTERFACE},
        HostileRow{"TypeInfoCountNull",
                   [](IPropertyPage2*, IDispatch* d, HWND) { return d->GetTypeInfoCount(nullptr); }, E_POINTER},
        HostileRow{"TypeInfoNull", [](IPropertyPage2*, IDispatch* d, HWND) { return d->GetTypeInfo(0, 0, nullptr); },
                   E_POINTER},
        HostileRow{"TypeInfoBadIndex",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
                     HRESULT hr = d->GetTypeInfo(1, 0, &info);
                     return info == nullptr ? hr : E_FAIL;
                   },
                   DISP_E_BADINDEX},
        HostileRow{"InvokeAllNull",
                   [](IPropertyPage2*, IDispatch* d, HWND) {
                     return d->Invoke(0, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
                   },
                   DISP_E_MEMBERNOTFOUND},
        HostileRow{"QueryInterfaceNull",
                   [](IPropertyPage2* p, IDispatch*, HWND) { return p->QueryInterface(IID_IUnknown, nullptr); },
                   E_POINTER},
        HostileRow{"PageInfoNull", [](IPropertyPage2* p, IDispatch*, HWND) { return p->GetPageInfo(nullptr); },
                   E_POINTER},
        HostileRow{"ObjectsNull", [](IPropertyPage2* p, IDispatch*, HWND) { return p->SetObjects(1, nullptr); },
                   E_POINTER},
        HostileRow{"AnObjectNull",
                   [](IPropertyPage2* p, IDispatch* d, HWND) {
                     IUnknown* objects[] = {d, nullptr};
                     return p->SetObjects(2, objects);
                   },
                   E_POINTER},
        HostileRow{"NoObjectsJunkArray",
                   [](IPropertyPage2* p, IDispatch*, HWND) {
                     return p->SetObjects(0, reinterpret_cast<IUnknown**>(8));
                   },
                   S_OK},
        HostileRow{"ActivateRectNull",
                   [](IPropertyPage2* p, IDispatch*, HWND host) { return p->Activate(host, nullptr, TRUE); },
                   E_POINTER},
        HostileRow{"MoveNull", [](IPropertyPage2* p, IDispatch*, HWND) { return p->Move(nullptr); }, E_POINTER},
        HostileRow{"KeyNull", [](IPropertyPage2* p, IDispatch*, HWND) { return p->TranslateAccelerator(nullptr); },
                   E_POINTER},
        HostileRow{"ApplyBeforeAnything", [](IPropertyPage2* p, IDispatch*, HWND) { return p->Apply(); }, S_OK},
        HostileRow{"ShowBeforeActivate", [](IPropertyPage2* p, IDispatch*, HWND) { return p->Show(SW_SHOW); },
                   E_UNEXPECTED},
        HostileRow{"EditPropertyBeforeActivate",
                   [](IPropertyPage2* p, IDispatch*, HWND) { return p->EditProperty(kMaxLength); }, E_UNEXPECTED}),
    [](const auto& info) { return std::string(info.param.name); });

// Keys, as Windows' property frame hands them over: every key to the page
// first, then (on S_FALSE) to the frame's own dialog handling.
struct KeyRow {
  const char* name;
  bool dateView;
  const wchar_t* from;  // the focused control's caption; nullptr: Text1
  UINT key;
  bool shift, control, alt;
  HRESULT answer;
  const wchar_t* to;  // focused afterwards, as `from`
  bool offered;       // handed to the site's TranslateAccelerator
  bool changed;       // an option chosen: the page is changed, once
};

class PageKeyTest : public PageTest, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(PageKeyTest, TheFrameOffersTheKeyToThePageFirst) {
  const KeyRow& row = GetParam();
  Add(row.dateView ? -1 : 0, 10);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  SetForegroundWindow(host_);
  auto window = [&](const wchar_t* caption) { return caption ? Child(caption) : Child(PageControl::Text1); };
  HWND from = window(row.from);
  SetFocus(from);
  Pump();
  ASSERT_EQ(GetFocus(), from);

  BYTE keys[256] = {};
  keys[VK_SHIFT] = row.shift ? 0x80 : 0;
  keys[VK_CONTROL] = row.control ? 0x80 : 0;
  keys[VK_MENU] = row.alt ? 0x80 : 0;
  SetKeyboardState(keys);
  MSG message{from, row.alt ? UINT{WM_SYSKEYDOWN} : UINT{WM_KEYDOWN}, row.key, 1, 0, {0, 0}};
  const HRESULT hr = page_->TranslateAccelerator(&message);
  const BYTE none[256] = {};
  SetKeyboardState(const_cast<BYTE*>(none));
  Pump();

  EXPECT_EQ(hr, row.answer);
  EXPECT_EQ(GetFocus(), window(row.to)) << Narrow(Text(GetFocus()));
  EXPECT_EQ(site_.offered, row.offered ? std::vector<WPARAM>{row.key} : std::vector<WPARAM>{});
  EXPECT_EQ(page_->IsPageDirty(), row.changed ? S_OK : S_FALSE);
  EXPECT_EQ(site_.dirtyCalls, row.changed ? 1 : 0) << "the click handler ran once";
  if (row.changed) {
    EXPECT_TRUE(Checked(window(row.to))) << "the option landed on is chosen";
  }
  EXPECT_EQ(IsWindowVisible(Child(PageControl::Text1)) != 0, Checked(Child(kNumero))) << "the view follows the mode";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PageKeyTest,
    ::testing::Values(
        // The frame's keys, whatever has the focus.
        KeyRow{"EnterIsTheFramesOk", true, kLong, VK_RETURN, false, false, false, S_FALSE, kLong, true, false},
        KeyRow{"EscapeIsTheFramesCancel", false, nullptr, VK_ESCAPE, false, false, false, S_FALSE, nullptr, true,
               false},
        KeyRow{"F1IsTheFramesHelp", true, kData, VK_F1, false, false, false, S_FALSE, kData, true, false},
        KeyRow{"CtrlTabTurnsTheFramesTab", true, kData, VK_TAB, false, true, false, S_FALSE, kData, true, false},
        KeyRow{"CtrlPageDown", false, nullptr, VK_NEXT, false, true, false, S_FALSE, nullptr, true, false},
        KeyRow{"CtrlPageUp", true, kInvioBox, VK_PRIOR, false, true, false, S_FALSE, kInvioBox, true, false},
        KeyRow{"AltLetterIsTheFramesMnemonic", true, kLong, 'A', false, false, true, S_FALSE, kLong, true, false},
        // Tab leaves the page from its last stop, Shift+Tab from its first.
        KeyRow{"TabFromTheLastStop", true, kInvioBox, VK_TAB, false, false, false, S_FALSE, kInvioBox, true, false},
        KeyRow{"ShiftTabFromTheFirstStop", true, kLong, VK_TAB, true, false, false, S_FALSE, kLong, true, false},
        KeyRow{"ShiftTabFromTheNumberViewsFirstStop", false, kNumero, VK_TAB, true, false, false, S_FALSE, kNumero,
               true, false},
        // Tab within the page: an option array is one stop, at its choice.
        KeyRow{"TabEntersTheModeAtItsChoice", true, kLong, VK_TAB, false, false, false, S_OK, kData, false, false},
        KeyRow{"TabPassesTheHiddenDecimals", true, kData, VK_TAB, false, false, false, S_OK, L"", false, false},
        KeyRow{"ShiftTabBack", false, kInvioBox, VK_TAB, true, false, false, S_OK, kVirgolaBox, false, false},
        // The arrows choose within an option array, as a click does, in
        // tab order (Frame1's runs from its bottom button up).
        KeyRow{"UpChoosesThePreviousStyle", true, kLong, VK_UP, false, false, false, S_OK, kShort, false, true},
        KeyRow{"DownFromTheLastStyleWraps", true, kLong, VK_DOWN, false, false, false, S_OK, kDayMonth, false, true},
        KeyRow{"RightChoosesNumberMode", true, kData, VK_RIGHT, false, false, false, S_OK, kNumero, false, true},
        KeyRow{"LeftChoosesDateMode", false, kNumero, VK_LEFT, false, false, false, S_OK, kData, false, true},
        KeyRow{"ArrowOnACheckBoxStays", true, kInvioBox, VK_DOWN, false, false, false, S_OK, kInvioBox, false,
               false},
        // The focused control's own keys.
        KeyRow{"ArrowsInText1MoveItsCaret", false, nullptr, VK_LEFT, false, false, false, S_FALSE, nullptr, false,
               false},
        KeyRow{"TypingInText1", false, nullptr, '7', false, false, false, S_FALSE, nullptr, false, false},
        KeyRow{"SpaceOnACheckBox", true, kInvioBox, VK_SPACE, false, false, false, S_FALSE, kInvioBox, false,
               false}),
    [](const auto& info) { return std::string(info.param.name); });

// Every caption fits its window in the page's own font, "MS Sans Serif"
// 8 pt, which the page makes whatever the frame gives (this host window
// gives none); Label1 with the longest sentence it can show, in two lines.
TEST_F(PageTest, EveryCaptionFitsItsWindowInThePagesFont) {
  Add(0, 32767);
  ASSERT_EQ(Select(), S_OK);
  ASSERT_EQ(Activate(), S_OK);
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
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
    IUnknown* objects[] = {&Add(dateValue, dateValue ? 10 : 12, 0, 0)};
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
  FakeControl& control = Add(0, 12, -1, 0);
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
