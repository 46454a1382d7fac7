// The Windows platform services: the key strings the control sends, the
// focus moves they cause in a dialog-style container, and today's date.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "windows/control_window.h"
#include "windows/edit_textbox.h"
#include "errors.h"
#include "windows/win32_platform.h"
#include "test_support.h"
#include "windows/hosted_box.h"

namespace velmora::win32 {
namespace {

using namespace velmora::testing;

// Key events as "S+ T+ T- S-" (Shift, Ctrl, Alt, Tab; + down, - up).
std::string Spell(const std::vector<INPUT>& inputs) {
  std::string out;
  for (const INPUT& input : inputs) {
    if (!out.empty()) out += ' ';
    switch (input.ki.wVk) {
      case VK_SHIFT: out += 'S'; break;
      case VK_CONTROL: out += 'C'; break;
      case VK_MENU: out += 'A'; break;
      case VK_TAB: out += 'T'; break;
      default: out += '?'; break;
    }
    out += (input.ki.dwFlags & KEYEVENTF_KEYUP) ? '-' : '+';
  }
  return out;
}

bool NothingHeld(int) { return false; }
bool ShiftHeld(int vk) { return vk == VK_SHIFT; }
bool AltHeld(int vk) { return vk == VK_MENU; }

TEST(Win32PlatformKeys, KeyStringsBecomeTabKeystrokes) {
  struct {
    const char* name;
    std::u16string keys;
    bool (*holding)(int);
    std::string expected;
  } const rows[] = {
      {"tab", u"{TAB}", NothingHeld, "T+ T-"},
      {"shift tab", u"+{TAB}", NothingHeld, "S+ T+ T- S-"},
      {"lower case", u"{tab}", NothingHeld, "T+ T-"},
      {"twice", u"{TAB}{TAB}", NothingHeld, "T+ T- T+ T-"},
      {"ctrl shift tab", u"^+{TAB}", NothingHeld, "S+ C+ T+ T- C- S-"},
      // The user still holds Shift (Shift+Enter): the Tab must not become
      // Shift+Tab, so Shift is let go around it and pressed again after.
      {"tab while shift held", u"{TAB}", ShiftHeld, "S- T+ T- S+"},
      {"shift tab while shift held", u"+{TAB}", ShiftHeld, "T+ T-"},
      {"tab while alt held", u"{TAB}", AltHeld, "A- T+ T- A+"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Spell(KeyStringInputs(row.keys, row.holding)), row.expected) << row.name;
}

TEST(Win32PlatformKeys, OtherKeyStringsAreRefused) {
  const std::u16string refused[] = {u"",      u"TAB",    u"{ENTER}", u"{TAB",   u"a",        u"+",
                                    u"{TAB}x", u"{TAB 2}", u"{}",     u"++{TAB}", u"{TAB}+"};
  for (const auto& keys : refused) {
    EXPECT_CONTROL_ERROR(5, KeyStringInputs(keys, NothingHeld)) << std::string(keys.begin(), keys.end());
  }
}

TEST(Win32PlatformDate, TodayIsTheLocalDate) {
  Win32Platform platform;
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  const CalendarDate today = platform.Today();
  GetLocalTime(&after);
  const bool matchesBefore = today == CalendarDate{before.wYear, before.wMonth, before.wDay};
  const bool matchesAfter = today == CalendarDate{after.wYear, after.wMonth, after.wDay};
  EXPECT_TRUE(matchesBefore || matchesAfter);
  // Recognition stays the core's day/month/year rule.
  EXPECT_TRUE(platform.IsDate(u"29/02/2024"));
  EXPECT_FALSE(platform.IsDate(u"29/02/2023"));
  EXPECT_FALSE(platform.IsDate(u"02/13/1967"));
}

// Three fields in a dialog-style form; the middle one is the control.
class SendKeysTest : public OleTest {
 protected:
  void SetUp() override { host_.form.Focus(host_.box.hwnd()); }
  Hosted host_;
};

TEST_F(SendKeysTest, TabAndShiftTabMoveTheFocusAfterTheCallReturns) {
  Win32Platform platform;
  platform.SendKeys(u"{TAB}");
  EXPECT_EQ(GetFocus(), host_.box.hwnd());  // queued, not waited for
  Pump(host_.form.hwnd());
  EXPECT_EQ(GetFocus(), host_.after);
  SetFocus(host_.box.hwnd());
  platform.SendKeys(u"+{TAB}");
  Pump(host_.form.hwnd());
  EXPECT_EQ(GetFocus(), host_.before);
}

TEST_F(SendKeysTest, RefusedKeyStringSendsNothing) {
  Win32Platform platform;
  EXPECT_THROW(platform.SendKeys(u"{ENTER}"), VelmoraError);
  Pump(host_.form.hwnd());
  EXPECT_EQ(GetFocus(), host_.box.hwnd());
}

// What the control does with Enter: swallow it and send a Tab.
struct EnterMovesOn final : TextBoxEvents {
  Win32Platform platform;
  std::string log;
  void Text1_KeyDown(std::int16_t&, std::int16_t) override {}
  void Text1_KeyPress(std::int16_t& KeyAscii) override {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    platform.SendKeys(u"{TAB}");
    log += "P13 ";
  }
  void Text1_LostFocus() override { log += "L "; }
  void Text1_Change() override { log += "C "; }
};

TEST_F(SendKeysTest, ShiftEnterMovesForwardAndLostFocusFollowsTheKey) {
  EnterMovesOn events;
  host_.box.setEvents(&events);
  // Shift is still down when the Enter is handled.
  Send({KeyInput(VK_SHIFT, false), KeyInput(VK_RETURN, false), KeyInput(VK_RETURN, true)});
  Pump(host_.form.hwnd());
  Send({KeyInput(VK_SHIFT, true)});
  Pump(host_.form.hwnd());
  EXPECT_EQ(GetFocus(), host_.after);
  EXPECT_EQ(events.log, "P13 L ");
  EXPECT_EQ(host_.box.Text(), u"");
  EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);  // nothing left held down
  host_.box.setEvents(nullptr);
}

}  // namespace
}  // namespace velmora::win32
