#include "com/com_module.h"

#include <wrl/client.h>

#include <atomic>
#include <utility>

// The linker's symbol for the start of the image this code is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace velmora::win32 {

using Microsoft::WRL::ComPtr;

namespace {
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// First-time set-up shared by every apartment goes through the system's
// one-time initialisation: the C++ runtime of this build has no thread
// support for function-local statics (two threads racing into one throw),
// and the set-up must run exactly once whichever thread comes first.
INIT_ONCE g_typeLibOnce = INIT_ONCE_STATIC_INIT;
ITypeLib* g_typeLib = nullptr;

// A failure leaves the one-time set-up undone, so a later call tries again;
// its HRESULT goes back through the parameter.
BOOL CALLBACK LoadModuleTypeLibrary(PINIT_ONCE, PVOID parameter, PVOID*) {
  auto* result = static_cast<HRESULT*>(parameter);
  try {
    const std::wstring path = ModulePath();
    if (path.empty()) {
      *result = E_UNEXPECTED;
      return FALSE;
    }
    *result = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_typeLib);
  } catch (...) {
    *result = E_OUTOFMEMORY;
  }
  return SUCCEEDED(*result) ? TRUE : FALSE;
}
}  // namespace

HINSTANCE ModuleInstance() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(path.size());
    DWORD got = ::GetModuleFileNameW(ModuleInstance(), path.data(), size);
    if (got == 0) return {};
    if (got < size) {
      path.resize(got);
      return path;
    }
    // Truncated: a longer path than MAX_PATH; try again with more room.
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

void ModuleAddRef() noexcept { ++g_objects; }
void ModuleRelease() noexcept { --g_objects; }
void ModuleLock() noexcept { ++g_locks; }
void ModuleUnlock() noexcept { --g_locks; }
long ModuleObjectCount() noexcept { return g_objects.load(); }
long ModuleLockCount() noexcept { return g_locks.load(); }
bool ModuleCanUnload() noexcept { return g_objects.load() == 0 && g_locks.load() == 0; }

HRESULT ModuleTypeLibrary(ITypeLib** library) noexcept {
  if (library == nullptr) return E_POINTER;
  *library = nullptr;
  HRESULT hr = S_OK;
  if (!::InitOnceExecuteOnce(&g_typeLibOnce, &LoadModuleTypeLibrary, &hr, nullptr))
    return FAILED(hr) ? hr : E_UNEXPECTED;
  if (g_typeLib == nullptr) return E_UNEXPECTED;  // the module is being unloaded
  g_typeLib->AddRef();
  *library = g_typeLib;
  return S_OK;
}

namespace {
// One slot per type of the module's enumeration; a slot is filled once.
ITypeInfo* g_typeInfos[kTypeInfoSlots] = {};
SRWLOCK g_typeInfoLock = SRWLOCK_INIT;

HRESULT LookUpTypeInfo(REFGUID guid, bool vtable, ITypeInfo** info) noexcept {
  ComPtr<ITypeLib> library;
  HRESULT hr = ModuleTypeLibrary(&library);
  if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(guid, info);
  if (FAILED(hr) || !vtable) return hr;
  // mingw-w64's ComPtr::Attach adds a reference of its own, so the
  // pointer is handed over by hand: the dispatch view is released here.
  ComPtr<ITypeInfo> dispatchView;
  *dispatchView.GetAddressOf() = std::exchange(*info, nullptr);
  HREFTYPE ref = 0;
  hr = dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
  return SUCCEEDED(hr) ? dispatchView->GetRefTypeInfo(ref, info) : hr;
}
}  // namespace

HRESULT CachedTypeInfo(unsigned slot, REFGUID guid, bool vtable, ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (slot >= kTypeInfoSlots) return E_INVALIDARG;
  ::AcquireSRWLockExclusive(&g_typeInfoLock);
  HRESULT hr = S_OK;
  if (!g_typeInfos[slot]) hr = LookUpTypeInfo(guid, vtable, &g_typeInfos[slot]);
  if (SUCCEEDED(hr)) {
    *info = g_typeInfos[slot];
    (*info)->AddRef();
  }
  ::ReleaseSRWLockExclusive(&g_typeInfoLock);
  return hr;
}

void ReleaseModuleTypeLibrary() noexcept {
  for (ITypeInfo*& info : g_typeInfos)
    if (info) std::exchange(info, nullptr)->Release();
  if (g_typeLib) g_typeLib->Release();
  g_typeLib = nullptr;
}

}  // namespace velmora::win32
