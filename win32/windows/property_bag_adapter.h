// Between OLE's IPropertyBag and the core's PropertyBag: the control's
// persistence code reads and writes core Variants, a container's bag holds
// VARIANTs. Fonts travel as IFontDisp on the OLE side and as OleFont in the
// core, so the object a container stores is the object the control uses.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "com/com_variant.h"
#include "core/property_bag.h"
#include "core/variant.h"

namespace velmora::win32 {

// Fonts in VARIANT conversions (FromVariant, ToVariant): an object that is
// an OLE font becomes an OleFont sharing it, and a core font goes back as
// its IFontDisp.
extern const ObjectConversion kOleFontConversion;

// A container's bag as the core's: values through FromVariant and
// ToVariant, fonts as kOleFontConversion makes them.
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
