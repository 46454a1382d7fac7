#include "server/registration.h"

#include <olectl.h>
#include <oleauto.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "com/com_edge.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "embedding/ole_embedding.h"
#include "velmora_h.h"

namespace velmora::win32 {

// Errors come from the control, whichever object raised them: scripts and
// hosts show this name beside the message.
extern const wchar_t* const kErrorSource = kVelmoraControlProgId;

namespace {

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// The category "controls": containers list in their toolbox the classes
// that implement it. Its description is shared by every control, so it is
// written only where none exists and never removed.
constexpr wchar_t kCatidControl[] = L"{40FC6ED4-2438-11CF-A3DB-080036F12502}";
constexpr wchar_t kCatidControlDescription[] = L"Control";

// On 64-bit Windows the registry has a view for each bitness: the classes
// (CLSID) and interfaces are each view's own, while the ProgIDs and the
// type libraries are shared, the type library with one entry per platform
// under its locale. The 32-bit and the 64-bit OCX can therefore be
// installed side by side, and each removes only what is its own. (32-bit
// Windows has one view and ignores the flags.)
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
constexpr const wchar_t* kTypeLibPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";
// The type library's version and locale, as RegisterTypeLib names their
// keys: TypeLib\{libid}\1.0\409\win32. The same file is also entered
// under the neutral locale 0: that is the one the system's marshaler asks
// for when another apartment needs a proxy, and with 409 alone it finds no
// library and the control's own interface cannot leave its apartment.
constexpr wchar_t kTypeLibVersion[] = L"1.0";
constexpr const wchar_t* kTypeLibLocales[] = {L"409", L"0"};
// oleaut32's marshalers: the type library marshaler for dual interfaces,
// the dispatch marshaler for the event dispinterface. These are what
// RegisterTypeLib itself writes; the entries are written here too so that
// they do not depend on its choices.
constexpr wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kDispatchMarshaler[] = L"{00020420-0000-0000-C000-000000000046}";

// One registry value under HKEY_CLASSES_ROOT: `name` null is the key's
// default value; without `has_value` the key is created and nothing set.
struct Value {
  std::wstring key;
  const wchar_t* name;
  std::wstring value;
  bool has_value = true;
};

// A ProgID and the class it names.
struct ProgId {
  const wchar_t* name;
  const CLSID* clsid;
};
const ProgId kProgIds[] = {{kVelmoraControlProgId, &CLSID_VelmoraControl}, {kGeneraleProgId, &CLSID_Generale}};

struct Plan {
  std::vector<Value> values;
  // The roots of this view removed by unregistration, each with everything
  // under it.
  std::vector<std::wstring> trees;
  // The interfaces' keys (also in trees). The system's RegisterTypeLib may
  // write them into the other view too, for that view's clients.
  std::vector<std::wstring> interfaces;
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
  set(control + L"\\MiscStatus\\1", nullptr, Utf8ToWide(std::to_string(kVelmoraMiscStatus)));
  set(control + L"\\TypeLib", nullptr, libid);
  set(control + L"\\Version", nullptr, L"1.0");
  set(L"TypeLib\\" + libid + L"\\" + kTypeLibVersion + L"\\0\\" + kTypeLibPlatform, nullptr, module_path);
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
    plan.interfaces.push_back(key);
  }

