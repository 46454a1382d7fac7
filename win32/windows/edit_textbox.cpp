#include "windows/edit_textbox.h"

#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "com/com_object.h"
#include "com/com_edge.h"
#include "com/com_module.h"
#include "windows/desktop.h"
#include "core/errors.h"

using Microsoft::WRL::ComPtr;

namespace velmora::win32 {

namespace {

constexpr int kText1Id = 1;

static_assert(kShiftMask == 1 && kCtrlMask == 2 && kAltMask == 4, "the bits of ModifierKeys::Mask");

std::int16_t ShiftState() { return static_cast<std::int16_t>(HeldModifierKeys().Mask()); }

}  // namespace

// Every change of the font object's properties puts the font's new HFONT
// into the EDIT.
EditTextBox::EditTextBox(ControlWindow& window)
    : window_(&window), fontFollower_([this]() noexcept {
        try {
          ApplyFont();
        } catch (...) {
          Report();
        }
      }) {}

EditTextBox::~EditTextBox() {
  if (window_) window_->SetParentWindow(nullptr);  // the windows go before the box they carry
  Destroy();
}

void EditTextBox::WindowGone() noexcept {
  Destroy();
  window_ = nullptr;
}

// A box whose control window object is gone has nowhere to be: it refuses
// to be used rather than answer for a control that no longer exists.
void EditTextBox::CheckWindow() const {
  if (!window_) throw VelmoraError(ErrorNumber::ServiceFailed, "Text1 has no window");
}

HWND EditTextBox::Place(HWND parent, const RECT& rect, bool alone) {
  Destroy();
  const std::u16string& text = text_;
  // Single line, scrolling sideways as the caret moves; a tab stop for a
  // container that moves the focus with IsDialogMessage. Made where it
  // belongs: alone it stays hidden until the control is shown, inside the
  // control window it shows with that window.
  const DWORD style = WS_CHILD | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | (alone ? 0 : WS_VISIBLE) |
                      (enabled_ && (!alone || window_->InputEnabled()) ? 0 : WS_DISABLED);
  const HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style,
                                    rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0),
                                    std::max<LONG>(rect.bottom - rect.top, 0), parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(alone ? 0 : kText1Id)),
                                    ModuleInstance(), nullptr);
  if (!edit)
    throw VelmoraError(ErrorNumber::ServiceFailed,
                       "CreateWindowEx (Text1) failed (error " + std::to_string(GetLastError()) + ")");
  edit_ = edit;
  alone_ = alone;
  placed_ = rect;
  lastText_ = text;
  // The box rides in the window's user data: the EDIT class keeps its own
  // state in its extra bytes, and reading user data costs no trip to the
  // window manager on every message, as a window property would.
  SetWindowLongPtrW(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  editProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditTextBox::EditProc)));
  try {
    // 0 asks the EDIT for its largest limit (its own default is 32767).
    SendMessageW(edit_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    oleFont();
    ConnectFont();
    ApplyFont(false);  // not shown yet: nothing to redraw
    // The text after the font: it is laid out once, in the font it shows
    // in (the system font is shared by every thread's windows).
    if (!text.empty()) {
      ScopedFlag assigning(assigning_);
      SetWindowTextW(edit_, reinterpret_cast<const wchar_t*>(text.c_str()));
    }
    if (selStart_ != 0 || selLength_ != 0) {
      SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(selStart_), static_cast<LPARAM>(selStart_ + selLength_));
      SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
    }
  } catch (...) {
    Destroy();
    throw;
  }
  return edit_;
}

void EditTextBox::TakeStateBack() noexcept {
  if (!edit_) return;
  try {
    // Moved, not changed: the owner hears nothing.
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    text_ = Text();
    selStart_ = static_cast<std::int32_t>(start);
    selLength_ = static_cast<std::int32_t>(end - start);
  } catch (...) {
    // Out of memory: the box keeps what it had.
  }
}

void EditTextBox::Unplace() noexcept {
  TakeStateBack();
  Destroy();
}

