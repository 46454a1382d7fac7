// Saving and loading the control object through a property bag, a stream
// and a storage: the nine keys in their order and types, round trips,
// hostile bags and damaged streams, and the rules of a persistent life
// (one InitNew or Load, an honest IsDirty).
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "shared/saved_stream_sample.h"
#include "com/com_object.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "control/control_object.h"
#include "windows/property_bag_adapter.h"
#include "test_container.h"
#include "test_support.h"
#include "velmora_h.h"

namespace velmora::win32 {
namespace {

using namespace velmora::testing;

// Everything a saved control carries, read through the vtable.
struct Settings {
  short maxLength = 0;
  VARIANT_BOOL dateValue = 0, enabled = 0, virgola = 0, tastoInvio = 0;
  OLE_COLOR back = 0, fore = 0;
  std::wstring text, fontName;
  LONGLONG fontSize = 0;
  BOOL bold = FALSE;
  bool operator==(const Settings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Settings& s) {
  std::string text(s.text.begin(), s.text.end()), font(s.fontName.begin(), s.fontName.end());
  if (text.size() > 40) text = text.substr(0, 40) + "...(" + std::to_string(s.text.size()) + ")";
  return out << "{MaxLength " << s.maxLength << ", DateValue " << s.dateValue << ", BackColor " << std::hex
             << s.back << ", ForeColor " << s.fore << std::dec << ", Enabled " << s.enabled << ", Virgola "
             << s.virgola << ", TastoInvio " << s.tastoInvio << ", Text \"" << text << "\", Font " << font << " "
             << s.fontSize << (s.bold ? " bold" : "") << "}";
}

Settings Read(_VelmoraControl* c) {
  Settings s;
  c->get_MaxLength(&s.maxLength);
  c->get_DateValue(&s.dateValue);
  c->get_Enabled(&s.enabled);
  c->get_Virgola(&s.virgola);
  c->get_TastoInvio(&s.tastoInvio);
  c->get_BackColor(&s.back);
  c->get_ForeColor(&s.fore);
  BSTR text = nullptr;
  c->get_Text(&text);
  s.text.assign(text ? text : L"", SysStringLen(text));
  SysFreeString(text);
  ComPtr<IFontDisp> disp;
  ComPtr<IFont> font;
  if (SUCCEEDED(c->get_Font(&disp)) && SUCCEEDED(disp.As(&font))) {
    BSTR name = nullptr;
    font->get_Name(&name);
    s.fontName.assign(name ? name : L"", SysStringLen(name));
    SysFreeString(name);
    CY size{};
    font->get_Size(&size);
    s.fontSize = size.int64;
    font->get_Bold(&s.bold);
  }
  return s;
}

ComPtr<_VelmoraControl> NewControl() {
  ComPtr<_VelmoraControl> c;
  EXPECT_EQ(CreateVelmoraControl(nullptr, IID__VelmoraControl, reinterpret_cast<void**>(c.GetAddressOf())), S_OK);
  return c;
}

// A new compound file in memory, as a container's document holds its controls.
ComPtr<IStorage> NewDocfile() {
  ComPtr<ILockBytes> bytes;
  CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
  ComPtr<IStorage> storage;
  StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
  return storage;
}

// Starts a new control, saves it and loads a new control through one
// medium; refused is what a second start or Load answers.
struct Medium {
  const char* name;
  std::function<HRESULT(_VelmoraControl*)> initNew;
  std::function<HRESULT(_VelmoraControl*, ComPtr<IUnknown>&)> save;
  std::function<HRESULT(_VelmoraControl*, IUnknown*)> load;
  HRESULT refused;
};

const Medium kMedia[] = {
    {"property bag", [](_VelmoraControl* c) { return As<IPersistPropertyBag>(c)->InitNew(); },
     [](_VelmoraControl* c, ComPtr<IUnknown>& saved) {
       auto* bag = new TestBag;
       *saved.ReleaseAndGetAddressOf() = static_cast<IPropertyBag*>(bag);
       return As<IPersistPropertyBag>(c)->Save(bag, TRUE, TRUE);
     },
     [](_VelmoraControl* c, IUnknown* saved) {
       return As<IPersistPropertyBag>(c)->Load(static_cast<TestBag*>(saved), nullptr);
     },
     E_UNEXPECTED},
    {"stream", [](_VelmoraControl* c) { return As<IPersistStreamInit>(c)->InitNew(); },
     [](_VelmoraControl* c, ComPtr<IUnknown>& saved) {
       ComPtr<IStream> stream;
       CreateStreamOnHGlobal(nullptr, TRUE, &stream);
       saved = stream;
       return As<IPersistStreamInit>(c)->Save(stream.Get(), TRUE);
     },
     [](_VelmoraControl* c, IUnknown* saved) {
       ComPtr<IStream> stream = As<IStream>(saved);
       stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
       return As<IPersistStreamInit>(c)->Load(stream.Get());
     },
     E_UNEXPECTED},
    {"storage", [](_VelmoraControl* c) { return As<IPersistStorage>(c)->InitNew(NewDocfile().Get()); },
     [](_VelmoraControl* c, ComPtr<IUnknown>& saved) {
       ComPtr<IStorage> storage = NewDocfile();
       saved = storage;
       ComPtr<IPersistStorage> p = As<IPersistStorage>(c);
       const HRESULT hr = p->Save(storage.Get(), FALSE);
       return SUCCEEDED(hr) ? p->SaveCompleted(nullptr) : hr;
     },
     [](_VelmoraControl* c, IUnknown* saved) {
       ComPtr<IPersistStorage> p = As<IPersistStorage>(c);
       const HRESULT hr = p->Load(As<IStorage>(saved).Get());
       p->HandsOffStorage();
       return hr;
     },
     CO_E_ALREADYINITIALIZED},
};

using ControlPersistenceTest = OleTest;

TEST_F(ControlPersistenceTest, BagGetsTheNineKeysInOrderWithTheirTypes) {
  ComPtr<_VelmoraControl> c = NewControl();
  ComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(c.As(&persist), S_OK);
  ASSERT_EQ(persist->InitNew(), S_OK);
  TestBag bag;
  ASSERT_EQ(persist->Save(&bag, TRUE, FALSE), S_OK);
  const std::vector<std::wstring> keys = {L"MaxLength", L"DateValue", L"BackColor", L"Font", L"Enabled",
                                          L"ForeColor", L"Text",      L"Virgola",   L"TastoInvio"};
  const std::vector<VARTYPE> types = {VT_I2, VT_BOOL, VT_I4, VT_DISPATCH, VT_BOOL, VT_I4, VT_BSTR, VT_BOOL, VT_BOOL};
  EXPECT_EQ(bag.writes, keys);
  EXPECT_EQ(bag.types, types);
  ComPtr<_VelmoraControl> loaded = NewControl();
  ASSERT_EQ(loaded.As(&persist), S_OK);
  ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(bag.reads, keys) << "read back in the same order";
}

struct RoundTripRow {
  const char* name;
  std::function<void(_VelmoraControl*)> configure;
};

TEST_F(ControlPersistenceTest, EveryMediumGivesBackEverySetting) {
  const RoundTripRow rows[] = {
      {"new control", [](_VelmoraControl*) {}},
      {"number mode, formatted number",
       [](_VelmoraControl* c) {
         c->put_DateValue(VARIANT_FALSE);
         c->put_Virgola(VARIANT_TRUE);
         c->put_Text(UniqueBstr::FromWide(L"-14.121.967,25").get());
       }},
      {"short date with a date in it",
       [](_VelmoraControl* c) {
         c->put_MaxLength(8);
         c->put_Text(UniqueBstr::FromWide(L"14/12/67").get());
       }},
      {"colours, disabled, Enter swallowed, no limit",
       [](_VelmoraControl* c) {
         c->put_MaxLength(0);
         c->put_BackColor(0x00FFEEDD);
         c->put_ForeColor(0x80000012);
         c->put_Enabled(VARIANT_FALSE);
         c->put_TastoInvio(VARIANT_TRUE);
       }},
      {"font changed through the font object",
       [](_VelmoraControl* c) {
         ComPtr<IFontDisp> disp;
         ComPtr<IFont> font;
         c->get_Font(&disp);
         disp.As(&font);
         font->put_Name(UniqueBstr::FromWide(L"DejaVu Sans").get());
         font->put_Bold(TRUE);
         CY size;
         size.int64 = 120000;
         font->put_Size(size);
       }},
      {"accents and a long text",
       [](_VelmoraControl* c) {
         c->put_Text(UniqueBstr::FromWide(std::wstring(5000, L'\x00e8') + L"fine").get());
       }},
  };
  for (const Medium& medium : kMedia) {
    for (const RoundTripRow& row : rows) {
      SCOPED_TRACE(std::string(medium.name) + ": " + row.name);
      ComPtr<_VelmoraControl> original = NewControl();
      ComPtr<IPersistStreamInit> init;
      original.As(&init);
      ASSERT_EQ(init->InitNew(), S_OK);
      row.configure(original.Get());
      const Settings expected = Read(original.Get());
      // Out to the medium and back into a new control, twice over, so that
      // what a loaded control saves is what it was loaded from.
      ComPtr<_VelmoraControl> current = original;
      for (int trip = 0; trip < 2; ++trip) {
        ComPtr<IUnknown> saved;
        ASSERT_EQ(medium.save(current.Get(), saved), S_OK);
        ComPtr<_VelmoraControl> loaded = NewControl();
        ASSERT_EQ(medium.load(loaded.Get(), saved.Get()), S_OK);
        EXPECT_EQ(Read(loaded.Get()), expected) << "trip " << trip + 1;
        current = loaded;
      }
    }
  }
}

// ---- hostile bags ------------------------------------------------------------

struct HostileRow {
  const char* name;
  std::function<void(TestBag&)> fill;
  HRESULT expected;
  // What the control holds afterwards (a failing load keeps what the steps
  // before the failure did, and what creation gave the rest).
  short maxLength;
  VARIANT_BOOL dateValue;
  std::wstring text;
  VARIANT_BOOL virgola = VARIANT_FALSE;
  OLE_COLOR back = 0x80000005;
};

void SetText(TestBag& bag, const wchar_t* key, const std::wstring& text) {
  UniqueVariant v;
  V_VT(v.get()) = VT_BSTR;
  V_BSTR(v.get()) = UniqueBstr::FromWide(text).release();
  bag.Set(key, *v.get());
}

TEST_F(ControlPersistenceTest, HostileBagsGiveTheirResultAndNoCrash) {
  const std::wstring mask = L"  /  /    ";
  // The longest text the editing procedures can address. (wine's EDIT
  // takes a text in time that grows with its square, 24 s for 64 K
  // characters, so a megabyte goes through the conversions alone below.)
  const std::wstring longest(32767, L'7');
  const HostileRow rows[] = {
      {"empty bag: defaults, and the default text comes last", [](TestBag&) {}, S_OK, 10, VARIANT_TRUE, L"Text1"},
      {"only the text stored", [](TestBag& b) { SetText(b, L"Text", L"14/12/1967"); }, S_OK, 10, VARIANT_TRUE,
       L"14/12/1967"},
      {"MaxLength that is no number", [](TestBag& b) { SetText(b, L"MaxLength", L"abc"); }, kTypeMismatch, 10,
       VARIANT_TRUE, mask},
      {"only DateValue False", [](TestBag& b) { b.Set(L"DateValue", I4Variant(0)); }, S_OK, 10, VARIANT_FALSE, L"Text1"},
      {"MaxLength as a text that is a number", [](TestBag& b) { SetText(b, L"MaxLength", L" 8 "); }, S_OK, 8,
       VARIANT_TRUE, L"Text1"},
      {"Virgola stored as 1 reads back True", [](TestBag& b) { b.Set(L"Virgola", I4Variant(1)); }, S_OK, 10, VARIANT_TRUE,
       L"Text1", VARIANT_TRUE},
      {"a 32767-character text is taken whole", [&](TestBag& b) { SetText(b, L"Text", longest); }, S_OK, 10,
       VARIANT_TRUE, longest},
      {"MaxLength beyond 16 bits", [](TestBag& b) { b.Set(L"MaxLength", I4Variant(40000)); }, kOverflow, 10, VARIANT_TRUE,
       mask},
      {"negative MaxLength is refused by the box", [](TestBag& b) { b.Set(L"MaxLength", I4Variant(-3)); },
       kInvalidPropertyValue, 10, VARIANT_TRUE, mask},
      {"DateValue that is no Boolean", [](TestBag& b) { SetText(b, L"DateValue", L"forse"); }, kTypeMismatch, 10,
       VARIANT_TRUE, mask},
      {"BackColor beyond 32 bits", [](TestBag& b) { b.Set(L"BackColor", R8Variant(1e10)); }, kOverflow, 10, VARIANT_TRUE,
       mask},
      {"Font that is a text", [](TestBag& b) { SetText(b, L"Font", L"Arial"); }, kTypeMismatch, 10, VARIANT_TRUE,
       mask},
      {"Font that is an object but no font",
       [](TestBag& b) {
         ComPtr<IStream> stream;
         CreateStreamOnHGlobal(nullptr, TRUE, &stream);
         VARIANT v;
         V_VT(&v) = VT_UNKNOWN;
         V_UNKNOWN(&v) = stream.Get();
         b.Set(L"Font", v);
       },
       kTypeMismatch, 10, VARIANT_TRUE, mask},
      {"number mode, then a bad Font: the text is the reset 0",
       [](TestBag& b) {
         b.Set(L"DateValue", I4Variant(0));
         b.Set(L"BackColor", I4Variant(255));
         b.Set(L"Font", I4Variant(0));
       },
       kTypeMismatch, 10, VARIANT_FALSE, L"0", VARIANT_FALSE, 255},
      {"Text that is Null", [](TestBag& b) { b.Set(L"Text", NullVariant()); }, kInvalidUseOfNull, 10, VARIANT_TRUE, mask},
      {"bag fails a read of a stored key: the default, and the load goes on",
       [](TestBag& b) {
         b.failKey = L"Virgola";
         b.Set(L"Virgola", I4Variant(-1));
         SetText(b, L"Text", L"12/12/2012");
       },
       S_OK, 10, VARIANT_TRUE, L"12/12/2012"},
  };
  // Containers say "no such key" each their own way: every one of them reads
  // as the default.
  for (const HRESULT absent : {E_INVALIDARG, E_FAIL, S_OK /* with VT_EMPTY */, E_OUTOFMEMORY})
  for (const HostileRow& row : rows) {
    SCOPED_TRACE(std::string(row.name) + ", absent keys answered " + std::to_string(absent));
    TestBag bag;
    bag.absent = absent;
    row.fill(bag);
    ComPtr<_VelmoraControl> c = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(c.As(&persist), S_OK);
    EXPECT_EQ(persist->Load(&bag, nullptr), row.expected);
    if ((row.expected & 0xFFFF0000) == 0x800A0000) {
      ComPtr<IErrorInfo> info;
      EXPECT_EQ(GetErrorInfo(0, &info), S_OK) << "a core error carries its description";
    }
    const Settings s = Read(c.Get());
    EXPECT_EQ(s.maxLength, row.maxLength);
    EXPECT_EQ(s.dateValue, row.dateValue);
    EXPECT_EQ(s.text.size(), row.text.size());
    EXPECT_TRUE(s.text == row.text) << "text \"" << std::string(s.text.begin(), s.text.begin() + std::min<size_t>(40, s.text.size())) << "\"";
    EXPECT_EQ(s.virgola, row.virgola);
    EXPECT_EQ(s.enabled, VARIANT_TRUE);
    EXPECT_EQ(s.back, row.back);
    EXPECT_EQ(s.tastoInvio, VARIANT_FALSE);
    EXPECT_FALSE(s.fontName.empty()) << "a font in every case";
  }
}

// A megabyte of text passes the bag's conversions whole, both ways.
TEST_F(ControlPersistenceTest, MegabyteTextSurvivesTheConversions) {
  const std::wstring megabyte(1 << 20, L'7');
  UniqueVariant stored;
  V_VT(stored.get()) = VT_BSTR;
  V_BSTR(stored.get()) = UniqueBstr::FromWide(megabyte).release();
  const velmora::Variant core = FromVariant(*stored.get());
  ASSERT_EQ(core.ToString().size(), megabyte.size());
  UniqueVariant back = ToVariant(core);
  ASSERT_EQ(V_VT(back.get()), VT_BSTR);
  EXPECT_EQ(SysStringLen(V_BSTR(back.get())), megabyte.size());
  EXPECT_EQ(VarCmp(stored.get(), back.get(), LOCALE_USER_DEFAULT, 0), VARCMP_EQ);
}

// ---- damaged streams -----------------------------------------------------------

std::vector<BYTE> BytesOf(IPersistStreamInit* persist) {
  ComPtr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  ULARGE_INTEGER max{};
  EXPECT_EQ(persist->GetSizeMax(&max), S_OK);
  EXPECT_GE(max.QuadPart, bytes.size());
  return bytes;
}

std::vector<BYTE> SavedBytes() {
  ComPtr<_VelmoraControl> c = NewControl();
  ComPtr<IPersistStreamInit> persist;
  c.As(&persist);
  persist->InitNew();
  c->put_Text(UniqueBstr::FromWide(L"01/01/2001").get());
  return BytesOf(persist.Get());
}

HRESULT LoadBytes(const std::vector<BYTE>& bytes, ComPtr<_VelmoraControl>* out = nullptr) {
  ComPtr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  ULONG written = 0;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ComPtr<_VelmoraControl> c = NewControl();
  ComPtr<IPersistStreamInit> persist;
  c.As(&persist);
  HRESULT hr = persist->Load(stream.Get());
  if (out) *out = c;
  return hr;
}

TEST_F(ControlPersistenceTest, DamagedStreamsAreRefusedWithoutTouchingTheControl) {
  const std::vector<BYTE> good = SavedBytes();
  ASSERT_GT(good.size(), 40u);
  ASSERT_EQ(LoadBytes(good), S_OK);
  // Every cut of the stream fails, and the control keeps what creation gave it.
  for (size_t length = 0; length < good.size(); length += 3) {
    SCOPED_TRACE("cut at " + std::to_string(length));
    ComPtr<_VelmoraControl> c;
    const std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_TRUE(FAILED(LoadBytes(cut, &c)));
    EXPECT_EQ(Read(c.Get()).text, L"  /  /    ");
  }
  struct {
    const char* name;
    size_t offset;
    std::vector<BYTE> bytes;
    HRESULT expected;
  } const rows[] = {
      {"not our format", 0, {'X'}, STG_E_INVALIDHEADER},
      {"a newer version", 4, {2, 0}, STG_E_OLDDLL},
      {"too many entries", 6, {0xFF, 0xFF}, STG_E_DOCFILECORRUPT},
      {"a key of absurd length", 8, {0xFF, 0x7F}, STG_E_DOCFILECORRUPT},
      {"an unknown kind of value", 8 + 2 + 18, {9, 0}, STG_E_DOCFILECORRUPT},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<BYTE> bytes = good;
    std::copy(row.bytes.begin(), row.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(row.offset));
    EXPECT_EQ(LoadBytes(bytes), row.expected);
  }
}

// A stream saved by today's control, spelled byte by byte: the OLE font
// reads its own part, the control shows what was saved, and saves the very
// same bytes back.
TEST_F(ControlPersistenceTest, TodaysStreamLoadsAndSavesBackByteForByte) {
  const std::vector<std::uint8_t> sample = velmora::testing::SavedStreamSample();
  ComPtr<_VelmoraControl> c;
  ASSERT_EQ(LoadBytes(std::vector<BYTE>(sample.begin(), sample.end()), &c), S_OK);
  Settings expected;
  expected.maxLength = 8;
  expected.dateValue = expected.enabled = expected.tastoInvio = VARIANT_TRUE;
  expected.back = 0x80000005;
  expected.fore = 255;
  expected.text = L"14/12/67";
  expected.fontName = L"DejaVu Sans";
  expected.fontSize = 82500;
  expected.bold = TRUE;
  EXPECT_EQ(Read(c.Get()), expected);
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(c.As(&persist), S_OK);
  EXPECT_EQ(BytesOf(persist.Get()), std::vector<BYTE>(sample.begin(), sample.end()));
}

// A container's own font object: every IFont call goes to a standard font,
// but it is of no class a stream can make, and cannot save itself.
class ForeignFont final : public velmora::testing::HostObject<ForeignFont, IFont, IDispatch> {
 public:
  explicit ForeignFont(ComPtr<IFont> inner) : inner_(std::move(inner)) {}
  HRESULT FindInterface(REFIID riid, void** ppv) noexcept {
    const InterfaceEntry table[] = {Entry<ForeignFont, IFont>(), Entry<ForeignFont, IDispatch>(),
                                    EntryAs<ForeignFont, IDispatch>(IID_IFontDisp)};
    return QueryInterfaceFromTable(this, table, riid, ppv);
  }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
#define VELMORA_FORWARD(name, type) \
  STDMETHODIMP get_##name(type* v) override { return inner_->get_##name(v); } \
  STDMETHODIMP put_##name(type v) override { return inner_->put_##name(v); }
  VELMORA_FORWARD(Name, BSTR)
  VELMORA_FORWARD(Size, CY)
  VELMORA_FORWARD(Bold, BOOL)
  VELMORA_FORWARD(Italic, BOOL)
  VELMORA_FORWARD(Underline, BOOL)
  VELMORA_FORWARD(Strikethrough, BOOL)
  VELMORA_FORWARD(Weight, SHORT)
  VELMORA_FORWARD(Charset, SHORT)
#undef VELMORA_FORWARD
  STDMETHODIMP get_hFont(HFONT* v) override { return inner_->get_hFont(v); }
  STDMETHODIMP Clone(IFont** v) override { return inner_->Clone(v); }
  STDMETHODIMP IsEqual(IFont* other) override { return inner_->IsEqual(other); }
  STDMETHODIMP SetRatio(LONG a, LONG b) override { return inner_->SetRatio(a, b); }
  STDMETHODIMP QueryTextMetrics(TEXTMETRICOLE* m) override { return inner_->QueryTextMetrics(m); }
  STDMETHODIMP AddRefHfont(HFONT f) override { return inner_->AddRefHfont(f); }
  STDMETHODIMP ReleaseHfont(HFONT f) override { return inner_->ReleaseHfont(f); }
  STDMETHODIMP SetHdc(HDC dc) override { return inner_->SetHdc(dc); }

