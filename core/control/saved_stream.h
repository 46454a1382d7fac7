// The control's own saved stream: what a container gets when it saves the
// control into a stream or a storage, and gives back to load it.
//
// Little endian throughout:
//   u32 magic "VLMR", u16 version (1), u16 number of entries, then per
//   entry: u16 key length, the key in UTF-16, u16 value kind, the value:
//     Empty: nothing | Integer i16 | Long i32 | Double f64 |
//     Boolean i16 (-1 or 0) | String u32 length + UTF-16 |
//     Font: the standard font's class id (16 bytes), then the font's own
//     bytes, written and read by the font object itself.
// Keys are named rather than implied by their position so that a later
// version can add settings that this one skips over by reading the
// defaults. Forms saved with this layout live in containers' files, so it
// never changes.
//
// Reading is strict: only what the writer produces is accepted (version 1,
// Booleans -1 or 0, each key once), so whatever reads back writes out to
// the very same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "font.h"
#include "variant.h"

namespace velmora {

// The medium the stream is read from and written to. Read delivers exactly
// `size` bytes or throws; Write writes them all or throws.
class StreamReader {
 public:
  virtual ~StreamReader() = default;
  virtual void Read(void* data, std::size_t size) = 0;
};

class StreamWriter {
 public:
  virtual ~StreamWriter() = default;
  virtual void Write(const void* data, std::size_t size) = 0;
};

// The font's own bytes inside the stream. The font object writes and reads
// them itself (on Windows through the OLE font's own persistence), so a
// font keeps whatever it knows about itself, charset and weight included.
// LoadFont reads exactly the bytes its SaveFont wrote.
class FontStreamPart {
 public:
  virtual ~FontStreamPart() = default;
  virtual void SaveFont(const FontRef& font, StreamWriter& out) = 0;
  virtual FontRef LoadFont(StreamReader& in) = 0;
};

// A stream that is not one this version can read.
class SavedStreamError : public std::exception {
 public:
  enum class Kind {
    NotOurFormat,  // another magic, or a version that never existed
    NewerVersion,  // written by a later version, which may mean more
    Damaged,       // cut short, out of bounds, or not as the writer writes
  };
  explicit SavedStreamError(Kind kind) noexcept : kind_(kind) {}
  Kind kind() const noexcept { return kind_; }
  const char* what() const noexcept override;

 private:
  Kind kind_;
};

// The settings a stream carries, in the order they were written.
using SavedSettings = std::vector<std::pair<std::u16string, Variant>>;

// The standard font's class id as the stream spells it.
extern const std::uint8_t kStdFontClassId[16];

// Writes the settings. A value the format cannot carry (an object that is
// not a font: type mismatch; a text beyond 16 M characters: overflow)
// throws before anything of that value is written.
void WriteSavedStream(const SavedSettings& settings, StreamWriter& out, FontStreamPart& fonts);

// Reads a whole stream before anything is done with it, so a damaged one
// is refused without half-loading a control. Throws SavedStreamError for
// the format's own faults, a type mismatch for a font of another class,
// and whatever the reader or the font part throws.
SavedSettings ReadSavedStream(StreamReader& in, FontStreamPart& fonts);

// Byte buffers as the medium, for builds without a platform stream.
class MemoryStreamReader final : public StreamReader {
 public:
  MemoryStreamReader(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}
  // Throws SavedStreamError(Damaged) when fewer bytes are left.
  void Read(void* data, std::size_t size) override;
  std::size_t Remaining() const noexcept { return size_ - at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_, at_ = 0;
};

class MemoryStreamWriter final : public StreamWriter {
 public:
  void Write(const void* data, std::size_t size) override;
  const std::vector<std::uint8_t>& Bytes() const noexcept { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace velmora
