// "HXKSim.Simulator" through IDispatch as a script host late-binds it: names
// to DISPIDs, arguments of whatever type the script holds, standard errors.
#include "DispatchClient.h"
#include "SimTestSupport.h"

namespace {

class SimulatorDispatchTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(S_OK, createSimulator(&sim));
        ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(4), Var(40)}, &image));
    }
    void TearDown() override {
        sim.call("ReleaseImage", {image});
        sim.reset();
        CoUninitialize();
        SimTest::TearDown();
    }
    int32_t number(const char* member, std::initializer_list<Var> args) {
        Var result;
        EXPECT_EQ(S_OK, sim.call(member, args, &result)) << member;
        return V_VT(result.get()) == VT_I4 ? V_I4(result.get()) : -1;
    }
    DispatchClient sim;
    Var image;
};

TEST_F(SimulatorDispatchTest, MembersActOnTheDeviceWithHandlesScriptsHoldExactly) {
    EXPECT_EQ(VT_R8, V_VT(image.get())); // above 2^32 (no VT_I4), exact as a double
    const HXKIMAGE handle = image.handle();
    int32_t count = 0;
    EXPECT_EQ(0, QueryOutputCount(handle, &count));
    EXPECT_EQ(40, count);
    EXPECT_EQ(1, number("LiveImageCount", {}));
    EXPECT_EQ(S_OK, sim.call("AddImageRef", {image}));
    EXPECT_EQ(2, number("referencecount", {image})); // names in any case, as scripts write them

    const auto value = static_cast<double>(reinterpret_cast<uintptr_t>(handle));
    Var asDouble(value, VT_R8);
    const Var forms[] = {asDouble, Var(value, VT_I8),
                         Var::bstr(std::to_wstring(static_cast<int64_t>(value))),
                         Var::byRef(asDouble)};
    for (int32_t line = 0; line < 4; ++line) {
        ASSERT_EQ(S_OK, sim.call("SetInput", {forms[line], Var(line), Var(1, VT_BOOL)}));
        EXPECT_EQ(1, number("GetInput", {forms[line], Var(line)}));
        EXPECT_EQ(1, lineOf(ReadInputLine, handle, line));
        EXPECT_EQ(S_OK, sim.call("ReleaseImage", {forms[line]})); // each form names the image
        EXPECT_EQ(1, HXKSimImageRefCount(handle));
        EXPECT_EQ(S_OK, sim.call("AddImageRef", {forms[line]}));
    }
    EXPECT_EQ(S_OK, sim.call("ReleaseImage", {image}));
    ASSERT_EQ(S_OK, sim.call("SetOutput", {image, Var::bstr(L"39"), Var::bstr(L"1")}));
    EXPECT_EQ(1, number("GetOutput", {image, Var(39.0, VT_R8)}));
    WriteOutputLine(handle, 39, 0);
    EXPECT_EQ(1, number("OutputWriteCount", {image, Var(39)}));

    ASSERT_EQ(S_OK, sim.call("SetFault", {image, Var(HXKSIM_OP_READ_INPUT_LINE), Var(1), Var(1)}));
    EXPECT_EQ(-1, lineOf(ReadInputLine, handle, 1));
    EXPECT_EQ(5, number("CallCount", {Var(HXKSIM_OP_READ_INPUT_LINE), image}));
    EXPECT_EQ(0, number("CallCount", {Var(HXKSIM_OP_READ_INPUT_LINE), Var(0)}));
    EXPECT_EQ(5, number("CallCount", {Var(HXKSIM_OP_READ_INPUT_LINE)}));
    ASSERT_EQ(S_OK, sim.call("ClearFaults", {image}));
    EXPECT_EQ(1, lineOf(ReadInputLine, handle, 1));

    Var plain, skipped;
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(1), Var(1), Var(0, VT_BOOL)}, &plain));
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(1), Var(1), Var::missing()}, &skipped));
    EXPECT_EQ(0, SupportsBasicDigIO(plain.handle()));
    EXPECT_NE(0, SupportsBasicDigIO(skipped.handle()));
    for (const Var* made : {&plain, &skipped, &plain}) { // plain twice: the second has no effect
        EXPECT_EQ(S_OK, sim.call("ReleaseImage", {*made}));
    }
    EXPECT_EQ(0, number("ReferenceCount", {plain}));
}

TEST_F(SimulatorDispatchTest, BadCallsGetTheStandardErrors) {
    HRESULT hr = S_OK;
    EXPECT_EQ(DISPID_UNKNOWN, sim.idOf("NoSuchMember", &hr));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, hr);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    IDispatch* raw = sim.get();
    const DISPID getInput = sim.idOf("GetInput");
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, raw->Invoke(999, IID_NULL, 0, 1, &none, 0, 0, 0));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, raw->Invoke(getInput, IID_IDispatch, 0, 1, &none, 0, 0, 0));
    EXPECT_EQ(E_INVALIDARG, raw->Invoke(getInput, IID_NULL, 0, 1, nullptr, 0, 0, 0));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, sim.call("GetInput", {image}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, sim.call("GetInput", {image, Var(0), Var(0)}));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, sim.call("LiveImageCount", {Var(1)}, nullptr, nullptr, nullptr,
                                              DISPATCH_PROPERTYPUT));
    EXPECT_EQ(DISP_E_NONAMEDARGS, sim.call("GetInput", {image, Var(0)}, 0, 0, 0, 1, true));
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              sim.call("SetInput", {image, Var::bstr(L"abc"), Var(1)}, nullptr, nullptr, &argErr));
    EXPECT_EQ(1u, argErr); // rgvarg runs backwards: the line is rgvarg[1]
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, sim.call("GetInput", {Var::missing(), Var(0)}, 0, 0, &argErr));
    EXPECT_EQ(1u, argErr);
    EXPECT_EQ(DISP_E_OVERFLOW, sim.call("GetInput", {Var(1e30, VT_R8), Var(0)}));

    EXCEPINFO error = {};
    EXPECT_EQ(DISP_E_EXCEPTION, sim.call("SetInput", {image, Var(4), Var(1)}, 0, &error));
    EXPECT_EQ(E_INVALIDARG, error.scode);
    EXPECT_EQ(std::wstring(L"" HXKSIM_PROGID), error.bstrSource);
    EXPECT_EQ(std::wstring(L"The image has no such line"), error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    EXPECT_EQ(DISP_E_EXCEPTION, sim.call("GetInput", {Var(0), Var(0)})); // without EXCEPINFO
    EXPECT_EQ(DISP_E_EXCEPTION, sim.call("CreateImage", {Var(-1), Var(2)}));
    EXPECT_EQ(DISP_E_EXCEPTION, sim.call("SetFault", {image, Var(85), Var(0), Var(1)}));
}

TEST_F(SimulatorDispatchTest, TheServerStaysLoadedWhileObjectsOrLocksRemain) {
    const auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("HXKImg.dll"), "DllCanUnloadNow")));
    sim.call("ReleaseImage", {image});
    sim.reset();
    EXPECT_EQ(S_OK, canUnload());
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, simulatorFactory(&factory));
    EXPECT_EQ(S_FALSE, canUnload()); // the factory's reference
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, sim.put()));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    sim.reset();
    EXPECT_EQ(S_FALSE, canUnload()); // the lock alone
    ASSERT_EQ(S_OK, simulatorFactory(&factory));
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(S_OK, canUnload());
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, simulatorFactory(&factory, IID_IDispatch));
    ASSERT_EQ(S_OK, createSimulator(&sim)); // for TearDown
}

} // namespace