 private:
  ComPtr<IFont> inner_;
};

// Only the standard font is made from a stream, so a font of any other
// kind is saved as a standard font of its description.
TEST_F(ControlPersistenceTest, AContainersOwnFontIsSavedAsAStandardFont) {
  ComPtr<IFont> standard;
  ASSERT_EQ(NewFont(12, true).As(&standard), S_OK);
  ComPtr<IFontDisp> foreign;
  *foreign.GetAddressOf() = reinterpret_cast<IFontDisp*>(static_cast<IDispatch*>(ForeignFont::New(standard)));
  ComPtr<_VelmoraControl> c = NewControl();
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(c.As(&persist), S_OK);
  ASSERT_EQ(persist->InitNew(), S_OK);
  ASSERT_EQ(c->putref_Font(foreign.Get()), S_OK);
  const std::vector<BYTE> bytes = BytesOf(persist.Get());
  ComPtr<_VelmoraControl> loaded;
  ASSERT_EQ(LoadBytes(bytes, &loaded), S_OK);
  const Settings s = Read(loaded.Get());
  EXPECT_EQ(s.fontName, L"DejaVu Sans");
  EXPECT_EQ(s.fontSize, 120000);
  EXPECT_TRUE(s.bold);
}

// ---- the rules of a persistent life ------------------------------------------

TEST_F(ControlPersistenceTest, OneStartPerObjectAndAnHonestDirtyFlag) {
  ComPtr<_VelmoraControl> c = NewControl();
  ComPtr<IPersistStreamInit> stream;
  ComPtr<IPersistPropertyBag> bag;
  ComPtr<IPersistStorage> storage;
  ASSERT_EQ(c.As(&stream), S_OK);
  ASSERT_EQ(c.As(&bag), S_OK);
  ASSERT_EQ(c.As(&storage), S_OK);
  CLSID clsid{};
  ASSERT_EQ(stream->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VelmoraControl));

