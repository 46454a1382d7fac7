// The Windows platform services of the control: the system beep, keystrokes
// queued to the focused window, and today's local date. Date recognition
// stays the core's strict day/month/year rule, so the control accepts the
// same dates whatever the user's regional settings say.
#pragma once

#include <string_view>
#include <vector>

#include <windows.h>

#include "core/platform.h"

namespace velmora::win32 {

class Win32Platform final : public Platform {
 public:
  void Beep() override;
  // Queues the keys through SendInput and returns at once: they reach the
  // focused window after the current key event. Only Tab, with or without
  // Shift, is known ("{TAB}", "+{TAB}", also repeated or with ^ and %
  // held); any other key string is refused with "invalid procedure call".
  void SendKeys(std::u16string_view keys) override;
  CalendarDate Today() override;
};

// One key pressed or released, as the keyboard sends it: its scan code,
// and flagged extended for the keys that are (the arrows and the block
// above them), which Windows tells from their numeric-pad twins by it.
INPUT KeyInput(WORD vk, bool up);

// The input events for a key string, for SendKeys and its tests. A modifier
// the user is holding down (per holding(vk)) but the string does not ask
// for is released around the key and pressed again after it, so that the
// Tab for Shift+Enter moves forward, not back.
std::vector<INPUT> KeyStringInputs(std::u16string_view keys, bool (*holding)(int vk));

}  // namespace velmora::win32
