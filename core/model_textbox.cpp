#include "model_textbox.h"

#include <algorithm>

#include "errors.h"

namespace velmora {

ModelTextBox::ModelTextBox() : font_(std::make_shared<StdFont>()) {}

void ModelTextBox::ChangeText(std::u16string text) {
  if (text == text_) return;
  text_ = std::move(text);
  if (events_) events_->Text1_Change();
}

void ModelTextBox::setText(const std::u16string& text) {
  // The caret goes home before the change is reported, so a handler of the
  // change already sees the caret where the assignment leaves it.
  anchor_ = caret_ = 0;
  ChangeText(text);
}

std::int32_t ModelTextBox::SelStart() const { return std::min(anchor_, caret_); }
std::int32_t ModelTextBox::SelLength() const { return std::max(anchor_, caret_) - SelStart(); }

void ModelTextBox::setSelStart(std::int32_t start) {
  if (start < 0) ThrowInvalidPropertyValue("SelStart");
  anchor_ = caret_ = std::min(start, Length());
}

void ModelTextBox::setSelLength(std::int32_t length) {
  if (length < 0) ThrowInvalidPropertyValue("SelLength");
  anchor_ = SelStart();
  caret_ = std::min(anchor_ + length, Length());
}

void ModelTextBox::setMaxLength(std::int32_t length) {
  if (length < 0) ThrowInvalidPropertyValue("MaxLength");
  maxLength_ = length;
}

void ModelTextBox::setFont(FontRef font) {
  if (!font) ThrowInvalidPropertyValue("Font");
  font_ = std::move(font);
}

void ModelTextBox::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void ModelTextBox::Select(std::int32_t start, std::int32_t length) {
  start = std::clamp(start, 0, Length());
  anchor_ = start;
  caret_ = std::clamp(start + std::max(length, 0), 0, Length());
}

void ModelTextBox::Click(std::int32_t at) {
  if (!enabled_) return;  // a disabled box takes no mouse
  Select(at, 0);
  if (events_) events_->Text1_Click();
}

void ModelTextBox::Command(EditCommand command, std::u16string& clipboard) {
  if (!enabled_) return;
  std::int16_t key = 1;
  if (events_) AskCommandKey(*events_, command, key);
  if (key == 0) return;
  const std::u16string selected =
      text_.substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelLength()));
  switch (command) {
    case EditCommand::Copy:
    case EditCommand::Cut:
      if (selected.empty()) return;
      clipboard = selected;
      if (command == EditCommand::Cut) ReplaceSelection(u"");
      return;
    case EditCommand::Clear:
      if (!selected.empty()) ReplaceSelection(u"");
      return;
    case EditCommand::Paste: {
      std::u16string with = clipboard.substr(0, clipboard.find_first_of(u"\r\n"));
      const std::int32_t room = maxLength_ - (Length() - SelLength());
      if (maxLength_ > 0) with.resize(std::min(with.size(), static_cast<std::size_t>(std::max(0, room))));
      if (!with.empty() || !selected.empty()) ReplaceSelection(with);
      return;
    }
    case EditCommand::Undo: return;
  }
}

void ModelTextBox::LoseFocus() {
  if (!focused_) return;
  focused_ = false;
  if (events_) events_->Text1_LostFocus();
}

void ModelTextBox::ReplaceSelection(const std::u16string& with) {
  std::int32_t start = SelStart();
  std::u16string text = text_;
  text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(SelLength()), with);
  anchor_ = caret_ = start + static_cast<std::int32_t>(with.size());
  ChangeText(std::move(text));
}

void ModelTextBox::MoveCaret(std::int32_t to, bool extend) {
  caret_ = std::clamp(to, 0, Length());
  if (!extend) anchor_ = caret_;
}

bool ModelTextBox::Keystroke(std::int16_t keyCode, std::int16_t shift, char16_t ch) {
  if (!enabled_) return false;
  if (events_) events_->Text1_KeyDown(keyCode, shift);
  if (keyCode == 0) return true;
  if (ch != 0) {
    std::int16_t keyAscii = static_cast<std::int16_t>(ch);
    if (events_) events_->Text1_KeyPress(keyAscii);
    if (keyAscii != 0) DefaultCharAction(static_cast<char16_t>(keyAscii));
    return true;
  }
  DefaultKeyAction(keyCode, shift);
  return true;
}

void ModelTextBox::DefaultKeyAction(std::int16_t keyCode, std::int16_t shift) {
  const bool extend = (shift & kShiftMask) != 0;
  switch (keyCode) {
    // The arrows move the caret end of a selection by one, collapsing it
    // unless Shift is held, as the platform's edit box does.
    case vk::Left: MoveCaret(caret_ - 1, extend); break;
    case vk::Right: MoveCaret(caret_ + 1, extend); break;
    case vk::Home: MoveCaret(0, extend); break;
    case vk::End: MoveCaret(Length(), extend); break;
    case vk::Delete:
      if (SelLength() > 0) {
        ReplaceSelection(u"");
      } else if (caret_ < Length()) {
        anchor_ = caret_ + 1;
        ReplaceSelection(u"");
      }
      break;
    default: break;
  }
}

void ModelTextBox::DefaultCharAction(char16_t ch) {
  if (ch == 8) {  // Backspace
    if (SelLength() > 0) {
      ReplaceSelection(u"");
    } else if (caret_ > 0) {
      anchor_ = caret_ - 1;
      ReplaceSelection(u"");
    }
    return;
  }
  if (ch < 32) return;  // other control characters insert nothing
  if (maxLength_ > 0 && Length() - SelLength() + 1 > maxLength_) return;
  ReplaceSelection(std::u16string(1, ch));
}

}  // namespace velmora
