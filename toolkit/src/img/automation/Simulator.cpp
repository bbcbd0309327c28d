// Each member acts on the simulated device through the registry, so that
// script calls never show up in the toolkit's call counters (except where a
// member is about them).
#include "Simulator.h"

#include "AfxModuleState.h"
#include "AfxOleRegistration.h"
#include "HXKSim.h"
#include "HXKSimAutomation.h"
#include "SimRegistry.h"

#include <new>

namespace hxk {

namespace {

// How many of a line's most recent writes the simulator keeps times of.
constexpr int32_t kRecentWrites = 1024;

const CLSID kSimulatorClsid = HXKSIM_CLSID_INITIALIZER;

// The largest integer a double holds exactly: handles up to it survive
// script languages that have no 64-bit integer.
constexpr int64_t kExactDoubleLimit = int64_t{1} << 53;

HXKIMAGE ImageOf(LONGLONG handle) {
    return reinterpret_cast<HXKIMAGE>(static_cast<uintptr_t>(handle));
}

[[noreturn]] void Fail(const char* description) {
    AfxThrowOleDispatchException(E_INVALIDARG, description);
}

void ThrowIfFailed(int32_t status) {
    switch (status) {
    case HXKSIM_OK:
        return;
    case HXKSIM_E_NOT_LIVE:
        Fail("The handle is not a live image");
    case HXKSIM_E_NO_SUCH_LINE:
        Fail("The image has no such line");
    case HXKSIM_E_NO_MEMORY:
        throw std::bad_alloc();
    default:
        Fail("Unknown operation or index");
    }
}

long Level(int32_t (*get)(HXKIMAGE, int32_t, int32_t*), LONGLONG image, long line) {
    int32_t level = 0;
    ThrowIfFailed(get(ImageOf(image), line, &level));
    return level;
}

} // namespace

IMPLEMENT_OLECREATE_EX(Simulator, HXKSIM_PROGID, kSimulatorClsid)

BOOL Simulator::SimulatorFactory::UpdateRegistry(BOOL bRegister) {
    if (!bRegister) return AfxOleUnregisterClass(m_clsid, m_lpszProgID);
    return AfxOleRegisterServerClass(AfxGetInstanceHandle(), m_clsid, m_lpszProgID,
                                     "HXKSim Simulator",
                                     afxRegApartmentThreading | afxRegFreeThreading);
}

BEGIN_INTERFACE_MAP(Simulator, CCmdTarget)
INTERFACE_PART(Simulator, IID_IDispatch, IDispatch)
END_INTERFACE_MAP()

BEGIN_DISPATCH_MAP(Simulator, CCmdTarget)
DISP_FUNCTION_ID(Simulator, "CreateImage", 1, CreateImage, VT_VARIANT,
                 VTS_I4 VTS_I4 VTS_OPTIONAL VTS_BOOL)
DISP_FUNCTION_ID(Simulator, "CreateImageWithoutDigIO", 2, CreateImageWithoutDigIO, VT_VARIANT,
                 VTS_I4 VTS_I4)
DISP_FUNCTION_ID(Simulator, "AddImageRef", 3, AddImageRef, VT_EMPTY, VTS_I8)
DISP_FUNCTION_ID(Simulator, "ReleaseImage", 4, ReleaseImage, VT_EMPTY, VTS_I8)
DISP_FUNCTION_ID(Simulator, "ReferenceCount", 5, ReferenceCount, VT_I4, VTS_I8)
DISP_FUNCTION_ID(Simulator, "SetInput", 6, SetInput, VT_EMPTY, VTS_I8 VTS_I4 VTS_I4)
DISP_FUNCTION_ID(Simulator, "GetInput", 7, GetInput, VT_I4, VTS_I8 VTS_I4)
DISP_FUNCTION_ID(Simulator, "SetOutput", 8, SetOutput, VT_EMPTY, VTS_I8 VTS_I4 VTS_I4)
DISP_FUNCTION_ID(Simulator, "GetOutput", 9, GetOutput, VT_I4, VTS_I8 VTS_I4)
DISP_FUNCTION_ID(Simulator, "OutputWriteCount", 10, OutputWriteCount, VT_I4, VTS_I8 VTS_I4)
DISP_FUNCTION_ID(Simulator, "SetFault", 11, SetFault, VT_EMPTY, VTS_I8 VTS_I4 VTS_I4 VTS_BOOL)
DISP_FUNCTION_ID(Simulator, "ClearFaults", 12, ClearFaults, VT_EMPTY, VTS_I8)
DISP_FUNCTION_ID(Simulator, "CallCount", 13, CallCount, VT_VARIANT, VTS_I4 VTS_OPTIONAL VTS_I8)
DISP_FUNCTION_ID(Simulator, "ResetCallCounts", 14, ResetCallCounts, VT_EMPTY, VTS_NONE)
DISP_FUNCTION_ID(Simulator, "LiveImageCount", 15, LiveImageCount, VT_I4, VTS_NONE)
DISP_FUNCTION_ID(Simulator, "OutputWriteTime", 16, OutputWriteTime, VT_R8, VTS_I8 VTS_I4 VTS_I4)
END_DISPATCH_MAP()

hx::unique_variant Simulator::CreateImage(long inputs, long outputs,
                                          std::optional<BOOL> basicDigIO) {
    const HXKIMAGE image =
        SimRegistry::instance().create(inputs, outputs, basicDigIO.value_or(TRUE));
    if (!image) Fail("Line counts must lie between 0 and 65536");
    const auto handle = static_cast<int64_t>(reinterpret_cast<uintptr_t>(image));
    if (handle >= kExactDoubleLimit) {
        // Unreachable with the registry's handle range; never hand out a
        // handle a script would round.
        SimRegistry::instance().releaseReference(image);
        Fail("No image handle left for scripts");
    }
    return AfxScriptNumber(handle);
}

hx::unique_variant Simulator::CreateImageWithoutDigIO(long inputs, long outputs) {
    return CreateImage(inputs, outputs, FALSE);
}

void Simulator::AddImageRef(LONGLONG image) {
    SimRegistry::instance().addReference(ImageOf(image));
}

void Simulator::ReleaseImage(LONGLONG image) {
    SimRegistry::instance().releaseReference(ImageOf(image));
}

long Simulator::ReferenceCount(LONGLONG image) {
    return HXKSimImageRefCount(ImageOf(image));
}

void Simulator::SetInput(LONGLONG image, long line, long level) {
    ThrowIfFailed(HXKSimSetInput(ImageOf(image), line, level));
}

long Simulator::GetInput(LONGLONG image, long line) {
    return Level(HXKSimGetInput, image, line);
}

void Simulator::SetOutput(LONGLONG image, long line, long level) {
    ThrowIfFailed(HXKSimSetOutput(ImageOf(image), line, level));
}

long Simulator::GetOutput(LONGLONG image, long line) {
    return Level(HXKSimGetOutput, image, line);
}

long Simulator::OutputWriteCount(LONGLONG image, long line) {
    const int32_t writes = HXKSimOutputWrites(ImageOf(image), line, nullptr, 0);
    if (writes < 0) Fail("No live image with such an output line");
    return writes;
}

void Simulator::SetFault(LONGLONG image, long operation, long index, BOOL enable) {
    ThrowIfFailed(HXKSimSetFault(ImageOf(image), operation, index, enable ? 1 : 0));
}

void Simulator::ClearFaults(LONGLONG image) {
    ThrowIfFailed(HXKSimClearFaults(ImageOf(image)));
}

hx::unique_variant Simulator::CallCount(long operation, std::optional<LONGLONG> image) {
    return AfxScriptNumber(image ? HXKSimCallCount(operation, ImageOf(*image))
                                 : HXKSimTotalCallCount(operation));
}

void Simulator::ResetCallCounts() {
    HXKSimResetCallCounts();
}

double Simulator::OutputWriteTime(LONGLONG image, long line, long write) {
    int64_t times[kRecentWrites] = {};
    const int32_t writes = HXKSimOutputWriteTimes(ImageOf(image), line, times, kRecentWrites);
    if (writes < 0) Fail("No live image with such an output line");
    // The array holds the most recent writes, the last one last.
    const int32_t kept = writes < kRecentWrites ? writes : kRecentWrites;
    const int32_t slot = write - (writes - kept);
    if (write < 0 || write >= writes || slot < 0) Fail("No such write recorded on the line");
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(times[slot]) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

long Simulator::LiveImageCount() {
    return HXKSimLiveImageCount();
}

} // namespace hxk
