#include "windows/property_bag_adapter.h"

#include "com/com_edge.h"

#include <memory>

#include "windows/ole_font.h"

namespace velmora::win32 {

namespace {

std::shared_ptr<velmora::Object> FontFromCom(IUnknown* object) {
  ComPtr<IFont> font;
  if (FAILED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.GetAddressOf())))) return nullptr;
  return std::make_shared<OleFont>(std::move(font));
}

bool FontToCom(const std::shared_ptr<velmora::Object>& object, VARIANT* out) {
  auto font = std::dynamic_pointer_cast<velmora::Font>(object);
  if (!font) return false;
  // A font that is not yet an OLE font (never the control's own, which
  // always is) becomes one carrying the same description.
  V_VT(out) = VT_DISPATCH;
  V_DISPATCH(out) = OleFont::From(font)->FontDisp().Detach();
  return true;
}

}  // namespace

const ObjectConversion kOleFontConversion{&FontFromCom, &FontToCom};

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
  return FromVariant(*value.get(), &kOleFontConversion);
}

void OlePropertyBagAdapter::WriteProperty(const std::u16string& name, const velmora::Variant& value,
                                          const velmora::Variant& /*defaultValue*/) {
  const std::wstring key = ToWide(name);
  UniqueVariant v = ToVariant(value, &kOleFontConversion);
  ThrowIfFailed(bag_->Write(key.c_str(), v.get()));
}

}  // namespace velmora::win32
