#include "form_bag.h"

#include "com/com_object.h"

#include <olectl.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace velmora::demo {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string HresultText(HRESULT hr) {
  char code[16];
  wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
  return code;
}

namespace {

// Numbers in the file are written the same way whatever the regional
// settings: a form saved on an Italian machine loads anywhere.
constexpr LCID kFileLocale = LOCALE_INVARIANT;

// The keys a font is kept under, after its property's name and a dot.
constexpr const char* kFontKeys[] = {"Name", "Size", "Bold", "Italic", "Underline", "Strikethrough", "Weight", "Charset"};

class FormPropertyBag final : public win32::HostComBase<FormPropertyBag, IPropertyBag> {
 public:
  explicit FormPropertyBag(FormSection& section) : section_(section) {}

  STDMETHODIMP Read(LPCOLESTR name, VARIANT* var, IErrorLog*) noexcept override {
    if (!name || !var) return E_POINTER;
    try {
      const std::string key = Narrow(name);
      const VARTYPE wanted = V_VT(var);
      VARIANT value;
      VariantInit(&value);
      HRESULT hr;
      if (const std::string* spelled = section_.Find(key)) {
        hr = FromFile(ParseValue(*spelled), &value);
      } else if (section_.Find(key + ".Name")) {
        hr = ReadFont(key, &value);
      } else {
        return E_INVALIDARG;  // not in the bag: the control keeps its default
      }
      if (FAILED(hr)) return hr;
      if (wanted != VT_EMPTY && wanted != V_VT(&value)) {
        hr = VariantChangeTypeEx(&value, &value, kFileLocale, 0, wanted);
        if (FAILED(hr)) {
          VariantClear(&value);
          return hr;
        }
      }
      *var = value;  // the caller owns it now
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception&) {
      return E_FAIL;
    }
  }

  STDMETHODIMP Write(LPCOLESTR name, VARIANT* var) noexcept override {
    if (!name || !var) return E_POINTER;
    try {
      const std::string key = Narrow(name);
      VARIANT direct;
      VariantInit(&direct);
      HRESULT hr = VariantCopyInd(&direct, var);
      if (FAILED(hr)) return hr;
      hr = WriteValue(key, direct);
      VariantClear(&direct);
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception&) {
      return E_FAIL;
    }
  }

 private:
  static HRESULT FromFile(const FormValue& v, VARIANT* out) {
    switch (v.kind) {
      case FormValue::Kind::Boolean:
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = v.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      case FormValue::Kind::Hex:
        V_VT(out) = VT_I4;
        V_I4(out) = static_cast<LONG>(static_cast<std::uint32_t>(v.integer));
        return S_OK;
      case FormValue::Kind::Integer:
        if (v.integer >= INT32_MIN && v.integer <= INT32_MAX) {
          V_VT(out) = VT_I4;
          V_I4(out) = static_cast<LONG>(v.integer);
        } else {
          V_VT(out) = VT_R8;
          V_R8(out) = static_cast<double>(v.integer);
        }
        return S_OK;
      case FormValue::Kind::Text: {
        const std::wstring text = Widen(v.text);
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return V_BSTR(out) ? S_OK : E_OUTOFMEMORY;
      }
    }
    return E_UNEXPECTED;
  }

