#include "registration.h"

namespace velmora::win32 {

HRESULT RegisterServer(const std::wstring&) { return S_OK; }
HRESULT UnregisterServer(const std::wstring&) { return S_OK; }

}  // namespace velmora::win32
