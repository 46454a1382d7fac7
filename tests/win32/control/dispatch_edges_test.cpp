// IDispatch against callers that pass what no type library describes: a
// number that is no number, the names of the interface's own plumbing, and
// arguments that do not fit, whose index the caller must get back.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <cmath>
#include <limits>

#include "com/handles.h"
#include "test_container.h"
#include "test_support.h"

namespace velmora::testing {
namespace {

class DispatchEdges : public OleTest {
 protected:
  void SetUp() override {
    ComPtr<IUnknown> control = CreateTestControl();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control.As(&dispatch), S_OK);
  }
  HRESULT Put(DISPID id, VARIANT value, UINT* argError, bool named = true) {
    return InvokePut(dispatch.Get(), id, value, DISPATCH_PROPERTYPUT, nullptr, argError, named);
  }
  ComPtr<IDispatch> dispatch;
};

TEST_F(DispatchEdges, NonFiniteNumbersOverflowLikeNumbersOutOfRange) {
  UINT argError = 99;
  const HRESULT outOfRange = Put(kDispMaxLength, R8Variant(40000), &argError);
  ASSERT_TRUE(FAILED(outOfRange));
  const double kNonFinite[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity()};
  for (DISPID id : {kDispMaxLength, kDispBackColor, kDispForeColor}) {
    const long before = GetInt(dispatch.Get(), id);
    for (double value : kNonFinite) {
      argError = 99;
      EXPECT_EQ(Put(id, R8Variant(value), &argError), outOfRange) << std::hex << id << " " << value;
      EXPECT_EQ(argError, 0u);
      EXPECT_EQ(GetInt(dispatch.Get(), id), before) << "refused, not half set";
    }
  }
}

TEST_F(DispatchEdges, InheritedMethodsAreNoMembers) {
  const wchar_t* const kNames[] = {L"QueryInterface", L"AddRef", L"Release", L"GetTypeInfoCount",
                                   L"GetIDsOfNames", L"Invoke", L"invoke"};
  for (const wchar_t* name : kNames) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME)
        << Narrow(name);
    EXPECT_EQ(id, DISPID_UNKNOWN);
  }
  // The identifiers the vtable view gives them.
  for (DISPID id : {0x60000000, 0x60000001, 0x60000002, 0x60010000, 0x60010001, 0x60010002, 0x60010003}) {
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                               &result, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND)
        << std::hex << id;
    VariantClear(&result);
  }
  DISPID id = 0;
  LPOLESTR text[] = {const_cast<LPOLESTR>(L"text")};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, text, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, kDispText);
}

TEST_F(DispatchEdges, ArgumentThatDoesNotFitIsNamed) {
  VARIANT unknown;
  V_VT(&unknown) = VT_UNKNOWN;
  V_UNKNOWN(&unknown) = dispatch.Get();
  VARIANT text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = nullptr;
  const struct {
    const char* name;
    DISPID id;
    VARIANT value;
    bool named;
  } rows[] = {
      {"object for a length", kDispMaxLength, unknown, true},
      {"object for a text", kDispText, unknown, true},
      {"text for a colour", kDispBackColor, text, true},
      {"value without its name", kDispMaxLength, R8Variant(5), false},
  };
  for (const auto& row : rows) {
    UINT argError = 99;
    const HRESULT hr = Put(row.id, row.value, &argError, row.named);
    ASSERT_TRUE(FAILED(hr)) << row.name;
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) {
      EXPECT_EQ(argError, 0u) << row.name;
    }
  }
}

}  // namespace
}  // namespace velmora::testing
