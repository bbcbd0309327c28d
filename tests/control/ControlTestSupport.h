// A test container for HXDigIO.ocx: loads the module, creates the control
// through its class factory, connects an event sink and closes any "Error"
// box, checking at the end that no reference, image or box is left over.
#pragma once

#include "ComTestSupport.h"
#include "HXDigIODispIds.h"
#include "HXDigIO_h.h"
#include "HXKImageRef.h"
#include "HXKSim.h"
#include "hx/win32_owners.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace hxtest {

// The control's DISPIDs under short names for the tables of the suites.
enum ControlDispId : DISPID {
    idNumInputs = HXDISPID_NUMINPUTS,
    idNumOutputs = HXDISPID_NUMOUTPUTS,
    idImage = HXDISPID_IMAGE,
    idIsBasicDigIO = HXDISPID_ISBASICDIGIO,
    idGetInDWORD = HXDISPID_GETINDWORD,
    idGetOutDWORD = HXDISPID_GETOUTDWORD,
    idSetOutDWORD = HXDISPID_SETOUTDWORD,
    idSetOutBit = HXDISPID_SETOUTBIT,
    idGetInBit = HXDISPID_GETINBIT,
    idGetOutBit = HXDISPID_GETOUTBIT,
    idBitListenerCreate = HXDISPID_BITLISTENERCREATE,
    idBitListenerStart = HXDISPID_BITLISTENERSTART,
    idBitListenerStop = HXDISPID_BITLISTENERSTOP,
    idBitListenerDestroy = HXDISPID_BITLISTENERDESTROY,
    idDWORDListenerCreate = HXDISPID_DWORDLISTENERCREATE,
    idDWORDListenerStart = HXDISPID_DWORDLISTENERSTART,
    idDWORDListenerStop = HXDISPID_DWORDLISTENERSTOP,
    idDWORDListenerDestroy = HXDISPID_DWORDLISTENERDESTROY,
    idBitTogglerCreate = HXDISPID_BITTOGGLERCREATE,
    idBitTogglerStart = HXDISPID_BITTOGGLERSTART,
    idBitTogglerDestroy = HXDISPID_BITTOGGLERDESTROY,
};
enum ControlEventId : DISPID {
    evHXKError = HXEVENTID_HXKERROR,
    evImageUpdated = HXEVENTID_IMAGEUPDATED,
    evListener = HXEVENTID_LISTENER,
    evToggler = HXEVENTID_TOGGLER,
};

// Values in the toolkit's settings key for as long as the scope lives (the
// key is removed afterwards). Controls read them when they are made.
struct ToolkitSettings {
    explicit ToolkitSettings(std::initializer_list<std::pair<const char*, DWORD>> values) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
        for (const auto& [name, value] : values)
            EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, name,
                                                     REG_DWORD, &value, sizeof value));
    }
    ToolkitSettings(const ToolkitSettings&) = delete;
    ToolkitSettings& operator=(const ToolkitSettings&) = delete;
    ~ToolkitSettings() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH); }
};

// Polls until condition() holds, for twenty seconds at most.
template <class Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 2000 && !condition(); ++i)
        Sleep(10);
    return condition();
}

inline std::string BinDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe(path);
    return exe.substr(0, exe.find_last_of('\\'));
}
inline std::string OcxPath() {
    return BinDirectory() + "\\HXDigIO.ocx";
}

// A simulated image of which the test owns one reference. `image` keeps
// naming the handle after the reference is dropped.
struct SimImage {
    HXKImageRef reference;
    HXKIMAGE image;
    SimImage(int32_t inputs, int32_t outputs, bool digIO = true)
        : reference(HXKImageRef::Adopt(HXKSimCreateImage(inputs, outputs, digIO ? 1 : 0))),
          image(reference.Get()) {}
    void Release() { reference.Release(); }
    LONGLONG Handle() const { return reinterpret_cast<intptr_t>(image); }
};

