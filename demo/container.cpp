#include "container.h"

#include <atomic>
#include <new>
#include <utility>

#include "com/com_object.h"
#include "com/handles.h"
#include "form_bag.h"

namespace velmora::demo {

// The screen's logical resolution is fixed for a session, and reading it
// takes a screen DC, a trip to the window server under wine: it is read on
// first use and kept, as form engines do, rather than for every control.
// Threads racing the first read all store the same figures.
namespace {
std::atomic<int> g_dpiX{0}, g_dpiY{0};
}  // namespace

int ScreenDpi(bool horizontal) {
  std::atomic<int>& kept = horizontal ? g_dpiX : g_dpiY;
  int dpi = kept.load(std::memory_order_relaxed);
  if (dpi > 0) return dpi;
  const win32::WindowDc dc;
  dpi = GetDeviceCaps(dc.get(), horizontal ? LOGPIXELSX : LOGPIXELSY);
  if (dpi <= 0) dpi = 96;
  kept.store(dpi, std::memory_order_relaxed);
  return dpi;
}

namespace {

constexpr LCID kItalian = MAKELCID(MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN), SORT_DEFAULT);

// HIMETRIC (0.01 mm) and pixels of the screen.
LONG PixelsToHimetric(LONG pixels, int dpi) { return MulDiv(pixels, 2540, dpi); }
LONG HimetricToPixels(LONG himetric, int dpi) { return MulDiv(himetric, dpi, 2540); }
using win32::EntryAs;
using win32::HostComBase;
using win32::InterfaceEntry;
using win32::QueryInterfaceFromTable;

// ---------------------------------------------------------------------------
// The in-place frame

class FormFrameObject final : public HostComBase<FormFrameObject, IOleInPlaceFrame> {
 public:
  FormFrameObject(HWND window, HACCEL accelerators) : window_(window), accelerators_(accelerators) {}

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    using F = FormFrameObject;
    const InterfaceEntry table[] = {EntryAs<F, IOleInPlaceFrame>(IID_IOleInPlaceFrame),
                                    EntryAs<F, IOleInPlaceFrame>(IID_IOleWindow),
                                    EntryAs<F, IOleInPlaceFrame>(IID_IOleInPlaceUIWindow)};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }

  STDMETHODIMP GetWindow(HWND* hwnd) noexcept override {
    if (!hwnd) return E_POINTER;
    *hwnd = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  // The form has no toolbars to give up room for.
  STDMETHODIMP GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) noexcept override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) noexcept override {
    return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
  }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) noexcept override {
    active_ = active;
    return S_OK;
  }
  // Controls bring no menus of their own; the form keeps its own.
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) noexcept override {
    if (widths) ZeroMemory(widths, sizeof *widths);
    return S_OK;
  }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) noexcept override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD) noexcept override {
    return msg && accelerators_ && ::TranslateAcceleratorW(window_, accelerators_, msg) ? S_OK : S_FALSE;
  }

  IOleInPlaceActiveObject* active() const { return active_.Get(); }

 private:
  HWND window_;
  HACCEL accelerators_;
  ComPtr<IOleInPlaceActiveObject> active_;
};

// ---------------------------------------------------------------------------
// The event sink: one per control, connected to its default source
// interface; it names each event from the control's type information.

class EventSink final : public HostComBase<EventSink, IDispatch> {
 public:
  EventSink(REFIID events, ComPtr<ITypeInfo> info, SiteHost* host, std::string field)
      : events_(events), info_(std::move(info)), host_(host), field_(std::move(field)) {}

  void Disconnect() { host_ = nullptr; }

  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    const InterfaceEntry table[] = {EntryAs<EventSink, IDispatch>(IID_IDispatch), EntryAs<EventSink, IDispatch>(events_)};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override {
    if (!host_) return S_OK;
    try {
      std::string name = "evento " + std::to_string(id);
      if (info_) {
        BSTR names[1] = {nullptr};
        UINT count = 0;
        if (SUCCEEDED(info_->GetNames(id, names, 1, &count)) && count == 1) {
          name = Narrow(std::wstring(names[0], SysStringLen(names[0])));
          SysFreeString(names[0]);
        }
      }
      host_->EventFired(field_, name);
    } catch (...) {
      // The control is told nothing: an event is a notification.
    }
    return S_OK;
  }

 private:
  IID events_;
  ComPtr<ITypeInfo> info_;
  SiteHost* host_;
  std::string field_;
};

