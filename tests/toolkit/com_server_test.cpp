// "HXKSim.Simulator" as script hosts meet it: registered through HXKImg.dll's
// exports (as regsvr32 does), created by its ProgID in this program, which
// does not link the toolkit, so that COM may unload it; members called by name
// with arguments as scripts hold them. Holds the ctest lock "registry-classes".
#include "HXKSim.h"
#include "HXKSimAutomation.h"
#include "hx/bstr.h"
#include "hx/com_ptr.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A VARIANT that owns its value; numbers take their type through the
// system's coercion, as a script's values do.
struct Var : VARIANT {
    Var() { VariantInit(this); }
    explicit Var(double number, VARTYPE type = VT_I4) : Var() {
        V_VT(this) = VT_R8;
        V_R8(this) = number;
        VariantChangeType(this, this, 0, type);
    }
    explicit Var(const std::wstring& text) : Var() {
        V_VT(this) = VT_BSTR;
        V_BSTR(this) = SysAllocString(text.c_str());
    }
    Var(const Var& other) : Var() { VariantCopy(this, const_cast<Var*>(&other)); }
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(this); }
    // The value as image handles travel, a 64-bit integer; -1 when it is no number.
    int64_t number() const {
        Var converted;
        const HRESULT hr = VariantChangeType(&converted, const_cast<Var*>(this), 0, VT_I8);
        return hr == S_OK ? V_I8(&converted) : -1;
    }
};

using DispatchPtr = hx::com_ptr<IDispatch>;

// A method call as scripts make it: rgvarg holds the arguments backwards.
HRESULT call(const DispatchPtr& object, const wchar_t* name, std::initializer_list<Var> args,
             VARIANT* result = nullptr, EXCEPINFO* exception = nullptr, UINT* argErr = nullptr) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    std::vector<VARIANT> reversed(std::rbegin(args), std::rend(args));
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result,
                          exception, argErr);
}

// A member's result as a number; -1 when the call fails.
int64_t number(const DispatchPtr& object, const wchar_t* name, std::initializer_list<Var> args) {
    Var result;
    return call(object, name, args, &result) == S_OK ? result.number() : -1;
}

// Calls an entry point of the server, loading it for the call if need be.
HRESULT serverEntry(const char* name) {
    const HMODULE module = LoadLibraryA("HXKImg.dll");
    const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
    const HRESULT hr = entry ? entry() : E_UNEXPECTED;
    FreeLibrary(module);
    return hr;
}

// An input line as the driver library reads it, bound by ordinal as the
// control binds it and kept loaded from then on; -1 when the read fails.
int32_t driverInput(const Var& image, int32_t line) {
    static const auto read = reinterpret_cast<decltype(&ReadInputLine)>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryA("HXKDriver.dll"), MAKEINTRESOURCEA(703))));
    int32_t level = -1;
    return read && read(reinterpret_cast<HXKIMAGE>(image.number()), line, &level) == 0 ? level : -1;
}

// An output line written through the driver library, as a toggler writes it.
int32_t driverWrite(const Var& image, int32_t line, int32_t level) {
    static const auto write = reinterpret_cast<decltype(&WriteOutputLine)>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryA("HXKDriver.dll"), MAKEINTRESOURCEA(707))));
    return write ? write(reinterpret_cast<HXKIMAGE>(image.number()), line, level) : -1;
}

double milliseconds() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Lets COM unload what it may; answers whether the server is still loaded.
bool serverStaysLoaded() {
    CoFreeUnusedLibrariesEx(0, 0);
    return GetModuleHandleA("HXKImg.dll") != nullptr;
}

class SimulatorServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(S_OK, serverEntry("DllRegisterServer"));
        ASSERT_EQ(S_OK, serverEntry("DllRegisterServer")); // a second time is fine
        ASSERT_EQ(S_OK, CLSIDFromProgID(L"" HXKSIM_PROGID, &clsid));
    }
    void TearDown() override {
        EXPECT_EQ(S_OK, serverEntry("DllUnregisterServer")); // leave nothing registered
        EXPECT_NE(S_OK, CLSIDFromProgID(L"" HXKSIM_PROGID, &clsid));
        CoUninitialize();
    }
    DispatchPtr create() {
        DispatchPtr made;
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(made.put()));
        return made;
    }
    CLSID clsid = {};
};

// Runs first (tests run in the order written): from its first image on, the
// server stays loaded, so that handle values are never handed out twice.
TEST_F(SimulatorServerTest, ServerUnloadsOnlyWhenNothingOfItIsLeft) {
    ASSERT_FALSE(serverStaysLoaded());
    hx::com_ptr<IClassFactory> factory;
    DispatchPtr sim;
    ASSERT_EQ(S_OK,
              CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(factory.put())));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(sim.put())));
    factory->LockServer(FALSE); // unbalanced unlocks neither free the object's
    factory->LockServer(FALSE); // server nor keep it loaded for good
    factory.reset();
    EXPECT_EQ(S_FALSE, serverEntry("DllCanUnloadNow"));
    sim.reset();
    EXPECT_EQ(S_OK, serverEntry("DllCanUnloadNow"));
    EXPECT_FALSE(serverStaysLoaded());

    sim = create();
    Var image, next;
    ASSERT_EQ(S_OK, call(sim, L"CreateImage", {Var(2), Var(2)}, &image));
    sim.reset();
    EXPECT_EQ(S_FALSE, serverEntry("DllCanUnloadNow")); // the client still holds an image
    EXPECT_TRUE(serverStaysLoaded());
    sim = create();
    EXPECT_EQ(S_OK, call(sim, L"ReleaseImage", {image}));
    sim.reset();
    CoFreeUnusedLibrariesEx(0, 0); // whatever COM does now, handle values stay unused
    sim = create();
    ASSERT_EQ(S_OK, call(sim, L"CreateImage", {Var(2), Var(2)}, &next));
    EXPECT_NE(image.number(), next.number()); // a stale handle never names a new image
    EXPECT_EQ(S_OK, call(sim, L"ReleaseImage", {next}));
}

