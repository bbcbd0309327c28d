// Fault seams: named points in the base library where a test can make the
// platform fail the way it would fail there (an allocation, a registry query,
// a log file, the event log, the console), to check that the failure turns
// into the documented result and nothing leaks or hangs.
//
// A test arms a point; the code at the point asks ShouldFail and, when told
// to, behaves as if the call it guards had failed. Nothing is armed in
// shipped use, and then a check is one relaxed atomic load.
//
//   caxseam::ScopedFault fault(caxseam::Point::StringAllocation, {.skip = 2, .fail = 1});
//   ... code under test: its third string allocation on this thread fails ...
//   fault.Injected()   // how many failures the point produced
#pragma once

#include <atomic>
#include <cstdint>

namespace caxseam {

enum class Point : unsigned {
    StringAllocation,    // CaxCString's blocks and formatting buffers: throws int -1
    RegistryOpen,        // CaxLogging::OpenProductKey: the key does not open
    RegistryQuery,       // CaxRegistry's RegQueryValueExA: the query fails
    LogFileOpen,         // the file target's fopen: no stream
    EventSourceRegister, // RegisterEventSourceA: no event source
    EventReport,         // ReportEventA: the event is not written
    ConsoleAllocate,     // AllocConsole: no new console
    ConsoleOutput,       // GetStdHandle: no output handle
    ConsoleWrite,        // WriteConsoleA: nothing written
    Count
};

// Which hits of an armed point fail: the first `skip` hits pass, the next
// `fail` hits fail, later ones pass again. Only hits on the thread that armed
// the point count, unless anyThread is set.
struct Plan {
    std::uint32_t skip = 0;
    std::uint32_t fail = 0xFFFFFFFFu;
    bool anyThread = false;
};

namespace detail {
// How many points are armed; 0 in shipped use.
extern std::atomic<unsigned> g_armedPoints;
bool Hit(Point point) noexcept;
} // namespace detail

// Asked at the fault point: true when this hit is to fail.
inline bool ShouldFail(Point point) noexcept {
    if (detail::g_armedPoints.load(std::memory_order_relaxed) == 0) return false;
    return detail::Hit(point);
}

void Arm(Point point, Plan plan) noexcept;
void Disarm(Point point) noexcept;
// Counted since the point was last armed: hits seen (on the counted threads)
// and failures produced.
std::uint64_t Hits(Point point) noexcept;
std::uint64_t Injected(Point point) noexcept;
// Failures produced by every point since the process started.
std::uint64_t TotalInjected() noexcept;
const char* Name(Point point) noexcept;

// Arms a point for as long as the scope lives.
class ScopedFault {
public:
    ScopedFault(Point point, Plan plan) noexcept : m_point(point) { Arm(point, plan); }
    ~ScopedFault() { Disarm(m_point); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
    std::uint64_t Hits() const noexcept { return caxseam::Hits(m_point); }
    std::uint64_t Injected() const noexcept { return caxseam::Injected(m_point); }

private:
    Point m_point;
};

} // namespace caxseam
