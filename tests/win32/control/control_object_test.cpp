// The control object as COM clients see it: properties by name and through
// the vtable, rich errors at the boundary, events and property-change
// notifications reaching sinks through the connection points, class
// information, property pages, and the module unloading once all is
// released.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "com/com_strings.h"
#include "com/handles.h"
#include "control/control_object.h"
#include "test_container.h"
#include "test_support.h"
#include "typelib/dispids.h"
#include "velmora_h.h"

namespace velmora::win32 {
namespace {

using namespace velmora::testing;

class ControlObjectTest : public OleTest {
 public:
  void SetUp() override {
    ASSERT_EQ(CreateVelmoraControl(nullptr, IID__VelmoraControl, reinterpret_cast<void**>(control.GetAddressOf())),
              S_OK);
    ASSERT_EQ(control.As(&dispatch), S_OK);
  }

  // The object behind the interface, for what no interface reaches (Text1's
  // own limit beyond 16 bits, its window).
  ControlObject& Object() { return *static_cast<ControlObject*>(control.Get()); }

  DISPID IdOf(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
  }
  HRESULT Put(DISPID id, VARIANT value, WORD how = DISPATCH_PROPERTYPUT, EXCEPINFO* error = nullptr) {
    return velmora::testing::InvokePut(dispatch.Get(), id, value, how, error);
  }
  HRESULT Get(DISPID id, VARIANT* value, EXCEPINFO* error = nullptr) {
    return velmora::testing::InvokeGet(dispatch.Get(), id, value, error);
  }

  // Text through the vtable.
  std::wstring GetText() {
    UniqueBstr text;
    EXPECT_EQ(control->get_Text(text.put()), S_OK);
    return text.ToWide();
  }

  ComPtr<_VelmoraControl> control;
  ComPtr<IDispatch> dispatch;
};

std::wstring Describe(const VARIANT& v) {
  UniqueVariant text;
  if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR))) return L"<vt " + std::to_wstring(V_VT(&v)) + L">";
  return std::wstring(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get())));
}

// ---- late binding by name --------------------------------------------------

struct ByNameRow {
  const char* name;
  const wchar_t* property;
  DISPID id;
  VARIANT value;     // what is put
  VARIANT readBack;  // what the getter answers afterwards (same type as the property)
};

TEST_F(ControlObjectTest, PropertiesByNameRoundTrip) {
  UniqueBstr text = UniqueBstr::FromWide(L"14.121.967");
  VARIANT textValue;
  V_VT(&textValue) = VT_BSTR;
  V_BSTR(&textValue) = text.get();
  const ByNameRow rows[] = {
      {"MaxLength", L"MaxLength", DISPID_VELMORA_MAXLENGTH, I2Variant(8), I2Variant(8)},
      {"MaxLength from a long", L"maxlength", DISPID_VELMORA_MAXLENGTH, I4Variant(5), I2Variant(5)},
      {"DateValue", L"DateValue", DISPID_VELMORA_DATEVALUE, BoolVariant(false), BoolVariant(false)},
      {"BackColor", L"BackColor", DISPID_VELMORA_BACKCOLOR, I4Variant(255), I4Variant(255)},
      {"Enabled", L"Enabled", DISPID_VELMORA_ENABLED, BoolVariant(false), BoolVariant(false)},
      // Colours come back as signed longs with the same bits, the type
      // scripting clients can hold.
      {"ForeColor system colour", L"ForeColor", DISPID_VELMORA_FORECOLOR, I4Variant(static_cast<LONG>(0x80000012)),
       I4Variant(static_cast<LONG>(0x80000012))},
      {"Text", L"Text", DISPID_VELMORA_TEXT, textValue, textValue},
      {"Virgola", L"Virgola", DISPID_VELMORA_VIRGOLA, BoolVariant(true), BoolVariant(true)},
      {"TastoInvio", L"TASTOINVIO", DISPID_VELMORA_TASTOINVIO, BoolVariant(true), BoolVariant(true)},
  };
  for (const ByNameRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IdOf(row.property), row.id);
    ASSERT_EQ(Put(row.id, row.value), S_OK);
    UniqueVariant got;
    ASSERT_EQ(Get(row.id, got.get()), S_OK);
    EXPECT_EQ(V_VT(got.get()), V_VT(&row.readBack));
    EXPECT_EQ(Describe(*got.get()), Describe(row.readBack));
  }
}

