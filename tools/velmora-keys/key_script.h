// Key scripts in send-keys notation, as the key-script player and the fuzz
// target play them into a form.
//
// Every character is typed as itself; "+" and "^" hold Shift and Ctrl for
// the key that follows; {ENTER} {ESC} {TAB} {BS} {DEL} {LEFT} {RIGHT} {UP}
// {DOWN} {HOME} {END} name keys; {+} {^} {{} {}} are those characters;
// {SEL s l} selects as a mouse would; {CLICK n} clicks with the mouse at
// offset n; {CUT} {COPY} {PASTE} {CLEAR} {UNDO} are the commands of the
// box's own menu on the selection, and {PASTE text} puts text on the
// clipboard first; {BLUR} and {FOCUS} move the focus away from the control
// and back. Line breaks only lay a script out.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "textbox.h"

namespace velmora::keys {

struct Key {
  enum class Kind { Stroke, Select, Click, Command, Blur, Focus };
  Kind kind = Kind::Stroke;
  std::int16_t keyCode = 0;  // virtual-key code of a stroke
  std::int16_t shift = 0;    // Shift/Ctrl bits of a stroke
  char16_t ch = 0;           // the character a stroke types, 0 for none
  std::int32_t start = 0;    // {SEL start length}, {CLICK start}
  std::int32_t length = 0;
  EditCommand command = EditCommand::Copy;  // a menu command
  bool givesClipboard = false;              // {PASTE text}
  std::u16string clipboard;
};

class KeyScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The stroke that types a character on a standard keyboard.
Key StrokeFor(char16_t ch, std::int16_t shift = 0);

// The whole script, parsed before any key is played: an unknown key name
// refuses the script with KeyScriptError.
std::vector<Key> ParseKeys(std::u16string_view script);

}  // namespace velmora::keys
