#include "key_script.h"

#include <charconv>
#include <string>

#include "textbox.h"
#include "variant.h"

namespace velmora::keys {

namespace {

// The Windows code for a character typed from outside the keyboard layout.
constexpr std::int16_t kVkPacket = 231;

struct Named {
  const char* name;
  std::int16_t keyCode;
  char16_t ch;
};
constexpr Named kNamedKeys[] = {
    {"ENTER", vk::Return, 13}, {"ESC", vk::Escape, 27}, {"TAB", vk::Tab, 0},
    {"BS", vk::Back, 8},       {"DEL", vk::Delete, 0},  {"LEFT", vk::Left, 0},
    {"RIGHT", vk::Right, 0},   {"UP", vk::Up, 0},       {"DOWN", vk::Down, 0},
    {"HOME", vk::Home, 0},     {"END", vk::End, 0},
};

// The unshifted and shifted characters of the punctuation keys of a
// standard keyboard, with their virtual-key codes.
struct Punctuation {
  char plain, shifted;
  std::int16_t keyCode;
};
constexpr Punctuation kPunctuation[] = {
    {';', ':', 186}, {'=', '+', 187}, {',', '<', 188}, {'-', '_', 189}, {'.', '>', 190},
    {'/', '?', 191}, {'`', '~', 192}, {'[', '{', 219}, {'\\', '|', 220}, {']', '}', 221},
    {'\'', '"', 222},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";


std::int32_t ParseCount(std::u16string_view text, std::u16string_view whole) {
  std::string ascii;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') throw KeyScriptError("bad number in key {" + ToUtf8(std::u16string(whole)) + "}");
    ascii += static_cast<char>(c);
  }
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ascii.empty() || ec != std::errc() || end != ascii.data() + ascii.size())
    throw KeyScriptError("bad number in key {" + ToUtf8(std::u16string(whole)) + "}");
  return value;
}

struct NamedCommand {
  const char* name;
  EditCommand command;
};
constexpr NamedCommand kCommands[] = {{"CUT", EditCommand::Cut},     {"COPY", EditCommand::Copy},
                                      {"PASTE", EditCommand::Paste}, {"CLEAR", EditCommand::Clear},
                                      {"UNDO", EditCommand::Undo}};

Key MouseOrMenu(std::u16string_view inner) {
  Key key;
  key.kind = Key::Kind::Command;
  // "PASTE text": the text runs from after the first blank to the brace.
  if (inner.size() > 5 && EqualsIgnoringCase(inner.substr(0, 5), "PASTE") && inner[5] == u' ') {
    key.command = EditCommand::Paste;
    key.givesClipboard = true;
    key.clipboard = inner.substr(6);
    return key;
  }
  for (const NamedCommand& named : kCommands) {
    if (!EqualsIgnoringCase(inner, named.name)) continue;
    key.command = named.command;
    return key;
  }
  // "SEL s l" or "CLICK n", blanks between the words.
  std::vector<std::u16string_view> words;
  std::size_t i = 0;
  while (i < inner.size()) {
    while (i < inner.size() && inner[i] == u' ') ++i;
    std::size_t b = i;
    while (i < inner.size() && inner[i] != u' ') ++i;
    if (i > b) words.push_back(inner.substr(b, i - b));
  }
  if (words.size() == 2 && EqualsIgnoringCase(words[0], "CLICK")) {
    key.kind = Key::Kind::Click;
    key.start = ParseCount(words[1], inner);
    return key;
  }
  if (words.size() != 3 || !EqualsIgnoringCase(words[0], "SEL"))
    throw KeyScriptError("unknown key {" + ToUtf8(std::u16string(inner)) + "}");
  key.kind = Key::Kind::Select;
  key.start = ParseCount(words[1], inner);
  key.length = ParseCount(words[2], inner);
  return key;
}

}  // namespace

