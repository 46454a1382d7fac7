// The container's property bag over a form-file section, under wine: what
// a control reads back is what it wrote, in the kind it wrote it, and
// every refusal is an HRESULT the control can act on.
#include <gtest/gtest.h>

#include <olectl.h>

#include <string>

#include "form_bag.h"
#include "form_file.h"

namespace velmora::demo {
namespace {

struct Ole {
  Ole() { OleInitialize(nullptr); }
  ~Ole() { OleUninitialize(); }
};

struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
};

struct ReadRow {
  const char* name;
  const char* stored;  // nullptr: the key is absent
  VARTYPE asked;
  HRESULT hr;
  VARTYPE got;
  long long value;     // numbers and Booleans
  const wchar_t* text; // strings
};

const ReadRow kReadRows[] = {
    {"boolean_in_its_own_kind", "True", VT_EMPTY, S_OK, VT_BOOL, -1, nullptr},
    {"integer_as_long", "10", VT_EMPTY, S_OK, VT_I4, 10, nullptr},
    {"integer_asked_as_short", "10", VT_I2, S_OK, VT_I2, 10, nullptr},
    {"system_colour_keeps_high_bit", "&H80000005&", VT_EMPTY, S_OK, VT_I4, static_cast<LONG>(0x80000005u), nullptr},
    {"quoted_mask_keeps_blanks", "\"  /  /    \"", VT_EMPTY, S_OK, VT_BSTR, 0, L"  /  /    "},
    {"number_text_stays_text", "-14.121.967", VT_EMPTY, S_OK, VT_BSTR, 0, L"-14.121.967"},
    {"boolean_asked_as_short", "False", VT_I2, S_OK, VT_I2, 0, nullptr},
    {"absent_key", nullptr, VT_EMPTY, E_INVALIDARG, VT_EMPTY, 0, nullptr},
    {"too_big_for_a_short", "99999", VT_I2, DISP_E_OVERFLOW, VT_EMPTY, 0, nullptr},
    {"text_asked_as_long", "abc", VT_I4, DISP_E_TYPEMISMATCH, VT_EMPTY, 0, nullptr},
};

TEST(FormPropertyBag, ReadsEachKindAsStored) {
  Ole ole;
  for (const auto& row : kReadRows) {
    FormSection section{"A", {}};
    if (row.stored) section.entries.emplace_back("Key", row.stored);
    IPropertyBag* bag = NewFormPropertyBag(section);
    Variant value;
    V_VT(&value.v) = row.asked;
    const HRESULT hr = bag->Read(L"key", &value.v, nullptr);  // keys compare without case
    bag->Release();
    EXPECT_EQ(hr, row.hr) << row.name;
    if (FAILED(hr) || FAILED(row.hr)) continue;
    ASSERT_EQ(V_VT(&value.v), row.got) << row.name;
    if (row.got == VT_BSTR) {
      EXPECT_EQ(std::wstring(V_BSTR(&value.v)), row.text) << row.name;
    } else {
      Variant wide;
      ASSERT_EQ(VariantChangeType(&wide.v, &value.v, 0, VT_I8), S_OK) << row.name;
      EXPECT_EQ(V_I8(&wide.v), row.value) << row.name;
    }
  }
}

struct WriteRow {
  const char* name;
  VARIANT value;
  HRESULT hr;
  const char* spelled;
};

VARIANT Make(VARTYPE vt, long long n) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = vt;
  switch (vt) {
    case VT_BOOL: V_BOOL(&v) = n ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I2: V_I2(&v) = static_cast<SHORT>(n); break;
    case VT_I4: V_I4(&v) = static_cast<LONG>(n); break;
    case VT_UI4: V_UI4(&v) = static_cast<ULONG>(n); break;
    default: break;
  }
  return v;
}

