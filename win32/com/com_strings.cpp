#include "com/com_strings.h"

#include <algorithm>
#include <limits>
#include <new>

namespace velmora::win32 {

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

}  // namespace velmora::win32
