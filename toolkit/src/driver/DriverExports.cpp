// HXKDriver.dll: the basic digital I/O operations, exported by ordinal. The
// simulated images live in HXKImg.dll, so each operation hands its call on.
#include "HXKDeviceExports.h"

HXKAPI int32_t SupportsBasicDigIO(HXKIMAGE image) {
    return HXKDevSupportsBasicDigIO(image);
}

HXKAPI int32_t QueryInputCount(HXKIMAGE image, int32_t* count) {
    return HXKDevQueryInputCount(image, count);
}

HXKAPI int32_t QueryOutputCount(HXKIMAGE image, int32_t* count) {
    return HXKDevQueryOutputCount(image, count);
}

HXKAPI int32_t ReadInputLine(HXKIMAGE image, int32_t line, int32_t* value) {
    return HXKDevReadInputLine(image, line, value);
}

HXKAPI int32_t ReadInputGroup(HXKIMAGE image, int32_t group, uint32_t* value) {
    return HXKDevReadInputGroup(image, group, value);
}

HXKAPI int32_t ReadOutputLine(HXKIMAGE image, int32_t line, int32_t* value) {
    return HXKDevReadOutputLine(image, line, value);
}

HXKAPI int32_t ReadOutputGroup(HXKIMAGE image, int32_t group, uint32_t* value) {
    return HXKDevReadOutputGroup(image, group, value);
}

HXKAPI int32_t WriteOutputLine(HXKIMAGE image, int32_t line, int32_t value) {
    return HXKDevWriteOutputLine(image, line, value);
}

HXKAPI int32_t WriteOutputGroup(HXKIMAGE image, int32_t group, uint32_t value, uint32_t mask) {
    return HXKDevWriteOutputGroup(image, group, value, mask);
}
