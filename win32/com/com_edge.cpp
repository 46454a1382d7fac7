#include "com/com_edge.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <new>

#include "com/com_strings.h"

namespace velmora::win32 {

using Microsoft::WRL::ComPtr;

void ThrowIfFailed(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return;
  // " (0x8000FFFF)", spelled out here: the C library's printf would bring its
  // whole formatting engine into the module for this one line.
  std::string message = std::string(what) + " (0x";
  for (int shift = 28; shift >= 0; shift -= 4)
    message += "0123456789ABCDEF"[(static_cast<unsigned long>(hr) >> shift) & 0xF];
  message += ')';
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) throw VelmoraError(HRESULT_CODE(hr), message);
  if (hr == E_INVALIDARG) throw VelmoraError(ErrorNumber::InvalidPropertyValue, message);
  throw VelmoraError(ErrorNumber::ServiceFailed, message);
}

HRESULT HresultFromErrorNumber(int number) noexcept {
  if (number <= 0 || number > 0xFFFF) return E_FAIL;
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
}

HRESULT SetRichError(HRESULT hr, std::wstring_view description, REFIID iid) noexcept {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(&create))) return hr;
  try {
    std::wstring text(description);  // null-terminated copy
    create->SetDescription(text.data());
  } catch (...) {
    // Without memory for the text the error still goes out, undescribed.
  }
  create->SetSource(const_cast<LPOLESTR>(kErrorSource));
  create->SetGUID(iid);
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create.As(&info))) ::SetErrorInfo(0, info.Get());
  return hr;
}

HRESULT HresultFromVelmoraError(const VelmoraError& error, REFIID iid) noexcept {
  HRESULT hr = HresultFromErrorNumber(error.number());
  std::wstring description;
  try {
    description = Utf8ToWide(error.what());
  } catch (...) {
  }
  return SetRichError(hr, description, iid);
}

HRESULT HresultFromCurrentException(REFIID iid) noexcept {
  try {
    throw;
  } catch (const VelmoraError& error) {
    return HresultFromVelmoraError(error, iid);
  } catch (const HresultError& error) {
    return error.description().empty() ? error.hr() : SetRichError(error.hr(), error.description(), iid);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace velmora::win32
