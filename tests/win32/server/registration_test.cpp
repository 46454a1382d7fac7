// Self-registration against a private copy of HKEY_CLASSES_ROOT: the
// predefined key is redirected to a scratch key for the test, so the whole
// tree that registration writes can be listed and compared, and what is
// left after unregistration can be seen key by key.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "com/com_strings.h"
#include "com/handles.h"
#include "server/registration.h"
#include "test_container.h"
#include "test_support.h"
#include "velmora_h.h"

namespace {

using namespace velmora::testing;
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

constexpr wchar_t kControl[] = L"CLSID\\{D2477495-F693-11D3-8F25-F3F5CE97CB72}";
constexpr wchar_t kPage[] = L"CLSID\\{D2477498-F693-11D3-8F25-F3F5CE97CB72}";
constexpr wchar_t kLibid[] = L"{D2477499-F693-11D3-8F25-F3F5CE97CB72}";
constexpr wchar_t kCategory[] = L"Component Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}";

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

  void SetValue(const std::wstring& key, const std::wstring& value, const wchar_t* name = nullptr) {
    UniqueHkey created;
    ASSERT_EQ(::RegCreateKeyExW(scratch_.get(), key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.put(),
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(created.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  // Only the empty roots that any system has remain, and the controls
  // category's description, which every control shares (registry names are
  // case-insensitive).
  void ExpectOnlySharedRootsLeft() {
    for (const std::wstring& key : Keys()) {
      bool shared = false;
      for (const wchar_t* root : {L"CLSID", L"Interface", L"TypeLib", L"Component Categories", kCategory})
        shared = shared || ::lstrcmpiW(key.c_str(), root) == 0;
      EXPECT_TRUE(shared) << "left behind: " << Narrow(key);
    }
  }

  UniqueHkey scratch_;
  std::wstring scratch_path_;
};

struct ValueRow {
  std::wstring key;
  const wchar_t* name;  // null: the key's default value
  std::wstring expected;
};


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

  EXPECT_EQ(Read(kCategory, L"409"), L"Control") << "the controls category is described";

  ASSERT_EQ(velmora::win32::UnregisterServer(ocx), S_OK);
  ExpectOnlySharedRootsLeft();
  EXPECT_EQ(velmora::win32::UnregisterServer(ocx), S_OK) << "a second removal is no error";
}

// What the release packages write for this bitness (registry_rows.txt,
// made by the build from the packages' own table): exactly what the OCX
// registers, its path and folder written [OCX] and [DIR] (a package writes
// the folder with a closing backslash, which names the same), so that a package
// and regsvr32 leave the same registry. The controls category's shared
// description is no package's; the type library's flags may carry the
// loader's "has a disk image" bit.
TEST_F(Registration, WritesWhatThePackagesWrite) {
  const std::wstring ocx = OcxPath();
  const std::wstring dir = ocx.substr(0, ocx.find_last_of(L'\\'));
  ASSERT_EQ(velmora::win32::RegisterServer(ocx), S_OK);
  auto placeholders = [&](std::wstring text) {
    for (const auto& [path, mark] : {std::pair{ocx, L"[OCX]"}, {dir, L"[DIR]"}}) {
      for (std::size_t at; (at = text.find(path)) != std::wstring::npos;) text.replace(at, path.size(), mark);
    }
    return text;
  };
  std::set<std::string> written;
  for (const std::wstring& key : Keys()) {
    if (key.rfind(L"Component Categories", 0) == 0) continue;
    UniqueHkey handle;
    ASSERT_EQ(::RegOpenKeyExW(scratch_.get(), key.c_str(), 0, KEY_READ, handle.put()), ERROR_SUCCESS);
    DWORD subkeys = 0, values = 0;
    ::RegQueryInfoKeyW(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    if (subkeys == 0 && values == 0) written.insert(Narrow(key) + "|*|");
    for (DWORD i = 0; i < values; ++i) {
      wchar_t name[256], data[1024] = {};
      DWORD name_size = 256, data_size = sizeof(data) - sizeof(wchar_t);
      ASSERT_EQ(::RegEnumValueW(handle.get(), i, name, &name_size, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                                &data_size),
                ERROR_SUCCESS);
      std::wstring value = placeholders(data);
      if (key.ends_with(L"\\FLAGS")) value = std::to_wstring(std::wcstoul(data, nullptr, 10) & ~LIBFLAG_FHASDISKIMAGE);
      written.insert(Narrow(key + L"|" + (name[0] ? name : L"@") + L"|" + value));
    }
  }
  std::set<std::string> packaged;
  FILE* file = ::_wfopen(BesideProgram(L"registry_rows.txt").c_str(), L"r");
  ASSERT_NE(file, nullptr) << "registry_rows.txt is made by the build";
  for (char line[1024]; std::fgets(line, sizeof(line), file);) {
    std::string row = line;
    while (!row.empty() && (row.back() == '\n' || row.back() == '\r')) row.pop_back();
    packaged.insert(row);
  }
  std::fclose(file);
  // Registry names are case-insensitive ("Typelib" or "TypeLib"); data is not.
  auto fold = [](std::set<std::string> rows) {
    std::set<std::string> out;
    for (std::string row : rows) {
      const std::size_t value = row.rfind('|');
      std::transform(row.begin(), row.begin() + value, row.begin(), [](char c) { return std::tolower(c); });
      out.insert(row);
    }
    return out;
  };
  written = fold(written);
  packaged = fold(packaged);
  for (const std::string& row : written) EXPECT_TRUE(packaged.count(row)) << "registered, not packaged: " << row;
  for (const std::string& row : packaged) EXPECT_TRUE(written.count(row)) << "packaged, not registered: " << row;
  ASSERT_EQ(velmora::win32::UnregisterServer(ocx), S_OK);
}

// The other bitness's OCX registered under the same type library: removing
// this one takes only this platform's entry, and the library stays
// described for the other. The other's entry goes with the other.
TEST_F(Registration, LeavesTheOtherPlatformsTypeLibraryEntry) {
  const std::wstring ocx = OcxPath();
  const std::wstring version = std::wstring(L"TypeLib\\") + kLibid + L"\\1.0";
  const bool wide = sizeof(void*) == 8;
  const std::wstring own = version + L"\\409\\" + (wide ? L"win64" : L"win32");
  const std::wstring other = version + L"\\409\\" + (wide ? L"win32" : L"win64");
  ASSERT_EQ(velmora::win32::RegisterServer(ocx), S_OK);
  SetValue(other, L"C:\\other\\Velmora.ocx");

  ASSERT_EQ(velmora::win32::UnregisterServer(ocx), S_OK);
  EXPECT_EQ(Read(own, nullptr), L"<missing>");
  EXPECT_EQ(Read(other, nullptr), L"C:\\other\\Velmora.ocx");
  EXPECT_EQ(Read(version, nullptr), L"TextBox Formattato");

  // The other OCX's own removal, as its copy of this code does it.
  ASSERT_EQ(::RegDeleteKeyW(scratch_.get(), other.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(velmora::win32::UnregisterServer(ocx), S_OK);
  ExpectOnlySharedRootsLeft();
}

// A description the system or another control wrote stays as it is.
TEST_F(Registration, KeepsAnExistingCategoryDescription) {
  SetValue(kCategory, L"Controlli", L"410");
  ASSERT_EQ(velmora::win32::RegisterServer(OcxPath()), S_OK);
  EXPECT_EQ(Read(kCategory, L"410"), L"Controlli");
  EXPECT_EQ(Read(kCategory, L"409"), L"<missing>");
  ASSERT_EQ(velmora::win32::UnregisterServer(OcxPath()), S_OK);
  EXPECT_EQ(Read(kCategory, L"410"), L"Controlli");
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

// ---- an installed OCX, as registration_test.sh leaves it ---------------------

namespace {

// What the script expects of the registry this run sees; the test skips
// itself when the script did not start it.
const char* ScriptSays(const char* name) { return std::getenv(name); }

// A worker thread of its own apartment (multi-threaded) reaches the control
// and a client's event sink through the system's marshalers, which build the
// proxies of the dual and the event interface from the type library: it sets
// and reads a property of the control, and calls the sink as an event would.
struct Marshaled {
  IStream* control = nullptr;
  IStream* sink = nullptr;
};

DWORD WINAPI CallFromAnotherApartment(void* argument) {
  const Marshaled& streams = *static_cast<Marshaled*>(argument);
  velmora::testing::OleScope apartment(Apartment::kMultiThreaded);
  DWORD result = 0;
  _VelmoraControl* control = nullptr;
  short length = 0;
  if (FAILED(::CoGetInterfaceAndReleaseStream(streams.control, IID__VelmoraControl,
                                              reinterpret_cast<void**>(&control))) ||
      FAILED(control->put_MaxLength(7)) || FAILED(control->get_MaxLength(&length)) || length != 7) {
    result |= 1;
  }
  if (control) control->Release();
  IDispatch* sink = nullptr;
  DISPPARAMS none = {};
  if (FAILED(::CoGetInterfaceAndReleaseStream(streams.sink, DIID___VelmoraControl, reinterpret_cast<void**>(&sink))) ||
      FAILED(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr))) {
    result |= 2;
  }
  if (sink) sink->Release();
  return result;
}

// The client of an installed OCX (registered, or named by the program's own
// manifest): both classes by their ProgIDs and by their CLSIDs, the type
// library by its LIBID in the neutral and in the English locale, from the
// OCX the script names, and the control's own interface from another
// apartment. In an activation context a ProgID answers a stand-in for the
// CLSID, so the two are never compared.
TEST(InstalledServer, CreatesByProgIdAndLoadsTheTypeLibraryByLibid) {
  const char* expected = ScriptSays("VELMORA_INSTALLED_OCX");
  if (!expected) GTEST_SKIP() << "run by registration_test.sh";
  velmora::testing::OleScope apartment(Apartment::kSingleThreaded);
  ASSERT_TRUE(apartment.ok());
  struct Creation {
    const wchar_t* progId;
    const CLSID* clsid;
  };
  velmora::win32::ComPtr<_VelmoraControl> control;
  for (const Creation& row : {Creation{L"Velmora.VelmoraControl", nullptr}, Creation{L"Velmora.Generale", nullptr},
                              Creation{nullptr, &CLSID_VelmoraControl}, Creation{nullptr, &CLSID_Generale}}) {
    const std::string what = row.progId ? Narrow(row.progId) : "by CLSID";
    CLSID clsid = row.clsid ? *row.clsid : CLSID{};
    if (row.progId) {
      ASSERT_EQ(::CLSIDFromProgID(row.progId, &clsid), S_OK) << what;
    }
    velmora::win32::ComPtr<IUnknown> object;
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK)
        << what;
    if (row.clsid == &CLSID_VelmoraControl && object) {
      object->QueryInterface(IID__VelmoraControl, reinterpret_cast<void**>(control.GetAddressOf()));
    }
  }
  for (LCID lcid : {LCID{0}, LCID{0x409}}) {
    velmora::win32::ComPtr<ITypeLib> lib;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_Velmora, 1, 0, lcid, &lib), S_OK) << "locale " << lcid;
    velmora::win32::ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(CLSID_VelmoraControl, &info), S_OK);
    velmora::win32::UniqueBstr path;
    ASSERT_EQ(::QueryPathOfRegTypeLib(LIBID_Velmora, 1, 0, lcid, path.put()), S_OK);
    EXPECT_EQ(::lstrcmpiW(path.get(), velmora::win32::Utf8ToWide(expected).c_str()), 0) << Narrow(path.get());
  }
  ASSERT_TRUE(control);
  velmora::testing::ClientSink sink;
  Marshaled streams;
  ASSERT_EQ(::CoMarshalInterThreadInterfaceInStream(IID__VelmoraControl, control.Get(), &streams.control), S_OK)
      << "no marshaler for _VelmoraControl";
  ASSERT_EQ(::CoMarshalInterThreadInterfaceInStream(DIID___VelmoraControl, static_cast<IDispatch*>(&sink),
                                                    &streams.sink),
            S_OK)
      << "no marshaler for __VelmoraControl";
  HANDLE worker = ::CreateThread(nullptr, 0, CallFromAnotherApartment, &streams, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  // The control's apartment serves the worker's calls while it waits.
  velmora::testing::WaitPumping(worker, 30000);
  DWORD code = 1;
  ::GetExitCodeThread(worker, &code);
  ::CloseHandle(worker);
  EXPECT_EQ(code & 1, 0u) << "the control's interface from another apartment";
  EXPECT_EQ(code & 2, 0u) << "the event interface from another apartment";
  EXPECT_EQ(sink.events, std::vector<DISPID>{1});
  short length = 0;
  EXPECT_EQ(control->get_MaxLength(&length), S_OK);
  EXPECT_EQ(length, 7);
}

}  // namespace