// The control's default event interface and its type information, from
// the class information the control publishes.
HRESULT FindEventInterface(IUnknown* control, IID* iid, ComPtr<ITypeInfo>* info) {
  ComPtr<IProvideClassInfo> classInfo;
  HRESULT hr = control->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(classInfo.GetAddressOf()));
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> coclass;
  hr = classInfo->GetClassInfo(coclass.GetAddressOf());
  if (FAILED(hr)) return hr;
  TYPEATTR* attr = nullptr;
  hr = coclass->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const UINT count = attr->cImplTypes;
  coclass->ReleaseTypeAttr(attr);
  for (UINT k = 0; k < count; ++k) {
    INT flags = 0;
    if (FAILED(coclass->GetImplTypeFlags(k, &flags))) continue;
    if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
      continue;
    HREFTYPE ref = 0;
    hr = coclass->GetRefTypeOfImplType(k, &ref);
    if (SUCCEEDED(hr)) hr = coclass->GetRefTypeInfo(ref, info->ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    TYPEATTR* events = nullptr;
    hr = (*info)->GetTypeAttr(&events);
    if (FAILED(hr)) return hr;
    *iid = events->guid;
    (*info)->ReleaseTypeAttr(events);
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

}  // namespace

IOleInPlaceFrame* NewFormFrame(HWND window, HACCEL accelerators) {
  return FormFrameObject::New(window, accelerators);
}

IOleInPlaceActiveObject* FrameActiveObject(IOleInPlaceFrame* frame) {
  return frame ? static_cast<FormFrameObject*>(frame)->active() : nullptr;
}

bool PreTranslateFormMessage(HWND form, IOleInPlaceFrame* frame, HACCEL accelerators, MSG& msg) {
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    if (IOleInPlaceActiveObject* active = FrameActiveObject(frame))
      if (active->TranslateAccelerator(&msg) == S_OK) return true;
  }
  if (accelerators && TranslateAcceleratorW(form, accelerators, &msg)) return true;
  return IsDialogMessageW(form, &msg) != FALSE;
}

// ---------------------------------------------------------------------------
// The site

