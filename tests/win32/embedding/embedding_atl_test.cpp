// A container nobody here wrote: wine's ATL host window (AtlAxWin in
// atl.dll) takes the control, activates it in place, sizes it with its
// window, lets the user type into it, and gives it back when destroyed.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <string>

#include "com/com_module.h"
#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "windows/win32_platform.h"

namespace velmora::testing {
namespace {

// Runs a plain message loop: the ATL host does no keyboard navigation.
void PlainPump() { velmora::testing::Pump(nullptr, 30); }

void TypeText(const wchar_t* keys) {
  for (const wchar_t* p = keys; *p; ++p) {
    Send(CharStroke(*p));
    PlainPump();
  }
}

TEST(AtlHost, CreatesShowsResizesTypesAndReleasesTheControl) {
  OleScope ole;
  win32::Win32Platform platform;
  ScopedPlatform installed(platform);
  const long objectsBefore = win32::ModuleObjectCount();
  {
    AtlHost atl;
    ComPtr<IUnknown> control = CreateTestControl();
    ComPtr<IUnknown> container;
    HWND host = atl.Attach(control.Get(), container);
    ASSERT_NE(host, nullptr);
    PlainPump();

    ComPtr<IOleWindow> window;
    ASSERT_EQ(control->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(window.GetAddressOf())), S_OK);
    HWND controlWindow = nullptr;
    ASSERT_EQ(window->GetWindow(&controlWindow), S_OK) << "the host activated the control in place";
    EXPECT_EQ(GetParent(controlWindow), host);
    EXPECT_TRUE(IsWindowVisible(controlWindow));
    HWND edit = GetWindow(controlWindow, GW_CHILD);
    ASSERT_NE(edit, nullptr);

    // The host sizes the control with its own client area.
    SetWindowPos(host, nullptr, 0, 0, 320, 120, SWP_NOMOVE | SWP_NOZORDER);
    PlainPump();
    RECT hostClient{}, editRect{};
    GetClientRect(host, &hostClient);
    GetWindowRect(edit, &editRect);
    EXPECT_EQ(editRect.right - editRect.left, hostClient.right);
    EXPECT_EQ(editRect.bottom - editRect.top, hostClient.bottom);

    SetForegroundWindow(host);
    SetFocus(edit);
    PlainPump();
    ASSERT_EQ(GetFocus(), edit);
    TypeText(L"14121967");
    wchar_t text[32] = {};
    GetWindowTextW(edit, text, 32);
    EXPECT_STREQ(text, L"14/12/1967") << "typed through the host's plain message loop";

    // Destroying the host's window closes the control and releases its site.
    window.Reset();
    container.Reset();
    DestroyWindow(host);
    PlainPump();
    EXPECT_FALSE(IsWindow(controlWindow) && GetParent(controlWindow) == host);
    ComPtr<IOleObject> ole;
    ASSERT_EQ(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(ole.GetAddressOf())), S_OK);
    ComPtr<IOleClientSite> site;
    EXPECT_EQ(ole->GetClientSite(site.GetAddressOf()), S_OK);
    EXPECT_EQ(site.Get(), nullptr) << "the host took its site back";
  }
  EXPECT_EQ(win32::ModuleObjectCount(), objectsBefore);
}

}  // namespace
}  // namespace velmora::testing
