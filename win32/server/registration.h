// Self-registration of the library: the classes, their interfaces and the
// type library, written by DllRegisterServer and removed by
// DllUnregisterServer.
#pragma once

#include <windows.h>
#include <oleidl.h>

#include <string>

namespace velmora::win32 {

inline constexpr wchar_t kVelmoraControlProgId[] = L"Velmora.VelmoraControl";
inline constexpr wchar_t kGeneraleProgId[] = L"Velmora.Generale";

// Registers everything for the server at `module_path` (the OCX's full
// path). On failure, what was written is removed again.
HRESULT RegisterServer(const std::wstring& module_path);

// Removes every key and value RegisterServer writes. Keys that were never
// written are no error.
HRESULT UnregisterServer(const std::wstring& module_path);

}  // namespace velmora::win32
