// The COM skeleton every object of the library is built on:
//  - Microsoft::WRL::ComPtr for interface pointers (wrl/client.h);
//  - QueryInterface from a table of (IID, offset) rows;
//  - an atomic reference count and the module's live-object and lock counts
//    that DllCanUnloadNow answers from;
//  - RAII owners for BSTR, VARIANT, HWND, HFONT and HBRUSH;
//  - the error edge: every COM method runs its body through ComEdge, so no
//    C++ exception ever crosses the COM boundary, and a core error turns
//    into its HRESULT with rich error information;
//  - the module's instance handle and file path.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <atomic>
#include <cstddef>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "errors.h"

namespace velmora::win32 {

using Microsoft::WRL::ComPtr;

// ---------------------------------------------------------------------------
// Module

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

// Held as a member by every COM object, so that the object counts as live
// for exactly its own lifetime.
class ModuleReference {
 public:
  ModuleReference() noexcept { ModuleAddRef(); }
  ModuleReference(const ModuleReference&) noexcept { ModuleAddRef(); }
  ModuleReference& operator=(const ModuleReference&) noexcept { return *this; }
  ~ModuleReference() { ModuleRelease(); }
};

// ---------------------------------------------------------------------------
// Reference counting and QueryInterface

// The reference count of one object: starts at 1 for the creator's
// reference.
class RefCount {
 public:
  ULONG AddRef() noexcept { return ++count_; }
  // Returns the count left; the caller deletes the object at 0.
  ULONG Release() noexcept { return --count_; }
  ULONG Value() const noexcept { return count_.load(); }

 private:
  std::atomic<ULONG> count_{1};
};

// One row of a QueryInterface table: the interface and where its vtable
// pointer sits in the object.
struct InterfaceEntry {
  const IID* iid;
  std::ptrdiff_t offset;
};

// The offset of Interface's base sub-object inside Class.
template <class Class, class Interface>
std::ptrdiff_t InterfaceOffset() noexcept {
  // Any aligned non-null address works: only the pointer adjustment of the
  // derived-to-base conversion is measured, nothing is read.
  alignas(Class) static char probe[sizeof(Class)];
  auto* object = reinterpret_cast<Class*>(probe);
  return reinterpret_cast<char*>(static_cast<Interface*>(object)) - probe;
}

// A table row for Interface on Class, under Interface's own IID.
template <class Class, class Interface>
InterfaceEntry Entry() noexcept {
  return {&__uuidof(Interface), InterfaceOffset<Class, Interface>()};
}

// A table row answering `iid` with Class's Interface sub-object (for an
// IID that names a base or an alias, such as IDispatch or an event IID).
template <class Class, class Interface>
InterfaceEntry EntryAs(const IID& iid) noexcept {
  return {&iid, InterfaceOffset<Class, Interface>()};
}

// QueryInterface through a table: IUnknown answers with the first row's
// interface (the object's identity); any row whose IID matches answers with
// its sub-object, AddRef'ed. Returns E_POINTER or E_NOINTERFACE (with *ppv
// null) otherwise.
HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table,
                                std::size_t count, REFIID riid, void** ppv) noexcept;

template <std::size_t N>
HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry (&table)[N],
                                REFIID riid, void** ppv) noexcept {
  return QueryInterfaceFromTable(object, table, N, riid, ppv);
}

// ---------------------------------------------------------------------------
// RAII owners

// An owned Windows handle released by Close(handle).
template <class Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Invalid; }
  Handle release() noexcept { return std::exchange(handle_, Invalid); }
  // Closes the current handle and answers the address for an out parameter.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }
  void reset(Handle handle = Invalid) noexcept {
    Handle old = std::exchange(handle_, handle);
    if (old != Invalid) Close(old);
  }

 private:
  Handle handle_ = Invalid;
};

namespace detail {
inline void DestroyWindowHandle(HWND hwnd) noexcept { ::DestroyWindow(hwnd); }
inline void DeleteFontHandle(HFONT font) noexcept { ::DeleteObject(font); }
inline void DeleteBrushHandle(HBRUSH brush) noexcept { ::DeleteObject(brush); }
inline void FreeBstr(BSTR text) noexcept { ::SysFreeString(text); }
inline void CloseRegistryKey(HKEY key) noexcept { ::RegCloseKey(key); }
}  // namespace detail

using UniqueHwnd = UniqueHandle<HWND, detail::DestroyWindowHandle>;
using UniqueHfont = UniqueHandle<HFONT, detail::DeleteFontHandle>;
using UniqueHbrush = UniqueHandle<HBRUSH, detail::DeleteBrushHandle>;
using UniqueHkey = UniqueHandle<HKEY, detail::CloseRegistryKey>;

