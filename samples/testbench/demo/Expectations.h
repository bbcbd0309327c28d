// What the demo expects of an event, as tests on the events it received.
#pragma once

#include "app/Bench.h"

#include "HXDigIODispIds.h"

#include <functional>

namespace expect {

using EventTest = std::function<bool(const ReceivedEvent&)>;

// An event of this kind.
inline EventTest Is(DISPID id) {
    return [id](const ReceivedEvent& e) { return e.id == id; };
}

// A Listener or Toggler event from this worker.
inline EventTest From(DISPID id, LONGLONG worker) {
    return [id, worker](const ReceivedEvent& e) { return e.id == id && e.worker == worker; };
}

// HXKError with this code, on the window thread or on a worker's.
inline EventTest ErrorWith(LONGLONG code, bool onWindowThread) {
    return [code, onWindowThread](const ReceivedEvent& e) {
        return e.id == HXEVENTID_HXKERROR && e.value == code && e.onWindowThread == onWindowThread;
    };
}

} // namespace expect
