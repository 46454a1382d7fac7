// What the page Generale asks of the host that shows it: the list of the
// controls selected for editing, whose properties it reads and writes by
// name with variant values, and the page's changed flag. The Windows page
// implements it over the property page site and the selected objects'
// dispatch interfaces; ModelPageHost is the portable one.
#pragma once

#include <cstdint>
#include <string>

#include "errors.h"
#include "variant.h"

namespace velmora {

// Error numbers of the host's own failures.
inline constexpr int kSubscriptOutOfRange = static_cast<int>(ErrorNumber::SubscriptOutOfRange);
inline constexpr int kPropertyNotSupported = static_cast<int>(ErrorNumber::PropertyNotSupported);

// A selected control, addressed by property names as a dispatch caller
// addresses it. The object converts a written value to the property's type
// as the dispatch would, and fails with that conversion's error.
class PageObject {
 public:
  virtual ~PageObject() = default;
  virtual Variant GetProperty(const std::u16string& name) = 0;
  virtual void SetProperty(const std::u16string& name, const Variant& value) = 0;
};

class PageHost {
 public:
  virtual ~PageHost() = default;
  // The selection list, in the host's order.
  virtual std::int32_t SelectedCount() = 0;
  // Element i of the selection list; fails with kSubscriptOutOfRange
  // outside 0..SelectedCount()-1.
  virtual PageObject& SelectedControl(std::int32_t i) = 0;
  // Tells the host whether the page has changes to apply.
  virtual void setChanged(bool changed) = 0;
};

}  // namespace velmora