const std::shared_ptr<OleFont>& EditTextBox::oleFont() const {
  if (!font_) font_ = OleFont::CreateDefault();
  return font_;
}

void EditTextBox::Destroy() {
  DisconnectFont();
  if (edit_) {
    // Unhooked first: destroying a focused EDIT sends WM_KILLFOCUS, which
    // must not reach an owner that is going away.
    HWND edit = edit_;
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc_));
    SetWindowLongPtrW(edit, GWLP_USERDATA, 0);
    edit_ = nullptr;
    DestroyWindow(edit);
  }
  alone_ = false;
  hfont_.reset();
  ownBrush_.reset();
}

COLORREF EditTextBox::ToColorRef(std::uint32_t colour) {
  if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
  return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

// ---- the window procedure --------------------------------------------------

LRESULT CALLBACK EditTextBox::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<EditTextBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  const ComPtr<IUnknown> keep(self->window_ ? self->window_->Lifetime() : nullptr);
  return self->HandleMessage(msg, wParam, lParam);
}

LRESULT EditTextBox::CallEdit(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(editProc_, edit_, msg, wParam, lParam);
}

void EditTextBox::Report() {
  std::exception_ptr error = std::current_exception();
  if (onError_) {
    try {
      onError_(error);
    } catch (...) {
      // The error handler is the last stop inside a window procedure.
    }
  }
}

LRESULT EditTextBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return OnKeyDown(msg, wParam, lParam);
    case WM_CHAR:
      return OnChar(wParam, lParam);
    case WM_GETDLGCODE: {
      // Escape belongs to the control (previous field), and so does Enter
      // while it moves to the next field, so a dialog-style container must
      // hand them over instead of pressing its cancel or default button.
      // When the owner leaves Enter to the form, the default button gets it.
      LRESULT code = CallEdit(msg, wParam, lParam);
      if (const auto* m = reinterpret_cast<const MSG*>(lParam)) {
        // VK_RETURN and VK_ESCAPE are also the character codes 13 and 27.
        const bool key = (m->message == WM_KEYDOWN || m->message == WM_CHAR) &&
                         (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE);
        const bool claimed = m->wParam == VK_ESCAPE || !claimsEnter_ || claimsEnter_();
        if (key && claimed) code |= DLGC_WANTALLKEYS;
      }
      return code;
    }
    case WM_KILLFOCUS: {
      LRESULT result = CallEdit(msg, wParam, lParam);
      if (events_) {
        try {
          events_->Text1_LostFocus();
        } catch (...) {
          Report();
        }
      }
      return result;
    }
    case OCM_COMMAND:
      // Alone, the EDIT tells what the control window would have told.
      if (alone_ && (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS))
        window_->FaceFocusChanged(HIWORD(wParam) == EN_SETFOCUS);
      if (HIWORD(wParam) == EN_CHANGE && !assigning_) {
        try {
          OnTextChanged();
        } catch (...) {
          Report();
        }
      }
      return 0;
    case WM_GETOBJECT:
      // The box is the control's whole face: a screen reader that asks the
      // focused box about itself is answered by the control's window.
      if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT))
        if (const LRESULT answer = alone_ ? window_->FaceGetObject(wParam, lParam)
                                          : SendMessageW(GetParent(edit_), msg, wParam, lParam))
          return answer;
      return CallEdit(msg, wParam, lParam);
    case OCM_CTLCOLOREDIT:
    case OCM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam)));
    case WM_DESTROY:
      // Destroyed from outside, with the container's window: the object
      // outlives its EDIT, and keeps its text.
      TakeStateBack();
      return CallEdit(msg, wParam, lParam);
    case WM_NCDESTROY: {
      LRESULT result = CallEdit(msg, wParam, lParam);
      SetWindowLongPtrW(edit_, GWLP_USERDATA, 0);
      edit_ = nullptr;
      DisconnectFont();
      hfont_.reset();
      if (alone_) {
        alone_ = false;
        window_->FaceDestroyed();
      }
      return result;
    }
    case WM_LBUTTONUP:
      return OnLeftButtonUp(wParam, lParam);
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      return OnEditCommand(msg, wParam, lParam);
    case WM_SETTEXT:
    case EM_REPLACESEL:
      return OnOutsideText(msg, wParam, lParam);
    default:
      return CallEdit(msg, wParam, lParam);
  }
}

