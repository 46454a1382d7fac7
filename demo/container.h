// A small ActiveX control container: a form window that hosts controls
// through the standard OLE container interfaces only, so any correct
// windowed control works in it. Each control gets a site (client site,
// in-place site, control site, ambient properties through IDispatch), the
// form is their in-place frame, and an event sink on each control's default
// source interface records the events it fires by name.
//
// Keyboard: the form is one IsDialogMessage window (WS_EX_CONTROLPARENT),
// and its message loop hands every key to the UI-active control first, as
// an OLE container must, so Tab, and the Tab keystrokes a control sends for
// Enter and Escape, move the focus between the fields.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::demo {

using Microsoft::WRL::ComPtr;

class ControlSite;
class FormFrame;

// The screen's pixels per logical inch, across or down.
int ScreenDpi(bool horizontal);

// What a site asks of the form that holds it.
class SiteHost {
 public:
  virtual HWND Window() = 0;
  virtual IOleInPlaceFrame* Frame() = 0;
  virtual HACCEL Accelerators() = 0;
  // The ambient font every control starts with: a new reference.
  virtual HRESULT AmbientFont(IFontDisp** font) = 0;
  // A site is becoming UI-active: the form deactivates the one that was.
  virtual void UIActivating(ControlSite* site) = 0;
  virtual void UIDeactivated(ControlSite* site) = 0;
  // A control fired an event.
  virtual void EventFired(const std::string& field, const std::string& event) = 0;
  // Whether the form sends its children's notifications back to them as
  // OCM_ messages (ambient MessageReflect).
  virtual bool ReflectsMessages() { return false; }
  // A new instance of the class, as IOleObject: a form engine keeps each
  // class object it has used instead of asking COM again per control.
  virtual HRESULT CreateControl(REFCLSID clsid, IOleObject** object) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, reinterpret_cast<void**>(object));
  }

 protected:
  ~SiteHost() = default;
};

// The site of one control. Create runs the container's side of placing a
// control on a form, in the order OLE asks for: create, client site first
// when the control wants it, load (or InitNew), host names, extent, client
// site otherwise, event connection, in-place activation.
class ControlSite {
 public:
  // bag: the control's stored properties, or nullptr for a new control.
  // On failure, failedStep (when given) names the call that failed.
  static HRESULT Create(SiteHost& host, const std::string& name, REFCLSID clsid, IPropertyBag* bag,
                        const RECT& rect, std::unique_ptr<ControlSite>* out, const char** failedStep = nullptr);
  ~ControlSite();
  ControlSite(const ControlSite&) = delete;
  ControlSite& operator=(const ControlSite&) = delete;

  const std::string& name() const;
  IOleObject* object() const;
  // The control's window while it is in-place active.
  HWND window() const;
  // A property by name through the control's IDispatch.
  HRESULT GetProperty(const wchar_t* name, VARIANT* value) const;
  // Writes every property into bag through IPersistPropertyBag::Save.
  HRESULT Save(IPropertyBag* bag) const;
  // The control's property pages in the OLE property frame (modal).
  HRESULT ShowPropertyFrame(HWND owner) const;
  // Makes the control the UI-active one, with the focus.
  HRESULT UIActivate();
  HRESULT UIDeactivate();
  // Deactivates, disconnects and closes the control, and releases it.
  void Close();

  struct Impl;

 private:
  explicit ControlSite(Impl* impl);
  Impl* impl_;
};

// The form's in-place frame: the UI-active control registers its active
// object here, and the message loop hands keys to it.
IOleInPlaceFrame* NewFormFrame(HWND window, HACCEL accelerators);
// The active object the control registered with the frame, or nullptr
// (borrowed).
IOleInPlaceActiveObject* FrameActiveObject(IOleInPlaceFrame* frame);

// The container's keyboard duties for one message of its loop: the
// UI-active control's TranslateAccelerator, then the form's accelerators,
// then dialog navigation. True when the message was used.
bool PreTranslateFormMessage(HWND form, IOleInPlaceFrame* frame, HACCEL accelerators, MSG& msg);

}  // namespace velmora::demo
