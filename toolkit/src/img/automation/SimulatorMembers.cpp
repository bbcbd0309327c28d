// Each member coerces its arguments, acts on the simulated device through
// the registry (so that script calls never show up in the toolkit's call
// counters, except where a member is about them) and sets its result.
#include "SimulatorMembers.h"

#include "HXKSim.h"
#include "SimRegistry.h"

#define RETURN_IF_FAILED(expression)                                                               \
    do {                                                                                           \
        const HRESULT hr_ = (expression);                                                          \
        if (FAILED(hr_)) return hr_;                                                               \
    } while (false)

namespace hxk {

namespace {

// The largest integer a double holds exactly: handles and counts up to it
// survive script languages that have no 64-bit integer.
constexpr int64_t kExactDoubleLimit = int64_t{1} << 53;

void setNumber(MemberCall& call, int64_t number) {
    if (!call.result) return;
    VariantInit(call.result);
    if (number >= INT32_MIN && number <= INT32_MAX) {
        V_VT(call.result) = VT_I4;
        V_I4(call.result) = static_cast<LONG>(number);
    } else {
        V_VT(call.result) = VT_R8;
        V_R8(call.result) = static_cast<double>(number);
    }
}

HRESULT fail(MemberCall& call, const char* text) {
    call.failure = text;
    return DISP_E_EXCEPTION;
}

HRESULT statusResult(MemberCall& call, int32_t status) {
    switch (status) {
    case HXKSIM_OK:
        return S_OK;
    case HXKSIM_E_NOT_LIVE:
        return fail(call, "The handle is not a live image");
    case HXKSIM_E_NO_SUCH_LINE:
        return fail(call, "The image has no such line");
    case HXKSIM_E_NO_MEMORY:
        return E_OUTOFMEMORY;
    default:
        return fail(call, "Unknown operation or index");
    }
}

HRESULT createImage(MemberCall& call, bool basicDigIO) {
    int32_t inputs = 0;
    int32_t outputs = 0;
    RETURN_IF_FAILED(call.args.toInt32(0, &inputs));
    RETURN_IF_FAILED(call.args.toInt32(1, &outputs));
    if (call.args.present(2)) RETURN_IF_FAILED(call.args.toBool(2, &basicDigIO));
    const HXKIMAGE image = SimRegistry::instance().create(inputs, outputs, basicDigIO);
    if (!image) return fail(call, "Line counts must lie between 0 and 65536");
    const auto handle = static_cast<int64_t>(reinterpret_cast<uintptr_t>(image));
    if (handle >= kExactDoubleLimit) {
        // Unreachable with the registry's handle range; never hand out a
        // handle a script would round.
        SimRegistry::instance().releaseReference(image);
        return fail(call, "No image handle left for scripts");
    }
    setNumber(call, handle);
    return S_OK;
}

HRESULT createImage(MemberCall& call) {
    return createImage(call, true);
}
HRESULT createImageWithoutDigIO(MemberCall& call) {
    return createImage(call, false);
}

HRESULT addImageRef(MemberCall& call) {
    HXKIMAGE image = nullptr;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    SimRegistry::instance().addReference(image);
    return S_OK;
}

HRESULT releaseImage(MemberCall& call) {
    HXKIMAGE image = nullptr;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    SimRegistry::instance().releaseReference(image);
    return S_OK;
}

HRESULT referenceCount(MemberCall& call) {
    HXKIMAGE image = nullptr;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    setNumber(call, HXKSimImageRefCount(image));
    return S_OK;
}

HRESULT setLevel(MemberCall& call, int32_t (*set)(HXKIMAGE, int32_t, int32_t)) {
    HXKIMAGE image = nullptr;
    int32_t line = 0;
    int32_t level = 0;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    RETURN_IF_FAILED(call.args.toInt32(1, &line));
    RETURN_IF_FAILED(call.args.toInt32(2, &level));
    return statusResult(call, set(image, line, level));
}

HRESULT getLevel(MemberCall& call, int32_t (*get)(HXKIMAGE, int32_t, int32_t*)) {
    HXKIMAGE image = nullptr;
    int32_t line = 0;
    int32_t level = 0;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    RETURN_IF_FAILED(call.args.toInt32(1, &line));
    RETURN_IF_FAILED(statusResult(call, get(image, line, &level)));
    setNumber(call, level);
    return S_OK;
}

HRESULT setInput(MemberCall& call) {
    return setLevel(call, HXKSimSetInput);
}
HRESULT getInput(MemberCall& call) {
    return getLevel(call, HXKSimGetInput);
}
HRESULT setOutput(MemberCall& call) {
    return setLevel(call, HXKSimSetOutput);
}
HRESULT getOutput(MemberCall& call) {
    return getLevel(call, HXKSimGetOutput);
}

HRESULT outputWriteCount(MemberCall& call) {
    HXKIMAGE image = nullptr;
    int32_t line = 0;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    RETURN_IF_FAILED(call.args.toInt32(1, &line));
    const int32_t writes = HXKSimOutputWrites(image, line, nullptr, 0);
    if (writes < 0) return fail(call, "No live image with such an output line");
    setNumber(call, writes);
    return S_OK;
}

HRESULT setFault(MemberCall& call) {
    HXKIMAGE image = nullptr;
    int32_t operation = 0;
    int32_t index = 0;
    bool enable = false;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    RETURN_IF_FAILED(call.args.toInt32(1, &operation));
    RETURN_IF_FAILED(call.args.toInt32(2, &index));
    RETURN_IF_FAILED(call.args.toBool(3, &enable));
    return statusResult(call, HXKSimSetFault(image, operation, index, enable ? 1 : 0));
}

HRESULT clearFaults(MemberCall& call) {
    HXKIMAGE image = nullptr;
    RETURN_IF_FAILED(call.args.toHandle(0, &image));
    return statusResult(call, HXKSimClearFaults(image));
}

HRESULT callCount(MemberCall& call) {
    int32_t operation = 0;
    RETURN_IF_FAILED(call.args.toInt32(0, &operation));
    if (!call.args.present(1)) {
        setNumber(call, HXKSimTotalCallCount(operation));
        return S_OK;
    }
    HXKIMAGE image = nullptr;
    RETURN_IF_FAILED(call.args.toHandle(1, &image));
    setNumber(call, HXKSimCallCount(operation, image));
    return S_OK;
}

HRESULT resetCallCounts(MemberCall&) {
    HXKSimResetCallCounts();
    return S_OK;
}

HRESULT liveImageCount(MemberCall& call) {
    setNumber(call, HXKSimLiveImageCount());
    return S_OK;
}

const SimulatorMember kMembers[] = {
    {"CreateImage", 1, 2, 3, createImage},
    {"CreateImageWithoutDigIO", 2, 2, 2, createImageWithoutDigIO},
    {"AddImageRef", 3, 1, 1, addImageRef},
    {"ReleaseImage", 4, 1, 1, releaseImage},
    {"ReferenceCount", 5, 1, 1, referenceCount},
    {"SetInput", 6, 3, 3, setInput},
    {"GetInput", 7, 2, 2, getInput},
    {"SetOutput", 8, 3, 3, setOutput},
    {"GetOutput", 9, 2, 2, getOutput},
    {"OutputWriteCount", 10, 2, 2, outputWriteCount},
    {"SetFault", 11, 4, 4, setFault},
    {"ClearFaults", 12, 1, 1, clearFaults},
    {"CallCount", 13, 1, 2, callCount},
    {"ResetCallCounts", 14, 0, 0, resetCallCounts},
    {"LiveImageCount", 15, 0, 0, liveImageCount},
};

} // namespace

const SimulatorMember* findMember(const char* name) {
    for (const SimulatorMember& member : kMembers) {
        if (lstrcmpiA(member.name, name) == 0) return &member;
    }
    return nullptr;
}

const SimulatorMember* findMember(DISPID id) {
    for (const SimulatorMember& member : kMembers) {
        if (member.id == id) return &member;
    }
    return nullptr;
}

} // namespace hxk