LRESULT EditTextBox::DispatchKey(const MSG& msg, unsigned modifiers) {
  // Nested: a handler of this key's events may pump the next one.
  const std::optional<DispatchedKey> outer = dispatched_;
  dispatched_ = DispatchedKey{msg.hwnd, msg.message, msg.wParam, msg.lParam, modifiers};
  const LRESULT result = DispatchMessageW(&msg);
  dispatched_ = outer;
  return result;
}

std::int16_t EditTextBox::KeyShiftState(UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::optional<DispatchedKey> key = dispatched_;
  dispatched_.reset();  // taken once: what the handlers pump reads its own
  if (key && key->hwnd == edit_ && key->message == msg && key->wParam == wParam && key->lParam == lParam)
    return static_cast<std::int16_t>(key->modifiers);
  return ShiftState();
}

LRESULT EditTextBox::OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::int16_t keyCode = static_cast<std::int16_t>(wParam & 0xFFFF);
  const std::int16_t shift = KeyShiftState(msg, wParam, lParam);
  if (events_) {
    try {
      events_->Text1_KeyDown(keyCode, shift);
    } catch (...) {
      Report();  // whatever the handler already did to KeyCode holds
    }
  }
  // Shift+Insert pastes inside the EDIT's key handling, past the
  // character rules: it is asked as the paste it is.
  if (keyCode == VK_INSERT && msg == WM_KEYDOWN && (shift & kShiftMask) && !KeyAllowsCommand(WM_PASTE)) keyCode = 0;
  if (keyCode != 0) {
    ScopedFlag inKey(inKey_);
    return CallEdit(msg, static_cast<WPARAM>(static_cast<std::uint16_t>(keyCode)), lParam);
  }
  // A swallowed key does nothing at all: the message loop has already
  // queued the character it types (TranslateMessage runs before the
  // key-down is dispatched), and that character goes too.
  TypedCharacterQueued(edit_, msg, lParam, true);
  return 0;
}

LRESULT EditTextBox::OnChar(WPARAM wParam, LPARAM lParam) {
  std::int16_t keyAscii = static_cast<std::int16_t>(wParam & 0xFFFF);
  if (events_) {
    try {
      events_->Text1_KeyPress(keyAscii);
    } catch (...) {
      Report();
    }
  }
  // 0 keeps the character from the EDIT: a refused Ctrl+V (22) pastes
  // nothing, because the EDIT pastes on the character, not on the key.
  if (keyAscii == 0) return 0;
  ScopedFlag inKey(inKey_);
  return CallEdit(WM_CHAR, static_cast<WPARAM>(static_cast<std::uint16_t>(keyAscii)), lParam);
}

// ---- the mouse and the edit commands ----------------------------------------

LRESULT EditTextBox::OnLeftButtonUp(WPARAM wParam, LPARAM lParam) {
  // The EDIT has put the caret where the mouse was pressed; a bare caret is
  // a click, which the owner may move on. A drag or a double-click leaves a
  // selection, which stays as the mouse made it.
  const LRESULT result = CallEdit(WM_LBUTTONUP, wParam, lParam);
  if (events_ && edit_ && SelLength() == 0) {
    try {
      events_->Text1_Click();
    } catch (...) {
      Report();
    }
  }
  return result;
}

// Whether the owner lets the key behind an edit command through: the command
// itself never reaches the owner, so the key's own rules answer for it, with
// the beep of a refused key.
bool EditTextBox::KeyAllowsCommand(UINT msg) {
  if (!events_) return true;
  std::int16_t key = 0;
  try {
    AskCommandKey(*events_,
                  msg == WM_CLEAR ? EditCommand::Clear
                  : msg == WM_CUT ? EditCommand::Cut
                  : msg == WM_PASTE ? EditCommand::Paste
                                    : EditCommand::Undo,
                  key);
  } catch (...) {
    Report();  // whatever the handler already did to the key holds
  }
  return key != 0;
}

