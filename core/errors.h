// Errors of the core. Every failure is a C++ exception that carries the
// platform's error number, so the COM layer can turn it into an HRESULT with
// rich error information, and a procedure that fails stops where it failed
// while what it already did stays done.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace velmora {

enum class ErrorNumber : int {
  Overflow = 6,
  TypeMismatch = 13,
  InvalidPropertyValue = 380,
  // Not a platform number of its own: a failure of a service (a refusing
  // text box, a container that fails a notification) reported through the
  // seam carries whatever number the service chose; this is the default.
  ServiceFailed = 5,  // "invalid procedure call or argument"
  // The property page host's own failures.
  SubscriptOutOfRange = 9,     // no such element in the selection list
  PropertyNotSupported = 438,  // the object has no property of that name
};

// Derived from std::exception itself, holding its message in a plain
// string: the standard library's runtime_error drags a second, reference-
// counted string implementation into every module that uses it, which a
// statically linked control cannot afford.
class VelmoraError : public std::exception {
 public:
  VelmoraError(ErrorNumber number, std::string message)
      : number_(static_cast<int>(number)), message_(std::move(message)) {}
  VelmoraError(int number, std::string message) : number_(number), message_(std::move(message)) {}
  int number() const noexcept { return number_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  int number_;
  std::string message_;
};

[[noreturn]] void ThrowOverflow(const std::string& what);
[[noreturn]] void ThrowTypeMismatch(const std::string& what);
[[noreturn]] void ThrowInvalidPropertyValue(const std::string& what);

// Positions and lengths of the editing procedures are 16-bit signed
// integers; a longer text cannot be addressed, so it is refused loudly
// instead of being edited at a wrapped-around position.
std::int16_t ToInt16Checked(std::int64_t value, const char* what);

}  // namespace velmora
