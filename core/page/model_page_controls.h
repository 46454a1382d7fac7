// A portable model of the page's controls, built from the page's layout
// table: it keeps each control's value, text, caption and visibility and
// raises the notifications as the platform's controls do. Tests drive the
// page through it, and it is the reference for the Windows page's controls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "page/generale_layout.h"
#include "page/page_controls.h"

namespace velmora {

class ModelGeneraleControls : public GeneraleControls {
 public:
  // Every control as the page creates it: the captions and texts of the
  // layout table, no option button selected, no check box checked, all
  // visible.
  ModelGeneraleControls();

  void setEvents(GeneraleEvents* events) override { events_ = events; }
  bool OptionValue(PageOption array, std::int16_t index) const override;
  void setOptionValue(PageOption array, std::int16_t index, bool value) override;
  std::int16_t CheckValue(PageCheck box) const override;
  void setCheckValue(PageCheck box, std::int16_t value) override;
  std::u16string Text(PageText box) const override;
  void setText(PageText box, const std::u16string& text) override;
  std::u16string Caption(ControlId control) const override;
  void setCaption(ControlId control, const std::u16string& caption) override;
  bool Visible(ControlId control) const override;
  void setVisible(ControlId control, bool visible) override;

  // What a user does to the page.
  // A click: an option button becomes selected (raising its click only when
  // it was not selected before), a check box turns checked, or unchecked
  // when it was checked. Clicks on frames, labels and text boxes do nothing.
  void Click(ControlId control);
  // Typing that leaves the box holding the given text.
  void Type(PageText box, const std::u16string& text) { setText(box, text); }

  // Whether the control can be seen: it and every frame around it visible.
  bool Shown(ControlId control) const;

 private:
  struct State {
    std::int16_t value = 0;  // option button: 1 selected; check box: 0/1/2
    std::u16string text;     // caption, or the text of a text box
    bool visible = true;
  };
  std::size_t Slot(ControlId control) const;
  static ControlId OptionId(PageOption array, std::int16_t index);
  static ControlId CheckId(PageCheck box);
  static ControlId TextId(PageText box);
  void RaiseClick(ControlId control);

  std::vector<State> states_;  // one per row of the layout table
  GeneraleEvents* events_ = nullptr;
};

}  // namespace velmora
