// IDispatch driven by a dispatch table: name lookup, argument coercion and
// the standard errors, called the way script hosts and containers call.
#include "ComTestSupport.h"
#include "ProbeControl.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <climits>

using namespace hxtest;

namespace {

class ProbeDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch,
                                                reinterpret_cast<void**>(&probe)));
        factory->Release();
    }
    void TearDown() override {
        if (probe) {
            EXPECT_EQ(0u, probe->Release());
        }
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow());
        CoUninitialize();
    }
    IDispatch* probe = nullptr;
};

TEST_F(ProbeDispatch, NamesAreFoundWithoutRegardToCase) {
    EXPECT_EQ(dispidAdd, IdOfName(probe, L"Add"));
    EXPECT_EQ(dispidAdd, IdOfName(probe, L"aDD"));
    EXPECT_EQ(dispidCount, IdOfName(probe, L"COUNT"));
    EXPECT_EQ(DISPID_UNKNOWN, IdOfName(probe, L"Ad"));
    EXPECT_EQ(DISPID_UNKNOWN, IdOfName(probe, L"Addd"));
    EXPECT_EQ(DISPID_UNKNOWN, IdOfName(probe, L"Ädd"));

    // Parameter names are not known: the member's id is still filled in.
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"add"), const_cast<LPOLESTR>(L"a")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, probe->GetIDsOfNames(IID_NULL, names, 2, 0, ids));
    EXPECT_EQ(dispidAdd, ids[0]);
    EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"nothing")};
    ids[0] = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, probe->GetIDsOfNames(IID_NULL, unknown, 1, 0, ids));
    EXPECT_EQ(DISPID_UNKNOWN, ids[0]);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, probe->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids));
    EXPECT_EQ(E_INVALIDARG, probe->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids));
    EXPECT_EQ(E_INVALIDARG, probe->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr));
}

