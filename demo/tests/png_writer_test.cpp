// The picture writer: a PNG that a decoder accepts. The check decodes the
// stored blocks itself and verifies every checksum with its own plain
// (bitwise) CRC, so a fault in the table-driven one shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "png_writer.h"

namespace velmora::demo {
namespace {

std::uint32_t Be32(const std::string& s, std::size_t at) {
  return (std::uint32_t{static_cast<std::uint8_t>(s[at])} << 24) |
         (std::uint32_t{static_cast<std::uint8_t>(s[at + 1])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(s[at + 2])} << 8) | std::uint32_t{static_cast<std::uint8_t>(s[at + 3])};
}

std::uint32_t BitwiseCrc(const std::string& s, std::size_t from, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t k = from; k < from + n; ++k) {
    crc ^= static_cast<std::uint8_t>(s[k]);
    for (int b = 0; b < 8; ++b) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

struct Decoded {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

// Reads what EncodePng writes (RGB, 8 bits, stored deflate blocks, filter 0).
Decoded Decode(const std::string& png) {
  Decoded out;
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string idat;
  std::size_t at = 8;
  bool ended = false;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = Be32(png, at);
    const std::string type = png.substr(at + 4, 4);
    EXPECT_EQ(Be32(png, at + 8 + length), BitwiseCrc(png, at + 4, length + 4)) << "CRC of " << type;
    if (type == "IHDR") {
      out.width = Be32(png, at + 8);
      out.height = Be32(png, at + 12);
      EXPECT_EQ(png.substr(at + 16, 5), std::string("\x08\x02\0\0\0", 5));
    } else if (type == "IDAT") {
      idat += png.substr(at + 8, length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(at, png.size());
  // zlib: header, stored blocks, Adler-32.
  EXPECT_EQ((static_cast<std::uint8_t>(idat[0]) * 256 + static_cast<std::uint8_t>(idat[1])) % 31, 0);
  std::string raw;
  std::size_t p = 2;
  for (bool last = false; !last;) {
    last = idat[p] & 1;
    EXPECT_EQ(idat[p] & 6, 0) << "not a stored block";
    const unsigned n = static_cast<std::uint8_t>(idat[p + 1]) | (static_cast<std::uint8_t>(idat[p + 2]) << 8);
    const unsigned nn = static_cast<std::uint8_t>(idat[p + 3]) | (static_cast<std::uint8_t>(idat[p + 4]) << 8);
    EXPECT_EQ(n ^ 0xFFFFu, nn);
    raw += idat.substr(p + 5, n);
    p += 5 + n;
  }
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(Be32(idat, p), (b << 16) | a);
  EXPECT_EQ(p + 4, idat.size());
  const std::size_t row = std::size_t{out.width} * 3 + 1;
  EXPECT_EQ(raw.size(), row * out.height);
  for (std::uint32_t y = 0; y < out.height && (y + 1) * row <= raw.size(); ++y) {
    EXPECT_EQ(raw[y * row], 0) << "filter of row " << y;
    for (std::size_t k = 1; k < row; ++k) out.rgb.push_back(static_cast<std::uint8_t>(raw[y * row + k]));
  }
  return out;
}

struct SizeRow {
  const char* name;
  std::uint32_t width, height;
};

// Sizes around the 65,535-byte limit of a stored block, so the pixels
// split across blocks at every kind of boundary.
const SizeRow kSizes[] = {
    {"one_pixel", 1, 1},
    {"one_block_exactly", 65535 / 3 - 1, 1},  // 21,844 pixels + filter byte = 65,533 bytes
    {"block_boundary_inside_a_row", 30000, 3},
    {"form_sized", 402, 260},
};

TEST(EncodePng, DecodesToTheSamePixels) {
  for (const auto& row : kSizes) {
    std::vector<std::uint8_t> rgb(std::size_t{row.width} * row.height * 3);
    for (std::size_t k = 0; k < rgb.size(); ++k) rgb[k] = static_cast<std::uint8_t>(k * 7 + k / 3);
    const Decoded got = Decode(EncodePng(row.width, row.height, rgb));
    EXPECT_EQ(got.width, row.width) << row.name;
    EXPECT_EQ(got.height, row.height) << row.name;
    EXPECT_TRUE(got.rgb == rgb) << row.name;
  }
}

TEST(EncodePng, RefusesPixelsThatDoNotMatchTheSize) {
  EXPECT_THROW(EncodePng(0, 1, {}), std::invalid_argument);
  EXPECT_THROW(EncodePng(2, 2, std::vector<std::uint8_t>(11)), std::invalid_argument);
}

}  // namespace
}  // namespace velmora::demo
