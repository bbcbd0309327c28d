// The control's three kinds of worker and the methods that serve each: the
// bench calls them by DISPID. Togglers have no Stop: each Start gives one
// pulse and the toggler stops itself.
#pragma once

#include "HXDigIODispIds.h"

#include <windows.h>
#include <oaidl.h>

enum class WorkerKind { BitListener, DWORDListener, Toggler };

struct WorkerMethod {
    DISPID id;
    const char* name; // null: the kind has no such method
};

struct WorkerMethods {
    WorkerMethod start, stop, destroy;
};

inline const WorkerMethods& MethodsOf(WorkerKind kind) {
    static const WorkerMethods kMethods[] = {
        {{HXDISPID_BITLISTENERSTART, "BitListenerStart"},
         {HXDISPID_BITLISTENERSTOP, "BitListenerStop"},
         {HXDISPID_BITLISTENERDESTROY, "BitListenerDestroy"}},
        {{HXDISPID_DWORDLISTENERSTART, "DWORDListenerStart"},
         {HXDISPID_DWORDLISTENERSTOP, "DWORDListenerStop"},
         {HXDISPID_DWORDLISTENERDESTROY, "DWORDListenerDestroy"}},
        {{HXDISPID_BITTOGGLERSTART, "BitTogglerStart"},
         {0, nullptr},
         {HXDISPID_BITTOGGLERDESTROY, "BitTogglerDestroy"}},
    };
    return kMethods[static_cast<int>(kind)];
}
