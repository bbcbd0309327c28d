// IDispatch of a class on the core, driven the way script hosts drive it:
// arguments in any form that converts, optional ones left out, names looked
// up, and every standard error with the argument it names.
#include "AfxModuleState.h"
#include "ComTestSupport.h"
#include "TestObject.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <bit>
#include <string>

using namespace hxtest;

namespace {

const CLSID& kClsid = CTestObject::guid;

Var R8(double x) {
    return Var(VT_R8, std::bit_cast<LONGLONG>(x));
}
Var Bool(bool x) {
    return Var(VT_BOOL, x ? VARIANT_TRUE : VARIANT_FALSE);
}
Var ByRef(VARTYPE vt, void* target) {
    return Var(static_cast<VARTYPE>(vt | VT_BYREF), reinterpret_cast<intptr_t>(target));
}
const Var kMissing(VT_ERROR, DISP_E_PARAMNOTFOUND);

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        hx::com_ptr<IClassFactory> factory;
        ASSERT_EQ(S_OK, AfxDllGetClassObject(kClsid, IID_IClassFactory, factory.put_void()));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, object.put_void()));
    }
    void TearDown() override {
        object.reset();
        EXPECT_EQ(0, AfxOleGetObjectCount()) << "an object was not let go";
    }
    hx::com_ptr<IDispatch> object;
};

TEST_F(Dispatch, ArgumentsAreCoercedToTheDeclaredTypesWhateverFormTheyCome) {
    LONG four = 4;
    Var text = Str(L"words");
    Var number = R8(2.5);
    struct Case {
        const char* what;
        std::vector<Var> args;
        const char* joined;
    } const cases[] = {
        {"declared types",
         {Var(VT_I2, 1), I4(2), I8(3), R8(4.5), Bool(true), Str(L"x")},
         "1|2|3|4.5|1|x"},
        {"texts",
         {Str(L"1"), Str(L"-2"), Str(L"3000000000"), Str(L"4.5"), Str(L"False"), Str(L"y")},
         "1|-2|3000000000|4.5|0|y"},
        {"doubles", {R8(1), R8(2), R8(3), R8(4), R8(1), R8(2.5)}, "1|2|3|4|1|2.5"},
        {"by reference",
         {ByRef(VT_I4, &four), ByRef(VT_VARIANT, &number.v), I4(0), I4(0),
          ByRef(VT_VARIANT, &number.v), ByRef(VT_VARIANT, &text.v)},
         "4|2|0|0|1|words"},
        {"booleans as numbers",
         {Bool(true), Bool(true), Bool(false), Bool(true), I4(0), Str(L"z")},
         "-1|-1|0|-1|0|z"},
    };
    for (const Case& c : cases) {
        const CallResult r = Method(object, CTestObject::idJoin, c.args);
        ASSERT_EQ(S_OK, r.hr) << c.what;
        ASSERT_EQ(VT_BSTR, r.value.v.vt) << c.what;
        EXPECT_EQ(c.joined, Narrow(r.value.v.bstrVal)) << c.what;
    }
}

TEST_F(Dispatch, OptionalArgumentsMayBeLeftOutAndResultsTakeTheirTypeAtRunTime) {
    Var missing = kMissing;
    struct Case {
        const char* what;
        std::vector<Var> args;
        VARTYPE vt;
        double value;
    } const cases[] = {
        {"left out", {I4(3)}, VT_I4, 6},
        {"given", {I4(3), I4(5)}, VT_I4, 15},
        {"passed as missing", {I4(3), kMissing}, VT_I4, 6},
        {"missing by reference", {I4(3), ByRef(VT_VARIANT, &missing.v)}, VT_I4, 6},
        {"coerced", {Str(L"3"), Str(L"5")}, VT_I4, 15},
        {"too big for VT_I4", {I4(1 << 20), I4(1 << 20)}, VT_R8, 1099511627776.0},
    };
    for (const Case& c : cases) {
        const CallResult r = Method(object, CTestObject::idScale, c.args);
        ASSERT_EQ(S_OK, r.hr) << c.what;
        ASSERT_EQ(c.vt, r.value.v.vt) << c.what;
        EXPECT_EQ(c.value, c.vt == VT_I4 ? r.value.v.lVal : r.value.v.dblVal) << c.what;
    }
}

TEST_F(Dispatch, PropertiesAreReadAndWrittenThroughTheirAccessors) {
    EXPECT_EQ(7, Get(object, CTestObject::idCount).value.v.lVal);
    EXPECT_EQ(S_OK, Put(object, CTestObject::idValue, Str(L"12345678901")).hr);
    const CallResult value = Get(object, CTestObject::idValue);
    EXPECT_EQ(VT_I8, value.value.v.vt);
    EXPECT_EQ(12345678901LL, value.value.v.llVal);
    EXPECT_EQ(S_OK, Put(object, CTestObject::idSecret, I4(1)).hr);
}

