// Text1 on Windows: the text box contract (core/textbox.h) over a real
// single-line EDIT control while the control is placed in a container, and
// over plain values while it is not, held to the same rules as the core's
// model text box: a control that is only created, loaded, saved or drawn
// makes no window. The EDIT is made when the control window is placed (the
// window's client hands the placing on to Place), with the text, selection,
// limit, colours, enabled state and font, and its text and selection come
// back out when it is taken away; neither move is a change of the text. (The values are the box's
// own rather than a model text box's: the model's typing rules have no use
// here, and the control's module must stay small.)
//
// What the owner gets, through the TextBoxEvents given to setEvents:
//   - Text1_KeyDown for WM_KEYDOWN and WM_SYSKEYDOWN, before the EDIT sees
//     the key, with Shift = 1 Shift, 2 Ctrl, 4 Alt from the keyboard state
//     of the message; a key set to 0 never reaches the EDIT, and neither
//     does the character that the message loop already made of it;
//   - Text1_KeyPress for WM_CHAR (Ctrl+C/V/X arrive as 3, 22, 24 like any
//     character): 0 keeps the character from the EDIT, so a refused Ctrl+V
//     pastes nothing, and another code is what the EDIT inserts;
//   - Text1_LostFocus after the EDIT has handled WM_KILLFOCUS;
//   - Text1_Change once for every change of the text: EN_CHANGE, reflected
//     by the ControlWindow or the container, for the user's edits, and setText itself for an
//     assignment (before it returns; an identical text raises nothing).
//   - Text1_Click after the EDIT has handled a release of the left button
//     that leaves nothing selected (a click, not a drag);
//   - the edit commands of the EDIT's own context menu, and the same
//     messages from other programs, go through the rules of the keys that
//     make them: WM_CUT, WM_PASTE, WM_UNDO and EM_UNDO are Text1_KeyPress
//     of Ctrl+X, Ctrl+V and Ctrl+Z (24, 22, 26), and so is the paste of
//     Shift+Insert; WM_CLEAR is Text1_KeyDown of Delete. The command runs
//     only when the key would have reached the EDIT. WM_SETTEXT and
//     EM_REPLACESEL from outside are assignments to Text: the text as
//     given, the caret at the start, one Text1_Change.
// Handlers run inside the EDIT's window procedure, so an error they throw
// cannot travel on to the caller of DispatchMessage: it is handed to the
// handler given to setEventErrorHandler (dropped if there is none), and a
// key already set to 0 stays swallowed.
//
// The owner keeps the ControlWindow alive for as long as the text box, or
// destroys the text box first. Sizes and positions are pixels of the
// control window's client area. Needs COM initialised (the font is an OLE
// font).
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "com/com_object.h"
#include "com/handles.h"
#include "windows/control_window.h"
#include "windows/ole_font.h"
#include "core/textbox.h"

namespace velmora::win32 {

class EditTextBox final : public TextBox {
 public:
  // Text1 of window: empty, with no length limit, window colours and the
  // default OLE font (made when first needed). The EDIT is made as the
  // window is placed (control id 1 inside the control window).
  explicit EditTextBox(ControlWindow& window);
  ~EditTextBox() override;
  EditTextBox(const EditTextBox&) = delete;
  EditTextBox& operator=(const EditTextBox&) = delete;

  HWND hwnd() const { return edit_; }  // nullptr while the control is not placed

  std::u16string Text() const override;
  void setText(const std::u16string& text) override;
  std::int32_t SelStart() const override;
  void setSelStart(std::int32_t start) override;
  std::int32_t SelLength() const override;
  void setSelLength(std::int32_t length) override;
  std::int32_t MaxLength() const override { return maxLength_; }
  void setMaxLength(std::int32_t length) override;
  std::uint32_t BackColor() const override { return backColor_; }
  void setBackColor(std::uint32_t colour) override;
  std::uint32_t ForeColor() const override { return foreColor_; }
  void setForeColor(std::uint32_t colour) override;
  FontRef Font() const override { return oleFont(); }
  // By reference: an OLE font is used as it is, and its later changes reach
  // the EDIT; any other font object is first turned into a new OLE font.
  void setFont(FontRef font) override;
  bool Enabled() const override;
  void setEnabled(bool enabled) override;
  void setWidth(std::int32_t width) override;
  void setHeight(std::int32_t height) override;
  void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
  void setEvents(TextBoxEvents* events) override { events_ = events; }

