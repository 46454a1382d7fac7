#include "control/saved_stream.h"

#include <bit>
#include <cstring>

#include "errors.h"

namespace velmora {

namespace {

constexpr std::uint32_t kMagic = 0x524D4C56;  // "VLMR"
constexpr std::uint16_t kVersion = 1;
// Bounds that no saved control comes near; a stream beyond them is damaged
// or hostile, and is refused before anything is allocated for it.
constexpr std::uint16_t kMaxEntries = 64;
constexpr std::uint16_t kMaxKeyLength = 256;
constexpr std::uint32_t kMaxTextLength = 16u * 1024 * 1024;

enum class Kind : std::uint16_t { Empty = 0, Integer = 1, Long = 2, Double = 3, Boolean = 4, String = 5, Font = 6 };

[[noreturn]] void Damaged() { throw SavedStreamError(SavedStreamError::Kind::Damaged); }

// Little-endian integers of any width, whatever the machine's own order.
template <class T>
void Put(StreamWriter& out, T value) {
  using U = std::make_unsigned_t<T>;
  auto bits = static_cast<U>(value);
  std::uint8_t bytes[sizeof(T)];
  for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  out.Write(bytes, sizeof bytes);
}

template <class T>
T Get(StreamReader& in) {
  using U = std::make_unsigned_t<T>;
  std::uint8_t bytes[sizeof(T)];
  in.Read(bytes, sizeof bytes);
  U bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) bits = static_cast<U>(bits | static_cast<U>(bytes[i]) << (8 * i));
  return static_cast<T>(bits);
}

void PutText(StreamWriter& out, const std::u16string& text) {
  std::vector<std::uint8_t> bytes(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(text[i]);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
  if (!bytes.empty()) out.Write(bytes.data(), bytes.size());
}

std::u16string GetText(StreamReader& in, std::size_t length) {
  std::vector<std::uint8_t> bytes(length * 2);
  if (!bytes.empty()) in.Read(bytes.data(), bytes.size());
  std::u16string text(length, u'\0');
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return text;
}

void PutValue(StreamWriter& out, const Variant& value, FontStreamPart& fonts) {
  using T = Variant::Type;
  switch (value.type()) {
    case T::Empty: Put(out, static_cast<std::uint16_t>(Kind::Empty)); break;
    case T::Integer:
      Put(out, static_cast<std::uint16_t>(Kind::Integer));
      Put<std::int16_t>(out, value.ToInteger());
      break;
    case T::Long:
      Put(out, static_cast<std::uint16_t>(Kind::Long));
      Put<std::int32_t>(out, value.ToLong());
      break;
    case T::Double:
      Put(out, static_cast<std::uint16_t>(Kind::Double));
      Put<std::uint64_t>(out, std::bit_cast<std::uint64_t>(value.ToDouble()));
      break;
    case T::Boolean:
      Put(out, static_cast<std::uint16_t>(Kind::Boolean));
      Put<std::int16_t>(out, value.ToBoolean());
      break;
    case T::String: {
      const std::u16string text = value.ToString();
      if (text.size() > kMaxTextLength) ThrowOverflow("Text");
      Put(out, static_cast<std::uint16_t>(Kind::String));
      Put<std::uint32_t>(out, static_cast<std::uint32_t>(text.size()));
      PutText(out, text);
      break;
    }
    case T::Object: {
      const FontRef font = value.ToFont();  // type mismatch for anything else
      if (!font) ThrowTypeMismatch("Font");
      Put(out, static_cast<std::uint16_t>(Kind::Font));
      out.Write(kStdFontClassId, sizeof kStdFontClassId);
      fonts.SaveFont(font, out);
      break;
    }
  }
}

Variant GetValue(StreamReader& in, FontStreamPart& fonts) {
  switch (static_cast<Kind>(Get<std::uint16_t>(in))) {
    case Kind::Empty: return Variant();
    case Kind::Integer: return Variant::Integer(Get<std::int16_t>(in));
    case Kind::Long: return Variant::Long(Get<std::int32_t>(in));
    case Kind::Double: return Variant::Double(std::bit_cast<double>(Get<std::uint64_t>(in)));
    case Kind::Boolean: {
      // The writer writes True as -1 and False as 0; anything else was not
      // written by it.
      const auto value = Get<std::int16_t>(in);
      if (value != 0 && value != -1) Damaged();
      return Variant::Boolean(value != 0);
    }
    case Kind::String: {
      const auto length = Get<std::uint32_t>(in);
      if (length > kMaxTextLength) Damaged();
      return Variant::String(GetText(in, length));
    }
    case Kind::Font: {
      std::uint8_t classId[sizeof kStdFontClassId];
      in.Read(classId, sizeof classId);
      // Only the standard font is made from a stream: a saved control must
      // not be able to create an object of any class it names.
      if (std::memcmp(classId, kStdFontClassId, sizeof classId) != 0) ThrowTypeMismatch("Font: not a font object");
      FontRef font = fonts.LoadFont(in);
      if (!font) ThrowTypeMismatch("Font: not a font object");
      return Variant::FromObject(std::move(font));
    }
  }
  Damaged();
}

}  // namespace

// {0BE35203-8F91-11CE-9DE3-00AA004BB851}, as a class id is stored: the
// first three fields little endian, the last eight bytes as they stand.
const std::uint8_t kStdFontClassId[16] = {0x03, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                                          0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};

const char* SavedStreamError::what() const noexcept {
  switch (kind_) {
    case Kind::NotOurFormat: return "not a saved Velmora control";
    case Kind::NewerVersion: return "saved by a later version";
    case Kind::Damaged: break;
  }
  return "damaged saved control";
}

void WriteSavedStream(const SavedSettings& settings, StreamWriter& out, FontStreamPart& fonts) {
  // The writer keeps the reader's bounds, so that everything written reads
  // back.
  if (settings.size() > kMaxEntries) ThrowOverflow("number of settings");
  for (const auto& [key, value] : settings)
    if (key.size() > kMaxKeyLength) ThrowOverflow("setting name");
  Put(out, kMagic);
  Put(out, kVersion);
  Put(out, static_cast<std::uint16_t>(settings.size()));
  for (const auto& [key, value] : settings) {
    Put(out, static_cast<std::uint16_t>(key.size()));
    PutText(out, key);
    PutValue(out, value, fonts);
  }
}

SavedSettings ReadSavedStream(StreamReader& in, FontStreamPart& fonts) {
  if (Get<std::uint32_t>(in) != kMagic) throw SavedStreamError(SavedStreamError::Kind::NotOurFormat);
  const auto version = Get<std::uint16_t>(in);
  // A newer format may mean something this version cannot honour.
  if (version > kVersion) throw SavedStreamError(SavedStreamError::Kind::NewerVersion);
  if (version != kVersion) throw SavedStreamError(SavedStreamError::Kind::NotOurFormat);
  const auto count = Get<std::uint16_t>(in);
  if (count > kMaxEntries) Damaged();
  SavedSettings settings;
  settings.reserve(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    const auto keyLength = Get<std::uint16_t>(in);
    if (keyLength > kMaxKeyLength) Damaged();
    std::u16string key = GetText(in, keyLength);
    // The writer names each setting once; a key given twice would leave
    // which one counts to the reader.
    for (const auto& entry : settings)
      if (entry.first == key) Damaged();
    Variant value = GetValue(in, fonts);
    settings.emplace_back(std::move(key), std::move(value));
  }
  return settings;
}

void MemoryStreamReader::Read(void* data, std::size_t size) {
  if (size > size_ - at_) Damaged();
  if (size != 0) std::memcpy(data, data_ + at_, size);
  at_ += size;
}

void MemoryStreamWriter::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
}

}  // namespace velmora
