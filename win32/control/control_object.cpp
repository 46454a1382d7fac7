// The control object VelmoraControl: identity, dispatch, class information,
// connection points, property pages and the container services the core
// control asks for. Persistence is in control_persistence.cpp.
#include "control/control_object.h"

#include "com/com_module.h"
#include "com/com_strings.h"
#include "typelib/module_types.h"

#include "core/errors.h"
#include "windows/ole_font.h"
#include "core/platform.h"
#include "windows/win32_platform.h"
#include "typelib/dispids.h"

namespace velmora::win32 {

namespace {

// The dispatch identifiers of the nine properties, by the names the core
// notifies them with (which are also their property-bag keys).
struct PropertyId {
  const char16_t* name;
  DISPID id;
};
constexpr PropertyId kProperties[] = {
    {u"MaxLength", DISPID_VELMORA_MAXLENGTH}, {u"DateValue", DISPID_VELMORA_DATEVALUE},
    {u"BackColor", DISPID_VELMORA_BACKCOLOR}, {u"Font", DISPID_VELMORA_FONT},
    {u"Enabled", DISPID_VELMORA_ENABLED},     {u"ForeColor", DISPID_VELMORA_FORECOLOR},
    {u"Text", DISPID_VELMORA_TEXT},           {u"Virgola", DISPID_VELMORA_VIRGOLA},
    {u"TastoInvio", DISPID_VELMORA_TASTOINVIO},
};

// The properties a property browser edits through the page Generale.
constexpr DISPID kGeneraleProperties[] = {DISPID_VELMORA_DATEVALUE, DISPID_VELMORA_MAXLENGTH, DISPID_VELMORA_VIRGOLA};

// The system's standard font and colour pages.
constexpr CLSID kStockFontPage = {0x7ebdaae0, 0x8120, 0x11cf, {0x89, 0x9f, 0x00, 0xaa, 0x00, 0x68, 0x8b, 0x10}};
constexpr CLSID kStockColorPage = {0x7ebdaae1, 0x8120, 0x11cf, {0x89, 0x9f, 0x00, 0xaa, 0x00, 0x68, 0x8b, 0x10}};

VARIANT_BOOL ToVariantBool(std::int16_t value) { return static_cast<VARIANT_BOOL>(value); }

// One platform for the whole module: every control beeps and sends keys
// the same way, and the core reaches it without knowing about Windows.
// Installed once, at the first creation on whichever thread, so that a
// program that installs a platform of its own later (a test) keeps it.
Win32Platform g_platform;
INIT_ONCE g_platformOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InstallWindowsPlatform(PINIT_ONCE, PVOID, PVOID*) {
  velmora::InstallPlatform(&g_platform);
  return TRUE;
}

void InstallWindowsPlatformOnce() { ::InitOnceExecuteOnce(&g_platformOnce, &InstallWindowsPlatform, nullptr, nullptr); }

// Whether id is one of the control's own members. The vtable view that
// IDispatch runs from also lists what it inherits (QueryInterface ...
// Invoke): those are no members of the dispatch interface.
bool IsMember(DISPID id) noexcept {
  for (const PropertyId& p : kProperties)
    if (id == p.id) return true;
  return false;
}

// Non-finite numbers convert to anything the platform likes (wine's
// coercion makes a colour or a length of NaN): they are no number, and a
// numeric property refuses them as out of range, as it refuses 40000 for
// MaxLength.
bool IsNumericProperty(DISPID id) noexcept {
  return id == DISPID_VELMORA_MAXLENGTH || id == DISPID_VELMORA_BACKCOLOR || id == DISPID_VELMORA_FORECOLOR;
}

bool IsFiniteArgument(const VARIANT& argument) noexcept {
  const VARIANT* v = &argument;
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) {
    v = V_VARIANTREF(v);
    if (v == nullptr) return true;
  }
  double value = 0;
  switch (V_VT(v)) {
    case VT_R8: value = V_R8(v); break;
    case VT_R4: value = V_R4(v); break;
    case VT_DATE: value = V_DATE(v); break;
    case VT_R8 | VT_BYREF: if (!V_R8REF(v)) return true; value = *V_R8REF(v); break;
    case VT_R4 | VT_BYREF: if (!V_R4REF(v)) return true; value = *V_R4REF(v); break;
    case VT_DATE | VT_BYREF: if (!V_DATEREF(v)) return true; value = *V_DATEREF(v); break;
    default: return true;
  }
  return value - value == 0;  // false for NaN and both infinities
}

// The argument a property put sets: the one named DISPID_PROPERTYPUT, else
// the last positional one (rgvarg runs backwards).
UINT ValueArgument(const DISPPARAMS& params) noexcept {
  for (UINT i = 0; i < params.cNamedArgs && params.rgdispidNamedArgs; ++i)
    if (params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) return i;
  return 0;
}

}  // namespace

