// The rules every implementation of the page's controls follows, written
// once over the layout table: option buttons exclusive within their array,
// check box values and what a click does to them, the notifications raised
// exactly when a value changes, and a frame hiding what it holds. An
// implementation keeps each control's value and text (a slot per row of
// GeneraleLayout(), in its order) and shows or hides it; the model controls
// keep them in memory, the Windows page in its child windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "page/generale_layout.h"
#include "page/page_controls.h"

namespace velmora {

class LayoutControls : public GeneraleControls {
 public:
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

  // A click of the user: an option button becomes selected (raising its
  // click only when it was not selected before), a check box turns checked,
  // or unchecked when it was checked. Clicks on frames, labels and text
  // boxes do nothing.
  void Click(ControlId control);

  // Whether the control can be seen: it and every frame around it visible.
  bool Shown(ControlId control) const;

 protected:
  // Every control visible, as created.
  LayoutControls() : visible_(GeneraleLayout().controls.size(), true) {}

  // The row of a control in the layout table; throws VelmoraError for a
  // control the page lacks.
  static std::size_t Slot(ControlId control);

  // An option button's value (1 selected) or a check box's (0, 1 or 2).
  virtual std::int16_t ValueAt(std::size_t slot) const = 0;
  virtual void SetValueAt(std::size_t slot, std::int16_t value) = 0;
  // A caption, or the text of a text box. Setting it raises no notification
  // of the control's own.
  virtual std::u16string TextAt(std::size_t slot) const = 0;
  virtual void SetTextAt(std::size_t slot, const std::u16string& text) = 0;
  // Whether the control is drawn now; called when its Shown changes.
  virtual void ShowAt(std::size_t slot, bool shown) = 0;

  GeneraleEvents* events_ = nullptr;

 private:
  void RaiseClick(ControlId control);

  std::vector<char> visible_;  // each control's own setting, by slot
};

}  // namespace velmora
