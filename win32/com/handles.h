// RAII owners of Windows handles: windows, GDI objects, regions, DCs,
// accelerator tables, registry keys, task, global and local memory,
// metafiles. Header only, with nothing of the control's own: a host (the
// demo) uses them too.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <cstdint>
#include <utility>

namespace velmora::win32 {

using Microsoft::WRL::ComPtr;

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
inline void DestroyAcceleratorHandle(HACCEL table) noexcept { ::DestroyAcceleratorTable(table); }
template <class Object>
inline void DeleteGdiObject(Object object) noexcept { ::DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) noexcept { ::DeleteDC(dc); }
inline void FreeBstr(BSTR text) noexcept { ::SysFreeString(text); }
inline void FreeTaskMemory(void* memory) noexcept { ::CoTaskMemFree(memory); }
inline void CloseRegistryKey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void FreeGlobalMemory(HGLOBAL memory) noexcept { ::GlobalFree(memory); }
inline void FreeLocalMemory(HLOCAL memory) noexcept { ::LocalFree(memory); }
inline void DeleteEnhMetafile(HENHMETAFILE picture) noexcept { ::DeleteEnhMetaFile(picture); }
inline void DeleteMetafile(HMETAFILE picture) noexcept { ::DeleteMetaFile(picture); }
}  // namespace detail

using UniqueHwnd = UniqueHandle<HWND, detail::DestroyWindowHandle>;
using UniqueHaccel = UniqueHandle<HACCEL, detail::DestroyAcceleratorHandle>;
using UniqueHfont = UniqueHandle<HFONT, detail::DeleteGdiObject<HFONT>>;
using UniqueHbrush = UniqueHandle<HBRUSH, detail::DeleteGdiObject<HBRUSH>>;
using UniqueHrgn = UniqueHandle<HRGN, detail::DeleteGdiObject<HRGN>>;
using UniqueHbitmap = UniqueHandle<HBITMAP, detail::DeleteGdiObject<HBITMAP>>;
// A DC made by CreateCompatibleDC (or CreateDC), deleted with DeleteDC.
using UniqueMemoryDc = UniqueHandle<HDC, detail::DeleteMemoryDc>;
using UniqueHkey = UniqueHandle<HKEY, detail::CloseRegistryKey>;
// Memory from GlobalAlloc and LocalAlloc (or a call that allocates with
// it, as FormatMessage), and pictures: enhanced and Windows metafiles.
using UniqueHglobal = UniqueHandle<HGLOBAL, detail::FreeGlobalMemory>;
using UniqueHlocal = UniqueHandle<HLOCAL, detail::FreeLocalMemory>;
using UniqueHenhmetafile = UniqueHandle<HENHMETAFILE, detail::DeleteEnhMetafile>;
using UniqueHmetafile = UniqueHandle<HMETAFILE, detail::DeleteMetafile>;

// Memory from CoTaskMemAlloc, as a typed pointer; release() hands it to a
// caller that frees it.
template <class T>
class UniqueTaskMemory : public UniqueHandle<void*, detail::FreeTaskMemory> {
 public:
  using UniqueHandle::UniqueHandle;
  // `count` items, uninitialised; empty when the memory is not there.
  static UniqueTaskMemory Allocate(std::size_t count) noexcept {
    return UniqueTaskMemory(count > SIZE_MAX / sizeof(T) ? nullptr : ::CoTaskMemAlloc(count * sizeof(T)));
  }
  T* get() const noexcept { return static_cast<T*>(UniqueHandle::get()); }
  T* release() noexcept { return static_cast<T*>(UniqueHandle::release()); }
};

// A DC borrowed from a window (GetDC), given back with ReleaseDC. Null
// window: the screen's.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd = nullptr) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// An object selected into a DC for one scope; the one it replaced goes
// back at the end.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A flag raised for one scope and lowered on every way out of it, a throw
// included, so no catch block has to repeat the lowering.
template <class Flag = bool>
class ScopedFlag {
 public:
  explicit ScopedFlag(Flag& flag, Flag raised = Flag{true}) noexcept : flag_(flag) { flag_ = raised; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;
  ~ScopedFlag() { flag_ = Flag{}; }

 private:
  Flag& flag_;
};

}  // namespace velmora::win32
