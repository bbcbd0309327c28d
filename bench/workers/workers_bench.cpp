// The workers' speed, each figure measured side by side with what bounds it
// on this machine, in one run:
//  - hand-off throughput: Listener events per second through the default
//    hand-off to the window thread, against raw cross-thread SendMessage
//    round trips per second (goal: at least 0.5);
//  - reaction latency: an input change in the simulator to the Listener
//    event with Delay 1, p50 and p99, against Sleep(1)'s own granularity
//    (goal: p99 at most 2x);
//  - pulse accuracy: measured pulse length minus Delay, p50 and p99, with the
//    stopwatch and with Sleep, against the cost of one toolkit read and write
//    (goal with the stopwatch: p99 error at most 0.1 ms plus that cost);
//  - worker cost: 1,000 listeners created and destroyed against 1,000 bare
//    threads created and joined (goal: at most 1.5x).
// The control is hosted in the system's ATL host window, registered for the
// run in this process's registry view and unregistered afterwards. Run by
// hand:  scripts/wine-run --state <build>/wine <build>/bin/workers_bench.exe
// With --quick (as the test run does) every figure is measured on a fifth of
// the samples; the run fails only when a figure could not be measured at all.
#include "BenchHost.h"
#include "SideBySide.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const size_t index = std::min(samples.size() - 1, static_cast<size_t>(fraction * samples.size()));
    return samples[index];
}

void PrintSpread(const char* what, const std::vector<double>& ms) {
    std::printf("  %-44s p50 %8.3f ms   p99 %8.3f ms\n", what, Percentile(ms, 0.5),
                Percentile(ms, 0.99));
}

// --- hand-off throughput ----------------------------------------------------

double HandOffEventsPerSecond(BenchHost& host, double seconds) {
    SimImage image(8, 8);
    host.Bind(image.Handle());
    HXKSimSetInput(image.Get(), 0, 1);
    const LONGLONG listener = host.Create(HXDISPID_BITLISTENERCREATE, {0, 1, 0});
    const long before = host.Count(HXEVENTID_LISTENER);
    const double started = Now();
    host.Call(HXDISPID_BITLISTENERSTART, listener);
    host.PumpFor(seconds);
    host.Call(HXDISPID_BITLISTENERSTOP, listener);
    const double elapsed = Now() - started;
    const long fired = host.Count(HXEVENTID_LISTENER) - before;
    host.Call(HXDISPID_BITLISTENERDESTROY, listener);
    host.Bind(0);
    return fired / elapsed;
}

double RawSendMessagesPerSecond(double seconds) {
    const HWND target = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
    std::atomic<bool> stop{false}, done{false};
    std::atomic<long> sent{0};
    const double started = Now();
    std::thread sender([&] {
        while (!stop) {
            SendMessageA(target, WM_NULL, 0, 0);
            ++sent;
        }
        done = true;
    });
    PumpMessagesFor(seconds);
    stop = true;
    while (!done) // the sender's last message needs this thread
        PumpMessagesFor(0.001);
    sender.join();
    const double elapsed = Now() - started;
    DestroyWindow(target);
    return sent / elapsed;
}

// --- reaction latency -------------------------------------------------------

std::vector<double> ReactionMs(BenchHost& host, int trials) {
    SimImage image(8, 8);
    host.Bind(image.Handle());
    const LONGLONG listener = host.Create(HXDISPID_BITLISTENERCREATE, {2, 1, 1});
    std::vector<double> latencies;
    double changed = 0;
    host.OnListener([&] {
        if (changed == 0) return;
        latencies.push_back((Now() - changed) * 1000.0);
        changed = 0;
        HXKSimSetInput(image.Get(), 2, 0); // no more reports until the next change
    });
    host.Call(HXDISPID_BITLISTENERSTART, listener);
    for (int i = 0; i < trials; ++i) {
        host.PumpFor(0.002 + 0.001 * (i % 3));
        changed = Now();
        HXKSimSetInput(image.Get(), 2, 1);
        for (int wait = 0; wait < 2000 && changed != 0; ++wait)
            host.PumpFor(0.0005);
    }
    host.OnListener(nullptr);
    host.Call(HXDISPID_BITLISTENERDESTROY, listener);
    host.Bind(0);
    return latencies;
}

std::vector<double> SleepOneMs(int trials) {
    std::vector<double> slept;
    for (int i = 0; i < trials; ++i) {
        const double start = Now();
        Sleep(1);
        slept.push_back((Now() - start) * 1000.0);
    }
    return slept;
}

// --- pulse accuracy ---------------------------------------------------------

std::vector<double> PulseErrorsMs(BenchHost& host, long delay, int pulses) {
    SimImage image(2, 2);
    host.Bind(image.Handle());
    const LONGLONG toggler = host.Create(HXDISPID_BITTOGGLERCREATE, {0, delay});
    std::vector<double> errors;
    double frequency = CounterFrequency();
    for (int i = 0; i < pulses; ++i) {
        const long before = host.Count(HXEVENTID_TOGGLER);
        host.Call(HXDISPID_BITTOGGLERSTART, toggler);
        for (int wait = 0; wait < 20000 && host.Count(HXEVENTID_TOGGLER) == before; ++wait)
            host.PumpFor(0.0005);
        int64_t times[2] = {};
        if (HXKSimOutputWriteTimes(image.Get(), 0, times, 2) < 2) continue;
        errors.push_back((times[1] - times[0]) * 1000.0 / frequency - delay);
    }
    host.Call(HXDISPID_BITTOGGLERDESTROY, toggler);
    host.Bind(0);
    return errors;
}

