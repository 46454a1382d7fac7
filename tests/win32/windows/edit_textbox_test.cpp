// Text1 on the real EDIT, under wine: the shared text box contract typed
// through the keyboard, then what only the Windows box has (reflection,
// colours, the font by reference, dialog codes, the control window).
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "shared/textbox_contract.h"
#include "windows/control_window.h"
#include "windows/edit_textbox.h"
#include "errors.h"
#include "windows/ole_font.h"
#include "test_support.h"
#include "windows/hosted_box.h"

namespace velmora::win32 {
namespace {

using namespace velmora::testing;

// ---- the contract, typed into the real EDIT ----------------------------------

class EditDriver final : public contract::Driver {
 public:
  TextBox& Box() override { return host_.box; }
  void Type(const contract::Key& key) override {
    PressKey(static_cast<WORD>(static_cast<std::uint16_t>(key.keyCode)), key.shift);
  }
  void Select(std::int32_t start, std::int32_t length) override {
    SendMessageW(host_.box.hwnd(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
  }
  void Focus() override { host_.form.Focus(host_.box.hwnd()); }
  void Blur() override {
    SetFocus(host_.after);
    Pump();
  }

 private:
  Hosted host_;
};

VELMORA_CONTRACT_SUITE(EditTextBoxContract, OleFixture<::testing::TestWithParam<contract::Row>>, EditDriver);

// ---- events ------------------------------------------------------------------

// Counts and records what the box raises; each handler can be given a job.
struct Events final : TextBoxEvents {
  std::function<void(std::int16_t&, std::int16_t)> onKeyDown;
  std::function<void(std::int16_t&)> onKeyPress;
  std::function<void()> onChange;
  std::vector<std::int16_t> shifts;
  int changes = 0, lostFocus = 0, keyPresses = 0;
  void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) override {
    if (KeyCode == VK_SHIFT || KeyCode == VK_CONTROL || KeyCode == VK_MENU) return;
    shifts.push_back(Shift);
    if (onKeyDown) onKeyDown(KeyCode, Shift);
  }
  void Text1_KeyPress(std::int16_t& KeyAscii) override {
    ++keyPresses;
    if (onKeyPress) onKeyPress(KeyAscii);
  }
  void Text1_LostFocus() override { ++lostFocus; }
  void Text1_Change() override {
    ++changes;
    if (onChange) onChange();
  }
};

// A hosted box whose events the test hears once it listens.
class EditTextBoxTest : public OleTest {
 protected:
  ~EditTextBoxTest() override { host.box.setEvents(nullptr); }
  // Gives the box the events, and the focus for typing unless told not to.
  void Listen(bool focus = true) {
    host.box.setEvents(&events);
    if (focus) host.form.Focus(host.box.hwnd());
  }
  Hosted host;
  Events events;
};
using ControlWindowTest = OleTest;

TEST_F(EditTextBoxTest, ShiftStateOfKeyDownNamesShiftCtrlAlt) {
  struct {
    const char* name;
    int held;
    std::int16_t expected;
  } const rows[] = {{"none", 0, 0}, {"shift", 1, 1}, {"ctrl", 2, 2}, {"alt", 4, 4}, {"ctrl+shift", 3, 3},
                    {"all", 7, 7}};
  Listen();
  for (const auto& row : rows) {
    events.shifts.clear();
    PressKey(VK_RIGHT, row.held);
    ASSERT_EQ(events.shifts.size(), 1u) << row.name;
    EXPECT_EQ(events.shifts[0], row.expected) << row.name;
  }
}

TEST_F(EditTextBoxTest, AssignmentFromAChangeHandlerRaisesItsOwnChange) {
  // The editing procedures rewrite the text while the box reports a change
  // (a handler that formats what was typed): each real change counts once.
  events.onChange = [&] {
    if (host.box.Text() == u"1") host.box.setText(u"1/");
  };
  Listen();
  PressKey('1');
  EXPECT_EQ(host.box.Text(), u"1/");
  EXPECT_EQ(events.changes, 2);
}

TEST_F(EditTextBoxTest, RefusedCtrlVPastesNothingAndAllowedOnePastes) {
  ASSERT_TRUE(SetClipboardText(host.form.hwnd(), L"PASTE"));

  bool refuse = true;
  events.onKeyPress = [&](std::int16_t& KeyAscii) {
    if (KeyAscii == 22 && refuse) KeyAscii = 0;
  };
  Listen();
  PressKey('V', kCtrlMask);
  EXPECT_EQ(host.box.Text(), u"");
  EXPECT_EQ(events.changes, 0);
  refuse = false;
  PressKey('V', kCtrlMask);
  EXPECT_EQ(host.box.Text(), u"PASTE");
  EXPECT_EQ(events.changes, 1);
}

TEST_F(EditTextBoxTest, HandlerErrorStaysInsideWindowProcedureAndSwallowedKeyStays) {
  host.box.setText(u"abc");
  events.onKeyDown = [](std::int16_t& KeyCode, std::int16_t) {
    if (KeyCode == VK_DELETE) {
      KeyCode = 0;
      throw VelmoraError(ErrorNumber::ServiceFailed, "refused");
    }
  };
  int reported = 0, number = 0;
  host.box.setEventErrorHandler([&](std::exception_ptr error) {
    ++reported;
    number = velmora::testing::ErrorOf([&] { std::rethrow_exception(error); }).number;
  });
  Listen();
  host.box.setSelStart(0);
  PressKey(VK_DELETE);
  EXPECT_EQ(host.box.Text(), u"abc");
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(number, 5);
}

TEST_F(EditTextBoxTest, ChangeHandlerErrorOfAnAssignmentReachesTheCaller) {
  events.onChange = [] { throw VelmoraError(ErrorNumber::ServiceFailed, "container failed"); };
  Listen(false);
  EXPECT_THROW(host.box.setText(u"x"), VelmoraError);
  EXPECT_EQ(host.box.Text(), u"x");  // what was done stays done
  events.onChange = nullptr;
  host.box.setText(u"y");  // the box is not left half-assigning
  EXPECT_EQ(events.changes, 2);
}

TEST_F(EditTextBoxTest, DisablingTheFocusedBoxLosesTheFocus) {
  // The real box drops the focus when it is disabled, and reports it.
  Listen();
  host.box.setEnabled(false);
  Pump();
  EXPECT_FALSE(host.box.Enabled());
  EXPECT_TRUE(IsWindowEnabled(host.window.hwnd()));  // the control itself stays enabled
  EXPECT_EQ(events.lostFocus, 1);
  PressKey('A');
  EXPECT_EQ(host.box.Text(), u"");
  EXPECT_EQ(events.keyPresses, 0);
  host.box.setEnabled(true);
  EXPECT_TRUE(host.box.Enabled());
}

// ---- dialog codes: Enter and Escape are the box's, Tab the container's ------

TEST_F(EditTextBoxTest, DialogCodeWantsEnterAndEscapeOnly) {
  struct {
    const char* name;
    UINT message;
    WPARAM key;
    bool wantsAll;
  } const rows[] = {{"enter down", WM_KEYDOWN, VK_RETURN, true}, {"escape down", WM_KEYDOWN, VK_ESCAPE, true},
                    {"enter char", WM_CHAR, 13, true},           {"escape char", WM_CHAR, 27, true},
                    {"tab down", WM_KEYDOWN, VK_TAB, false},     {"letter down", WM_KEYDOWN, 'A', false}};
  for (const auto& row : rows) {
    MSG msg{host.box.hwnd(), row.message, row.key, 0, 0, {}};
    const LRESULT code = SendMessageW(host.box.hwnd(), WM_GETDLGCODE, row.key, reinterpret_cast<LPARAM>(&msg));
    EXPECT_EQ((code & DLGC_WANTALLKEYS) != 0, row.wantsAll) << row.name << " code " << code;
    EXPECT_NE(code & DLGC_WANTCHARS, 0) << row.name;
  }
}

TEST_F(EditTextBoxTest, DialogStyleContainerHandsEnterAndEscapeToTheBoxAndKeepsTab) {
  std::vector<std::int16_t> chars;
  events.onKeyPress = [&](std::int16_t& KeyAscii) { chars.push_back(KeyAscii); };
  Listen();
  PressKey(VK_RETURN, 0, host.form.hwnd());
  PressKey(VK_ESCAPE, 0, host.form.hwnd());
  EXPECT_EQ(chars, (std::vector<std::int16_t>{13, 27}));
  EXPECT_EQ(GetFocus(), host.box.hwnd());
  PressKey(VK_TAB, 0, host.form.hwnd());
  EXPECT_EQ(GetFocus(), host.after);
  EXPECT_EQ(events.lostFocus, 1);
  PressKey(VK_TAB, kShiftMask, host.form.hwnd());
  EXPECT_EQ(GetFocus(), host.box.hwnd());  // through the control window (WS_EX_CONTROLPARENT)
}

// ---- properties -----------------------------------------------------------------

TEST_F(EditTextBoxTest, MaxLengthReadsBackAndZeroIsTheEditMaximum) {
  struct {
    std::int32_t set;
    LRESULT limit;  // what the EDIT holds
  } const rows[] = {{5, 5}, {0, 0x7FFFFFFE}, {32767, 32767}, {100000, 100000}};
  for (const auto& row : rows) {
    host.box.setMaxLength(row.set);
    EXPECT_EQ(host.box.MaxLength(), row.set);
    EXPECT_EQ(SendMessageW(host.box.hwnd(), EM_GETLIMITTEXT, 0, 0), row.limit) << "MaxLength " << row.set;
  }
  EXPECT_CONTROL_ERROR(380, host.box.setMaxLength(-1)) << "negative MaxLength";
  EXPECT_EQ(host.box.MaxLength(), 100000);
}

TEST_F(EditTextBoxTest, ColoursReachTheEditThroughCtlColor) {
  struct {
    const char* name;
    std::uint32_t back, fore;
    COLORREF backRgb, foreRgb;
  } const rows[] = {
      {"window colours", kWindowBackground, kWindowText, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)},
      {"red text (negative number)", kWindowBackground, kRed, GetSysColor(COLOR_WINDOW), RGB(255, 0, 0)},
      {"rgb back", 0x00336699u, kWindowText, RGB(0x99, 0x66, 0x33), GetSysColor(COLOR_WINDOWTEXT)},
      {"button face", 0x8000000Fu, 0x80000012u, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const auto& row : rows) {
    for (bool enabled : {true, false}) {
      host.box.setBackColor(row.back);
      host.box.setForeColor(row.fore);
      host.box.setEnabled(enabled);
      EXPECT_EQ(host.box.BackColor(), row.back);
      EXPECT_EQ(host.box.ForeColor(), row.fore);
      // What the EDIT asks its parent when it paints.
      const UINT msg = enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
      auto brush = reinterpret_cast<HBRUSH>(
          SendMessageW(host.window.hwnd(), msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(host.box.hwnd())));
      ASSERT_NE(brush, nullptr) << row.name;
      LOGBRUSH lb{};
      GetObjectW(brush, sizeof lb, &lb);
      EXPECT_EQ(lb.lbColor, row.backRgb) << row.name;
      EXPECT_EQ(GetBkColor(dc), row.backRgb) << row.name;
      EXPECT_EQ(GetTextColor(dc), row.foreRgb) << row.name;
      // One brush per colour, not one per paint.
      auto again = reinterpret_cast<HBRUSH>(
          SendMessageW(host.window.hwnd(), msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(host.box.hwnd())));
      EXPECT_EQ(again, brush) << row.name;
    }
  }
  DeleteDC(dc);
}

LOGFONTW EditFont(HWND edit) {
  LOGFONTW lf{};
  auto hfont = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
  GetObjectW(hfont, sizeof lf, &lf);
  return lf;
}

TEST_F(EditTextBoxTest, FontIsByReferenceAndLaterChangesReachTheEdit) {
  auto font = OleFont::Create(StdFont(u"DejaVu Sans", 10));
  host.box.setFont(font);
  EXPECT_EQ(host.box.Font(), font);  // the same object, not a copy
  HFONT hfont = nullptr;
  ASSERT_TRUE(SUCCEEDED(font->font()->get_hFont(&hfont)));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(host.box.hwnd(), WM_GETFONT, 0, 0)), hfont);
  const LONG height10 = std::abs(EditFont(host.box.hwnd()).lfHeight);

