// A model of the platform's single-line edit box that keeps the text box
// contract exactly. It carries the control in tests, in the key-script
// player and in the fuzz targets; the Windows layer puts the real edit
// control behind the same interface.
#pragma once

#include <cstdint>
#include <string>

#include "textbox.h"

namespace velmora {

class ModelTextBox : public TextBox {
 public:
  ModelTextBox();

  std::u16string Text() const override { return text_; }
  void setText(const std::u16string& text) override;
  std::int32_t SelStart() const override;
  void setSelStart(std::int32_t start) override;
  std::int32_t SelLength() const override;
  void setSelLength(std::int32_t length) override;
  std::int32_t MaxLength() const override { return maxLength_; }
  void setMaxLength(std::int32_t length) override;
  std::uint32_t BackColor() const override { return backColor_; }
  void setBackColor(std::uint32_t colour) override { backColor_ = colour; }
  std::uint32_t ForeColor() const override { return foreColor_; }
  void setForeColor(std::uint32_t colour) override { foreColor_ = colour; }
  FontRef Font() const override { return font_; }
  void setFont(FontRef font) override;
  bool Enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  void setWidth(std::int32_t width) override { width_ = width; }
  void setHeight(std::int32_t height) override { height_ = height; }
  void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
  void setEvents(TextBoxEvents* events) override { events_ = events; }

  // What a user does to the box.
  // One keystroke: key-down with the virtual-key code and shift state, then,
  // when the key types a character (ch != 0), key-press, then the box's own
  // action. Returns false when the box is disabled and the key went nowhere.
  bool Keystroke(std::int16_t keyCode, std::int16_t shift, char16_t ch);
  // Mouse selection: caret at start, length characters selected (clamped).
  void Select(std::int32_t start, std::int32_t length);
  // A click of the mouse: the caret at offset at (clamped), nothing
  // selected, then click is raised (the owner may move the caret on).
  void Click(std::int32_t at);
  // A command of the box's menu on the selection, asked of the owner first.
  // clipboard is what Cut and Copy fill and Paste inserts (its first line,
  // as much as MaxLength leaves room for). The model keeps no undo history:
  // an Undo let through changes nothing.
  void Command(EditCommand command, std::u16string& clipboard);
  void GotFocus() { focused_ = true; }
  void LoseFocus();  // raises lost-focus when the box had the focus
  bool Focused() const { return focused_; }

  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  void ReplaceSelection(const std::u16string& with);
  void ChangeText(std::u16string text);
  void DefaultKeyAction(std::int16_t keyCode, std::int16_t shift);
  void DefaultCharAction(char16_t ch);
  void MoveCaret(std::int32_t to, bool extend);
  std::int32_t Length() const { return static_cast<std::int32_t>(text_.size()); }

  std::u16string text_;
  std::int32_t anchor_ = 0;  // the fixed end of the selection
  std::int32_t caret_ = 0;   // the moving end, where the caret stands
  std::int32_t maxLength_ = 0;
  std::uint32_t backColor_ = kWindowBackground;
  std::uint32_t foreColor_ = kWindowText;
  FontRef font_;
  bool enabled_ = true;
  bool focused_ = false;
  std::int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TextBoxEvents* events_ = nullptr;
};

}  // namespace velmora
