#include "property_bag.h"

namespace velmora {

const Variant* MemoryPropertyBag::Find(const std::u16string& name) const {
  for (const auto& [key, value] : entries_)
    if (key == name) return &value;
  return nullptr;
}

bool MemoryPropertyBag::Has(const std::u16string& name) const { return Find(name) != nullptr; }

void MemoryPropertyBag::Set(const std::u16string& name, Variant value) {
  for (auto& [key, stored] : entries_) {
    if (key == name) {
      stored = std::move(value);
      return;
    }
  }
  entries_.emplace_back(name, std::move(value));
}

Variant MemoryPropertyBag::ReadProperty(const std::u16string& name, const Variant& defaultValue) {
  const Variant* found = Find(name);
  return found ? *found : defaultValue;
}

void MemoryPropertyBag::WriteProperty(const std::u16string& name, const Variant& value,
                                      const Variant& defaultValue) {
  Set(name, value);
  defaults_.emplace_back(name, defaultValue);
}

}  // namespace velmora
