// A hostile container for HXDigIO.ocx, seeded and repeatable: the control
// in place on a form (or in the system's ATL host) is called through
// IDispatch with random members, flags, argument counts, VARIANTs of every
// type by value and by reference, arrays, null pointers and named
// arguments, and with garbage and stale image and worker handles,
// interleaved with bindings, worker lifecycles, faults of the simulated
// device, loads of damaged persistence data and the control's release and
// re-creation. Every answer must be the member's specified result or a
// standard dispatch error allowed for the situation (AllowedTable), every
// event well formed, and at each release nothing may be left: no reference
// on the control, the sink, the images or the objects passed in, no worker
// thread; at the end the module must be free to unload. A watchdog ends a
// run that hangs, naming the last calls.
#pragma once

#include "HardeningSupport.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace hostile {

enum class Host { Form, Atl };

struct Options {
    std::uint64_t seed = 1;
    std::uint64_t calls = 5000;
    Host host = Host::Form;
    // AboutBox (DISPID -552) now and then, its modal box closed by a watcher.
    bool aboutBox = false;
    // Workers fire their events on their own threads ("Global AsyncACQ
    // Enabled" set in the toolkit's key for the run).
    bool directFiring = false;
    // Mean number of calls between a release and re-creation of the control.
    unsigned recreateEvery = 500;
    int watchdogSeconds = 60;
};

struct Results {
    std::uint64_t calls = 0;
    double seconds = 0;
    std::map<std::string, std::uint64_t> actions; // per kind of action
    std::map<HRESULT, std::uint64_t> hresults;    // every answer of Invoke
    std::map<std::string, std::map<HRESULT, std::uint64_t>> situations;
    std::map<std::string, std::uint64_t> other;  // persistence, names, type info answers
    std::map<std::string, std::uint64_t> events; // per event (HXKError per code)
    std::uint64_t controls = 0;                  // controls made and released
    std::uint64_t workers = 0;                   // workers created
    std::uint64_t faultsToggled = 0;             // simulator faults armed or removed
    std::uint64_t leakChecks = 0;                // checks made at each release and at the end
    std::uint64_t violationCount = 0;
    std::vector<std::string> violations; // the first ones, described
    hardening::Resources before, after;
    std::string newHandles;       // handles open at the end that were not at the start, described
    int liveImagesAtEnd = -1;     // images of the simulator alive after the fuzzer let its own go
    int liveStopwatchesLeft = -1; // stopwatches made during the run and not destroyed
};

Results Run(const Options& options);

std::string HResultName(HRESULT hr);
// Which answers each situation allows, as "situation<TAB>HRESULT names".
std::vector<std::string> AllowedTable();
// The rows of a result file (name, value, ...) and a text summary.
std::vector<std::string> ResultRows(const Options& options, const Results& results);
std::string Summary(const Options& options, const Results& results);

} // namespace hostile
