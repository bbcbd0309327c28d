// The members of the "HXKSim.Simulator" automation object: name, DISPID,
// how many arguments each takes and the code that runs it.
#pragma once

#include "DispatchArgs.h"

namespace hxk {

struct MemberCall {
    const DispatchArgs& args;
    VARIANT* result;               // null when the caller wants no result
    const char* failure = nullptr; // set by a member whose operation failed
};

struct SimulatorMember {
    const char* name;
    DISPID id;
    UINT minArgs;
    UINT maxArgs;
    HRESULT (*invoke)(MemberCall& call);
};

// Case-insensitive, as script languages are.
const SimulatorMember* findMember(const char* name);
const SimulatorMember* findMember(DISPID id);

} // namespace hxk
