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

#include "platform.h"
#include "rows.h"
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
  // The keys among them that type nothing, or Backspace, whose key-down the
  // field leaves to the box's own handling; only a player that sees the
  // control's key events checks it.
  const char16_t* leftToBox = u"";
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

// The portable services with the beeps counted, for the players and the
// other key tests.
class BeepCounter : public PortablePlatform {
 public:
  void Beep() override { ++beeps; }
  int beeps = 0;
};

// What a player reads back after the keys.
struct Outcome {
  std::u16string text;
  int caret = 0, selLength = 0, beeps = 0;
  std::uint32_t colour = 0;
  std::optional<std::u16string> leftToBox;  // empty: the player cannot see it
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

// The one runner: the player sets the field up as the row says, strikes the
// keys one by one, and reads the outcome back.
//   void Prepare(const KeyRow&);  void Strike(char16_t key);  Outcome Read();
template <class Player>
void PlayRow(Player& player, const KeyRow& row) {
  player.Prepare(row);
  for (const char16_t* key = row.keys; *key; ++key) player.Strike(*key);
  const Outcome got = player.Read();
  EXPECT_EQ(Shown(got.text), Shown(row.wantText)) << row;
  EXPECT_EQ(got.caret, row.wantCaret) << row;
  EXPECT_EQ(got.selLength, row.wantSelLength) << row;
  EXPECT_EQ(got.beeps, row.wantBeeps) << row;
  EXPECT_EQ(got.colour, row.wantColour) << row;
  if (got.leftToBox) {
    EXPECT_EQ(Shown(*got.leftToBox), Shown(row.leftToBox)) << row << " (keys left to the box)";
  }
}

// The empty date masks are "  /  /    " (MaxLength 10), "  /  /  " (8) and
// "  /  " (5).

// name, field, text, selStart, selLength, MaxLength, keys -> text, caret, selLength, beeps, keys left
// to the box[, colour before, colour after]

inline const KeyRow kKeyRows[] = {
    // Date: the caret keys.
    {"EmptyMaskRightStaysAtStart", kDate, u"  /  /    ", 0, 0, 10, u"\u2192", u"  /  /    ", 0, 0, 0, u""},
    {"EmptyMaskLeftPassedOn", kDate, u"  /  /    ", 0, 0, 10, u"\u2190", u"  /  /    ", 0, 0, 0, u"\u2190"},
    {"RightStopsAtFirstUnfilled", kDate, u"14/1 /    ", 4, 0, 10, u"\u2192", u"14/1 /    ", 4, 0, 0, u""},
    {"LeftFromFirstUnfilled", kDate, u"14/1 /    ", 4, 0, 10, u"\u2190", u"14/1 /    ", 3, 0, 0, u""},
    {"RightOntoBlankGoesToFirstUnfilled", kDate, u"14/1 /1 67", 7, 0, 10, u"\u2192", u"14/1 /1 67", 4, 0, 0, u""},
    {"LeftOntoBlankGoesToFirstUnfilled", kDate, u"14/1 /1 67", 9, 0, 10, u"\u2190", u"14/1 /1 67", 4, 0, 0, u""},
    {"RightSkipsOffsetBeforeDaySlash", kDate, u"14/12/1967", 1, 0, 10, u"\u2192", u"14/12/1967", 3, 0, 0, u""},
    {"LeftSkipsOffsetBeforeDaySlash", kDate, u"14/12/1967", 3, 0, 10, u"\u2190", u"14/12/1967", 1, 0, 0, u""},
    {"RightSkipsOffsetBeforeMonthSlash", kDate, u"14/12/1967", 4, 0, 10, u"\u2192", u"14/12/1967", 6, 0, 0, u""},
    {"LeftSkipsOffsetBeforeMonthSlash", kDate, u"14/12/1967", 6, 0, 10, u"\u2190", u"14/12/1967", 4, 0, 0, u""},
    {"RightInsideYear", kDate, u"14/12/1967", 7, 0, 10, u"\u2192", u"14/12/1967", 8, 0, 0, u""},
    {"LeftAtOffsetOnePassedOn", kDate, u"14/12/1967", 1, 0, 10, u"\u2190", u"14/12/1967", 0, 0, 0, u"\u2190"},
    {"RightBeforeLastPassedOn", kDate, u"14/12/1967", 9, 0, 10, u"\u2192", u"14/12/1967", 10, 0, 0, u"\u2192"},
    {"RightAtEndPassedOn", kDate, u"14/12/1967", 10, 0, 10, u"\u2192", u"14/12/1967", 10, 0, 0, u"\u2192"},
    {"RightDropsSelection", kDate, u"14/12/1967", 1, 3, 10, u"\u2192", u"14/12/1967", 3, 0, 0, u""},
    {"UpSwallowedNothingMoves", kDate, u"14/12/1967", 4, 2, 10, u"\u2191", u"14/12/1967", 4, 2, 0, u""},
    {"DownSwallowedNothingMoves", kDate, u"14/12/1967", 4, 0, 10, u"\u2193", u"14/12/1967", 4, 0, 0, u""},
    {"HomeLeftToTheTextBox", kDate, u"14/12/1967", 4, 0, 10, u"\u21f1", u"14/12/1967", 0, 0, 0, u"\u21f1"},
    {"EndLeftToTheTextBox", kDate, u"14/12/1967", 4, 0, 10, u"\u21f2", u"14/12/1967", 10, 0, 0, u"\u21f2"},
    {"BackspaceKeyDownLeftAlone", kDate, u"14/12/1967", 4, 0, 10, u"\b", u"14/02/1967", 3, 0, 0, u"\b"},
    {"ShortStyleRightOverSlash", kDate, u"14/12/67", 4, 0, 8, u"\u2192", u"14/12/67", 6, 0, 0, u""},
    {"ShortStyleRightBeforeLastPassedOn", kDate, u"14/12/67", 7, 0, 8, u"\u2192", u"14/12/67", 8, 0, 0, u"\u2192"},
    {"DayMonthRightBeforeLastPassedOn", kDate, u"14/12", 4, 0, 5, u"\u2192", u"14/12", 5, 0, 0, u"\u2192"},
    {"DayMonthLeftOverSlash", kDate, u"14/12", 3, 0, 5, u"\u2190", u"14/12", 1, 0, 0, u""},
    // Date: erasing.
    {"DeleteAtEndSilentNoOp", kDate, u"14/12/1967", 10, 0, 10, u"\u2326", u"14/12/1967", 10, 0, 0, u""},
    {"DeleteWritesZero", kDate, u"14/12/1967", 0, 0, 10, u"\u2326", u"04/12/1967", 0, 0, 0, u""},
    {"DeleteBeforeSlashZerosTheSlash", kDate, u"14/12/1967", 2, 0, 10, u"\u2326", u"14012/1967", 2, 0, 0, u""},
    {"DeleteWholeSelectionRestoresMask", kDate, u"14/12/1967", 0, 10, 10, u"\u2326", u"  /  /    ", 0, 0, 0, u""},
    {"DeletePartialSelectionResetsToEnd", kDate, u"14/12/1967", 3, 2, 10, u"\u2326", u"14/  /    ", 3, 0, 0, u""},
    {"DeleteShortStyleWhole", kDate, u"14/12/67", 0, 8, 8, u"\u2326", u"  /  /  ", 0, 0, 0, u""},
    {"DeleteDayMonthLastDigit", kDate, u"14/12", 4, 0, 5, u"\u2326", u"14/10", 4, 0, 0, u""},
    {"BackspaceAfterSlashErasesDigitBefore", kDate, u"14/12/1967", 3, 0, 10, u"\b", u"10/12/1967", 1, 0, 0, u"\b"},
    {"BackspaceInsideMonth", kDate, u"14/12/1967", 5, 0, 10, u"\b", u"14/10/1967", 4, 0, 0, u"\b"},
    {"BackspaceAtEnd", kDate, u"14/12/1967", 10, 0, 10, u"\b", u"14/12/1960", 9, 0, 0, u"\b"},
    {"BackspaceWholeSelectionRestoresMask", kDate, u"14/12/1967", 0, 10, 10, u"\b", u"  /  /    ", 0, 0, 0, u"\b"},
    {"BackspaceAtStartSwallowed", kDate, u"14/12/1967", 0, 0, 10, u"\b", u"14/12/1967", 0, 0, 0, u"\b"},
    {"BackspacePartialSelectionErasesOnlyBefore", kDate, u"14/12/1967", 4, 3, 10, u"\b", u"14/02/1967", 3, 0, 0, u"\b"},
    {"BackspaceDayMonthWhole", kDate, u"14/12", 0, 5, 5, u"\b", u"  /  ", 0, 0, 0, u"\b"},
    // Date: typing.
    {"DigitOnEmptyMask", kDate, u"  /  /    ", 0, 0, 10, u"1", u"1 /  /    ", 1, 0, 0, u""},
    {"DigitStepsOverSlash", kDate, u"1 /  /    ", 1, 0, 10, u"4", u"14/  /    ", 3, 0, 0, u""},
    {"DigitWithWholeSelection", kDate, u"14/12/1967", 0, 10, 10, u"3", u"3 /  /    ", 1, 0, 0, u""},
    {"DigitWithPartialSelection", kDate, u"14/12/1967", 3, 2, 10, u"0", u"14/0 /    ", 4, 0, 0, u""},
    {"DigitBeforeSlashOverwritesIt", kDate, u"14/12/1967", 2, 0, 10, u"5", u"14512/1967", 3, 0, 0, u""},
    {"DigitAtEndOverwritesLast", kDate, u"14/12/1967", 10, 0, 10, u"8", u"14/12/1968", 10, 0, 0, u""},
    {"ShortStyleLastDigit", kDate, u"14/12/6 ", 7, 0, 8, u"7", u"14/12/67", 8, 0, 0, u""},
    {"ShortStyleAtEndOverwritesLast", kDate, u"14/12/67", 8, 0, 8, u"9", u"14/12/69", 8, 0, 0, u""},
    {"DayMonthLastDigit", kDate, u"14/1 ", 4, 0, 5, u"2", u"14/12", 5, 0, 0, u""},
    {"DayMonthAtEndOverwritesFifth", kDate, u"14/12", 5, 0, 5, u"3", u"14/13", 5, 0, 0, u""},
    {"SlashRefused", kDate, u"14/1 /    ", 4, 0, 10, u"/", u"14/1 /    ", 4, 0, 1, u""},
    {"BlankRefused", kDate, u"14/1 /    ", 4, 0, 10, u" ", u"14/1 /    ", 4, 0, 1, u""},
    {"LetterRefused", kDate, u"14/1 /    ", 4, 0, 10, u"a", u"14/1 /    ", 4, 0, 1, u""},
    {"MinusRefused", kDate, u"14/1 /    ", 4, 0, 10, u"-", u"14/1 /    ", 4, 0, 1, u""},
    {"CommaRefused", kDate, u"14/1 /    ", 4, 0, 10, u",", u"14/1 /    ", 4, 0, 1, u""},
    {"CtrlCRefused", kDate, u"14/12/1967", 0, 10, 10, u"\x03", u"14/12/1967", 0, 10, 1, u""},
    {"CtrlVRefused", kDate, u"14/12/1967", 0, 10, 10, u"\x16", u"14/12/1967", 0, 10, 1, u""},
    {"CtrlXRefused", kDate, u"14/12/1967", 0, 10, 10, u"\x18", u"14/12/1967", 0, 10, 1, u""},
    {"NonAsciiDigitRefused", kDate, u"  /  /    ", 0, 0, 10, u"\u0661", u"  /  /    ", 0, 0, 1, u""},
    // Texts that do not fit the mask, as a program may assign them, and the
    // empty mask of MaxLength 0: nothing is read or written outside the text,
    // a key aimed at a missing position is swallowed without effect, and
    // erasing the whole field gives the proper mask back.
    {"ShortTextDigitAtEnd", kDate, u"14/1", 4, 0, 10, u"2", u"14/1", 4, 0, 0, u""},
    {"ShortTextDigitInside", kDate, u"14/1", 3, 0, 10, u"5", u"14/5", 4, 0, 0, u""},
    {"ShortTextDeleteAtEnd", kDate, u"14/1", 4, 0, 10, u"\u2326", u"14/1", 4, 0, 0, u""},
    {"ShortTextDeleteAllKeepsLength", kDate, u"14/1", 0, 4, 10, u"\u2326", u"  / ", 0, 0, 0, u""},
    {"ShortTextBackspaceAllRestoresMask", kDate, u"14/1", 0, 4, 10, u"\b", u"  /  /    ", 0, 0, 0, u"\b"},
    {"ShortTextRightAtEnd", kDate, u"14/1", 4, 0, 10, u"\u2192", u"14/1", 4, 0, 0, u""},
    {"ShortTextRightOverSlash", kDate, u"14/1", 1, 0, 10, u"\u2192", u"14/1", 3, 0, 0, u""},
    {"EmptyTextDigit", kDate, u"", 0, 0, 10, u"1", u"", 0, 0, 0, u""},
    {"EmptyTextDelete", kDate, u"", 0, 0, 10, u"\u2326", u"", 0, 0, 0, u""},
    {"EmptyTextBackspaceRestoresMask", kDate, u"", 0, 0, 10, u"\b", u"  /  /    ", 0, 0, 0, u"\b"},
    {"EmptyTextRight", kDate, u"", 0, 0, 10, u"\u2192", u"", 0, 0, 0, u""},
    {"LongTextDeleteMaskWideSelectionRestoresMask", kDate, u"14/12/1967xy", 0, 10, 10, u"\u2326", u"  /  /    ", 0, 0, 0, u""},
    {"LongTextBackspaceAllRestoresMask", kDate, u"14/12/1967xy", 0, 12, 10, u"\b", u"  /  /    ", 0, 0, 0, u"\b"},
    {"LongTextDigitPastMaskOverwritesLastOfMask", kDate, u"14/12/1967xy", 11, 0, 10, u"3", u"14/12/1963xy", 10, 0, 0, u""},
    {"LongTextDeletePastMask", kDate, u"14/12/1967xy", 10, 0, 10, u"\u2326", u"14/12/1967xy", 10, 0, 0, u""},
    {"LongTextRightPastMaskPassedOn", kDate, u"14/12/1967xy", 10, 0, 10, u"\u2192", u"14/12/1967xy", 11, 0, 0, u"\u2192"},
    {"EmptyMaskDigit", kDate, u"14/12", 0, 0, 0, u"1", u"14/12", 0, 0, 0, u""},
    {"EmptyMaskDigitAtEnd", kDate, u"14/12", 5, 0, 0, u"1", u"14/12", 5, 0, 0, u""},
    {"EmptyMaskDeleteKeepsText", kDate, u"14/12", 2, 0, 0, u"\u2326", u"14/12", 2, 0, 0, u""},
    {"EmptyMaskRightPassedOn", kDate, u"14/12", 2, 0, 0, u"\u2192", u"14/12", 3, 0, 0, u"\u2192"},
    {"EmptyMaskEmptyTextDigit", kDate, u"", 0, 0, 0, u"1", u"", 0, 0, 0, u""},
    {"SlashAtStartBackspaceSwallowed", kDate, u"/4/12/1967", 1, 0, 10, u"\b", u"/4/12/1967", 1, 0, 0, u"\b"},
    // Number: digits.
    {"DigitsIntoZero", kNumber, u"0", 0, 0, 10, u"5321", u"5.321", 5, 0, 0, u""},
    {"ZeroOverFirstDigitVanishes", kNumber, u"5.321", 0, 0, 10, u"0", u"321", 0, 0, 0, u""},
    {"OverwriteStepsOverSeparator", kNumber, u"1.234", 0, 0, 10, u"9", u"9.234", 2, 0, 0, u""},
    {"OverwriteTakesSeparator", kNumber, u"14.121", 2, 0, 10, u"5", u"145121", 3, 0, 0, u""},
    {"SelectionOnlyFirstOverwritten", kNumber, u"1.234", 0, 5, 10, u"5", u"5.234", 2, 0, 0, u""},
    {"FullFieldRefusesSilently", kNumber, u"14.121.967", 10, 0, 10, u"1", u"14.121.967", 10, 0, 0, u""},
    {"NewGroupMayPassMaxLength", kNumber, u"999.999", 7, 0, 8, u"9", u"9.999.999", 9, 0, 0, u""},
    {"MaxLengthZeroAppendsNothing", kNumber, u"12", 2, 0, 0, u"3", u"12", 2, 0, 0, u""},
    {"ZeroIntoEmptyUnlimitedBox", kNumber, u"", 0, 0, 0, u"0", u"", 0, 0, 0, u""},
    {"EighteenDigitsStayExact", kNumber, u"0", 1, 0, 100, u"123456789012345678", u"123.456.789.012.345.678", 23, 0, 0, u""},
    {"DecimalsGoInAsTyped", kNumberComma, u"1.234,5", 1, 0, 20, u"9", u"19.234,5", 2, 0, 0, u""},
    // Number: backspace.
    {"BackspaceAtEndRegroups", kNumber, u"1.234", 5, 0, 10, u"\b", u"123", 3, 0, 0, u"\b"},
    {"BackspaceZeroesDigit", kNumber, u"14.121.967", 4, 0, 10, u"\b", u"14.021.967", 3, 0, 0, u"\b"},
    {"BackspaceAfterSeparator", kNumber, u"14.121.967", 3, 0, 10, u"\b", u"10.121.967", 1, 0, 0, u"\b"},
    {"BackspaceAtStartBeeps", kNumber, u"1.234", 0, 0, 10, u"\b", u"1.234", 0, 0, 1, u"\b"},
    {"BackspaceRoundsDecimals", kNumberComma, u"1.234,567", 9, 0, 20, u"\b", u"1.235", 5, 0, 0, u"\b"},
    {"BackspaceAfterLeadingSeparatorBeeps", kNumber, u".123", 1, 0, 10, u"\b", u".123", 1, 0, 1, u"\b"},
    // Number: delete.
    {"DeleteWholeSelection", kNumber, u"1.234", 0, 5, 10, u"\u2326", u"0", 0, 0, 0, u""},
    {"DeleteInEmptyBox", kNumber, u"", 0, 0, 10, u"\u2326", u"0", 0, 0, 0, u""},
    {"DeleteFirst", kNumber, u"1.234.567", 0, 0, 10, u"\u2326", u"234.567", 0, 0, 0, u""},
    {"DeleteInside", kNumber, u"1.234.567", 2, 0, 10, u"\u2326", u"134.567", 1, 0, 0, u""},
    {"DeleteAtEndTakesLast", kNumber, u"1.234.567", 9, 0, 10, u"\u2326", u"123.456", 7, 0, 0, u""},
    {"DeleteCommaJoinsDecimals", kNumberComma, u"1.234,5678", 5, 0, 20, u"\u2326", u"12.345.678", 7, 0, 0, u""},
    {"DeletePartOfSelectionOnly", kNumber, u"1.234.567", 2, 3, 10, u"\u2326", u"134.567", 1, 0, 0, u""},
    // Number: sign.
    {"MinusPutsSign", kNumber, u"1.234", 0, 0, 10, u"-", u"-1.234", 6, 0, 0, u"", kWindowText, kRed},
    {"MinusTwiceTakesItAway", kNumber, u"1.234", 0, 0, 10, u"--", u"1.234", 5, 0, 0, u"", kWindowText, kWindowText},
    // The sign's colours are fixed: a colour the program set is not restored.
    {"SignForgetsACustomColour", kNumber, u"1.234", 0, 0, 10, u"--", u"1.234", 5, 0, 0, u"", 0x00C00000u, kWindowText},
    {"MinusOnZero", kNumber, u"0", 0, 0, 10, u"-", u"-0", 2, 0, 0, u"", kWindowText, kRed},
    {"DigitsAfterMinusOnZeroStayNegative", kNumber, u"0", 1, 0, 10, u"-53", u"-53", 3, 0, 0, u"", kWindowText, kRed},
    {"MinusRemovedWhereItStands", kNumber, u"12-3", 0, 0, 10, u"-", u"123", 3, 0, 0, u"", kRed, kWindowText},
    {"OverwriteTakesSign", kNumber, u"-5", 0, 0, 10, u"3", u"35", 1, 0, 0, u"", kRed, kRed},
    // Number: comma.
    {"CommaRefusedWithoutVirgola", kNumber, u"1.234", 5, 0, 10, u",", u"1.234", 5, 0, 1, u""},
    {"FullStopRefusedWithoutVirgola", kNumber, u"1.234", 5, 0, 10, u".", u"1.234", 5, 0, 1, u""},
    {"FullStopBecomesComma", kNumberComma, u"1.234", 5, 0, 10, u".", u"1.234,", 6, 0, 0, u""},
    {"SecondCommaBeeps", kNumberComma, u"1.234", 5, 0, 10, u",,", u"1.234,", 6, 0, 1, u""},
    // Number: arrows.
    {"UpAndDownDoNothing", kNumber, u"1.234", 2, 0, 10, u"\u2191\u2193", u"1.234", 2, 0, 0, u""},
    {"RightStepsOverSeparator", kNumber, u"1.234", 0, 0, 10, u"\u2192", u"1.234", 2, 0, 0, u"\u2192"},
    {"LeftStepsOverSeparator", kNumber, u"1.234", 2, 0, 10, u"\u2190", u"1.234", 0, 0, 0, u"\u2190"},
    {"RightAtEndStays", kNumber, u"1.234", 5, 0, 10, u"\u2192", u"1.234", 5, 0, 0, u"\u2192"},
    {"LeftAtStartStays", kNumber, u".234", 0, 0, 10, u"\u2190", u".234", 0, 0, 0, u"\u2190"},
    // Number: everything else is refused.
    {"PasteRefused", kNumber, u"12", 2, 0, 10, u"\x16", u"12", 2, 0, 1, u""},
    {"LettersBlankAndPlusRefused", kNumberComma, u"12", 2, 0, 10, u"a +", u"12", 2, 0, 3, u""},
};

}  // namespace velmora::key_rows
