// What the Windows tests stand on besides the test container: OLE on the
// test thread, and the OCX loaded as a client loads it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include "shared/control_error.h"
#include "shared/win32_harness.h"
#include "test_files.h"
#include "velmora_h.h"
#include "windows/control_window.h"
#include "windows/edit_textbox.h"

namespace velmora::testing {

// OLE on this thread while it lives; the queue is emptied before OLE goes,
// so no message of a test's windows outlives its apartment.
class OleScope {
 public:
  OleScope() : hr_(OleInitialize(nullptr)) { EXPECT_TRUE(SUCCEEDED(hr_)) << "OleInitialize: " << hr_; }
  ~OleScope() {
    if (FAILED(hr_)) return;
    Pump();
    OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;

 private:
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

// Velmora.ocx loaded from beside this program and driven only through its
// exports, freed when this goes.
class Ocx {
 public:
  Ocx() : module_(LoadLibraryW(OcxPath().c_str())) { EXPECT_NE(module_, nullptr) << "Velmora.ocx not loaded"; }
  ~Ocx() {
    if (module_) FreeLibrary(module_);
  }
  Ocx(const Ocx&) = delete;
  Ocx& operator=(const Ocx&) = delete;

  bool loaded() const { return module_ != nullptr; }
  template <class F>
  F* Export(const char* name) const {
    return module_ ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }
  // A class factory of the OCX (DllGetClassObject), or null.
  Microsoft::WRL::ComPtr<IClassFactory> Factory(REFCLSID clsid) const {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    if (auto* get = Export<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject"))
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

 private:
  HMODULE module_;
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
