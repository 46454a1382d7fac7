// The module: the image this code is linked into, its live objects and
// locks (DllCanUnloadNow answers from them), and its type library and type
// information, loaded once and shared by every object.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

namespace velmora::win32 {

// The instance handle of the image this code is linked into: the OCX, or the
// test program that links the same code. Resources and the type library are
// loaded from it.
HINSTANCE ModuleInstance() noexcept;

// The full path of that image ("C:\...\Velmora.ocx"); empty if it cannot be
// read.
std::wstring ModulePath();

// Live objects (every COM object of the library, class factories included)
// and server locks (IClassFactory::LockServer). The module may unload only
// when both are zero.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
long ModuleObjectCount() noexcept;
long ModuleLockCount() noexcept;
bool ModuleCanUnload() noexcept;

// The library's own type library, embedded in the module, loaded once for
// the whole process and held until the module is unloaded: every object
// on every thread describes itself from the same object, and the library
// never drops to its last reference while another apartment is taking it
// from the system's cache. Answers it AddRef'ed.
HRESULT ModuleTypeLibrary(ITypeLib** library) noexcept;
// The type information of one type of that library, looked up once per
// module and held with it, shared by every object that describes itself
// with it. Each type has its own slot, numbered by the enumeration of the
// types the module describes (`Types`, with a last member Count): the
// enumeration's TypeRowOf(type) names the type's GUID (guid) and whether
// it is the vtable view of a dual interface (vtable: the one
// ITypeInfo::Invoke calls through). Answers it AddRef'ed.
inline constexpr unsigned kTypeInfoSlots = 8;
HRESULT CachedTypeInfo(unsigned slot, REFGUID guid, bool vtable, ITypeInfo** info) noexcept;
template <class Types>
HRESULT ModuleTypeInfo(Types type, ITypeInfo** info) noexcept {
  static_assert(static_cast<unsigned>(Types::Count) <= kTypeInfoSlots, "a slot for every type");
  const auto row = TypeRowOf(type);
  return CachedTypeInfo(static_cast<unsigned>(type), *row.guid, row.vtable, info);
}
// For the module's unload (DllMain): gives the held type library and type
// information back.
void ReleaseModuleTypeLibrary() noexcept;

}  // namespace velmora::win32