TEST(FormPropertyBag, WritesEachKindSoItReadsBackTheSame) {
  Ole ole;
  VARIANT r8;
  VariantInit(&r8);
  V_VT(&r8) = VT_R8;
  V_R8(&r8) = 9.75;
  const WriteRow rows[] = {
      {"boolean", Make(VT_BOOL, 0), S_OK, "False"},
      {"short", Make(VT_I2, -5), S_OK, "-5"},
      {"system_colour", Make(VT_I4, static_cast<LONG>(0x80000008u)), S_OK, "&H80000008&"},
      {"plain_red", Make(VT_I4, 255), S_OK, "255"},
      {"unsigned_high_bit", Make(VT_UI4, 0x80000005u), S_OK, "&H80000005&"},
      {"double_in_file_notation", r8, S_OK, "9.75"},
  };
  for (const auto& row : rows) {
    FormSection section{"A", {}};
    IPropertyBag* bag = NewFormPropertyBag(section);
    VARIANT value = row.value;
    EXPECT_EQ(bag->Write(L"Key", &value), row.hr) << row.name;
    bag->Release();
    const std::string* spelled = section.Find("Key");
    ASSERT_NE(spelled, nullptr) << row.name;
    EXPECT_EQ(*spelled, row.spelled) << row.name;
  }
}

TEST(FormPropertyBag, WritesTextsThroughAReferenceAndRefusesObjectsThatAreNotFonts) {
  Ole ole;
  FormSection section{"A", {}};
  IPropertyBag* bag = NewFormPropertyBag(section);
  BSTR mask = SysAllocString(L"  /  ");
  VARIANT byRef;
  VariantInit(&byRef);
  V_VT(&byRef) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&byRef) = &mask;
  EXPECT_EQ(bag->Write(L"Text", &byRef), S_OK);
  SysFreeString(mask);
  ASSERT_NE(section.Find("Text"), nullptr);
  EXPECT_EQ(*section.Find("Text"), "\"  /  \"");

  VARIANT notAFont;
  VariantInit(&notAFont);
  V_VT(&notAFont) = VT_UNKNOWN;
  V_UNKNOWN(&notAFont) = bag;  // any object without IFont
  EXPECT_EQ(bag->Write(L"Picture", &notAFont), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(section.Find("Picture"), nullptr);
  bag->Release();
}

TEST(FormPropertyBag, AFontRoundTripsThroughReadableKeysInItsPlace) {
  Ole ole;
  FormSection section{"A", {{"MaxLength", "10"}, {"Font.Name", "\"old\""}, {"Text", "x"}}};
  FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(L"DejaVu Sans"), {}, FW_BOLD, ANSI_CHARSET, TRUE, FALSE, TRUE};
  desc.cySize.int64 = 97500;  // 9.75 points
  IFontDisp* font = nullptr;
  ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)), S_OK);
  IPropertyBag* bag = NewFormPropertyBag(section);
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_DISPATCH;
  V_DISPATCH(&value) = font;
  ASSERT_EQ(bag->Write(L"Font", &value), S_OK);
  font->Release();

  std::string keys;
  for (const auto& [k, v] : section.entries) keys += k + "=" + v + ";";
  EXPECT_EQ(keys,
            "MaxLength=10;Font.Name=DejaVu Sans;Font.Size=9.75;Font.Bold=True;Font.Italic=True;Font.Underline=False;"
            "Font.Strikethrough=True;Font.Weight=700;Font.Charset=0;Text=x;");

  Variant back;
  ASSERT_EQ(bag->Read(L"Font", &back.v, nullptr), S_OK);
  bag->Release();
  ASSERT_EQ(V_VT(&back.v), VT_DISPATCH);
  IFont* read = nullptr;
  ASSERT_EQ(V_DISPATCH(&back.v)->QueryInterface(IID_IFont, reinterpret_cast<void**>(&read)), S_OK);
  BSTR name = nullptr;
  CY size{};
  BOOL bold = FALSE, italic = FALSE, strike = FALSE;
  read->get_Name(&name);
  read->get_Size(&size);
  read->get_Bold(&bold);
  read->get_Italic(&italic);
  read->get_Strikethrough(&strike);
  read->Release();
  EXPECT_EQ(std::wstring(name), L"DejaVu Sans");
  SysFreeString(name);
  EXPECT_EQ(size.int64, 97500);
  EXPECT_TRUE(bold);
  EXPECT_TRUE(italic);
  EXPECT_TRUE(strike);
}

}  // namespace
}  // namespace velmora::demo