DISPID PropertyDispid(const std::u16string& name) noexcept {
  for (const PropertyId& p : kProperties)
    if (name == p.name) return p.id;
  return DISPID_UNKNOWN;
}

// ---- Creation, identity ----------------------------------------------------

class ControlObject::FontWatch final : public ComBase<FontWatch, IPropertyNotifySink> {
 public:
  explicit FontWatch(ControlObject* owner) noexcept : owner_(owner) {}
  void Detach() noexcept { owner_ = nullptr; }

  STDMETHODIMP OnChanged(DISPID) noexcept override {
    if (owner_) {
      const ComPtr<IUnknown> keep = owner_->KeepAlive();  // the view sink may let the control go
      ++owner_->changes_;
      owner_->embedding_.ViewChanged();
    }
    return S_OK;
  }
  STDMETHODIMP OnRequestEdit(DISPID) noexcept override { return S_OK; }

 private:
  friend ComBase;
  ~FontWatch() = default;
  ControlObject* owner_;
};

void ControlObject::WatchFont() noexcept {
  UnwatchFont();
  // The default font is made on first need: until then there is nothing
  // to watch, and get_Font watches it when it hands it out.
  if (!text1_.HasFont()) return;
  try {
    auto font = std::dynamic_pointer_cast<OleFont>(control_.Font());
    if (!font) return;
    ComPtr<FontWatch> watch;
    *watch.ReleaseAndGetAddressOf() = FontWatch::New(this);  // New's reference, taken over
    fontAdvise_ = AdviseConnection(font->font(), IID_IPropertyNotifySink, watch.Get());
    if (fontAdvise_) fontWatch_ = std::move(watch);
  } catch (...) {
    // Without a watch the setters still mark the control dirty.
  }
}

void ControlObject::UnwatchFont() noexcept {
  fontAdvise_.reset();
  if (fontWatch_) fontWatch_->Detach();
  fontWatch_.Reset();
}

ControlObject::ControlObject(IUnknown* outer)
    : AggregatableComBase(outer),
      text1_(window_),
      control_(text1_, *this),
      events_(*this, DIID___VelmoraControl, true),
      propertyNotify_(*this, IID_IPropertyNotifySink, false),
      embedding_(*this),
      accessibility_(window_, text1_, control_, embedding_) {
  // Errors raised by Text1's event handlers inside its window procedure
  // have no caller to go back to: the key stays swallowed and the event
  // is over.
  text1_.setEventErrorHandler([](std::exception_ptr) {});
  // A dialog-style container asks Text1 which keys it wants: the same
  // answer as GetControlInfo's.
  text1_.setClaimsEnter([this] { return !LeavesEnterToForm(); });
}

ControlObject::~ControlObject() {
  UnwatchFont();
  embedding_.ReleaseContainer();
  text1_.setClaimsEnter(nullptr);
  events_.Clear();
  propertyNotify_.Clear();
  storage_.Reset();
}

HRESULT ControlObject::Create(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  ControlObject* object = nullptr;
  HRESULT hr = win32::ComEdge([&] {
    InstallWindowsPlatformOnce();
    object = ControlObject::New(outer);
    // The control runtime initialises every new instance at once, so a
    // client that never calls InitNew or Load (a script) still has the
    // date mask, the limit and a font.
    object->control_.UserControl_Initialize();
    object->WatchFont();
    object->cleanAt_ = object->changes_;
    // Messages reach the object through its windows as well as through its
    // interfaces: the window procedures hold it alive the same way. Not
    // before now: an aggregator still being made may not be counted yet.
    object->window_.SetLifetime(object->Controlling());
    object->window_.SetReflectionCheck(&ControlObject::ContainerReflects, object);
    object->text1_.setLifetime(object->Controlling());
    return S_OK;
  }, IID__VelmoraControl);
  if (FAILED(hr)) {
    if (object) object->Inner().Release();
    return hr;
  }
  hr = object->Inner().QueryInterface(riid, ppv);
  object->Inner().Release();
  return hr;
}