  plan.trees.push_back(control);
  plan.trees.push_back(page);
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

// Whether a subkey of `path` has subkeys other than those named in `except`.
bool HasSubkeysBut(const std::wstring& path, std::initializer_list<std::wstring_view> except) {
  UniqueHkey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD size = 256;
    if (::RegEnumKeyExW(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    bool listed = false;
    for (std::wstring_view other : except) listed = listed || ::lstrcmpiW(name, std::wstring(other).c_str()) == 0;
    if (!listed) return true;
  }
}

// Whether a view of the registry (this process's own: 0, or kOtherView)
// has a server for the class.
bool ViewRegistersClass(const CLSID& clsid, REGSAM view) {
  const std::wstring path = L"CLSID\\" + GuidText(clsid) + L"\\InprocServer32";
  UniqueHkey key;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) == ERROR_SUCCESS;
}

// Removes an interface's key from the other view, when it is this type
// library's: the system's RegisterTypeLib may have written it there.
void DeleteOtherViewsInterface(const std::wstring& path) {
  UniqueHkey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (path + L"\\TypeLib").c_str(), 0, KEY_QUERY_VALUE | kOtherView,
                      key.put()) != ERROR_SUCCESS)
    return;
  wchar_t libid[64] = {};
  DWORD size = sizeof(libid) - sizeof(wchar_t);
  const bool ours = ::RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(libid), &size) ==
                        ERROR_SUCCESS &&
                    ::lstrcmpiW(libid, GuidText(LIBID_Velmora).c_str()) == 0;
  key.reset();
  if (!ours) return;
  const std::size_t slash = path.rfind(L'\\');
  UniqueHkey parent;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | kOtherView,
                      parent.put()) != ERROR_SUCCESS)
    return;
  const std::wstring name = path.substr(slash + 1);
  ::RegDeleteTreeW(parent.get(), name.c_str());
  ::RegDeleteKeyExW(parent.get(), name.c_str(), kOtherView, 0);
}

// The category's description, written when the category has none in any
// language.
HRESULT DescribeControlCategory() {
  const std::wstring path = std::wstring(L"Component Categories\\") + kCatidControl;
  UniqueHkey key;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                     nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  DWORD values = 0;
  status = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                              nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  if (values > 0) return S_OK;
  const auto bytes = static_cast<DWORD>(sizeof(kCatidControlDescription));
  status = ::RegSetValueExW(key.get(), L"409", 0, REG_SZ, reinterpret_cast<const BYTE*>(kCatidControlDescription),
                            bytes);
  return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterTypeLibrary(const std::wstring& module_path) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = ::LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  std::wstring path = module_path;  // RegisterTypeLib takes non-const text
  return ::RegisterTypeLib(lib.Get(), path.data(), nullptr);
}

// Removes this platform's entry of the type library; the library's key goes
// only with the last platform, since the other bitness's OCX may still be
// registered under it. (UnRegisterTypeLib is not used: it also takes the
// interfaces with it and refuses a platform whose entry is gone.)
HRESULT UnregisterTypeLibrary() {
  const std::wstring library = L"TypeLib\\" + GuidText(LIBID_Velmora);
  const std::wstring version = library + L"\\" + kTypeLibVersion;
  HRESULT result = S_OK;
  for (const wchar_t* name : kTypeLibLocales) {
    const std::wstring locale = version + L"\\" + name;
    const HRESULT hr = DeleteTree(locale + L"\\" + kTypeLibPlatform);
    if (SUCCEEDED(result)) result = hr;
    DeleteIfEmpty(locale.c_str());
  }
  if (!HasSubkeysBut(version, {L"FLAGS", L"HELPDIR"})) {
    const HRESULT hr = DeleteTree(version);
    if (SUCCEEDED(result)) result = hr;
  }
  DeleteIfEmpty(library.c_str());
  return result;
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
  if (FAILED(DescribeControlCategory())) {
    UnregisterServer(module_path);
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServer(const std::wstring& module_path) {
  const Plan plan = MakePlan(module_path);
  // Everything is attempted; the first failure is reported.
  HRESULT result = UnregisterTypeLibrary();
  if (FAILED(result)) result = SELFREG_E_TYPELIB;
  for (const std::wstring& tree : plan.trees) {
    if (FAILED(DeleteTree(tree)) && SUCCEEDED(result)) result = SELFREG_E_CLASS;
  }
  // A ProgID goes with the last view that registers its class, and so do
  // the interface keys the other view was given by RegisterTypeLib.
  for (const ProgId& progId : kProgIds) {
    if (ViewRegistersClass(*progId.clsid, 0) || ViewRegistersClass(*progId.clsid, kOtherView)) continue;
    if (FAILED(DeleteTree(progId.name)) && SUCCEEDED(result)) result = SELFREG_E_CLASS;
  }
  if (!ViewRegistersClass(CLSID_VelmoraControl, kOtherView)) {
    for (const std::wstring& path : plan.interfaces) DeleteOtherViewsInterface(path);
  }
  return result;
}

}  // namespace velmora::win32