// HXDigIO.ocx loaded as a container loads it, freed at the end of the scope.
// A missing export answers E_NOTIMPL.
struct LoadedModule {
    hx::unique_hmodule handle{LoadLibraryA(OcxPath().c_str())};
    template <class... A> HRESULT Call(const char* name, A... args) const {
        auto* f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(A...)>(
            reinterpret_cast<void*>(GetProcAddress(handle.get(), name)));
        return f ? f(args...) : E_NOTIMPL;
    }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
        return Call<REFCLSID, REFIID, void**>("DllGetClassObject", clsid, iid, out);
    }
    HRESULT CreateControl(hx::com_ptr<IDispatch>& control) const {
        hx::com_ptr<IClassFactory> factory;
        HRESULT hr = GetClassObject(CLSID_HXdigIO, IID_IClassFactory, factory.put_void());
        if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, control.put_void());
        return hr;
    }
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(0, HXKSimLiveImageCount());
        ASSERT_TRUE(module.handle);
        ASSERT_EQ(S_OK, module.CreateControl(control));
        sink = MakeSink(DIID__DHXdigIOEvents);
        ASSERT_TRUE(point = PointOf(control.get(), DIID__DHXdigIOEvents));
        ASSERT_EQ(S_OK, point->Advise(sink.get(), &cookie));
        HXKSimResetCallCounts();
    }
    // Checks only what SetUp got as far as making: a failed SetUp fails the
    // test once, without a second fault here.
    void TearDown() override {
        if (control) ReleaseControl();
        if (sink) {
            EXPECT_EQ(1, sink->RefCount()); // the control let its connection go
            sink.reset();
        }
        EXPECT_EQ(expectedBoxes, errorBoxes.Stop());
        EXPECT_EQ(0, HXKSimLiveImageCount()) << "image references left";
        if (module.handle) {
            EXPECT_EQ(S_OK, module.Call("DllCanUnloadNow"));
        }
        CoUninitialize();
    }
    // A new control in place of the one SetUp made (say, to read settings
    // made since), with the same sink connected.
    void RecreateControl() {
        ReleaseControl();
        ASSERT_EQ(S_OK, module.CreateControl(control));
        ASSERT_TRUE(point = PointOf(control.get(), DIID__DHXdigIOEvents));
        ASSERT_EQ(S_OK, point->Advise(sink.get(), &cookie));
    }
    void Disconnect() {
        if (point) point->Unadvise(cookie);
        point.reset();
    }
    // Lets the control go, checking that this was its last reference.
    void ReleaseControl() {
        Disconnect();
        EXPECT_EQ(0u, control.detach()->Release());
    }
    HRESULT Bind(LONGLONG handle) { return Put(control, idImage, I8(handle)).hr; }
    // A call that must succeed with a VT_I4 result.
    long CallI4(DISPID dispid, const std::vector<Var>& args) {
        const CallResult r = Method(control, dispid, args);
        EXPECT_EQ(S_OK, r.hr) << "dispid " << dispid;
        EXPECT_EQ(VT_I4, r.value.v.vt) << "dispid " << dispid;
        return r.value.v.lVal;
    }
    // The events fired so far: "ImageUpdated", or an HXKError's code and text.
    std::vector<std::string> Fired() const {
        std::vector<std::string> fired;
        for (const FiredEvent& e : sink->Events()) {
            const bool error = e.dispid == evHXKError && e.args.size() == 3 &&
                               e.args[0].v.vt == VT_I4 && e.args[1].v.vt == VT_BSTR;
            fired.push_back(error ? std::to_string(e.args[0].v.lVal) + " " +
                                        Narrow(e.args[1].v.bstrVal)
                            : e.dispid == evImageUpdated && e.args.empty() ? "ImageUpdated"
                                                                           : "?");
        }
        return fired;
    }

    ModalBoxWatcher errorBoxes{"Error"};
    LoadedModule module;
    hx::com_ptr<IDispatch> control;
    hx::com_ptr<RecordingSink> sink;
    hx::com_ptr<IConnectionPoint> point;
    DWORD cookie = 0;
    std::vector<std::string> expectedBoxes; // texts of the "Error" boxes the test expects
};

} // namespace hxtest
