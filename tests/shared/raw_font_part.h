// The font's part of the saved stream for builds without the platform's
// font: the bytes the standard font writes of itself (version 1, charset
// u16, style bits u8, weight u16, size u32 in 1/10000 point, the name's
// length u8 and its bytes), kept as they stand so that a font read back
// writes out the same bytes. Header-only and free of any test framework:
// the core tests and the stream fuzzer share it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/saved_stream.h"
#include "font.h"

namespace velmora::testing {

class RawFont final : public Font {
 public:
  std::uint8_t version = 1;
  std::uint16_t charset = 0;
  std::uint8_t styles = 0;  // 2 italic, 4 underline, 8 strikethrough
  std::uint16_t weight = 400;
  std::uint32_t size = 82500;
  std::string name = "MS Sans Serif";

  bool operator==(const RawFont& o) const {
    return version == o.version && charset == o.charset && styles == o.styles && weight == o.weight &&
           size == o.size && name == o.name;
  }

  std::u16string Name() const override { return std::u16string(name.begin(), name.end()); }
  void setName(const std::u16string& n) override { name.assign(n.begin(), n.end()); }
  double Size() const override { return size / 10000.0; }
  void setSize(double points) override { size = static_cast<std::uint32_t>(points * 10000); }
  bool Bold() const override { return weight >= 600; }
  void setBold(bool bold) override { weight = bold ? 700 : 400; }
  bool Italic() const override { return styles & 2; }
  void setItalic(bool on) override { Style(2, on); }
  bool Underline() const override { return styles & 4; }
  void setUnderline(bool on) override { Style(4, on); }
  bool Strikethrough() const override { return styles & 8; }
  void setStrikethrough(bool on) override { Style(8, on); }

 private:
  void Style(std::uint8_t bit, bool on) { styles = static_cast<std::uint8_t>(on ? styles | bit : styles & ~bit); }
};

class RawFontPart final : public FontStreamPart {
 public:
  void SaveFont(const FontRef& font, StreamWriter& out) override {
    auto raw = std::dynamic_pointer_cast<RawFont>(font);
    RawFont copy;
    if (!raw) {  // any other font: its description
      copy.setName(font->Name());
      copy.setSize(font->Size());
      copy.setBold(font->Bold());
      copy.setItalic(font->Italic());
      copy.setUnderline(font->Underline());
      copy.setStrikethrough(font->Strikethrough());
    }
    const RawFont& f = raw ? *raw : copy;
    const std::uint8_t head[] = {f.version,
                                 static_cast<std::uint8_t>(f.charset), static_cast<std::uint8_t>(f.charset >> 8),
                                 f.styles,
                                 static_cast<std::uint8_t>(f.weight), static_cast<std::uint8_t>(f.weight >> 8),
                                 static_cast<std::uint8_t>(f.size), static_cast<std::uint8_t>(f.size >> 8),
                                 static_cast<std::uint8_t>(f.size >> 16), static_cast<std::uint8_t>(f.size >> 24),
                                 static_cast<std::uint8_t>(f.name.size())};
    out.Write(head, sizeof head);
    out.Write(f.name.data(), f.name.size() & 0xFF);
  }

  FontRef LoadFont(StreamReader& in) override {
    std::uint8_t head[11];
    in.Read(head, sizeof head);
    auto f = std::make_shared<RawFont>();
    f->version = head[0];
    f->charset = static_cast<std::uint16_t>(head[1] | head[2] << 8);
    f->styles = head[3];
    f->weight = static_cast<std::uint16_t>(head[4] | head[5] << 8);
    f->size = static_cast<std::uint32_t>(head[6]) | static_cast<std::uint32_t>(head[7]) << 8 |
              static_cast<std::uint32_t>(head[8]) << 16 | static_cast<std::uint32_t>(head[9]) << 24;
    f->name.assign(head[10], '\0');
    if (!f->name.empty()) in.Read(f->name.data(), f->name.size());
    return f;
  }
};

}  // namespace velmora::testing
