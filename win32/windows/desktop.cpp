#include "windows/desktop.h"

namespace velmora::win32 {

namespace {
// Read through the system's one-time initialisation, as the module's type
// library is (com/com_module.cpp): this build's runtime has no thread-safe
// function-local statics.
INIT_ONCE g_dpiOnce = INIT_ONCE_STATIC_INIT;
ScreenDpi g_dpi{96, 96};

BOOL CALLBACK ReadScreenDpi(PINIT_ONCE, PVOID, PVOID*) {
  if (HDC screen = ::GetDC(nullptr)) {
    g_dpi.x = ::GetDeviceCaps(screen, LOGPIXELSX);
    g_dpi.y = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
  }
  if (g_dpi.x <= 0) g_dpi.x = 96;
  if (g_dpi.y <= 0) g_dpi.y = 96;
  return TRUE;
}
}  // namespace

ScreenDpi CurrentScreenDpi() noexcept {
  ::InitOnceExecuteOnce(&g_dpiOnce, &ReadScreenDpi, nullptr, nullptr);
  return g_dpi;
}

bool TypedCharacterQueued(HWND window, UINT keyMessage, LPARAM keyLParam, bool remove) noexcept {
  const UINT charMessage = keyMessage == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  MSG queued{};
  // The same key: scan code and extended bit of the key-down.
  const bool same = ::PeekMessageW(&queued, window, charMessage, charMessage, PM_NOREMOVE | PM_NOYIELD) &&
                    ((queued.lParam >> 16) & 0x1FF) == ((keyLParam >> 16) & 0x1FF);
  if (same && remove) ::PeekMessageW(&queued, window, charMessage, charMessage, PM_REMOVE | PM_NOYIELD);
  return same;
}

ModifierKeys HeldModifierKeys() noexcept {
  BYTE keys[256] = {};
  ModifierKeys held;
  if (!::GetKeyboardState(keys)) return held;
  held.shift = (keys[VK_SHIFT] & 0x80) != 0;
  held.control = (keys[VK_CONTROL] & 0x80) != 0;
  held.alt = (keys[VK_MENU] & 0x80) != 0;
  return held;
}

}  // namespace velmora::win32
