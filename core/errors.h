// Errors of the core. Every failure is a C++ exception that carries the
// platform's error number, so the COM layer can turn it into an HRESULT with
// rich error information, and a procedure that fails stops where it failed
// while what it already did stays done.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmora {

enum class ErrorNumber : int {
  Overflow = 6,
  TypeMismatch = 13,
  InvalidPropertyValue = 380,
  // Not a platform number of its own: a failure of a service (a refusing
  // text box, a container that fails a notification) reported through the
  // seam carries whatever number the service chose; this is the default.
  ServiceFailed = 5,  // "invalid procedure call or argument"
};

class VelmoraError : public std::runtime_error {
 public:
  VelmoraError(ErrorNumber number, const std::string& message)
      : std::runtime_error(message), number_(static_cast<int>(number)) {}
  VelmoraError(int number, const std::string& message)
      : std::runtime_error(message), number_(number) {}
  int number() const noexcept { return number_; }

 private:
  int number_;
};

[[noreturn]] void ThrowOverflow(const std::string& what);
[[noreturn]] void ThrowTypeMismatch(const std::string& what);
[[noreturn]] void ThrowInvalidPropertyValue(const std::string& what);

// Positions and lengths of the editing procedures are 16-bit signed
// integers; a longer text cannot be addressed, so it is refused loudly
// instead of being edited at a wrapped-around position.
std::int16_t ToInt16Checked(std::int64_t value, const char* what);

}  // namespace velmora
