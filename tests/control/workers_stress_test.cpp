// A seeded random life of workers on several controls on forms, in both
// hand-off modes: creations, starts, stops and destroys (with live, destroyed
// and made-up handles) from the test, from inside handlers on the window
// thread and from handlers on the workers' own threads, rebinding, input
// changes, read faults and whole controls torn down with their workers
// running. A watchdog fails the run on any hang. After each round every
// reference, thread and window is back where it started, and no destroyed
// worker reported after its Destroy returned (on the window thread; with
// direct firing one report already under way may finish).
//
// The suite runs a short sequence. A long one is a command of its own:
//   scripts/stress.sh [--operations N] [--seed S]
// which sets HX_STRESS_OPERATIONS and HX_STRESS_SEED for this test.
#include "ControlTestSupport.h"
#include "MessageLoop.h"
#include "OleTestContainer.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>

using namespace hxtest;

namespace {

long EnvironmentNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

// Runs the messages waiting now, without waiting for more.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Fails the process when the run stops making progress.
class Watchdog {
public:
    Watchdog()
        : m_thread([this] {
              while (!m_stop) {
                  Sleep(200);
                  if (GetTickCount() - m_lastBeat.load() > 120000) {
                      std::fprintf(stderr, "stress: no progress for two minutes (%s)\n",
                                   m_where.load());
                      std::fflush(stderr);
                      TerminateProcess(GetCurrentProcess(), 3);
                  }
              }
          }) {}
    ~Watchdog() {
        m_stop = true;
        m_thread.join();
    }
    void Beat(const char* where) {
        m_where = where;
        m_lastBeat = GetTickCount();
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<DWORD> m_lastBeat{GetTickCount()};
    std::atomic<const char*> m_where{"start"};
    std::thread m_thread;
};

// Counts the control's worker events per handle, without keeping them (a
// long run fires millions), and hands each to a callback.
class StressSink final : public EventSink {
public:
    StressSink() : EventSink(DIID__DHXdigIOEvents) {}
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        LONGLONG handle = 0;
        if ((dispid == evListener || dispid == evToggler) && params && params->cArgs == 3 &&
            params->rgvarg[2].vt == VT_I8) {
            handle = params->rgvarg[2].llVal;
            std::lock_guard<std::mutex> hold(m_lock);
            ++m_counts[handle];
        }
        // Set before the sink is advised and never changed, so that handlers
        // on worker threads may run while the run retires the control.
        if (active && onEvent) onEvent(dispid, handle);
        return S_OK;
    }
    size_t Count(LONGLONG handle) {
        std::lock_guard<std::mutex> hold(m_lock);
        const auto found = m_counts.find(handle);
        return found == m_counts.end() ? 0 : found->second;
    }
    std::function<void(DISPID, LONGLONG)> onEvent;
    std::atomic<bool> active{true};

private:
    std::mutex m_lock;
    std::map<LONGLONG, size_t> m_counts;
};

// One control on its own form with its own sink, and what the run knows of
// its workers. Handlers run on the window thread (hand-off) or on worker
// threads (direct firing); both touch `live` under the lock.
struct Subject {
    bool direct = false;
    TestContainer container;
    hx::com_ptr<IDispatch> control;
    // What handlers call: the control is alive while it fires an event,
    // whatever the run does with its own reference meanwhile.
    IDispatch* firing = nullptr;
    hx::com_ptr<StressSink> sink;
    hx::com_ptr<IConnectionPoint> point;
    DWORD cookie = 0;

