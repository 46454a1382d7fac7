// The COM skeleton as callers meet it: the four enumerators the control
// hands out (connection points, connections, data formats, verbs) keep
// each interface's own answers to missing arguments, skip and clone alike,
// every object the control makes counts for the module's unloading, and a
// facet's references are its holder's.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <functional>
#include <string>

#include "com/com_module.h"
#include "com/com_object.h"
#include "com/connection_point.h"
#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"
#include "velmora_h.h"
#include "shared/rows.h"

namespace velmora::testing {
namespace {

using win32::ModuleObjectCount;

// One enumerator of the control, seen through a uniform face: Next into a
// buffer of eight elements (each handed element is given back), and what
// it should answer.
struct EnumRow {
  const char* name;
  std::size_t items;
  HRESULT manyWithoutFetched;  // Next(2, out, nullptr)
  HRESULT noneWithoutFetched;  // Next(0, out, nullptr)
  std::function<ComPtr<IUnknown>(IUnknown* control)> make;
};

void GiveBack(IConnectionPoint* p) { p->Release(); }
void GiveBack(CONNECTDATA& c) { c.pUnk->Release(); }
void GiveBack(FORMATETC&) {}
void GiveBack(OLEVERB& v) { CoTaskMemFree(v.lpszVerbName); }

// Runs the contract on `e` (an IEnum of Element) holding `items` items.
template <class IEnum, class Element>
void CheckEnumerator(IEnum* e, const EnumRow& row) {
  Element out[8] = {};
  ULONG fetched = 99;
  EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);
  EXPECT_EQ(e->Next(2, out, nullptr), row.manyWithoutFetched);
  EXPECT_EQ(e->Next(0, out, nullptr), row.noneWithoutFetched);
  // One item without a count is allowed everywhere.
  ASSERT_EQ(e->Next(1, out, nullptr), S_OK);
  GiveBack(out[0]);
  // A clone goes on from the same place, on its own.
  ComPtr<IEnum> clone;
  ASSERT_EQ(e->Clone(&clone), S_OK);
  EXPECT_EQ(e->Clone(nullptr), E_POINTER);
  fetched = 99;
  EXPECT_EQ(e->Next(8, out, &fetched), S_FALSE);
  EXPECT_EQ(fetched, row.items - 1);
  for (ULONG i = 0; i < fetched; ++i) GiveBack(out[i]);
  fetched = 99;
  EXPECT_EQ(clone->Next(8, out, &fetched), S_FALSE);
  EXPECT_EQ(fetched, row.items - 1) << "the clone starts where the original stood";
  for (ULONG i = 0; i < fetched; ++i) GiveBack(out[i]);
  // Skipping past the end stops at the end.
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(static_cast<ULONG>(row.items) - 1), S_OK);
  EXPECT_EQ(e->Skip(2), S_FALSE);
  fetched = 99;
  EXPECT_EQ(e->Next(1, out, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

ComPtr<IUnknown> Points(IUnknown* control) {
  ComPtr<IEnumConnectionPoints> points;
  if (auto container = As<IConnectionPointContainer>(control)) container->EnumConnectionPoints(&points);
  return points;
}

class EnumeratorContract : public OleFixture<::testing::TestWithParam<EnumRow>> {};

TEST_P(EnumeratorContract, AnswersAsItsInterfaceAlwaysHas) {
  const EnumRow& row = GetParam();
  const long base = ModuleObjectCount();
  {
    ComPtr<IUnknown> control = CreateTestControl();
    ASSERT_NE(control, nullptr);
    // Two listeners, so that there are connections to enumerate; both are
    // disconnected when they go.
    ClientSink sink;
    IDispatch* listener = &sink;
    const win32::ConnectionAdvise first = win32::AdviseConnection(control.Get(), DIID___VelmoraControl, listener);
    const win32::ConnectionAdvise second = win32::AdviseConnection(control.Get(), DIID___VelmoraControl, listener);
    ASSERT_TRUE(first && second);
    ComPtr<IUnknown> e = row.make(control.Get());
    ASSERT_NE(e, nullptr);
    ComPtr<IEnumConnectionPoints> points;
    ComPtr<IEnumConnections> connections;
    ComPtr<IEnumFORMATETC> formats;
    ComPtr<IEnumOLEVERB> verbs;
    if (SUCCEEDED(e.As(&points))) CheckEnumerator<IEnumConnectionPoints, IConnectionPoint*>(points.Get(), row);
    if (SUCCEEDED(e.As(&connections))) CheckEnumerator<IEnumConnections, CONNECTDATA>(connections.Get(), row);
    if (SUCCEEDED(e.As(&formats))) CheckEnumerator<IEnumFORMATETC, FORMATETC>(formats.Get(), row);
    if (SUCCEEDED(e.As(&verbs))) CheckEnumerator<IEnumOLEVERB, OLEVERB>(verbs.Get(), row);
    EXPECT_GT(ModuleObjectCount(), base) << "an enumerator counts while it lives";
  }
  EXPECT_EQ(ModuleObjectCount(), base);
}

const EnumRow kEnumerators[] = {
    {"ConnectionPoints", 2, E_INVALIDARG, E_INVALIDARG, &Points},
    {"Connections", 2, E_INVALIDARG, E_INVALIDARG,
     [](IUnknown* control) -> ComPtr<IUnknown> {
       ComPtr<IConnectionPoint> point;
       ComPtr<IEnumConnections> connections;
       if (auto container = As<IConnectionPointContainer>(control);
           container && SUCCEEDED(container->FindConnectionPoint(DIID___VelmoraControl, &point)))
         point->EnumConnections(&connections);
       return connections;
     }},
    {"Formats", 2, E_POINTER, S_OK,
     [](IUnknown* control) -> ComPtr<IUnknown> {
       ComPtr<IEnumFORMATETC> formats;
       if (auto data = As<IDataObject>(control)) data->EnumFormatEtc(DATADIR_GET, &formats);
       return formats;
     }},
    {"Verbs", 6, E_POINTER, S_OK,
     [](IUnknown* control) -> ComPtr<IUnknown> {
       ComPtr<IEnumOLEVERB> verbs;
       if (auto ole = As<IOleObject>(control)) ole->EnumVerbs(&verbs);
       return verbs;
     }},
};

INSTANTIATE_TEST_SUITE_P(Control, EnumeratorContract, ::testing::ValuesIn(kEnumerators), testing::kRowName);

// Every COM object a new control makes is counted, its text box's font
// sink included: the module must not unload while a font still holds it.
TEST(ComSkeleton, EveryObjectOfANewControlCountsForUnloading) {
  OleScope ole;
  const long base = ModuleObjectCount();
  {
    ComPtr<IUnknown> control = CreateTestControl();
    ASSERT_NE(control, nullptr);
    // The control alone: its font, and the text box's window with its font
    // sink, come when first needed (the font when asked for, the window
    // when placed).
    EXPECT_EQ(ModuleObjectCount() - base, 1);
    VARIANT font;
    VariantInit(&font);
    ASSERT_EQ(GetProperty(control.Get(), DISPID_FONT, &font), S_OK);
    EXPECT_EQ(ModuleObjectCount() - base, 2);  // and its watch on its own font
    VariantClear(&font);
  }
  Pump();
  EXPECT_EQ(ModuleObjectCount(), base);
}

// An object holding the two kinds of facet: a connection point (its own
// QueryInterface) and one that shares the holder's identity.
class FacetHolder final : public win32::HostComBase<FacetHolder, IConnectionPointContainer> {
 public:
  class Shared final : public win32::DelegatingFacet<Shared, IOleWindow> {
   public:
    explicit Shared(IUnknown* holder) : DelegatingFacet(holder) {}
    STDMETHODIMP GetWindow(HWND*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  };
  FacetHolder() : point(*this, IID_IPropertyNotifySink, false), shared(this) {}
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint**) noexcept override { return E_NOTIMPL; }
  win32::ConnectionPoint point;
  Shared shared;
};

TEST(ComSkeleton, FacetsCountOnTheirHolderAndAnswerAsTheirKindSays) {
  FacetHolder* holder = FacetHolder::New();
  for (IUnknown* facet : {static_cast<IUnknown*>(&holder->point), static_cast<IUnknown*>(&holder->shared)}) {
    facet->AddRef();
    EXPECT_EQ(holder->References(), 2u) << "AddRef counts on the holder";
    facet->Release();
    EXPECT_EQ(holder->References(), 1u) << "Release counts on the holder";
  }
  IUnknown* answer = nullptr;
  ASSERT_EQ(holder->point.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&answer)), S_OK);
  EXPECT_EQ(answer, static_cast<IConnectionPoint*>(&holder->point)) << "a point is its own identity";
  answer->Release();
  EXPECT_EQ(holder->point.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&answer)),
            E_NOINTERFACE);
  ASSERT_EQ(holder->shared.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&answer)), S_OK);
  EXPECT_EQ(answer, static_cast<IConnectionPointContainer*>(holder)) << "the shared facet's identity is the holder";
  answer->Release();
  EXPECT_EQ(holder->References(), 1u);
  holder->Release();
}

}  // namespace
}  // namespace velmora::testing