HRESULT ControlObject::FindInterface(REFIID riid, void** ppv) noexcept {
  using C = ControlObject;
  // Not static: a function-local static would be set up by the first
  // caller, and apartments on two threads may both be first.
  const InterfaceEntry table[] = {
      EntryAs<C, _VelmoraControl>(IID__VelmoraControl),
      EntryAs<C, _VelmoraControl>(IID_IDispatch),
      EntryAs<C, IProvideClassInfo2>(IID_IProvideClassInfo),
      EntryAs<C, IProvideClassInfo2>(IID_IProvideClassInfo2),
      EntryAs<C, IConnectionPointContainer>(IID_IConnectionPointContainer),
      EntryAs<C, IPersistStreamInit>(IID_IPersist),
      EntryAs<C, IPersistStreamInit>(IID_IPersistStreamInit),
      // IPersistStream's methods are the first five of IPersistStreamInit,
      // in the same order: one table of functions serves both.
      EntryAs<C, IPersistStreamInit>(IID_IPersistStream),
      EntryAs<C, IPersistStorage>(IID_IPersistStorage),
      EntryAs<C, IPersistPropertyBag>(IID_IPersistPropertyBag),
      EntryAs<C, ISpecifyPropertyPages>(IID_ISpecifyPropertyPages),
      EntryAs<C, IPerPropertyBrowsing>(IID_IPerPropertyBrowsing),
      EntryAs<C, ISupportErrorInfo>(IID_ISupportErrorInfo),
  };
  HRESULT hr = QueryInterfaceFromTable(this, table, riid, ppv);
  if (hr != E_NOINTERFACE) return hr;
  return embedding_.Find(riid, ppv);
}

// ---- IDispatch -------------------------------------------------------------

ITypeInfo& ControlObject::VtableTypeInfo() {
  // The dual interface's vtable view: ITypeInfo::Invoke calls the accessors
  // through it, and it knows their dispatch identifiers. The library's own
  // type library, embedded in the module: no registration needed, so an
  // unregistered copy works the same.
  if (!vtableInfo_) ThrowIfFailed(ModuleTypeInfo(ModuleType::ControlVtable, &vtableInfo_));
  return *vtableInfo_.Get();
}

STDMETHODIMP ControlObject::GetTypeInfoCount(UINT* count) noexcept {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP ControlObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return ModuleTypeInfo(ModuleType::ControlDispatch, info);
}

STDMETHODIMP ControlObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) noexcept {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  return win32::ComEdge([&] {
    const HRESULT hr = VtableTypeInfo().GetIDsOfNames(names, count, ids);
    if (SUCCEEDED(hr) && count > 0 && !IsMember(ids[0])) {
      for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    return hr;
  }, IID__VelmoraControl);
}

STDMETHODIMP ControlObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!IsMember(id)) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  if (params == nullptr) params = &none;
  // A handler of the event a setter raises may release the caller's last
  // reference: the object stays until this call is over.
  const ComPtr<IUnknown> keep = KeepAlive();
  return win32::ComEdge([&] {
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put && IsNumericProperty(id) && params->cArgs > 0 && params->rgvarg) {
      const UINT at = ValueArgument(*params);
      if (at < params->cArgs && !IsFiniteArgument(params->rgvarg[at])) {
        if (argError) *argError = at;
        return DISP_E_OVERFLOW;
      }
    }
    ITypeInfo& info = VtableTypeInfo();
    // The accessor sets rich error information; ITypeInfo::Invoke turns it
    // into the caller's EXCEPINFO with DISP_E_EXCEPTION.
    HRESULT hr = info.Invoke(static_cast<_VelmoraControl*>(this), id, flags, params, result, exception, argError);
    // Which argument did not fit is the caller's to know, whether or not
    // the platform's Invoke says.
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argError) *argError = ValueArgument(*params);
    // The colours are OLE_COLOR, an unsigned 32-bit type that scripting
    // clients cannot hold (VBScript answers "type not supported" for it):
    // late-bound callers get the same 32 bits as a signed long, the type
    // in which every automation client handles colours.
    if (SUCCEEDED(hr) && result != nullptr && V_VT(result) == VT_UI4) {
      const ULONG colour = V_UI4(result);
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(colour);
    }
    return hr;
  }, IID__VelmoraControl);
}