TEST_F(ControlObjectTest, FontByNameIsTheTextBoxFontAndPutsByReference) {
  EXPECT_EQ(IdOf(L"Font"), DISPID_FONT);
  UniqueVariant font;
  ASSERT_EQ(Get(DISPID_FONT, font.get()), S_OK);
  ASSERT_EQ(V_VT(font.get()), VT_DISPATCH);
  ComPtr<IFont> own;
  ASSERT_EQ(V_DISPATCH(font.get())->QueryInterface(IID_IFont, reinterpret_cast<void**>(own.GetAddressOf())), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(own->get_Name(&name), S_OK);
  EXPECT_GT(SysStringLen(name), 0u) << "a control made without InitNew still has a font";
  SysFreeString(name);

  // A font of the client's own, put by reference: afterwards the control
  // answers that very object, and a change to it is the control's.
  ComPtr<IFontDisp> mine = NewFont(12, true);
  ASSERT_TRUE(mine);
  VARIANT byRef;
  V_VT(&byRef) = VT_DISPATCH;
  V_DISPATCH(&byRef) = mine.Get();
  ASSERT_EQ(Put(DISPID_FONT, byRef, DISPATCH_PROPERTYPUTREF), S_OK);
  ComPtr<IFontDisp> back;
  ASSERT_EQ(control->get_Font(&back), S_OK);
  ComPtr<IUnknown> a, b;
  mine.As(&a);
  back.As(&b);
  EXPECT_EQ(a.Get(), b.Get()) << "the same object, not a copy";
  EXPECT_EQ(Object().Control().Font()->Name(), u"DejaVu Sans");
}

TEST_F(ControlObjectTest, UnknownNamesAndInterfacesAreRefused) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Valore")};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNINTERFACE);
  UniqueVariant value;
  DISPPARAMS none{};
  EXPECT_EQ(dispatch->Invoke(0x12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.get(), nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
}

// ---- the vtable ------------------------------------------------------------

TEST_F(ControlObjectTest, VtableStartsAsANewControlAndKeepsWhatIsSet) {
  short maxLength = 0;
  VARIANT_BOOL dateValue = 0, enabled = 0, virgola = 1, tastoInvio = 1;
  OLE_COLOR back = 0, fore = 0;
  ASSERT_EQ(control->get_MaxLength(&maxLength), S_OK);
  ASSERT_EQ(control->get_DateValue(&dateValue), S_OK);
  ASSERT_EQ(control->get_Enabled(&enabled), S_OK);
  ASSERT_EQ(control->get_Virgola(&virgola), S_OK);
  ASSERT_EQ(control->get_TastoInvio(&tastoInvio), S_OK);
  ASSERT_EQ(control->get_BackColor(&back), S_OK);
  ASSERT_EQ(control->get_ForeColor(&fore), S_OK);
  EXPECT_EQ(maxLength, 10);
  EXPECT_EQ(dateValue, VARIANT_TRUE);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(virgola, VARIANT_FALSE);
  EXPECT_EQ(tastoInvio, VARIANT_FALSE);
  EXPECT_EQ(back, 0x80000005u);
  EXPECT_EQ(fore, 0x80000008u);
  EXPECT_EQ(GetText(), L"  /  /    ");

  // DateValue keeps a non-True value as it is, and that means number mode.
  ASSERT_EQ(control->put_DateValue(1), S_OK);
  ASSERT_EQ(control->get_DateValue(&dateValue), S_OK);
  EXPECT_EQ(dateValue, 1);
  EXPECT_EQ(GetText(), L"0");
  // MaxLength 0 means no limit and reads back 0.
  ASSERT_EQ(control->put_MaxLength(0), S_OK);
  ASSERT_EQ(control->get_MaxLength(&maxLength), S_OK);
  EXPECT_EQ(maxLength, 0);
  // A null text is the empty text.
  ASSERT_EQ(control->put_Text(nullptr), S_OK);
  EXPECT_EQ(GetText(), L"");
  // The EDIT really holds what the property says.
  ASSERT_EQ(control->put_Text(UniqueBstr::FromWide(L"abc").get()), S_OK);
  Object().Window().SetParentWindow(velmora::testing::Form::Shared().hwnd());  // the EDIT is made once placed
  wchar_t window[16] = {};
  GetWindowTextW(Object().Text1Box().hwnd(), window, 16);
  EXPECT_STREQ(window, L"abc");
}

// ---- errors at the boundary ------------------------------------------------

// The core's errors come with rich error information; a null out-pointer
// (E_POINTER) comes without.
TEST_F(ControlObjectTest, CoreErrorsBecomeHresultsWithErrorInfo) {
  short value = 0;
  const struct {
    const char* name;
    std::function<HRESULT()> call;
    HRESULT expected;
  } rows[] = {
      {"negative MaxLength", [&] { return control->put_MaxLength(-1); }, kInvalidPropertyValue},
      {"MaxLength beyond 16 bits",
       [&] {
         Object().Text1Box().setMaxLength(40000);
         return control->get_MaxLength(&value);
       },
       kOverflow},
      {"null font", [&] { return control->putref_Font(nullptr); }, kInvalidPropertyValue},
      // An IDispatch that is no font: the control's own.
      {"an object that is not a font",
       [&] { return control->putref_Font(reinterpret_cast<IFontDisp*>(dispatch.Get())); }, kTypeMismatch},
      {"null MaxLength", [&] { return control->get_MaxLength(nullptr); }, E_POINTER},
      {"null DateValue", [&] { return control->get_DateValue(nullptr); }, E_POINTER},
      {"null BackColor", [&] { return control->get_BackColor(nullptr); }, E_POINTER},
      {"null Font", [&] { return control->get_Font(nullptr); }, E_POINTER},
      {"null Enabled", [&] { return control->get_Enabled(nullptr); }, E_POINTER},
      {"null ForeColor", [&] { return control->get_ForeColor(nullptr); }, E_POINTER},
      {"null Text", [&] { return control->get_Text(nullptr); }, E_POINTER},
      {"null Virgola", [&] { return control->get_Virgola(nullptr); }, E_POINTER},
      {"null TastoInvio", [&] { return control->get_TastoInvio(nullptr); }, E_POINTER},
      {"null type information count", [&] { return dispatch->GetTypeInfoCount(nullptr); }, E_POINTER},
      {"null interface", [&] { return control->QueryInterface(IID_IUnknown, nullptr); }, E_POINTER},
  };
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(control.As(&support), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__VelmoraControl), S_OK);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(row.call(), row.expected);
    ExpectErrorInfo(row.expected != E_POINTER);
  }
  // After the refused MaxLength nothing was notified or reset.
  EXPECT_EQ(GetText(), L"  /  /    ");
}

