// Between OLE's VARIANT and the core's Variant, for whatever hands settings
// across (a container's property bag, dispatch calls).
// An object the core does not know travels as ComObjectValue; objects that
// have a core type of their own (the OLE font, a Font in the core) are
// converted by the layer that knows them, through ObjectConversion: this
// layer knows no such type.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>
#include <utility>

#include "com/com_object.h"
#include "com/com_strings.h"
#include "core/variant.h"

namespace velmora::win32 {

// A COM object held in a core Variant as it is, for objects no conversion
// turns into a core type: reading it as a font (or as anything else) is a
// type mismatch, as it should be. It goes back to OLE as the same object
// (VT_UNKNOWN).
class ComObjectValue final : public velmora::Object {
 public:
  explicit ComObjectValue(ComPtr<IUnknown> object) : object_(std::move(object)) {}
  IUnknown* get() const { return object_.Get(); }

 private:
  ComPtr<IUnknown> object_;
};

// The objects a layer above converts itself, both ways. Each function
// answers "not mine" (null, false) for an object of another kind.
struct ObjectConversion {
  // A non-null COM object as the core object it stands for.
  std::shared_ptr<velmora::Object> (*fromCom)(IUnknown* object);
  // A core object as an object reference in `out` (VT_DISPATCH or
  // VT_UNKNOWN).
  bool (*toCom)(const std::shared_ptr<velmora::Object>& object, VARIANT* out);
};

// VARIANT -> Variant. Numbers keep their width where the core has one
// (VT_I2, VT_I4, VT_R8); other numeric types go through OLE's own
// conversion to a double; an object is what `objects` makes of it, else a
// ComObjectValue. Null, arrays and the like cannot be a setting: "invalid
// use of Null" (94) and type mismatch (13).
velmora::Variant FromVariant(const VARIANT& value, const ObjectConversion* objects = nullptr);

// Variant -> VARIANT (VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR, a ComObjectValue
// as VT_UNKNOWN, other objects as `objects` makes them; type mismatch for
// an object nobody converts).
UniqueVariant ToVariant(const velmora::Variant& value, const ObjectConversion* objects = nullptr);

}  // namespace velmora::win32