// An owned BSTR. Null is the empty string, as BSTR rules say.
class UniqueBstr : public UniqueHandle<BSTR, detail::FreeBstr> {
 public:
  using UniqueHandle::UniqueHandle;
  // Throws std::bad_alloc when the string cannot be allocated.
  static UniqueBstr FromWide(std::wstring_view text);
  static UniqueBstr FromUtf8(std::string_view text);
  UINT length() const noexcept { return ::SysStringLen(get()); }
  std::wstring ToWide() const { return std::wstring(get() ? get() : L"", length()); }
  std::string ToUtf8() const;
};

// An owned VARIANT, cleared on destruction.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { ::VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& other) noexcept : value_(other.value_) {
    ::VariantInit(&other.value_);
  }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = other.value_;
      ::VariantInit(&other.value_);
    }
    return *this;
  }
  ~UniqueVariant() { reset(); }

  VARIANT* get() noexcept { return &value_; }
  const VARIANT* get() const noexcept { return &value_; }
  VARIANT* operator->() noexcept { return &value_; }
  // Clears the value and answers its address, for out parameters.
  VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  // Hands the value over; this one is left empty.
  VARIANT release() noexcept {
    VARIANT out = value_;
    ::VariantInit(&value_);
    return out;
  }
  void reset() noexcept {
    ::VariantClear(&value_);
    ::VariantInit(&value_);
  }

 private:
  VARIANT value_;
};

// UTF-8 (the core's strings) to and from UTF-16 (Windows').
std::wstring Utf8ToWide(std::string_view text);

// Pixels per logical inch of the screen, horizontally and vertically. Read
// once per process: the system's logical resolution is fixed for a session,
// and reading it takes a screen DC, a trip to the window server under wine.
struct ScreenDpi {
  int x, y;
};
ScreenDpi CurrentScreenDpi() noexcept;

// The library's own type library, embedded in the module, loaded once for
// the whole process and held until the module is unloaded: every control
// on every thread describes itself from the same object, and the library
// never drops to its last reference while another apartment is taking it
// from the system's cache. Answers it AddRef'ed.
HRESULT ModuleTypeLibrary(ITypeLib** library) noexcept;
// For the module's unload (DllMain): gives the held type library back.
void ReleaseModuleTypeLibrary() noexcept;

// Which of Shift, Ctrl and Alt the thread's key state holds down, as the
// current key message left it, read in one call (each key-state read is a
// trip to the window server under wine, and this runs on every key).
struct ModifierKeys {
  bool shift = false, control = false, alt = false;
};
ModifierKeys HeldModifierKeys() noexcept;
std::string WideToUtf8(std::wstring_view text);

// ---------------------------------------------------------------------------
// Errors at the COM edge

// The object and interface named in rich error information.
inline constexpr wchar_t kErrorSource[] = L"Velmora.VelmoraControl";

// A failed HRESULT carried through C++ code to the COM edge, where ComEdge
// answers it as it is.
class HresultError : public std::exception {
 public:
  explicit HresultError(HRESULT hr) noexcept : hr_(hr) {}
  HRESULT hr() const noexcept { return hr_; }
  const char* what() const noexcept override { return "COM call failed"; }

 private:
  HRESULT hr_;
};

// Throws HresultError when hr is a failure.
inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw HresultError(hr);
}

// The HRESULT of a core error number: the platform's error numbers live in
// the control facility (overflow 6 -> 0x800A0006, type mismatch 13 ->
// 0x800A000D, invalid property value 380 -> 0x800A017C). A number outside
// 1..0xFFFF (never raised by the core) becomes E_FAIL.
HRESULT HresultFromErrorNumber(int number) noexcept;

// Publishes rich error information for the calling thread (description,
// source kErrorSource, interface `iid`) and answers hr. The caller reads it
// with GetErrorInfo after the failed call.
HRESULT SetRichError(HRESULT hr, std::wstring_view description, REFIID iid) noexcept;

// A core error as an HRESULT with rich error information whose description
// is the error's message.
HRESULT HresultFromVelmoraError(const VelmoraError& error, REFIID iid) noexcept;

// The interface named by rich error information unless a method says
// otherwise: the control's dispatch interface.
const IID& DefaultErrorInterface() noexcept;

// Runs a COM method's body and answers its HRESULT; whatever it throws is
// caught here: VelmoraError -> its number's HRESULT with rich error
// information, HresultError -> its HRESULT, std::bad_alloc ->
// E_OUTOFMEMORY, anything else -> E_FAIL.
//
//   STDMETHODIMP Control::put_MaxLength(short value) {
//     return ComEdge([&] { core_.SetMaxLength(value); return S_OK; });
//   }
template <class Body>
HRESULT ComEdge(Body&& body, REFIID iid = DefaultErrorInterface()) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (const VelmoraError& error) {
    return HresultFromVelmoraError(error, iid);
  } catch (const HresultError& error) {
    return error.hr();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace velmora::win32
