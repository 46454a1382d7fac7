// The embedding's one object behind its interfaces, shared by the files of
// its facets, as OLE itself divides them:
//   embedding_object.cpp   IOleObject: the site, verbs, extent, advise
//                          holder, closing; the owner-facing OleEmbedding
//   embedding_inplace.cpp  in-place and UI activation, IOleInPlaceObject,
//                          IOleInPlaceActiveObject (the container's keys)
//   embedding_view.cpp     IViewObjectEx: drawing while inactive, view advise
//   embedding_control.cpp  IOleControl (keys, ambients, frozen events) and
//                          IQuickActivate
// Private to those files.
//
// In-place activation follows the OLE sequence: the in-place site is asked
// whether activation is allowed (CanInPlaceActivate), told that it happens
// (OnInPlaceActivate), asked for its window and context (GetWindow,
// GetWindowContext); the control window then goes into the container's
// window at the position given, clipped, and is shown, and the client site
// is asked to show the object (ShowObject). UI activation adds
// OnUIActivate, the active object for the frame and the document window,
// no border space, and the focus. Deactivation undoes each step in the
// reverse order and releases what the container gave.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <type_traits>

#include "com/com_edge.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "windows/desktop.h"
#include "windows/control_window.h"
#include "embedding/data_object.h"
#include "embedding/ole_embedding.h"

