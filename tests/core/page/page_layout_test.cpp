// The layout table of the page Generale, from which the Windows page creates
// its windows and the model controls take their first state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "page/generale_layout.h"
#include "page/model_page_controls.h"
#include "variant.h"

namespace velmora {
namespace {

std::string Describe(ControlId id) {
  std::string s(PageControlName(id.name));
  if (id.index >= 0) s += "(" + std::to_string(id.index) + ")";
  return s;
}

TEST(GeneraleLayout, TitleAndClientArea) {
  const PageLayout& layout = GeneraleLayout();
  EXPECT_EQ(layout.title, u"Generale");
  EXPECT_EQ(layout.clientWidth, 5925);
  EXPECT_EQ(layout.clientHeight, 3495);
  EXPECT_EQ(layout.controls.size(), 15u);
}

// The captions are written here in UTF-8, so the table's escaped accented
// letters are checked against a second spelling of them.
TEST(GeneraleLayout, CaptionsAsWritten) {
  struct Row {
    ControlId id;
    const char* caption;
  };
  const Row rows[] = {
      {PageControl::chkInvio, "Disabilita il tasto Invio"},
      {PageControl::chkDateValue, "DateValue"},
      {PageControl::txtMaxLength, ""},
      {PageControl::Frame3, "Decimali"},
      {PageControl::chkVirgola, "Accetta virgola e decimali"},
      {PageControl::Text1, "10"},
      {PageControl::Frame2, "Data o numero?"},
      {{PageControl::Option2, 1}, "Numero (14.121.967)"},
      {{PageControl::Option2, 0}, "Data (14/12/1967)"},
      {PageControl::Frame1, "Impostare la modalità della data"},
      {{PageControl::Option1, 0}, "Modalità LongDate: 14/12/1967"},
      {{PageControl::Option1, 1}, "Modalità ShortDate: 14/12/67"},
      {{PageControl::Option1, 2}, "Modalità Giorno/Mese: 14/12"},
      {PageControl::lblMaxLength, "MaxLength:"},
      {PageControl::Label1, "L'attuale numero di cifre inseribili in Velmora è . Vuoi modificarla?"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ToUtf8(std::u16string(FindLayoutControl(row.id).caption)), row.caption) << Describe(row.id);
  }
  // Latin-1 letters: one UTF-16 unit each, never a decomposed pair.
  EXPECT_EQ(FindLayoutControl({PageControl::Option1, 0}).caption[7], u'\u00E0');
}

TEST(GeneraleLayout, CreationOrderAndContainers) {
  const std::vector<std::string> expected{
      "chkInvio", "chkDateValue", "txtMaxLength", "Frame3",    "chkVirgola",   "Text1",     "Frame2",   "Option2(1)",
      "Option2(0)", "Frame1",     "Option1(0)",   "Option1(1)", "Option1(2)", "lblMaxLength", "Label1"};
  std::vector<std::string> actual;
  const auto& rows = GeneraleLayout().controls;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    actual.push_back(Describe(rows[i].id));
    if (rows[i].container) {
      // A frame is created before what it holds.
      auto frame = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.id == *rows[i].container; });
      ASSERT_NE(frame, rows.end());
      EXPECT_EQ(frame->kind, ControlKind::Frame);
      EXPECT_LT(frame - rows.begin(), static_cast<std::ptrdiff_t>(i)) << actual.back();
    }
  }
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(FindLayoutControl(PageControl::chkVirgola).container, PageControl::Frame3);
  EXPECT_EQ(FindLayoutControl({PageControl::Option2, 0}).container, PageControl::Frame2);
  EXPECT_EQ(FindLayoutControl({PageControl::Option1, 2}).container, PageControl::Frame1);
}

TEST(GeneraleLayout, TabOrder) {
  std::vector<PageLayoutControl> rows(GeneraleLayout().controls.begin(), GeneraleLayout().controls.end());
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });
  std::vector<std::string> order;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].tabIndex, static_cast<std::int16_t>(i)) << "tab indexes run 0..14 without gaps";
    order.push_back(Describe(rows[i].id));
  }
  const std::vector<std::string> expected{
      "Frame1", "Option1(2)", "Option1(1)", "Option1(0)",   "Frame2",       "Option2(0)",   "Option2(1)", "Label1",
      "Text1",  "Frame3",     "lblMaxLength", "txtMaxLength", "chkDateValue", "chkVirgola", "chkInvio"};
  EXPECT_EQ(order, expected);
}

// Three controls lie past the right edge of the client area and are never
// seen; every other one fits inside its container.
TEST(GeneraleLayout, OnlyTheThreeOffPageControlsLieOutside) {
  const PageLayout& layout = GeneraleLayout();
  for (const auto& row : layout.controls) {
    std::int32_t width = layout.clientWidth, height = layout.clientHeight;
    if (row.container) {
      width = FindLayoutControl(*row.container).width;
      height = FindLayoutControl(*row.container).height;
    }
    bool offPage = row.id.name == PageControl::chkDateValue || row.id.name == PageControl::txtMaxLength ||
                   row.id.name == PageControl::lblMaxLength;
    if (offPage) {
      EXPECT_GE(row.left, layout.clientWidth) << Describe(row.id);
    } else {
      EXPECT_GE(row.left, 0) << Describe(row.id);
      EXPECT_GE(row.top, 0) << Describe(row.id);
      EXPECT_LE(row.left + row.width, width) << Describe(row.id);
      EXPECT_LE(row.top + row.height, height) << Describe(row.id);
    }
  }
  EXPECT_EQ(FindLayoutControl(PageControl::Frame1).left, FindLayoutControl(PageControl::Frame3).left);
  EXPECT_EQ(FindLayoutControl(PageControl::Frame1).top, FindLayoutControl(PageControl::Frame3).top);
}

TEST(GeneraleLayout, ModelControlsStartAsCreated) {
  ModelGeneraleControls controls;
  EXPECT_EQ(controls.Text(PageText::Text1), u"10");
  EXPECT_EQ(controls.Text(PageText::txtMaxLength), u"");
  EXPECT_EQ(controls.Caption({PageControl::Option2, 1}), u"Numero (14.121.967)");
  for (const auto& row : GeneraleLayout().controls) EXPECT_TRUE(controls.Visible(row.id)) << Describe(row.id);
  for (std::int16_t i = 0; i < 3; ++i) EXPECT_FALSE(controls.OptionValue(PageOption::Option1, i));
  for (std::int16_t i = 0; i < 2; ++i) EXPECT_FALSE(controls.OptionValue(PageOption::Option2, i));
  for (PageCheck box : {PageCheck::chkInvio, PageCheck::chkDateValue, PageCheck::chkVirgola}) {
    EXPECT_EQ(controls.CheckValue(box), kUnchecked);
  }
}

}  // namespace
}  // namespace velmora