  // Whoever holds the font object changes it: through IFontDisp, as a
  // script would, and through the core's Font.
  font->setSize(20);
  font->setBold(true);
  const LOGFONTW lf = EditFont(host.box.hwnd());
  EXPECT_GT(std::abs(lf.lfHeight), height10);
  EXPECT_GE(lf.lfWeight, FW_BOLD);
  Microsoft::WRL::ComPtr<IFont> viaDisp;
  ASSERT_TRUE(SUCCEEDED(font->FontDisp().As(&viaDisp)));
  viaDisp->put_Italic(TRUE);
  EXPECT_TRUE(EditFont(host.box.hwnd()).lfItalic);

  // Another font replaces it; the old one no longer steers the EDIT.
  auto other = OleFont::Create(StdFont(u"DejaVu Sans", 9));
  host.box.setFont(other);
  const LONG height9 = EditFont(host.box.hwnd()).lfHeight;
  font->setSize(30);
  EXPECT_EQ(EditFont(host.box.hwnd()).lfHeight, height9);
  EXPECT_FALSE(EditFont(host.box.hwnd()).lfItalic);
}

TEST_F(EditTextBoxTest, PortableFontBecomesAnOleFontAndNullIsRefused) {
  auto portable = std::make_shared<StdFont>(u"DejaVu Sans", 12);
  portable->setBold(true);
  portable->setUnderline(true);
  host.box.setFont(portable);
  auto used = std::dynamic_pointer_cast<OleFont>(host.box.Font());
  ASSERT_NE(used, nullptr);
  EXPECT_EQ(used->Name(), u"DejaVu Sans");
  EXPECT_DOUBLE_EQ(used->Size(), 12);
  EXPECT_TRUE(used->Bold());
  EXPECT_TRUE(used->Underline());
  EXPECT_FALSE(used->Italic());
  const LOGFONTW lf = EditFont(host.box.hwnd());
  EXPECT_STREQ(lf.lfFaceName, L"DejaVu Sans");
  EXPECT_TRUE(lf.lfUnderline);

  EXPECT_CONTROL_ERROR(380, host.box.setFont(nullptr)) << "null font";
  EXPECT_EQ(host.box.Font(), used);
}

TEST_F(ControlWindowTest, NewBoxHasTheDefaultFontAndWindowColours) {
  BoxInWindow boxed;
  ControlWindow& window = boxed.window;
  EditTextBox& box = boxed.box;
  EXPECT_EQ(box.hwnd(), nullptr);  // no window until the control is placed
  ASSERT_NE(box.Font(), nullptr);
  EXPECT_DOUBLE_EQ(box.Font()->Size(), 8.25);
  window.SetParentWindow(Form::Shared().hwnd());
  EXPECT_NE(SendMessageW(box.hwnd(), WM_GETFONT, 0, 0), 0);
  EXPECT_EQ(box.BackColor(), kWindowBackground);
  EXPECT_EQ(box.ForeColor(), kWindowText);
  EXPECT_EQ(box.MaxLength(), 0);
  EXPECT_EQ(box.Text(), u"");
}

TEST_F(EditTextBoxTest, SizeAndMoveInPixelsOfTheControlWindow) {
  host.window.FillWith(nullptr);
  auto place = [&] {
    RECT r{};
    GetWindowRect(host.box.hwnd(), &r);
    MapWindowPoints(nullptr, host.window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  host.box.Move(2, 3, 50, 20);
  RECT r = place();
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.right, 52);
  EXPECT_EQ(r.bottom, 23);
  host.box.setWidth(70);
  host.box.setHeight(25);
  r = place();
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.right - r.left, 70);
  EXPECT_EQ(r.bottom - r.top, 25);
}

// ---- the control window -------------------------------------------------------

// A control window has no window at all until a container places it (none
// per control, no hidden window of the thread), and none is left behind
// when it is taken out or its object goes.
TEST_F(ControlWindowTest, ControlWindowIsMadeHiddenInAContainerAndGoesWhenTakenOut) {
  Form& form = Form::Shared();
  HWND again = nullptr;
  {
    BoxInWindow boxed;
    FaceClient none;
    ControlWindow& window = boxed.window;
    ControlWindow neverPlaced(none);
    EditTextBox& box = boxed.box;
    EXPECT_EQ(window.hwnd(), nullptr);  // nothing until a container places it
    EXPECT_EQ(neverPlaced.hwnd(), nullptr);
    EXPECT_EQ(box.hwnd(), nullptr);
    EXPECT_EQ(window.ParentWindow(), nullptr);
    box.setText(u"kept");

    window.SetParentWindow(form.hwnd());
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_FALSE(IsWindowVisible(window.hwnd()));
    EXPECT_NE(GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    window.FillWith(box.hwnd());
    window.SetRect(RECT{10, 20, 130, 45});
    window.Show();
    EXPECT_EQ(window.ParentWindow(), form.hwnd());
    EXPECT_EQ(GetParent(window.hwnd()), form.hwnd());
    EXPECT_NE(GetWindowLongW(window.hwnd(), GWL_STYLE) & WS_CHILD, 0);
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    RECT client{}, edit{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 25);
    GetWindowRect(box.hwnd(), &edit);
    EXPECT_EQ(edit.right - edit.left, 120);  // Text1 fills the control
    EXPECT_EQ(edit.bottom - edit.top, 25);

    const HWND placed = window.hwnd();
    window.SetParentWindow(nullptr);
    EXPECT_EQ(window.ParentWindow(), nullptr);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(placed));
    EXPECT_EQ(box.Text(), u"kept");
    window.SetParentWindow(form.hwnd());  // and in again, as a second activation
    EXPECT_EQ(GetParent(window.hwnd()), form.hwnd());
    EXPECT_EQ(box.Text(), u"kept");
    again = window.hwnd();
  }
  EXPECT_FALSE(IsWindow(again));  // destroyed with its object
}

TEST_F(ControlWindowTest, BoxWhoseWindowWentFirstFailsCleanly) {
  FaceClient client;
  auto window = std::make_unique<ControlWindow>(client);
  EditTextBox box(*window);
  client.box = &box;
  window.reset();  // the container tore the window down
  EXPECT_EQ(box.hwnd(), nullptr);
  EXPECT_THROW(box.Text(), VelmoraError);
  EXPECT_THROW(box.setText(u"x"), VelmoraError);
}

}  // namespace
}  // namespace velmora::win32
