#include "com/com_variant.h"

#include <cstdint>
#include <string_view>

#include "core/errors.h"

namespace velmora::win32 {

namespace {

constexpr int kInvalidUseOfNull = 94;

velmora::Variant FromObject(IUnknown* object, const ObjectConversion* objects) {
  if (object == nullptr) return velmora::Variant::FromObject(nullptr);
  if (objects != nullptr) {
    if (std::shared_ptr<velmora::Object> converted = objects->fromCom(object))
      return velmora::Variant::FromObject(std::move(converted));
  }
  return velmora::Variant::FromObject(std::make_shared<ComObjectValue>(ComPtr<IUnknown>(object)));
}

velmora::Variant ViaDouble(const VARIANT& value) {
  UniqueVariant converted;
  HRESULT hr = VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_R8);
  if (hr == DISP_E_OVERFLOW) ThrowOverflow("stored number");
  if (FAILED(hr)) ThrowTypeMismatch("stored value");
  return velmora::Variant::Double(V_R8(converted.get()));
}

// Each core type in its own VARIANT type, written into an empty VARIANT.
void Put(VARIANT* v, std::int16_t value) {
  V_VT(v) = VT_I2;
  V_I2(v) = value;
}
void Put(VARIANT* v, std::int32_t value) {
  V_VT(v) = VT_I4;
  V_I4(v) = value;
}
void Put(VARIANT* v, double value) {
  V_VT(v) = VT_R8;
  V_R8(v) = value;
}
void Put(VARIANT* v, bool value) {
  V_VT(v) = VT_BOOL;
  V_BOOL(v) = value ? VARIANT_TRUE : VARIANT_FALSE;
}
void Put(VARIANT* v, UniqueBstr text) {
  V_VT(v) = VT_BSTR;
  V_BSTR(v) = text.release();
}
void PutObject(VARIANT* v, const std::shared_ptr<velmora::Object>& object, const ObjectConversion* objects) {
  if (!object) {
    V_VT(v) = VT_DISPATCH;
    V_DISPATCH(v) = nullptr;
  } else if (auto com = std::dynamic_pointer_cast<ComObjectValue>(object)) {
    V_VT(v) = VT_UNKNOWN;
    V_UNKNOWN(v) = com->get();
    com->get()->AddRef();
  } else if (objects == nullptr || !objects->toCom(object, v)) {
    ThrowTypeMismatch("object");
  }
}

}  // namespace

velmora::Variant FromVariant(const VARIANT& value, const ObjectConversion* objects) {
  if (V_VT(&value) & VT_BYREF) {
    UniqueVariant direct;
    if (FAILED(VariantCopyInd(direct.get(), const_cast<VARIANT*>(&value)))) ThrowTypeMismatch("stored value");
    if (V_VT(direct.get()) & VT_BYREF) ThrowTypeMismatch("stored value");
    return FromVariant(*direct.get(), objects);
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
    case VT_DISPATCH: return FromObject(V_DISPATCH(&value), objects);
    case VT_UNKNOWN: return FromObject(V_UNKNOWN(&value), objects);
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

UniqueVariant ToVariant(const velmora::Variant& value, const ObjectConversion* objects) {
  UniqueVariant out;
  VARIANT* v = out.get();
  switch (value.type()) {
    case velmora::Variant::Type::Empty: break;
    case velmora::Variant::Type::Integer: Put(v, value.ToInteger()); break;
    case velmora::Variant::Type::Long: Put(v, value.ToLong()); break;
    case velmora::Variant::Type::Double: Put(v, value.ToDouble()); break;
    case velmora::Variant::Type::Boolean: Put(v, value.ToBoolean() != 0); break;
    case velmora::Variant::Type::String: Put(v, UniqueBstr::FromU16(value.ToString())); break;
    case velmora::Variant::Type::Object: PutObject(v, value.ToObject(), objects); break;
  }
  return out;
}

}  // namespace velmora::win32