LRESULT EditTextBox::OnEditCommand(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A key the owner let through makes its command inside the EDIT: that key
  // has been asked already.
  if (inKey_ || KeyAllowsCommand(msg)) return CallEdit(msg, wParam, lParam);
  return 0;  // nothing cut, pasted, cleared or undone (FALSE for an undo)
}

// Another program's WM_SETTEXT or EM_REPLACESEL is an assignment to Text;
// setText's own WM_SETTEXT passes straight on.
LRESULT EditTextBox::OnOutsideText(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (assigning_) return CallEdit(msg, wParam, lParam);
  try {
    const auto* given = reinterpret_cast<const char16_t*>(lParam);
    std::u16string text = given ? std::u16string(given) : std::u16string();
    if (msg == EM_REPLACESEL) {
      // The selection replaced by the text given, kept whole: an assignment
      // knows no MaxLength.
      const std::u16string now = Text();
      const std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(SelStart()), now.size());
      const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(SelLength()), now.size() - start);
      text = now.substr(0, start) + text + now.substr(start + length);
    }
    setText(text);
  } catch (...) {
    Report();
    return msg == WM_SETTEXT ? FALSE : 0;
  }
  return msg == WM_SETTEXT ? TRUE : 0;
}

HBRUSH EditTextBox::OnCtlColor(HDC dc) {
  const std::uint32_t back = backColor_;
  SetTextColor(dc, ToColorRef(foreColor_));
  SetBkColor(dc, ToColorRef(back));
  if (back & 0x80000000u) return GetSysColorBrush(static_cast<int>(back & 0xFFu));
  if (!ownBrush_) ownBrush_.reset(CreateSolidBrush(ToColorRef(back)));
  return ownBrush_.get();
}

void EditTextBox::OnTextChanged() {
  // The EDIT also notifies edits that leave the text as it was (Backspace
  // at the start, a character typed over the same selected character):
  // only a real change is one.
  std::u16string text = Text();
  if (text == lastText_) return;
  lastText_ = std::move(text);
  if (events_) events_->Text1_Change();
}

// ---- properties -------------------------------------------------------------