// ---- _VelmoraControl -------------------------------------------------------

STDMETHODIMP ControlObject::get_MaxLength(short* value) noexcept {
  if (value == nullptr) return E_POINTER;
  return ComEdge([&] {
    *value = control_.MaxLength();
    return S_OK;
  });
}

STDMETHODIMP ControlObject::put_MaxLength(short vNewValue) noexcept {
  return ComEdge([&] {
    control_.setMaxLength(vNewValue);
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_DateValue(VARIANT_BOOL* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = ToVariantBool(control_.DateValue());
  return S_OK;
}

STDMETHODIMP ControlObject::put_DateValue(VARIANT_BOOL vNewValue) noexcept {
  return ComEdge([&] {
    control_.setDateValue(vNewValue);
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_BackColor(OLE_COLOR* value) noexcept {
  if (value == nullptr) return E_POINTER;
  return ComEdge([&] {
    *value = control_.BackColor();
    return S_OK;
  });
}

STDMETHODIMP ControlObject::put_BackColor(OLE_COLOR New_BackColor) noexcept {
  return ComEdge([&] {
    control_.setBackColor(New_BackColor);
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_Font(IFontDisp** value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  return ComEdge([&] {
    // Text1's own font object, not a copy: a client that changes it
    // changes the control's font.
    *value = OleFont::From(control_.Font())->FontDisp().Detach();
    if (!fontWatch_) WatchFont();
    return S_OK;
  });
}

STDMETHODIMP ControlObject::putref_Font(IFontDisp* New_Font) noexcept {
  return ComEdge([&] {
    if (New_Font == nullptr) ThrowInvalidPropertyValue("Font");
    ComPtr<IFont> font;
    if (FAILED(New_Font->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.GetAddressOf()))))
      ThrowTypeMismatch("Font");
    control_.setFont(std::make_shared<OleFont>(std::move(font)));
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_Enabled(VARIANT_BOOL* value) noexcept {
  if (value == nullptr) return E_POINTER;
  return ComEdge([&] {
    *value = ToVariantBool(control_.Enabled());
    return S_OK;
  });
}

STDMETHODIMP ControlObject::put_Enabled(VARIANT_BOOL New_Enabled) noexcept {
  return ComEdge([&] {
    control_.setEnabled(New_Enabled);
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_ForeColor(OLE_COLOR* value) noexcept {
  if (value == nullptr) return E_POINTER;
  return ComEdge([&] {
    *value = control_.ForeColor();
    return S_OK;
  });
}

STDMETHODIMP ControlObject::put_ForeColor(OLE_COLOR New_ForeColor) noexcept {
  return ComEdge([&] {
    control_.setForeColor(New_ForeColor);
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_Text(BSTR* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  return ComEdge([&] {
    const std::u16string text = control_.Text();
    *value = UniqueBstr::FromWide(WideView(text))
                 .release();
    return S_OK;
  });
}

STDMETHODIMP ControlObject::put_Text(BSTR New_Text) noexcept {
  return ComEdge([&] {
    // A null BSTR is the empty string.
    control_.setText(ToU16(std::wstring_view(New_Text ? New_Text : L"", ::SysStringLen(New_Text))));
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_Virgola(VARIANT_BOOL* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = ToVariantBool(control_.Virgola());
  return S_OK;
}

STDMETHODIMP ControlObject::put_Virgola(VARIANT_BOOL New_Virgola) noexcept {
  return ComEdge([&] {
    control_.setVirgola(New_Virgola);
    return S_OK;
  });
}

STDMETHODIMP ControlObject::get_TastoInvio(VARIANT_BOOL* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = ToVariantBool(control_.TastoInvio());
  return S_OK;
}

STDMETHODIMP ControlObject::put_TastoInvio(VARIANT_BOOL New_TastoInvio) noexcept {
  return ComEdge([&] {
    control_.setTastoInvio(New_TastoInvio);
    return S_OK;
  });
}

// ---- IProvideClassInfo2 ----------------------------------------------------

STDMETHODIMP ControlObject::GetClassInfo(ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return ModuleTypeInfo(ModuleType::ControlClass, info);
}

STDMETHODIMP ControlObject::GetGUID(DWORD kind, GUID* guid) noexcept {
  if (guid == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = DIID___VelmoraControl;
  return S_OK;
}

// ---- IConnectionPointContainer ---------------------------------------------

STDMETHODIMP ControlObject::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept {
  if (points == nullptr) return E_POINTER;
  *points = nullptr;
  return win32::ComEdge([&] {
    return CreateConnectionPointEnumerator({ComPtr<IConnectionPoint>(&events_), ComPtr<IConnectionPoint>(&propertyNotify_)},
                                           points);
  }, IID__VelmoraControl);
}

STDMETHODIMP ControlObject::FindConnectionPoint(REFIID riid, IConnectionPoint** point) noexcept {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  for (ConnectionPoint* p : {&events_, &propertyNotify_}) {
    if (!IsEqualIID(riid, p->iid())) continue;
    p->AddRef();
    *point = p;
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

// ---- ISpecifyPropertyPages, IPerPropertyBrowsing, ISupportErrorInfo ---------

STDMETHODIMP ControlObject::GetPages(CAUUID* pages) noexcept {
  if (pages == nullptr) return E_POINTER;
  static const CLSID* const kPages[] = {&CLSID_Generale, &kStockFontPage, &kStockColorPage};
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID) * std::size(kPages)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  for (const CLSID* page : kPages) pages->pElems[pages->cElems++] = *page;
  return S_OK;
}

STDMETHODIMP ControlObject::GetDisplayString(DISPID, BSTR* text) noexcept {
  if (text == nullptr) return E_POINTER;
  *text = nullptr;
  return E_NOTIMPL;  // the browser shows the values as they are
}

STDMETHODIMP ControlObject::MapPropertyToPage(DISPID id, CLSID* page) noexcept {
  if (page == nullptr) return E_POINTER;
  for (DISPID mapped : kGeneraleProperties) {
    if (id != mapped) continue;
    *page = CLSID_Generale;
    return S_OK;
  }
  *page = CLSID_NULL;
  return PERPROP_E_NOPAGEAVAILABLE;
}

STDMETHODIMP ControlObject::GetPredefinedStrings(DISPID, CALPOLESTR* strings, CADWORD* cookies) noexcept {
  if (strings == nullptr || cookies == nullptr) return E_POINTER;
  strings->cElems = 0;
  strings->pElems = nullptr;
  cookies->cElems = 0;
  cookies->pElems = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlObject::GetPredefinedValue(DISPID, DWORD, VARIANT* value) noexcept {
  if (value == nullptr) return E_POINTER;
  ::VariantInit(value);
  return E_NOTIMPL;
}

STDMETHODIMP ControlObject::InterfaceSupportsErrorInfo(REFIID riid) noexcept {
  static const IID* const kWithErrorInfo[] = {&IID__VelmoraControl, &IID_IDispatch, &IID_IPersistStreamInit,
                                              &IID_IPersistStream, &IID_IPersistStorage, &IID_IPersistPropertyBag};
  for (const IID* iid : kWithErrorInfo)
    if (IsEqualIID(riid, *iid)) return S_OK;
  return S_FALSE;
}

// ---- EmbeddingOwner --------------------------------------------------------

void ControlObject::DiscardUndo() {
  // Undo lives in Text1 alone.
  if (text1_.hwnd()) ::SendMessageW(text1_.hwnd(), EM_EMPTYUNDOBUFFER, 0, 0);
}

TextBoxLook ControlObject::Look() {
  TextBoxLook look;
  look.text = ToWide(text1_.Text());
  look.back = EditTextBox::ToColorRef(text1_.BackColor());
  look.fore = EditTextBox::ToColorRef(text1_.ForeColor());
  look.enabled = text1_.Enabled();
  HFONT hfont = nullptr;
  if (text1_.oleFont() && SUCCEEDED(text1_.oleFont()->font()->get_hFont(&hfont))) look.font = hfont;
  return look;
}

void ControlObject::ClientSiteChanged(IOleClientSite*) {
  // Ambient properties are read through the embedding when they are
  // needed (the ambient font at saving and loading); nothing is cached.
}

HRESULT ControlObject::EnsureInitialized() {
  const HRESULT hr = initialized_ ? S_OK : InitNew();
  loadMayFollow_ = false;  // shown on a form: a Load now would mix two starts
  return hr;
}

HRESULT ControlObject::AdviseEvents(IUnknown* sink, DWORD* cookie) { return events_.Advise(sink, cookie); }

HRESULT ControlObject::AdvisePropertyNotify(IUnknown* sink, DWORD* cookie) {
  return propertyNotify_.Advise(sink, cookie);
}

void ControlObject::Resized() {
  try {
    control_.UserControl_Resize();
  } catch (...) {
    // A size the text box refuses leaves it where it was; the container's
    // resize itself succeeded.
  }
}

// ---- velmora::ControlHost --------------------------------------------------

void ControlObject::PropertyChanged(const std::u16string& name) {
  ++changes_;
  if (name == u"Font") WatchFont();
  if (name == u"TastoInvio") {
    enterToForm_ = control_.TastoInvio() != 0;
    embedding_.ControlInfoChanged();
  }
  // Every property shows in the control's look (the text, colours, font,
  // enabled state) or may change it: an inactive control is drawn again.
  embedding_.ViewChanged();
  const DISPID id = PropertyDispid(name);
  for (const ComPtr<IUnknown>& sink : propertyNotify_.Sinks()) {
    // What the container does with the notification is its business; a
    // failing sink does not fail the property.
    static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(id);
  }
}

velmora::FontRef ControlObject::AmbientFont() {
  UniqueVariant ambient;
  if (SUCCEEDED(embedding_.GetAmbient(DISPID_AMBIENT_FONT, ambient.get())) &&
      (V_VT(ambient.get()) == VT_DISPATCH || V_VT(ambient.get()) == VT_UNKNOWN) && V_UNKNOWN(ambient.get())) {
    ComPtr<IFont> font;
    if (SUCCEEDED(V_UNKNOWN(ambient.get())->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.GetAddressOf())))) {
      // A copy: the container's font object stays the container's, and a
      // change of the control's font must not restyle the whole form.
      ComPtr<IFont> copy;
      if (SUCCEEDED(font->Clone(&copy)) && copy) return std::make_shared<OleFont>(std::move(copy));
    }
  }
  // No container, or one without an ambient font (a script, wine's ATL
  // host): the module's default face, a description shared by every
  // control; a load that takes it as the font makes the control an OLE
  // font of its own from it.
  return OleFont::Default();
}

// The inside of the control window where there is one (a container may
// size that window itself), else the control's rectangle.
RECT ControlObject::ScaleRect() {
  RECT r = window_.Rect();
  if (window_.hwnd() && !window_.FaceAlone()) ::GetClientRect(window_.hwnd(), &r);
  return r;
}

std::int32_t ControlObject::ScaleWidth() {
  const RECT r = ScaleRect();
  return r.right - r.left;
}

std::int32_t ControlObject::ScaleHeight() {
  const RECT r = ScaleRect();
  return r.bottom - r.top;
}

bool ControlObject::ContainerReflects(void* self) {
  // A container that says nothing about it reflects nothing.
  UniqueVariant reflects;
  return SUCCEEDED(static_cast<ControlObject*>(self)->embedding_.GetAmbient(DISPID_AMBIENT_MESSAGEREFLECT,
                                                                            reflects.get())) &&
         V_VT(reflects.get()) == VT_BOOL && V_BOOL(reflects.get()) != VARIANT_FALSE;
}

void ControlObject::RaiseDataNonValida() {
  accessibility_.DateRefused();  // heard by a screen reader whatever the handlers do
  FireEvent(DISPID_VELMORA_DATANONVALIDA);
}

void ControlObject::RaiseChange() {
  // The text is a saved setting: any change of it is a change to save.
  ++changes_;
  embedding_.ViewChanged();
  accessibility_.TextChanged();
  FireEvent(DISPID_VELMORA_CHANGE);
}

void ControlObject::FireEvent(DISPID id) {
  // A container that froze events (while it loads a form, say) hears none.
  if (embedding_.EventsFrozen()) return;
  DISPPARAMS none{};
  for (const ComPtr<IUnknown>& sink : events_.Sinks()) {
    // Every sink hears the event, whatever an earlier one answered.
    static_cast<IDispatch*>(sink.Get())->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                                nullptr, nullptr, nullptr);
  }
}

}  // namespace velmora::win32

HRESULT CreateVelmoraControl(IUnknown* outer, REFIID riid, void** ppv) {
  return velmora::win32::ControlObject::Create(outer, riid, ppv);
}
