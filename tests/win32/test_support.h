// What the Windows tests stand on besides the test container: OLE or COM
// on a test's thread, and the OCX (or atl.dll) loaded as a client loads it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>
#include <utility>

#include "com/com_strings.h"
#include "shared/control_error.h"
#include "shared/win32_harness.h"
#include "test_files.h"
#include "velmora_h.h"
#include "windows/control_window.h"
#include "windows/edit_textbox.h"

namespace velmora::testing {

// The apartment a thread joins: OLE's (single-threaded, with the clipboard
// and drag and drop), plain COM single-threaded, or the multi-threaded one.
enum class Apartment { kOle, kSingleThreaded, kMultiThreaded };

// OLE or COM on this thread while it lives; the queue is emptied before it
// goes, so no message of a test's windows outlives its apartment. On a
// worker thread, ok() tells whether the apartment was joined.
class OleScope {
 public:
  explicit OleScope(Apartment apartment = Apartment::kOle) : apartment_(apartment) {
    hr_ = apartment == Apartment::kOle ? OleInitialize(nullptr)
                                       : CoInitializeEx(nullptr, apartment == Apartment::kMultiThreaded
                                                                     ? COINIT_MULTITHREADED
                                                                     : COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(SUCCEEDED(hr_)) << "joining the apartment: " << hr_;
  }
  ~OleScope() {
    if (FAILED(hr_)) return;
    Pump();
    if (apartment_ == Apartment::kOle)
      OleUninitialize();
    else
      CoUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;
  bool ok() const { return SUCCEEDED(hr_); }

 private:
  Apartment apartment_;
  HRESULT hr_;
};

// A fixture with OLE for each test (Base: ::testing::Test, or
// TestWithParam<Row>). Its members are made after OLE and go before it.
template <class Base = ::testing::Test>
class OleFixture : public Base {
 private:
  OleScope ole_;
};
using OleTest = OleFixture<>;

// Expects the rich error information a failed call of the control left
// on this thread: none unless described; else the control's source and
// interface and a description (the given one, when given).
inline void ExpectErrorInfo(bool described, const wchar_t* description = nullptr) {
  Microsoft::WRL::ComPtr<IErrorInfo> info;
  const HRESULT got = GetErrorInfo(0, &info);
  if (!described) {
    EXPECT_EQ(got, S_FALSE) << "no rich error information expected";
    return;
  }
  ASSERT_EQ(got, S_OK);
  win32::UniqueBstr source, text;
  GUID guid{};
  info->GetSource(source.put());
  info->GetDescription(text.put());
  info->GetGUID(&guid);
  EXPECT_EQ(source.ToWide(), L"Velmora.VelmoraControl");
  EXPECT_TRUE(IsEqualGUID(guid, IID__VelmoraControl));
  if (description) {
    EXPECT_EQ(text.ToWide(), description);
  } else {
    EXPECT_GT(text.length(), 0u);
  }
}

// A module loaded for a test (atl.dll, or the OCX below) and freed when
// this goes; a data file only for its resources.
class Module {
 public:
  explicit Module(const std::wstring& path, bool dataFile = false)
      : module_(dataFile ? LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE) : LoadLibraryW(path.c_str())) {
    EXPECT_NE(module_, nullptr) << "not loaded: " << Narrow(path);
  }
  ~Module() { Free(); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  bool loaded() const { return module_ != nullptr; }
  HMODULE get() const { return module_; }
  // Frees the module now: whether FreeLibrary succeeded.
  bool Free() { return module_ && FreeLibrary(std::exchange(module_, nullptr)); }
  template <class F>
  F* Export(const char* name) const {
    return module_ ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_;
};

using GetClassObjectFn = HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**);

// Velmora.ocx loaded from beside this program and driven only through its
// exports, freed when this goes.
class Ocx : public Module {
 public:
  explicit Ocx(bool dataFile = false) : Module(OcxPath(), dataFile) {}

  // A class factory of the OCX (DllGetClassObject), or null.
  Microsoft::WRL::ComPtr<IClassFactory> Factory(REFCLSID clsid) const {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    if (auto* get = Export<GetClassObjectFn>("DllGetClassObject"))
      get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    return factory;
  }
  // A new control from the OCX's factory, as a script's CreateObject makes it.
  Microsoft::WRL::ComPtr<IDispatch> NewControl() const {
    Microsoft::WRL::ComPtr<IDispatch> control;
    if (auto factory = Factory(CLSID_VelmoraControl))
      factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(control.GetAddressOf()));
    return control;
  }
  // DllCanUnloadNow's answer (E_FAIL when there is none).
  HRESULT CanUnloadNow() const {
    auto* canUnload = Export<HRESULT STDAPICALLTYPE()>("DllCanUnloadNow");
    return canUnload ? canUnload() : E_FAIL;
  }
};

// wine's ATL host (atl.dll): attaches a control to a host window of its
// class "AtlAxWin". The class is registered once per process: whichever
// host registers it takes it away again, so the next one registers it
// afresh.
class AtlHost {
 public:
  AtlHost() {
    WNDCLASSEXW registered{};
    registered.cbSize = sizeof(registered);
    auto* init = atl_.Export<BOOL WINAPI()>("AtlAxWinInit");
    ours_ = init && !GetClassInfoExW(GetModuleHandleW(nullptr), L"AtlAxWin", &registered);
    if (ours_) {
      EXPECT_TRUE(init());
    }
  }
  ~AtlHost() {
    if (ours_)
      for (const wchar_t* name : {L"AtlAxWin", L"AtlAxWinLic"}) UnregisterClassW(name, GetModuleHandleW(nullptr));
  }
  AtlHost(const AtlHost&) = delete;
  AtlHost& operator=(const AtlHost&) = delete;

