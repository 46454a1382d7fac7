// The COM skeleton every object of the library is built on:
//  - Microsoft::WRL::ComPtr for interface pointers (wrl/client.h);
//  - QueryInterface from a table of (IID, offset) rows;
//  - an atomic reference count and the module's live-object and lock counts
//    that DllCanUnloadNow answers from;
//  - RAII owners for BSTR, VARIANT, task memory, windows, GDI objects,
//    regions, DCs, registry keys and advise connections;
//  - the error edge: every COM method runs its body through ComEdge, so no
//    C++ exception ever crosses the COM boundary, and a core error turns
//    into its HRESULT with rich error information;
//  - the module's instance handle and file path.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <cstddef>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "com/com_object.h"
#include "com/handles.h"
#include "core/errors.h"

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

// The core's UTF-16 text (char16_t) and Windows' (wchar_t) are the same
// 16-bit code units: seen either way without converting anything.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline std::wstring_view WideView(std::u16string_view text) noexcept {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}
inline std::u16string_view U16View(std::wstring_view text) noexcept {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(WideView(text)); }
inline std::u16string ToU16(std::wstring_view text) { return std::u16string(U16View(text)); }

// ---------------------------------------------------------------------------
// RAII owners

// A null-terminated copy of `text` in task memory, for an out parameter
// the caller frees with CoTaskMemFree; null when out of memory.
wchar_t* TaskMemoryString(std::wstring_view text) noexcept;

// An owned BSTR. Null is the empty string, as BSTR rules say.
class UniqueBstr : public UniqueHandle<BSTR, detail::FreeBstr> {
 public:
  using UniqueHandle::UniqueHandle;
  // Throws std::bad_alloc when the string cannot be allocated.
  static UniqueBstr FromWide(std::wstring_view text);
  static UniqueBstr FromUtf8(std::string_view text);
  static UniqueBstr FromU16(std::u16string_view text) { return FromWide(WideView(text)); }
  UINT length() const noexcept { return ::SysStringLen(get()); }
  // The text, null as the empty string.
  std::wstring_view view() const noexcept { return {get() ? get() : L"", length()}; }
  std::wstring ToWide() const { return std::wstring(view()); }
  std::u16string ToU16() const { return velmora::win32::ToU16(view()); }
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
// The type information of guid in that library, looked up once per module
// and held with it, shared by every control and page; vtable asks for the
// vtable view of a dual interface (the one ITypeInfo::Invoke calls
// through). Answers it AddRef'ed.
HRESULT ModuleTypeInfo(REFGUID guid, bool vtable, ITypeInfo** info) noexcept;
// For the module's unload (DllMain): gives the held type library and type
// information back.
void ReleaseModuleTypeLibrary() noexcept;

// Which of Shift, Ctrl and Alt the thread's key state holds down, as the
// current key message left it, read in one call (each key-state read is a
// trip to the window server under wine, and this runs on every key).
struct ModifierKeys {
  bool shift = false, control = false, alt = false;
  // As one mask: Shift 1, Ctrl 2, Alt 4, the bits of both a key event's
  // Shift argument and IOleControlSite::TranslateAccelerator's modifiers.
  unsigned Mask() const noexcept { return (shift ? 1u : 0u) | (control ? 2u : 0u) | (alt ? 4u : 0u); }
};
ModifierKeys HeldModifierKeys() noexcept;

// Whether the character that the key-down `keyMessage` (WM_KEYDOWN or
// WM_SYSKEYDOWN, with its lParam) types is already queued for `window`:
// the message loop ran TranslateMessage on the key before dispatching it.
// `remove` takes that character out of the queue.
bool TypedCharacterQueued(HWND window, UINT keyMessage, LPARAM keyLParam, bool remove = false) noexcept;
std::string WideToUtf8(std::wstring_view text);

// ---------------------------------------------------------------------------
// Errors at the COM edge

// The object and interface named in rich error information.
inline constexpr wchar_t kErrorSource[] = L"Velmora.VelmoraControl";

// A failed HRESULT carried through C++ code to the COM edge, where ComEdge
// answers it as it is, with rich error information when it has a
// description.
class HresultError : public std::exception {
 public:
  explicit HresultError(HRESULT hr, std::wstring description = {}) noexcept
      : hr_(hr), description_(std::move(description)) {}
  HRESULT hr() const noexcept { return hr_; }
  const std::wstring& description() const noexcept { return description_; }
  const char* what() const noexcept override { return "COM call failed"; }

 private:
  HRESULT hr_;
  std::wstring description_;
};

// The one way to throw for a failed HRESULT (nothing happens for success):
//  - ThrowIfFailed(hr): an HresultError, which the COM edge answers as it
//    is;
//  - ThrowIfFailed(hr, "IFont::get_Size"): for code the core calls (a
//    Font's properties, the text box), which knows only its own error
//    numbers: a VelmoraError naming the call. A control error
//    (FACILITY_CONTROL, as CTL_E_INVALIDPROPERTYVALUE) keeps its number,
//    E_INVALIDARG is "invalid property value", anything else "invalid
//    procedure call".
inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw HresultError(hr);
}
void ThrowIfFailed(HRESULT hr, const char* what);

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
// The HRESULT of the exception being handled, as ComEdge answers it; only
// inside a catch block. Out of line, so that each ComEdge holds one catch.
HRESULT HresultFromCurrentException(REFIID iid) noexcept;

template <class Body>
HRESULT ComEdge(Body&& body, REFIID iid = DefaultErrorInterface()) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return HresultFromCurrentException(iid);
  }
}

}  // namespace velmora::win32