Key StrokeFor(char16_t ch, std::int16_t shift) {
  Key key;
  key.shift = shift;
  key.ch = ch;
  if (ch >= u'0' && ch <= u'9') {
    key.keyCode = static_cast<std::int16_t>(ch);
  } else if (ch >= u'a' && ch <= u'z') {
    key.keyCode = static_cast<std::int16_t>(ch - u'a' + u'A');
    // Shift with a small letter types the capital, as on the keyboard.
    if (shift & kShiftMask) key.ch = static_cast<char16_t>(key.keyCode);
  } else if (ch >= u'A' && ch <= u'Z') {
    key.keyCode = static_cast<std::int16_t>(ch);
    key.shift |= kShiftMask;
  } else if (ch == u' ') {
    key.keyCode = 32;
  } else if (ch == 8) {
    key.keyCode = vk::Back;
  } else if (ch == 9) {
    key.keyCode = vk::Tab;
    key.ch = 0;
  } else if (ch == 13) {
    key.keyCode = vk::Return;
  } else if (ch == 27) {
    key.keyCode = vk::Escape;
  } else {
    key.keyCode = kVkPacket;
    for (int d = 0; d < 10; ++d) {
      if (ch == static_cast<char16_t>(kShiftedDigits[d])) {
        key.keyCode = static_cast<std::int16_t>('0' + d);
        key.shift |= kShiftMask;
      }
    }
    for (const Punctuation& p : kPunctuation) {
      if (ch == static_cast<char16_t>(p.plain)) key.keyCode = p.keyCode;
      if (ch == static_cast<char16_t>(p.shifted)) {
        key.keyCode = p.keyCode;
        key.shift |= kShiftMask;
      }
    }
  }
  // Ctrl with a letter types the letter's control character (Ctrl+V is 22);
  // with any other key it types nothing.
  if (shift & kCtrlMask) {
    if (key.keyCode >= 'A' && key.keyCode <= 'Z') {
      key.ch = static_cast<char16_t>(key.keyCode - 'A' + 1);
    } else if (key.keyCode != vk::Tab) {
      key.ch = 0;
    }
  }
  return key;
}

std::vector<Key> ParseKeys(std::u16string_view script) {
  std::vector<Key> keys;
  std::int16_t shift = 0;
  bool pending = false;  // a prefix waits for its key
  auto push = [&](Key key) {
    keys.push_back(key);
    shift = 0;
    pending = false;
  };
  for (std::size_t i = 0; i < script.size(); ++i) {
    const char16_t c = script[i];
    if (c == u'\r' || c == u'\n') continue;
    if (c == u'+' || c == u'^') {
      shift |= (c == u'+') ? kShiftMask : kCtrlMask;
      pending = true;
      continue;
    }
    if (c != u'{') {
      push(StrokeFor(c, shift));
      continue;
    }
    // A braced name. "{}}" is the closing brace itself.
    std::size_t close = script.find(u'}', i + 1);
    if (i + 2 < script.size() && script[i + 1] == u'}' && script[i + 2] == u'}') close = i + 2;
    if (close == std::u16string_view::npos) throw KeyScriptError("unclosed \"{\" in the key script");
    const std::u16string_view inner = script.substr(i + 1, close - i - 1);
    i = close;
    if (inner.size() == 1 && (inner[0] == u'+' || inner[0] == u'^' || inner[0] == u'{' || inner[0] == u'}')) {
      push(StrokeFor(inner[0], shift));
      continue;
    }
    bool found = false;
    for (const Named& named : kNamedKeys) {
      if (!EqualsIgnoringCase(inner, named.name)) continue;
      Key key;
      key.keyCode = named.keyCode;
      key.shift = shift;
      key.ch = named.ch;
      // Ctrl+Enter types a line feed and Ctrl+Backspace a delete character.
      if ((shift & kCtrlMask) && key.ch == 13) key.ch = 10;
      if ((shift & kCtrlMask) && key.ch == 8) key.ch = 127;
      push(key);
      found = true;
      break;
    }
    if (found) continue;
    Key key;
    if (EqualsIgnoringCase(inner, "BLUR")) {
      key.kind = Key::Kind::Blur;
    } else if (EqualsIgnoringCase(inner, "FOCUS")) {
      key.kind = Key::Kind::Focus;
    } else {
      key = MouseOrMenu(inner);
    }
    if (pending) throw KeyScriptError("\"+\" or \"^\" before {" + ToUtf8(std::u16string(inner)) + "}");
    push(key);
  }
  if (pending) throw KeyScriptError("the key script ends with \"+\" or \"^\"");
  return keys;
}

}  // namespace velmora::keys
