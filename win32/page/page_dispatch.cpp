#include "page/page_dispatch.h"

#include "errors.h"

namespace velmora::win32 {

namespace {

std::wstring ToWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The text the system has for an HRESULT, without its line break.
std::wstring SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                  nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) ::LocalFree(buffer);
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
  UniqueVariant out;
  VARIANT* v = out.get();
  switch (value.type()) {
    case Variant::Type::Empty:
      break;
    case Variant::Type::Integer:
      V_VT(v) = VT_I2;
      V_I2(v) = value.ToInteger();
      break;
    case Variant::Type::Long:
      V_VT(v) = VT_I4;
      V_I4(v) = value.ToLong();
      break;
    case Variant::Type::Double:
      V_VT(v) = VT_R8;
      V_R8(v) = value.ToDouble();
      break;
    case Variant::Type::Boolean:
      V_VT(v) = VT_BOOL;
      V_BOOL(v) = static_cast<VARIANT_BOOL>(value.ToBoolean());
      break;
    case Variant::Type::String: {
      std::u16string text = value.ToString();
      V_BSTR(v) = UniqueBstr::FromWide(std::wstring(text.begin(), text.end())).release();
      V_VT(v) = VT_BSTR;
      break;
    }
    case Variant::Type::Object:
      ThrowTypeMismatch("the page writes no object properties");
  }
  return out;
}

Variant FromPropertyValue(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_EMPTY:
      return Variant();
    case VT_BOOL: {
      const VARIANT_BOOL b = V_BOOL(&value);
      if (b == VARIANT_TRUE || b == VARIANT_FALSE) return Variant::Boolean(b == VARIANT_TRUE);
      return Variant::Integer(b);
    }
    case VT_I2:
      return Variant::Integer(V_I2(&value));
    case VT_UI1:
      return Variant::Integer(V_UI1(&value));
    case VT_I4:
      return Variant::Long(V_I4(&value));
    case VT_R4:
      return Variant::Double(V_R4(&value));
    case VT_R8:
      return Variant::Double(V_R8(&value));
    case VT_BSTR: {
      const BSTR text = V_BSTR(&value);
      const UINT length = ::SysStringLen(text);
      return Variant::String(text != nullptr ? std::u16string(text, text + length) : std::u16string());
    }
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
    if (info.bstrDescription != nullptr) text.assign(info.bstrDescription, ::SysStringLen(info.bstrDescription));
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
  } else {
    // The object may have described the failure as rich error information.
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, &info) == S_OK && info) {
      BSTR description = nullptr;
      if (SUCCEEDED(info->GetDescription(&description)) && description != nullptr) {
        text.assign(description, ::SysStringLen(description));
      }
      ::SysFreeString(description);
    }
  }
  if (text.empty()) text = SystemMessage(hr);
  throw DispatchCallError(hr, std::wstring(action) + L" " + ToWide(name) + L" of selected object " +
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
