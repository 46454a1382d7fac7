// Whose key it is: a key that reaches the page Generale inside a property
// frame belongs either to the frame (its OK and Cancel buttons, its help, its
// tabs, and the way out of the page to the frame's own controls), to the page
// (moving between its controls), or to the control holding the focus (typing
// into a text box). The frame offers every key to the page first, so the page
// must hand back what is the frame's, or Enter, Escape and Tab would never
// leave it.
#pragma once

#include <cstdint>

namespace velmora {

// The kinds of keyboard message a frame offers the page.
enum class PageKeyMessage : std::uint8_t { KeyDown, KeyUp, Char, SysKeyDown, SysKeyUp, SysChar, Other };

struct PageKey {
  PageKeyMessage message;
  std::uint32_t code;  // the virtual-key code, or the character of a Char
  bool shift = false, control = false, alt = false;
};

// The control that has the focus: what it claims for itself (as it answers
// the platform's "which keys do you want" question) and where it stands in
// the page's tab order.
struct PageFocus {
  bool wantsArrows = false;
  bool wantsTab = false;
  bool wantsAllKeys = false;  // Enter and Escape included
  bool firstTabStop = false;
  bool lastTabStop = false;
};

enum class PageKeyRoute : std::uint8_t {
  Frame,             // the frame's: the page leaves it alone
  NextTabStop,       // the page moves the focus itself
  PreviousTabStop,
  NextInGroup,       // within a group: the next option of an array
  PreviousInGroup,
  Control,           // the focused control's ordinary handling
};

PageKeyRoute RoutePageKey(const PageKey& key, const PageFocus& focus);

}  // namespace velmora
