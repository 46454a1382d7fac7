// Font objects. The control hands its font around by reference: the text box
// owns one font object, a setter makes it use another, and later changes to
// that object are the text box's business (on Windows an OLE font).
#pragma once

#include <memory>
#include <string>

namespace velmora {

// Anything a variant can hold by reference.
class Object {
 public:
  virtual ~Object() = default;
};

class Font : public Object {
 public:
  virtual std::u16string Name() const = 0;
  virtual void setName(const std::u16string& name) = 0;
  virtual double Size() const = 0;  // points
  virtual void setSize(double points) = 0;
  virtual bool Bold() const = 0;
  virtual void setBold(bool bold) = 0;
  virtual bool Italic() const = 0;
  virtual void setItalic(bool italic) = 0;
  virtual bool Underline() const = 0;
  virtual void setUnderline(bool underline) = 0;
  virtual bool Strikethrough() const = 0;
  virtual void setStrikethrough(bool strike) = 0;
};

using FontRef = std::shared_ptr<Font>;

// A plain font description, the portable font object.
class StdFont final : public Font {
 public:
  StdFont() = default;
  StdFont(std::u16string name, double size) : name_(std::move(name)), size_(size) {}

  std::u16string Name() const override { return name_; }
  void setName(const std::u16string& name) override { name_ = name; }
  double Size() const override { return size_; }
  void setSize(double points) override { size_ = points; }
  bool Bold() const override { return bold_; }
  void setBold(bool bold) override { bold_ = bold; }
  bool Italic() const override { return italic_; }
  void setItalic(bool italic) override { italic_ = italic; }
  bool Underline() const override { return underline_; }
  void setUnderline(bool underline) override { underline_ = underline; }
  bool Strikethrough() const override { return strike_; }
  void setStrikethrough(bool strike) override { strike_ = strike; }

 private:
  std::u16string name_ = u"MS Sans Serif";
  double size_ = 8.25;
  bool bold_ = false, italic_ = false, underline_ = false, strike_ = false;
};

}  // namespace velmora
