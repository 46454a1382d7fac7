// Text across the COM edge: the core's UTF-16 and UTF-8 seen as Windows'
// wide strings, and owners for BSTR, VARIANT and task-memory strings.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "com/handles.h"

namespace velmora::win32 {

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
std::string WideToUtf8(std::wstring_view text);

}  // namespace velmora::win32
