#include "ControlTestSupport.h"

namespace hxtest {

std::string BinDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe(path);
    return exe.substr(0, exe.find_last_of('\\'));
}

HRESULT LoadedModule::CreateControl(IDispatch** control) const {
    IClassFactory* factory = nullptr;
    HRESULT hr =
        GetClassObject(CLSID_HXdigIO, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(control));
    if (factory) factory->Release();
    return hr;
}

void ControlTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(0, HXKSimLiveImageCount());
    errorBoxes = std::make_unique<ModalBoxWatcher>("Error");
    module = std::make_unique<LoadedModule>();
    ASSERT_NE(nullptr, module->handle);
    ASSERT_EQ(S_OK, module->CreateControl(&control));
    sink = new RecordingSink(DIID__DHXdigIOEvents);
    connection = std::make_unique<Connection>(control, DIID__DHXdigIOEvents, sink);
    ASSERT_EQ(S_OK, connection->adviseResult);
    HXKSimResetCallCounts();
}

// Checks only what SetUp got as far as making: a failed SetUp fails the test
// once, without a second fault here.
void ControlTest::TearDown() {
    connection.reset();
    if (control) {
        EXPECT_EQ(0u, control->Release()) << "references left on the control";
    }
    if (sink) {
        EXPECT_EQ(1, sink->RefCount());
        sink->Release();
    }
    if (errorBoxes) {
        EXPECT_EQ(expectedBoxes, errorBoxes->Stop());
    }
    EXPECT_EQ(0, HXKSimLiveImageCount()) << "image references left";
    if (module && module->handle) {
        EXPECT_EQ(S_OK, module->CanUnloadNow());
    }
    module.reset();
    CoUninitialize();
}

long ControlTest::CallI4(DISPID dispid, const std::vector<Var>& args) {
    const CallResult r = Method(control, dispid, args);
    EXPECT_EQ(S_OK, r.hr) << "dispid " << dispid;
    EXPECT_EQ(VT_I4, r.value.v.vt) << "dispid " << dispid;
    return r.value.v.lVal;
}

std::vector<std::string> ControlTest::Fired() const {
    std::vector<std::string> fired;
    for (const FiredEvent& e : sink->Events()) {
        const bool error = e.dispid == evHXKError && e.args.size() == 3 &&
                           e.args[0].v.vt == VT_I4 && e.args[1].v.vt == VT_BSTR;
        fired.push_back(error ? std::to_string(e.args[0].v.lVal) + " " + Narrow(e.args[1].v.bstrVal)
                        : e.dispid == evImageUpdated && e.args.empty() ? "ImageUpdated"
                                                                       : "?");
    }
    return fired;
}

} // namespace hxtest
