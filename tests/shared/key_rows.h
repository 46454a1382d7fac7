// The key rows of the date and number fields: a field's text, selection and
// settings, keys typed as a user types them, and what the user sees after
// them. One table serves two players: the core's control over the model text
// box, and the Windows control on a test form, typed into with real
// keystrokes. Both must come out the same, row by row.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "textbox.h"

namespace velmora::key_rows {

// How the field is set up: a date over the mask cut from MaxLength, or a
// number with or without the decimal comma (Virgola).
enum Field { kDate, kNumber, kNumberComma };

// Keys are written as the characters they type; the keys that type nothing
// have symbols of their own, and Ctrl+letter is its control character.
inline constexpr char16_t kLeft = u'\u2190', kUp = u'\u2191', kRight = u'\u2192', kDown = u'\u2193',
                          kHome = u'\u21f1', kEnd = u'\u21f2', kDel = u'\u2326', kBack = u'\b';

struct KeyRow {
  const char* name;
  Field field;
  const char16_t* text;
  int selStart, selLength, maxLength;
  const char16_t* keys;
  // What the user sees afterwards.
  const char16_t* wantText;
  int wantCaret, wantSelLength, wantBeeps;
  // The key-down code the field leaves to the box's own handling for the
  // last key, when that key is one that types nothing, or Backspace; only
  // a player that sees the control's key events checks it.
  std::int16_t leftToBox = 0;
  std::uint32_t startColour = kWindowText, wantColour = kWindowText;
};

// One key as the keyboard strikes it: the virtual-key code, Ctrl held, and
// the character it types (0: none).
struct Stroke {
  std::int16_t keyCode;
  bool ctrl;
  char16_t ch;
};

constexpr Stroke StrokeOf(char16_t key) {
  switch (key) {
    case kLeft: return {vk::Left, false, 0};
    case kUp: return {vk::Up, false, 0};
    case kRight: return {vk::Right, false, 0};
    case kDown: return {vk::Down, false, 0};
    case kHome: return {vk::Home, false, 0};
    case kEnd: return {vk::End, false, 0};
    case kDel: return {vk::Delete, false, 0};
    case kBack: return {vk::Back, false, kBack};
    // The punctuation keys have virtual-key codes of their own; the full
    // stop's is not 46, which is Delete.
    case u'-': return {189, false, key};
    case u',': return {188, false, key};
    case u'.': return {190, false, key};
    case u'/': return {191, false, key};
    case u'+': return {187, false, key};
    default: break;
  }
  if (key >= 1 && key <= 26) return {static_cast<std::int16_t>(u'A' + key - 1), true, key};
  if (key >= u'a' && key <= u'z') return {static_cast<std::int16_t>(key - 32), false, key};
  if (key >= u' ' && key < 0x7f) return {static_cast<std::int16_t>(key), false, key};
  return {0xE7, false, key};  // a character no key of the layout types
}

inline bool TypesNothing(char16_t key) { return StrokeOf(key).ch == 0 || key == kBack; }

// What a player reads back after the keys.
struct Outcome {
  std::u16string text;
  int caret = 0, selLength = 0, beeps = 0;
  std::uint32_t colour = 0;
  std::optional<std::int16_t> leftToBox;  // empty: the player cannot see it
};

inline std::string Shown(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t c : text) {
    if (c >= u' ' && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out + "\"";
}

inline std::ostream& operator<<(std::ostream& os, const KeyRow& r) {
  return os << r.name << ": text " << Shown(r.text) << ", selection " << r.selStart << "+" << r.selLength
            << ", MaxLength " << r.maxLength << ", keys " << Shown(r.keys);
}

inline std::string RowName(const ::testing::TestParamInfo<KeyRow>& info) { return info.param.name; }

// The one runner: the player sets the field up as the row says, strikes the
// keys one by one, and reads the outcome back.
//   void Prepare(const KeyRow&);  void Strike(Stroke);  Outcome Read();
template <class Player>
void PlayRow(Player& player, const KeyRow& row) {
  player.Prepare(row);
  for (const char16_t* key = row.keys; *key; ++key) player.Strike(StrokeOf(*key));
  const Outcome got = player.Read();
  EXPECT_EQ(Shown(got.text), Shown(row.wantText)) << row;
  EXPECT_EQ(got.caret, row.wantCaret) << row;
  EXPECT_EQ(got.selLength, row.wantSelLength) << row;
  EXPECT_EQ(got.beeps, row.wantBeeps) << row;
  EXPECT_EQ(got.colour, row.wantColour) << row;
  const std::u16string_view keys = row.keys;
  if (got.leftToBox && !keys.empty() && TypesNothing(keys.back())) {
    EXPECT_EQ(*got.leftToBox, row.leftToBox) << row << " (the key left to the box)";
  }
}

inline constexpr const char16_t* kLong = u"  /  /    ";  // MaxLength 10
inline constexpr const char16_t* kShort = u"  /  /  ";   // MaxLength 8
inline constexpr const char16_t* kDayMonth = u"  /  ";   // MaxLength 5

// name, field, text, selStart, selLength, MaxLength, keys -> text, caret, selLength, beeps, key left
// to the box[, colour before, colour after]

inline const KeyRow kDateCaretRows[] = {
    {"EmptyMaskRightStaysAtStart", kDate, kLong, 0, 0, 10, u"\u2192", kLong, 0, 0, 0, 0},
    {"EmptyMaskLeftPassedOn", kDate, kLong, 0, 0, 10, u"\u2190", kLong, 0, 0, 0, vk::Left},
    {"RightStopsAtFirstUnfilled", kDate, u"14/1 /    ", 4, 0, 10, u"\u2192", u"14/1 /    ", 4, 0, 0, 0},
    {"LeftFromFirstUnfilled", kDate, u"14/1 /    ", 4, 0, 10, u"\u2190", u"14/1 /    ", 3, 0, 0, 0},
    {"RightOntoBlankGoesToFirstUnfilled", kDate, u"14/1 /1 67", 7, 0, 10, u"\u2192", u"14/1 /1 67", 4, 0, 0, 0},
    {"LeftOntoBlankGoesToFirstUnfilled", kDate, u"14/1 /1 67", 9, 0, 10, u"\u2190", u"14/1 /1 67", 4, 0, 0, 0},
    {"RightSkipsOffsetBeforeDaySlash", kDate, u"14/12/1967", 1, 0, 10, u"\u2192", u"14/12/1967", 3, 0, 0, 0},
    {"LeftSkipsOffsetBeforeDaySlash", kDate, u"14/12/1967", 3, 0, 10, u"\u2190", u"14/12/1967", 1, 0, 0, 0},
    {"RightSkipsOffsetBeforeMonthSlash", kDate, u"14/12/1967", 4, 0, 10, u"\u2192", u"14/12/1967", 6, 0, 0, 0},
    {"LeftSkipsOffsetBeforeMonthSlash", kDate, u"14/12/1967", 6, 0, 10, u"\u2190", u"14/12/1967", 4, 0, 0, 0},
    {"RightInsideYear", kDate, u"14/12/1967", 7, 0, 10, u"\u2192", u"14/12/1967", 8, 0, 0, 0},
    {"LeftAtOffsetOnePassedOn", kDate, u"14/12/1967", 1, 0, 10, u"\u2190", u"14/12/1967", 0, 0, 0, vk::Left},
    {"RightBeforeLastPassedOn", kDate, u"14/12/1967", 9, 0, 10, u"\u2192", u"14/12/1967", 10, 0, 0, vk::Right},
    {"RightAtEndPassedOn", kDate, u"14/12/1967", 10, 0, 10, u"\u2192", u"14/12/1967", 10, 0, 0, vk::Right},
    {"RightDropsSelection", kDate, u"14/12/1967", 1, 3, 10, u"\u2192", u"14/12/1967", 3, 0, 0, 0},
    {"UpSwallowedNothingMoves", kDate, u"14/12/1967", 4, 2, 10, u"\u2191", u"14/12/1967", 4, 2, 0, 0},
    {"DownSwallowedNothingMoves", kDate, u"14/12/1967", 4, 0, 10, u"\u2193", u"14/12/1967", 4, 0, 0, 0},
    {"HomeLeftToTheTextBox", kDate, u"14/12/1967", 4, 0, 10, u"\u21f1", u"14/12/1967", 0, 0, 0, vk::Home},
    {"EndLeftToTheTextBox", kDate, u"14/12/1967", 4, 0, 10, u"\u21f2", u"14/12/1967", 10, 0, 0, vk::End},
    {"BackspaceKeyDownLeftAlone", kDate, u"14/12/1967", 4, 0, 10, u"\b", u"14/02/1967", 3, 0, 0, vk::Back},
    {"ShortStyleRightOverSlash", kDate, u"14/12/67", 4, 0, 8, u"\u2192", u"14/12/67", 6, 0, 0, 0},
    {"ShortStyleRightBeforeLastPassedOn", kDate, u"14/12/67", 7, 0, 8, u"\u2192", u"14/12/67", 8, 0, 0, vk::Right},
    {"DayMonthRightBeforeLastPassedOn", kDate, u"14/12", 4, 0, 5, u"\u2192", u"14/12", 5, 0, 0, vk::Right},
    {"DayMonthLeftOverSlash", kDate, u"14/12", 3, 0, 5, u"\u2190", u"14/12", 1, 0, 0, 0},
};

inline const KeyRow kDateEraseRows[] = {
    {"DeleteAtEndSilentNoOp", kDate, u"14/12/1967", 10, 0, 10, u"\u2326", u"14/12/1967", 10, 0, 0, 0},
    {"DeleteWritesZero", kDate, u"14/12/1967", 0, 0, 10, u"\u2326", u"04/12/1967", 0, 0, 0, 0},
    {"DeleteBeforeSlashZerosTheSlash", kDate, u"14/12/1967", 2, 0, 10, u"\u2326", u"14012/1967", 2, 0, 0, 0},
    {"DeleteWholeSelectionRestoresMask", kDate, u"14/12/1967", 0, 10, 10, u"\u2326", kLong, 0, 0, 0, 0},
    {"DeletePartialSelectionResetsToEnd", kDate, u"14/12/1967", 3, 2, 10, u"\u2326", u"14/  /    ", 3, 0, 0, 0},
    {"DeleteShortStyleWhole", kDate, u"14/12/67", 0, 8, 8, u"\u2326", kShort, 0, 0, 0, 0},
    {"DeleteDayMonthLastDigit", kDate, u"14/12", 4, 0, 5, u"\u2326", u"14/10", 4, 0, 0, 0},
    {"BackspaceAfterSlashErasesDigitBefore", kDate, u"14/12/1967", 3, 0, 10, u"\b", u"10/12/1967", 1, 0, 0, vk::Back},
    {"BackspaceInsideMonth", kDate, u"14/12/1967", 5, 0, 10, u"\b", u"14/10/1967", 4, 0, 0, vk::Back},
    {"BackspaceAtEnd", kDate, u"14/12/1967", 10, 0, 10, u"\b", u"14/12/1960", 9, 0, 0, vk::Back},
    {"BackspaceWholeSelectionRestoresMask", kDate, u"14/12/1967", 0, 10, 10, u"\b", kLong, 0, 0, 0, vk::Back},
    {"BackspaceAtStartSwallowed", kDate, u"14/12/1967", 0, 0, 10, u"\b", u"14/12/1967", 0, 0, 0, vk::Back},
    {"BackspacePartialSelectionErasesOnlyBefore", kDate, u"14/12/1967", 4, 3, 10, u"\b", u"14/02/1967", 3, 0, 0, vk::Back},
    {"BackspaceDayMonthWhole", kDate, u"14/12", 0, 5, 5, u"\b", kDayMonth, 0, 0, 0, vk::Back},
};

inline const KeyRow kDateTypeRows[] = {
    {"DigitOnEmptyMask", kDate, kLong, 0, 0, 10, u"1", u"1 /  /    ", 1, 0, 0, 0},
    {"DigitStepsOverSlash", kDate, u"1 /  /    ", 1, 0, 10, u"4", u"14/  /    ", 3, 0, 0, 0},
    {"DigitWithWholeSelection", kDate, u"14/12/1967", 0, 10, 10, u"3", u"3 /  /    ", 1, 0, 0, 0},
    {"DigitWithPartialSelection", kDate, u"14/12/1967", 3, 2, 10, u"0", u"14/0 /    ", 4, 0, 0, 0},
    {"DigitBeforeSlashOverwritesIt", kDate, u"14/12/1967", 2, 0, 10, u"5", u"14512/1967", 3, 0, 0, 0},
    {"DigitAtEndOverwritesLast", kDate, u"14/12/1967", 10, 0, 10, u"8", u"14/12/1968", 10, 0, 0, 0},
    {"ShortStyleLastDigit", kDate, u"14/12/6 ", 7, 0, 8, u"7", u"14/12/67", 8, 0, 0, 0},
    {"ShortStyleAtEndOverwritesLast", kDate, u"14/12/67", 8, 0, 8, u"9", u"14/12/69", 8, 0, 0, 0},
    {"DayMonthLastDigit", kDate, u"14/1 ", 4, 0, 5, u"2", u"14/12", 5, 0, 0, 0},
    {"DayMonthAtEndOverwritesFifth", kDate, u"14/12", 5, 0, 5, u"3", u"14/13", 5, 0, 0, 0},
    {"SlashRefused", kDate, u"14/1 /    ", 4, 0, 10, u"/", u"14/1 /    ", 4, 0, 1, 0},
    {"BlankRefused", kDate, u"14/1 /    ", 4, 0, 10, u" ", u"14/1 /    ", 4, 0, 1, 0},
    {"LetterRefused", kDate, u"14/1 /    ", 4, 0, 10, u"a", u"14/1 /    ", 4, 0, 1, 0},
    {"MinusRefused", kDate, u"14/1 /    ", 4, 0, 10, u"-", u"14/1 /    ", 4, 0, 1, 0},
    {"CommaRefused", kDate, u"14/1 /    ", 4, 0, 10, u",", u"14/1 /    ", 4, 0, 1, 0},
    {"CtrlCRefused", kDate, u"14/12/1967", 0, 10, 10, u"\x03", u"14/12/1967", 0, 10, 1, 0},
    {"CtrlVRefused", kDate, u"14/12/1967", 0, 10, 10, u"\x16", u"14/12/1967", 0, 10, 1, 0},
    {"CtrlXRefused", kDate, u"14/12/1967", 0, 10, 10, u"\x18", u"14/12/1967", 0, 10, 1, 0},
    {"NonAsciiDigitRefused", kDate, kLong, 0, 0, 10, u"\u0661", kLong, 0, 0, 1, 0},
};

// Texts that do not fit the mask, as a program may assign them, and the
// empty mask of MaxLength 0: nothing is read or written outside the text,
// a key aimed at a missing position is swallowed without effect, and
// erasing the whole field gives the proper mask back.
inline const KeyRow kDateMisfitRows[] = {
    {"ShortTextDigitAtEnd", kDate, u"14/1", 4, 0, 10, u"2", u"14/1", 4, 0, 0, 0},
    {"ShortTextDigitInside", kDate, u"14/1", 3, 0, 10, u"5", u"14/5", 4, 0, 0, 0},
    {"ShortTextDeleteAtEnd", kDate, u"14/1", 4, 0, 10, u"\u2326", u"14/1", 4, 0, 0, 0},
    {"ShortTextDeleteAllKeepsLength", kDate, u"14/1", 0, 4, 10, u"\u2326", u"  / ", 0, 0, 0, 0},
    {"ShortTextBackspaceAllRestoresMask", kDate, u"14/1", 0, 4, 10, u"\b", kLong, 0, 0, 0, vk::Back},
    {"ShortTextRightAtEnd", kDate, u"14/1", 4, 0, 10, u"\u2192", u"14/1", 4, 0, 0, 0},
    {"ShortTextRightOverSlash", kDate, u"14/1", 1, 0, 10, u"\u2192", u"14/1", 3, 0, 0, 0},
    {"EmptyTextDigit", kDate, u"", 0, 0, 10, u"1", u"", 0, 0, 0, 0},
    {"EmptyTextDelete", kDate, u"", 0, 0, 10, u"\u2326", u"", 0, 0, 0, 0},
    {"EmptyTextBackspaceRestoresMask", kDate, u"", 0, 0, 10, u"\b", kLong, 0, 0, 0, vk::Back},
    {"EmptyTextRight", kDate, u"", 0, 0, 10, u"\u2192", u"", 0, 0, 0, 0},
    {"LongTextDeleteMaskWideSelectionRestoresMask", kDate, u"14/12/1967xy", 0, 10, 10, u"\u2326", kLong, 0, 0, 0, 0},
    {"LongTextBackspaceAllRestoresMask", kDate, u"14/12/1967xy", 0, 12, 10, u"\b", kLong, 0, 0, 0, vk::Back},
    {"LongTextDigitPastMaskOverwritesLastOfMask", kDate, u"14/12/1967xy", 11, 0, 10, u"3", u"14/12/1963xy", 10, 0, 0, 0},
    {"LongTextDeletePastMask", kDate, u"14/12/1967xy", 10, 0, 10, u"\u2326", u"14/12/1967xy", 10, 0, 0, 0},
    {"LongTextRightPastMaskPassedOn", kDate, u"14/12/1967xy", 10, 0, 10, u"\u2192", u"14/12/1967xy", 11, 0, 0, vk::Right},
    {"EmptyMaskDigit", kDate, u"14/12", 0, 0, 0, u"1", u"14/12", 0, 0, 0, 0},
    {"EmptyMaskDigitAtEnd", kDate, u"14/12", 5, 0, 0, u"1", u"14/12", 5, 0, 0, 0},
    {"EmptyMaskDeleteKeepsText", kDate, u"14/12", 2, 0, 0, u"\u2326", u"14/12", 2, 0, 0, 0},
    {"EmptyMaskRightPassedOn", kDate, u"14/12", 2, 0, 0, u"\u2192", u"14/12", 3, 0, 0, vk::Right},
    {"EmptyMaskEmptyTextDigit", kDate, u"", 0, 0, 0, u"1", u"", 0, 0, 0, 0},
    {"SlashAtStartBackspaceSwallowed", kDate, u"/4/12/1967", 1, 0, 10, u"\b", u"/4/12/1967", 1, 0, 0, vk::Back},
};

inline const KeyRow kNumberRows[] = {
    {"DigitsIntoZero", kNumber, u"0", 0, 0, 10, u"5321", u"5.321", 5, 0, 0, 0},
    {"ZeroOverFirstDigitVanishes", kNumber, u"5.321", 0, 0, 10, u"0", u"321", 0, 0, 0, 0},
    {"OverwriteStepsOverSeparator", kNumber, u"1.234", 0, 0, 10, u"9", u"9.234", 2, 0, 0, 0},
    {"OverwriteTakesSeparator", kNumber, u"14.121", 2, 0, 10, u"5", u"145121", 3, 0, 0, 0},
    {"OverwriteTakesSign", kNumber, u"-5", 0, 0, 10, u"3", u"35", 1, 0, 0, 0, kRed, kRed},
    {"SelectionOnlyFirstOverwritten", kNumber, u"1.234", 0, 5, 10, u"5", u"5.234", 2, 0, 0, 0},
    {"FullFieldRefusesSilently", kNumber, u"14.121.967", 10, 0, 10, u"1", u"14.121.967", 10, 0, 0, 0},
    {"NewGroupMayPassMaxLength", kNumber, u"999.999", 7, 0, 8, u"9", u"9.999.999", 9, 0, 0, 0},
    {"MaxLengthZeroAppendsNothing", kNumber, u"12", 2, 0, 0, u"3", u"12", 2, 0, 0, 0},
    {"ZeroIntoEmptyUnlimitedBox", kNumber, u"", 0, 0, 0, u"0", u"", 0, 0, 0, 0},
    {"EighteenDigitsStayExact", kNumber, u"0", 1, 0, 100, u"123456789012345678", u"123.456.789.012.345.678", 23, 0, 0, 0},
    {"DecimalsGoInAsTyped", kNumberComma, u"1.234,5", 1, 0, 20, u"9", u"19.234,5", 2, 0, 0, 0},
    {"BackspaceAtEnd", kNumber, u"1.234", 5, 0, 10, u"\b", u"123", 3, 0, 0, vk::Back},
    {"BackspaceZeroesDigit", kNumber, u"14.121.967", 4, 0, 10, u"\b", u"14.021.967", 3, 0, 0, vk::Back},
    {"BackspaceAfterSeparator", kNumber, u"14.121.967", 3, 0, 10, u"\b", u"10.121.967", 1, 0, 0, vk::Back},
    {"BackspaceAtStartBeeps", kNumber, u"1.234", 0, 0, 10, u"\b", u"1.234", 0, 0, 1, vk::Back},
    {"BackspaceRoundsDecimals", kNumberComma, u"1.234,567", 9, 0, 20, u"\b", u"1.235", 5, 0, 0, vk::Back},
    {"BackspaceAfterLeadingSeparatorBeeps", kNumber, u".123", 1, 0, 10, u"\b", u".123", 1, 0, 1, vk::Back},
    {"DeleteWholeSelection", kNumber, u"1.234", 0, 5, 10, u"\u2326", u"0", 0, 0, 0, 0},
    {"DeleteInEmptyBox", kNumber, u"", 0, 0, 10, u"\u2326", u"0", 0, 0, 0, 0},
    {"DeleteFirst", kNumber, u"1.234.567", 0, 0, 10, u"\u2326", u"234.567", 0, 0, 0, 0},
    {"DeleteInside", kNumber, u"1.234.567", 2, 0, 10, u"\u2326", u"134.567", 1, 0, 0, 0},
    {"DeleteAtEndTakesLast", kNumber, u"1.234.567", 9, 0, 10, u"\u2326", u"123.456", 7, 0, 0, 0},
    {"DeleteCommaJoinsDecimals", kNumberComma, u"1.234,5678", 5, 0, 20, u"\u2326", u"12.345.678", 7, 0, 0, 0},
    {"DeletePartOfSelectionOnly", kNumber, u"1.234.567", 2, 3, 10, u"\u2326", u"134.567", 1, 0, 0, 0},
    {"MinusPutsSign", kNumber, u"1.234", 0, 0, 10, u"-", u"-1.234", 6, 0, 0, 0, kWindowText, kRed},
    {"MinusTwiceTakesItAway", kNumber, u"1.234", 0, 0, 10, u"--", u"1.234", 5, 0, 0, 0, kWindowText, kWindowText},
    {"MinusOnZero", kNumber, u"0", 0, 0, 10, u"-", u"-0", 2, 0, 0, 0, kWindowText, kRed},
    {"DigitsAfterMinusOnZeroStayNegative", kNumber, u"0", 1, 0, 10, u"-53", u"-53", 3, 0, 0, 0, kWindowText, kRed},
    {"MinusRemovedWhereItStands", kNumber, u"12-3", 0, 0, 10, u"-", u"123", 3, 0, 0, 0, kRed, kWindowText},
    {"CommaRefusedWithoutVirgola", kNumber, u"1.234", 5, 0, 10, u",", u"1.234", 5, 0, 1, 0},
    {"FullStopRefusedWithoutVirgola", kNumber, u"1.234", 5, 0, 10, u".", u"1.234", 5, 0, 1, 0},
    {"FullStopBecomesComma", kNumberComma, u"1.234", 5, 0, 10, u".", u"1.234,", 6, 0, 0, 0},
    {"SecondCommaBeeps", kNumberComma, u"1.234", 5, 0, 10, u",,", u"1.234,", 6, 0, 1, 0},
    {"UpAndDownDoNothing", kNumber, u"1.234", 2, 0, 10, u"\u2191\u2193", u"1.234", 2, 0, 0, 0},
    {"RightStepsOverSeparator", kNumber, u"1.234", 0, 0, 10, u"\u2192", u"1.234", 2, 0, 0, vk::Right},
    {"LeftStepsOverSeparator", kNumber, u"1.234", 2, 0, 10, u"\u2190", u"1.234", 0, 0, 0, vk::Left},
    {"RightAtEndStays", kNumber, u"1.234", 5, 0, 10, u"\u2192", u"1.234", 5, 0, 0, vk::Right},
    {"LeftAtStartStays", kNumber, u".234", 0, 0, 10, u"\u2190", u".234", 0, 0, 0, vk::Left},
    {"PasteRefused", kNumber, u"12", 2, 0, 10, u"\x16", u"12", 2, 0, 1, 0},
    {"LettersBlankAndPlusRefused", kNumberComma, u"12", 2, 0, 10, u"a +", u"12", 2, 0, 3, 0},
};

}  // namespace velmora::key_rows
