// Test harness for windows under wine and Xvfb: a form (a top-level window
// with tab stops, as a container's form is), a message pump that can run
// IsDialogMessage as a dialog-style container does, and real keystrokes
// through SendInput into the focused window.
#pragma once

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "windows/win32_platform.h"

namespace velmora::testing {

// Runs the message loop until it has been quiet for quietMs (five seconds
// at most), giving each message to handle: the one pump of the tests, under
// every container's loop.
template <class Handle>
void PumpWith(Handle&& handle, DWORD quietMs) {
  DWORD quietSince = GetTickCount();
  const DWORD start = quietSince;
  for (;;) {
    MSG msg;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      handle(msg);
    }
    const DWORD now = GetTickCount();
    if (any) quietSince = now;
    if (now - quietSince >= quietMs || now - start > 5000) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// A plain loop; with a dialog window, messages go through IsDialogMessage
// first (Tab, Enter, Escape handling of a dialog-style container).
inline void Pump(HWND dialog = nullptr, DWORD quietMs = 25) {
  PumpWith(
      [dialog](MSG& msg) {
        if (dialog && IsDialogMessageW(dialog, &msg)) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      },
      quietMs);
}

// Waits for handle while handling this thread's messages, as a
// single-threaded apartment serves calls from another one; whether the
// handle was signalled within timeoutMs.
inline bool WaitPumping(HANDLE handle, DWORD timeoutMs) {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) return woke == WAIT_OBJECT_0;
    Pump(nullptr, 0);
  }
}

// One key's input event: the library's own, which SendKeys sends.
using win32::KeyInput;

// vk pressed and released with the modifiers of shift (1 Shift, 2 Ctrl,
// 4 Alt) held around it.
inline std::vector<INPUT> Keystroke(WORD vk, int shift = 0) {
  static const WORD kModifiers[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
  std::vector<INPUT> inputs;
  for (int m = 0; m < 3; ++m)
    if (shift & (1 << m)) inputs.push_back(KeyInput(kModifiers[m], false));
  inputs.push_back(KeyInput(vk, false));
  inputs.push_back(KeyInput(vk, true));
  for (int m = 2; m >= 0; --m)
    if (shift & (1 << m)) inputs.push_back(KeyInput(kModifiers[m], true));
  return inputs;
}

// What a user strikes to type ch: "\b" Backspace, 0x7f Delete, "\r" Enter,
// 0x1b Escape, "\t" Tab, a character of the keyboard through its key (with
// Shift when the layout wants it), any other as a Unicode input.
inline std::vector<INPUT> CharStroke(wchar_t ch, int shift = 0) {
  switch (ch) {
    case L'\b': return Keystroke(VK_BACK, shift);
    case 0x7f: return Keystroke(VK_DELETE, shift);
    case L'\r': return Keystroke(VK_RETURN, shift);
    case 0x1b: return Keystroke(VK_ESCAPE, shift);
    case L'\t': return Keystroke(VK_TAB, shift);
    default: break;
  }
  if (ch > 0x7f) {
    std::vector<INPUT> inputs(2);
    for (int up = 0; up < 2; ++up) {
      inputs[up].type = INPUT_KEYBOARD;
      inputs[up].ki.wScan = ch;
      inputs[up].ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    }
    return inputs;
  }
  const SHORT scan = VkKeyScanW(ch);
  return Keystroke(static_cast<WORD>(scan & 0xFF), shift | ((scan & 0x100) ? 1 : 0));
}

inline void Send(const std::vector<INPUT>& inputs) {
  SendInput(static_cast<UINT>(inputs.size()), const_cast<INPUT*>(inputs.data()), sizeof(INPUT));
}

// The mouse moved to a point of the screen with buttons (MOUSEEVENTF_*)
// pressed or released there.
inline void SendMouse(POINT screen, DWORD buttons) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
  Send({input});
}

// Presses and releases vk with the modifiers of shift held, then pumps.
inline void PressKey(WORD vk, int shift = 0, HWND dialog = nullptr) {
  Send(Keystroke(vk, shift));
  Pump(dialog);
}

// The clipboard's text, set as another program's copy would leave it (false
// when the clipboard could not be opened), and read back.
inline bool SetClipboardText(HWND owner, const wchar_t* text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    memcpy(GlobalLock(data), text, bytes);
    GlobalUnlock(data);
    if (!SetClipboardData(CF_UNICODETEXT, data)) GlobalFree(data);
  }
  CloseClipboard();
  return true;
}

inline std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!OpenClipboard(owner)) return L"(not open)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// A container's form: a visible top-level window that moves the focus with
// Tab when pumped through IsDialogMessage. Tests share one (Shared()): wine
// without a window manager waits two seconds for every top-level window
// that is hidden or destroyed after it was shown; children come and go
// freely.
class Form {
 public:
  static Form& Shared() {
    static Form* form = new Form;  // lives until the process ends
    return *form;
  }

  Form() {
    static ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = L"VelmoraTestForm";
      return RegisterClassW(&wc);
    }();
    (void)atom;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, L"VelmoraTestForm", L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            400, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~Form() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  HWND hwnd() const { return hwnd_; }

  // A plain edit field with a tab stop, after the form's other children.
  HWND AddEdit(int x) {
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, x,
                                100, 80, 24, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(edit, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return edit;
  }
  // Puts a child last in the tab order.
  void Last(HWND child) {
    SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  void Focus(HWND child) {
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    SetFocus(child);
    Pump();
  }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace velmora::testing