  // A font from its keys; a key left out keeps the standard font's value.
  HRESULT ReadFont(const std::string& key, VARIANT* out) {
    auto get = [&](const char* sub) -> FormValue {
      const std::string* s = section_.Find(key + "." + sub);
      return s ? ParseValue(*s) : FormValue();
    };
    const FormValue name = get("Name");
    std::wstring face = Widen(name.text);
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = face.data();
    desc.cySize.int64 = 8 * 10000;
    desc.sWeight = FW_NORMAL;
    desc.sCharset = DEFAULT_CHARSET;
    const FormValue size = get("Size");
    if (size.kind == FormValue::Kind::Integer) {
      desc.cySize.int64 = size.integer * 10000;
    } else if (size.kind == FormValue::Kind::Text && !size.text.empty()) {
      std::wstring text = Widen(size.text);
      HRESULT hr = VarCyFromStr(text.data(), kFileLocale, 0, &desc.cySize);
      if (FAILED(hr)) return hr;
    }
    const FormValue weight = get("Weight");
    if (weight.kind == FormValue::Kind::Integer) desc.sWeight = static_cast<SHORT>(weight.integer);
    else if (get("Bold").boolean) desc.sWeight = FW_BOLD;
    const FormValue charset = get("Charset");
    if (charset.kind == FormValue::Kind::Integer) desc.sCharset = static_cast<SHORT>(charset.integer);
    desc.fItalic = get("Italic").boolean;
    desc.fUnderline = get("Underline").boolean;
    desc.fStrikethrough = get("Strikethrough").boolean;
    IFontDisp* font = nullptr;
    HRESULT hr = OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font));
    if (FAILED(hr)) return hr;
    V_VT(out) = VT_DISPATCH;
    V_DISPATCH(out) = font;
    return S_OK;
  }

  HRESULT WriteFont(const std::string& key, IUnknown* object) {
    IFont* font = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font))))
      return DISP_E_TYPEMISMATCH;  // only fonts have a spelling in the file
    BSTR name = nullptr;
    CY size{};
    BOOL italic = FALSE, underline = FALSE, strike = FALSE, bold = FALSE;
    SHORT weight = FW_NORMAL, charset = DEFAULT_CHARSET;
    HRESULT hr = font->get_Name(&name);
    if (SUCCEEDED(hr)) hr = font->get_Size(&size);
    if (SUCCEEDED(hr)) hr = font->get_Bold(&bold);
    if (SUCCEEDED(hr)) hr = font->get_Italic(&italic);
    if (SUCCEEDED(hr)) hr = font->get_Underline(&underline);
    if (SUCCEEDED(hr)) hr = font->get_Strikethrough(&strike);
    if (SUCCEEDED(hr)) hr = font->get_Weight(&weight);
    if (SUCCEEDED(hr)) hr = font->get_Charset(&charset);
    font->Release();
    std::string face = name ? Narrow(std::wstring(name, SysStringLen(name))) : std::string();
    SysFreeString(name);
    if (FAILED(hr)) return hr;
    BSTR sizeText = nullptr;
    hr = VarBstrFromCy(size, kFileLocale, 0, &sizeText);
    if (FAILED(hr)) return hr;
    const std::string spelledSize = Narrow(std::wstring(sizeText, SysStringLen(sizeText)));
    SysFreeString(sizeText);
    // The font's keys keep the place they had, so a saved form saves back
    // unchanged.
    auto& entries = section_.entries;
    std::size_t place = entries.size();
    for (std::size_t k = 0; k < entries.size(); ++k) {
      const std::string& existing = entries[k].first;
      if (EqualNoCase(existing, key) ||
          (existing.size() > key.size() && existing[key.size()] == '.' &&
           EqualNoCase(std::string_view(existing).substr(0, key.size()), key))) {
        place = k;
        break;
      }
    }
    section_.RemovePrefix(key + ".");
    section_.Remove(key);  // the key itself, if the font was ever written flat
    place = std::min(place, entries.size());
    const std::string values[] = {FormatValue(FormValue::Text(face)),
                                  spelledSize,
                                  FormatValue(FormValue::Boolean(bold)),
                                  FormatValue(FormValue::Boolean(italic)),
                                  FormatValue(FormValue::Boolean(underline)),
                                  FormatValue(FormValue::Boolean(strike)),
                                  FormatValue(FormValue::Integer(weight)),
                                  FormatValue(FormValue::Integer(charset))};
    for (std::size_t k = 0; k < std::size(kFontKeys); ++k)
      entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(place + k),
                     {key + "." + kFontKeys[k], values[k]});
    return S_OK;
  }

  HRESULT WriteValue(const std::string& key, VARIANT& v) {
    FormValue out;
    switch (V_VT(&v)) {
      case VT_DISPATCH: return WriteFont(key, V_DISPATCH(&v));
      case VT_UNKNOWN: return WriteFont(key, V_UNKNOWN(&v));
      case VT_BOOL: out = FormValue::Boolean(V_BOOL(&v) != VARIANT_FALSE); break;
      case VT_I1: out = FormValue::Integer(V_I1(&v)); break;
      case VT_UI1: out = FormValue::Integer(V_UI1(&v)); break;
      case VT_I2: out = FormValue::Integer(V_I2(&v)); break;
      case VT_UI2: out = FormValue::Integer(V_UI2(&v)); break;
      case VT_INT: out = FormValue::Integer(V_INT(&v)); break;
      // A 32-bit value with its high bit set is a system colour (or a
      // flag word): hexadecimal shows what it is and reads back the same.
      case VT_I4: out = V_I4(&v) < 0 ? FormValue::Hex(static_cast<std::uint32_t>(V_I4(&v))) : FormValue::Integer(V_I4(&v)); break;
      case VT_UI4: out = V_UI4(&v) > 0x7FFFFFFFu ? FormValue::Hex(V_UI4(&v)) : FormValue::Integer(V_UI4(&v)); break;
      case VT_BSTR: out = FormValue::Text(Narrow(std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))))); break;
      case VT_EMPTY: out = FormValue::Text(""); break;
      default: {
        VARIANT text;
        VariantInit(&text);
        HRESULT hr = VariantChangeTypeEx(&text, &v, kFileLocale, 0, VT_BSTR);
        if (FAILED(hr)) return hr;
        out = FormValue::Text(Narrow(std::wstring(V_BSTR(&text), SysStringLen(V_BSTR(&text)))));
        VariantClear(&text);
      }
    }
    section_.RemovePrefix(key + ".");  // a font that this key held before
    section_.Set(key, FormatValue(out));
    return S_OK;
  }

  FormSection& section_;
};

}  // namespace

IPropertyBag* NewFormPropertyBag(FormSection& section) { return FormPropertyBag::New(section); }

}  // namespace velmora::demo
