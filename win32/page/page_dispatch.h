// The page host of the Windows page Generale: the objects its site selected,
// whose properties it reads and writes by name through their IDispatch
// (GetIDsOfNames, then Invoke with DISPATCH_PROPERTYGET or
// DISPATCH_PROPERTYPUT), and the page's changed flag, handed to a callback
// that tells the page site.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <exception>
#include <string>
#include <vector>

#include "com/com_strings.h"
#include "com/handles.h"
#include "core/page/page_host.h"

namespace velmora::win32 {

// A core value as a VARIANT of the type the page means: a Boolean as
// VT_BOOL (-1 or 0), a 16-bit integer as VT_I2, a double as VT_R8, a string
// as VT_BSTR. The receiving object's dispatch converts it to the property's
// type. An object value is a type mismatch: the page never writes one.
UniqueVariant ToPageArgument(const Variant& value);

// A property's VARIANT as a core value. VT_BOOL other than -1 and 0 comes
// back as the 16-bit integer it is, so a DateValue stored as 1 still reads
// as "not True".
Variant FromPropertyValue(const VARIANT& value);

class DispatchPageHost final : public PageHost {
 public:
  explicit DispatchPageHost(std::function<void(bool)> onChanged) : onChanged_(std::move(onChanged)) {}

  // Replaces the selection; fails (E_NOINTERFACE, the old selection kept)
  // when an object has no IDispatch.
  HRESULT SetObjects(ULONG count, IUnknown** objects);
  bool empty() const noexcept { return objects_.empty(); }
  IDispatch* First() const noexcept { return objects_.empty() ? nullptr : objects_.front().dispatch.Get(); }

  std::int32_t SelectedCount() override { return static_cast<std::int32_t>(objects_.size()); }
  PageObject& SelectedControl(std::int32_t i) override;
  void setChanged(bool changed) override { onChanged_(changed); }

 private:
  class Selected final : public PageObject {
   public:
    Selected(ComPtr<IDispatch> dispatch, std::int32_t place) : dispatch(std::move(dispatch)), place_(place) {}
    Variant GetProperty(const std::u16string& name) override;
    void SetProperty(const std::u16string& name, const Variant& value) override;

    ComPtr<IDispatch> dispatch;

   private:
    DISPID IdOf(const std::u16string& name);
    [[noreturn]] void Fail(HRESULT hr, const EXCEPINFO* exception, const wchar_t* action, const std::u16string& name);
    std::int32_t place_;
  };

  std::vector<Selected> objects_;
  std::function<void(bool)> onChanged_;
};

}  // namespace velmora::win32
