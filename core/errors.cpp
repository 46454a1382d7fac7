#include "errors.h"

namespace velmora {

void ThrowOverflow(const std::string& what) {
  throw VelmoraError(ErrorNumber::Overflow, "Overflow: " + what);
}

void ThrowTypeMismatch(const std::string& what) {
  throw VelmoraError(ErrorNumber::TypeMismatch, "Type mismatch: " + what);
}

void ThrowInvalidPropertyValue(const std::string& what) {
  throw VelmoraError(ErrorNumber::InvalidPropertyValue, "Invalid property value: " + what);
}

std::int16_t ToInt16Checked(std::int64_t value, const char* what) {
  if (value < INT16_MIN || value > INT16_MAX) ThrowOverflow(what);
  return static_cast<std::int16_t>(value);
}

}  // namespace velmora
