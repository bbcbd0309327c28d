// Every failure the control reports through HXKError: its code, its fixed
// text and when it happens. One table for the code that raises them and for
// the generated reference.
#pragma once

#include "HXDigIO_h.h"

struct HXDigIOError {
    ErrorCode code;
    const char* text; // ErrorString, as it stands
    const char* when; // for the reference
    bool continues;   // the Continue flag's preset
};

namespace hxerrors {

inline constexpr HXDigIOError kMissingDigIO = {
    HXK_E_NOINTERFACE, "Missing BasicDigIO interface!",
    "Image was set to a handle whose driver offers no basic digital I/O. The binding is refused; "
    "when Continue is still TRUE after the event, a message box \"Error\" shows the text.",
    true};
inline constexpr HXDigIOError kNoInputCount = {
    HXK_E_PROPERTYREAD, "Can't read number of input ports!",
    "Binding an image, the driver could not tell its input count. NumInputs keeps its value; the "
    "image stays bound and ImageUpdated follows.",
    true};
inline constexpr HXDigIOError kNoOutputCount = {
    HXK_E_PROPERTYREAD, "Can't read number of output ports!",
    "Binding an image, the driver could not tell its output count. NumOutputs keeps its value; the "
    "image stays bound and ImageUpdated follows.",
    true};
inline constexpr HXDigIOError kInvalidPort = {
    HXK_E_INVALIDPORT, "Invalid port!",
    "A port method got a line or port group outside the bound image's counts; the driver is not "
    "called and the method returns 0.",
    true};
inline constexpr HXDigIOError kReadFailed = {
    HXK_E_PORTREAD, "Couldn't read port!",
    "A read through GetInBit, GetOutBit, GetInDWORD or GetOutDWORD failed (the method returns 0).",
    true};
inline constexpr HXDigIOError kWriteFailed = {
    HXK_E_PORTWRITE, "Couldn't write port!",
    "A write through SetOutBit or SetOutDWORD failed (the method returns 0).", true};
inline constexpr HXDigIOError kWorkerReadFailed = {
    HXK_E_PORTREAD, "Couldn't read port!",
    "A listener could not read its input, or a toggler its output line, on the worker's own "
    "thread. Continue left FALSE stops the worker (a toggler then makes no pulse); set TRUE, the "
    "worker goes on with what the failed read left.",
    false};

inline constexpr const HXDigIOError* kAll[] = {&kMissingDigIO,    &kNoInputCount, &kNoOutputCount,
                                               &kInvalidPort,     &kReadFailed,   &kWriteFailed,
                                               &kWorkerReadFailed};

} // namespace hxerrors
