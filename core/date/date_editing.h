// Date editing over a fixed mask of blanks and slashes, day/month/year.
#pragma once

#include <cstdint>
#include <string>

#include "textbox.h"

namespace velmora {

// Key-down in date mode: arrows step the caret over the slashes, Up and Down
// are swallowed, Delete erases forward.
void DataKeyDown(TextBox& Text1, std::int16_t& KeyCode, std::u16string Maschera);
// Key-press in date mode: digits overwrite, Backspace erases backward,
// anything else beeps. KeyAscii is 0 on return.
void DataKeyPress(TextBox& Text1, std::int16_t& KeyAscii, std::u16string Maschera);
// A click in date mode that left a bare caret (no selection): the caret is
// drawn back to just after the last typed digit, and never stays directly
// before a slash, so the next digit lands where the keys would put it.
void DataClick(TextBox& Text1, std::u16string Maschera);
// Whether a date text of the given length style is complete and real:
// True (-1) or False (0).
std::int16_t ControllaData(std::u16string Testo, std::int16_t Lunghezza);

}  // namespace velmora