  // A visible host window with the control attached (null, and a failure,
  // when the host refuses it); container is the host's object.
  HWND Attach(IUnknown* control, Microsoft::WRL::ComPtr<IUnknown>& container) {
    auto* attach = atl_.Export<HRESULT WINAPI(IUnknown*, HWND, IUnknown**)>("AtlAxAttachControl");
    HWND host = CreateWindowExW(0, L"AtlAxWin", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 260, 80, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (attach && host && attach(control, host, container.GetAddressOf()) == S_OK) return host;
    ADD_FAILURE() << "the ATL host did not take the control";
    if (host) DestroyWindow(host);
    return nullptr;
  }

 private:
  Module atl_{L"atl.dll"};
  bool ours_ = false;
};

// The client of a control window without the rest of the control: it
// places box, when there is one, as the window's face, and tells the window
// whether its container reflects; everything else it ignores.
struct FaceClient final : win32::ControlWindow::Client {
  explicit FaceClient(bool reflects = false) : reflects(reflects) {}
  HWND PlaceFace(HWND parent, const RECT& rect, bool alone) override {
    return box ? box->Place(parent, rect, alone) : nullptr;
  }
  void UnplaceFace() noexcept override {
    if (box) box->Unplace();
  }
  bool FaceEnabled() const noexcept override { return !box || box->Enabled(); }
  bool ContainerReflects() noexcept override { return reflects; }
  void FocusChanged(bool) noexcept override {}
  void WindowDestroyed() noexcept override {}
  LRESULT AnswerGetObject(WPARAM, LPARAM) noexcept override { return 0; }
  IUnknown* Lifetime() noexcept override { return nullptr; }
  void WindowGone() noexcept override {
    if (box) box->WindowGone();
  }

  win32::EditTextBox* box = nullptr;
  bool reflects;
};

// Text1 in its control window, as the control object pairs them; the
// windows go before the box.
struct BoxInWindow {
  explicit BoxInWindow(bool reflects = false) : client(reflects) { client.box = &box; }
  ~BoxInWindow() {
    window.SetParentWindow(nullptr);
    client.box = nullptr;
  }
  FaceClient client;
  win32::ControlWindow window{client};
  win32::EditTextBox box{window};
};

}  // namespace velmora::testing
