// The date test run when a date field is left. It only answers; the caller
// resets the field and raises DataNonValida on a False answer.
#include <cstdint>
#include <string>
#include <string_view>

#include "date/date_editing.h"
#include "platform.h"

namespace velmora {

namespace {

constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

// The value of a piece of a date text, read from its start: blanks are
// skipped wherever they stand, digits build the number, and anything else
// ("/" above all) ends the reading. A piece without digits is 0. The pieces
// are at most four characters, so the value cannot overflow.
int PieceValue(std::u16string_view piece) {
  int value = 0;
  for (char16_t ch : piece) {
    if (ch == u' ' || ch == u'\t' || ch == u'\n') continue;
    if (ch < u'0' || ch > u'9') break;
    value = value * 10 + (ch - u'0');
  }
  return value;
}

// Blanks only, as the field's mask uses them.
std::u16string_view TrimBlanks(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.substr(begin, end - begin);
}

// The year of a date as the pattern "YYYY" writes it: at least four digits.
std::u16string FourDigitYear(int year) {
  std::string digits = std::to_string(year < 0 ? -year : year);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  std::u16string out = year < 0 ? u"-" : u"";
  for (char ch : digits) out.push_back(static_cast<char16_t>(ch));
  return out;
}

}  // namespace

std::int16_t ControllaData(std::u16string Testo, std::int16_t Lunghezza) {
  const std::u16string_view text = Testo;

  if (Lunghezza == 7) {
    // A month/year field: month 1-12 of a year from 1980 to 2050. The
    // characters between the two pieces play no part.
    const int month = PieceValue(text.substr(0, 2));
    const int year = PieceValue(text.size() > 4 ? text.substr(text.size() - 4) : text);
    return month > 0 && month < 13 && year > 1979 && year < 2051 ? kTrue : kFalse;
  }

  // A day/month text is tested as a date of the present year; the field
  // itself keeps showing the day and month as typed.
  std::u16string date = Testo;
  if (Testo.size() == 5) date += u"/" + FourDigitYear(CurrentPlatform().Today().year);

  // A full field has no leading or trailing blanks left from the mask.
  const bool filled = Lunghezza >= 0 && TrimBlanks(text).size() == static_cast<std::size_t>(Lunghezza);
  if (!filled) return kFalse;
  return CurrentPlatform().IsDate(date) ? kTrue : kFalse;
}

}  // namespace velmora