double ReadAndWriteMs(int calls) {
    SimImage image(2, 2);
    const double start = Now();
    for (int i = 0; i < calls; ++i) {
        int32_t level = 0;
        ReadOutputLine(image.Get(), 1, &level);
        WriteOutputLine(image.Get(), 1, level);
    }
    return (Now() - start) * 1000.0 / calls;
}

// --- worker cost ------------------------------------------------------------

void ListenersCreatedAndDestroyed(BenchHost& host, int count) {
    std::vector<LONGLONG> made;
    for (int i = 0; i < count; ++i)
        made.push_back(host.Create(HXDISPID_BITLISTENERCREATE, {0, 1, 1}));
    for (LONGLONG listener : made)
        host.Call(HXDISPID_BITLISTENERDESTROY, listener);
}

void BareThreadsCreatedAndJoined(int count) {
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i)
        threads.push_back(CreateThread(
            nullptr, 0, [](void*) -> DWORD { return 0; }, nullptr, 0, nullptr));
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

// How much of each figure one run measures.
struct Scale {
    double handOffSeconds = 1.0;
    int reactions = 200;
    int pulses = 40;
    std::vector<long> delays = {1, 2, 5, 10, 20};
    int workers = 1000;
};

Scale QuickScale() {
    return {0.2, 40, 8, {1, 5}, 200};
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const Scale scale = quick ? QuickScale() : Scale{};
    BenchHost host; // registers, hosts and unregisters the control
    if (!host.Ready()) {
        std::printf("workers_bench: the control could not be hosted\n");
        return 1;
    }

    bool measured = true; // every figure got samples
    std::printf("Hand-off throughput (%.1f s each, best of 3 alternating runs)\n",
                scale.handOffSeconds);
    double handOff = 0, raw = 0;
    for (int round = 0; round < 3; ++round) {
        if (round % 2) raw = std::max(raw, RawSendMessagesPerSecond(scale.handOffSeconds));
        handOff = std::max(handOff, HandOffEventsPerSecond(host, scale.handOffSeconds));
        if (round % 2 == 0) raw = std::max(raw, RawSendMessagesPerSecond(scale.handOffSeconds));
    }
    measured = measured && handOff > 0 && raw > 0;
    std::printf("  Listener events through the hand-off   %10.0f /s\n", handOff);
    std::printf("  raw cross-thread SendMessage           %10.0f /s\n", raw);
    std::printf("  ratio %.2f (goal: at least 0.5)\n\n", handOff / raw);

    std::printf("Reaction latency, Delay 1 (%d changes)\n", scale.reactions);
    const std::vector<double> reaction = ReactionMs(host, scale.reactions);
    const std::vector<double> slept = SleepOneMs(scale.reactions);
    measured = measured && !reaction.empty();
    PrintSpread("input change -> Listener event", reaction);
    PrintSpread("Sleep(1)", slept);
    std::printf("  ratio of p99s %.2f (goal: at most 2)\n\n",
                Percentile(reaction, 0.99) / Percentile(slept, 0.99));

    std::printf("Pulse accuracy: measured length - Delay (%d pulses each)\n", scale.pulses);
    const double toolkitMs = ReadAndWriteMs(20000);
    for (DWORD useHPC : {1u, 0u}) {
        host.UseSettings(useHPC);
        for (long delay : scale.delays) {
            char what[64];
            std::snprintf(what, sizeof what, "%s, Delay %ld", useHPC ? "stopwatch" : "Sleep", delay);
            const std::vector<double> errors = PulseErrorsMs(host, delay, scale.pulses);
            measured = measured && !errors.empty();
            PrintSpread(what, errors);
            if (useHPC)
                std::printf("    p99 within 0.1 ms + one read and write (%.4f ms): %s\n", toolkitMs,
                            Percentile(errors, 0.99) <= 0.1 + toolkitMs ? "yes" : "NO");
        }
    }
    host.UseSettings(0);

    std::printf("\nWorker cost: %d made and ended\n", scale.workers);
    std::vector<Way> ways = {{"bare threads", [](int n) { BareThreadsCreatedAndJoined(n); }},
                             {"listeners", [&](int n) {
                                  SimImage image(2, 2);
                                  host.Bind(image.Handle());
                                  ListenersCreatedAndDestroyed(host, n);
                                  host.Bind(0);
                              }}};
    RunSideBySide("worker cost", ways, 3, scale.workers);
    std::printf("  ratio %.2f (goal: at most 1.5)\n", ways[1].best / ways[0].best);
    if (!measured) std::printf("workers_bench: a figure got no samples\n");
    return measured ? 0 : 1;
}