TEST_F(ControlObjectTest, ErrorReachesLateBoundCallerAsException) {
  EXCEPINFO error{};
  EXPECT_EQ(Put(DISPID_VELMORA_MAXLENGTH, I2Variant(-5), DISPATCH_PROPERTYPUT, &error), DISP_E_EXCEPTION);
  EXPECT_EQ(error.scode, kInvalidPropertyValue);
  EXPECT_NE(error.bstrDescription, nullptr);
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
}

// ---- events and notifications ----------------------------------------------

struct NotifyRow {
  const char* name;
  HRESULT (*set)(_VelmoraControl*);
  std::vector<DISPID> changed;  // property-changed notifications, in order
  std::vector<DISPID> events;   // events, in order
};

TEST_F(ControlObjectTest, SettersNotifyAndTextChangesRaiseChange) {
  const NotifyRow rows[] = {
      {"MaxLength resets the mask", [](_VelmoraControl* c) { return c->put_MaxLength(8); }, {DISPID_VELMORA_MAXLENGTH}, {2}},
      {"MaxLength again, the mask already there: no Change", [](_VelmoraControl* c) { return c->put_MaxLength(8); }, {DISPID_VELMORA_MAXLENGTH}, {}},
      {"DateValue False writes 0", [](_VelmoraControl* c) { return c->put_DateValue(VARIANT_FALSE); }, {DISPID_VELMORA_DATEVALUE}, {2}},
      {"DateValue again, 0 already there: no Change", [](_VelmoraControl* c) { return c->put_DateValue(VARIANT_FALSE); }, {DISPID_VELMORA_DATEVALUE}, {}},
      {"Text", [](_VelmoraControl* c) { return c->put_Text(UniqueBstr::FromWide(L"x").get()); }, {DISPID_VELMORA_TEXT}, {2}},
      {"Text it already holds: no Change", [](_VelmoraControl* c) { return c->put_Text(UniqueBstr::FromWide(L"x").get()); }, {DISPID_VELMORA_TEXT}, {}},
      {"DateValue again over a typed text starts over", [](_VelmoraControl* c) { return c->put_DateValue(VARIANT_FALSE); }, {DISPID_VELMORA_DATEVALUE}, {2}},
      {"BackColor", [](_VelmoraControl* c) { return c->put_BackColor(255); }, {DISPID_VELMORA_BACKCOLOR}, {}},
      {"ForeColor", [](_VelmoraControl* c) { return c->put_ForeColor(255); }, {DISPID_VELMORA_FORECOLOR}, {}},
      {"Enabled", [](_VelmoraControl* c) { return c->put_Enabled(VARIANT_FALSE); }, {DISPID_VELMORA_ENABLED}, {}},
      {"Virgola", [](_VelmoraControl* c) { return c->put_Virgola(VARIANT_TRUE); }, {DISPID_VELMORA_VIRGOLA}, {}},
      {"TastoInvio", [](_VelmoraControl* c) { return c->put_TastoInvio(VARIANT_TRUE); }, {DISPID_VELMORA_TASTOINVIO}, {}},
      {"Font", [](_VelmoraControl* c) {
         ComPtr<IFontDisp> font;
         c->get_Font(&font);
         return c->putref_Font(font.Get());
       }, {DISPID_FONT}, {}},
      {"refused MaxLength notifies nothing", [](_VelmoraControl* c) { return c->put_MaxLength(-1) == kInvalidPropertyValue ? S_OK : E_FAIL; }, {}, {}},
  };
  ClientSink dual, bare(false);
  const DWORD dualEvents = Connect(control.Get(), DIID___VelmoraControl, static_cast<IDispatch*>(&dual));
  const DWORD bareEvents = Connect(control.Get(), DIID___VelmoraControl, static_cast<IDispatch*>(&bare));
  const DWORD notify = Connect(control.Get(), IID_IPropertyNotifySink, static_cast<IDispatch*>(&dual));
  ASSERT_TRUE(dualEvents && bareEvents && notify);
  for (const NotifyRow& row : rows) {
    SCOPED_TRACE(row.name);
    dual.events.clear();
    dual.changed.clear();
    bare.events.clear();
    ASSERT_EQ(row.set(control.Get()), S_OK);
    EXPECT_EQ(dual.changed, row.changed);
    EXPECT_EQ(dual.events, row.events);
    EXPECT_EQ(bare.events, row.events) << "a sink that is only an IDispatch hears the events too";
  }
  const std::pair<const IID*, DWORD> connections[] = {
      {&DIID___VelmoraControl, dualEvents}, {&DIID___VelmoraControl, bareEvents}, {&IID_IPropertyNotifySink, notify}};
  for (const auto& [iid, cookie] : connections) {
    EXPECT_EQ(Disconnect(control.Get(), *iid, cookie), S_OK);
    EXPECT_EQ(Disconnect(control.Get(), *iid, cookie), CONNECT_E_NOCONNECTION);
  }
  dual.events.clear();
  dual.changed.clear();
  control->put_Text(UniqueBstr::FromWide(L"y").get());
  EXPECT_TRUE(dual.events.empty());
  EXPECT_TRUE(dual.changed.empty());
  EXPECT_EQ(dual.References(), 1u) << "every reference the control took was given back";
  EXPECT_EQ(bare.References(), 1u);
  EXPECT_EQ(dual.malformedEvents + bare.malformedEvents, 0) << "events are method calls without arguments";
}

