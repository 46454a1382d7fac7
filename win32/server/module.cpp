// The entry points of Velmora.ocx: DllMain, the class factory of the two
// classes and the four exports named in velmora.def.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdlib>
#include <new>

#include "com/com_object.h"
#include "com/com_edge.h"
#include "com/com_module.h"
#include "windows/control_window.h"
#include "control/control_object.h"
#include "page/page_object.h"
#include "server/registration.h"
#include "velmora_h.h"

namespace velmora::win32 {
namespace {

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

struct ClassEntry {
  const CLSID* clsid;
  CreateFunction create;
};

// The classes the library serves, each with its creation function.
const ClassEntry kClasses[] = {
    {&CLSID_VelmoraControl, &CreateVelmoraControl},
    {&CLSID_Generale, &CreateGeneralePage},
};

// One factory object per DllGetClassObject call. A factory counts as a live
// object, so the module stays loaded while a client holds one, even
// unlocked: its code must not be unloaded under the client's pointer.
class ClassFactory final : public ComBase<ClassFactory, IClassFactory> {
 public:
  explicit ClassFactory(CreateFunction create) noexcept : create_(create) {}

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override {
    // The creation function checks ppv and refuses aggregation where the
    // class cannot take it (StartCreation).
    return ComEdge([&] { return create_(outer, riid, ppv); }, IID__VelmoraControl);
  }

  STDMETHODIMP LockServer(BOOL lock) noexcept override {
    if (lock) {
      ModuleLock();
    } else {
      // An unbalanced unlock must not drive the count negative and let the
      // module unload under another client's lock.
      if (ModuleLockCount() <= 0) return E_UNEXPECTED;
      ModuleUnlock();
    }
    return S_OK;
  }

 private:
  friend ComBase;
  ~ClassFactory() = default;

  CreateFunction create_;
};

}  // namespace
}  // namespace velmora::win32

using namespace velmora::win32;

// Nothing may end the container's process with a message on a console it
// does not have; ComEdge stops every exception before it gets here anyway.
// Replacing the library's verbose handler also keeps its demangler (about
// 50 KB) out of the OCX.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Nothing of the module is kept per thread by the system's thread
    // notifications: each user-interface thread sets up its own state as
    // its first control needs it.
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary (DllCanUnloadNow said yes, so no control is
    // left): the process goes on, and a window class left registered would
    // point into this image after it is gone. At process exit there is
    // nothing to give back.
    ControlWindow::UnregisterWindowClass();
    ReleaseModuleTypeLibrary();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (const ClassEntry& entry : kClasses) {
    if (!IsEqualCLSID(clsid, *entry.clsid)) continue;
    try {
      return HandOver(ClassFactory::New(entry.create), riid, ppv);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return ModuleCanUnload() ? S_OK : S_FALSE; }

namespace {
// Registration or its undoing, for the module's own file.
HRESULT ForModulePath(HRESULT (*step)(const std::wstring& modulePath)) {
  return ComEdge([step] {
    std::wstring path = ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    return step(path);
  }, IID__VelmoraControl);
}
}  // namespace

STDAPI DllRegisterServer() { return ForModulePath(RegisterServer); }

STDAPI DllUnregisterServer() { return ForModulePath(UnregisterServer); }