    std::mutex lock;
    std::vector<LONGLONG> listeners, togglers;
    std::map<LONGLONG, size_t> destroyedAt; // handle -> its events when Destroy returned
    std::atomic<long> lateEvents{0};
};

class Stress : public ControlTest {
protected:
    void SetUp() override {
        threadsBefore = ThreadCount();
        ControlTest::SetUp();
        ReleaseControl(); // the run makes its own controls
        sink.reset();
    }
    void TearDown() override {
        for (auto& image : images)
            HXKSimClearFaults(image.image);
        images.clear();
        ControlTest::TearDown();
        EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threadsBefore; }))
            << "worker threads left: " << ThreadCount() - threadsBefore;
    }

    std::unique_ptr<Subject> MakeSubject(bool direct) {
        auto subject = std::make_unique<Subject>();
        subject->direct = direct;
        {
            ToolkitSettings settings({{"Global AsyncACQ Enabled", direct ? 1u : 0u}});
            EXPECT_EQ(S_OK, module.CreateControl(subject->control));
        }
        subject->firing = subject->control.get();
        subject->sink = MakeSink<StressSink>(); // leaves Continue as preset
        subject->point = PointOf(subject->control.get(), DIID__DHXdigIOEvents);
        subject->point->Advise(subject->sink.get(), &subject->cookie);
        EXPECT_EQ(S_OK, subject->container.Place(subject->control.get()));
        return subject;
    }

    // Takes the control off its form and lets it go. The subject itself stays
    // until the end of the run: handlers on worker threads may still use it.
    void TearDownSubject(Subject& subject) {
        subject.sink->active = false;
        subject.container.Remove();
        subject.point->Unadvise(subject.cookie);
        subject.point.reset();
        subject.control.reset(); // may go on a worker's thread a moment later
    }

    int threadsBefore = 0;
    std::vector<SimImage> images; // the run's own references
};

// No report after Destroy returned on the window thread. Reports already
// under way when a direct-firing worker was destroyed may still arrive once.
void ExpectNoLateEvents(const Subject& subject) {
    if (subject.direct)
        EXPECT_LE(subject.lateEvents.load(), static_cast<long>(subject.destroyedAt.size()));
    else
        EXPECT_EQ(0, subject.lateEvents.load()) << "reports after Destroy (hand-off)";
}

LONGLONG PickHandle(std::mt19937& random, Subject& subject) {
    std::lock_guard<std::mutex> hold(subject.lock);
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    auto pick = [&](const std::vector<LONGLONG>& from) {
        return from.empty() ? 0 : from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
    };
    if (kind < 4) return pick(subject.listeners);
    if (kind < 7) return pick(subject.togglers);
    if (kind < 9 && !subject.destroyedAt.empty()) return subject.destroyedAt.begin()->first;
    return static_cast<LONGLONG>(random()) << 4; // made up
}

// A new worker. Its handle (its address) may be one a destroyed worker had:
// from now on it names the new one.
void Remember(Subject& subject, LONGLONG handle, std::vector<LONGLONG>& list) {
    std::lock_guard<std::mutex> hold(subject.lock);
    subject.destroyedAt.erase(handle);
    list.push_back(handle);
}

// Forgets a worker the run just destroyed, noting how many events it had.
void Forget(Subject& subject, LONGLONG handle) {
    const size_t events = subject.sink->Count(handle);
    std::lock_guard<std::mutex> hold(subject.lock);
    std::erase(subject.listeners, handle);
    std::erase(subject.togglers, handle);
    subject.destroyedAt.emplace(handle, events);
}

// A worker member through the subject's control, on whatever thread calls.
bool Member(Subject& subject, DISPID id, LONGLONG handle) {
    const CallResult r = Method(subject.firing, id, {I8(handle)});
    EXPECT_EQ(S_OK, r.hr);
    return r.value.v.vt == VT_BOOL && r.value.v.boolVal != VARIANT_FALSE;
}

void Destroy(Subject& subject, LONGLONG handle) {
    const bool listener = Member(subject, idBitListenerDestroy, handle);
    const bool toggler = !listener && Member(subject, idBitTogglerDestroy, handle);
    if (listener || toggler) Forget(subject, handle);
}

