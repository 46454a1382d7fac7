// The control's OLE embedding: the interfaces a container uses to place the
// control on a form, activate it in place, draw it while it is not active,
// and tell it about ambient properties. It lives as a member of the control
// object (control_object.h) and shares that object's identity: every
// IUnknown call is delegated to the owner's outer unknown, and the owner's
// QueryInterface asks Find() for the interfaces listed below.
//
// The owner keeps the things every part of the control shares (the control
// window, which it lends the embedding at construction to place, show and
// hide, Text1, the core control, the connection points, persistence); the
// embedding keeps the client site, the in-place site and frame, the advise
// holder and the view advise sink, and gives them all back in one place
// (Close, SetClientSite(nullptr), destruction).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "com/handles.h"
#include "windows/text_box_look.h"

namespace velmora::win32 {

class ControlWindow;

// How the control wants to be treated, answered by IOleObject::GetMiscStatus
// and IQuickActivate, and the value self-registration writes as the class's
// MiscStatus: the site comes before the stored properties (they may read
// ambient properties), the control is activated as soon as it is shown and
// stays active (its face is a live edit box), it is laid out again when
// resized, and it cannot be linked into.
inline constexpr DWORD kVelmoraMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                            OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                            OLEMISC_INSIDEOUT;  // 131473

// The control's size before any container gives it one: 1125 x 300 twips,
// in HIMETRIC (0.01 mm).
inline constexpr SIZEL kDefaultExtent = {1984, 529};

// What the embedding asks of the control object that holds it.
class EmbeddingOwner {
 public:
  // The object's identity: AddRef, Release and QueryInterface of every
  // embedding interface go here.
  virtual IUnknown* OuterUnknown() = 0;
  // Text1, the control's face: its window (focus, mnemonics), a key for it
  // to act on with the modifiers held, its undo buffer emptied.
  virtual HWND TextBoxWindow() = 0;
  virtual void TextBoxKey(const MSG& key, unsigned modifiers) = 0;
  virtual void DiscardUndo() = 0;
  // Whether Enter is left to the form (TastoInvio), for the container's
  // key tables.
  virtual bool LeavesEnterToForm() = 0;
  // What the control looks like now, to draw it while it is not active
  // (scale 1: the embedding sets it for the target).
  virtual TextBoxLook Look() = 0;
  // The client site was set (nullptr: released). The owner reads ambient
  // properties through it from now on (the ambient font for persistence).
  virtual void ClientSiteChanged(IOleClientSite* site) = 0;
  // For IQuickActivate: make sure the object is initialised (InitNew when
  // neither InitNew nor a Load has run yet) and connect the container's
  // event sink and property-notify sink to the owner's connection points.
  virtual HRESULT EnsureInitialized() = 0;
  virtual HRESULT AdviseEvents(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT AdvisePropertyNotify(IUnknown* sink, DWORD* cookie) = 0;
  // The control's inner size changed (after SetObjectRects or SetExtent):
  // the owner runs UserControl_Resize.
  virtual void Resized() = 0;
  // An ambient property changed (DISPID_UNKNOWN: any number of them). The
  // embedding has already re-read what it uses itself (user mode) and asked
  // the container to redraw the control's view.
  virtual void AmbientPropertyChanged(DISPID /*id*/) {}

 protected:
  ~EmbeddingOwner() = default;
};

class OleEmbedding {
 public:
  // window: the control's window, which the embedding places, shows and
  // hides; the owner keeps it alive as long as the embedding.
  OleEmbedding(EmbeddingOwner& owner, ControlWindow& window);
  ~OleEmbedding();
  OleEmbedding(const OleEmbedding&) = delete;
  OleEmbedding& operator=(const OleEmbedding&) = delete;

  // Answers the embedding's interfaces (IOleObject, IOleWindow,
  // IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl, IViewObject,
  // IViewObject2, IViewObjectEx, IQuickActivate, IDataObject), AddRef'ed
  // through the owner; E_NOINTERFACE (with *ppv null) for any other IID,
  // IUnknown included (the owner's own answer).
  HRESULT Find(REFIID riid, void** ppv) noexcept;

  // The container's client site, or nullptr.
  IOleClientSite* ClientSite() const noexcept;
  // An ambient property through the client site's IDispatch; S_OK with the
  // value, or an error (and VT_EMPTY) when the site has none.
  HRESULT GetAmbient(DISPID id, VARIANT* value) noexcept;

  // Gives back everything held from the container: deactivates, releases
  // the sites, the frame and the advise sinks. The owner calls it before it
  // is destroyed; it is safe to call more than once.
  void ReleaseContainer() noexcept;

  // True while the container has frozen events (IOleControl::FreezeEvents):
  // the owner does not raise events then.
  bool EventsFrozen() const noexcept;
  // The container's user mode (run time); true when the site does not say.
  bool UserMode() const noexcept;
  bool InPlaceActive() const noexcept;
  bool UIActive() const noexcept;
  // The control's look changed (text, colours, font, enabled): tells the
  // container's view sink so an inactive control is drawn again, and the
  // data-advise sinks so a cached picture is taken again.
  void ViewChanged() noexcept;
  // The keys the control takes for itself changed (TastoInvio): the
  // control site is told, so it asks GetControlInfo again.
  void ControlInfoChanged() noexcept;
  // What the control window tells its client, passed on: Text1 gained or
  // lost the focus, and the window was destroyed from outside.
  void WindowFocusChanged(bool gained) noexcept;
  void WindowDestroyed() noexcept;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace velmora::win32