TEST_F(ControlObjectTest, LeavingAnImpossibleDateRaisesDataNonValidaAfterChange) {
  ClientSink first, second;
  first.failEvents = true;  // a failing sink keeps nobody else from hearing
  EXPECT_NE(Connect(control.Get(), DIID___VelmoraControl, static_cast<IDispatch*>(&first)), 0u);
  EXPECT_NE(Connect(control.Get(), DIID___VelmoraControl, static_cast<IDispatch*>(&second)), 0u);
  ASSERT_EQ(control->put_Text(UniqueBstr::FromWide(L"31/04/2020").get()), S_OK);
  first.events.clear();
  second.events.clear();
  Object().Window().SetParentWindow(velmora::testing::Form::Shared().hwnd());  // the EDIT is made once placed
  SendMessageW(Object().Text1Box().hwnd(), WM_KILLFOCUS, 0, 0);
  const std::vector<DISPID> expected = {2, 1};  // the mask goes in, then the event
  EXPECT_EQ(first.events, expected);
  EXPECT_EQ(second.events, expected);
  EXPECT_EQ(GetText(), L"  /  /    ");
  control.Reset();  // released with sinks still connected: they are let go
  dispatch.Reset();
  EXPECT_EQ(first.References(), 1u);
  EXPECT_EQ(second.References(), 1u);
  EXPECT_EQ(first.malformedEvents + second.malformedEvents, 0);
}