  ASSERT_EQ(stream->InitNew(), S_OK);
  EXPECT_EQ(stream->IsDirty(), S_FALSE);
  EXPECT_EQ(bag->InitNew(), E_UNEXPECTED);
  TestBag empty;
  EXPECT_EQ(bag->Load(&empty, nullptr), S_OK) << "a Load may follow InitNew, once";
  EXPECT_EQ(bag->Load(&empty, nullptr), E_UNEXPECTED);
  EXPECT_EQ(stream->InitNew(), E_UNEXPECTED);
  ComPtr<IStorage> docfile = NewDocfile();
  ASSERT_TRUE(docfile);
  EXPECT_EQ(storage->InitNew(docfile.Get()), CO_E_ALREADYINITIALIZED);

  struct {
    const char* name;
    std::function<void()> act;
    HRESULT dirty;
  } const steps[] = {
      {"a property set", [&] { c->put_TastoInvio(VARIANT_TRUE); }, S_OK},
      {"saved and cleared", [&] {
         TestBag b;
         bag->Save(&b, TRUE, TRUE);
       }, S_FALSE},
      {"the text changed", [&] { c->put_Text(UniqueBstr::FromWide(L"1").get()); }, S_OK},
      {"saved without clearing", [&] {
         TestBag b;
         bag->Save(&b, FALSE, TRUE);
       }, S_OK},
      {"saved into a storage, completed", [&] {
         storage->Save(docfile.Get(), TRUE);
         storage->SaveCompleted(nullptr);
       }, S_FALSE},
      {"the font changed through the font object", [&] {
         ComPtr<IFontDisp> disp;
         ComPtr<IFont> font;
         c->get_Font(&disp);
         disp.As(&font);
         font->put_Italic(TRUE);
       }, S_OK},
      {"saved and cleared again", [&] {
         TestBag b;
         bag->Save(&b, TRUE, TRUE);
       }, S_FALSE},
      {"a change made while the bag is being written", [&] {
         TestBag b;
         b.onWrite = [&] { c->put_Virgola(VARIANT_TRUE); };
         bag->Save(&b, TRUE, TRUE);
       }, S_OK},
      {"a storage save waiting while the stream is saved and cleared, then a change", [&] {
         storage->Save(docfile.Get(), TRUE);
         ComPtr<IStream> s;
         CreateStreamOnHGlobal(nullptr, TRUE, &s);
         stream->Save(s.Get(), TRUE);
         c->put_Virgola(VARIANT_FALSE);
         storage->SaveCompleted(nullptr);
       }, S_OK},
      {"a new font put by reference, then changed", [&] {
         ComPtr<IFontDisp> disp = NewFont(8);
         c->putref_Font(disp.Get());
         TestBag b;
         bag->Save(&b, TRUE, TRUE);
         ComPtr<IFont> font;
         disp.As(&font);
         font->put_Bold(TRUE);
       }, S_OK},
  };
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(stream->IsDirty(), step.dirty) << step.name;
  }
  EXPECT_EQ(stream->Load(nullptr), E_POINTER);
  EXPECT_EQ(stream->Save(nullptr, TRUE), E_POINTER);
  EXPECT_EQ(bag->Load(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(storage->Load(nullptr), E_POINTER);
  EXPECT_EQ(stream->GetSizeMax(nullptr), E_POINTER);
}

// Loading notifies MaxLength, DateValue and Font through their setters, in
// that order, and nothing else.
TEST_F(ControlPersistenceTest, LoadingNotifiesThroughTheSetters) {
  ComPtr<_VelmoraControl> c = NewControl();
  velmora::testing::ClientSink sink;
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(c.As(&container), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &point), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(static_cast<IPropertyNotifySink*>(&sink), &cookie), S_OK);
  TestBag bag;
  ComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(c.As(&persist), S_OK);
  ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
  const std::vector<DISPID> expected = {DISPID_VELMORA_MAXLENGTH, DISPID_VELMORA_DATEVALUE, DISPID_FONT};
  EXPECT_EQ(sink.changed, expected);
  EXPECT_EQ(persist->Save(&bag, FALSE, FALSE), S_OK);
  EXPECT_EQ(sink.changed, expected) << "saving changes nothing";
  point->Unadvise(cookie);
}

// A host that creates every control new and then loads its saved state
// gets the saved state, through each interface; a second Load, or a Load
// after the new control was saved, is still refused.
TEST_F(ControlPersistenceTest, LoadAfterInitNewIsTakenOnce) {
  for (const Medium& medium : kMedia) {
    SCOPED_TRACE(medium.name);
    ComPtr<_VelmoraControl> original = NewControl();
    ASSERT_EQ(medium.initNew(original.Get()), S_OK);
    original->put_DateValue(VARIANT_FALSE);
    original->put_Text(UniqueBstr::FromWide(L"1.234").get());
    const Settings expected = Read(original.Get());
    ComPtr<IUnknown> saved;
    ASSERT_EQ(medium.save(original.Get(), saved), S_OK);

    ComPtr<_VelmoraControl> c = NewControl();
    ASSERT_EQ(medium.initNew(c.Get()), S_OK);
    c->put_MaxLength(4);  // a host's own set-up between the two
    ASSERT_EQ(medium.load(c.Get(), saved.Get()), S_OK);
    EXPECT_EQ(Read(c.Get()), expected);
    ComPtr<IPersistStreamInit> stream;
    c.As(&stream);
    EXPECT_EQ(stream->IsDirty(), S_FALSE) << "loaded, not changed";
    EXPECT_EQ(medium.load(c.Get(), saved.Get()), medium.refused) << "a second Load";

    // Saved between the two: the new control's life has begun.
    ComPtr<_VelmoraControl> savedFirst = NewControl();
    ASSERT_EQ(medium.initNew(savedFirst.Get()), S_OK);
    ComPtr<IUnknown> elsewhere;
    ASSERT_EQ(medium.save(savedFirst.Get(), elsewhere), S_OK);
    EXPECT_EQ(medium.load(savedFirst.Get(), saved.Get()), medium.refused) << "a Load after a Save";
  }
  // Shown on a form (InitNew, then in-place activation): the user may
  // already have typed into it.
  velmora::testing::TestForm form;
  velmora::testing::Placed* placed = form.AddControl(velmora::testing::CreateTestControl(), RECT{10, 10, 200, 40});
  ASSERT_NE(placed, nullptr) << form.failure();
  ComPtr<IPersistPropertyBag> bag;
  ASSERT_EQ(placed->object.As(&bag), S_OK);
  TestBag empty;
  EXPECT_EQ(bag->Load(&empty, nullptr), E_UNEXPECTED) << "a Load after activation";
  form.RemoveControl(placed);
}

// A form engine asks which keys the control eats when it makes the site,
// before the control loads: a load that changes TastoInvio tells the site,
// one that leaves it as it was does not, and one that puts back what an
// event handler changed while it ran tells it again.
TEST_F(ControlPersistenceTest, LoadTellsTheSiteThatAskedWhenTheKeysChange) {
  struct {
    const char* name;
    bool saved, handlerSets;
    long told;
  } const rows[] = {
      {"Enter to the form", true, false, 1},
      {"Enter kept", false, false, 0},
      {"Enter kept, a handler leaving it to the form meanwhile", false, true, 2},
  };
  velmora::testing::TestForm form(velmora::testing::TestForm::Loop::kFormEngine);
  for (const Medium& medium : kMedia) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(medium.name) + ": " + row.name);
      ComPtr<_VelmoraControl> original = NewControl();
      original->put_TastoInvio(row.saved ? VARIANT_TRUE : VARIANT_FALSE);
      original->put_Text(UniqueBstr::FromWide(L"14/12/1967").get());  // loading it raises Change
      ComPtr<IUnknown> saved;
      ASSERT_EQ(medium.save(original.Get(), saved), S_OK);
      velmora::testing::ClientSink handler;
      bool handled = false;
      velmora::testing::Placed* placed =
          form.AddControl(velmora::testing::CreateTestControl(), RECT{10, 10, 200, 40}, true, [&](IUnknown* c) {
            if (row.handlerSets) {
              handler.onEvent = [&handled, c](DISPID) {
                if (!std::exchange(handled, true))
                  velmora::testing::PutBool(c, velmora::testing::kDispTastoInvio, true);
              };
              velmora::testing::Connect(c, DIID___VelmoraControl, static_cast<IDispatch*>(&handler));
            }
            ComPtr<_VelmoraControl> control;
            c->QueryInterface(IID__VelmoraControl, reinterpret_cast<void**>(control.GetAddressOf()));
            return medium.load(control.Get(), saved.Get());
          });
      ASSERT_NE(placed, nullptr) << form.failure();
      EXPECT_EQ(handled, row.handlerSets);
      EXPECT_EQ(std::count(placed->log.entries.begin(), placed->log.entries.end(), "OnControlInfoChanged"), row.told);
      EXPECT_EQ(placed->controlInfoValid, row.told == 0) << "the form engine asks again";
      form.RemoveControl(placed);
    }
  }
}

