#include "windows/control_window.h"

#include <olectl.h>

#include <string>

#include "com/com_module.h"
#include "com/handles.h"
#include "core/errors.h"

namespace velmora::win32 {

namespace {

constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

// The window class, registered once for the process by whichever thread
// makes the first control window (window classes belong to the process,
// not to a thread), and unregistered when the module is unloaded.
INIT_ONCE g_classOnce = INIT_ONCE_STATIC_INIT;
ATOM g_class = 0;

struct ClassRegistration {
  WNDPROC proc;
  DWORD error;
};

BOOL CALLBACK RegisterControlClass(PINIT_ONCE, PVOID parameter, PVOID*) {
  auto* registration = static_cast<ClassRegistration*>(parameter);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  // No background brush and no redraw styles: Text1 covers the window and
  // the window itself never paints.
  wc.lpfnWndProc = registration->proc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = ControlWindow::ClassName();
  g_class = RegisterClassExW(&wc);
  if (g_class == 0 && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    // Left behind by an earlier image of this module at the same address
    // that was not unloaded cleanly: its procedure may be another's.
    UnregisterClassW(ControlWindow::ClassName(), ModuleInstance());
    g_class = RegisterClassExW(&wc);
  }
  if (g_class == 0) {
    registration->error = GetLastError();
    return FALSE;  // tried again by the next window
  }
  return TRUE;
}

[[noreturn]] void ThrowError(const char* what, DWORD error) {
  throw VelmoraError(ErrorNumber::ServiceFailed,
                     std::string(what) + " failed (error " + std::to_string(error) + ")");
}

[[noreturn]] void ThrowLastError(const char* what) { ThrowError(what, GetLastError()); }

}  // namespace

const wchar_t* ControlWindow::ClassName() { return L"VelmoraControlWindow"; }

void ControlWindow::UnregisterWindowClass() {
  if (g_class != 0 && ::UnregisterClassW(ClassName(), ModuleInstance())) g_class = 0;
}

ControlWindow::~ControlWindow() {
  Destroy();
  client_.WindowGone();
}

void ControlWindow::Destroy() noexcept {
  // The face first: it reads its state back out of its window.
  if (child_ || alone_) client_.UnplaceFace();
  child_ = nullptr;
  if (hwnd_ && !alone_) {
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
  }
  hwnd_ = nullptr;
  parent_ = nullptr;
  alone_ = false;
}

void ControlWindow::SetParentWindow(HWND parent) {
  if (!parent) {
    Destroy();
    return;
  }
  if (hwnd_) {
    // SetParent keeps the window's size and its position relative to the
    // new parent's client area.
    if (parent != parent_ && !SetParent(hwnd_, parent)) ThrowLastError("SetParent");
    parent_ = parent;
    return;
  }
  const int width = rect_.right - rect_.left, height = rect_.bottom - rect_.top;
  if (client_.ContainerReflects()) {
    hwnd_ = client_.PlaceFace(parent, rect_, true);
    alone_ = true;
    parent_ = parent;
    return;
  }
  ClassRegistration registration{&ControlWindow::WindowProc, 0};
  if (!InitOnceExecuteOnce(&g_classOnce, &RegisterControlClass, &registration, nullptr))
    ThrowError("RegisterClassEx", registration.error);
  // Made hidden at its final place; Show shows it with Text1 already inside.
  HWND hwnd = CreateWindowExW(kExStyle, ClassName(), L"", kChildStyle | (input_ ? 0 : WS_DISABLED), rect_.left, rect_.top, width, height, parent,
                              nullptr, ModuleInstance(), this);
  if (!hwnd) ThrowLastError("CreateWindowEx (control window)");
  hwnd_ = hwnd;
  parent_ = parent;
  try {
    child_ = client_.PlaceFace(hwnd, RECT{0, 0, width, height}, false);
  } catch (...) {
    Destroy();
    throw;
  }
}

void ControlWindow::FaceDestroyed() {
  // The face's window went from outside (the container's window went
  // first): the object stays, without a window.
  hwnd_ = nullptr;
  parent_ = nullptr;
  alone_ = false;
  client_.WindowDestroyed();
}

void ControlWindow::Show() {
  if (hwnd_) ShowWindow(hwnd_, SW_SHOWNA);
}
void ControlWindow::Hide() {
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void ControlWindow::SetInputEnabled(bool on) {
  input_ = on;
  if (!hwnd_) return;
  const bool enable = on && (!alone_ || client_.FaceEnabled());
  if ((IsWindowEnabled(hwnd_) != FALSE) != enable) EnableWindow(hwnd_, enable ? TRUE : FALSE);
}

void ControlWindow::SetRect(const RECT& rect) {
  if (EqualRect(&rect, &rect_) && hwnd_) return;
  rect_ = rect;
  if (hwnd_)
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
  if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
  const ComPtr<IUnknown> keep(self->client_.Lifetime());
  return self->HandleMessage(msg, wParam, lParam);
}

// Text1, the usual sender, is recognised without IsChild, which walks the
// window tree (a trip to the window server under wine) and would run for
// every notification and every repaint of the box.
bool ControlWindow::IsOwnChild(HWND child) const {
  return child == child_ || child == fill_ || IsChild(hwnd_, child);
}

LRESULT ControlWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND:
      // A control's notification carries its window; menu and accelerator
      // commands (lParam 0) are not ours to reflect.
      if (lParam != 0 && IsOwnChild(reinterpret_cast<HWND>(lParam))) {
        const WORD code = HIWORD(wParam);
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS) client_.FocusChanged(code == EN_SETFOCUS);
        return SendMessageW(reinterpret_cast<HWND>(lParam), OCM_COMMAND, wParam, lParam);
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (lParam != 0 && IsOwnChild(reinterpret_cast<HWND>(lParam))) {
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
      HWND target = child_ ? child_ : fill_ ? fill_ : GetWindow(hwnd_, GW_CHILD);
      if (target && IsWindowEnabled(target)) SetFocus(target);
      return 0;
    }
    case WM_GETOBJECT:
      if (const LRESULT answer = client_.AnswerGetObject(wParam, lParam)) return answer;
      break;
    case WM_NCDESTROY:
      // Destroyed from outside (the container's window went first): the
      // object stays, without a window.
      hwnd_ = nullptr;
      parent_ = nullptr;
      child_ = nullptr;
      fill_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      client_.WindowDestroyed();
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace velmora::win32
