// The page Generale's own controls, as its logic sees them: option buttons
// in their indexed arrays, check boxes, text boxes, labels and frames, with
// their values, texts, captions and visibility. The Windows page puts real
// child windows behind this interface; ModelGeneraleControls is the portable
// one used by tests. The page logic never sees a window handle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Every control of the page, by the name it has in the page's own code.
// Option1 and Option2 are arrays: a button of theirs is the name plus an
// index.
enum class PageControl : std::uint8_t {
  chkInvio,
  chkDateValue,
  txtMaxLength,
  Frame3,
  chkVirgola,
  Text1,
  Frame2,
  Option2,
  Frame1,
  Option1,
  lblMaxLength,
  Label1,
};

// The name as the page's code spells it ("chkInvio", "Option1", ...).
std::string_view PageControlName(PageControl control);

// One control of the page: the name and, for a button of an array, its index
// (-1 for a control that is not in an array).
struct ControlId {
  constexpr ControlId(PageControl n, std::int16_t i = -1) : name(n), index(i) {}  // NOLINT: implicit by design
  PageControl name;
  std::int16_t index;
  constexpr bool operator==(const ControlId&) const = default;
};

enum class ControlKind : std::uint8_t { CheckBox, TextBox, Frame, OptionButton, Label };

// The three kinds of control whose value the page sets and reads.
enum class PageOption : std::uint8_t { Option1, Option2 };                 // option button arrays
enum class PageCheck : std::uint8_t { chkInvio, chkDateValue, chkVirgola };  // check boxes
enum class PageText : std::uint8_t { txtMaxLength, Text1 };               // text boxes

// Check box values.
inline constexpr std::int16_t kUnchecked = 0, kChecked = 1, kGrayed = 2;

// The notifications of the page's controls, under the names of the page's
// handlers. Text1, the frames and the labels have none.
class GeneraleEvents {
 public:
  virtual ~GeneraleEvents() = default;
  virtual void Option1_Click(std::int16_t Index) = 0;
  virtual void Option2_Click(std::int16_t Index) = 0;
  virtual void chkInvio_Click() = 0;
  virtual void chkVirgola_Click() = 0;
  virtual void chkDateValue_Click() = 0;
  virtual void txtMaxLength_Change() = 0;
};

// The operations the page performs on its controls. Every setter that
// changes the value of an option button or a check box raises the control's
// click notification before it returns, exactly as a click of the user
// would: the page's loading step switches the view through that nesting.
// A failing operation throws VelmoraError.
class GeneraleControls {
 public:
  virtual ~GeneraleControls() = default;

  // The receiver of the notifications; nullptr stops them.
  virtual void setEvents(GeneraleEvents* events) = 0;

  // Option buttons: true when selected. Setting one true clears the other
  // buttons of its array and raises its click when it was not selected
  // already; setting one false only clears it.
  virtual bool OptionValue(PageOption array, std::int16_t index) const = 0;
  virtual void setOptionValue(PageOption array, std::int16_t index, bool value) = 0;

  // Check boxes: kUnchecked, kChecked or kGrayed; a change raises the click.
  virtual std::int16_t CheckValue(PageCheck box) const = 0;
  virtual void setCheckValue(PageCheck box, std::int16_t value) = 0;

  // Text boxes: a change of txtMaxLength's text raises its change
  // notification.
  virtual std::u16string Text(PageText box) const = 0;
  virtual void setText(PageText box, const std::u16string& text) = 0;

  // Captions of labels, frames, option buttons and check boxes.
  virtual std::u16string Caption(ControlId control) const = 0;
  virtual void setCaption(ControlId control, const std::u16string& caption) = 0;

  // Visibility of any control. Hiding a frame hides what it holds with it;
  // Visible reports the control's own setting.
  virtual bool Visible(ControlId control) const = 0;
  virtual void setVisible(ControlId control, bool visible) = 0;
};

}  // namespace velmora
