// The control's OLE embedding: IOleObject, in-place activation, keyboard
// hand-over, ambient properties, the view object and quick activation.
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
#include "ole_embedding.h"


#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "control/velmora_control.h"
#include "control_window.h"
#include "data_object.h"
#include "edit_textbox.h"
#include "registration.h"
#include "velmora_h.h"

namespace velmora::win32 {

// GetMiscStatus must answer what the registry says of the class.
static_assert(kVelmoraMiscStatus == kVelmoraControlMiscStatus);

namespace {

constexpr wchar_t kObjectName[] = L"VelmoraControl";
constexpr wchar_t kFullUserType[] = L"TextBox Formattato";
constexpr wchar_t kAppName[] = L"Velmora";
// The modifier bits of IOleControlSite::TranslateAccelerator.
constexpr DWORD kKeyModShift = 1, kKeyModControl = 2, kKeyModAlt = 4;

LONG HimetricToPixels(LONG himetric, bool vertical) {
  const ScreenDpi dpi = CurrentScreenDpi();
  return MulDiv(himetric, vertical ? dpi.y : dpi.x, 2540);
}
LONG PixelsToHimetric(LONG pixels, bool vertical) {
  const ScreenDpi dpi = CurrentScreenDpi();
  return MulDiv(pixels, 2540, vertical ? dpi.y : dpi.x);
}

DWORD KeyModifiers() {
  const ModifierKeys held = HeldModifierKeys();
  DWORD mods = 0;
  if (held.shift) mods |= kKeyModShift;
  if (held.control) mods |= kKeyModControl;
  if (held.alt) mods |= kKeyModAlt;
  return mods;
}

wchar_t* TaskString(const wchar_t* text) {
  const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  if (copy) std::memcpy(copy, text, bytes);
  return copy;
}

// The verbs a container may offer: the primary verb (activate for editing)
// and the property pages on its menu; the other negative verbs are
// understood but never shown.
struct VerbRow {
  LONG verb;
  const wchar_t* name;
  DWORD flags;
  DWORD attribs;
};
const VerbRow kVerbs[] = {
    {OLEIVERB_PRIMARY, L"&Modifica", MF_STRING, OLEVERBATTRIB_ONCONTAINERMENU},
    {OLEIVERB_PROPERTIES, L"&Proprietà...", MF_STRING, OLEVERBATTRIB_ONCONTAINERMENU},
    {OLEIVERB_SHOW, L"", 0, 0},
    {OLEIVERB_INPLACEACTIVATE, L"", 0, 0},
    {OLEIVERB_UIACTIVATE, L"", 0, 0},
    {OLEIVERB_HIDE, L"", 0, 0},
};

class VerbEnumerator final : public IEnumOLEVERB {
 public:
  explicit VerbEnumerator(std::size_t at = 0) : at_(at) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    const InterfaceEntry table[] = {Entry<VerbEnumerator, IEnumOLEVERB>()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return refs_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG left = refs_.Release();
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Next(ULONG count, OLEVERB* verbs, ULONG* fetched) noexcept override {
    if (!verbs || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && at_ < std::size(kVerbs)) {
      const VerbRow& row = kVerbs[at_];
      wchar_t* name = TaskString(row.name);
      if (!name) {
        for (ULONG i = 0; i < done; ++i) CoTaskMemFree(verbs[i].lpszVerbName);
        if (fetched) *fetched = 0;
        at_ -= done;
        return E_OUTOFMEMORY;
      }
      verbs[done] = OLEVERB{row.verb, name, row.flags, row.attribs};
      ++done;
      ++at_;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) noexcept override {
    const std::size_t left = std::size(kVerbs) - at_;
    at_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() noexcept override {
    at_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumOLEVERB** out) noexcept override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) VerbEnumerator(at_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~VerbEnumerator() = default;
  ModuleReference module_;
  RefCount refs_;
  std::size_t at_;
};

}  // namespace

// The embedding's interfaces on one object without an identity of its own:
// IUnknown goes to the owner.
struct OleEmbedding::Impl final : public IOleObject,
                                  public IOleInPlaceObject,
                                  public IOleInPlaceActiveObject,
                                  public IOleControl,
                                  public IViewObjectEx,
                                  public IQuickActivate,
                                  public ControlWindow::Listener {
  explicit Impl(EmbeddingOwner& o) : owner(o), data(o) {
    // A dialog-style container asks Text1 which keys it wants: the same
    // answer as GetControlInfo's.
    owner.Text1Box().setClaimsEnter([this] { return !LeavesEnterToForm(); });
  }
  ~Impl() {
    for (HACCEL& table : keyTables)
      if (table) DestroyAcceleratorTable(table);
  }

  EmbeddingOwner& owner;
  DataObjectFacet data;
  // GetControlInfo's key tables, made when first asked, by whether Enter
  // is left to the form (0: the control's, 1: the form's). Both live as
  // long as the control: a container may keep the one it was given.
  HACCEL keyTables[2] = {};
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
  bool listening = false;  // set as the control window's listener
  long frozen = 0;  // FreezeEvents nesting

  IOleInPlaceActiveObject* ActiveObject() { return static_cast<IOleInPlaceActiveObject*>(this); }

  // ---- IUnknown: the owner's identity ---------------------------------------
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    return owner.OuterUnknown()->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return owner.OuterUnknown()->AddRef(); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return owner.OuterUnknown()->Release(); }

  // ---- helpers ---------------------------------------------------------------

  // Keeps the object alive across a call that hands control to the
  // container, which may release its last reference meanwhile.
  ComPtr<IUnknown> KeepAlive() { return ComPtr<IUnknown>(owner.OuterUnknown()); }

  // Text1's EDIT, the usual target, is checked first: IsChild walks the
  // window tree, a trip to the window server under wine, for every key.
  bool IsOurs(HWND target) const {
    return hwnd && target && (target == hwnd || target == owner.Text1Box().hwnd() || IsChild(hwnd, target));
  }

  void ReadUserMode() {
    UniqueVariant value;
    if (SUCCEEDED(GetAmbientValue(DISPID_AMBIENT_USERMODE, value.put())) &&
        SUCCEEDED(VariantChangeType(value.get(), value.get(), 0, VT_BOOL)))
      userMode = value->boolVal != VARIANT_FALSE;
    else
      userMode = true;
  }

  HRESULT GetAmbientValue(DISPID id, VARIANT* value) {
    VariantInit(value);
    if (!site) return E_UNEXPECTED;
    ComPtr<IDispatch> ambients;
    HRESULT hr = site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambients.GetAddressOf()));
    if (FAILED(hr)) return hr;
    DISPPARAMS none{};
    hr = ambients->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
    if (FAILED(hr)) VariantClear(value);
    return hr;
  }

