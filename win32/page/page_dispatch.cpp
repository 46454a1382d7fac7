#include "page/page_dispatch.h"

#include "com/com_edge.h"
#include "com/com_variant.h"
#include "core/errors.h"

namespace velmora::win32 {

namespace {

// The text the system has for an HRESULT, without its line break.
std::wstring SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                  nullptr);
  const UniqueHlocal owned(buffer);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  if (text.empty()) {
    wchar_t code[16];
    ::wsprintfW(code, L"0x%08X", static_cast<unsigned>(hr));
    text = code;
  }
  return text;
}

}  // namespace

UniqueVariant ToPageArgument(const Variant& value) {
  if (value.type() == Variant::Type::Object) ThrowTypeMismatch("the page writes no object properties");
  return ToVariant(value);
}

Variant FromPropertyValue(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_BOOL: {
      // A Boolean other than True or False is the number it holds.
      const VARIANT_BOOL b = V_BOOL(&value);
      if (b != VARIANT_TRUE && b != VARIANT_FALSE) return Variant::Integer(b);
      return FromVariant(value);
    }
    case VT_EMPTY:
    case VT_I2:
    case VT_UI1:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BSTR:
      return FromVariant(value);
    default: {
      UniqueVariant number;
      if (SUCCEEDED(::VariantChangeType(number.get(), const_cast<VARIANT*>(&value), 0, VT_R8))) {
        return Variant::Double(V_R8(number.get()));
      }
      ThrowTypeMismatch("a property value the page cannot read");
    }
  }
}

HRESULT DispatchPageHost::SetObjects(ULONG count, IUnknown** objects) {
  if (count > 0 && objects == nullptr) return E_POINTER;
  std::vector<Selected> selection;
  selection.reserve(count);
  for (ULONG i = 0; i < count; ++i) {
    if (objects[i] == nullptr) return E_POINTER;
    ComPtr<IDispatch> dispatch;
    HRESULT hr = objects[i]->QueryInterface(IID_PPV_ARGS(&dispatch));
    if (FAILED(hr)) return hr;
    selection.emplace_back(std::move(dispatch), static_cast<std::int32_t>(i));
  }
  objects_ = std::move(selection);
  return S_OK;
}

PageObject& DispatchPageHost::SelectedControl(std::int32_t i) {
  if (i < 0 || i >= SelectedCount()) {
    throw VelmoraError(kSubscriptOutOfRange, "no element " + std::to_string(i) + " in the selection list");
  }
  return objects_[static_cast<std::size_t>(i)];
}

DISPID DispatchPageHost::Selected::IdOf(const std::u16string& name) {
  std::wstring wide = ToWide(name);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  ::SetErrorInfo(0, nullptr);
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) Fail(hr, nullptr, L"finding", name);
  return id;
}

void DispatchPageHost::Selected::Fail(HRESULT hr, const EXCEPINFO* exception, const wchar_t* action,
                                      const std::u16string& name) {
  std::wstring text;
  if (hr == DISP_E_EXCEPTION && exception != nullptr) {
    EXCEPINFO info = *exception;
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    if (info.scode != 0) {
      hr = info.scode;
    } else if (info.wCode != 0) {
      hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode);
    }
    const UniqueBstr source(info.bstrSource), description(info.bstrDescription), helpFile(info.bstrHelpFile);
    text = description.ToWide();
  } else {
    // The object may have described the failure as rich error information.
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, &info) == S_OK && info) {
      UniqueBstr description;
      if (SUCCEEDED(info->GetDescription(description.put()))) text = description.ToWide();
    }
  }
  if (text.empty()) text = SystemMessage(hr);
  // The HRESULT and its description go to the page's own host as they are.
  throw HresultError(hr, std::wstring(action) + L" " + ToWide(name) + L" of selected object " +
                                  Utf8ToWide(std::to_string(place_)) + L": " + text);
}

Variant DispatchPageHost::Selected::GetProperty(const std::u16string& name) {
  const DISPID id = IdOf(name);
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  UniqueVariant result;
  EXCEPINFO exception{};
  UINT badArgument = 0;
  ::SetErrorInfo(0, nullptr);
  HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, result.get(),
                                &exception, &badArgument);
  if (FAILED(hr)) Fail(hr, &exception, L"reading", name);
  return FromPropertyValue(*result.get());
}

void DispatchPageHost::Selected::SetProperty(const std::u16string& name, const Variant& value) {
  const DISPID id = IdOf(name);
  UniqueVariant argument = ToPageArgument(value);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{argument.get(), &named, 1, 1};
  EXCEPINFO exception{};
  UINT badArgument = 0;
  ::SetErrorInfo(0, nullptr);
  HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                &exception, &badArgument);
  if (FAILED(hr)) Fail(hr, &exception, L"writing", name);
}

}  // namespace velmora::win32
