// The standard library's error throwers, defined here so that the library's
// own versions are never linked into the control.
//
// libstdc++ throws its logic and runtime errors through these functions, and
// its versions build std::logic_error and friends, whose messages live in a
// reference-counted string kept for the old ABI: together some 60 KB of a
// statically linked module, for failures that only a bug or an impossible
// size can cause. Here every one of them throws something the COM boundary
// already answers for: an impossible size is an allocation that cannot be
// met (E_OUTOFMEMORY), any other failure is an internal fault (E_FAIL), and
// the type-system errors keep their own standard classes.
//
// Every function of the library's thrower object is defined, so that the
// linker never has a reason to bring that object in beside these.
#include <bits/functexcept.h>

#include <exception>
#include <new>
#include <typeinfo>

namespace velmora::win32 {
namespace {

// A fault inside the standard library: its message is the static text the
// library passes.
class LibraryFault : public std::exception {
 public:
  explicit LibraryFault(const char* message) noexcept : message_(message ? message : "library fault") {}
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};

}  // namespace
}  // namespace velmora::win32

namespace std {

using velmora::win32::LibraryFault;

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw bad_alloc(); }

void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }

void __throw_logic_error(const char* message) { throw LibraryFault(message); }
void __throw_domain_error(const char* message) { throw LibraryFault(message); }
void __throw_invalid_argument(const char* message) { throw LibraryFault(message); }
void __throw_out_of_range(const char* message) { throw LibraryFault(message); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryFault(format); }
void __throw_runtime_error(const char* message) { throw LibraryFault(message); }
void __throw_range_error(const char* message) { throw LibraryFault(message); }
void __throw_overflow_error(const char* message) { throw LibraryFault(message); }
void __throw_underflow_error(const char* message) { throw LibraryFault(message); }

}  // namespace std