  // In design mode the control's window takes no input: the designer, not
  // the user, works with the control. Text1's own Enabled is left alone.
  void ApplyUserMode() {
    if (hwnd && IsWindow(hwnd)) EnableWindow(hwnd, userMode ? TRUE : FALSE);
  }

  void SetSite(IOleClientSite* newSite) {
    site = newSite;
    controlSite.Reset();
    if (site) site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(controlSite.GetAddressOf()));
    ReadUserMode();
    ApplyUserMode();
  }

  void NotifyResized() {
    try {
      owner.Resized();
    } catch (...) {
      // The owner reports its own failures; a resize never fails the call.
    }
  }

  // ---- activation --------------------------------------------------------------

  // ---- ControlWindow::Listener ---------------------------------------------------

  void ChildFocusChanged(bool gained) override { OnText1Focus(gained); }
  void WindowDestroyed() override {
    // Destroyed from outside (the container's window went first).
    listening = false;
    hwnd = nullptr;
  }

  // Text1 got or lost the focus, by a click, a Tab or a call: a control
  // that gets the focus becomes the UI-active object, so the container
  // routes its keys through TranslateAccelerator, and the container hears
  // of every focus change.
  void OnText1Focus(bool gained) {
    if (!inPlaceActive) return;
    if (gained && !uiActive && !activating) UIActivate(false);
    if (controlSite) controlSite->OnFocus(gained ? TRUE : FALSE);
  }

