#include "control_window.h"

#include <olectl.h>

#include <string>

#include "com_util.h"
#include "errors.h"

namespace velmora::win32 {

namespace {

constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr DWORD kParkedStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

ATOM g_class = 0;

[[noreturn]] void ThrowLastError(const char* what) {
  throw VelmoraError(ErrorNumber::ServiceFailed,
                     std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

const wchar_t* ControlWindow::ClassName() { return L"VelmoraControlWindow"; }

void ControlWindow::UnregisterWindowClass() {
  if (g_class != 0 && ::UnregisterClassW(ClassName(), ModuleInstance())) g_class = 0;
}

ControlWindow::ControlWindow() {
  if (g_class == 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // No background brush and no redraw styles: Text1 covers the window and
    // the window itself never paints.
    wc.lpfnWndProc = &ControlWindow::WindowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = ClassName();
    g_class = RegisterClassExW(&wc);
    if (g_class == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError("RegisterClassEx");
    if (g_class == 0) g_class = 1;  // registered by an earlier instance of this module's code
  }
  // A hidden pop-up without owner: it exists and can parent Text1 before any
  // container shows the control (a message-only window cannot be shown
  // later, and a script's object never gets a container window at all).
  hwnd_ = CreateWindowExW(kExStyle, ClassName(), L"", kParkedStyle, 0, 0, 0, 0, nullptr, nullptr, ModuleInstance(),
                          this);
  if (!hwnd_) ThrowLastError("CreateWindowEx (control window)");
}

ControlWindow::~ControlWindow() {
  if (hwnd_) {
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
}

void ControlWindow::SetParentWindow(HWND parent) {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (parent) {
    // A child's style goes on before SetParent, so the window never is a
    // top-level window of the container's thread with a parent.
    SetWindowLongPtrW(hwnd_, GWL_STYLE,
                      static_cast<LONG_PTR>(kChildStyle | (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE)));
    if (!SetParent(hwnd_, parent)) ThrowLastError("SetParent");
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  } else {
    ShowWindow(hwnd_, SW_HIDE);
    if (!SetParent(hwnd_, nullptr)) ThrowLastError("SetParent");
    SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(kParkedStyle));
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

HWND ControlWindow::ParentWindow() const {
  return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd_) : nullptr;
}

void ControlWindow::Show() { ShowWindow(hwnd_, SW_SHOWNA); }
void ControlWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void ControlWindow::SetRect(const RECT& rect) {
  SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlWindow::FillWith(HWND child) {
  fill_ = child;
  FillNow();
}

void ControlWindow::FillNow() {
  if (!fill_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  MoveWindow(fill_, 0, 0, client.right, client.bottom, TRUE);
}

LRESULT CALLBACK ControlWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ControlWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && self->hwnd_ == hwnd) return self->HandleMessage(msg, wParam, lParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT ControlWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND:
      // A control's notification carries its window; menu and accelerator
      // commands (lParam 0) are not ours to reflect.
      if (lParam != 0 && IsChild(hwnd_, reinterpret_cast<HWND>(lParam)))
        return SendMessageW(reinterpret_cast<HWND>(lParam), OCM_COMMAND, wParam, lParam);
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (lParam != 0 && IsChild(hwnd_, reinterpret_cast<HWND>(lParam))) {
        // A child that does not colour itself answers 0: the defaults apply.
        LRESULT brush = SendMessageW(reinterpret_cast<HWND>(lParam), OCM__BASE + msg, wParam, lParam);
        if (brush) return brush;
      }
      break;
    case WM_SIZE:
      FillNow();
      return 0;
    case WM_SETFOCUS: {
      // The focus given to the control goes on to its text box.
      HWND target = fill_ ? fill_ : GetWindow(hwnd_, GW_CHILD);
      if (target && IsWindowEnabled(target)) SetFocus(target);
      return 0;
    }
    case WM_NCDESTROY:
      // Destroyed from outside (the container's window went first): the
      // object stays, without a window.
      hwnd_ = nullptr;
      fill_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace velmora::win32
