// What the control costs on a form against the floor it cannot beat, the
// bare EDIT: creating and activating 200 controls against creating 200
// EDIT windows, and 10,000 keystrokes typed into a control against the same
// keystrokes typed into an EDIT. Run under wine with a display:
//   xvfb-run -a wine embedding_bench.exe
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_container.h"

namespace {

using velmora::testing::Placed;
using velmora::testing::TestForm;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Runs the form's loop until no message is left.
void Drain(TestForm& form) { form.Pump(0); }

INPUT Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_HOME ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

// 10,000 keystrokes: a date typed over and over, Home between the rounds.
std::vector<WORD> Keystrokes() {
  std::vector<WORD> keys;
  const char* date = "14121967";
  while (keys.size() < 10000) {
    for (const char* p = date; *p && keys.size() < 10000; ++p) keys.push_back(static_cast<WORD>(*p));
    if (keys.size() < 10000) keys.push_back(VK_HOME);
  }
  return keys;
}

double TypeInto(TestForm& form, HWND target, const std::vector<WORD>& keys) {
  form.Focus(target);
  const double start = Now();
  std::vector<INPUT> batch;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    batch.push_back(Key(keys[i], false));
    batch.push_back(Key(keys[i], true));
    if (batch.size() == 100 || i + 1 == keys.size()) {
      SendInput(static_cast<UINT>(batch.size()), batch.data(), sizeof(INPUT));
      batch.clear();
      Drain(form);
    }
  }
  return Now() - start;
}

}  // namespace

int main() {
  if (FAILED(OleInitialize(nullptr))) return 1;
  constexpr int kCount = 200;
  double controlsMs = 0, editsMs = 0;
  {
    TestForm form;
    const double start = Now();
    for (int i = 0; i < kCount; ++i) {
      const int x = (i % 10) * 60, y = (i / 10) * 10;
      if (!form.AddControl(velmora::testing::CreateTestControl(), RECT{x, y, x + 58, y + 9})) {
        std::printf("control %d: %s\n", i, form.failure().c_str());
        return 1;
      }
    }
    Drain(form);
    controlsMs = Now() - start;
  }
  {
    TestForm form;
    const double start = Now();
    for (int i = 0; i < kCount; ++i) form.AddField((i % 10) * 60, (i / 10) * 10);
    Drain(form);
    editsMs = Now() - start;
  }
  std::printf("create and activate %d controls: %8.1f ms\n", kCount, controlsMs);
  std::printf("create %d bare EDIT windows:     %8.1f ms   ratio %.1f\n", kCount, editsMs, controlsMs / editsMs);

  const std::vector<WORD> keys = Keystrokes();
  double controlKeysMs = 0, editKeysMs = 0;
  std::wstring controlText, editText;
  {
    TestForm form;
    Placed* placed = form.AddControl(velmora::testing::CreateTestControl(), RECT{10, 10, 210, 40});
    if (!placed) return 1;
    controlKeysMs = TypeInto(form, placed->Edit(), keys);
    controlText = placed->Text();
  }
  {
    TestForm form;
    HWND edit = form.AddField(10, 10);
    SendMessageW(edit, EM_SETLIMITTEXT, 10, 0);
    editKeysMs = TypeInto(form, edit, keys);
  }
  std::printf("%zu keystrokes into a control:   %8.1f ms (text \"%ls\")\n", keys.size(), controlKeysMs,
              controlText.c_str());
  std::printf("%zu keystrokes into a bare EDIT: %8.1f ms   ratio %.1f\n", keys.size(), editKeysMs,
              controlKeysMs / editKeysMs);
  OleUninitialize();
  return 0;
}
