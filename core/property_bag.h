// The container's property bag: named values the control saves its settings
// into and reads them back from. Reading gives the stored value or the
// default; writing passes the default along with the value (a container may
// leave out values equal to their default).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "variant.h"

namespace velmora {

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  virtual Variant ReadProperty(const std::u16string& name, const Variant& defaultValue) = 0;
  virtual void WriteProperty(const std::u16string& name, const Variant& value,
                             const Variant& defaultValue) = 0;
};

// An in-memory bag that keeps every value, in the order first written.
class MemoryPropertyBag : public PropertyBag {
 public:
  Variant ReadProperty(const std::u16string& name, const Variant& defaultValue) override;
  void WriteProperty(const std::u16string& name, const Variant& value, const Variant& defaultValue) override;

  bool Has(const std::u16string& name) const;
  const Variant* Find(const std::u16string& name) const;
  void Set(const std::u16string& name, Variant value);  // for tests and loaders
  const std::vector<std::pair<std::u16string, Variant>>& Entries() const { return entries_; }
  // The defaults passed with each write, in the order of the writes.
  const std::vector<std::pair<std::u16string, Variant>>& WrittenDefaults() const { return defaults_; }

 private:
  std::vector<std::pair<std::u16string, Variant>> entries_;
  std::vector<std::pair<std::u16string, Variant>> defaults_;
};

}  // namespace velmora