namespace velmora::win32 {

// The name containers show for the active object.
inline constexpr wchar_t kEmbeddingObjectName[] = L"VelmoraControl";

// HIMETRIC (0.01 mm) and screen pixels, at the screen's resolution.
inline LONG HimetricToPixels(LONG himetric, bool vertical) {
  const ScreenDpi dpi = CurrentScreenDpi();
  return MulDiv(himetric, vertical ? dpi.y : dpi.x, 2540);
}
inline LONG PixelsToHimetric(LONG pixels, bool vertical) {
  const ScreenDpi dpi = CurrentScreenDpi();
  return MulDiv(pixels, 2540, vertical ? dpi.y : dpi.x);
}

// The embedding's interfaces on one object without an identity of its own:
// IUnknown goes to the owner's outer unknown.
struct OleEmbedding::Impl final : public DelegatingFacet<OleEmbedding::Impl, IOleObject, IOleInPlaceObject,
                                                         IOleInPlaceActiveObject, IOleControl, IViewObjectEx,
                                                         IQuickActivate> {
  Impl(EmbeddingOwner& o, ControlWindow& w)
      : DelegatingFacet(o.OuterUnknown()), owner(o), window(w), data(o.OuterUnknown()) {}

  EmbeddingOwner& owner;
  ControlWindow& window;  // the owner's, lent for the embedding's life
  DataObjectFacet data;
  // GetControlInfo's key tables, made when first asked, by whether Enter
  // is left to the form (0: the control's, 1: the form's). Both live as
  // long as the control: a container may keep the one it was given.
  UniqueHaccel keyTables[2];
  ComPtr<IOleClientSite> site;
  ComPtr<IOleControlSite> controlSite;
  ComPtr<IOleInPlaceSite> inPlaceSite;
  ComPtr<IOleInPlaceSiteEx> inPlaceSiteEx;
  ComPtr<IOleInPlaceFrame> frame;
  ComPtr<IOleInPlaceUIWindow> docWindow;
  ComPtr<IOleAdviseHolder> adviseHolder;
  ComPtr<IAdviseSink> viewSink;
  DWORD viewAspects = 0;
  DWORD viewAdvf = 0;
  SIZEL extent = kDefaultExtent;
  RECT posRect{};
  bool inPlaceActive = false;
  bool uiActive = false;
  bool hidden = false;
  bool userMode = true;
  bool activating = false;
  HWND hwnd = nullptr;  // the control window while it sits in the container
  bool clipped = false;  // a region set on hwnd by SetRects
  long frozen = 0;  // FreezeEvents nesting

  IOleInPlaceActiveObject* ActiveObject() { return static_cast<IOleInPlaceActiveObject*>(this); }

  // ---- helpers -------------------------------------------------------------------

  // Keeps the object alive across a call that hands control to the
  // container, which may release its last reference meanwhile.
  ComPtr<IUnknown> KeepAlive() { return ComPtr<IUnknown>(Controlling()); }
  // The COM edge (ComEdge) of a method that may hand control to the
  // container, with the object held alive until the body is done. A body
  // that answers nothing answers S_OK.
  template <class Body>
  HRESULT HeldEdge(Body&& body, REFIID iid) noexcept {
    return ComEdge([&]() -> HRESULT {
      const auto keep = KeepAlive();
      if constexpr (std::is_void_v<decltype(body())>) {
        body();
        return S_OK;
      } else {
        return body();
      }
    }, iid);
  }

  // Text1's EDIT, the usual target, is checked first: IsChild walks the
  // window tree, a trip to the window server under wine, for every key.
  bool IsOurs(HWND target) const;

  // The container's user mode (ambient UserMode), true when it says none.
  void ReadUserMode();

  // An ambient property through the client site's IDispatch.
  HRESULT GetAmbientValue(DISPID id, VARIANT* value);

  // In design mode the control's window takes no input: the designer, not
  // the user, works with the control. Text1's own Enabled is left alone.
  void ApplyUserMode();

  // Takes the client site (and its control site, if it has one), then
  // reads and applies the user mode.
  void SetSite(IOleClientSite* newSite);

  // The control's inner size changed: the owner lays it out again.
  void NotifyResized();

  // The control window was destroyed from outside.
  void WindowDestroyed();

  // Text1 got or lost the focus, by a click, a Tab or a call: a control
  // that gets the focus becomes the UI-active object, so the container
  // routes its keys through TranslateAccelerator, and the container hears
  // of every focus change.
  void OnText1Focus(bool gained);

  // ---- activation, in the OLE sequence above ---------------------------------

  // In-place activation through `activeSite` (or the client site); UI
  // activation on top of it (OLE_E_NOT_INPLACEACTIVE without), taking the
  // focus when asked. Deactivation undoes them, in-place deactivation the
  // UI activation first. Each step already done (or undone) is skipped;
  // the COM methods of the same names run these at their edge.
  HRESULT InPlaceActivate(IOleClientSite* activeSite);
  HRESULT UIActivate(bool takeFocus);
  void UIDeactivate_();
  void InPlaceDeactivate_();
  // Places the window at `pos` within the container's window, clipped to
  // `clip`; a new size changes the extent and lays the control out.
  void SetRects(const RECT& pos, const RECT& clip);

  // ---- the look ------------------------------------------------------------------

  // Tells the view sink, if it asked for the content aspect, that the view
  // changed; a sink that asked for ADVF_ONLYONCE is then let go.
  void SendViewChange();

  // The control looks different: its view and its picture are out of date.
  void LookChanged();

  // With TastoInvio True, Enter does nothing in the control (the core
  // swallows it), so a form's default button may have it.
  bool LeavesEnterToForm() { return owner.LeavesEnterToForm(); }

  // Gives back everything the container lent, in the reverse order.
  void ReleaseAll();

  // ---- IOleObject ------------------------------------------------------------------

  STDMETHODIMP SetClientSite(IOleClientSite* newSite) noexcept override;
  STDMETHODIMP GetClientSite(IOleClientSite** out) noexcept override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) noexcept override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** out) noexcept override;
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) noexcept override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) noexcept override;
  void Show();
  HRESULT ShowProperties();
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) noexcept override;
  STDMETHODIMP Update() noexcept override { return S_OK; }
  STDMETHODIMP IsUpToDate() noexcept override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) noexcept override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* out) noexcept override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) noexcept override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) noexcept override;
  HRESULT Holder();
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) noexcept override;
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) noexcept override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }

  // ---- IOleWindow, IOleInPlaceObject ---------------------------------------------

  STDMETHODIMP GetWindow(HWND* out) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() noexcept override;
  STDMETHODIMP UIDeactivate() noexcept override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept override;
  STDMETHODIMP ReactivateAndUndo() noexcept override { return INPLACE_E_NOTUNDOABLE; }

  // ---- IOleInPlaceActiveObject ---------------------------------------------------

  // The active object sees the container's keyboard messages first. Tab
  // and the keys that may be the container's accelerators (with Ctrl or
  // Alt, function keys) go to the site, which answers S_OK when it used
  // them; Tab and system keys left over return to the container for its
  // own navigation and menus. Everything else is Text1's: it is delivered
  // here, once, and the container is told it is done with.
  STDMETHODIMP TranslateAccelerator(LPMSG msg) noexcept override;
  // Whether the character of this key-down is already in the queue: a
  // container that translated the message before handing it over must not
  // get the character twice.
  static bool CharacterQueued(const MSG& keyDown);
  STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }

  // ---- IOleControl ------------------------------------------------------------------

  // The keys the control takes for itself while Text1 has the focus, so
  // that the form does not use them for its default and cancel buttons:
  // Escape always (back to the previous field), Enter (with or without
  // Shift) while it moves to the next field. The control has no caption,
  // so these are its only keys.
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) noexcept override;
  // A key of the table: the control's only while Text1 has the focus, and
  // then it goes to Text1 as TranslateAccelerator would deliver it.
  STDMETHODIMP OnMnemonic(MSG* msg) noexcept override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) noexcept override;
  STDMETHODIMP FreezeEvents(BOOL freeze) noexcept override;

  // ---- IViewObject, IViewObject2, IViewObjectEx -----------------------------------

  STDMETHODIMP Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** palette) noexcept override;
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* cookie) noexcept override;
  STDMETHODIMP Unfreeze(DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) noexcept override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) noexcept override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept override;
  HRESULT IOleObject_GetExtent(DWORD aspect, SIZEL* size) { return static_cast<IOleObject*>(this)->GetExtent(aspect, size); }
  STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) noexcept override;
  STDMETHODIMP GetViewStatus(DWORD* status) noexcept override;
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT where, LONG, DWORD* result) noexcept override;
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT probe, LONG, DWORD* result) noexcept override;
  STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) noexcept override;

  // ---- IQuickActivate -------------------------------------------------------------

  // One call instead of the usual series at creation: the site with its
  // ambient properties, the view sink, and the container's event and
  // property-change sinks. The stored properties come after it (IPersist*),
  // as they would after SetClientSite.
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) noexcept override;
  STDMETHODIMP SetContentExtent(LPSIZEL size) noexcept override;
  STDMETHODIMP GetContentExtent(LPSIZEL size) noexcept override;
};

}  // namespace velmora::win32
