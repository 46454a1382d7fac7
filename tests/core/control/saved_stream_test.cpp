// The saved stream: a stream saved by today's control reads back and writes
// out byte for byte, a control loads it, and every way a stream can be
// damaged or foreign is refused with its reason.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../../shared/control_error.h"
#include "../../shared/raw_font_part.h"
#include "../../shared/saved_stream_sample.h"
#include "control/saved_stream.h"
#include "control/velmora_control.h"
#include "errors.h"
#include "model_textbox.h"
#include "property_bag.h"

namespace velmora {
namespace {

using testing::RawFont;
using testing::RawFontPart;
using Bytes = std::vector<std::uint8_t>;

SavedSettings Decode(const Bytes& bytes) {
  RawFontPart fonts;
  MemoryStreamReader in(bytes.data(), bytes.size());
  return ReadSavedStream(in, fonts);
}

Bytes Encode(const SavedSettings& settings) {
  RawFontPart fonts;
  MemoryStreamWriter out;
  WriteSavedStream(settings, out, fonts);
  return out.Bytes();
}

TEST(SavedStream, TodaysStreamReadsBackAndWritesOutTheSameBytes) {
  const Bytes sample = testing::SavedStreamSample();
  const SavedSettings settings = Decode(sample);
  ASSERT_EQ(settings.size(), 9u);
  const Variant expected[] = {Variant::Integer(8),     Variant::Boolean(true), Variant::Long(INT32_MIN + 5), Variant(),
                              Variant::Boolean(true),  Variant::Long(255),     Variant::String(u"14/12/67"),
                              Variant::Boolean(false), Variant::Boolean(true)};
  const char16_t* keys[] = {u"MaxLength", u"DateValue", u"BackColor", u"Font",      u"Enabled",
                            u"ForeColor", u"Text",      u"Virgola",   u"TastoInvio"};
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(settings[i].first, keys[i]);
    if (i != 3) {
      EXPECT_EQ(settings[i].second, expected[i]) << ToUtf8(keys[i]);
    }
  }
  const auto font = std::dynamic_pointer_cast<RawFont>(settings[3].second.ToFont());
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->name, "DejaVu Sans");
  EXPECT_EQ(font->size, 82500u);
  EXPECT_TRUE(font->Bold());
  EXPECT_EQ(Encode(settings), sample);

  // A control loads it, and saves what it loaded.
  ModelTextBox box;
  RecordingControlHost host;
  VelmoraControl control{box, host};
  control.UserControl_Initialize();
  MemoryPropertyBag bag;
  for (const auto& [key, value] : settings) bag.Set(key, value);
  control.UserControl_ReadProperties(bag);
  EXPECT_EQ(control.MaxLength(), 8);
  EXPECT_EQ(box.Text(), u"14/12/67");
  EXPECT_EQ(box.ForeColor(), 255u);
  EXPECT_EQ(control.TastoInvio(), kTrue);
  MemoryPropertyBag saved;
  control.UserControl_WriteProperties(saved);
  EXPECT_EQ(Encode(saved.Entries()), sample);
}

// Where the sample's first entry's value kind and value sit.
constexpr std::size_t kFirstKind = 8 + 2 + 18;

struct RefusalRow {
  const char* name;
  std::function<void(Bytes&)> damage;
  // A SavedStreamError kind, or -1 for a type mismatch.
  int expected;
};

void Put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TEST(SavedStream, RefusesWhatTheWriterNeverWrites) {
  using K = SavedStreamError::Kind;
  const int notOurs = static_cast<int>(K::NotOurFormat), newer = static_cast<int>(K::NewerVersion),
            damaged = static_cast<int>(K::Damaged), mismatch = -1;
  const RefusalRow rows[] = {
      {"another magic", [](Bytes& b) { b[0] = 'X'; }, notOurs},
      {"version 0, which never existed", [](Bytes& b) { Put16(b, 4, 0); }, notOurs},
      {"a later version", [](Bytes& b) { Put16(b, 4, 2); }, newer},
      {"more entries than any control has", [](Bytes& b) { Put16(b, 6, 65); }, damaged},
      {"a key of absurd length", [](Bytes& b) { Put16(b, 8, 257); }, damaged},
      {"an unknown kind of value", [](Bytes& b) { Put16(b, kFirstKind, 7); }, damaged},
      {"a Boolean that is neither -1 nor 0",
       [](Bytes& b) { Put16(b, kFirstKind + 4 + 2 + 18 + 2, 1); }, damaged},
      {"a key given twice",
       [](Bytes& b) {
         // The second key, DateValue, renamed MaxLength.
         const char* name = "MaxLength";
         for (int i = 0; i < 9; ++i) Put16(b, kFirstKind + 4 + 2 + 2 * i, static_cast<unsigned>(name[i]));
       },
       damaged},
      {"a text longer than any saved one",
       [](Bytes& b) {
         b.resize(8);
         Put16(b, 6, 1);
         const std::uint8_t text[] = {4, 0, 'T', 0, 'e', 0, 'x', 0, 't', 0, 5, 0, 0x01, 0x00, 0x00, 0x01};
         b.insert(b.end(), text, text + sizeof text);
       },
       damaged},
      {"a font of another class",
       [](Bytes& b) {
         for (std::size_t i = 0; i + 16 <= b.size(); ++i)
           if (std::memcmp(&b[i], kStdFontClassId, 16) == 0) b[i] ^= 1;
       },
       mismatch},
      {"cut inside the font's own bytes", [](Bytes& b) { b.resize(8 + 24 + 24 + 26 + 10 + 2 + 16 + 5); }, damaged},
  };
  for (const RefusalRow& row : rows) {
    Bytes bytes = testing::SavedStreamSample();
    row.damage(bytes);
    if (row.expected == mismatch) {
      EXPECT_CONTROL_ERROR(static_cast<int>(ErrorNumber::TypeMismatch), Decode(bytes)) << row.name;
      continue;
    }
    const auto refused = testing::Thrown<SavedStreamError>([&] { Decode(bytes); });
    EXPECT_EQ(refused ? static_cast<int>(refused->kind()) : -2, row.expected) << row.name << " (-2: accepted)";
  }
  // Every cut of a good stream is refused as damaged.
  const Bytes sample = testing::SavedStreamSample();
  for (std::size_t length = 0; length < sample.size(); ++length) {
    const Bytes cut(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_THROW(Decode(cut), SavedStreamError) << "cut at " << length;
  }
}

TEST(SavedStream, WriterRefusesWhatCannotBeReadBack) {
  struct {
    const char* name;
    SavedSettings settings;
    int error;
  } const rows[] = {
      {"an object that is not a font", {{u"Font", Variant::FromObject(std::make_shared<Object>())}}, 13},
      {"an empty object", {{u"Font", Variant::FromObject(nullptr)}}, 13},
      {"a key longer than the reader takes", {{std::u16string(257, u'k'), Variant::Integer(1)}}, 6},
      {"more settings than the reader takes", SavedSettings(65, {u"k", Variant()}), 6},
  };
  for (const auto& row : rows) {
    EXPECT_CONTROL_ERROR(row.error, Encode(row.settings)) << row.name;
  }
}

}  // namespace
}  // namespace velmora
