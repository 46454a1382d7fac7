// What the control object tells of its class: the class and its default
// event interface (IProvideClassInfo2), its property pages
// (ISpecifyPropertyPages, IPerPropertyBrowsing) and the interfaces that
// give rich error information (ISupportErrorInfo).
#include "control/control_object.h"

#include "com/com_module.h"
#include "typelib/dispids.h"
#include "typelib/module_types.h"

namespace velmora::win32 {

namespace {

// The properties a property browser edits through the page Generale.
constexpr DISPID kGeneraleProperties[] = {DISPID_VELMORA_DATEVALUE, DISPID_VELMORA_MAXLENGTH, DISPID_VELMORA_VIRGOLA};

// The system's standard font and colour pages.
constexpr CLSID kStockFontPage = {0x7ebdaae0, 0x8120, 0x11cf, {0x89, 0x9f, 0x00, 0xaa, 0x00, 0x68, 0x8b, 0x10}};
constexpr CLSID kStockColorPage = {0x7ebdaae1, 0x8120, 0x11cf, {0x89, 0x9f, 0x00, 0xaa, 0x00, 0x68, 0x8b, 0x10}};

}  // namespace

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

}  // namespace velmora::win32