// Each failure: the result, the argument it names (rgvarg counts from the
// last argument), and what EXCEPINFO carries for DISP_E_EXCEPTION.
TEST_F(Dispatch, EveryStandardErrorNamesItsArgumentOrCarriesItsDescription) {
    const std::vector<Var> joinArgs = {I4(1), I4(2), I4(3), I4(4), I4(5), Str(L"x")};
    auto join = [&](size_t index, const Var& replaced) {
        std::vector<Var> args = joinArgs;
        args[index] = replaced;
        return args;
    };
    constexpr UINT kNone = ~0u;
    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        std::vector<Var> args;
        HRESULT hr;
        UINT argErr;
        SCODE scode = 0;
        const char* description = "";
    } const cases[] = {
        {"too few", CTestObject::idJoin, DISPATCH_METHOD, {I4(1)}, DISP_E_BADPARAMCOUNT, kNone},
        {"too many",
         CTestObject::idScale,
         DISPATCH_METHOD,
         {I4(1), I4(2), I4(3)},
         DISP_E_BADPARAMCOUNT,
         kNone},
        {"required left out",
         CTestObject::idScale,
         DISPATCH_METHOD,
         {},
         DISP_E_BADPARAMCOUNT,
         kNone},
        {"words for a number", CTestObject::idJoin, DISPATCH_METHOD, join(1, Str(L"two")),
         DISP_E_TYPEMISMATCH, 4},
        {"an object for a number", CTestObject::idJoin, DISPATCH_METHOD,
         join(3, Var(VT_DISPATCH, 0)), DISP_E_TYPEMISMATCH, 2},
        {"too big", CTestObject::idJoin, DISPATCH_METHOD, join(0, I4(70000)), DISP_E_OVERFLOW, 5},
        {"required passed as missing",
         CTestObject::idScale,
         DISPATCH_METHOD,
         {kMissing, I4(2)},
         DISP_E_PARAMNOTOPTIONAL,
         1},
        {"no such member", 99, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, kNone},
        {"a put on a method",
         CTestObject::idScale,
         DISPATCH_PROPERTYPUT,
         {I4(1)},
         DISP_E_MEMBERNOTFOUND,
         kNone},
        {"writing a read-only property",
         CTestObject::idCount,
         DISPATCH_PROPERTYPUT,
         {I4(1)},
         DISP_E_EXCEPTION,
         kNone,
         CTL_E_SETNOTSUPPORTED,
         "Property is read-only"},
        {"reading a write-only property",
         CTestObject::idSecret,
         DISPATCH_PROPERTYGET,
         {},
         DISP_E_EXCEPTION,
         kNone,
         CTL_E_GETNOTSUPPORTED,
         "Property is write-only"},
        {"a member's own error",
         CTestObject::idRaise,
         DISPATCH_METHOD,
         {I4(E_INVALIDARG), Str(L"Its own words")},
         DISP_E_EXCEPTION,
         kNone,
         E_INVALIDARG,
         "Its own words"},
        {"a standard error raised by a member",
         CTestObject::idRaise,
         DISPATCH_METHOD,
         {I4(CTL_E_SETNOTSUPPORTED)},
         DISP_E_EXCEPTION,
         kNone,
         CTL_E_SETNOTSUPPORTED,
         "Property is read-only"},
        {"an error of no standard text",
         CTestObject::idRaise,
         DISPATCH_METHOD,
         {I4(E_INVALIDARG)},
         DISP_E_EXCEPTION,
         kNone,
         E_INVALIDARG,
         ""},
        {"a C++ exception",
         CTestObject::idRaise,
         DISPATCH_METHOD,
         {I4(E_UNEXPECTED)},
         DISP_E_EXCEPTION,
         kNone,
         E_UNEXPECTED,
         "Unexpected failure inside the object"},
        {"memory running out",
         CTestObject::idRaise,
         DISPATCH_METHOD,
         {I4(E_OUTOFMEMORY)},
         E_OUTOFMEMORY,
         kNone},
    };
    for (const Case& c : cases) {
        const CallResult r = Invoke(object.get(), c.id, c.flags, c.args);
        EXPECT_EQ(c.hr, r.hr) << c.what;
        EXPECT_EQ(c.argErr, r.argErr) << c.what;
        EXPECT_EQ(c.scode, r.excepScode) << c.what;
        if (c.hr != DISP_E_EXCEPTION) continue;
        EXPECT_EQ(c.description, r.excepDescription) << c.what;
        EXPECT_EQ(TESTOBJECT_PROGID, r.excepSource) << c.what;
    }
    // Without EXCEPINFO the caller still learns that the call raised an error.
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_EXCEPTION,
              object->Invoke(CTestObject::idSecret, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                             nullptr, nullptr, nullptr));
}

