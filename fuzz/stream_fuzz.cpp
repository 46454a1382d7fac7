// Arbitrary bytes read as a saved control's stream.
//
// What must hold whatever the bytes:
//   - nothing crashes, and nothing is read or written outside its buffer
//     (AddressSanitizer, and the library's own bounds checks);
//   - the reader refuses only with the format's own error or a type
//     mismatch (a font of another class), never anything else;
//   - whatever it accepts is exactly what the writer writes: the settings
//     write out to the very bytes that were read (the reader accepts no
//     other spelling of them), and those bytes read back to the same
//     settings. Bytes after the stream's end are not the stream's.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../tests/shared/raw_font_part.h"
#include "control/saved_stream.h"
#include "errors.h"

namespace {

using namespace velmora;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// Equal settings: the same keys in the same order, values of the same kind
// with the same bits (a NaN equals itself), fonts with the same bytes.
bool Same(const Variant& a, const Variant& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case Variant::Type::Double: {
      const double x = a.ToDouble(), y = b.ToDouble();
      return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case Variant::Type::Object: {
      auto x = std::dynamic_pointer_cast<testing::RawFont>(a.ToObject());
      auto y = std::dynamic_pointer_cast<testing::RawFont>(b.ToObject());
      return x && y && *x == *y;
    }
    default: return a == b;
  }
}

bool Same(const SavedSettings& a, const SavedSettings& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].first != b[i].first || !Same(a[i].second, b[i].second)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  testing::RawFontPart fonts;
  MemoryStreamReader in(data, size);
  SavedSettings settings;
  try {
    settings = ReadSavedStream(in, fonts);
  } catch (const SavedStreamError&) {
    return 0;
  } catch (const VelmoraError& e) {
    if (e.number() != static_cast<int>(ErrorNumber::TypeMismatch)) Broken("a core error other than a type mismatch");
    return 0;
  }
  const std::size_t used = size - in.Remaining();

  MemoryStreamWriter out;
  WriteSavedStream(settings, out, fonts);
  const std::vector<std::uint8_t>& bytes = out.Bytes();
  if (bytes.size() != used || (used != 0 && std::memcmp(bytes.data(), data, used) != 0))
    Broken("the settings read did not write out to the bytes read");

  MemoryStreamReader again(bytes.data(), bytes.size());
  if (!Same(ReadSavedStream(again, fonts), settings) || again.Remaining() != 0)
    Broken("the bytes written did not read back to the same settings");
  return 0;
}