TEST_F(ProbeDispatch, ArgumentsAreCoercedToTheDeclaredTypes) {
    CallResult r = Method(probe, dispidAdd, {I4(2), I4(3)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_I4, r.value.v.vt);
    EXPECT_EQ(5, r.value.v.lVal);

    r = Method(probe, dispidAdd, {Str(L"40"), R8(2.0)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(42, r.value.v.lVal);

    // By reference, directly and through a VARIANT.
    LONG byRef = 7;
    Var ref;
    ref.v.vt = VT_I4 | VT_BYREF;
    ref.v.plVal = &byRef;
    Var inner = R8(3.0);
    Var throughVariant;
    throughVariant.v.vt = VT_VARIANT | VT_BYREF;
    throughVariant.v.pvarVal = &inner.v;
    r = Method(probe, dispidAdd, {ref, throughVariant});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(10, r.value.v.lVal);

    r = MethodByName(probe, L"mix", {I4(5), I4(1), Str(L"20")});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_I2, r.value.v.vt);
    EXPECT_EQ(1025, r.value.v.iVal);

    r = Method(probe, dispidHalf, {I4(5)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_R8, r.value.v.vt);
    EXPECT_DOUBLE_EQ(2.5, r.value.v.dblVal);

    r = Method(probe, dispidEcho, {Str(L"h\u00e9llo")});
    ASSERT_EQ(S_OK, r.hr);
    ASSERT_EQ(VT_BSTR, r.value.v.vt);
    EXPECT_STREQ(L"h\u00e9llo", r.value.v.bstrVal);
    r = Method(probe, dispidEcho, {I4(12)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_STREQ(L"12", r.value.v.bstrVal);
}

TEST_F(ProbeDispatch, BadArgumentsNameTheOffendingOne) {
    // rgvarg holds the last argument first: the second of two is index 0.
    CallResult r = Method(probe, dispidAdd, {I4(1), Str(L"not a number")});
    EXPECT_EQ(DISP_E_TYPEMISMATCH, r.hr);
    EXPECT_EQ(0u, r.argErr);
    r = Method(probe, dispidAdd, {I8(1LL << 40), I4(1)});
    EXPECT_EQ(DISP_E_OVERFLOW, r.hr);
    EXPECT_EQ(1u, r.argErr);
    r = Method(probe, dispidMix, {I4(40000), Bool(true), I8(0)});
    EXPECT_EQ(DISP_E_OVERFLOW, r.hr);
    EXPECT_EQ(2u, r.argErr);
    Var bad;
    bad.v.vt = 0x7F;
    r = Method(probe, dispidAdd, {I4(1), bad});
    bad.v.vt = VT_EMPTY;
    EXPECT_EQ(DISP_E_BADVARTYPE, r.hr);
    EXPECT_EQ(0u, r.argErr);
    Var missing;
    missing.v.vt = VT_ERROR;
    missing.v.scode = DISP_E_PARAMNOTFOUND;
    r = Method(probe, dispidAdd, {missing, I4(1)});
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, r.hr);
    EXPECT_EQ(1u, r.argErr);
    Var nullRef;
    nullRef.v.vt = VT_I4 | VT_BYREF;
    r = Method(probe, dispidAdd, {nullRef, I4(1)});
    nullRef.v.vt = VT_EMPTY;
    EXPECT_EQ(E_INVALIDARG, r.hr);
    Var nullObject;
    nullObject.v.vt = VT_DISPATCH;
    r = Method(probe, dispidAdd, {I4(1), nullObject});
    EXPECT_EQ(DISP_E_TYPEMISMATCH, r.hr);
}

TEST_F(ProbeDispatch, CallShapesThatDoNotFitAreRefused) {
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(probe, dispidAdd, {I4(1)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(probe, dispidAdd, {I4(1), I4(2), I4(3)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Invoke(probe, dispidCount, DISPATCH_PROPERTYGET, {I4(0)}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Method(probe, 999).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(probe, dispidAdd, I4(1)).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Invoke(probe, dispidAdd, 0, {I4(1), I4(2)}).hr);

    VARIANT args[2];
    args[0] = I4(1).v;
    args[1] = I4(2).v;
    DISPID named[2] = {0, 1};
    DISPPARAMS params = {args, named, 2, 2};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(DISP_E_NONAMEDARGS, probe->Invoke(dispidAdd, IID_NULL, 0, DISPATCH_METHOD, &params,
                                                &result, nullptr, nullptr));
    // A put needs its value named DISPID_PROPERTYPUT, and only that.
    params = {args, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, probe->Invoke(dispidBig, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                     &params, nullptr, nullptr, nullptr));
    params = {args, named, 1, 1};
    EXPECT_EQ(DISP_E_NONAMEDARGS, probe->Invoke(dispidBig, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                &params, nullptr, nullptr, nullptr));
    // Null and inconsistent parameter blocks.
    EXPECT_EQ(E_INVALIDARG, probe->Invoke(dispidAdd, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result,
                                          nullptr, nullptr));
    params = {nullptr, nullptr, 2, 0};
    EXPECT_EQ(E_INVALIDARG, probe->Invoke(dispidAdd, IID_NULL, 0, DISPATCH_METHOD, &params, &result,
                                          nullptr, nullptr));
    params = {args, nullptr, 2, 0};
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, probe->Invoke(dispidAdd, IID_IDispatch, 0, DISPATCH_METHOD,
                                                     &params, &result, nullptr, nullptr));
    // No result wanted: the call still runs.
    EXPECT_EQ(S_OK, probe->Invoke(dispidAdd, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                  nullptr, nullptr));
}

TEST_F(ProbeDispatch, PropertiesReadWriteAndRefuseWhatTheyDoNotOffer) {
    EXPECT_EQ(S_OK, Put(probe, dispidBig, R8(4294967296.0)).hr);
    CallResult r = Get(probe, dispidBig);
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_I8, r.value.v.vt);
    EXPECT_EQ(4294967296LL, r.value.v.llVal);
    EXPECT_EQ(S_OK, Put(probe, dispidBig, I4(-5)).hr);
    // Script hosts read a property as METHOD | PROPERTYGET.
    r = Invoke(probe, dispidBig, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ(-5, r.value.v.llVal);
    EXPECT_EQ(2, Get(probe, dispidCount).value.v.lVal);

    EXPECT_EQ(S_OK, Put(probe, dispidFlag, I4(3)).hr);
    r = Get(probe, dispidFlag);
    EXPECT_EQ(VT_BOOL, r.value.v.vt);
    EXPECT_EQ(VARIANT_TRUE, r.value.v.boolVal);

    r = Put(probe, dispidCount, I4(9));
    EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
    EXPECT_EQ(CTL_E_SETNOTSUPPORTED, r.excepScode);
    r = Get(probe, dispidSecret);
    EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
    EXPECT_EQ(CTL_E_GETNOTSUPPORTED, r.excepScode);
    EXPECT_EQ(S_OK, Put(probe, dispidSecret, I4(1)).hr);

    // Without an EXCEPINFO the code itself comes back.
    VARIANT value = I4(1).v;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &put, 1, 1};
    EXPECT_EQ(CTL_E_SETNOTSUPPORTED, probe->Invoke(dispidCount, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                   &params, nullptr, nullptr, nullptr));
    EXPECT_EQ(2, Get(probe, dispidCount).value.v.lVal); // unchanged by the refused writes
}

TEST_F(ProbeDispatch, RaisedErrorsTravelInExcepInfo) {
    EXCEPINFO excep = {};
    VARIANT arg = I4(static_cast<long>(0x800A0005)).v;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    EXPECT_EQ(DISP_E_EXCEPTION, probe->Invoke(dispidFail, IID_NULL, 0, DISPATCH_METHOD, &params,
                                              nullptr, &excep, nullptr));
    EXPECT_EQ(static_cast<SCODE>(0x800A0005), excep.scode);
    EXPECT_STREQ(L"probe failure", excep.bstrDescription);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
}

TEST_F(ProbeDispatch, WithoutATypeLibraryThereIsNoTypeInformation) {
    UINT count = 5;
    EXPECT_EQ(S_OK, probe->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(DISP_E_BADINDEX, probe->GetTypeInfo(0, 0, &info));
    EXPECT_EQ(nullptr, info);
    EXPECT_EQ(E_INVALIDARG, probe->GetTypeInfoCount(nullptr));
    EXPECT_EQ(E_INVALIDARG, probe->GetTypeInfo(0, 0, nullptr));
}

} // namespace