// VARIANTs the system's conversion cannot follow are errors of the argument:
// a reference to a reference, one that ends nowhere, and an object whose
// value is an object again (the conversion would ask it for ever) or a
// reference that ends nowhere. An object with a plain value stands for it.
TEST_F(Dispatch, ReferencesThatLeadNowhereAndObjectsThatAreTheirOwnValueAreRefused) {
    VARIANT nowhere = {};
    nowhere.vt = VT_BYREF | VT_I4;
    nowhere.plVal = nullptr;
    Var number = I4(4);
    Var toNowhere = ByRef(VT_VARIANT, &nowhere);
    Var toNumber = ByRef(VT_VARIANT, &number.v);
    const auto make = [](ValueObject::Answer answer, const Var& value = Var()) {
        return hx::com_ptr<ValueObject>::attach(new ValueObject(answer, value));
    };
    const auto itself = make(ValueObject::Answer::Itself);
    const auto plain = make(ValueObject::Answer::Value, I4(21));
    const auto nullReference = make(ValueObject::Answer::Value, Var(VT_BYREF | VT_I4, 0));
    IDispatch* plainPointer = plain.get();
    struct Case {
        const char* what;
        Var arg;
        HRESULT hr;
        long scaled;
    } const cases[] = {
        {"a reference to a reference that ends nowhere", ByRef(VT_VARIANT, &toNowhere.v),
         E_INVALIDARG, 0},
        {"a reference to a reference", ByRef(VT_VARIANT, &toNumber.v), E_INVALIDARG, 0},
        {"an object that is its own value", ObjectArg(itself.get()), DISP_E_TYPEMISMATCH, 0},
        {"an object whose value refers nowhere", ObjectArg(nullReference.get()), E_INVALIDARG, 0},
        {"an object with a number", ObjectArg(plain.get()), S_OK, 42},
        {"a reference to that object", ByRef(VT_DISPATCH, &plainPointer), S_OK, 42},
    };
    for (const Case& c : cases) {
        const CallResult r = Method(object, CTestObject::idScale, {c.arg});
        EXPECT_EQ(c.hr, r.hr) << c.what;
        if (c.hr == S_OK) {
            EXPECT_EQ(c.scaled, r.value.v.lVal) << c.what;
        } else {
            EXPECT_EQ(0u, r.argErr) << c.what;
        }
    }
    EXPECT_EQ(1, itself->asked) << "the object that is its own value was asked once";
    // Each object holds only the reference its case's argument held.
    EXPECT_EQ(2, itself->RefCount());
    EXPECT_EQ(2, nullReference->RefCount());
}

// Arguments are taken by position: only a put may name its value, and only
// as DISPID_PROPERTYPUT.
TEST_F(Dispatch, NamedArgumentsAndForeignInterfacesAreRefused) {
    VARIANT value = I4(5).v;
    DISPID names[] = {DISPID_PROPERTYPUT, 0};
    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        UINT named;
        DISPID firstName;
        REFIID riid;
        HRESULT hr;
    } const cases[] = {
        {"a put naming its value", CTestObject::idValue, DISPATCH_PROPERTYPUT, 1,
         DISPID_PROPERTYPUT, IID_NULL, S_OK},
        {"a method given a name", CTestObject::idScale, DISPATCH_METHOD, 1, 0, IID_NULL,
         DISP_E_NONAMEDARGS},
        {"a put naming another", CTestObject::idValue, DISPATCH_PROPERTYPUT, 1, 0, IID_NULL,
         DISP_E_NONAMEDARGS},
        {"a put naming nothing", CTestObject::idValue, DISPATCH_PROPERTYPUT, 0, 0, IID_NULL,
         DISP_E_PARAMNOTOPTIONAL},
        {"more names than arguments", CTestObject::idValue, DISPATCH_PROPERTYPUT, 2,
         DISPID_PROPERTYPUT, IID_NULL, E_INVALIDARG},
        {"a foreign interface", CTestObject::idScale, DISPATCH_METHOD, 0, 0, IID_IDispatch,
         DISP_E_UNKNOWNINTERFACE},
    };
    for (const Case& c : cases) {
        names[0] = c.firstName;
        DISPPARAMS params = {&value, names, 1, c.named};
        EXPECT_EQ(c.hr,
                  object->Invoke(c.id, c.riid, 0, c.flags, &params, nullptr, nullptr, nullptr))
            << c.what;
    }
    EXPECT_EQ(5, Get(object, CTestObject::idValue).value.v.llVal);
}

TEST_F(Dispatch, NamesAreFoundInAnyCaseAndParameterNamesAreUnknown) {
    struct Case {
        std::vector<const wchar_t*> names;
        HRESULT hr;
        std::vector<DISPID> ids;
    } const cases[] = {
        {{L"SCALE"}, S_OK, {CTestObject::idScale}},
        {{L"value"}, S_OK, {CTestObject::idValue}},
        {{L"Scale", L"factor"}, DISP_E_UNKNOWNNAME, {CTestObject::idScale, DISPID_UNKNOWN}},
        {{L"Scales"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    };
    for (const Case& c : cases) {
        std::vector<DISPID> ids(c.names.size(), 0);
        EXPECT_EQ(c.hr, object->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(c.names.data()),
                                              static_cast<UINT>(c.names.size()), 0, ids.data()))
            << Narrow(const_cast<BSTR>(c.names[0]));
        EXPECT_EQ(c.ids, ids);
    }
    LPOLESTR name = const_cast<LPOLESTR>(L"Scale");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, object->GetIDsOfNames(IID_IDispatch, &name, 1, 0, &id));
    UINT count = 1;
    EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count); // late binding by name only
}

} // namespace