TEST_F(ControlObjectTest, FrozenEventsAreNotRaised) {
  ClientSink sink;
  EXPECT_NE(Connect(control.Get(), DIID___VelmoraControl, static_cast<IDispatch*>(&sink)), 0u);
  ComPtr<IOleControl> oleControl;
  ASSERT_EQ(control.As(&oleControl), S_OK);
  ASSERT_EQ(oleControl->FreezeEvents(TRUE), S_OK);
  ASSERT_EQ(control->put_Text(UniqueBstr::FromWide(L"1").get()), S_OK);
  EXPECT_TRUE(sink.events.empty());
  ASSERT_EQ(oleControl->FreezeEvents(FALSE), S_OK);
  ASSERT_EQ(control->put_Text(UniqueBstr::FromWide(L"2").get()), S_OK);
  EXPECT_EQ(sink.events, std::vector<DISPID>{2});
  control.Reset();
  dispatch.Reset();
  oleControl.Reset();
  EXPECT_EQ(sink.References(), 1u);
  EXPECT_EQ(sink.malformedEvents, 0);
}

TEST_F(ControlObjectTest, ConnectionPointsAreFoundAndEnumerated) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(control.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* found[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(3, found, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  IID iids[2];
  for (int i = 0; i < 2; ++i) {
    found[i]->GetConnectionInterface(&iids[i]);
    ComPtr<IConnectionPointContainer> back;
    found[i]->GetConnectionPointContainer(&back);
    EXPECT_EQ(back.Get(), container.Get());
    found[i]->Release();
  }
  EXPECT_TRUE(IsEqualIID(iids[0], DIID___VelmoraControl));
  EXPECT_TRUE(IsEqualIID(iids[1], IID_IPropertyNotifySink));

  // A sink that offers neither interface is refused; a connected one is
  // listed with its cookie.
  ClientSink sink;
  ASSERT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, &point), S_OK);
  ComPtr<IUnknown> notASink;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(notASink.GetAddressOf())), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(notASink.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
  ASSERT_EQ(point->Advise(static_cast<IPropertyNotifySink*>(&sink), &cookie), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data{};
  ASSERT_EQ(connections->Next(1, &data, nullptr), S_OK);
  EXPECT_EQ(data.dwCookie, cookie);
  data.pUnk->Release();
  EXPECT_EQ(connections->Next(1, &data, nullptr), S_FALSE);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

// ---- class information, pages, browsing, identity --------------------------

TEST_F(ControlObjectTest, ClassInfoPagesAndBrowsing) {
  ComPtr<IProvideClassInfo2> classInfo;
  ASSERT_EQ(control.As(&classInfo), S_OK);
  GUID source{};
  ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, DIID___VelmoraControl));
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(&coclass), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_VelmoraControl));
  coclass->ReleaseTypeAttr(attr);

  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(control.As(&pages), S_OK);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 3u);
  const CLSID fontPage = {0x7ebdaae0, 0x8120, 0x11cf, {0x89, 0x9f, 0x00, 0xaa, 0x00, 0x68, 0x8b, 0x10}};
  const CLSID colourPage = {0x7ebdaae1, 0x8120, 0x11cf, {0x89, 0x9f, 0x00, 0xaa, 0x00, 0x68, 0x8b, 0x10}};
  EXPECT_TRUE(IsEqualGUID(list.pElems[0], CLSID_Generale));
  EXPECT_TRUE(IsEqualGUID(list.pElems[1], fontPage));
  EXPECT_TRUE(IsEqualGUID(list.pElems[2], colourPage));
  CoTaskMemFree(list.pElems);

  ComPtr<IPerPropertyBrowsing> browsing;
  ASSERT_EQ(control.As(&browsing), S_OK);
  struct {
    DISPID id;
    HRESULT expected;
  } const mapped[] = {{DISPID_VELMORA_DATEVALUE, S_OK}, {DISPID_VELMORA_MAXLENGTH, S_OK}, {DISPID_VELMORA_VIRGOLA, S_OK},
                      {DISPID_VELMORA_TEXT, PERPROP_E_NOPAGEAVAILABLE}, {DISPID_FONT, PERPROP_E_NOPAGEAVAILABLE}};
  for (const auto& row : mapped) {
    CLSID page{};
    EXPECT_EQ(browsing->MapPropertyToPage(row.id, &page), row.expected) << std::hex << row.id;
    EXPECT_EQ(IsEqualGUID(page, CLSID_Generale), row.expected == S_OK) << std::hex << row.id;
  }
}

