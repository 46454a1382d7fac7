#include "windows/control_window.h"

#include <olectl.h>

#include <string>

#include "com/com_util.h"
#include "errors.h"

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

// Where control windows wait while no container holds them: a hidden pop-up
// of the system's static class, one per thread (a window belongs to the
// thread that made it), made with the thread's first control window and
// destroyed with its last. Parked as children, the control windows are
// spared a top-level window each, which costs several times more to make and
// to move into a form than a child window does. Its window procedure is the
// system's, so nothing of it depends on this module staying loaded.
struct Parking {
  HWND window = nullptr;
  int users = 0;
};
thread_local Parking t_parking;

HWND AcquireParking() {
  if (t_parking.window && !IsWindow(t_parking.window)) t_parking.window = nullptr;  // destroyed from outside
  if (!t_parking.window) {
    t_parking.window =
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ModuleInstance(), nullptr);
    if (!t_parking.window) ThrowLastError("CreateWindowEx (parking window)");
  }
  ++t_parking.users;
  return t_parking.window;
}

void ReleaseParking() {
  if (--t_parking.users > 0) return;
  t_parking.users = 0;
  if (t_parking.window) DestroyWindow(t_parking.window);
  t_parking.window = nullptr;
}

}  // namespace

const wchar_t* ControlWindow::ClassName() { return L"VelmoraControlWindow"; }

void ControlWindow::UnregisterWindowClass() {
  if (g_class != 0 && ::UnregisterClassW(ClassName(), ModuleInstance())) g_class = 0;
}

ControlWindow::ControlWindow() {
  ClassRegistration registration{&ControlWindow::WindowProc, 0};
  if (!InitOnceExecuteOnce(&g_classOnce, &RegisterControlClass, &registration, nullptr))
    ThrowError("RegisterClassEx", registration.error);
  // A child of the thread's hidden parking window: it exists and can parent
  // Text1 before any container shows the control (a message-only window
  // cannot be shown later, and a script's object never gets a container
  // window at all).
  const HWND parking = AcquireParking();
  hwnd_ = CreateWindowExW(kExStyle, ClassName(), L"", kChildStyle, 0, 0, 0, 0, parking, nullptr, ModuleInstance(),
                          this);
  if (!hwnd_) {
    const DWORD error = GetLastError();
    ReleaseParking();
    ThrowError("CreateWindowEx (control window)", error);
  }
}

ControlWindow::~ControlWindow() {
  if (hwnd_) {
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
  ReleaseParking();
}

void ControlWindow::SetParentWindow(HWND parent) {
  if (!parent) {
    ShowWindow(hwnd_, SW_HIDE);
    parent = t_parking.window;
  }
  // SetParent keeps the child's size and its position relative to the new
  // parent's client area.
  if (!SetParent(hwnd_, parent)) ThrowLastError("SetParent");
}

HWND ControlWindow::ParentWindow() const {
  const HWND parent = GetParent(hwnd_);
  return parent == t_parking.window ? nullptr : parent;
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
  if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
  const ComPtr<IUnknown> keep(self->lifetime_);
  return self->HandleMessage(msg, wParam, lParam);
}

// Text1, the usual sender, is recognised without IsChild, which walks the
// window tree (a trip to the window server under wine) and would run for
// every notification and every repaint of the box.
bool ControlWindow::IsOwnChild(HWND child) const {
  return child == fill_ || IsChild(hwnd_, child);
}

LRESULT ControlWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND:
      // A control's notification carries its window; menu and accelerator
      // commands (lParam 0) are not ours to reflect.
      if (lParam != 0 && IsOwnChild(reinterpret_cast<HWND>(lParam))) {
        const WORD code = HIWORD(wParam);
        if (listener_ && (code == EN_SETFOCUS || code == EN_KILLFOCUS))
          listener_->ChildFocusChanged(code == EN_SETFOCUS);
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
      HWND target = fill_ ? fill_ : GetWindow(hwnd_, GW_CHILD);
      if (target && IsWindowEnabled(target)) SetFocus(target);
      return 0;
    }
    case WM_GETOBJECT:
      if (objects_)
        if (const LRESULT answer = objects_->AnswerGetObject(wParam, lParam)) return answer;
      break;
    case WM_NCDESTROY:
      // Destroyed from outside (the container's window went first): the
      // object stays, without a window.
      hwnd_ = nullptr;
      fill_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (listener_) listener_->WindowDestroyed();
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace velmora::win32
