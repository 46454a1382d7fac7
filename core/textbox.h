// The text box contract: everything the control and its editing procedures
// ask of their inner text box. The platform's edit control and the model
// text box are two implementations of it, held to the same rules:
//   - a keystroke raises key-down, then (for a key that types a character)
//     key-press, and the box's own action comes last; a key set to 0 in
//     either event does nothing, another character code written into the
//     key-press argument is inserted in its place;
//   - a character let through replaces the selection at the caret as long as
//     the text then has at most MaxLength characters (0: no limit);
//   - an assignment to Text leaves the caret at 0 with nothing selected and,
//     when the text differs, raises change before it returns (an identical
//     assignment raises nothing);
//   - a SelStart beyond the end puts the caret at the end;
//   - every change of the text raises change; lost-focus follows the focus.
// Text is UTF-16 and positions count UTF-16 code units, as the platform's
// edit control counts them.
#pragma once

#include <cstdint>
#include <string>

#include "font.h"

namespace velmora {

// Colours: a set high bit marks a system colour.
inline constexpr std::uint32_t kWindowBackground = 0x80000005u;
inline constexpr std::uint32_t kWindowText = 0x80000008u;
inline constexpr std::uint32_t kRed = 255u;

// Virtual-key codes used by the control.
namespace vk {
inline constexpr std::int16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Escape = 27,
                              End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                              Insert = 45, Delete = 46;
}
// Shift-state bits of key-down.
inline constexpr std::int16_t kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

// What the text box reports to its owner. The names are the control's own
// handlers for events of its inner box Text1.
class TextBoxEvents {
 public:
  virtual ~TextBoxEvents() = default;
  virtual void Text1_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) = 0;
  virtual void Text1_KeyPress(std::int16_t& KeyAscii) = 0;
  virtual void Text1_LostFocus() = 0;
  virtual void Text1_Change() = 0;
  // A click of the mouse (the press or the release) that left a bare caret,
  // nothing selected. Owners without mouse rules need not answer it.
  virtual void Text1_Click() {}
};

// The commands of an edit box's own menu, which other programs send too.
enum class EditCommand { Cut, Copy, Paste, Clear, Undo };

// Asks the owner about a menu command. The command itself never reaches the
// owner, so the key that makes the same change answers for it, and the
// command keeps that key's rules: Clear is the Delete key (key-down), Cut,
// Paste and Undo are Ctrl+X, Ctrl+V and Ctrl+Z (key-press). key ends as the
// owner left it, 0 when it refused the key and so the command; whatever the
// owner did on the way (Delete's own edit, a beep) stands either way. Copy
// changes nothing and is never asked.
inline void AskCommandKey(TextBoxEvents& owner, EditCommand command, std::int16_t& key) {
  switch (command) {
    case EditCommand::Copy: key = 1; return;
    case EditCommand::Clear: key = vk::Delete; owner.Text1_KeyDown(key, 0); return;
    case EditCommand::Cut: key = 24; break;
    case EditCommand::Paste: key = 22; break;
    case EditCommand::Undo: key = 26; break;
  }
  owner.Text1_KeyPress(key);
}

class TextBox {
 public:
  virtual ~TextBox() = default;

  virtual std::u16string Text() const = 0;
  virtual void setText(const std::u16string& text) = 0;
  virtual std::int32_t SelStart() const = 0;
  virtual void setSelStart(std::int32_t start) = 0;
  virtual std::int32_t SelLength() const = 0;
  virtual void setSelLength(std::int32_t length) = 0;
  virtual std::int32_t MaxLength() const = 0;
  // A negative length is refused with "invalid property value".
  virtual void setMaxLength(std::int32_t length) = 0;
  virtual std::uint32_t BackColor() const = 0;
  virtual void setBackColor(std::uint32_t colour) = 0;
  virtual std::uint32_t ForeColor() const = 0;
  virtual void setForeColor(std::uint32_t colour) = 0;
  virtual FontRef Font() const = 0;
  virtual void setFont(FontRef font) = 0;  // by reference
  virtual bool Enabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
  // Size and position, in the control's scale units.
  virtual void setWidth(std::int32_t width) = 0;
  virtual void setHeight(std::int32_t height) = 0;
  virtual void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;

  // The owner that receives key-down, key-press, lost-focus and change.
  virtual void setEvents(TextBoxEvents* events) = 0;
};

}  // namespace velmora
