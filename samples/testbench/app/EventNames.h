// The control's events by name, as the bench's command line and log write them.
#pragma once

#include "HXDigIODispIds.h"

#include <windows.h>

#include <string>

namespace events {

struct Named {
    const char* name;
    DISPID id;
};

inline constexpr Named kEvents[] = {{"HXKError", HXEVENTID_HXKERROR},
                                    {"ImageUpdated", HXEVENTID_IMAGEUPDATED},
                                    {"Listener", HXEVENTID_LISTENER},
                                    {"Toggler", HXEVENTID_TOGGLER}};

// The event's DISPID, or 0 when the control has no event of that name.
inline DISPID Named(const std::string& name) {
    for (const auto& event : kEvents)
        if (name == event.name) return event.id;
    return 0;
}

inline std::string NameOf(DISPID id) {
    for (const auto& event : kEvents)
        if (id == event.id) return event.name;
    return "event " + std::to_string(id);
}

} // namespace events
