#include "ControlTestSupport.h"

#include <ostream>

namespace hxtest {

std::string BinDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe(path);
    return exe.substr(0, exe.find_last_of('\\'));
}

std::string OcxPath() {
    return BinDirectory() + "\\HXDigIO.ocx";
}

std::ostream& operator<<(std::ostream& out, const ErrorEvent& e) {
    return out << "{" << e.code << ", \"" << e.text << "\"}";
}

LoadedControlModule::LoadedControlModule() : m_module(LoadLibraryA(OcxPath().c_str())) {}

LoadedControlModule::~LoadedControlModule() {
    if (m_module) FreeLibrary(m_module);
}

HRESULT LoadedControlModule::CreateControl(IDispatch** control) const {
    *control = nullptr;
    auto* getClassObject =
        Export<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject");
    if (!getClassObject) return E_FAIL;
    IClassFactory* factory = nullptr;
    HRESULT hr =
        getClassObject(CLSID_HXdigIO, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(control));
    factory->Release();
    return hr;
}

HRESULT LoadedControlModule::CanUnloadNow() const {
    auto* canUnload = Export<HRESULT STDAPICALLTYPE()>("DllCanUnloadNow");
    return canUnload ? canUnload() : E_FAIL;
}

void ControlTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(0, HXKSimLiveImageCount());
    errorBoxes = std::make_unique<ModalBoxWatcher>("Error");
    module = std::make_unique<LoadedControlModule>();
    ASSERT_NE(nullptr, module->Handle());
    ASSERT_EQ(S_OK, module->CreateControl(&control));
    sink = RecordingSink::Create(DIID__DHXdigIOEvents);
    connection = std::make_unique<Connection>(control, DIID__DHXdigIOEvents, sink);
    ASSERT_EQ(S_OK, connection->AdviseResult());
    HXKSimResetCallCounts();
}

void ControlTest::TearDown() {
    connection.reset();
    if (control) {
        EXPECT_EQ(0u, control->Release()) << "the test left references on the control";
    }
    if (sink) {
        EXPECT_EQ(1, sink->RefCount());
        sink->Release();
    }
    EXPECT_EQ(expectedBoxes, errorBoxes->Stop());
    EXPECT_EQ(0, HXKSimLiveImageCount()) << "image references outstanding";
    if (module) {
        EXPECT_EQ(S_OK, module->CanUnloadNow());
    }
    module.reset();
    CoUninitialize();
}

std::vector<ErrorEvent> ControlTest::Errors() const {
    std::vector<ErrorEvent> errors;
    for (const FiredEvent& e : sink->Events()) {
        if (e.dispid != evHXKError) continue;
        EXPECT_EQ(3u, e.args.size());
        if (e.args.size() != 3) continue;
        EXPECT_EQ(VT_I4, e.args[0].v.vt);
        EXPECT_EQ(VT_BSTR, e.args[1].v.vt);
        errors.push_back({e.args[0].v.lVal, Narrow(e.args[1].v.bstrVal)});
    }
    return errors;
}

std::vector<DISPID> ControlTest::EventOrder() const {
    std::vector<DISPID> order;
    for (const FiredEvent& e : sink->Events())
        order.push_back(e.dispid);
    return order;
}

long ControlTest::CallI4(DISPID dispid, const std::vector<Var>& args) {
    const CallResult r = Method(control, dispid, args);
    EXPECT_EQ(S_OK, r.hr) << "dispid " << dispid;
    EXPECT_EQ(VT_I4, r.value.v.vt) << "dispid " << dispid;
    return r.value.v.lVal;
}

} // namespace hxtest
