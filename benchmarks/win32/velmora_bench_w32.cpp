// What the real control costs on a form, against the floor it cannot beat:
// the bare EDIT box of the same window. A program that prints figures, not
// a timed test; scripts/bench.sh runs it under wine.
//
//   velmora-bench-w32 [--reps N] [--only keys|load] [--keys N --side control|bare] [--trace]
//
// keys: 10,000 keystrokes (digits, and Backspaces erasing them) delivered
//   through the form's message loop to a number-mode Velmora control's
//   EDIT, and the same keys to a bare EDIT in the same window.
// load: 200 controls created, loaded from property bags and activated in
//   place on a form, against 200 bare EDIT windows created on a form.
// trace: one more control and one bare EDIT after the warm-up, each between
//   two marks (atoms named "velmora-bench: control", "velmora-bench: edit",
//   "velmora-bench: end"), for a trace of the window server (wineserver -d1)
//   that counts the requests of each.
// Each figure is the median of N repetitions (default 5), the two sides
// measured alternately in the same run; the ratio is of the medians.
// The form behaves as form engines do: it keeps the class object and asks
// it for each new control, and it reflects its children's notifications
// back to them (ambient MessageReflect).
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "form.h"
#include "form_bag.h"
#include "form_file.h"

namespace velmora::demo {
namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Every repetition, so a figure that drifts from one to the next shows.
std::string Each(const std::vector<double>& v) {
  std::string out;
  char one[32];
  for (double x : v) {
    std::snprintf(one, sizeof one, "%s%.0f", out.empty() ? "" : " ", x);
    out += one;
  }
  return out;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Every message in the queue through the form's loop, as a container runs
// it; returns when the queue is empty.
void Drain(Form& form) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!form.PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

std::wstring TextOf(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

// The keys: blocks of 8 digits and 8 Backspaces, 10,000 keys in all. The
// number field rebuilds its grouping on every one of them.
std::vector<WORD> Keys(int count) {
  std::vector<WORD> keys;
  for (int block = 0; block < count / 16; ++block) {
    for (WORD d = 0; d < 8; ++d) keys.push_back(static_cast<WORD>('1' + d));
    for (int k = 0; k < 8; ++k) keys.push_back(VK_BACK);
  }
  return keys;
}

// Posts the keys to target in batches (a message queue holds 10,000 at
// most) as the keyboard driver would queue them, and runs the loop.
void Type(Form& form, HWND target, const std::vector<WORD>& keys) {
  constexpr std::size_t kBatch = 200;
  for (std::size_t at = 0; at < keys.size(); at += kBatch) {
    const std::size_t end = std::min(keys.size(), at + kBatch);
    for (std::size_t k = at; k < end; ++k) {
      const UINT scan = MapVirtualKeyW(keys[k], MAPVK_VK_TO_VSC);
      PostMessageW(target, WM_KEYDOWN, keys[k], static_cast<LPARAM>(1 | (scan << 16)));
      PostMessageW(target, WM_KEYUP, keys[k], static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
    }
    Drain(form);
  }
}

FormSection NumberField() {
  return FormSection{"Numero", {{"DateValue", "False"}, {"MaxLength", "20"}, {"Text", "\"\""}}};
}

// keyCount other than 10,000 and a side ("control" or "bare") serve a
// profile of one side: the figure printed is then that side's alone.
int Keystrokes(int reps, const CLSID& clsid, int keyCount, const std::string& side) {
  auto form = Form::Create(L"velmora-bench keys", false);
  if (!form) return 1;
  form->ReflectMessages(true);
  FormSection section = NumberField();
  IPropertyBag* bag = NewFormPropertyBag(section);
  const char* step = nullptr;
  HRESULT hr = form->AddControl("Numero", clsid, bag, nullptr, &step);
  bag->Release();
  if (FAILED(hr)) {
    std::fprintf(stderr, "keys: placing the control failed at %s (0x%08lX)\n", step, static_cast<unsigned long>(hr));
    return 1;
  }
  HWND bare = form->AddPlainEdit("Bare");
  form->Show();
  HWND control = form->fields().front().control->window();
  // The control's EDIT: its only window on a form that reflects.
  HWND text1 = control && GetWindow(control, GW_CHILD) ? GetWindow(control, GW_CHILD) : control;
  if (!text1) {
    std::fprintf(stderr, "keys: the control shows no EDIT of its own\n");
    return 1;
  }
  // Both boxes refuse nothing here: the same keys make the same work.
  SendMessageW(bare, EM_SETLIMITTEXT, 20, 0);
  const std::vector<WORD> keys = Keys(keyCount);
  // A check, and a warm-up: the control groups the digits it is typed.
  SetFocus(text1);
  Type(*form, text1, std::vector<WORD>(keys.begin(), keys.begin() + 8));
  const std::wstring grouped = TextOf(text1);
  Type(*form, text1, std::vector<WORD>(keys.begin() + 8, keys.begin() + 16));
  if (grouped != L"12.345.678") {
    std::fprintf(stderr, "keys: the control shows \"%ls\" after 12345678, not 12.345.678\n", grouped.c_str());
    return 1;
  }
  std::vector<double> velmora, floor;
  // One run of the keys into box, from an empty queue.
  const auto timed = [&](HWND box, std::vector<double>& runs) {
    SetFocus(box);
    Drain(*form);
    const auto start = Clock::now();
    Type(*form, box, keys);
    runs.push_back(Ms(Clock::now() - start));
  };
  for (int r = 0; r < reps; ++r) {
    if (side != "bare") timed(text1, velmora);
    if (side != "control") timed(bare, floor);
  }
  if (!side.empty()) {
    std::printf("keys   %d keystrokes, %s side only: %8.1f ms\n", keyCount, side.c_str(),
                Median(side == "bare" ? floor : velmora));
    return 0;
  }
  const double v = Median(velmora), f = Median(floor);
  std::printf("keys   10,000 keystrokes: Velmora %8.1f ms, bare EDIT %8.1f ms, ratio %5.2f (target <= 1.10)\n", v, f,
              v / f);
  std::printf("         each run (ms): Velmora %s; bare EDIT %s\n", Each(velmora).c_str(), Each(floor).c_str());
  return 0;
}

// A mark in the window server's trace: a request that names it.
void Mark(const wchar_t* name) { GlobalDeleteAtom(GlobalAddAtomW(name)); }

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int FormLoad(int reps, const CLSID& clsid, bool trace) {
  constexpr int kFields = 200;
  // Date fields of the three lengths and number fields, as a form has them.
  std::vector<FormSection> sections;
  for (int k = 0; k < kFields; ++k) {
    const int kind = k % 4;
    FormSection s{"Campo" + std::to_string(k), {}};
    if (kind == 3) {
      s = NumberField();
    } else {
      const char* masks[] = {"\"  /  /    \"", "\"  /  /  \"", "\"  /  \""};
      const char* lengths[] = {"10", "8", "5"};
      s.entries = {{"DateValue", "True"}, {"MaxLength", lengths[kind]}, {"Text", masks[kind]}};
    }
    sections.push_back(s);
  }
  auto place = [](int k) {
    const int column = k % 10, row = k / 10;
    return RECT{4 + column * 84, 4 + row * 26, 84 + column * 84, 26 + row * 26};
  };
  // A form shown, reflecting, with an empty queue.
  const auto shownForm = [](const wchar_t* title) {
    auto form = Form::Create(title, false);
    form->ReflectMessages(true);
    form->Show();
    Drain(*form);
    return form;
  };
  // The library is loaded and its class factory warmed once, outside the
  // figures, as on a form opened after another.
  {
    auto warm = Form::Create(L"velmora-bench warm-up", false);
    warm->ReflectMessages(true);
    IPropertyBag* bag = NewFormPropertyBag(sections[0]);
    const RECT r = place(0);
    const char* step = nullptr;
    HRESULT hr = warm->AddControl("warm", clsid, bag, &r, &step);
    bag->Release();
    if (FAILED(hr)) {
      std::fprintf(stderr, "load: placing a control failed at %s (0x%08lX)\n", step, static_cast<unsigned long>(hr));
      return 1;
    }
  }
  if (trace) {
    auto form = shownForm(L"velmora-bench trace");
    IPropertyBag* bag = NewFormPropertyBag(sections[0]);
    const RECT first = place(0), second = place(1);
    Mark(L"velmora-bench: control");
    form->AddControl(sections[0].name, clsid, bag, &first);
    Mark(L"velmora-bench: edit");
    form->AddPlainEdit("Bare", &second);
    Mark(L"velmora-bench: end");
    bag->Release();
    return 0;
  }
  std::vector<double> velmora, floor;
  for (int r = 0; r < reps; ++r) {
    {
      auto form = shownForm(L"velmora-bench load");
      auto start = Clock::now();
      for (int k = 0; k < kFields; ++k) {
        IPropertyBag* bag = NewFormPropertyBag(sections[static_cast<std::size_t>(k)]);
        const RECT rect = place(k);
        HRESULT hr = form->AddControl(sections[static_cast<std::size_t>(k)].name, clsid, bag, &rect);
        bag->Release();
        if (FAILED(hr)) return 1;
      }
      Drain(*form);
      velmora.push_back(Ms(Clock::now() - start));
    }  // closing the form is not part of the figure
    // What a closed form leaves behind makes the next one slower: count it.
    int left = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&left));
    if (left > 0) std::fprintf(stderr, "load: %d windows of this thread outlive the closed form\n", left);
    {
      auto form = shownForm(L"velmora-bench load");
      auto start = Clock::now();
      for (int k = 0; k < kFields; ++k) {
        const RECT rect = place(k);
        form->AddPlainEdit("Bare", &rect);
      }
      Drain(*form);
      floor.push_back(Ms(Clock::now() - start));
    }
  }
  const double v = Median(velmora), f = Median(floor);
  std::printf("load   200 fields:        Velmora %8.1f ms, bare EDIT %8.1f ms, ratio %5.2f (target <= 2.00)\n", v, f,
              v / f);
  std::printf("         each run (ms): Velmora %s; bare EDIT %s\n", Each(velmora).c_str(), Each(floor).c_str());
  return 0;
}

}  // namespace
}  // namespace velmora::demo