TEST_F(Stress, RandomWorkerLivesOnSeveralControlsNeitherHangNorLeak) {
    const long operations = EnvironmentNumber("HX_STRESS_OPERATIONS", 400);
    const unsigned seed = static_cast<unsigned>(EnvironmentNumber("HX_STRESS_SEED", 20261206));
    std::mt19937 random(seed);
    Watchdog watchdog;
    std::printf("stress: %ld operations, seed %u\n", operations, seed);
    for (int i = 0; i < 3; ++i)
        images.emplace_back(40, 40);
    std::vector<std::unique_ptr<Subject>> retired; // kept while their workers may still fire
    std::vector<std::unique_ptr<Subject>> subjects;
    subjects.push_back(MakeSubject(false));
    subjects.push_back(MakeSubject(false));
    subjects.push_back(MakeSubject(true));
    std::atomic<long> handlerActions{0};

    // Handlers act back on the control: on the window thread anything, on a
    // worker's thread starts, stops and destroys.
    auto arm = [&](Subject& subject) {
        subject.sink->onEvent = [&subject, &handlerActions](DISPID dispid, LONGLONG reporter) {
            if (dispid != evListener && dispid != evToggler && dispid != evHXKError) return;
            if (reporter) {
                std::lock_guard<std::mutex> hold(subject.lock);
                if (subject.destroyedAt.count(reporter)) ++subject.lateEvents;
            }
            thread_local std::mt19937 local(GetCurrentThreadId());
            const int action = std::uniform_int_distribution<int>(0, 19)(local);
            if (action > 3) return;
            ++handlerActions;
            const LONGLONG handle = action == 3 && reporter ? reporter : PickHandle(local, subject);
            if (action == 0) Member(subject, idBitListenerStart, handle);
            if (action == 1) Member(subject, idBitListenerStop, handle);
            if (action >= 2) Destroy(subject, handle);
        };
    };
    for (auto& subject : subjects)
        arm(*subject);

    long done = 0;
    while (done < operations) {
        watchdog.Beat("operation");
        Subject& subject = *subjects[random() % subjects.size()];
        SimImage& image = images[random() % images.size()];
        const int op = std::uniform_int_distribution<int>(0, 99)(random);
        const long port = std::uniform_int_distribution<long>(-1, 41)(random);
        if (op < 8) {
            Put(subject.control, idImage, I8(op < 2 ? 0 : image.Handle()));
        } else if (op < 30) {
            const bool bit = op < 20;
            const LONGLONG made = Method(subject.control, bit ? idBitListenerCreate : idDWORDListenerCreate,
                                         {I4(bit ? port : port % 2), I4(random() % 2), I4(random() % 3)})
                                      .value.v.llVal;
            if (made) Remember(subject, made, subject.listeners);
        } else if (op < 40) {
            const LONGLONG made =
                Method(subject.control, idBitTogglerCreate, {I4(port), I4(random() % 4)}).value.v.llVal;
            if (made) Remember(subject, made, subject.togglers);
        } else if (op < 58) {
            Member(subject, idBitListenerStart, PickHandle(random, subject));
        } else if (op < 66) {
            Member(subject, idBitListenerStop, PickHandle(random, subject));
        } else if (op < 76) {
            Destroy(subject, PickHandle(random, subject));
        } else if (op < 88) {
            HXKSimSetInput(image.image, static_cast<int32_t>(random() % 40), static_cast<int32_t>(random() % 2));
        } else if (op < 92) {
            HXKSimSetFault(image.image, HXKSIM_OP_READ_INPUT_LINE, static_cast<int32_t>(random() % 40),
                           static_cast<int32_t>(random() % 2));
            HXKSimSetFault(image.image, HXKSIM_OP_READ_OUTPUT_LINE, static_cast<int32_t>(random() % 40),
                           static_cast<int32_t>(random() % 2));
        } else if (op < 97) {
            watchdog.Beat("pumping");
            PumpFor(random() % 15);
        } else {
            // The control goes with whatever it runs, and a new one takes its place.
            watchdog.Beat("teardown");
            const bool direct = subject.direct;
            for (auto& each : subjects) {
                if (each.get() != &subject) continue;
                TearDownSubject(*each);
                ExpectNoLateEvents(*each);
                retired.push_back(std::move(each));
                each = MakeSubject(direct);
                arm(*each);
            }
        }
        Pump(); // the hand-offs waiting meanwhile
        ++done;
    }

    watchdog.Beat("final teardown");
    for (auto& subject : subjects) {
        TearDownSubject(*subject);
        ExpectNoLateEvents(*subject);
        retired.push_back(std::move(subject));
    }
    subjects.clear();
    EXPECT_TRUE(PumpUntil([&] {
        for (const SimImage& image : images)
            if (HXKSimImageRefCount(image.image) != 1) return false;
        return true;
    })) << "image references left by workers or controls";
    EXPECT_TRUE(PumpUntil([&] { return module.Call("DllCanUnloadNow") == S_OK; }));
    retired.clear(); // every control is gone: nothing fires any more
    std::printf("stress: %ld operations and %ld handler actions done\n", done, handlerActions.load());
}

} // namespace
