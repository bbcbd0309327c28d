// The bench's demo (--demo): a scripted session without a person. It drives
// the bench as a person would (fields, buttons, menu items, clicks on the
// device, the modal windows worked by a helper thread) and checks that every
// event it expects arrives, with the right arguments and on the right
// thread. The log it writes is the transcript; it saves pictures of the
// bench and of the property page as PNG files. Run() answers the number of
// checks that failed.
#pragma once

#include "Screenshot.h"
#include "app/Bench.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class Demo {
public:
    struct Options {
        int inputs = 16, outputs = 16; // the bench's image (at least 16 and 8)
        bool brief = false;            // --short: no pauses for a person watching, shorter pulses
        std::string shotsFolder;       // where the PNG files go
    };
    // Observes the bench's events from here on: make the demo before the
    // bench makes its control.
    Demo(Bench& bench, const Options& options);

    int Run();
    int Checks() const { return m_checks; }

private:
    using EventTest = std::function<bool(const ReceivedEvent&)>;

    // The steps, in order (DemoPorts.cpp, DemoWorkers.cpp, DemoWindows.cpp).
    void BindTheImage();
    void ReadAndWriteLines();
    void EventsOnWorkerThreads();
    void BitListener();
    void DWORDListener();
    void TogglerPulses(bool onStopwatch);
    void ReadFailures();
    void ImageWithoutDigIO();
    void PropertyPage();
    void AboutBox();
    void PictureOfTheBench();
    void TearDown();

    // Recording and waiting. Events are looked at from the start of the
    // current step on: a worker's handle is its address, and a handle of a
    // worker gone in an earlier step may come back for a new one.
    void Record(const ReceivedEvent& event);
    std::vector<ReceivedEvent> Matching(const EventTest& test);
    size_t Count(const EventTest& test) { return Matching(test).size(); }
    // Runs the window thread's messages until condition() holds, ten
    // seconds at most; answers condition().
    bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 10000);
    void PumpFor(DWORD milliseconds);
    void Pause(); // time for a person watching to follow

    // The bench, as a person uses it.
    void Step(const std::string& title);
    bool Check(bool ok, const std::string& what);
    void Fill(int id, const std::string& text) { m_bench.SetText(id, text); }
    void Press(int id) { m_bench.Press(id); }
    void ClickInput(int line);
    int Input(int line) const;
    int Output(int line) const;
    // The last two writes to an output line: their levels and the time
    // between them in milliseconds (a pulse).
    struct Pulse {
        int first = -1, second = -1;
        double milliseconds = 0;
    };
    Pulse LastPulse(int line) const;
    // Writes a picture into the shots folder and checks it.
    void Save(const screenshot::Picture& picture, const std::string& name, const std::string& what);

    Bench& m_bench;
    const Options m_options;
    std::mutex m_lock;
    std::vector<ReceivedEvent> m_events;
    size_t m_stepStart = 0;
    int m_checks = 0, m_failures = 0;
};
