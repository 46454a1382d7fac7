#include "page/page_keys.h"

namespace velmora {

namespace {
constexpr std::uint32_t kTab = 9, kReturn = 13, kEscape = 27, kPageUp = 33, kPageDown = 34, kLeft = 37, kUp = 38,
                        kRight = 39, kDown = 40, kF1 = 112;
}  // namespace

PageKeyRoute RoutePageKey(const PageKey& key, const PageFocus& focus) {
  switch (key.message) {
    case PageKeyMessage::SysKeyDown:
    case PageKeyMessage::SysKeyUp:
    case PageKeyMessage::SysChar:
      // Alt and a letter is a mnemonic: the page's captions have none, the
      // frame's buttons and tabs do.
      return PageKeyRoute::Frame;
    case PageKeyMessage::Char:
      // The characters of Enter, Escape and Tab come only from a frame that
      // translated the key itself: they follow the key.
      if ((key.code == kReturn || key.code == kEscape || key.code == kTab) && !focus.wantsAllKeys &&
          !(key.code == kTab && focus.wantsTab)) {
        return PageKeyRoute::Frame;
      }
      return PageKeyRoute::Control;
    case PageKeyMessage::KeyUp:
    case PageKeyMessage::Other:
      return PageKeyRoute::Control;
    case PageKeyMessage::KeyDown:
      break;
  }
  if (key.alt || key.code == kF1) return PageKeyRoute::Frame;
  switch (key.code) {
    case kReturn:
    case kEscape:
      // OK and Cancel, unless the focused control takes every key itself.
      return focus.wantsAllKeys ? PageKeyRoute::Control : PageKeyRoute::Frame;
    case kPageUp:
    case kPageDown:
      // Ctrl with them turns the frame's tabs.
      return key.control ? PageKeyRoute::Frame : PageKeyRoute::Control;
    case kTab:
      if (key.control) return PageKeyRoute::Frame;
      if (focus.wantsTab || focus.wantsAllKeys) return PageKeyRoute::Control;
      // Tab leaves the page, to the frame's controls, from its last stop;
      // Shift+Tab from its first.
      if (key.shift) return focus.firstTabStop ? PageKeyRoute::Frame : PageKeyRoute::PreviousTabStop;
      return focus.lastTabStop ? PageKeyRoute::Frame : PageKeyRoute::NextTabStop;
    case kLeft:
    case kUp:
    case kRight:
    case kDown:
      if (focus.wantsArrows || focus.wantsAllKeys) return PageKeyRoute::Control;
      return key.code == kLeft || key.code == kUp ? PageKeyRoute::PreviousInGroup : PageKeyRoute::NextInGroup;
    default:
      return PageKeyRoute::Control;
  }
}

}  // namespace velmora