int main(int argc, char** argv) {
  int reps = 5;
  std::string only, side;
  int keyCount = 10000;
  bool trace = false;
  for (int k = 1; k < argc; ++k) {
    if (!std::strcmp(argv[k], "--reps") && k + 1 < argc) reps = std::max(1, std::atoi(argv[++k]));
    else if (!std::strcmp(argv[k], "--keys") && k + 1 < argc) keyCount = std::max(16, std::atoi(argv[++k]));
    else if (!std::strcmp(argv[k], "--side") && k + 1 < argc) side = argv[++k];
    else if (!std::strcmp(argv[k], "--only") && k + 1 < argc) only = argv[++k];
    else if (!std::strcmp(argv[k], "--trace")) trace = true;
    else {
      std::fprintf(stderr, "usage: velmora-bench-w32 [--reps N] [--only keys|load] [--keys N --side control|bare] [--trace]\n");
      return 2;
    }
  }
  if (FAILED(OleInitialize(nullptr))) return 1;
  CLSID clsid{};
  int rc = 0;
  if (FAILED(CLSIDFromProgID(L"Velmora.VelmoraControl", &clsid))) {
    std::fprintf(stderr, "velmora-bench-w32: Velmora.VelmoraControl is not registered (regsvr32 Velmora.ocx)\n");
    rc = 1;
  } else {
    std::printf("median of %d repetitions, %s-bit; the form keeps the class object (CoGetClassObject once, "
                "CreateInstance per control) and reflects notifications (MessageReflect true)\n",
                reps, sizeof(void*) == 8 ? "64" : "32");
    if (!trace && (only.empty() || only == "keys")) rc |= velmora::demo::Keystrokes(reps, clsid, keyCount, side);
    if (trace || only.empty() || only == "load") rc |= velmora::demo::FormLoad(reps, clsid, trace);
  }
  OleUninitialize();
  return rc;
}
