// The embedding as an OLE object: the client site and its ambient
// properties, the verbs, the extent, the advise holder and closing; and
// OleEmbedding, the face the control object sees.
#include "embedding/embedding_impl.h"

#include "com/com_object.h"

#include <algorithm>
#include <cstring>

#include "velmora_h.h"

namespace velmora::win32 {

namespace {

constexpr wchar_t kFullUserType[] = L"TextBox Formattato";
constexpr wchar_t kAppName[] = L"Velmora";

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

// Each verb is handed out with its own copy of the name, which the caller
// frees; a missing count of fetched items is refused only for more than one.
struct VerbTraits : EnumeratorTraits<IEnumOLEVERB, OLEVERB, TableItems<VerbRow>, MissingFetched::kPointerAboveOne> {
  static bool Hand(const VerbRow& row, OLEVERB* out) noexcept {
    wchar_t* name = TaskMemoryString(row.name);
    if (!name) return false;
    *out = OLEVERB{row.verb, name, row.flags, row.attribs};
    return true;
  }
  static void TakeBack(OLEVERB& verb) noexcept { CoTaskMemFree(verb.lpszVerbName); }
};

}  // namespace

void OleEmbedding::Impl::ReadUserMode() {
  UniqueVariant value;
  if (SUCCEEDED(GetAmbientValue(DISPID_AMBIENT_USERMODE, value.put())) &&
      SUCCEEDED(VariantChangeType(value.get(), value.get(), 0, VT_BOOL)))
    userMode = value->boolVal != VARIANT_FALSE;
  else
    userMode = true;
}

HRESULT OleEmbedding::Impl::GetAmbientValue(DISPID id, VARIANT* value) {
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

void OleEmbedding::Impl::ApplyUserMode() {
  window.SetInputEnabled(userMode);
}

void OleEmbedding::Impl::SetSite(IOleClientSite* newSite) {
  site = newSite;
  controlSite.Reset();
  if (site) site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(controlSite.GetAddressOf()));
  ReadUserMode();
  ApplyUserMode();
}

void OleEmbedding::Impl::NotifyResized() {
  try {
    owner.Resized();
  } catch (...) {
    // The owner reports its own failures; a resize never fails the call.
  }
}

void OleEmbedding::Impl::ReleaseAll() {
  data.ReleaseSinks();
  InPlaceDeactivate_();
  viewSink.Reset();
  adviseHolder.Reset();
  controlSite.Reset();
  site.Reset();
}

STDMETHODIMP OleEmbedding::Impl::SetClientSite(IOleClientSite* newSite) noexcept {
  return HeldEdge([&] {
    if (!newSite) InPlaceDeactivate_();  // activation needs the site it came from
    SetSite(newSite);
    owner.ClientSiteChanged(newSite);
    return S_OK;
  }, IID_IOleObject);
}

STDMETHODIMP OleEmbedding::Impl::GetClientSite(IOleClientSite** out) noexcept {
  if (!out) return E_POINTER;
  *out = site.Get();
  if (*out) (*out)->AddRef();
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::Close(DWORD saveOption) noexcept {
  return HeldEdge([&] {
    if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && site) {
      ComPtr<IPersistStreamInit> persist;
      if (SUCCEEDED(Controlling()->QueryInterface(IID_IPersistStreamInit,
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

STDMETHODIMP OleEmbedding::Impl::GetMoniker(DWORD assign, DWORD which, IMoniker** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!site) return E_UNEXPECTED;
  return site->GetMoniker(assign, which, out);
}

STDMETHODIMP OleEmbedding::Impl::GetClipboardData(DWORD, IDataObject** out) noexcept {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP OleEmbedding::Impl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) noexcept {
  return HeldEdge([&]() -> HRESULT {
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
        window.Hide();
        hidden = true;
        return S_OK;
      case OLEIVERB_DISCARDUNDOSTATE:
        // Undo lives in Text1 alone.
        owner.DiscardUndo();
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

void OleEmbedding::Impl::Show() {
  window.Show();
  hidden = false;
}

HRESULT OleEmbedding::Impl::ShowProperties() {
  if (controlSite && controlSite->ShowPropertyFrame() == S_OK) return S_OK;
  ComPtr<ISpecifyPropertyPages> pages;
  HRESULT hr = Controlling()->QueryInterface(IID_ISpecifyPropertyPages,
                                             reinterpret_cast<void**>(pages.GetAddressOf()));
  if (FAILED(hr)) return E_NOTIMPL;
  CAUUID ids{};
  hr = pages->GetPages(&ids);
  if (FAILED(hr)) return hr;
  const UniqueTaskMemory<GUID> owned(ids.pElems);
  IUnknown* object = Controlling();
  HWND parent = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  return OleCreatePropertyFrame(parent, 0, 0, kEmbeddingObjectName, 1, &object, ids.cElems, ids.pElems,
                                LOCALE_USER_DEFAULT, 0, nullptr);
}

STDMETHODIMP OleEmbedding::Impl::EnumVerbs(IEnumOLEVERB** out) noexcept {
  return Enumerator<VerbTraits>::Create(kVerbs, out);
}

STDMETHODIMP OleEmbedding::Impl::GetUserClassID(CLSID* clsid) noexcept {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_VelmoraControl;
  return S_OK;
}

STDMETHODIMP OleEmbedding::Impl::GetUserType(DWORD form, LPOLESTR* out) noexcept {
  if (!out) return E_POINTER;
  const wchar_t* name = form == USERCLASSTYPE_SHORT     ? kEmbeddingObjectName
                        : form == USERCLASSTYPE_APPNAME ? kAppName
                                                        : kFullUserType;
  *out = TaskMemoryString(name);
  return *out ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP OleEmbedding::Impl::SetExtent(DWORD aspect, SIZEL* size) noexcept {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  return HeldEdge([&] {
    extent = *size;
    // While active, the container places the window with SetObjectRects;
    // before that the extent is the control's size.
    if (!inPlaceActive) {
      window.SetRect(RECT{0, 0, HimetricToPixels(extent.cx, false), HimetricToPixels(extent.cy, true)});
      NotifyResized();
    }
    LookChanged();
    return S_OK;
  }, IID_IOleObject);
}

STDMETHODIMP OleEmbedding::Impl::GetExtent(DWORD aspect, SIZEL* size) noexcept {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent;
  return S_OK;
}

HRESULT OleEmbedding::Impl::Holder() {
  if (adviseHolder) return S_OK;
  return CreateOleAdviseHolder(adviseHolder.GetAddressOf());
}

STDMETHODIMP OleEmbedding::Impl::Advise(IAdviseSink* sink, DWORD* cookie) noexcept {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_INVALIDARG;
  HRESULT hr = Holder();
  return FAILED(hr) ? hr : adviseHolder->Advise(sink, cookie);
}

STDMETHODIMP OleEmbedding::Impl::Unadvise(DWORD cookie) noexcept {
  if (!adviseHolder) return OLE_E_NOCONNECTION;
  return adviseHolder->Unadvise(cookie);
}

STDMETHODIMP OleEmbedding::Impl::EnumAdvise(IEnumSTATDATA** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  HRESULT hr = Holder();
  return FAILED(hr) ? hr : adviseHolder->EnumAdvise(out);
}

STDMETHODIMP OleEmbedding::Impl::GetMiscStatus(DWORD aspect, DWORD* status) noexcept {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kVelmoraMiscStatus : 0;
  return S_OK;
}

OleEmbedding::OleEmbedding(EmbeddingOwner& owner, ControlWindow& window) : impl_(new Impl(owner, window)) {}

OleEmbedding::~OleEmbedding() {
  ReleaseContainer();
  delete impl_;
}

HRESULT OleEmbedding::Find(REFIID riid, void** ppv) noexcept {
  using I = Impl;
  // IUnknown is the owner's to answer: the table's first row would take
  // the object's identity.
  if (IsEqualIID(riid, IID_IUnknown)) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // The picture lives in a member: its row is measured on this object.
  const auto dataOffset = reinterpret_cast<char*>(static_cast<IDataObject*>(&impl_->data)) -
                          reinterpret_cast<char*>(impl_);
  // Every facet AddRefs through the owner's outer unknown.
  const InterfaceEntry table[] = {
      EntryAs<I, IOleObject>(IID_IOleObject),
      // Both in-place interfaces derive from IOleWindow; either serves.
      EntryAs<I, IOleInPlaceObject>(IID_IOleWindow),
      EntryAs<I, IOleInPlaceObject>(IID_IOleInPlaceObject),
      EntryAs<I, IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject),
      EntryAs<I, IOleControl>(IID_IOleControl),
      EntryAs<I, IViewObjectEx>(IID_IViewObject),
      EntryAs<I, IViewObjectEx>(IID_IViewObject2),
      EntryAs<I, IViewObjectEx>(IID_IViewObjectEx),
      EntryAs<I, IQuickActivate>(IID_IQuickActivate),
      {&IID_IDataObject, dataOffset},
  };
  return QueryInterfaceFromTable(impl_, table, riid, ppv);
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
