// What a screen reader hears: the value never reads the date mask out, and
// the description names the pattern of each date style or the kind of
// number.
#include <gtest/gtest.h>

#include <string>

#include "control/accessible_text.h"
#include "control/velmora_control.h"
#include "model_textbox.h"

namespace velmora {
namespace {

struct ValueRow {
  const char* name;
  std::u16string text;
  bool dateMode;
  std::u16string value;
};

TEST(AccessibleText, ValueIsWhatWasEnteredNeverTheMask) {
  const ValueRow rows[] = {
      {"empty long mask", u"  /  /    ", true, u""},
      {"empty short mask", u"  /  /  ", true, u""},
      {"empty day-month mask", u"  /  ", true, u""},
      {"empty text", u"", true, u""},
      {"one digit", u"1 /  /    ", true, u"1 /  /    "},
      {"full date", u"14/12/1967", true, u"14/12/1967"},
      {"text put by a program", u"abc", true, u"abc"},
      {"number", u"-1.234", false, u"-1.234"},
      {"blank number text", u"  ", false, u"  "},
      {"slashes in number mode", u"/", false, u"/"},
  };
  for (const ValueRow& row : rows) EXPECT_EQ(AccessibleValue(row.text, row.dateMode), row.value) << row.name;
}

struct DescriptionRow {
  const char* name;
  bool dateMode;
  std::int32_t maxLength;
  bool virgola;
  std::u16string description;
};

TEST(AccessibleText, DescriptionSaysWhatTheFieldExpects) {
  const DescriptionRow rows[] = {
      {"long date", true, 10, false, u"gg/mm/aaaa"},
      {"longer limit, same mask", true, 40, true, u"gg/mm/aaaa"},
      {"short date", true, 8, false, u"gg/mm/aa"},
      {"day and month", true, 5, false, u"gg/mm"},
      {"no mask", true, 0, false, u""},
      {"whole number", false, 10, false, u"numero intero"},
      {"number with decimals", false, 10, true, u"numero con decimali"},
  };
  for (const DescriptionRow& row : rows)
    EXPECT_EQ(AccessibleDescription(row.dateMode, row.maxLength, row.virgola), row.description) << row.name;
}

TEST(AccessibleText, LabelCaptionAsNameAndShortcut) {
  struct Row {
    std::u16string caption, name, shortcut;
  } rows[] = {
      {u"&Data:", u"Data:", u"Alt+D"},
      {u"Data di &nascita", u"Data di nascita", u"Alt+N"},
      {u"Prezzi && sconti", u"Prezzi & sconti", u""},
      {u"Ditta && &figli", u"Ditta & figli", u"Alt+F"},
      {u"Importo&", u"Importo&", u""},
      {u"", u"", u""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LabelName(row.caption), row.name);
    EXPECT_EQ(LabelShortcut(row.caption), row.shortcut);
  }
}

TEST(AccessibleText, FollowsTheControlAsItStands) {
  ModelTextBox box;
  RecordingControlHost host;
  VelmoraControl control(box, host);
  control.UserControl_Initialize();
  EXPECT_EQ(AccessibleValue(control), u"");
  EXPECT_EQ(AccessibleDescription(control), u"gg/mm/aaaa");
  control.setDateValue(kFalse);
  control.setVirgola(1);  // not True: the comma key stays refused
  EXPECT_EQ(AccessibleValue(control), u"0");
  EXPECT_EQ(AccessibleDescription(control), u"numero intero");
  control.setVirgola(kTrue);
  EXPECT_EQ(AccessibleDescription(control), u"numero con decimali");
}

}  // namespace
}  // namespace velmora