  HRESULT InPlaceActivate(IOleClientSite* activeSite) {
    if (inPlaceActive) return S_OK;
    IOleClientSite* from = activeSite ? activeSite : site.Get();
    if (!from) return E_UNEXPECTED;
    ComPtr<IOleInPlaceSite> ips;
    HRESULT hr = from->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(ips.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = ips->CanInPlaceActivate();
    if (hr != S_OK) return FAILED(hr) ? hr : OLE_E_NOT_INPLACEACTIVE;
    // A container that loaded nothing and did not call InitNew still gets
    // a control with its new-instance settings before it is shown.
    hr = owner.EnsureInitialized();
    if (FAILED(hr)) return hr;

    ComPtr<IOleInPlaceSiteEx> ex;
    ips->QueryInterface(IID_IOleInPlaceSiteEx, reinterpret_cast<void**>(ex.GetAddressOf()));
    if (ex) {
      BOOL noRedraw = FALSE;
      hr = ex->OnInPlaceActivateEx(&noRedraw, 0);
    } else {
      hr = ips->OnInPlaceActivate();
    }
    if (FAILED(hr)) return hr;
    inPlaceSite = ips;
    inPlaceSiteEx = ex;
    inPlaceActive = true;

    HWND parent = nullptr;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    hr = ips->GetWindow(&parent);
    if (SUCCEEDED(hr) && !parent) hr = E_UNEXPECTED;
    if (SUCCEEDED(hr))
      hr = ips->GetWindowContext(frame.ReleaseAndGetAddressOf(), docWindow.ReleaseAndGetAddressOf(), &pos, &clip,
                                 &frameInfo);
    if (SUCCEEDED(hr)) {
      hr = ComEdge([&] {
        ControlWindow& window = owner.Window();
        window.SetParentWindow(parent);
        hwnd = window.hwnd();
        return S_OK;
      });
    }
    if (FAILED(hr)) {
      InPlaceDeactivate_();
      return hr;
    }
    owner.Window().SetListener(this);
    listening = true;
    ApplyUserMode();
    SetRects(pos, clip);
    owner.Window().Show();
    hidden = false;
    if (site) site->ShowObject();
    return S_OK;
  }

  HRESULT UIActivate(bool takeFocus) {
    if (!inPlaceActive) return OLE_E_NOT_INPLACEACTIVE;
    if (!uiActive) {
      activating = true;
      uiActive = true;
      HRESULT hr = inPlaceSite->OnUIActivate();
      if (FAILED(hr)) {
        uiActive = false;
        activating = false;
        return hr;
      }
      // The control has no menus and no tools: it takes no border space.
      if (frame) {
        frame->SetActiveObject(ActiveObject(), kObjectName);
        frame->SetBorderSpace(nullptr);
      }
      if (docWindow) {
        docWindow->SetActiveObject(ActiveObject(), kObjectName);
        docWindow->SetBorderSpace(nullptr);
      }
      activating = false;
    }
    if (takeFocus && hwnd && !IsOurs(GetFocus())) SetFocus(hwnd);  // the window hands it to Text1
    return S_OK;
  }

  void UIDeactivate_() {
    if (!uiActive) return;
    uiActive = false;
    if (docWindow) docWindow->SetActiveObject(nullptr, nullptr);
    if (frame) frame->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite) inPlaceSite->OnUIDeactivate(FALSE);
  }

  void InPlaceDeactivate_() {
    if (!inPlaceActive) return;
    UIDeactivate_();
    inPlaceActive = false;
    if (hwnd && IsWindow(hwnd)) {
      SetWindowRgn(hwnd, nullptr, FALSE);
      EnableWindow(hwnd, TRUE);
      try {
        owner.Window().SetParentWindow(nullptr);  // hidden, out of the container's window
      } catch (...) {
        ShowWindow(hwnd, SW_HIDE);
      }
    }
    if (listening) owner.Window().SetListener(nullptr);
    listening = false;
    hwnd = nullptr;
    ComPtr<IOleInPlaceSite> ips = std::move(inPlaceSite);
    ComPtr<IOleInPlaceSiteEx> ex = std::move(inPlaceSiteEx);
    frame.Reset();
    docWindow.Reset();
    if (ex)
      ex->OnInPlaceDeactivateEx(TRUE);
    else if (ips)
      ips->OnInPlaceDeactivate();
    // From now on the container shows the control through its view.
    LookChanged();
  }

