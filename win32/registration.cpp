#include "registration.h"

#include <olectl.h>
#include <oleauto.h>

#include <string_view>
#include <vector>

#include "com_util.h"
#include "velmora_h.h"

namespace velmora::win32 {
namespace {

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// The category "controls": containers list in their toolbox the classes
// that implement it.
constexpr wchar_t kCatidControl[] = L"{40FC6ED4-2438-11CF-A3DB-080036F12502}";
// oleaut32's marshalers: the type library marshaler for dual interfaces,
// the dispatch marshaler for the event dispinterface. These are what
// RegisterTypeLib itself writes; the entries are written here too so that
// they do not depend on its choices.
constexpr wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kDispatchMarshaler[] = L"{00020420-0000-0000-C000-000000000046}";

// One registry value under HKEY_CLASSES_ROOT: `name` null is the key's
// default value; `value` null creates the key only.
struct Value {
  std::wstring key;
  const wchar_t* name;
  std::wstring value;
  bool has_value = true;
};

struct Plan {
  std::vector<Value> values;
  // The roots removed by unregistration, each with everything under it.
  std::vector<std::wstring> trees;
};

Plan MakePlan(const std::wstring& module_path) {
  const std::wstring libid = GuidText(LIBID_Velmora);
  const std::wstring control = L"CLSID\\" + GuidText(CLSID_VelmoraControl);
  const std::wstring page = L"CLSID\\" + GuidText(CLSID_Generale);
  Plan plan;
  auto set = [&](const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    plan.values.push_back({key, name, value});
  };
  auto key_only = [&](const std::wstring& key) { plan.values.push_back({key, nullptr, {}, false}); };

  // The control class.
  set(control, nullptr, L"VelmoraControl");
  set(control + L"\\InprocServer32", nullptr, module_path);
  set(control + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  set(control + L"\\ProgID", nullptr, kVelmoraControlProgId);
  key_only(control + L"\\Control");
  set(control + L"\\ToolboxBitmap32", nullptr, module_path + L", 30000");
  set(control + L"\\MiscStatus", nullptr, L"0");
  set(control + L"\\MiscStatus\\1", nullptr, Utf8ToWide(std::to_string(kVelmoraControlMiscStatus)));
  set(control + L"\\TypeLib", nullptr, libid);
  set(control + L"\\Version", nullptr, L"1.0");
  key_only(control + L"\\Implemented Categories\\" + kCatidControl);
  set(kVelmoraControlProgId, nullptr, L"VelmoraControl");
  set(std::wstring(kVelmoraControlProgId) + L"\\CLSID", nullptr, GuidText(CLSID_VelmoraControl));

  // The property page class.
  set(page, nullptr, L"Generale");
  set(page + L"\\InprocServer32", nullptr, module_path);
  set(page + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  set(page + L"\\ProgID", nullptr, kGeneraleProgId);
  set(page + L"\\TypeLib", nullptr, libid);
  set(page + L"\\Version", nullptr, L"1.0");
  set(kGeneraleProgId, nullptr, L"Generale");
  set(std::wstring(kGeneraleProgId) + L"\\CLSID", nullptr, GuidText(CLSID_Generale));

  // The interfaces, marshaled by oleaut32 from the type library.
  struct Interface {
    const IID* iid;
    const wchar_t* name;
    const wchar_t* marshaler;
  };
  const Interface interfaces[] = {
      {&IID__VelmoraControl, L"_VelmoraControl", kTypeLibMarshaler},
      {&DIID___VelmoraControl, L"__VelmoraControl", kDispatchMarshaler},
      {&IID__Generale, L"_Generale", kTypeLibMarshaler},
  };
  for (const Interface& entry : interfaces) {
    const std::wstring key = L"Interface\\" + GuidText(*entry.iid);
    set(key, nullptr, entry.name);
    set(key + L"\\ProxyStubClsid", nullptr, entry.marshaler);
    set(key + L"\\ProxyStubClsid32", nullptr, entry.marshaler);
    set(key + L"\\TypeLib", nullptr, libid);
    set(key + L"\\TypeLib", L"Version", L"1.0");
    plan.trees.push_back(key);
  }

  plan.trees.push_back(control);
  plan.trees.push_back(page);
  plan.trees.push_back(kVelmoraControlProgId);
  plan.trees.push_back(kGeneraleProgId);
  return plan;
}

HRESULT WriteValue(const Value& entry) {
  UniqueHkey key;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  if (!entry.has_value) return S_OK;
  const auto bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
  status = ::RegSetValueExW(key.get(), entry.name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(entry.value.c_str()), bytes);
  return HRESULT_FROM_WIN32(status);
}

// Removes `path` and everything under it; a missing key is no error.
HRESULT DeleteTree(const std::wstring& path) {
  LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    // RegDeleteTree empties the key; the key itself goes here.
    status = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  }
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(status);
}

// Removes the parent keys a registration created that are left empty
// ("CLSID\{x}\Implemented Categories" goes with its class; this handles
// keys above the trees, such as a "CLSID" that did not exist before).
void DeleteIfEmpty(const wchar_t* path) {
  UniqueHkey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  DWORD subkeys = 0, values = 0;
  if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  key.reset();
  if (subkeys == 0 && values == 0) ::RegDeleteKeyW(HKEY_CLASSES_ROOT, path);
}

HRESULT RegisterTypeLibrary(const std::wstring& module_path) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = ::LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  std::wstring path = module_path;  // RegisterTypeLib takes non-const text
  return ::RegisterTypeLib(lib.Get(), path.data(), nullptr);
}

HRESULT UnregisterTypeLibrary(const std::wstring& module_path) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = ::LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const TLIBATTR lib_attr = *attr;
  lib->ReleaseTLibAttr(attr);
  // Not registered (never, or already removed) is what unregistration wants.
  UniqueBstr registered;
  if (FAILED(::QueryPathOfRegTypeLib(lib_attr.guid, lib_attr.wMajorVerNum, lib_attr.wMinorVerNum,
                                     lib_attr.lcid, registered.put()))) {
    return S_OK;
  }
  return ::UnRegisterTypeLib(lib_attr.guid, lib_attr.wMajorVerNum, lib_attr.wMinorVerNum,
                             lib_attr.lcid, lib_attr.syskind);
}

}  // namespace

HRESULT RegisterServer(const std::wstring& module_path) {
  const Plan plan = MakePlan(module_path);
  HRESULT hr = RegisterTypeLibrary(module_path);
  if (FAILED(hr)) {
    UnregisterServer(module_path);
    return SELFREG_E_TYPELIB;
  }
  for (const Value& entry : plan.values) {
    hr = WriteValue(entry);
    if (FAILED(hr)) {
      UnregisterServer(module_path);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT UnregisterServer(const std::wstring& module_path) {
  const Plan plan = MakePlan(module_path);
  // Everything is attempted; the first failure is reported.
  HRESULT result = UnregisterTypeLibrary(module_path);
  if (FAILED(result)) result = SELFREG_E_TYPELIB;
  for (const std::wstring& tree : plan.trees) {
    if (FAILED(DeleteTree(tree)) && SUCCEEDED(result)) result = SELFREG_E_CLASS;
  }
  const std::wstring typelib = L"TypeLib\\" + GuidText(LIBID_Velmora);
  DeleteIfEmpty(typelib.c_str());
  return result;
}

}  // namespace velmora::win32
