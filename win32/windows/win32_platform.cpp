#include "windows/win32_platform.h"

#include <cwctype>
#include <string>

#include "core/errors.h"

namespace velmora::win32 {

namespace {

[[noreturn]] void Refuse(std::u16string_view keys) {
  std::string text;
  for (char16_t c : keys) text += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  throw VelmoraError(ErrorNumber::ServiceFailed, "SendKeys: unsupported key string \"" + text + "\"");
}

bool AsyncDown(int vk) { return GetAsyncKeyState(vk) < 0; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

}  // namespace

INPUT KeyInput(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_INSERT: case VK_DELETE: case VK_PRIOR: case VK_NEXT:
      input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
      break;
    default:
      break;
  }
  return input;
}

std::vector<INPUT> KeyStringInputs(std::u16string_view keys, bool (*holding)(int vk)) {
  static constexpr struct {
    char16_t symbol;
    WORD vk;
  } kModifiers[] = {{u'+', VK_SHIFT}, {u'^', VK_CONTROL}, {u'%', VK_MENU}};
  std::vector<INPUT> inputs;
  std::size_t at = 0;
  if (keys.empty()) Refuse(keys);
  while (at < keys.size()) {
    bool want[3] = {false, false, false};
    for (bool modifier = true; modifier && at < keys.size();) {
      modifier = false;
      for (int m = 0; m < 3; ++m)
        if (keys[at] == kModifiers[m].symbol && !want[m]) {
          want[m] = modifier = true;
          ++at;
        }
    }
    // The one key the control sends: "{TAB}", any case.
    const std::size_t close = keys.find(u'}', at);
    if (at >= keys.size() || keys[at] != u'{' || close == std::u16string_view::npos ||
        !EqualsNoCase(keys.substr(at + 1, close - at - 1), u"TAB"))
      Refuse(keys);
    at = close + 1;
    std::vector<INPUT> before, after;
    for (int m = 0; m < 3; ++m) {
      const bool held = holding && holding(kModifiers[m].vk);
      if (want[m] && !held) {
        before.push_back(KeyInput(kModifiers[m].vk, false));
        after.insert(after.begin(), KeyInput(kModifiers[m].vk, true));
      } else if (!want[m] && held) {
        before.push_back(KeyInput(kModifiers[m].vk, true));
        after.insert(after.begin(), KeyInput(kModifiers[m].vk, false));
      }
    }
    inputs.insert(inputs.end(), before.begin(), before.end());
    inputs.push_back(KeyInput(VK_TAB, false));
    inputs.push_back(KeyInput(VK_TAB, true));
    inputs.insert(inputs.end(), after.begin(), after.end());
  }
  return inputs;
}

void Win32Platform::Beep() { MessageBeep(MB_OK); }

void Win32Platform::SendKeys(std::u16string_view keys) {
  std::vector<INPUT> inputs = KeyStringInputs(keys, &AsyncDown);
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  // Input blocked by another program (or by the system's secure desktop) is
  // a failure of the key move, not a silent success.
  if (sent != inputs.size())
    throw VelmoraError(ErrorNumber::ServiceFailed,
                       "SendKeys: the keys could not be sent (error " + std::to_string(GetLastError()) + ")");
}

CalendarDate Win32Platform::Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CalendarDate{now.wYear, now.wMonth, now.wDay};
}

}  // namespace velmora::win32
