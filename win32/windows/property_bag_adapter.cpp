#include "windows/property_bag_adapter.h"

#include "com/com_edge.h"

#include <memory>

#include "core/errors.h"
#include "windows/ole_font.h"

namespace velmora::win32 {

namespace {

constexpr int kInvalidUseOfNull = 94;

velmora::Variant FromObject(IUnknown* object) {
  if (object == nullptr) return velmora::Variant::FromObject(nullptr);
  ComPtr<IFont> font;
  if (SUCCEEDED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.GetAddressOf()))))
    return velmora::Variant::FromObject(std::make_shared<OleFont>(std::move(font)));
  return velmora::Variant::FromObject(std::make_shared<ComObject>(ComPtr<IUnknown>(object)));
}

velmora::Variant ViaDouble(const VARIANT& value) {
  UniqueVariant converted;
  HRESULT hr = VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_R8);
  if (hr == DISP_E_OVERFLOW) ThrowOverflow("stored number");
  if (FAILED(hr)) ThrowTypeMismatch("stored value");
  return velmora::Variant::Double(V_R8(converted.get()));
}

}  // namespace

velmora::Variant FromVariant(const VARIANT& value) {
  if (V_VT(&value) & VT_BYREF) {
    UniqueVariant direct;
    if (FAILED(VariantCopyInd(direct.get(), const_cast<VARIANT*>(&value)))) ThrowTypeMismatch("stored value");
    if (V_VT(direct.get()) & VT_BYREF) ThrowTypeMismatch("stored value");
    return FromVariant(*direct.get());
  }
  switch (V_VT(&value)) {
    case VT_EMPTY: return velmora::Variant();
    case VT_NULL: throw VelmoraError(kInvalidUseOfNull, "invalid use of Null");
    case VT_I2: return velmora::Variant::Integer(V_I2(&value));
    case VT_UI1: return velmora::Variant::Integer(V_UI1(&value));
    case VT_I1: return velmora::Variant::Integer(V_I1(&value));
    case VT_I4: return velmora::Variant::Long(V_I4(&value));
    case VT_INT: return velmora::Variant::Long(V_INT(&value));
    case VT_UI2: return velmora::Variant::Long(V_UI2(&value));
    case VT_BOOL: return velmora::Variant::Boolean(V_BOOL(&value) != VARIANT_FALSE);
    case VT_R8: return velmora::Variant::Double(V_R8(&value));
    case VT_R4: return velmora::Variant::Double(V_R4(&value));
    case VT_BSTR: {
      BSTR text = V_BSTR(&value);
      return velmora::Variant::String(ToU16(std::wstring_view(text ? text : L"", SysStringLen(text))));
    }
    case VT_DISPATCH: return FromObject(V_DISPATCH(&value));
    case VT_UNKNOWN: return FromObject(V_UNKNOWN(&value));
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_DATE: return ViaDouble(value);
    default: ThrowTypeMismatch("stored value");
  }
}

UniqueVariant ToVariant(const velmora::Variant& value) {
  UniqueVariant out;
  VARIANT* v = out.get();
  switch (value.type()) {
    case velmora::Variant::Type::Empty: break;
    case velmora::Variant::Type::Integer:
      V_VT(v) = VT_I2;
      V_I2(v) = value.ToInteger();
      break;
    case velmora::Variant::Type::Long:
      V_VT(v) = VT_I4;
      V_I4(v) = value.ToLong();
      break;
    case velmora::Variant::Type::Double:
      V_VT(v) = VT_R8;
      V_R8(v) = value.ToDouble();
      break;
    case velmora::Variant::Type::Boolean:
      V_VT(v) = VT_BOOL;
      V_BOOL(v) = value.ToBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case velmora::Variant::Type::String: {
      const std::u16string text = value.ToString();
      UniqueBstr bstr = UniqueBstr::FromWide(WideView(text));
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = bstr.release();
      break;
    }
    case velmora::Variant::Type::Object: {
      std::shared_ptr<velmora::Object> object = value.ToObject();
      if (!object) {
        V_VT(v) = VT_DISPATCH;
        V_DISPATCH(v) = nullptr;
      } else if (auto com = std::dynamic_pointer_cast<ComObject>(object)) {
        V_VT(v) = VT_UNKNOWN;
        V_UNKNOWN(v) = com->get();
        com->get()->AddRef();
      } else {
        // A font that is not yet an OLE font (never the control's own,
        // which always is) becomes one carrying the same description.
        auto font = std::dynamic_pointer_cast<velmora::Font>(object);
        if (!font) ThrowTypeMismatch("object");
        ComPtr<IFontDisp> disp = OleFont::From(font)->FontDisp();
        V_VT(v) = VT_DISPATCH;
        V_DISPATCH(v) = disp.Detach();
      }
      break;
    }
  }
  return out;
}

velmora::Variant OlePropertyBagAdapter::ReadProperty(const std::u16string& name,
                                                     const velmora::Variant& defaultValue) {
  const std::wstring key = ToWide(name);
  UniqueVariant value;  // VT_EMPTY: whatever type the bag holds
  // Containers say "no such key" each their own way: E_INVALIDARG, E_FAIL,
  // another failure, or success with nothing in the value. A container's
  // bag can fail for no other reason the control could act on, so every
  // one of them means the default, as for a form saved before the key
  // existed. (A failed Read may still have left something in the value;
  // it is cleared with it.)
  const HRESULT hr = bag_->Read(key.c_str(), value.get(), log_);
  if (FAILED(hr) || V_VT(value.get()) == VT_EMPTY) return defaultValue;
  return FromVariant(*value.get());
}

void OlePropertyBagAdapter::WriteProperty(const std::u16string& name, const velmora::Variant& value,
                                          const velmora::Variant& /*defaultValue*/) {
  const std::wstring key = ToWide(name);
  UniqueVariant v = ToVariant(value);
  ThrowIfFailed(bag_->Write(key.c_str(), v.get()));
}

}  // namespace velmora::win32
