// The error edge: every COM method runs its body through ComEdge, so no C++
// exception ever crosses the COM boundary, and a core error turns into its
// HRESULT with rich error information naming the interface the method
// belongs to.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "core/errors.h"

namespace velmora::win32 {

// The source named in rich error information: the programmatic identifier
// clients know the module's objects by. The edge knows no object of its
// own; the module that links it defines the value (server/registration.cpp,
// beside the identifiers it registers).
extern const wchar_t* const kErrorSource;

// A failed HRESULT carried through C++ code to the COM edge, where ComEdge
// answers it as it is, with rich error information when it has a
// description.
class HresultError : public std::exception {
 public:
  explicit HresultError(HRESULT hr, std::wstring description = {}) noexcept
      : hr_(hr), description_(std::move(description)) {}
  HRESULT hr() const noexcept { return hr_; }
  const std::wstring& description() const noexcept { return description_; }
  const char* what() const noexcept override { return "COM call failed"; }

 private:
  HRESULT hr_;
  std::wstring description_;
};

// The one way to throw for a failed HRESULT (nothing happens for success):
//  - ThrowIfFailed(hr): an HresultError, which the COM edge answers as it
//    is;
//  - ThrowIfFailed(hr, "IFont::get_Size"): for code the core calls (a
//    Font's properties, the text box), which knows only its own error
//    numbers: a VelmoraError naming the call. A control error
//    (FACILITY_CONTROL, as CTL_E_INVALIDPROPERTYVALUE) keeps its number,
//    E_INVALIDARG is "invalid property value", anything else "invalid
//    procedure call".
inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw HresultError(hr);
}
void ThrowIfFailed(HRESULT hr, const char* what);

// The HRESULT of a core error number: the platform's error numbers live in
// the control facility (overflow 6 -> 0x800A0006, type mismatch 13 ->
// 0x800A000D, invalid property value 380 -> 0x800A017C). A number outside
// 1..0xFFFF (never raised by the core) becomes E_FAIL.
HRESULT HresultFromErrorNumber(int number) noexcept;

// Publishes rich error information for the calling thread (description,
// source kErrorSource, interface `iid`) and answers hr. The caller reads it
// with GetErrorInfo after the failed call.
HRESULT SetRichError(HRESULT hr, std::wstring_view description, REFIID iid) noexcept;

// A core error as an HRESULT with rich error information whose description
// is the error's message.
HRESULT HresultFromVelmoraError(const VelmoraError& error, REFIID iid) noexcept;

// Runs a COM method's body and answers its HRESULT; whatever it throws is
// caught here: VelmoraError -> its number's HRESULT with rich error
// information naming iid, HresultError -> its HRESULT, std::bad_alloc ->
// E_OUTOFMEMORY, anything else -> E_FAIL.
//
//   STDMETHODIMP Object::put_Limit(short value) {
//     return ComEdge([&] { core_.SetLimit(value); return S_OK; }, IID_IObject);
//   }
//
// The HRESULT of the exception being handled, as ComEdge answers it; only
// inside a catch block. Out of line, so that each ComEdge holds one catch.
HRESULT HresultFromCurrentException(REFIID iid) noexcept;

template <class Body>
HRESULT ComEdge(Body&& body, REFIID iid) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return HresultFromCurrentException(iid);
  }
}

}  // namespace velmora::win32
