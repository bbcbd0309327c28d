// The driver operations on the simulated images. Each call is counted, with
// whatever handle it came with, then checked: a null out-pointer, a dead
// handle, an image without basic digital I/O, a line the image does not have
// or an injected fault each give their own nonzero status.
#include "HXKDeviceExports.h"
#include "HXKSim.h"
#include "ExportGuard.h"
#include "SimRegistry.h"

using hxk::SimImage;
using hxk::SimRegistry;

namespace {

// Runs a read-style operation that fills *out; a failed read writes nothing
// there, as a device that could not be read has nothing to give.
template <class Out, class Action>
int32_t readOperation(int32_t operation, HXKIMAGE image, Out* out, Action action) {
    SimRegistry& registry = SimRegistry::instance();
    if (!out) {
        return registry.call(operation, image, HXKSIM_E_NULL_POINTER,
                             [](SimImage&) { return HXKSIM_E_NULL_POINTER; });
    }
    Out value = 0;
    const int32_t status = registry.call(operation, image, HXKSIM_E_NOT_LIVE,
                                         [&](SimImage& live) { return action(live, &value); });
    if (status == HXKSIM_OK) *out = value;
    return status;
}

// A write records its level in the line's history, which may run out of memory.
template <class Action> int32_t writeOperation(int32_t operation, HXKIMAGE image, Action action) {
    return hxk::statusOrNoMemory(
        [&] { return SimRegistry::instance().call(operation, image, HXKSIM_E_NOT_LIVE, action); });
}

int32_t countQuery(int32_t operation, HXKIMAGE image, int32_t* count) {
    return readOperation(operation, image, count, [operation](SimImage& live, int32_t* value) {
        return live.queryCount(operation, value);
    });
}

int32_t lineRead(int32_t operation, HXKIMAGE image, int32_t line, int32_t* value) {
    return readOperation(operation, image, value, [=](SimImage& live, int32_t* level) {
        return live.readLine(operation, line, level);
    });
}

int32_t groupRead(int32_t operation, HXKIMAGE image, int32_t group, uint32_t* value) {
    return readOperation(operation, image, value, [=](SimImage& live, uint32_t* bits) {
        return live.readGroup(operation, group, bits);
    });
}

} // namespace

extern "C" int32_t HXKDevSupportsBasicDigIO(HXKIMAGE image) {
    return SimRegistry::instance().call(
        HXKSIM_OP_SUPPORTS_BASIC_DIGIO, image, 0, [](SimImage& live) {
            return live.basicDigIO() &&
                           !live.hasFault(HXKSIM_OP_SUPPORTS_BASIC_DIGIO, HXKSIM_ANY_INDEX)
                       ? 1
                       : 0;
        });
}

extern "C" int32_t HXKDevQueryInputCount(HXKIMAGE image, int32_t* count) {
    return countQuery(HXKSIM_OP_QUERY_INPUT_COUNT, image, count);
}

extern "C" int32_t HXKDevQueryOutputCount(HXKIMAGE image, int32_t* count) {
    return countQuery(HXKSIM_OP_QUERY_OUTPUT_COUNT, image, count);
}

extern "C" int32_t HXKDevReadInputLine(HXKIMAGE image, int32_t line, int32_t* value) {
    return lineRead(HXKSIM_OP_READ_INPUT_LINE, image, line, value);
}

extern "C" int32_t HXKDevReadInputGroup(HXKIMAGE image, int32_t group, uint32_t* value) {
    return groupRead(HXKSIM_OP_READ_INPUT_GROUP, image, group, value);
}

extern "C" int32_t HXKDevReadOutputLine(HXKIMAGE image, int32_t line, int32_t* value) {
    return lineRead(HXKSIM_OP_READ_OUTPUT_LINE, image, line, value);
}

extern "C" int32_t HXKDevReadOutputGroup(HXKIMAGE image, int32_t group, uint32_t* value) {
    return groupRead(HXKSIM_OP_READ_OUTPUT_GROUP, image, group, value);
}

extern "C" int32_t HXKDevWriteOutputLine(HXKIMAGE image, int32_t line, int32_t value) {
    return writeOperation(HXKSIM_OP_WRITE_OUTPUT_LINE, image,
                          [=](SimImage& live) { return live.writeLine(line, value); });
}

extern "C" int32_t HXKDevWriteOutputGroup(HXKIMAGE image, int32_t group, uint32_t value,
                                          uint32_t mask) {
    return writeOperation(HXKSIM_OP_WRITE_OUTPUT_GROUP, image,
                          [=](SimImage& live) { return live.writeGroup(group, value, mask); });
}