struct ControlSite::Impl final
    : public HostComBase<ControlSite::Impl, IOleClientSite, IOleInPlaceSiteEx, IOleControlSite, IDispatch> {
  Impl(SiteHost& h, std::string n) : host(h), name(std::move(n)) {}

  SiteHost& host;
  std::string name;
  RECT rect{};
  ComPtr<IOleObject> object;
  ComPtr<IOleInPlaceObject> inPlace;
  win32::ConnectionAdvise events;  // the sink's connection, undone on Close
  EventSink* sink = nullptr;
  bool inPlaceActive = false;
  bool uiActive = false;

  // ---- IUnknown
  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    using S = ControlSite::Impl;
    const InterfaceEntry table[] = {
        EntryAs<S, IOleClientSite>(IID_IOleClientSite),   EntryAs<S, IOleInPlaceSiteEx>(IID_IOleWindow),
        EntryAs<S, IOleInPlaceSiteEx>(IID_IOleInPlaceSite), EntryAs<S, IOleInPlaceSiteEx>(IID_IOleInPlaceSiteEx),
        EntryAs<S, IOleControlSite>(IID_IOleControlSite), EntryAs<S, IDispatch>(IID_IDispatch)};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }

  // ---- IOleClientSite
  STDMETHODIMP SaveObject() noexcept override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) noexcept override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() noexcept override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

  // ---- IOleWindow / IOleInPlaceSite(Ex)
  STDMETHODIMP GetWindow(HWND* hwnd) noexcept override {
    if (!hwnd) return E_POINTER;
    *hwnd = host.Window();
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() noexcept override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() noexcept override {
    inPlaceActive = true;
    if (object && !inPlace)
      object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inPlace.GetAddressOf()));
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() noexcept override {
    host.UIActivating(owner);
    uiActive = true;
    return S_OK;
  }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) noexcept override {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = host.Frame();
    (*frame)->AddRef();
    *doc = nullptr;  // the form is its own document window
    *pos = rect;
    GetClientRect(host.Window(), clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = host.Window();
    info->haccel = host.Accelerators();
    info->cAccelEntries = info->haccel ? CopyAcceleratorTableW(info->haccel, nullptr, 0) : 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) noexcept override {
    uiActive = false;
    host.UIDeactivated(owner);
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivate() noexcept override {
    inPlaceActive = false;
    inPlace.Reset();
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() noexcept override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() noexcept override {
    return inPlace ? inPlace->UIDeactivate() : S_OK;
  }
  STDMETHODIMP OnPosRectChange(LPCRECT pos) noexcept override {
    if (!pos) return E_POINTER;
    rect = *pos;
    if (!inPlace) return S_OK;
    RECT clip;
    GetClientRect(host.Window(), &clip);
    return inPlace->SetObjectRects(&rect, &clip);
  }
  STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD) noexcept override {
    if (noRedraw) *noRedraw = FALSE;
    return OnInPlaceActivate();
  }
  STDMETHODIMP OnInPlaceDeactivateEx(BOOL) noexcept override { return OnInPlaceDeactivate(); }
  STDMETHODIMP RequestUIActivate() noexcept override { return S_OK; }

  // ---- IOleControlSite
  STDMETHODIMP OnControlInfoChanged() noexcept override { return S_OK; }
  STDMETHODIMP LockInPlaceActive(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** disp) noexcept override {
    if (disp) *disp = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept override {
    if (!himetric || !container) return E_POINTER;
    const int dx = ScreenDpi(true), dy = ScreenDpi(false);
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      container->x = static_cast<float>(HimetricToPixels(himetric->x, dx));
      container->y = static_cast<float>(HimetricToPixels(himetric->y, dy));
    } else {
      himetric->x = PixelsToHimetric(static_cast<LONG>(container->x), dx);
      himetric->y = PixelsToHimetric(static_cast<LONG>(container->y), dy);
    }
    return S_OK;
  }
  // The keys a control passes up (Ctrl, Alt and function keys) may be the
  // form's own commands: Ctrl+S saves, F4 opens the property page.
  STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD) noexcept override {
    HACCEL accelerators = host.Accelerators();
    if (msg && accelerators && ::TranslateAcceleratorW(host.Window(), accelerators, msg)) return S_OK;
    return S_FALSE;
  }
  STDMETHODIMP OnFocus(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP ShowPropertyFrame() noexcept override { return E_NOTIMPL; }  // the form shows it itself

  // ---- IDispatch: the ambient properties of the form
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) noexcept override {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    VariantInit(result);
    auto boolean = [&](bool value) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    };
    switch (id) {
      case DISPID_AMBIENT_USERMODE: return boolean(true);  // the form runs: no designer here
      case DISPID_AMBIENT_UIDEAD: return boolean(false);
      case DISPID_AMBIENT_SHOWGRABHANDLES:
      case DISPID_AMBIENT_MESSAGEREFLECT: return boolean(host.ReflectsMessages());
      case DISPID_AMBIENT_SHOWHATCHING:
      case DISPID_AMBIENT_SUPPORTSMNEMONICS: return boolean(false);
      case DISPID_AMBIENT_LOCALEID:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(kItalian);
        return S_OK;
      case DISPID_AMBIENT_BACKCOLOR:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(0x80000000u | COLOR_BTNFACE);
        return S_OK;
      case DISPID_AMBIENT_FORECOLOR:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(0x80000000u | COLOR_BTNTEXT);
        return S_OK;
      case DISPID_AMBIENT_DISPLAYNAME: {
        const std::wstring text = Widen(name);
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(text.c_str());
        return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
      }
      case DISPID_AMBIENT_FONT: {
        IFontDisp* font = nullptr;
        HRESULT hr = host.AmbientFont(&font);
        if (FAILED(hr)) return hr;
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = font;
        return S_OK;
      }
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

  ControlSite* owner = nullptr;
};

ControlSite::ControlSite(Impl* impl) : impl_(impl) { impl_->owner = this; }

ControlSite::~ControlSite() {
  Close();
  impl_->owner = nullptr;
  impl_->Release();
}

const std::string& ControlSite::name() const { return impl_->name; }
IOleObject* ControlSite::object() const { return impl_->object.Get(); }

HWND ControlSite::window() const {
  HWND hwnd = nullptr;
  if (impl_->inPlace) impl_->inPlace->GetWindow(&hwnd);
  return hwnd;
}

HRESULT ControlSite::Create(SiteHost& host, const std::string& name, REFCLSID clsid, IPropertyBag* bag,
                            const RECT& rect, std::unique_ptr<ControlSite>* out, const char** failedStep) {
  const char* unused = nullptr;
  const char*& step = failedStep ? *failedStep : unused;
  Impl* impl = nullptr;
  try {
    impl = Impl::New(host, name);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  std::unique_ptr<ControlSite> site(new ControlSite(impl));
  impl->rect = rect;

  step = "CoCreateInstance(IOleObject)";
  HRESULT hr = host.CreateControl(clsid, impl->object.GetAddressOf());
  if (FAILED(hr)) return hr;
  IOleObject* object = impl->object.Get();
  DWORD misc = 0;
  object->GetMiscStatus(DVASPECT_CONTENT, &misc);
  IOleClientSite* clientSite = static_cast<IOleClientSite*>(impl);
  const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  step = "IOleObject::SetClientSite";
  if (siteFirst && FAILED(hr = object->SetClientSite(clientSite))) return hr;

  step = bag ? "IPersistPropertyBag::Load" : "IPersistStreamInit::InitNew";
  if (bag) {
    ComPtr<IPersistPropertyBag> persist;
    hr = object->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(persist.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = persist->Load(bag, nullptr);
  } else {
    ComPtr<IPersistStreamInit> persist;
    hr = object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(persist.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = persist->InitNew();
    else hr = S_OK;  // a control with nothing to initialise
  }
  if (FAILED(hr)) return hr;

  object->SetHostNames(L"Velmora demo", Widen(name).c_str());
  SIZEL extent = {PixelsToHimetric(rect.right - rect.left, ScreenDpi(true)),
                  PixelsToHimetric(rect.bottom - rect.top, ScreenDpi(false))};
  object->SetExtent(DVASPECT_CONTENT, &extent);
  step = "IOleObject::SetClientSite";
  if (!siteFirst && FAILED(hr = object->SetClientSite(clientSite))) return hr;

  // Events: a sink on the control's default source interface.
  IID events{};
  ComPtr<ITypeInfo> eventInfo;
  if (SUCCEEDED(FindEventInterface(object, &events, &eventInfo))) {
    impl->sink = EventSink::New(events, eventInfo, &host, name);
    impl->events = win32::AdviseConnection(object, events, impl->sink);
    if (!impl->events) {
      impl->sink->Disconnect();
      impl->sink->Release();
      impl->sink = nullptr;
    }
  }

  RECT pos = rect;
  step = "IOleObject::DoVerb(OLEIVERB_INPLACEACTIVATE)";
  hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, host.Window(), &pos);
  if (FAILED(hr)) return hr;
  step = nullptr;
  *out = std::move(site);
  return S_OK;
}

HRESULT ControlSite::GetProperty(const wchar_t* name, VARIANT* value) const {
  ComPtr<IDispatch> disp;
  HRESULT hr = impl_->object ? impl_->object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(disp.GetAddressOf()))
                             : E_UNEXPECTED;
  if (FAILED(hr)) return hr;
  DISPID id = 0;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  hr = disp->GetIDsOfNames(IID_NULL, names, 1, kItalian, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none{};
  return disp->Invoke(id, IID_NULL, kItalian, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

HRESULT ControlSite::Save(IPropertyBag* bag) const {
  ComPtr<IPersistPropertyBag> persist;
  HRESULT hr = impl_->object ? impl_->object->QueryInterface(IID_IPersistPropertyBag,
                                                            reinterpret_cast<void**>(persist.GetAddressOf()))
                             : E_UNEXPECTED;
  if (FAILED(hr)) return hr;
  return persist->Save(bag, TRUE, TRUE);
}

HRESULT ControlSite::ShowPropertyFrame(HWND owner) const {
  ComPtr<ISpecifyPropertyPages> specify;
  HRESULT hr = impl_->object ? impl_->object->QueryInterface(IID_ISpecifyPropertyPages,
                                                            reinterpret_cast<void**>(specify.GetAddressOf()))
                             : E_UNEXPECTED;
  if (FAILED(hr)) return hr;
  CAUUID pages{};
  hr = specify->GetPages(&pages);
  if (FAILED(hr)) return hr;
  IUnknown* objects[1] = {impl_->object.Get()};
  const std::wstring caption = Widen(impl_->name);
  hr = OleCreatePropertyFrame(owner, 16, 16, caption.c_str(), 1, objects, pages.cElems, pages.pElems, kItalian, 0,
                              nullptr);
  CoTaskMemFree(pages.pElems);
  return hr;
}

HRESULT ControlSite::UIActivate() {
  if (!impl_->object) return E_UNEXPECTED;
  RECT pos = impl_->rect;
  return impl_->object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(impl_), 0,
                               impl_->host.Window(), &pos);
}

HRESULT ControlSite::UIDeactivate() {
  if (!impl_->uiActive || !impl_->inPlace) return S_OK;
  return impl_->inPlace->UIDeactivate();
}

void ControlSite::Close() {
  Impl& s = *impl_;
  if (!s.object) return;
  ComPtr<IOleObject> object = std::move(s.object);
  if (s.inPlace) {
    if (s.uiActive) s.inPlace->UIDeactivate();
    if (s.inPlace) s.inPlace->InPlaceDeactivate();
  }
  s.inPlace.Reset();
  s.events.reset();
  if (s.sink) {
    s.sink->Disconnect();
    s.sink->Release();
    s.sink = nullptr;
  }
  object->Close(OLECLOSE_NOSAVE);
  object->SetClientSite(nullptr);
}

}  // namespace velmora::demo
