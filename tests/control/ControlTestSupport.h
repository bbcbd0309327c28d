// A test container for HXDigIO.ocx: loads the module, creates the control
// through its class factory, connects an event sink and closes any "Error"
// box, checking at the end that no reference, image or box is left over.
#pragma once

#include "ComTestSupport.h"
#include "HXDigIO_h.h"
#include "HXKSim.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace hxtest {

enum ControlDispId : DISPID {
    idNumInputs = 1,
    idNumOutputs,
    idImage,
    idIsBasicDigIO,
    idGetInDWORD,
    idGetOutDWORD,
    idSetOutDWORD,
    idSetOutBit,
    idGetInBit = 12,
    idGetOutBit,
};
enum ControlEventId : DISPID { evHXKError = 1, evImageUpdated };

std::string BinDirectory();
inline std::string OcxPath() {
    return BinDirectory() + "\\HXDigIO.ocx";
}

// A simulated image of which the test owns one reference.
struct SimImage {
    HXKIMAGE image;
    SimImage(int32_t inputs, int32_t outputs, bool digIO = true)
        : image(HXKSimCreateImage(inputs, outputs, digIO ? 1 : 0)) {}
    SimImage(const SimImage&) = delete;
    SimImage& operator=(const SimImage&) = delete;
    ~SimImage() { Release(); }
    void Release() {
        if (image) ReleaseImageRef(std::exchange(image, nullptr));
    }
    LONGLONG Handle() const { return reinterpret_cast<intptr_t>(image); }
};

// HXDigIO.ocx loaded as a container loads it, freed at the end of the scope.
// A missing export answers E_NOTIMPL.
struct LoadedModule {
    HMODULE handle = LoadLibraryA(OcxPath().c_str());
    LoadedModule() = default;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() { FreeLibrary(handle); }
    template <class... A> HRESULT Call(const char* name, A... args) const {
        auto* f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(A...)>(
            reinterpret_cast<void*>(GetProcAddress(handle, name)));
        return f ? f(args...) : E_NOTIMPL;
    }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
        return Call<REFCLSID, REFIID, void**>("DllGetClassObject", clsid, iid, out);
    }
    HRESULT CanUnloadNow() const { return Call("DllCanUnloadNow"); }
    HRESULT CreateControl(IDispatch** control) const;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HRESULT Bind(LONGLONG handle) { return Put(control, idImage, I8(handle)).hr; }
    // A call that must succeed with a VT_I4 result.
    long CallI4(DISPID dispid, const std::vector<Var>& args);
    // The events fired so far: "ImageUpdated", or an HXKError's code and text.
    std::vector<std::string> Fired() const;

    std::unique_ptr<LoadedModule> module;
    IDispatch* control = nullptr;
    RecordingSink* sink = nullptr;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ModalBoxWatcher> errorBoxes;
    std::vector<std::string> expectedBoxes; // texts of the "Error" boxes the test expects
};

} // namespace hxtest
