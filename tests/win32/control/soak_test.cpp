// A day at the form: keys, clicks and the menu's commands into a form of
// Velmora fields in both modes, the form saved and reopened every 1,000
// actions. After every action the key rules hold in every field; after the
// warm-up the process's GDI and USER objects, handles and private bytes grow
// no more than a small bound. VELMORA_SOAK_ACTIONS says how many actions
// (the CTest entry win32_soak, under wine's heap checking, and
// scripts/soak.sh); without it the test is skipped.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "shared/key_rules.h"
#include "test_container.h"
#include "test_support.h"

namespace velmora::testing {
namespace {

constexpr long kReloadEvery = 1000;
constexpr long kWarmUp = 2000;  // two reloads: the caches and pools of a first use are full

struct SoakField {
  int maxLength;  // a date of that style, or the longest number
  bool number, virgola;
  const wchar_t* mask;  // the date's empty mask
};
const SoakField kFields[] = {
    {10, false, false, L"  /  /    "}, {8, false, false, L"  /  /  "}, {5, false, false, L"  /  "},
    {12, true, false, nullptr},         {12, true, true, nullptr},
};

// The keys of a day's typing, with Shift (1) or Ctrl (2).
struct SoakKey {
  WORD vk;
  int shift;
};
const SoakKey kKeys[] = {
    {'0', 0},       {'1', 0},       {'2', 0},      {'3', 0},       {'4', 0},        {'5', 0},
    {'6', 0},       {'7', 0},       {'8', 0},      {'9', 0},       {'1', 0},        {'2', 0},
    {VK_DIVIDE, 0}, {VK_OEM_COMMA, 0}, {VK_OEM_PERIOD, 0}, {VK_SUBTRACT, 0}, {'A', 0}, {VK_BACK, 0},
    {VK_DELETE, 0}, {VK_LEFT, 0},   {VK_RIGHT, 0}, {VK_HOME, 0},   {VK_END, 0},     {VK_LEFT, 1},
    {VK_HOME, 1},   {VK_RETURN, 0}, {VK_ESCAPE, 0}, {VK_TAB, 0},   {'V', 2},        {'X', 2},
    {'Z', 2},       {'C', 2},       {VK_INSERT, 1},
};
const UINT kCommands[] = {WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, WM_UNDO};
const wchar_t* const kClipboards[] = {L"14121967", L"05/03/1967", L"abc", L"1.234"};

struct Figures {
  DWORD gdi, user, handles;
  SIZE_T privateBytes;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) ++*reinterpret_cast<DWORD*>(count);
  EnumChildWindows(window, CountWindow, count);
  return TRUE;
}

// Wine answers GetGuiResources with 0. There the GDI objects are counted by
// their slots (a 16-bit handle names its slot whatever its generation) and
// the USER objects as the process's windows, message-only ones too.
Figures Measure() {
  Figures f{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), 0, 0};
  if (f.gdi == 0)
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot) f.gdi += GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
  if (f.user == 0) {
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&f.user));
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) != nullptr;)
      CountWindow(w, reinterpret_cast<LPARAM>(&f.user));
  }
  GetProcessHandleCount(GetCurrentProcess(), &f.handles);
  if (f.handles == 0) {
    // Nor does wine count handles: its handles are the small multiples of
    // four, each asked whether it is one.
    DWORD flags = 0;
    for (ULONG_PTR h = 4; h < 0x10000; h += 4)
      f.handles += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) != 0;
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  f.privateBytes = memory.PrivateUsage;
  if (f.privateBytes == 0) {
    // Wine's counter stays 0: the committed private pages are summed.
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
      if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) f.privateBytes += region.RegionSize;
      if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;
    }
  }
  return f;
}

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* actions = std::getenv("VELMORA_SOAK_ACTIONS");
    if (!actions) GTEST_SKIP() << "a long run: set VELMORA_SOAK_ACTIONS";
    actions_ = std::atol(actions);
    ole_.emplace();
  }

  RECT RectOf(std::size_t i) const {
    const LONG top = 10 + 35 * static_cast<LONG>(i);
    return RECT{110, top, 310, top + 30};
  }
  void Open(TestForm& form, const std::vector<ComPtr<IStream>>& saved);
  std::vector<ComPtr<IStream>> Save() const;
  void HoldRules(long action);
  std::string did_;  // the last action, for a rule it broke

  std::optional<OleScope> ole_;  // only for a run that is not skipped
  long actions_ = 0;
  std::vector<Placed*> fields_;
};

void Soak::Open(TestForm& form, const std::vector<ComPtr<IStream>>& saved) {
  fields_.clear();
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    // A form reopened loads each control from what was saved instead of InitNew.
    std::function<HRESULT(IUnknown*)> load;
    if (!saved.empty())
      load = [stream = saved[i]](IUnknown* control) {
        ComPtr<IPersistStreamInit> persist;
        HRESULT hr = control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(persist.GetAddressOf()));
        return FAILED(hr) ? hr : persist->Load(stream.Get());
      };
    Placed* placed = form.AddControl(CreateTestControl(), RectOf(i), true, load);
    ASSERT_NE(placed, nullptr) << form.failure();
    if (saved.empty()) {
      IUnknown* control = placed->object.Get();
      if (kFields[i].number) {
        ASSERT_EQ(PutBool(control, kDispDateValue, false), S_OK);
        ASSERT_EQ(PutBool(control, kDispVirgola, kFields[i].virgola), S_OK);
      }
      ASSERT_EQ(PutInt(control, kDispMaxLength, kFields[i].maxLength), S_OK);
    }
    fields_.push_back(placed);
  }
}

