// The windows of the page Generale: one child window per control of the
// page's form description, behind the GeneraleControls interface the page
// logic drives.
//
// Frames do not parent what they hold: every control is a direct child of
// the page window, a frame's controls placed at the frame's offset. So one
// flat z-order carries the whole tab order by TabIndex (chkVirgola, inside
// Frame3, still comes after txtMaxLength and chkDateValue, outside it), and
// every button and edit notification reaches the page window itself.
// Hiding a frame hides what it holds with it.
//
// Option buttons and check boxes are the non-automatic kinds
// (BS_RADIOBUTTON, BS_3STATE): their value changes only here, so a value set
// from code and a click of the user raise the click handler in the same
// way, once, and only when the value really changes. Once an option of an
// array is selected, it alone is the array's tab stop, as on a form: Tab
// enters the group at its choice and the arrows move the choice (the system
// clicks an unselected option button that gets the focus, so a tab stop on
// each would change the choice as Tab passed over it).
//
// The page makes its own font, the one its layout is drawn for, and falls
// back to the frame's only when the system lacks that face.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "com/com_edge.h"
#include "com/handles.h"
#include "core/page/generale_layout.h"
#include "core/page/layout_controls.h"
#include "core/page/page_keys.h"

namespace velmora::win32 {

// A length in twips (1/1440 inch) in pixels at `dpi`, rounded to nearest.
int TwipsToPixels(std::int32_t twips, int dpi);

// The page's client area in pixels at the screen's resolution.
SIZE PageSizeInPixels();

// The window class of the page window.
inline constexpr wchar_t kPageWindowClass[] = L"VelmoraGeneralePage";

// The face and size the page's layout is drawn for.
inline constexpr wchar_t kPageFontFace[] = L"MS Sans Serif";
inline constexpr int kPageFontPoints = 8;

class PageWindows final : public LayoutControls {
 public:
  // Creates the page window, hidden, as a child of `parent` at `rect`, and
  // all the page's controls in it with their initial values. Throws
  // HresultError when a window cannot be created.
  PageWindows(HWND parent, const RECT& rect);
  ~PageWindows() override;
  PageWindows(const PageWindows&) = delete;
  PageWindows& operator=(const PageWindows&) = delete;

  HWND hwnd() const noexcept { return page_.get(); }
  // The window of one control; throws VelmoraError for a control the page
  // lacks.
  HWND Window(ControlId id) const;

  // Keys: what the window a key message is for claims and where it stands
  // in the page's tab order; moving the focus to the next or previous tab
  // stop, or within a group (an option it lands on is selected, as a click
  // selects it, and may raise the click handler, which may throw).
  PageFocus FocusOf(const MSG& message) const;
  void MoveToTabStop(HWND from, bool previous);
  void MoveInGroup(HWND from, bool previous);

  // Whether the developer typed into Text1 since the last call of
  // ForgetTyping. Text1 has no handler of its own, so this is the only trace
  // of a new number of digits.
  bool Text1Typed() const noexcept { return text1Typed_; }
  void ForgetTyping() noexcept { text1Typed_ = false; }

 private:
  struct Child {
    const PageLayoutControl* row;
    HWND hwnd;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(HWND control, WORD code) noexcept;

  // LayoutControls: the children follow the rows of the layout table.
  std::int16_t ValueAt(std::size_t slot) const override;
  void SetValueAt(std::size_t slot, std::int16_t value) override;
  std::u16string TextAt(std::size_t slot) const override;
  void SetTextAt(std::size_t slot, const std::u16string& text) override;
  void ShowAt(std::size_t slot, bool shown) override;

  void UpdateTabStops(PageControl array);
  const Child* ChildOf(HWND hwnd) const noexcept;

  // Owned when the page made it; the windows go before it.
  UniqueHfont ownFont_;
  UniqueHwnd page_;
  std::vector<Child> children_;  // in creation order: the layout table's
  bool settingText_ = false;
  bool text1Typed_ = false;
};

}  // namespace velmora::win32
