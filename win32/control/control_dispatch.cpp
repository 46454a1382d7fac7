// The control object's dispatch: IDispatch, run from the type library's own
// type information, and the nine properties of _VelmoraControl.
#include "control/control_object.h"

#include "com/com_module.h"
#include "com/com_strings.h"
#include "core/errors.h"
#include "typelib/dispids.h"
#include "typelib/module_types.h"
#include "windows/ole_font.h"

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

VARIANT_BOOL ToVariantBool(std::int16_t value) { return static_cast<VARIANT_BOOL>(value); }

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

template <class T, class Read>
HRESULT ControlObject::GetProperty(T* value, Read&& read) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = T{};
  return ComEdge([&] {
    *value = read();
    return S_OK;
  });
}

template <class Write>
HRESULT ControlObject::PutProperty(Write&& write) noexcept {
  return ComEdge([&] {
    write();
    return S_OK;
  });
}

namespace {

// The flags the core keeps as plain values: read without the edge, which
// they cannot fail.
HRESULT GetFlag(VARIANT_BOOL* value, std::int16_t flag) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = ToVariantBool(flag);
  return S_OK;
}

}  // namespace

STDMETHODIMP ControlObject::get_MaxLength(short* value) noexcept {
  return GetProperty(value, [&] { return control_.MaxLength(); });
}

STDMETHODIMP ControlObject::put_MaxLength(short vNewValue) noexcept {
  return PutProperty([&] { control_.setMaxLength(vNewValue); });
}

STDMETHODIMP ControlObject::get_DateValue(VARIANT_BOOL* value) noexcept {
  return GetFlag(value, control_.DateValue());
}

STDMETHODIMP ControlObject::put_DateValue(VARIANT_BOOL vNewValue) noexcept {
  return PutProperty([&] { control_.setDateValue(vNewValue); });
}

STDMETHODIMP ControlObject::get_BackColor(OLE_COLOR* value) noexcept {
  return GetProperty(value, [&] { return control_.BackColor(); });
}

STDMETHODIMP ControlObject::put_BackColor(OLE_COLOR New_BackColor) noexcept {
  return PutProperty([&] { control_.setBackColor(New_BackColor); });
}

STDMETHODIMP ControlObject::get_Font(IFontDisp** value) noexcept {
  return GetProperty(value, [&] {
    // Text1's own font object, not a copy: a client that changes it
    // changes the control's font.
    IFontDisp* font = OleFont::From(control_.Font())->FontDisp().Detach();
    if (!fontFollower_.Following()) WatchFont();
    return font;
  });
}

STDMETHODIMP ControlObject::putref_Font(IFontDisp* New_Font) noexcept {
  return PutProperty([&] {
    if (New_Font == nullptr) ThrowInvalidPropertyValue("Font");
    ComPtr<IFont> font;
    if (FAILED(New_Font->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.GetAddressOf()))))
      ThrowTypeMismatch("Font");
    control_.setFont(std::make_shared<OleFont>(std::move(font)));
  });
}

STDMETHODIMP ControlObject::get_Enabled(VARIANT_BOOL* value) noexcept {
  return GetProperty(value, [&] { return ToVariantBool(control_.Enabled()); });
}

STDMETHODIMP ControlObject::put_Enabled(VARIANT_BOOL New_Enabled) noexcept {
  return PutProperty([&] { control_.setEnabled(New_Enabled); });
}

STDMETHODIMP ControlObject::get_ForeColor(OLE_COLOR* value) noexcept {
  return GetProperty(value, [&] { return control_.ForeColor(); });
}

STDMETHODIMP ControlObject::put_ForeColor(OLE_COLOR New_ForeColor) noexcept {
  return PutProperty([&] { control_.setForeColor(New_ForeColor); });
}

STDMETHODIMP ControlObject::get_Text(BSTR* value) noexcept {
  return GetProperty(value, [&] { return UniqueBstr::FromU16(control_.Text()).release(); });
}

STDMETHODIMP ControlObject::put_Text(BSTR New_Text) noexcept {
  // A null BSTR is the empty string.
  return PutProperty(
      [&] { control_.setText(ToU16(std::wstring_view(New_Text ? New_Text : L"", ::SysStringLen(New_Text)))); });
}

STDMETHODIMP ControlObject::get_Virgola(VARIANT_BOOL* value) noexcept { return GetFlag(value, control_.Virgola()); }

STDMETHODIMP ControlObject::put_Virgola(VARIANT_BOOL New_Virgola) noexcept {
  return PutProperty([&] { control_.setVirgola(New_Virgola); });
}

STDMETHODIMP ControlObject::get_TastoInvio(VARIANT_BOOL* value) noexcept {
  return GetFlag(value, control_.TastoInvio());
}

STDMETHODIMP ControlObject::put_TastoInvio(VARIANT_BOOL New_TastoInvio) noexcept {
  return PutProperty([&] { control_.setTastoInvio(New_TastoInvio); });
}

}  // namespace velmora::win32
