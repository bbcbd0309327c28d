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
        // The server's own factory, without the registry.
        const auto getClassObject =
            reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
                reinterpret_cast<void*>(
                    GetProcAddress(GetModuleHandleA("HXKImg.dll"), "DllGetClassObject")));
        IClassFactory* factory = nullptr;
        void** out = reinterpret_cast<void**>(&factory);
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(IID_IDispatch, IID_IClassFactory, out));
        ASSERT_EQ(S_OK, getClassObject(CLSID(HXKSIM_CLSID_INITIALIZER), IID_IClassFactory, out));
        const HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, sim.put());
        factory->Release();
        ASSERT_EQ(S_OK, hr);
        ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(4), Var(40)}, &image));
    }
    void TearDown() override {
        sim.call("ReleaseImage", {image});
        sim.reset();
        CoUninitialize();
        SimTest::TearDown();
    }
    DispatchClient sim;
    Var image;
};

TEST_F(SimulatorDispatchTest, MembersActOnTheDeviceWithHandlesScriptsHoldExactly) {
    EXPECT_EQ(VT_R8, V_VT(image.get())); // above 2^32 (no VT_I4), exact as a double
    const HXKIMAGE handle = image.handle();
    const auto value = static_cast<double>(image.number());
    Var asDouble(value, VT_R8);
    const Var forms[] = {asDouble, Var(value, VT_I8), Var(std::to_wstring(image.number())),
                         Var::byRef(asDouble)};
    for (int32_t line = 0; line < 4; ++line) { // each form names the image
        ASSERT_EQ(S_OK, sim.call("SetInput", {forms[line], Var(line), Var(1, VT_BOOL)}));
        EXPECT_EQ(1, lineOf(ReadInputLine, handle, line));
    }
    ASSERT_EQ(S_OK, sim.call("AddImageRef", {image}));
    EXPECT_EQ(2, sim.number("referencecount", {image})); // any case, as scripts write
    ASSERT_EQ(S_OK, sim.call("SetOutput", {image, Var(L"39"), Var(L"1")}));
    EXPECT_EQ(1, lineOf(HXKSimGetOutput, handle, 39));
    WriteOutputLine(handle, 39, 0);
    EXPECT_EQ(0, sim.number("GetOutput", {image, Var(39.0, VT_R8)}));
    EXPECT_EQ(1, sim.number("OutputWriteCount", {image, Var(39)}));

    ASSERT_EQ(S_OK, sim.call("SetFault", {image, Var(HXKSIM_OP_READ_INPUT_LINE), Var(1), Var(1)}));
    EXPECT_EQ(-1, lineOf(ReadInputLine, handle, 1));
    EXPECT_EQ(5, sim.number("CallCount", {Var(HXKSIM_OP_READ_INPUT_LINE), image}));
    EXPECT_EQ(0, sim.number("CallCount", {Var(HXKSIM_OP_READ_INPUT_LINE), Var(0)}));
    EXPECT_EQ(5, sim.number("CallCount", {Var(HXKSIM_OP_READ_INPUT_LINE)}));
    ASSERT_EQ(S_OK, sim.call("ClearFaults", {image}));
    ASSERT_EQ(S_OK, sim.call("ResetCallCounts", {}));
    EXPECT_EQ(1, lineOf(ReadInputLine, handle, 1));
    EXPECT_EQ(1, HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE));

    Var plain, skipped;
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(1), Var(1), Var(0, VT_BOOL)}, &plain));
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(1), Var(1), Var::missing()}, &skipped));
    EXPECT_EQ(0, SupportsBasicDigIO(plain.handle()));
    EXPECT_NE(0, SupportsBasicDigIO(skipped.handle()));
    EXPECT_EQ(3, sim.number("LiveImageCount", {}));
    for (const Var* made : {&image, &plain, &skipped, &plain}) // plain twice: no effect
        EXPECT_EQ(S_OK, sim.call("ReleaseImage", {*made}));
    EXPECT_EQ(1, HXKSimImageRefCount(handle));
    EXPECT_EQ(0, sim.number("ReferenceCount", {plain}));
}

TEST_F(SimulatorDispatchTest, BadCallsGetTheStandardErrors) {
    EXPECT_EQ(DISPID_UNKNOWN, sim.idOf("NoSuchMember"));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, sim.call("NoSuchMember", {}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, sim.call("GetInput", {image}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, sim.call("GetInput", {image, Var(0), Var(0)}));
    EXPECT_EQ(DISP_E_OVERFLOW, sim.call("GetInput", {Var(1e30, VT_R8), Var(0)}));
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              sim.call("SetInput", {image, Var(L"abc"), Var(1)}, 0, 0, &argErr));
    EXPECT_EQ(1u, argErr); // rgvarg runs backwards: the line is rgvarg[1]
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, sim.call("GetInput", {Var::missing(), Var(0)}, 0, 0, &argErr));
    EXPECT_EQ(1u, argErr);
    VARIANT value = {};
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put = {&value, &named, 1, 1};
    const DISPID getInput = sim.idOf("GetInput"), count = sim.idOf("LiveImageCount");
    EXPECT_EQ(DISP_E_NONAMEDARGS, sim.get()->Invoke(getInput, IID_NULL, 0, 1, &put, 0, 0, 0));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, sim.get()->Invoke(count, IID_NULL, 0, 4, &put, 0, 0, 0));

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

} // namespace
