// Self-registration against a private copy of HKEY_CLASSES_ROOT: the
// predefined key is redirected to a scratch key for the test, so the whole
// tree that registration writes can be listed and compared, and what is
// left after unregistration can be seen key by key.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "com_util.h"
#include "registration.h"
#include "test_files.h"
#include "velmora_h.h"

namespace {

using velmora::testing::Narrow;
using velmora::testing::OcxPath;
using velmora::win32::UniqueHkey;

// Every key path under `root` ("CLSID\{...}\InprocServer32"), depth first.
void ListKeys(HKEY root, const std::wstring& prefix, std::vector<std::wstring>& out) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD size = 256;
    if (::RegEnumKeyExW(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    std::wstring path = prefix.empty() ? name : prefix + L"\\" + name;
    out.push_back(path);
    UniqueHkey child;
    if (::RegOpenKeyExW(root, name, 0, KEY_READ, child.put()) == ERROR_SUCCESS) {
      ListKeys(child.get(), path, out);
    }
  }
}

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring scratch =
        L"Software\\VelmoraTests\\Classes" + std::to_wstring(::GetCurrentProcessId());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, scratch_.put(), nullptr),
              ERROR_SUCCESS);
    scratch_path_ = scratch;
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CLASSES_ROOT, scratch_.get()), ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    scratch_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratch_path_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, scratch_path_.c_str());
  }

  std::vector<std::wstring> Keys() {
    std::vector<std::wstring> keys;
    ListKeys(scratch_.get(), L"", keys);
    return keys;
  }

  // The text of a REG_SZ value, or "<missing>".
  std::wstring Read(const std::wstring& key, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegGetValueW(scratch_.get(), key.c_str(), name, RRF_RT_ANY, &type, data, &size) !=
        ERROR_SUCCESS) {
      return L"<missing>";
    }
    if (type != REG_SZ) return L"<not REG_SZ>";
    return data;
  }

  UniqueHkey scratch_;
  std::wstring scratch_path_;
};

struct ValueRow {
  std::wstring key;
  const wchar_t* name;  // null: the key's default value
  std::wstring expected;
};

constexpr wchar_t kControl[] = L"CLSID\\{D2477495-F693-11D3-8F25-F3F5CE97CB72}";
constexpr wchar_t kPage[] = L"CLSID\\{D2477498-F693-11D3-8F25-F3F5CE97CB72}";
constexpr wchar_t kLibid[] = L"{D2477499-F693-11D3-8F25-F3F5CE97CB72}";

TEST_F(Registration, WritesTheClassesInterfacesAndTypeLibraryThenRemovesThemAll) {
  const std::wstring ocx = OcxPath();
  const std::wstring control = kControl;
  const std::wstring page = kPage;
  const std::wstring typelib = std::wstring(L"TypeLib\\") + kLibid + L"\\1.0";
  const std::wstring win = sizeof(void*) == 4 ? L"win32" : L"win64";
  ASSERT_EQ(velmora::win32::RegisterServer(ocx), S_OK);

  const ValueRow rows[] = {
      {kControl, nullptr, L"VelmoraControl"},
      {control + L"\\InprocServer32", nullptr, ocx},
      {control + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {control + L"\\ProgID", nullptr, L"Velmora.VelmoraControl"},
      {control + L"\\ToolboxBitmap32", nullptr, ocx + L", 30000"},
      {control + L"\\MiscStatus", nullptr, L"0"},
      {control + L"\\MiscStatus\\1", nullptr, L"131473"},
      {control + L"\\TypeLib", nullptr, kLibid},
      {control + L"\\Version", nullptr, L"1.0"},
      {L"Velmora.VelmoraControl\\CLSID", nullptr, L"{D2477495-F693-11D3-8F25-F3F5CE97CB72}"},
      {kPage, nullptr, L"Generale"},
      {page + L"\\InprocServer32", nullptr, ocx},
      {page + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {page + L"\\ProgID", nullptr, L"Velmora.Generale"},
      {page + L"\\TypeLib", nullptr, kLibid},
      {page + L"\\Version", nullptr, L"1.0"},
      {L"Velmora.Generale\\CLSID", nullptr, L"{D2477498-F693-11D3-8F25-F3F5CE97CB72}"},
      {L"Interface\\{D2477494-F693-11D3-8F25-F3F5CE97CB72}\\ProxyStubClsid32", nullptr,
       L"{00020424-0000-0000-C000-000000000046}"},
      {L"Interface\\{D2477497-F693-11D3-8F25-F3F5CE97CB72}\\ProxyStubClsid32", nullptr,
       L"{00020424-0000-0000-C000-000000000046}"},
      {L"Interface\\{D2477496-F693-11D3-8F25-F3F5CE97CB72}\\ProxyStubClsid32", nullptr,
       L"{00020420-0000-0000-C000-000000000046}"},
      {L"Interface\\{D2477494-F693-11D3-8F25-F3F5CE97CB72}\\TypeLib", nullptr, kLibid},
      {L"Interface\\{D2477494-F693-11D3-8F25-F3F5CE97CB72}\\TypeLib", L"Version", L"1.0"},
      {typelib.c_str(), nullptr, L"TextBox Formattato"},
      {typelib + L"\\409\\" + win, nullptr, ocx},
  };
  for (const ValueRow& row : rows) {
    EXPECT_EQ(Read(row.key, row.name), row.expected)
        << Narrow(row.key) << " " << (row.name ? Narrow(row.name) : "(default)");
  }
  // FLAGS is the library flags in decimal; the loader may add "has a disk
  // image" (8) to the library's own "control" (2).
  const std::wstring flags = Read(typelib + L"\\FLAGS", nullptr);
  EXPECT_EQ(std::wcstoul(flags.c_str(), nullptr, 10) & ~LIBFLAG_FHASDISKIMAGE, LIBFLAG_FCONTROL)
      << Narrow(flags);
  const auto keys = Keys();
  for (const wchar_t* key :
       {L"Control", L"Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}"}) {
    EXPECT_NE(std::find(keys.begin(), keys.end(), control + L"\\" + key), keys.end())
        << Narrow(key);
  }

  ASSERT_EQ(velmora::win32::UnregisterServer(ocx), S_OK);
  // Only the empty roots that any system has remain (registry names are
  // case-insensitive).
  for (const std::wstring& key : Keys()) {
    const bool root = ::lstrcmpiW(key.c_str(), L"CLSID") == 0 ||
                      ::lstrcmpiW(key.c_str(), L"Interface") == 0 ||
                      ::lstrcmpiW(key.c_str(), L"TypeLib") == 0;
    EXPECT_TRUE(root) << "left behind: " << Narrow(key);
  }
  EXPECT_EQ(velmora::win32::UnregisterServer(ocx), S_OK) << "a second removal is no error";
}

// A module without a type library cannot be registered, and the attempt
// leaves nothing behind.
TEST_F(Registration, FailedRegistrationLeavesNothing) {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring no_typelib = std::wstring(system) + L"\\kernel32.dll";
  EXPECT_EQ(velmora::win32::RegisterServer(no_typelib), SELFREG_E_TYPELIB);
  EXPECT_EQ(Keys(), std::vector<std::wstring>{});
}

}  // namespace