// Without a container, controls loaded without a saved font each get the
// default face as a font of their own.
TEST_F(ControlPersistenceTest, DefaultFontsAreNotSharedBetweenControls) {
  ComPtr<IFont> fonts[2];
  for (ComPtr<IFont>& font : fonts) {
    ComPtr<_VelmoraControl> c = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(c.As(&persist), S_OK);
    TestBag empty;
    ASSERT_EQ(persist->Load(&empty, nullptr), S_OK);
    ComPtr<IFontDisp> disp;
    ASSERT_EQ(c->get_Font(&disp), S_OK);
    ASSERT_EQ(disp.As(&font), S_OK);
  }
  ASSERT_NE(fonts[0].Get(), fonts[1].Get());
  CY size{};
  size.int64 = 200000;
  ASSERT_EQ(fonts[0]->put_Size(size), S_OK);
  ASSERT_EQ(fonts[1]->get_Size(&size), S_OK);
  EXPECT_EQ(size.int64, 82500);
}

// IPersistStorage's modes: SaveCompleted completes a Save or gives back a
// revoked storage, and nothing else; IsDirty follows what the storage the
// object lives in holds.
TEST_F(ControlPersistenceTest, StorageModesFollowTheStorageRules) {
  enum Call { SaveSame, SaveOther, CompletedNull, CompletedNew, HandsOff, Change };
  struct Step {
    Call call;
    HRESULT hr;
  };
  struct {
    const char* name;
    std::vector<Step> steps;
    HRESULT dirty;  // IsDirty at the end (the control was changed first)
  } const rows[] = {
      {"SaveCompleted without a Save", {{CompletedNull, E_UNEXPECTED}}, S_OK},
      {"SaveCompleted with a storage, without a Save", {{CompletedNew, E_UNEXPECTED}}, S_OK},
      {"hands off, then SaveCompleted without a storage", {{HandsOff, S_OK}, {CompletedNull, E_UNEXPECTED}}, S_OK},
      {"hands off, then a new storage: the changes are still unsaved",
       {{HandsOff, S_OK}, {CompletedNew, S_OK}, {CompletedNull, E_UNEXPECTED}}, S_OK},
      {"saved into its own storage", {{SaveSame, S_OK}, {CompletedNull, S_OK}}, S_FALSE},
      {"a copy saved elsewhere", {{SaveOther, S_OK}, {CompletedNull, S_OK}}, S_OK},
      {"saved as a new storage", {{SaveOther, S_OK}, {CompletedNew, S_OK}}, S_FALSE},
      {"completed twice", {{SaveSame, S_OK}, {CompletedNull, S_OK}, {CompletedNull, E_UNEXPECTED}}, S_FALSE},
      {"saved, hands off, completed: the storage comes back only as a new one",
       {{SaveSame, S_OK}, {HandsOff, S_OK}, {CompletedNull, S_OK}, {CompletedNull, E_UNEXPECTED},
        {CompletedNew, S_OK}}, S_FALSE},
      {"changed between Save and SaveCompleted", {{SaveSame, S_OK}, {Change, S_OK}, {CompletedNull, S_OK}}, S_OK},
      {"changed before the new storage is given", {{SaveOther, S_OK}, {Change, S_OK}, {CompletedNew, S_OK}}, S_OK},
      {"changed while hands off after the Save",
       {{SaveSame, S_OK}, {HandsOff, S_OK}, {Change, S_OK}, {CompletedNew, S_OK}}, S_OK},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ComPtr<_VelmoraControl> c = NewControl();
    ComPtr<IPersistStorage> p;
    ASSERT_EQ(c.As(&p), S_OK);
    ComPtr<IStorage> own = NewDocfile();
    ASSERT_EQ(p->InitNew(own.Get()), S_OK);
    c->put_TastoInvio(VARIANT_TRUE);
    for (const Step& step : row.steps) {
      HRESULT hr = E_FAIL;
      switch (step.call) {
        case SaveSame: hr = p->Save(own.Get(), TRUE); break;
        case SaveOther: hr = p->Save(NewDocfile().Get(), FALSE); break;
        case CompletedNull: hr = p->SaveCompleted(nullptr); break;
        case CompletedNew: hr = p->SaveCompleted(NewDocfile().Get()); break;
        case HandsOff: hr = p->HandsOffStorage(); break;
        case Change: hr = c->put_Virgola(VARIANT_TRUE); break;
      }
      EXPECT_EQ(hr, step.hr) << "step " << &step - row.steps.data() + 1;
    }
    EXPECT_EQ(p->IsDirty(), row.dirty);
  }
}

}  // namespace
}  // namespace velmora::win32
