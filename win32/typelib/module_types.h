// The types of the library's type library that its objects describe
// themselves with, one slot each in the module's type-information cache
// (com/com_module.h).
#pragma once

#include "velmora_h.h"

namespace velmora::win32 {

enum class ModuleType : unsigned {
  ControlDispatch,  // _VelmoraControl, as IDispatch::GetTypeInfo answers it
  ControlVtable,    // its vtable view, which ITypeInfo::Invoke calls through
  ControlClass,     // the coclass, for IProvideClassInfo
  PageDispatch,     // the property page's _Generale
  Count
};

struct ModuleTypeRow {
  const GUID* guid;
  bool vtable;
};

inline ModuleTypeRow TypeRowOf(ModuleType type) noexcept {
  switch (type) {
    case ModuleType::ControlVtable: return {&IID__VelmoraControl, true};
    case ModuleType::ControlClass: return {&CLSID_VelmoraControl, false};
    case ModuleType::PageDispatch: return {&IID__Generale, false};
    default: return {&IID__VelmoraControl, false};
  }
}

}  // namespace velmora::win32