  // The OLE font in use, for IFontDisp and persistence.
  const std::shared_ptr<OleFont>& oleFont() const;
  // Whether a font is set or made yet (the default is made on first need).
  bool HasFont() const { return font_ != nullptr; }
  void setEventErrorHandler(std::function<void(std::exception_ptr)> handler) { onError_ = std::move(handler); }
  // Whether the box claims Enter from a dialog-style container
  // (WM_GETDLGCODE) at the moment it is asked; without it the box claims
  // Enter always. Escape is always claimed.
  void setClaimsEnter(std::function<bool()> claims) { claimsEnter_ = std::move(claims); }

  // Dispatches a key message just taken from the queue, with the modifier
  // keys the caller read for it: the box's key handling takes them instead
  // of reading the same key state again (a trip to the window server under
  // wine, on every key). A thread's key state moves only as the thread takes
  // input from its queue, so they hold for the whole dispatch.
  LRESULT DispatchKey(const MSG& msg, unsigned modifiers);

  // The colour a 32-bit colour value stands for: a set high bit is the
  // system colour of the low byte, anything else plain RGB.
  static COLORREF ToColorRef(std::uint32_t colour);

  // The box as the face of its control window, for the window's client:
  // Place makes the EDIT, a child of parent at rect (shown inside a control
  // window, hidden alone), with the box's state, and returns it or throws;
  // Unplace takes the state back out and destroys it; WindowGone is told
  // when the control window object goes first, after which the box refuses
  // to be used. Every message of the EDIT holds the window's lifetime
  // object (ControlWindow::Lifetime): a handler of an event raised from a
  // keystroke may release the object's last reference (closing its form),
  // which then goes once the EDIT's procedure has returned.
  HWND Place(HWND parent, const RECT& rect, bool alone);
  void Unplace() noexcept;
  void WindowGone() noexcept;

 private:
  void CheckWindow() const;
  void TakeStateBack() noexcept;  // the EDIT's text and selection, kept for later

  static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CallEdit(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam);
  std::int16_t KeyShiftState(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnChar(WPARAM wParam, LPARAM lParam);
  LRESULT OnLeftButtonUp(WPARAM wParam, LPARAM lParam);
  LRESULT OnEditCommand(UINT msg, WPARAM wParam, LPARAM lParam);
  bool KeyAllowsCommand(UINT msg);
  LRESULT OnOutsideText(UINT msg, WPARAM wParam, LPARAM lParam);
  HBRUSH OnCtlColor(HDC dc);
  void OnTextChanged();
  void Report();  // hands the current exception to the error handler
  void ApplyFont(bool redraw = true);
  void ConnectFont();
  void DisconnectFont();
  void Destroy();
  void Resize(int left, int top, int width, int height, UINT flags);

  ControlWindow* window_;  // nullptr once the control window object is gone
  // Text and selection while there is no EDIT; the limit, colours and
  // enabled state always (the EDIT is given them as they are set).
  std::u16string text_;
  std::int32_t selStart_ = 0, selLength_ = 0;
  std::int32_t maxLength_ = 0;
  std::uint32_t backColor_ = kWindowBackground;
  std::uint32_t foreColor_ = kWindowText;
  bool enabled_ = true;
  HWND edit_ = nullptr;
  WNDPROC editProc_ = nullptr;
  bool alone_ = false;  // the EDIT is the control's only window
  RECT placed_{};       // the EDIT's rectangle inside the control window
  TextBoxEvents* events_ = nullptr;
  std::function<void(std::exception_ptr)> onError_;
  std::function<bool()> claimsEnter_;
  std::u16string lastText_;  // what the owner last heard of, to report real changes only
  bool assigning_ = false;   // setText reports its own change
  bool inKey_ = false;       // the EDIT acts on a key the owner let through
  // The key being dispatched through DispatchKey and its modifiers, until
  // the key-down handler takes them.
  struct DispatchedKey {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    unsigned modifiers;
  };
  std::optional<DispatchedKey> dispatched_;
  UniqueHbrush ownBrush_;  // for an RGB background; system colours use the system's brushes
  mutable std::shared_ptr<OleFont> font_;  // made on first need
  HfontLock hfont_;  // the HFONT the EDIT draws with
  FontFollower fontFollower_;  // while there is an EDIT
};

}  // namespace velmora::win32
