// The demo's steps with listeners and togglers: events on the workers' own
// threads, a bit listener stopped inside its handler, a DWORD listener, and
// toggler pulses timed both ways.
#include "Demo.h"

#include "Expectations.h"
#include "app/BenchIds.h"
#include "app/Format.h"

#include <cstdio>

using namespace expect;
using format::Hex;

void Demo::EventsOnWorkerThreads() {
    Step("Events on the workers' own threads: \"Global AsyncACQ Enabled\" = 1");
    const size_t updatesBefore = Count(Is(HXEVENTID_IMAGEUPDATED));
    m_bench.SetCheck(IDC_FIRE_DIRECT, true); // the bench makes a new control and binds it
    Check(m_bench.HasControl() && Count(Is(HXEVENTID_IMAGEUPDATED)) == updatesBefore + 1 &&
              m_bench.Property(L"Image") == reinterpret_cast<intptr_t>(m_bench.Image()),
          "a new control was made and bound (a control reads the setting when it is made)");

    Fill(IDC_WORKER_PORT, "3");
    Fill(IDC_WORKER_DELAY, "40");
    Press(IDC_TOGGLER);
    const LONGLONG toggler = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, toggler)) == 1; }),
          "Toggler(" + Hex(toggler) + ", 3, LO) came");
    const auto pulses = Matching(From(HXEVENTID_TOGGLER, toggler));
    Check(pulses.size() == 1 && !pulses[0].onWindowThread && pulses[0].value == 0,
          "... on the toggler's own thread, not the window thread");

    m_bench.SetCheck(IDC_STOP_IN_HANDLER, true);
    Fill(IDC_WORKER_VALUE, "HI");
    Fill(IDC_WORKER_DELAY, "20");
    Press(IDC_BITLISTENER); // input 3 is HI already: the first step reports
    const LONGLONG listener = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 1; }),
          "Listener(" + Hex(listener) + ", 3, HI) came at the listener's first step");
    const auto reports = Matching(From(HXEVENTID_LISTENER, listener));
    Check(!reports.empty() && !reports[0].onWindowThread && reports[0].stopInHandler == 1,
          "... on the listener's own thread, whose handler stopped it (TRUE at once)");
    PumpFor(300);
    const size_t settled = Count(From(HXEVENTID_LISTENER, listener));
    PumpFor(300);
    Check(settled == 1 && Count(From(HXEVENTID_LISTENER, listener)) == 1,
          "the listener stopped: " + std::to_string(settled) + " report in all");

    m_bench.SetCheck(IDC_FIRE_DIRECT, false);
    Check(m_bench.HasControl() && m_bench.Property(L"NumInputs") > 0,
          "back to the hand-off: a new control, bound again; its workers hand their reports to "
          "its window thread");
}

void Demo::BitListener() {
    Step("A bit listener that waits for input 7 to go HI, and is stopped inside its handler");
    m_bench.SetCheck(IDC_STOP_IN_HANDLER, true);
    Fill(IDC_WORKER_PORT, "7");
    Fill(IDC_WORKER_VALUE, "HI");
    Fill(IDC_WORKER_DELAY, "20");
    Press(IDC_BITLISTENER);
    const LONGLONG listener = m_bench.LastResult();
    Check(listener != 0, "BitListenerCreate(7, HI, 20) answered a handle");
    Press(IDC_START);
    Check(m_bench.LastResult() != 0, "BitListenerStart answered TRUE");
    PumpFor(200);
    Check(Count(From(HXEVENTID_LISTENER, listener)) == 0, "no report while input 7 is LO");
    ClickInput(7);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 1; }),
          "Listener(" + Hex(listener) + ", 7, HI) came after switch 7 was flipped");
    const auto reports = Matching(From(HXEVENTID_LISTENER, listener));
    Check(!reports.empty() && reports[0].port == 7 && reports[0].value == 1 &&
              reports[0].onWindowThread,
          "... with port 7 and value HI, on the window thread (the hand-off)");
    Check(!reports.empty() && reports[0].stopInHandler == 1,
          "BitListenerStop inside the handler answered TRUE at once");
    PumpFor(300);
    const size_t settled = Count(From(HXEVENTID_LISTENER, listener));
    PumpFor(300);
    // The stop is posted to the window thread and carried out once the
    // handler has returned; what the listener reports meanwhile is answered
    // without an event.
    Check(settled == 1 && Count(From(HXEVENTID_LISTENER, listener)) == 1,
          "the listener stopped once its handler had returned: " + std::to_string(settled) +
              " report in all");
    ClickInput(7);
}