std::vector<ComPtr<IStream>> Soak::Save() const {
  std::vector<ComPtr<IStream>> saved;
  for (Placed* placed : fields_) {
    ComPtr<IPersistStreamInit> persist;
    ComPtr<IStream> stream;
    EXPECT_EQ(placed->object.As(&persist), S_OK);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    saved.push_back(stream);
  }
  return saved;
}

void Soak::HoldRules(long action) {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::wstring text = fields_[i]->Text();
    const std::u16string_view now(reinterpret_cast<const char16_t*>(text.data()), text.size());
    const SoakField& field = kFields[i];
    // An empty text is a field never entered.
    const std::u16string_view mask = field.mask ? reinterpret_cast<const char16_t*>(field.mask) : u"";
    const bool broken = !now.empty() && (field.number ? !NumberShaped(now, field.virgola) : !MaskShaped(now, mask));
    ASSERT_FALSE(broken) << "field " << i << " after action " << action << " (" << did_ << "): \""
                         << std::string(text.begin(), text.end()) << "\"";
    fields_[i]->log.Clear();
  }
}

TEST_F(Soak, ADayAtTheForm) {
  TestForm form;
  HWND before = form.AddField(10, 10);
  ASSERT_NO_FATAL_FAILURE(Open(form, {}));
  form.Focus(fields_[0]->Edit());
  std::minstd_rand random(1967);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  Figures warm{}, last{};
  const auto started = std::chrono::steady_clock::now();
  for (long action = 1; action <= actions_; ++action) {
    const std::size_t kind = pick(20);
    const std::size_t which = pick(fields_.size());
    Placed* field = fields_[which];
    HWND edit = field->Edit();
    if (kind < 13) {
      // Keys go where the focus is; a form left without it gets it back.
      HWND focus = GetFocus();
      if (!focus || focus == before || GetAncestor(focus, GA_ROOT) != form.hwnd()) {
        SetFocus(edit);
        form.Pump(0);
      }
      const SoakKey& key = kKeys[pick(std::size(kKeys))];
      Send(Keystroke(key.vk, key.shift));
      did_ = "key " + std::to_string(key.vk) + " shift " + std::to_string(key.shift);
    } else if (kind < 16) {
      // A click on a character, or right of the text.
      const int length = GetWindowTextLengthW(edit);
      const LRESULT at = SendMessageW(edit, EM_POSFROMCHAR, pick(static_cast<std::size_t>(length) + 1), 0);
      const LPARAM point = MAKELPARAM(at == -1 ? 190 : LOWORD(at) + 1, 8);
      SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, point);
      SendMessageW(edit, WM_LBUTTONUP, 0, point);
      did_ = "click at x " + std::to_string(LOWORD(point));
    } else {
      // The menu's commands on a selection of the field, made from right to
      // left as a drag back to its start makes it: the caret stands at the
      // start, never right before a slash. A caret the mouse leaves there,
      // or one the arrows move there from a selection's far end, lets the
      // next digit overwrite the slash, as the rules allow.
      const UINT command = kCommands[pick(std::size(kCommands))];
      if (command == WM_PASTE) SetClipboardText(form.hwnd(), kClipboards[pick(std::size(kClipboards))]);
      const int length = GetWindowTextLengthW(edit);
      std::size_t from = pick(static_cast<std::size_t>(length) + 1);
      if (!kFields[which].number && field->Text()[from] == L'/') ++from;
      SendMessageW(edit, EM_SETSEL, from + pick(static_cast<std::size_t>(length) + 1 - from), from);
      SendMessageW(edit, command, 0, 0);
      did_ = "command " + std::to_string(command) + " on " + std::to_string(from);
    }
    form.Pump(0);
    ASSERT_NO_FATAL_FAILURE(HoldRules(action));
    if (action % kReloadEvery == 0 || action == actions_) {
      const std::vector<ComPtr<IStream>> saved = Save();
      while (!fields_.empty()) {
        form.RemoveControl(fields_.back());
        fields_.pop_back();
      }
      SetWindowTextW(before, L"");
      ASSERT_NO_FATAL_FAILURE(Open(form, saved));
      form.Pump(0);
      if (action == kWarmUp || (actions_ < kWarmUp && action == actions_)) warm = Measure();
      last = Measure();
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const auto kb = [](SIZE_T bytes) { return static_cast<unsigned long>(bytes / 1024); };
  std::printf("soak: %ld actions in %.1f s (%.2f ms each); after warm-up -> end: GDI objects %lu -> %lu, "
              "USER objects %lu -> %lu, handles %lu -> %lu, private KB %lu -> %lu\n",
              actions_, seconds, seconds * 1000 / static_cast<double>(actions_), warm.gdi, last.gdi, warm.user,
              last.user, warm.handles, last.handles, kb(warm.privateBytes), kb(last.privateBytes));
  // The bounds allow what a run's own churn leaves standing (the
  // clipboard's data, a heap's next block), never one object per reload:
  // the test command's 20,000 actions reload 18 times after the warm-up,
  // and 1 MB over its 18,000 actions is 58 bytes each.
  EXPECT_LE(last.gdi, warm.gdi + 8);
  EXPECT_LE(last.user, warm.user + 4);
  EXPECT_LE(last.handles, warm.handles + 8);
  EXPECT_LE(last.privateBytes, warm.privateBytes + 1024 * 1024);
  while (!fields_.empty()) {
    form.RemoveControl(fields_.back());
    fields_.pop_back();
  }
}

}  // namespace
}  // namespace velmora::testing
