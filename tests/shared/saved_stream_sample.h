// A control saved in the stream format, byte by byte, as forms saved today
// hold it: a short date "14/12/67" with a limit of 8, red text, Enter left
// to the form, and the font DejaVu Sans 8.25 bold. Spelled out by hand, not
// made by the writer, so a change of the writer cannot change it too.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace velmora::testing {

inline std::vector<std::uint8_t> SavedStreamSample() {
  std::vector<std::uint8_t> b;
  auto bytes = [&](std::initializer_list<int> list) {
    for (int v : list) b.push_back(static_cast<std::uint8_t>(v));
  };
  auto utf16 = [&](const char* text) {  // ASCII keys and texts, UTF-16LE
    for (; *text; ++text) bytes({*text, 0});
  };
  auto key = [&](const char* name, int length) {
    bytes({length, 0});
    utf16(name);
  };
  bytes({'V', 'L', 'M', 'R', 0x01, 0x00, 0x09, 0x00});  // magic, version 1, nine entries
  key("MaxLength", 9), bytes({0x01, 0x00, 0x08, 0x00});                    // Integer 8
  key("DateValue", 9), bytes({0x04, 0x00, 0xFF, 0xFF});                    // Boolean True
  key("BackColor", 9), bytes({0x02, 0x00, 0x05, 0x00, 0x00, 0x80});        // Long &H80000005&
  key("Font", 4), bytes({0x06, 0x00,                                       // Font:
                         0x03, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,   //  the standard
                         0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51,   //  font's class
                         0x01,                                             //  its version 1,
                         0x00, 0x00,                                       //  charset 0,
                         0x00,                                             //  no styles,
                         0xBC, 0x02,                                       //  weight 700,
                         0x44, 0x42, 0x01, 0x00,                           //  82500 = 8.25 pt,
                         11, 'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's'});
  key("Enabled", 7), bytes({0x04, 0x00, 0xFF, 0xFF});                      // Boolean True
  key("ForeColor", 9), bytes({0x02, 0x00, 0xFF, 0x00, 0x00, 0x00});        // Long 255
  key("Text", 4), bytes({0x05, 0x00, 0x08, 0x00, 0x00, 0x00}), utf16("14/12/67");  // String
  key("Virgola", 7), bytes({0x04, 0x00, 0x00, 0x00});                      // Boolean False
  key("TastoInvio", 10), bytes({0x04, 0x00, 0xFF, 0xFF});                  // Boolean True
  return b;
}

}  // namespace velmora::testing
