// Whose key it is, when a frame offers the page Generale a key: the frame's
// own keys must go back to it, the page moves between its controls, and a
// control that claims a key keeps it.
#include <gtest/gtest.h>

#include <string>

#include "page/page_keys.h"

namespace velmora {
namespace {

using M = PageKeyMessage;
using R = PageKeyRoute;

// Focus positions and claims.
const PageFocus kButton{};                                   // an option or check box inside the page
const PageFocus kFirst{false, false, false, true, false};    // the page's first tab stop
const PageFocus kLast{false, false, false, false, true};     // its last
const PageFocus kEdit{true, false, false, false, false};     // a text box: wants the arrows
const PageFocus kGreedy{true, true, true, false, true};      // a control that wants every key

struct KeyRow {
  const char* name;
  PageKey key;
  PageFocus focus;
  PageKeyRoute route;
};

const KeyRow kRows[] = {
    {"EnterIsOk", {M::KeyDown, 13}, kButton, R::Frame},
    {"EscapeIsCancel", {M::KeyDown, 27}, kButton, R::Frame},
    {"EnterInATextBox", {M::KeyDown, 13}, kEdit, R::Frame},
    {"EnterWantedByTheControl", {M::KeyDown, 13}, kGreedy, R::Control},
    {"F1IsHelp", {M::KeyDown, 112}, kButton, R::Frame},
    {"CtrlTabTurnsTheTab", {M::KeyDown, 9, false, true}, kButton, R::Frame},
    {"CtrlShiftTab", {M::KeyDown, 9, true, true}, kFirst, R::Frame},
    {"CtrlPageUp", {M::KeyDown, 33, false, true}, kButton, R::Frame},
    {"CtrlPageDown", {M::KeyDown, 34, false, true}, kEdit, R::Frame},
    {"PageDownAlone", {M::KeyDown, 34}, kEdit, R::Control},
    {"AltLetterIsAMnemonic", {M::SysKeyDown, 'A', false, false, true}, kEdit, R::Frame},
    {"AltCharacter", {M::SysChar, 'a', false, false, true}, kEdit, R::Frame},
    {"TabInside", {M::KeyDown, 9}, kButton, R::NextTabStop},
    {"TabFromTheFirst", {M::KeyDown, 9}, kFirst, R::NextTabStop},
    {"TabFromTheLastLeaves", {M::KeyDown, 9}, kLast, R::Frame},
    {"ShiftTabInside", {M::KeyDown, 9, true}, kLast, R::PreviousTabStop},
    {"ShiftTabFromTheFirstLeaves", {M::KeyDown, 9, true}, kFirst, R::Frame},
    {"TabWantedByTheControl", {M::KeyDown, 9}, kGreedy, R::Control},
    {"DownToTheNextOption", {M::KeyDown, 40}, kButton, R::NextInGroup},
    {"RightToTheNextOption", {M::KeyDown, 39}, kLast, R::NextInGroup},
    {"UpToThePreviousOption", {M::KeyDown, 38}, kFirst, R::PreviousInGroup},
    {"LeftToThePreviousOption", {M::KeyDown, 37}, kButton, R::PreviousInGroup},
    {"ArrowsInATextBoxMoveTheCaret", {M::KeyDown, 37}, kEdit, R::Control},
    {"LetterInATextBox", {M::KeyDown, 'A'}, kEdit, R::Control},
    {"SpaceOnACheckBox", {M::KeyDown, 32}, kButton, R::Control},
    {"CharacterTyped", {M::Char, '7'}, kEdit, R::Control},
    {"CharacterOfEnter", {M::Char, 13}, kEdit, R::Frame},
    {"CharacterOfTabWantedByTheControl", {M::Char, 9}, kGreedy, R::Control},
    {"KeyUpOfEnter", {M::KeyUp, 13}, kButton, R::Control},
};

class PageKeyRouteTest : public ::testing::TestWithParam<KeyRow> {};

TEST_P(PageKeyRouteTest, Routes) {
  EXPECT_EQ(static_cast<int>(RoutePageKey(GetParam().key, GetParam().focus)), static_cast<int>(GetParam().route));
}

INSTANTIATE_TEST_SUITE_P(Rows, PageKeyRouteTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
