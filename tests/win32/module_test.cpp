// The OCX's exports as a client sees them: the OCX is loaded from beside
// this program and driven only through GetProcAddress.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <string>

#include "com_util.h"
#include "velmora_h.h"

namespace {

using velmora::win32::ComPtr;

std::wstring OcxPath() {
  std::wstring path = velmora::win32::ModulePath();
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Velmora.ocx";
}

class Ocx {
 public:
  Ocx() : module_(::LoadLibraryW(OcxPath().c_str())) {}
  ~Ocx() {
    if (module_) ::FreeLibrary(module_);
  }
  bool loaded() const { return module_ != nullptr; }
  template <class F>
  F* Export(const char* name) const {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

using CanUnloadNow = HRESULT STDAPICALLTYPE();
using GetClassObject = HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**);

TEST(Module, CanUnloadNowFollowsFactoriesAndLocks) {
  Ocx ocx;
  ASSERT_TRUE(ocx.loaded());
  auto* can_unload = ocx.Export<CanUnloadNow>("DllCanUnloadNow");
  auto* get_class_object = ocx.Export<GetClassObject>("DllGetClassObject");
  ASSERT_NE(can_unload, nullptr);
  ASSERT_NE(get_class_object, nullptr);

  EXPECT_EQ(can_unload(), S_OK) << "nothing alive after loading";
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(get_class_object(CLSID_VelmoraControl, IID_IClassFactory, &factory), S_OK);
  EXPECT_EQ(can_unload(), S_FALSE) << "a held factory keeps the module";
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(can_unload(), S_FALSE) << "a lock keeps the module";
  ASSERT_EQ(get_class_object(CLSID_Generale, IID_IClassFactory, &factory), S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(can_unload(), S_OK) << "lock released, factory released";
}

}  // namespace
