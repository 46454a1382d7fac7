// What screen readers ask of the control (Microsoft Active Accessibility):
// the control's window answers WM_GETOBJECT for its client area with an
// IAccessible of ours, and Text1 passes the same request on to it, so the
// field reads the same whether a reader starts from the control or from the
// focused box. Role, name, value and description are the control's own
// (core/control/accessible_text.h), and so are the name and shortcut of the
// label before the control when the box's standard object finds none (Text1
// has no siblings to find a label among); everything else (location, state,
// focus, selection, keyboard shortcut, navigation) is the system's standard
// object for Text1's EDIT, which knows the box best. The system's UI
// Automation proxy serves UI Automation clients from the same object.
//
// Announcements: a change of the value raises EVENT_OBJECT_VALUECHANGE for
// the control's window, and a date refused on leaving the field raises
// EVENT_SYSTEM_ALERT with an alert object (OBJID_ALERT) that says so. Both
// only while the control sits in a container's window: a control drawn
// inactive has no window on screen for a reader to follow.
//
// The objects handed out hold the control only by a weak link, cut when the
// control goes (Disconnect): a reader that keeps one gets
// CO_E_OBJNOTCONNECTED from then on, and keeps only the small object and
// the module alive, never the control.
#pragma once

#include <windows.h>

#include <string>

#include "com/handles.h"
#include "windows/control_window.h"

namespace velmora {
class VelmoraControl;
}

namespace velmora::win32 {

class EditTextBox;
class OleEmbedding;
class AccessibleObject;

class ControlAccessibility final {
 public:
  ControlAccessibility(ControlWindow& window, EditTextBox& text1, velmora::VelmoraControl& control,
                       OleEmbedding& embedding) noexcept;
  ~ControlAccessibility();
  ControlAccessibility(const ControlAccessibility&) = delete;
  ControlAccessibility& operator=(const ControlAccessibility&) = delete;

  // Text1's text changed: announces the value when it is not the one last
  // announced (a new date style's mask is still no value).
  void TextChanged() noexcept;
  // A date was refused on leaving the field (DataNonValida).
  void DateRefused() noexcept;
  // Cuts the objects handed out off the control.
  void Disconnect() noexcept;

  // Answers WM_GETOBJECT for the control's window (ControlWindow::Client):
  // an LRESULT from LresultFromObject, or 0 to leave it to the system.
  LRESULT AnswerGetObject(WPARAM flags, LPARAM id) noexcept;

  // For the accessible objects. The text calls throw on failure (Text1
  // gone, a refused text).
  HWND WindowHandle() const noexcept;
  HWND EditHandle() const noexcept;
  std::wstring DisplayName() noexcept;  // the container's name; "" when it gives none
  // The caption of the label a form puts before the control; "" when there
  // is none.
  std::wstring LabelCaption() const noexcept;
  std::wstring Value() const;
  std::wstring Description() const;
  void SetValue(std::wstring_view text);

 private:
  ControlWindow& window_;
  EditTextBox& text1_;
  velmora::VelmoraControl& control_;
  OleEmbedding& embedding_;
  ComPtr<AccessibleObject> field_;
  ComPtr<AccessibleObject> alert_;
  std::u16string announced_;  // the value last announced
  bool refused_ = false;      // a date was refused: the alert object exists
};

}  // namespace velmora::win32
