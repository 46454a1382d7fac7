// Number editing: whole numbers grouped by thousands with ".", an optional
// decimal comma, and a sign key.
#pragma once

#include <cstdint>
#include <string>

#include "textbox.h"

namespace velmora {

// The value a number text shows ("." grouping, "," decimal comma).
double LeggiNumero(std::u16string Testo);
// The canonical number text: the value rounded to a whole number, grouped by
// thousands with ".". Exact at any length: the digits are never passed
// through a double.
std::u16string FormattaNumero(std::u16string Testo);
void NumeroKeyDown(TextBox& Text1, std::int16_t& KeyCode);
void NumeroKeyPress(TextBox& Text1, std::int16_t& KeyAscii, const std::int16_t& Virgola);

}  // namespace velmora
