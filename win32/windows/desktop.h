// What the desktop says about the moment: the screen's resolution, the
// modifier keys held, a typed character waiting in the message queue.
#pragma once

#include <windows.h>

namespace velmora::win32 {

// Pixels per logical inch of the screen, horizontally and vertically. Read
// once per process: the system's logical resolution is fixed for a session,
// and reading it takes a screen DC, a trip to the window server under wine.
struct ScreenDpi {
  int x, y;
};
ScreenDpi CurrentScreenDpi() noexcept;

// Which of Shift, Ctrl and Alt the thread's key state holds down, as the
// current key message left it, read in one call (each key-state read is a
// trip to the window server under wine, and this runs on every key).
struct ModifierKeys {
  bool shift = false, control = false, alt = false;
  // As one mask: Shift 1, Ctrl 2, Alt 4, the bits of both a key event's
  // Shift argument and IOleControlSite::TranslateAccelerator's modifiers.
  unsigned Mask() const noexcept { return (shift ? 1u : 0u) | (control ? 2u : 0u) | (alt ? 4u : 0u); }
};
ModifierKeys HeldModifierKeys() noexcept;

// Whether the character that the key-down `keyMessage` (WM_KEYDOWN or
// WM_SYSKEYDOWN, with its lParam) types is already queued for `window`:
// the message loop ran TranslateMessage on the key before dispatching it.
// `remove` takes that character out of the queue.
bool TypedCharacterQueued(HWND window, UINT keyMessage, LPARAM keyLParam, bool remove = false) noexcept;

}  // namespace velmora::win32
