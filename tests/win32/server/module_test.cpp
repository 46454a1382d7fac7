// The OCX's exports as a client sees them: the OCX is loaded from beside
// this program and driven only through GetProcAddress.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/com_edge.h"
#include "com/com_object.h"
#include "com/com_strings.h"
#include "com/handles.h"
#include "errors.h"
#include "test_support.h"
#include "velmora_h.h"

namespace {

using velmora::testing::Ocx;
using velmora::win32::ComPtr;

TEST(Module, CanUnloadNowFollowsFactoriesAndLocks) {
  Ocx ocx;
  auto* get_class_object = ocx.Export<velmora::testing::GetClassObjectFn>("DllGetClassObject");
  ASSERT_NE(get_class_object, nullptr);

  EXPECT_EQ(ocx.CanUnloadNow(), S_OK) << "nothing alive after loading";
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(get_class_object(CLSID_VelmoraControl, IID_IClassFactory, &factory), S_OK);
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE) << "a held factory keeps the module";
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE) << "a lock keeps the module";
  ASSERT_EQ(get_class_object(CLSID_Generale, IID_IClassFactory, &factory), S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK) << "lock released, factory released";
}

TEST(Module, ClassFactoryRules) {
  Ocx ocx;
  auto* get_class_object = ocx.Export<velmora::testing::GetClassObjectFn>("DllGetClassObject");
  ASSERT_NE(get_class_object, nullptr);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(get_class_object(IID__VelmoraControl, IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE)
      << "an interface identifier is no class";
  EXPECT_EQ(factory, nullptr);

  ComPtr<IUnknown> unknown;
  ASSERT_EQ(get_class_object(CLSID_VelmoraControl, IID_IUnknown, &unknown), S_OK);
  ASSERT_EQ(unknown.As(&factory), S_OK);
  ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(unknown.Get(), IID_IDispatch, &object), CLASS_E_NOAGGREGATION)
      << "an aggregated object hands out only its inner IUnknown";
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED) << "unlock without a lock";
  unknown.Reset();
  factory.Reset();
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK) << "the refused unlock must not unbalance the count";
}

// ---------------------------------------------------------------------------
// The COM edge: what a method answers when its body throws.

using velmora::VelmoraError;
using velmora::win32::ComEdge;
using velmora::win32::HresultError;

struct EdgeRow {
  const char* name;
  void (*body)();
  HRESULT expected;
  const wchar_t* description;  // null: no rich error information
};

const EdgeRow kEdgeRows[] = {
    {"success", [] {}, S_OK, nullptr},
    {"overflow", [] { throw VelmoraError(velmora::ErrorNumber::Overflow, "Overflow"); },
     static_cast<HRESULT>(0x800A0006), L"Overflow"},
    {"type mismatch",
     [] { throw VelmoraError(velmora::ErrorNumber::TypeMismatch, "Tipo non corrispondente"); },
     static_cast<HRESULT>(0x800A000D), L"Tipo non corrispondente"},
    {"invalid property value",
     [] {
       throw VelmoraError(velmora::ErrorNumber::InvalidPropertyValue,
                          "Valore della propriet\xC3\xA0 non valido");
     },
     static_cast<HRESULT>(0x800A017C), L"Valore della propriet\u00E0 non valido"},
    {"service failure", [] { throw VelmoraError(5, "Chiamata non valida"); },
     static_cast<HRESULT>(0x800A0005), L"Chiamata non valida"},
    {"failed COM call", [] { throw HresultError(E_ACCESSDENIED); }, E_ACCESSDENIED, nullptr},
    {"out of memory", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY, nullptr},
    {"anything else", [] { throw std::logic_error("x"); }, E_FAIL, nullptr},
    // The standard library's own failures go through the control's lean
    // runtime: an impossible size is memory that cannot be had, an index out
    // of range an internal fault.
    {"string beyond its largest size",
     [] {
       std::string text;
       text.reserve(text.max_size() + 1);
     },
     E_OUTOFMEMORY, nullptr},
    {"vector index out of range", [] { (void)std::vector<int>(2).at(5); }, E_FAIL, nullptr},

    {"not even an exception", [] { throw 42; }, E_FAIL, nullptr},
};

TEST(ComEdge, AnswersEveryThrowWithItsHresult) {
  for (const EdgeRow& row : kEdgeRows) {
    SCOPED_TRACE(row.name);
    ::SetErrorInfo(0, nullptr);
    const HRESULT hr = ComEdge([&] {
      row.body();
      return S_OK;
    }, IID__VelmoraControl);
    EXPECT_EQ(hr, row.expected) << std::hex << hr;

    velmora::testing::ExpectErrorInfo(row.description != nullptr, row.description);
  }
}

// ---------------------------------------------------------------------------
// QueryInterface from a table.

class TwoFaces final : public IDispatch, public IPersist {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    static const velmora::win32::InterfaceEntry table[] = {
        velmora::win32::Entry<TwoFaces, IDispatch>(),
        velmora::win32::Entry<TwoFaces, IPersist>(),
        velmora::win32::EntryAs<TwoFaces, IDispatch>(IID__VelmoraControl),
    };
    return velmora::win32::QueryInterfaceFromTable(this, table, riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return refs_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return refs_.Release(); }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  ULONG refs() const { return refs_.Value(); }

 private:
  velmora::win32::RefCount refs_;
};

TEST(QueryInterfaceTable, AnswersEachRowAndKeepsOneIdentity) {
  TwoFaces object;
  struct Row {
    const char* name;
    const IID* iid;
    void* expected;
  };
  const Row rows[] = {
      {"IUnknown", &IID_IUnknown, static_cast<IDispatch*>(&object)},
      {"IDispatch", &IID_IDispatch, static_cast<IDispatch*>(&object)},
      {"IPersist", &IID_IPersist, static_cast<IPersist*>(&object)},
      {"alias", &IID__VelmoraControl, static_cast<IDispatch*>(&object)},
      {"not implemented", &IID_IClassFactory, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    void* answer = reinterpret_cast<void*>(1);
    const HRESULT hr = object.QueryInterface(*row.iid, &answer);
    EXPECT_EQ(hr, row.expected ? S_OK : E_NOINTERFACE);
    EXPECT_EQ(answer, row.expected);
    if (answer == nullptr) continue;
    EXPECT_EQ(object.refs(), 2u) << "answered AddRef'ed";
    IUnknown* identity = nullptr;
    static_cast<IUnknown*>(answer)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    EXPECT_EQ(identity, static_cast<IDispatch*>(&object)) << "one IUnknown for every face";
    identity->Release();
    static_cast<IUnknown*>(answer)->Release();
  }
  EXPECT_EQ(object.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