void Demo::DWORDListener() {
    Step("A DWORD listener on input group 0 that waits for 0x00000208 (inputs 3 and 9)");
    m_bench.SetCheck(IDC_STOP_IN_HANDLER, false);
    Fill(IDC_WORKER_PORT, "0");
    Fill(IDC_WORKER_VALUE, "0x208");
    Fill(IDC_WORKER_DELAY, "10");
    Press(IDC_DWORDLISTENER);
    const LONGLONG listener = m_bench.LastResult();
    Press(IDC_START);
    ClickInput(9);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 3; }),
          "Listener(" + Hex(listener) +
              ", 0, 0x00000208) came, and again at every step while the inputs keep the value");
    const auto reports = Matching(From(HXEVENTID_LISTENER, listener));
    Check(!reports.empty() && reports[0].port == 0 && reports[0].value == 0x208 &&
              reports[0].onWindowThread,
          "... with port group 0 and the whole group's value, on the window thread");
    Press(IDC_STOP);
    Check(m_bench.LastResult() != 0, "DWORDListenerStop from the bench answered TRUE");
    // The stop returns once the listener's step is over; what it reported
    // meanwhile fired nothing.
    const size_t settled = Count(From(HXEVENTID_LISTENER, listener));
    PumpFor(400);
    Check(Count(From(HXEVENTID_LISTENER, listener)) == settled,
          "no report after the stop returned (" + std::to_string(settled) + " in all)");
}

void Demo::TogglerPulses(bool onStopwatch) {
    const long delay = m_options.brief ? 80 : 250;
    Step(std::string("Toggler pulses timed ") + (onStopwatch
                                                     ? "on the stopwatch (\"DigIO via HPC\" = 1)"
                                                     : "with Sleep (\"DigIO via HPC\" = 0)"));
    m_bench.SetCheck(IDC_STOPWATCH, onStopwatch);
    const int line = onStopwatch ? 2 : 4; // output 4 is LO, output 5 is HI
    Fill(IDC_WORKER_PORT, std::to_string(line));
    Fill(IDC_WORKER_DELAY, std::to_string(delay));
    Press(IDC_TOGGLER);
    const LONGLONG toggler = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, toggler)) == 1; }),
          "Toggler(" + Hex(toggler) + ", " + std::to_string(line) +
              ", LO) came: the pulse is over");
    Pulse pulse = LastPulse(line);
    char shown[160];
    std::snprintf(shown, sizeof shown,
                  "output %d went HI and back LO; it was HI for %.3f ms (%ld asked)", line,
                  pulse.milliseconds, delay);
    // Generous bounds: the machine may be busy.
    Check(pulse.first == 1 && pulse.second == 0 && pulse.milliseconds >= delay * 0.9 &&
              Output(line) == 0,
          shown);

    // A line that is HI goes LO for the pulse; Start again gives the next pulse.
    Fill(IDC_WORKER_PORT, "5");
    Press(IDC_TOGGLER);
    const LONGLONG high = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, high)) == 1; }),
          "Toggler(" + Hex(high) + ", 5, HI) came");
    pulse = LastPulse(5);
    std::snprintf(shown, sizeof shown, "output 5 went LO and back HI; it was LO for %.3f ms",
                  pulse.milliseconds);
    Check(pulse.first == 0 && pulse.second == 1 && pulse.milliseconds >= delay * 0.9, shown);
    // The pulse's step ends just after its Toggler handler has returned; a
    // Start before that finds the toggler running and changes nothing (on a
    // busy machine the gap can be long). A pulse that does not come is asked
    // for again, a few times.
    auto nextPulse = [&] { return Count(From(HXEVENTID_TOGGLER, high)) == 2; };
    PumpFor(50);
    int starts = 0;
    while (starts < 5 && !nextPulse()) {
        Press(IDC_START);
        ++starts;
        WaitFor(nextPulse, 2000);
    }
    Check(nextPulse() && Matching(From(HXEVENTID_TOGGLER, high)).back().value == 1,
          starts == 1 ? "a second Start gave the next pulse"
                      : "a later Start gave the next pulse (" + std::to_string(starts - 1) +
                            " Start(s) came while the last pulse was still ending, and changed "
                            "nothing)");
}
