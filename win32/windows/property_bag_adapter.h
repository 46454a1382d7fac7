// Between OLE's IPropertyBag and the core's PropertyBag: the control's
// persistence code reads and writes core Variants, a container's bag holds
// VARIANTs. Fonts travel as IFontDisp on the OLE side and as OleFont in the
// core, so the object a container stores is the object the control uses.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "com/com_object.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "core/property_bag.h"
#include "core/variant.h"

namespace velmora::win32 {

// A COM object that is not a font, held in a core Variant: reading it as a
// font (or as anything else) is a type mismatch, as it should be.
class ComObject final : public velmora::Object {
 public:
  explicit ComObject(ComPtr<IUnknown> object) : object_(std::move(object)) {}
  IUnknown* get() const { return object_.Get(); }

 private:
  ComPtr<IUnknown> object_;
};

// VARIANT -> Variant. Numbers keep their width where the core has one
// (VT_I2, VT_I4, VT_R8); other numeric types go through OLE's own
// conversion to a double; an object that is an OLE font becomes an
// OleFont sharing it. Null, arrays and the like cannot be a setting:
// "invalid use of Null" (94) and type mismatch (13).
velmora::Variant FromVariant(const VARIANT& value);

// Variant -> VARIANT (VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR, fonts as
// VT_DISPATCH IFontDisp).
UniqueVariant ToVariant(const velmora::Variant& value);

class OlePropertyBagAdapter final : public velmora::PropertyBag {
 public:
  OlePropertyBagAdapter(IPropertyBag* bag, IErrorLog* log) noexcept : bag_(bag), log_(log) {}

  // The stored value, or the default when the bag has none: any failure of
  // IPropertyBag::Read, and a success that gives VT_EMPTY. A stored value
  // that does not convert still fails the load at its step.
  velmora::Variant ReadProperty(const std::u16string& name, const velmora::Variant& defaultValue) override;
  // Every value is written, defaults included: OLE bags take no default,
  // and a saved form that names all nine settings reads back the same
  // whatever the defaults of a later version.
  void WriteProperty(const std::u16string& name, const velmora::Variant& value,
                     const velmora::Variant& defaultValue) override;

 private:
  IPropertyBag* bag_;
  IErrorLog* log_;
};

}  // namespace velmora::win32