// What a script sets or breaks, the driver library sees; image handles work
// in any form a script may hold them.
TEST_F(SimulatorServerTest, ScriptsDriveTheDeviceTheDriverSees) {
    const DispatchPtr sim = create();
    Var image, plain, byRef;
    ASSERT_EQ(S_OK, call(sim, L"CreateImage", {Var(4), Var(40)}, &image));
    EXPECT_EQ(VT_R8, V_VT(&image)); // above 2^32 (no VT_I4), exact as a double
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = &image;
    const Var forms[] = {image, Var(image.number(), VT_I8), Var(std::to_wstring(image.number())),
                         byRef};
    for (int32_t line = 0; line < 4; ++line) { // each form names the image
        ASSERT_EQ(S_OK, call(sim, L"SetInput", {forms[line], Var(line), Var(1, VT_BOOL)}));
        EXPECT_EQ(1, driverInput(image, line));
    }
    EXPECT_EQ(1, number(sim, L"GetInput", {image, Var(3)}));
    ASSERT_EQ(S_OK, call(sim, L"AddImageRef", {image}));
    EXPECT_EQ(2, number(sim, L"referencecount", {image})); // any case, as scripts write
    ASSERT_EQ(S_OK, call(sim, L"SetOutput", {image, Var(L"39"), Var(L"1")}));
    EXPECT_EQ(1, number(sim, L"GetOutput", {image, Var(39.0, VT_R8)}));
    // The driver's writes, counted and timed; the device's own setting is neither.
    const double before = milliseconds();
    ASSERT_EQ(0, driverWrite(image, 2, 1));
    ASSERT_EQ(0, driverWrite(image, 2, 0));
    const double after = milliseconds();
    EXPECT_EQ(2, number(sim, L"OutputWriteCount", {image, Var(2)}));
    Var first, second;
    ASSERT_EQ(S_OK, call(sim, L"OutputWriteTime", {image, Var(2), Var(0)}, &first));
    ASSERT_EQ(S_OK, call(sim, L"OutputWriteTime", {image, Var(2), Var(1)}, &second));
    ASSERT_EQ(VT_R8, V_VT(&first));
    EXPECT_LE(before, V_R8(&first));
    EXPECT_LE(V_R8(&first), V_R8(&second));
    EXPECT_LE(V_R8(&second), after);
    EXPECT_EQ(DISP_E_EXCEPTION, call(sim, L"OutputWriteTime", {image, Var(2), Var(2)}));
    EXPECT_EQ(DISP_E_EXCEPTION, call(sim, L"OutputWriteTime", {image, Var(39), Var(0)}));

    const Var readOp(HXKSIM_OP_READ_INPUT_LINE);
    ASSERT_EQ(S_OK, call(sim, L"SetFault", {image, readOp, Var(1), Var(1)}));
    EXPECT_EQ(-1, driverInput(image, 1));
    ASSERT_EQ(S_OK, call(sim, L"ClearFaults", {image}));
    ASSERT_EQ(S_OK, call(sim, L"ResetCallCounts", {}));
    EXPECT_EQ(1, driverInput(image, 1));
    ASSERT_EQ(S_OK, call(sim, L"CreateImage", {Var(1), Var(1), Var(0, VT_BOOL)}, &plain));
    EXPECT_EQ(-1, driverInput(plain, 0)); // no basic digital I/O
    EXPECT_EQ(1, number(sim, L"CallCount", {readOp, image}));
    EXPECT_EQ(2, number(sim, L"CallCount", {readOp})); // all handles
    EXPECT_EQ(2, number(sim, L"LiveImageCount", {}));
    for (const Var* made : {&image, &image, &plain, &plain}) // plain twice: no effect
        EXPECT_EQ(S_OK, call(sim, L"ReleaseImage", {*made}));
    EXPECT_EQ(0, number(sim, L"LiveImageCount", {}));
}

TEST_F(SimulatorServerTest, BadCallsGetTheStandardErrors) {
    const DispatchPtr sim = create();
    const Var none(0);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, call(sim, L"NoSuchMember", {}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, call(sim, L"GetInput", {none, none, none}));
    EXPECT_EQ(DISP_E_OVERFLOW, call(sim, L"GetInput", {Var(1e30, VT_R8), none}));
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              call(sim, L"SetInput", {none, none, Var(L"abc")}, nullptr, nullptr, &argErr));
    EXPECT_EQ(0u, argErr); // rgvarg runs backwards: the level is rgvarg[0]

    EXCEPINFO error = {};
    EXPECT_EQ(DISP_E_EXCEPTION, call(sim, L"SetInput", {none, none, none}, nullptr, &error));
    const hx::unique_bstr source(error.bstrSource), description(error.bstrDescription);
    EXPECT_EQ(E_INVALIDARG, error.scode);
    EXPECT_EQ(std::wstring(L"" HXKSIM_PROGID), error.bstrSource);
    EXPECT_EQ(std::wstring(L"The handle is not a live image"), error.bstrDescription);
    EXPECT_EQ(DISP_E_EXCEPTION, call(sim, L"CreateImage", {Var(-1), Var(2)})); // no EXCEPINFO
}

} // namespace
