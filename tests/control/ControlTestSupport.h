// A test container for HXDigIO.ocx: loads the module, creates the control
// through its class factory, connects an event sink and closes any "Error"
// box the control shows, checking at the end that nothing is left over.
#pragma once

#include "ComTestSupport.h"
#include "HXDigIO_h.h"
#include "HXKSim.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hxtest {

// Dispatch and event identifiers of the control's interfaces.
enum ControlDispId : DISPID {
    idNumInputs = 1,
    idNumOutputs = 2,
    idImage = 3,
    idIsBasicDigIO = 4,
    idGetInDWORD = 5,
    idGetOutDWORD = 6,
    idSetOutDWORD = 7,
    idSetOutBit = 8,
    idGetInBit = 12,
    idGetOutBit = 13,
};
enum ControlEventId : DISPID { evHXKError = 1, evImageUpdated = 2, evListener = 3, evToggler = 4 };

std::string BinDirectory();
std::string OcxPath();

// A simulated image the test owns one reference of.
class SimImage {
public:
    SimImage(int32_t inputs, int32_t outputs, bool basicDigIO = true)
        : m_image(HXKSimCreateImage(inputs, outputs, basicDigIO ? 1 : 0)) {}
    SimImage(const SimImage&) = delete;
    SimImage& operator=(const SimImage&) = delete;
    ~SimImage() { Release(); }
    void Release() {
        if (m_image) ReleaseImageRef(std::exchange(m_image, nullptr));
    }
    HXKIMAGE Get() const { return m_image; }
    long long Handle() const { return static_cast<long long>(reinterpret_cast<intptr_t>(m_image)); }

private:
    HXKIMAGE m_image;
};

// One HXKError as the sink saw it.
struct ErrorEvent {
    long code;
    std::string text;
    bool operator==(const ErrorEvent&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ErrorEvent& e);

class LoadedControlModule {
public:
    LoadedControlModule();
    LoadedControlModule(const LoadedControlModule&) = delete;
    LoadedControlModule& operator=(const LoadedControlModule&) = delete;
    ~LoadedControlModule();
    HMODULE Handle() const { return m_module; }
    // The export's result and the control's IDispatch.
    HRESULT CreateControl(IDispatch** control) const;
    HRESULT CanUnloadNow() const;
    template <class F> F* Export(const char* name) const {
        return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module = nullptr;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Binds an image handle through the Image property.
    HRESULT BindImage(long long handle) { return Put(control, idImage, I8(handle)).hr; }
    std::vector<ErrorEvent> Errors() const;
    size_t Events(DISPID dispid) const { return sink->Count(dispid); }
    std::vector<DISPID> EventOrder() const;
    long CallI4(DISPID dispid, const std::vector<Var>& args);

    std::unique_ptr<LoadedControlModule> module;
    IDispatch* control = nullptr;
    RecordingSink* sink = nullptr;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ModalBoxWatcher> errorBoxes;
    // The texts of the "Error" boxes the test expects the control to show.
    std::vector<std::string> expectedBoxes;
};

} // namespace hxtest
