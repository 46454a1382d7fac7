// Files beside the test program (the OCX is built into the same folder),
// and wide text made readable in failure messages.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "com/com_module.h"
#include "com/com_strings.h"

namespace velmora::testing {

inline std::wstring BesideProgram(const wchar_t* name) {
  std::wstring path = velmora::win32::ModulePath();
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

inline std::wstring OcxPath() { return BesideProgram(L"Velmora.ocx"); }

inline std::string Narrow(std::wstring_view text) { return velmora::win32::WideToUtf8(text); }

}  // namespace velmora::testing
