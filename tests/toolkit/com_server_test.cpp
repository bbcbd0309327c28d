// The simulator's COM server as clients meet it: HXKImg.dll registers itself
// through its exports (as regsvr32 does), and this program, which does not
// link HXKImg.dll, creates "HXKSim.Simulator" by its ProgID and lets COM
// unload the server. Holds the ctest lock "registry-classes".
#include "DispatchClient.h"

#include <gtest/gtest.h>

namespace {

// Calls an entry point of the server, loading it for the call if need be.
HRESULT serverEntry(const char* name) {
    const HMODULE module = LoadLibraryA("HXKImg.dll");
    const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
    const HRESULT hr = entry ? entry() : E_UNEXPECTED;
    FreeLibrary(module);
    return hr;
}

class ComServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(S_OK, serverEntry("DllRegisterServer"));
        ASSERT_EQ(S_OK, serverEntry("DllRegisterServer")); // a second time is fine
    }
    void TearDown() override {
        EXPECT_EQ(S_OK, serverEntry("DllUnregisterServer")); // leave nothing registered
        CoUninitialize();
    }
    HRESULT create(DispatchClient& sim) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, sim.put());
    }
    static void freeUnused() { CoFreeUnusedLibrariesEx(0, 0); }
    static bool loaded() { return GetModuleHandleA("HXKImg.dll") != nullptr; }
    CLSID clsid = {};
};

// One walk, in this order: once an image exists the server stays loaded.
TEST_F(ComServerTest, RegisteredServerUnloadsOnlyWhenNothingOfItIsLeft) {
    char model[16] = {};
    DWORD size = sizeof model;
    EXPECT_EQ(ERROR_SUCCESS,
              RegGetValueA(HKEY_CLASSES_ROOT, "CLSID\\" HXKSIM_CLSID_STRING "\\InprocServer32",
                           "ThreadingModel", RRF_RT_REG_SZ, nullptr, model, &size));
    EXPECT_STREQ("Both", model);
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"" HXKSIM_PROGID, &clsid));
    ASSERT_FALSE(loaded());
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    DispatchClient sim;
    void* object = &sim;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, sim.put()));
    factory->LockServer(FALSE); // unbalanced unlocks neither free the object's
    factory->LockServer(FALSE); // server nor keep it loaded for good
    factory->Release();
    EXPECT_EQ(S_FALSE, serverEntry("DllCanUnloadNow"));
    sim.reset();
    EXPECT_EQ(S_OK, serverEntry("DllCanUnloadNow"));
    freeUnused();
    EXPECT_FALSE(loaded());

    ASSERT_EQ(S_OK, create(sim));
    Var image, next;
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(2), Var(2)}, &image));
    sim.reset();
    EXPECT_EQ(S_FALSE, serverEntry("DllCanUnloadNow")); // the client still holds an image
    freeUnused();
    ASSERT_EQ(S_OK, create(sim));
    EXPECT_EQ(1, sim.number("ReferenceCount", {image}));
    EXPECT_EQ(S_OK, sim.call("ReleaseImage", {image}));
    sim.reset();
    freeUnused();
    ASSERT_EQ(S_OK, create(sim));
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(2), Var(2)}, &next));
    EXPECT_NE(image.number(), next.number()); // a stale handle never names a new image
    EXPECT_EQ(0, sim.number("ReferenceCount", {image}));
    EXPECT_EQ(S_OK, sim.call("ReleaseImage", {next}));
    EXPECT_EQ(0, sim.number("LiveImageCount", {}));
    sim.reset();

    EXPECT_EQ(S_OK, serverEntry("DllUnregisterServer"));
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object));
    EXPECT_NE(S_OK, CLSIDFromProgID(L"" HXKSIM_PROGID, &clsid));
}

} // namespace
