// The named simulation exports of HXKImg.dll (see HXKSim.h). They act on the
// device directly and are not counted as toolkit calls.
#include "HXKSim.h"
#include "ExportGuard.h"
#include "SimRegistry.h"

using hxk::SimImage;
using hxk::SimRegistry;

HXKAPI HXKIMAGE HXKSimCreateImage(int32_t inputs, int32_t outputs, int32_t basicDigIO) {
    return SimRegistry::instance().create(inputs, outputs, basicDigIO != 0);
}

HXKAPI int32_t HXKSimImageRefCount(HXKIMAGE image) {
    return SimRegistry::instance().withImage(image, 0,
                                             [](SimImage& live) { return live.references(); });
}

HXKAPI int32_t HXKSimLiveImageCount(void) {
    return SimRegistry::instance().liveCount();
}

HXKAPI int32_t HXKSimSetInput(HXKIMAGE image, int32_t line, int32_t level) {
    return SimRegistry::instance().withImage(
        image, HXKSIM_E_NOT_LIVE, [=](SimImage& live) { return live.setInput(line, level); });
}

HXKAPI int32_t HXKSimGetInput(HXKIMAGE image, int32_t line, int32_t* level) {
    return SimRegistry::instance().withImage(
        image, HXKSIM_E_NOT_LIVE, [=](SimImage& live) { return live.getInput(line, level); });
}

HXKAPI int32_t HXKSimSetOutput(HXKIMAGE image, int32_t line, int32_t level) {
    return SimRegistry::instance().withImage(
        image, HXKSIM_E_NOT_LIVE, [=](SimImage& live) { return live.setOutput(line, level); });
}

HXKAPI int32_t HXKSimGetOutput(HXKIMAGE image, int32_t line, int32_t* level) {
    return SimRegistry::instance().withImage(
        image, HXKSIM_E_NOT_LIVE, [=](SimImage& live) { return live.getOutput(line, level); });
}

HXKAPI int32_t HXKSimOutputWrites(HXKIMAGE image, int32_t line, int32_t* levels, int32_t max) {
    return SimRegistry::instance().withImage(
        image, -1, [=](SimImage& live) { return live.outputWrites(line, levels, max); });
}

HXKAPI int32_t HXKSimOutputWriteTimes(HXKIMAGE image, int32_t line, int64_t* counts,
                                      int32_t max) {
    return SimRegistry::instance().withImage(
        image, -1, [=](SimImage& live) { return live.outputWriteTimes(line, counts, max); });
}

HXKAPI int32_t HXKSimSetFault(HXKIMAGE image, int32_t operation, int32_t index, int32_t enable) {
    return hxk::statusOrNoMemory([=] {
        return SimRegistry::instance().withImage(image, HXKSIM_E_NOT_LIVE, [=](SimImage& live) {
            return live.setFault(operation, index, enable != 0);
        });
    });
}

HXKAPI int32_t HXKSimClearFaults(HXKIMAGE image) {
    return SimRegistry::instance().withImage(image, HXKSIM_E_NOT_LIVE, [](SimImage& live) {
        live.clearFaults();
        return HXKSIM_OK;
    });
}

HXKAPI int64_t HXKSimCallCount(int32_t operation, HXKIMAGE image) {
    return SimRegistry::instance().callCount(operation, image);
}

HXKAPI int64_t HXKSimTotalCallCount(int32_t operation) {
    return SimRegistry::instance().totalCallCount(operation);
}

HXKAPI void HXKSimResetCallCounts(void) {
    SimRegistry::instance().resetCallCounts();
}