  void SetRects(const RECT& pos, const RECT& clip) {
    const bool resized = pos.right - pos.left != posRect.right - posRect.left ||
                         pos.bottom - pos.top != posRect.bottom - posRect.top;
    posRect = pos;
    if (!hwnd) return;
    owner.Window().SetRect(pos);
    // Only the part inside the clip rectangle shows: the rest of the
    // control lies under the container's scroll edges or other windows.
    RECT visible{};
    IntersectRect(&visible, &pos, &clip);
    if (EqualRect(&visible, &pos)) {
      SetWindowRgn(hwnd, nullptr, TRUE);
    } else {
      OffsetRect(&visible, -pos.left, -pos.top);
      HRGN region = CreateRectRgnIndirect(&visible);
      if (region && !SetWindowRgn(hwnd, region, TRUE)) DeleteObject(region);
    }
    if (resized) {
      extent.cx = PixelsToHimetric(pos.right - pos.left, false);
      extent.cy = PixelsToHimetric(pos.bottom - pos.top, true);
      NotifyResized();
    }
  }

  void SendViewChange() {
    if (!viewSink || !(viewAspects & DVASPECT_CONTENT)) return;
    ComPtr<IAdviseSink> sink = viewSink;
    if (viewAdvf & ADVF_ONLYONCE) viewSink.Reset();
    sink->OnViewChange(DVASPECT_CONTENT, -1);
  }

  // The control looks different: its view and its picture are out of date.
  void LookChanged() {
    SendViewChange();
    data.DataChanged();
  }

  // With TastoInvio True, Enter does nothing in the control (the core
  // swallows it), so a form's default button may have it.
  bool LeavesEnterToForm() { return owner.Control().TastoInvio() != 0; }

  // Gives back everything the container lent, in the reverse order.
  void ReleaseAll() {
    data.ReleaseSinks();
    InPlaceDeactivate_();
    viewSink.Reset();
    adviseHolder.Reset();
    controlSite.Reset();
    site.Reset();
  }

  // ---- IOleObject ------------------------------------------------------------------

