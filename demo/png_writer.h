// A picture of the form as a PNG file, written without any library so the
// demo needs nothing beyond the system on Windows and on Linux alike. The
// pixels go in uncompressed (stored deflate blocks): a form picture is a
// few hundred kilobytes, and every viewer reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::demo {

// rgb holds height rows of width pixels, three bytes each (red, green,
// blue), top row first. Throws std::invalid_argument when the size does not
// match or is zero.
std::string EncodePng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb);

}  // namespace velmora::demo
