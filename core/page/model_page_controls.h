// A portable model of the page's controls, built from the page's layout
// table: it keeps each control's value, text and caption in memory and
// follows the rules of LayoutControls, as the Windows page's controls do.
// Tests drive the page through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "page/layout_controls.h"

namespace velmora {

class ModelGeneraleControls : public LayoutControls {
 public:
  // Every control as the page creates it: the captions and texts of the
  // layout table, no option button selected, no check box checked, all
  // visible.
  ModelGeneraleControls();

  // Typing that leaves the box holding the given text.
  void Type(PageText box, const std::u16string& text) { setText(box, text); }

 private:
  struct State {
    std::int16_t value = 0;  // option button: 1 selected; check box: 0/1/2
    std::u16string text;     // caption, or the text of a text box
  };
  std::int16_t ValueAt(std::size_t slot) const override { return states_[slot].value; }
  void SetValueAt(std::size_t slot, std::int16_t value) override { states_[slot].value = value; }
  std::u16string TextAt(std::size_t slot) const override { return states_[slot].text; }
  void SetTextAt(std::size_t slot, const std::u16string& text) override { states_[slot].text = text; }
  void ShowAt(std::size_t, bool) override {}  // Shown says it all

  std::vector<State> states_;  // one per row of the layout table
};

}  // namespace velmora
