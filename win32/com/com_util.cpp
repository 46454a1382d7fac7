#include "com/com_util.h"

#include <oleauto.h>

#include <algorithm>
#include <limits>

#include <ocidl.h>

#include "velmora_h.h"

// The linker's symbol for the start of the image this code is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace velmora::win32 {

namespace {
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// First-time set-up shared by every apartment goes through the system's
// one-time initialisation: the C++ runtime of this build has no thread
// support for function-local statics (two threads racing into one throw),
// and the set-up must run exactly once whichever thread comes first.
INIT_ONCE g_dpiOnce = INIT_ONCE_STATIC_INIT;
ScreenDpi g_dpi{96, 96};

BOOL CALLBACK ReadScreenDpi(PINIT_ONCE, PVOID, PVOID*) {
  if (HDC screen = ::GetDC(nullptr)) {
    g_dpi.x = ::GetDeviceCaps(screen, LOGPIXELSX);
    g_dpi.y = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
  }
  if (g_dpi.x <= 0) g_dpi.x = 96;
  if (g_dpi.y <= 0) g_dpi.y = 96;
  return TRUE;
}

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

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();
  int size = static_cast<int>(text.size());
  int wide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), wide);
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();
  int size = static_cast<int>(text.size());
  int narrow = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (narrow <= 0) return {};
  std::string out(static_cast<std::size_t>(narrow), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), narrow, nullptr, nullptr);
  return out;
}

UniqueBstr UniqueBstr::FromWide(std::wstring_view text) {
  if (text.size() > std::numeric_limits<UINT>::max() / 2) throw std::bad_alloc();
  BSTR value = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (value == nullptr) throw std::bad_alloc();
  return UniqueBstr(value);
}

UniqueBstr UniqueBstr::FromUtf8(std::string_view text) { return FromWide(Utf8ToWide(text)); }

std::string UniqueBstr::ToUtf8() const { return WideToUtf8(std::wstring_view(get() ? get() : L"", length())); }

wchar_t* TaskMemoryString(std::wstring_view text) noexcept {
  auto copy = UniqueTaskMemory<wchar_t>::Allocate(text.size() + 1);
  if (!copy) return nullptr;
  std::copy(text.begin(), text.end(), copy.get());
  copy.get()[text.size()] = L'\0';
  return copy.release();
}


void ThrowIfFailed(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return;
  // " (0x8000FFFF)", spelled out here: the C library's printf would bring its
  // whole formatting engine into the control for this one line.
  std::string message = std::string(what) + " (0x";
  for (int shift = 28; shift >= 0; shift -= 4)
    message += "0123456789ABCDEF"[(static_cast<unsigned long>(hr) >> shift) & 0xF];
  message += ')';
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) throw VelmoraError(HRESULT_CODE(hr), message);
  if (hr == E_INVALIDARG) throw VelmoraError(ErrorNumber::InvalidPropertyValue, message);
  throw VelmoraError(ErrorNumber::ServiceFailed, message);
}

HRESULT HresultFromErrorNumber(int number) noexcept {
  if (number <= 0 || number > 0xFFFF) return E_FAIL;
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
}

HRESULT SetRichError(HRESULT hr, std::wstring_view description, REFIID iid) noexcept {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(&create))) return hr;
  try {
    std::wstring text(description);  // null-terminated copy
    create->SetDescription(text.data());
  } catch (...) {
    // Without memory for the text the error still goes out, undescribed.
  }
  create->SetSource(const_cast<LPOLESTR>(kErrorSource));
  create->SetGUID(iid);
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create.As(&info))) ::SetErrorInfo(0, info.Get());
  return hr;
}

HRESULT HresultFromVelmoraError(const VelmoraError& error, REFIID iid) noexcept {
  HRESULT hr = HresultFromErrorNumber(error.number());
  std::wstring description;
  try {
    description = Utf8ToWide(error.what());
  } catch (...) {
  }
  return SetRichError(hr, description, iid);
}