TEST_F(ControlObjectTest, EveryInterfaceSharesOneIdentity) {
  const IID* iids[] = {&IID_IDispatch, &IID_IProvideClassInfo, &IID_IProvideClassInfo2,
                       &IID_IConnectionPointContainer, &IID_IPersistStreamInit, &IID_IPersistStream,
                       &IID_IPersistStorage, &IID_IPersistPropertyBag, &IID_ISpecifyPropertyPages,
                       &IID_IPerPropertyBrowsing, &IID_ISupportErrorInfo};
  ComPtr<IUnknown> identity;
  ASSERT_EQ(control.As(&identity), S_OK);
  for (const IID* iid : iids) {
    ComPtr<IUnknown> itf, back;
    ASSERT_EQ(identity->QueryInterface(*iid, reinterpret_cast<void**>(itf.GetAddressOf())), S_OK);
    ASSERT_EQ(itf.As(&back), S_OK);
    EXPECT_EQ(back.Get(), identity.Get());
  }
}

// An outer object that aggregates the control: its IUnknown is the
// control's identity, and the control's interfaces lead back to it.
class Outer final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  ULONG refs = 1;
  ComPtr<IUnknown> inner;
};

TEST_F(ControlObjectTest, AggregatedControlDelegatesItsIdentity) {
  Outer outer;
  void* raw = nullptr;
  EXPECT_EQ(CreateVelmoraControl(&outer, IID_IDispatch, &raw), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(CreateVelmoraControl(&outer, IID_IUnknown, reinterpret_cast<void**>(outer.inner.GetAddressOf())), S_OK);
  ComPtr<_VelmoraControl> inner;
  ASSERT_EQ(outer.QueryInterface(IID__VelmoraControl, reinterpret_cast<void**>(inner.GetAddressOf())), S_OK);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(inner.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
  identity.Reset();
  inner.Reset();
  EXPECT_EQ(outer.refs, 1u);
  outer.inner.Reset();
}

// ---- the module, through the OCX's own exports -----------------------------

TEST(ControlModule, UnloadsOnceEveryObjectIsReleased) {
  OleScope ole;
  {
    Ocx ocx;
    {
      ComPtr<IClassFactory> factory = ocx.Factory(CLSID_VelmoraControl);
      ASSERT_NE(factory, nullptr);
      ComPtr<_VelmoraControl> control;
      ASSERT_EQ(factory->CreateInstance(nullptr, IID__VelmoraControl, &control), S_OK);
      factory.Reset();
      ClientSink sink;
      DWORD cookie = Connect(control.Get(), DIID___VelmoraControl, static_cast<IDispatch*>(&sink));
      EXPECT_NE(cookie, 0u);
      ComPtr<IPersistStreamInit> persist;
      ASSERT_EQ(control.As(&persist), S_OK);
      ASSERT_EQ(persist->InitNew(), S_OK);
      ComPtr<IStream> stream;
      ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
      ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
      ComPtr<IConnectionPointContainer> container;
      ComPtr<IEnumConnectionPoints> points;
      ASSERT_EQ(control.As(&container), S_OK);
      ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
      ComPtr<IFontDisp> font;
      ASSERT_EQ(control->get_Font(&font), S_OK);
      EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE);
      persist.Reset();
      container.Reset();
      control.Reset();
      EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE) << "an enumerator keeps its object alive";
      points.Reset();
      (void)cookie;  // the object let its sinks go when it died
      EXPECT_EQ(sink.References(), 1u);
    }
    Pump();
    EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
  }
}

}  // namespace
}  // namespace velmora::win32
