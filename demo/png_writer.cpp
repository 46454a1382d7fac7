#include "png_writer.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace velmora::demo {

namespace {

std::uint32_t Crc32(const std::string& data, std::size_t from) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t k = from; k < data.size(); ++k)
    crc = table[(crc ^ static_cast<std::uint8_t>(data[k])) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& body) {
  Put32(out, static_cast<std::uint32_t>(body.size()));
  const std::size_t start = out.size();
  out += type;
  out += body;
  Put32(out, Crc32(out, start));
}

}  // namespace

std::string EncodePng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb) {
  if (width == 0 || height == 0 || rgb.size() != std::size_t{width} * height * 3)
    throw std::invalid_argument("picture size does not match its pixels");

  std::string header;
  Put32(header, width);
  Put32(header, height);
  header += '\x08';  // 8 bits per sample
  header += '\x02';  // RGB
  header += std::string(3, '\0');  // deflate, adaptive filters, no interlace

  // Each row is preceded by its filter type, 0 (none).
  std::string raw;
  raw.reserve((std::size_t{width} * 3 + 1) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(rgb.data()) + std::size_t{y} * width * 3, std::size_t{width} * 3);
  }

  // zlib stream of stored blocks of at most 65,535 bytes, with the Adler-32
  // of the raw bytes at the end.
  std::string z = "\x78\x01";
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
    const bool last = pos + n == raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  Put32(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace velmora::demo