const IID& DefaultErrorInterface() noexcept { return IID__VelmoraControl; }

HRESULT HresultFromCurrentException(REFIID iid) noexcept {
  try {
    throw;
  } catch (const VelmoraError& error) {
    return HresultFromVelmoraError(error, iid);
  } catch (const HresultError& error) {
    return error.description().empty() ? error.hr() : SetRichError(error.hr(), error.description(), iid);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

ScreenDpi CurrentScreenDpi() noexcept {
  ::InitOnceExecuteOnce(&g_dpiOnce, &ReadScreenDpi, nullptr, nullptr);
  return g_dpi;
}

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
struct CachedTypeInfo {
  GUID guid;
  bool vtable;
  ITypeInfo* info;
};
// The control's interface and class, the page's interface: a few entries
// serve the whole module.
CachedTypeInfo g_typeInfos[6];
std::size_t g_typeInfoCount = 0;
SRWLOCK g_typeInfoLock = SRWLOCK_INIT;

HRESULT LookUpTypeInfo(REFGUID guid, bool vtable, ITypeInfo** info) noexcept {
  ComPtr<ITypeLib> library;
  HRESULT hr = ModuleTypeLibrary(&library);
  if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(guid, info);
  if (FAILED(hr) || !vtable) return hr;
  ComPtr<ITypeInfo> dispatchView;
  dispatchView.Attach(*info);
  *info = nullptr;
  HREFTYPE ref = 0;
  hr = dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
  return SUCCEEDED(hr) ? dispatchView->GetRefTypeInfo(ref, info) : hr;
}
}  // namespace

HRESULT ModuleTypeInfo(REFGUID guid, bool vtable, ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  ::AcquireSRWLockExclusive(&g_typeInfoLock);
  HRESULT hr = S_OK;
  for (std::size_t i = 0; i < g_typeInfoCount && !*info; ++i)
    if (g_typeInfos[i].vtable == vtable && IsEqualGUID(g_typeInfos[i].guid, guid)) *info = g_typeInfos[i].info;
  if (*info) {
    (*info)->AddRef();
  } else {
    hr = LookUpTypeInfo(guid, vtable, info);
    if (SUCCEEDED(hr) && g_typeInfoCount < std::size(g_typeInfos)) {
      (*info)->AddRef();
      g_typeInfos[g_typeInfoCount++] = {guid, vtable, *info};
    }
  }
  ::ReleaseSRWLockExclusive(&g_typeInfoLock);
  return hr;
}

void ReleaseModuleTypeLibrary() noexcept {
  for (std::size_t i = 0; i < g_typeInfoCount; ++i) g_typeInfos[i].info->Release();
  g_typeInfoCount = 0;
  if (g_typeLib) g_typeLib->Release();
  g_typeLib = nullptr;
}

bool TypedCharacterQueued(HWND window, UINT keyMessage, LPARAM keyLParam, bool remove) noexcept {
  const UINT charMessage = keyMessage == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  MSG queued{};
  // The same key: scan code and extended bit of the key-down.
  const bool same = ::PeekMessageW(&queued, window, charMessage, charMessage, PM_NOREMOVE | PM_NOYIELD) &&
                    ((queued.lParam >> 16) & 0x1FF) == ((keyLParam >> 16) & 0x1FF);
  if (same && remove) ::PeekMessageW(&queued, window, charMessage, charMessage, PM_REMOVE | PM_NOYIELD);
  return same;
}

ModifierKeys HeldModifierKeys() noexcept {
  BYTE keys[256] = {};
  ModifierKeys held;
  if (!::GetKeyboardState(keys)) return held;
  held.shift = (keys[VK_SHIFT] & 0x80) != 0;
  held.control = (keys[VK_CONTROL] & 0x80) != 0;
  held.alt = (keys[VK_MENU] & 0x80) != 0;
  return held;
}

}  // namespace velmora::win32