  STDMETHODIMP SetClientSite(IOleClientSite* newSite) noexcept override {
    return ComEdge([&] {
      auto keep = KeepAlive();
      if (!newSite) InPlaceDeactivate_();  // activation needs the site it came from
      SetSite(newSite);
      owner.ClientSiteChanged(newSite);
      return S_OK;
    }, IID_IOleObject);
  }
  STDMETHODIMP GetClientSite(IOleClientSite** out) noexcept override {
    if (!out) return E_POINTER;
    *out = site.Get();
    if (*out) (*out)->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) noexcept override {
    return ComEdge([&] {
      auto keep = KeepAlive();
      if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && site) {
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(owner.OuterUnknown()->QueryInterface(IID_IPersistStreamInit,
                                                           reinterpret_cast<void**>(persist.GetAddressOf()))) &&
            persist->IsDirty() == S_OK) {
          // Changes the container failed to save stay with an open control
          // rather than being thrown away by closing it.
          const HRESULT hr = site->SaveObject();
          if (FAILED(hr)) return hr;
        }
      }
      InPlaceDeactivate_();
      if (adviseHolder) adviseHolder->SendOnClose();
      viewSink.Reset();
      return S_OK;
    }, IID_IOleObject);
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!site) return E_UNEXPECTED;
    return site->GetMoniker(assign, which, out);
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) noexcept override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) noexcept override {
    return ComEdge([&]() -> HRESULT {
      auto keep = KeepAlive();
      switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_UIACTIVATE: {
          HRESULT hr = InPlaceActivate(activeSite);
          if (SUCCEEDED(hr) && hidden) Show();
          return SUCCEEDED(hr) ? UIActivate(true) : hr;
        }
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE: {
          HRESULT hr = InPlaceActivate(activeSite);
          if (SUCCEEDED(hr) && hidden) Show();
          return hr;
        }
        case OLEIVERB_HIDE:
          if (!inPlaceActive) return S_OK;
          UIDeactivate_();
          owner.Window().Hide();
          hidden = true;
          return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE:
          // Undo lives in Text1 alone.
          if (EditTextBox* box = &owner.Text1Box(); box->hwnd()) SendMessageW(box->hwnd(), EM_EMPTYUNDOBUFFER, 0, 0);
          return S_OK;
        case OLEIVERB_PROPERTIES:
          return ShowProperties();
        case OLEIVERB_OPEN:
          // Only ever edited in place: there is no window of its own to open.
          return E_NOTIMPL;
        default:
          if (verb < 0) return E_NOTIMPL;
          {
            // An unknown positive verb acts as the primary verb.
            HRESULT hr = InPlaceActivate(activeSite);
            if (SUCCEEDED(hr)) hr = UIActivate(true);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
          }
      }
    }, IID_IOleObject);
  }
  void Show() {
    owner.Window().Show();
    hidden = false;
  }
  HRESULT ShowProperties() {
    if (controlSite && controlSite->ShowPropertyFrame() == S_OK) return S_OK;
    ComPtr<ISpecifyPropertyPages> pages;
    HRESULT hr = owner.OuterUnknown()->QueryInterface(IID_ISpecifyPropertyPages,
                                                      reinterpret_cast<void**>(pages.GetAddressOf()));
    if (FAILED(hr)) return E_NOTIMPL;
    CAUUID ids{};
    hr = pages->GetPages(&ids);
    if (FAILED(hr)) return hr;
    IUnknown* object = owner.OuterUnknown();
    HWND parent = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    hr = OleCreatePropertyFrame(parent, 0, 0, kObjectName, 1, &object, ids.cElems, ids.pElems,
                                LOCALE_USER_DEFAULT, 0, nullptr);
    CoTaskMemFree(ids.pElems);
    return hr;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) noexcept override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) VerbEnumerator();
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP Update() noexcept override { return S_OK; }
  STDMETHODIMP IsUpToDate() noexcept override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) noexcept override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_VelmoraControl;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* out) noexcept override {
    if (!out) return E_POINTER;
    const wchar_t* name = form == USERCLASSTYPE_SHORT     ? kObjectName
                          : form == USERCLASSTYPE_APPNAME ? kAppName
                                                          : kFullUserType;
    *out = TaskString(name);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) noexcept override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
    return ComEdge([&] {
      auto keep = KeepAlive();
      extent = *size;
      // While active, the container places the window with SetObjectRects;
      // before that the extent is the control's size.
      if (!inPlaceActive) {
        ControlWindow& window = owner.Window();
        window.SetRect(RECT{0, 0, HimetricToPixels(extent.cx, false), HimetricToPixels(extent.cy, true)});
        NotifyResized();
      }
      LookChanged();
      return S_OK;
    }, IID_IOleObject);
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) noexcept override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent;
    return S_OK;
  }
  HRESULT Holder() {
    if (adviseHolder) return S_OK;
    return CreateOleAdviseHolder(adviseHolder.GetAddressOf());
  }
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) noexcept override {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_INVALIDARG;
    HRESULT hr = Holder();
    return FAILED(hr) ? hr : adviseHolder->Advise(sink, cookie);
  }
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override {
    if (!adviseHolder) return OLE_E_NOCONNECTION;
    return adviseHolder->Unadvise(cookie);
  }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = Holder();
    return FAILED(hr) ? hr : adviseHolder->EnumAdvise(out);
  }
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) noexcept override {
    if (!status) return E_POINTER;
    *status = aspect == DVASPECT_CONTENT ? kVelmoraMiscStatus : 0;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }

  // ---- IOleWindow, IOleInPlaceObject ---------------------------------------------

  STDMETHODIMP GetWindow(HWND* out) noexcept override {
    if (!out) return E_POINTER;
    *out = inPlaceActive ? hwnd : nullptr;
    return *out ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() noexcept override {
    return ComEdge([&] {
      auto keep = KeepAlive();
      InPlaceDeactivate_();
      return S_OK;
    }, IID_IOleInPlaceObject);
  }
  STDMETHODIMP UIDeactivate() noexcept override {
    return ComEdge([&] {
      auto keep = KeepAlive();
      UIDeactivate_();
      return S_OK;
    }, IID_IOleInPlaceObject);
  }
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept override {
    if (!pos || !clip) return E_INVALIDARG;
    return ComEdge([&] {
      auto keep = KeepAlive();
      SetRects(*pos, *clip);
      return S_OK;
    }, IID_IOleInPlaceObject);
  }
  STDMETHODIMP ReactivateAndUndo() noexcept override { return INPLACE_E_NOTUNDOABLE; }

  // ---- IOleInPlaceActiveObject ---------------------------------------------------

  // The active object sees the container's keyboard messages first. Tab
  // and the keys that may be the container's accelerators (with Ctrl or
  // Alt, function keys) go to the site, which answers S_OK when it used
  // them; Tab and system keys left over return to the container for its
  // own navigation and menus. Everything else is Text1's: it is delivered
  // here, once, and the container is told it is done with.
  STDMETHODIMP TranslateAccelerator(LPMSG msg) noexcept override {
    if (!msg) return E_INVALIDARG;
    if (!inPlaceActive || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !IsOurs(msg->hwnd))
      return S_FALSE;
    return ComEdge([&]() -> HRESULT {
      auto keep = KeepAlive();
      const UINT message = msg->message;
      const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
      const bool system = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR ||
                          message == WM_SYSDEADCHAR;
      const bool tab = (message == WM_KEYDOWN || message == WM_KEYUP) ? msg->wParam == VK_TAB
                                                                       : (message == WM_CHAR && msg->wParam == L'\t');
      // Enter that the control leaves to the form goes back to the
      // container (after the site had its look), whose dialog manager
      // gives it to the default button.
      const bool formsEnter = message == WM_KEYDOWN && msg->wParam == VK_RETURN && LeavesEnterToForm();
      if (down) {
        const DWORD mods = KeyModifiers();
        const bool functionKey = msg->wParam >= VK_F1 && msg->wParam <= VK_F24;
        if (tab || system || functionKey || formsEnter || (mods & (kKeyModControl | kKeyModAlt))) {
          if (controlSite && controlSite->TranslateAccelerator(msg, mods) == S_OK) return S_OK;
        }
      }
      if (tab || system || formsEnter) return S_FALSE;
      if (down && !CharacterQueued(*msg)) TranslateMessage(msg);
      DispatchMessageW(msg);
      return S_OK;
    }, IID_IOleInPlaceActiveObject);
  }
  // Whether the character of this key-down is already in the queue: a
  // container that translated the message before handing it over must not
  // get the character twice.
  static bool CharacterQueued(const MSG& keyDown) {
    const UINT charMsg = keyDown.message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    MSG queued{};
    return PeekMessageW(&queued, keyDown.hwnd, charMsg, charMsg, PM_NOREMOVE | PM_NOYIELD) &&
           ((queued.lParam >> 16) & 0x1FF) == ((keyDown.lParam >> 16) & 0x1FF);
  }
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
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) noexcept override {
    if (!info) return E_POINTER;
    const bool enterToForm = LeavesEnterToForm();
    HACCEL& table = keyTables[enterToForm ? 1 : 0];
    if (!table) {
      ACCEL keys[4];
      int count = 0;
      if (!enterToForm) {
        keys[count++] = ACCEL{FVIRTKEY, VK_RETURN, VK_RETURN};
        keys[count++] = ACCEL{FVIRTKEY | FSHIFT, VK_RETURN, VK_RETURN};
      }
      keys[count++] = ACCEL{FVIRTKEY, VK_ESCAPE, VK_ESCAPE};
      keys[count++] = ACCEL{FVIRTKEY | FSHIFT, VK_ESCAPE, VK_ESCAPE};
      table = CreateAcceleratorTableW(keys, count);
      if (!table) return E_OUTOFMEMORY;
    }
    info->cb = sizeof(CONTROLINFO);
    info->hAccel = table;
    info->cAccel = static_cast<USHORT>(CopyAcceleratorTableW(table, nullptr, 0));
    info->dwFlags = CTRLINFO_EATS_ESCAPE | (enterToForm ? 0 : CTRLINFO_EATS_RETURN);
    return S_OK;
  }
  // A key of the table: the control's only while Text1 has the focus, and
  // then it goes to Text1 as TranslateAccelerator would deliver it.
  STDMETHODIMP OnMnemonic(MSG* msg) noexcept override {
    if (!msg) return E_INVALIDARG;
    if (!inPlaceActive || !IsOurs(GetFocus())) return S_FALSE;
    MSG key = *msg;
    key.hwnd = owner.Text1Box().hwnd();
    return TranslateAccelerator(&key);
  }
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) noexcept override {
    return ComEdge([&] {
      auto keep = KeepAlive();
      if (id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) {
        ReadUserMode();
        ApplyUserMode();
      }
      owner.AmbientPropertyChanged(id);
      // Font and colours of the form show in a designer's drawing of the
      // control.
      LookChanged();
      return S_OK;
    }, IID_IOleControl);
  }
  STDMETHODIMP FreezeEvents(BOOL freeze) noexcept override {
    if (freeze)
      ++frozen;
    else if (frozen > 0)
      --frozen;
    return S_OK;
  }

  // ---- IViewObject, IViewObject2, IViewObjectEx -----------------------------------

  STDMETHODIMP Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept override {
    if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_DOCPRINT && aspect != DVASPECT_THUMBNAIL)
      return DV_E_DVASPECT;
    if (index != -1) return DV_E_LINDEX;
    if (!dc || !bounds) return E_INVALIDARG;
    return ComEdge([&] {
      EditTextBox& box = owner.Text1Box();
      TextBoxLook look;
      const std::u16string text = box.Text();
      look.text.assign(text.begin(), text.end());
      look.back = EditTextBox::ToColorRef(box.BackColor());
      look.fore = EditTextBox::ToColorRef(box.ForeColor());
      look.enabled = box.Enabled();
      HFONT hfont = nullptr;
      if (box.oleFont() && SUCCEEDED(box.oleFont()->font()->get_hFont(&hfont))) look.font = hfont;
      const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
      LONG pixelHeight = 0;
      RECT client{};
      if (GetClientRect(owner.Window().hwnd(), &client)) pixelHeight = client.bottom;
      if (pixelHeight <= 0) pixelHeight = HimetricToPixels(extent.cy, true);
      if (pixelHeight > 0) look.scale = std::abs(static_cast<double>(rect.bottom - rect.top)) / pixelHeight;
      PaintTextBoxLook(dc, rect, look);
      return S_OK;
    }, IID_IViewObject);
  }
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** palette) noexcept override {
    if (!palette) return E_POINTER;
    *palette = nullptr;
    return S_FALSE;  // drawn with plain colours, no palette
  }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* cookie) noexcept override {
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unfreeze(DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) noexcept override {
    auto keep = KeepAlive();
    viewSink = sink;
    viewAspects = sink ? aspects : 0;
    viewAdvf = sink ? advf : 0;
    if (sink && (advf & ADVF_PRIMEFIRST)) SendViewChange();
    return S_OK;
  }
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) noexcept override {
    if (aspects) *aspects = viewAspects;
    if (advf) *advf = viewAdvf;
    if (sink) {
      *sink = viewSink.Get();
      if (*sink) (*sink)->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept override {
    return IOleObject_GetExtent(aspect, size);
  }
  HRESULT IOleObject_GetExtent(DWORD aspect, SIZEL* size) { return static_cast<IOleObject*>(this)->GetExtent(aspect, size); }
  STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) noexcept override {
    if (!rect) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *rect = RECTL{0, 0, extent.cx, extent.cy};
    return S_OK;
  }
  STDMETHODIMP GetViewStatus(DWORD* status) noexcept override {
    if (!status) return E_POINTER;
    *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    return S_OK;
  }
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT where, LONG, DWORD* result) noexcept override {
    if (!bounds || !result) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *result = PtInRect(bounds, where) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT probe, LONG, DWORD* result) noexcept override {
    if (!bounds || !probe || !result) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    RECT common{};
    *result = IntersectRect(&common, bounds, probe) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) noexcept override {
    return E_NOTIMPL;  // any size the container chooses suits the control
  }

  // ---- IQuickActivate -------------------------------------------------------------

  // One call instead of the usual series at creation: the site with its
  // ambient properties, the view sink, and the container's event and
  // property-change sinks. The stored properties come after it (IPersist*),
  // as they would after SetClientSite.
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) noexcept override {
    if (!container || !control) return E_POINTER;
    if (container->cbSize < offsetof(QACONTAINER, pUndoMgr) || control->cbSize < sizeof(QACONTROL))
      return E_INVALIDARG;
    return ComEdge([&] {
      auto keep = KeepAlive();
      SetSite(container->pClientSite);
      if (container->dwAmbientFlags & QACONTAINER_USERMODE)
        userMode = true;
      else
        userMode = false;
      ApplyUserMode();
      owner.ClientSiteChanged(container->pClientSite);
      if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
      const ULONG size = control->cbSize;
      std::memset(control, 0, sizeof(QACONTROL));
      control->cbSize = std::min<ULONG>(size, sizeof(QACONTROL));
      control->dwMiscStatus = kVelmoraMiscStatus;
      control->dwViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
      // A sink the owner cannot take leaves its cookie 0: the container
      // sees that and may connect through the connection points itself.
      if (container->pPropertyNotifySink &&
          FAILED(owner.AdvisePropertyNotify(container->pPropertyNotifySink, &control->dwPropNotifyCookie)))
        control->dwPropNotifyCookie = 0;
      if (container->pUnkEventSink && FAILED(owner.AdviseEvents(container->pUnkEventSink, &control->dwEventCookie)))
        control->dwEventCookie = 0;
      return S_OK;
    }, IID_IQuickActivate);
  }
  STDMETHODIMP SetContentExtent(LPSIZEL size) noexcept override {
    return static_cast<IOleObject*>(this)->SetExtent(DVASPECT_CONTENT, size);
  }
  STDMETHODIMP GetContentExtent(LPSIZEL size) noexcept override {
    return static_cast<IOleObject*>(this)->GetExtent(DVASPECT_CONTENT, size);
  }
};

