// The portable date recognition: what the platform's text-to-date
// conversion does for the texts a date field can hold, and nothing more.
//
// Accepted: optional blanks, then day "/" month "/" year, then optional
// blanks. Day and month have one or two digits, the year two or four.
// Blanks inside the date are refused: the field's mask never leaves a blank
// between digits of a finished date, so a blank there means a date that was
// not finished. The date must exist in the Gregorian calendar. A four-digit
// year must lie in 100-9999, the range of the platform's date type.
#include "date/date_recognition.h"

#include <cstddef>

namespace velmora {

namespace {

bool IsDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }

// Reads between minDigits and maxDigits decimal digits at text[at]; on
// success advances at and returns the number read, otherwise returns -1.
int ReadDigits(std::u16string_view text, std::size_t& at, std::size_t minDigits, std::size_t maxDigits,
               std::size_t* count = nullptr) {
  std::size_t n = 0;
  int value = 0;
  while (at + n < text.size() && n < maxDigits && IsDigit(text[at + n])) {
    value = value * 10 + (text[at + n] - u'0');
    ++n;
  }
  if (n < minDigits) return -1;
  // A digit right after the longest allowed run makes the piece too long.
  if (at + n < text.size() && IsDigit(text[at + n])) return -1;
  at += n;
  if (count) *count = n;
  return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool RecognizeDate(std::u16string_view text, CalendarDate* out) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  const std::u16string_view date = text.substr(begin, end - begin);

  std::size_t at = 0;
  const int day = ReadDigits(date, at, 1, 2);
  if (day < 0 || at >= date.size() || date[at] != u'/') return false;
  ++at;
  const int month = ReadDigits(date, at, 1, 2);
  if (month < 0 || at >= date.size() || date[at] != u'/') return false;
  ++at;
  std::size_t yearDigits = 0;
  int year = ReadDigits(date, at, 2, 4, &yearDigits);
  if (year < 0 || yearDigits == 3 || at != date.size()) return false;

  if (yearDigits == 2) {
    // The platform's default window for two-digit years.
    year += year < 30 ? 2000 : 1900;
  } else if (year < 100) {
    return false;
  }
  if (month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;

  if (out) *out = CalendarDate{year, month, day};
  return true;
}

}  // namespace velmora