std::u16string EditTextBox::Text() const {
  if (!edit_) {
    CheckWindow();
    return text_;
  }
  const int length = GetWindowTextLengthW(edit_);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(edit_, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void EditTextBox::setText(const std::u16string& text) {
  if (!edit_) {
    CheckWindow();
    // The caret goes home before the change is reported, as in the EDIT.
    selStart_ = selLength_ = 0;
    if (text == text_) return;
    text_ = text;
    if (events_) events_->Text1_Change();
    return;
  }
  HWND edit = edit_;
  if (text != Text()) {
    // The EDIT notifies an assignment too (and an identical one as well);
    // the change is reported here instead, exactly once, after the caret
    // has gone home, as the contract wants.
    BOOL done;
    {
      ScopedFlag assigning(assigning_);
      done = SetWindowTextW(edit, reinterpret_cast<const wchar_t*>(text.c_str()));
    }
    if (!done) throw VelmoraError(ErrorNumber::ServiceFailed, "Text1: the text could not be set");
  } else {
    // A new text already leaves the EDIT's caret home and scrolled there;
    // placing it again would cost the window server twice more per key
    // of a number field, whose text is rebuilt on every key.
    SendMessageW(edit, EM_SETSEL, 0, 0);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
  }
  OnTextChanged();
}

std::int32_t EditTextBox::SelStart() const {
  if (!edit_) return selStart_;
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(start);
}

std::int32_t EditTextBox::SelLength() const {
  if (!edit_) return selLength_;
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(end - start);
}

void EditTextBox::setSelStart(std::int32_t start) {
  if (start < 0) ThrowInvalidPropertyValue("SelStart");
  if (!edit_) {
    selStart_ = std::min(start, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
    return;
  }
  const std::int32_t at = std::min(start, static_cast<std::int32_t>(GetWindowTextLengthW(edit_)));
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

void EditTextBox::setSelLength(std::int32_t length) {
  if (length < 0) ThrowInvalidPropertyValue("SelLength");
  if (!edit_) {
    selLength_ = static_cast<std::int32_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(selStart_) + length, text_.size()) - selStart_);
    return;
  }
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::int64_t last = std::min<std::int64_t>(static_cast<std::int64_t>(start) + length, GetWindowTextLengthW(edit_));
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(last));
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

void EditTextBox::setMaxLength(std::int32_t length) {
  // 0 asks the EDIT for its largest limit; the property still reads 0. The
  // limit binds typing only: a longer text already there, or assigned
  // later, is kept whole.
  if (length < 0) ThrowInvalidPropertyValue("MaxLength");
  maxLength_ = length;
  if (edit_) SendMessageW(edit_, EM_SETLIMITTEXT, static_cast<WPARAM>(length), 0);
}

void EditTextBox::setBackColor(std::uint32_t colour) {
  backColor_ = colour;
  ownBrush_.reset();
  if (edit_) InvalidateRect(edit_, nullptr, TRUE);
}

void EditTextBox::setForeColor(std::uint32_t colour) {
  foreColor_ = colour;
  if (edit_) InvalidateRect(edit_, nullptr, TRUE);
}

// The box's own state, not the window's: a designer disables the control's
// window while Text1 stays enabled.
bool EditTextBox::Enabled() const { return enabled_; }

void EditTextBox::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (edit_) EnableWindow(edit_, enabled && (!alone_ || window_->InputEnabled()) ? TRUE : FALSE);
}

// Inside the control window the EDIT is placed where the control says;
// alone it is the control, placed by the container. A place it already has
// costs nothing.
void EditTextBox::Resize(int left, int top, int width, int height, UINT) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (!edit_) return;  // placed by the control window when it is placed
  if (alone_) return;
  const RECT rect{left, top, left + width, top + height};
  if (EqualRect(&rect, &placed_)) return;
  placed_ = rect;
  SetWindowPos(edit_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void EditTextBox::setWidth(std::int32_t width) {
  Resize(placed_.left, placed_.top, width, placed_.bottom - placed_.top, 0);
}

void EditTextBox::setHeight(std::int32_t height) {
  Resize(placed_.left, placed_.top, placed_.right - placed_.left, height, 0);
}

void EditTextBox::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  Resize(left, top, width, height, 0);
}

// ---- font -------------------------------------------------------------------

void EditTextBox::setFont(FontRef font) {
  std::shared_ptr<OleFont> ole = OleFont::From(font);  // refuses null before anything changes
  if (ole != font_) {
    DisconnectFont();
    font_ = std::move(ole);
    ConnectFont();
  }
  ApplyFont();
}

// Later changes to the font object, by whoever holds it, reach the EDIT
// through the font's property notifications. A font object without them is
// still used, as it stands now. Without an EDIT there is nothing to follow.
void EditTextBox::ConnectFont() {
  if (edit_ && font_ && !fontFollower_.Following()) fontFollower_.Follow(font_->font());
}

void EditTextBox::ApplyFont(bool redraw) {
  if (!font_ || !edit_) return;
  IFont* font = font_->font();
  HFONT hfont = nullptr;
  ThrowIfFailed(font->get_hFont(&hfont), "IFont::get_hFont");
  // The OLE font may drop its HFONT when it changes; the lock keeps the one
  // the EDIT draws with alive until the next one is in place.
  ThrowIfFailed(font->AddRefHfont(hfont), "IFont::AddRefHfont");
  HfontLock lock(font, hfont);
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(hfont), redraw ? TRUE : FALSE);
  hfont_ = std::move(lock);  // the previous one goes only now
}

void EditTextBox::DisconnectFont() { fontFollower_.Stop(); }

}  // namespace velmora::win32