OleEmbedding::OleEmbedding(EmbeddingOwner& owner) : impl_(new Impl(owner)) {}

OleEmbedding::~OleEmbedding() {
  ReleaseContainer();
  impl_->owner.Text1Box().setClaimsEnter(nullptr);
  delete impl_;
}

HRESULT OleEmbedding::Find(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  Impl* self = impl_;
  void* found = nullptr;
  if (IsEqualIID(riid, IID_IOleObject))
    found = static_cast<IOleObject*>(self);
  else if (IsEqualIID(riid, IID_IOleWindow))
    found = static_cast<IOleWindow*>(static_cast<IOleInPlaceObject*>(self));
  else if (IsEqualIID(riid, IID_IOleInPlaceObject))
    found = static_cast<IOleInPlaceObject*>(self);
  else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
    found = static_cast<IOleInPlaceActiveObject*>(self);
  else if (IsEqualIID(riid, IID_IOleControl))
    found = static_cast<IOleControl*>(self);
  else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2) ||
           IsEqualIID(riid, IID_IViewObjectEx))
    found = static_cast<IViewObjectEx*>(self);
  else if (IsEqualIID(riid, IID_IQuickActivate))
    found = static_cast<IQuickActivate*>(self);
  else if (IsEqualIID(riid, IID_IDataObject))
    found = static_cast<IDataObject*>(&self->data);
  if (!found) return E_NOINTERFACE;
  self->owner.OuterUnknown()->AddRef();
  *ppv = found;
  return S_OK;
}

IOleClientSite* OleEmbedding::ClientSite() const noexcept { return impl_->site.Get(); }

HRESULT OleEmbedding::GetAmbient(DISPID id, VARIANT* value) noexcept {
  if (!value) return E_POINTER;
  return impl_->GetAmbientValue(id, value);
}

void OleEmbedding::ReleaseContainer() noexcept {
  try {
    impl_->ReleaseAll();
  } catch (...) {
    // Nothing may escape the owner's teardown.
  }
}

bool OleEmbedding::EventsFrozen() const noexcept { return impl_->frozen > 0; }
bool OleEmbedding::UserMode() const noexcept { return impl_->userMode; }
bool OleEmbedding::InPlaceActive() const noexcept { return impl_->inPlaceActive; }
bool OleEmbedding::UIActive() const noexcept { return impl_->uiActive; }

void OleEmbedding::ViewChanged() noexcept {
  try {
    impl_->LookChanged();
  } catch (...) {
  }
}

void OleEmbedding::ControlInfoChanged() noexcept {
  if (ComPtr<IOleControlSite> site = impl_->controlSite) site->OnControlInfoChanged();
}

}  // namespace velmora::win32
