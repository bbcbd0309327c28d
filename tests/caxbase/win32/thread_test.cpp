// CaxThread as subclasses and owners use it: runs and the steps that end them,
// hooks that end or delete their own worker, destruction in every state, and a
// worker blocked in SendMessage.
#include "CaxThread.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using caxthread::kStateStopped;
using runtime_test::Eventually;

std::atomic<int> g_stepsUnderWay{0}; // of all workers, also deleted ones
// What a hook that deleted its worker read from the step's destroyed flag.
std::atomic<bool> g_destroyedFlagSet{false};

// Counts its steps, does in its hook what the test asks and, like every
// subclass should, ends the worker before its own members go.
struct Worker : CaxThread {
    enum class Hook { None, EndsWorker, DeletesWorker };
    Worker() : CaxThread("Worker", 0, caxlogging::kModeConsole, 0, 0) {}
    ~Worker() override { EndWorker(); }
    // Scribbles over a deleted worker, so that a loop still using it fails.
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* memory, std::size_t size) {
        std::memset(memory, 0xDD, size);
        ::operator delete(memory);
    }
    using CaxThread::EndWorker;
    using CaxThread::StepDestroyedFlag;
    BOOL Before() override {
        inStep = true, ++g_stepsUnderWay;
        if (window) SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("sent"));
        if (gate) WaitForSingleObject(gate, INFINITE);
        Sleep(sleepMs);
        ++steps, inStep = false, --g_stepsUnderWay;
        if (hook == Hook::EndsWorker) EndWorker();
        if (hook != Hook::DeletesWorker) return keepRunning;
        const bool* destroyed = StepDestroyedFlag();
        const bool flagClearBefore = destroyed && !*destroyed;
        delete this;
        g_destroyedFlagSet = flagClearBefore && *destroyed;
        return FALSE;
    }
    bool Stopped() const { return GetState() == kStateStopped && !inStep; }
    std::atomic<int> steps{0};
    std::atomic<bool> inStep{false}, keepRunning{true};
    DWORD sleepMs = 1;
    HWND window = nullptr;
    HANDLE gate = nullptr; // a step waits until it is set
    Hook hook = Hook::None;
};

TEST(Thread, StartAndStopFollowTheStateMachine) {
    Worker worker;
    EXPECT_EQ(25u, worker.GetClassID());
    EXPECT_EQ(THREAD_PRIORITY_NORMAL, GetThreadPriority(worker.GetThreadHandle()));
    EXPECT_FALSE(worker.Stop());
    EXPECT_EQ(caxthread::kStateConstructed, worker.GetState());
    for (auto wait : {CaxThread::OwnerWait::PumpSentMessages, CaxThread::OwnerWait::Plain}) {
        worker.SetOwnerWait(wait);
        EXPECT_TRUE(worker.Start());
        EXPECT_FALSE(worker.Start());
        const int before = worker.steps;
        EXPECT_TRUE(Eventually([&] { return worker.steps > before + 2; }));
        EXPECT_TRUE(worker.Stop());
        EXPECT_TRUE(worker.Stopped()); // Stop returned after the step in progress
        const int stopped = worker.steps;
        Sleep(30);
        EXPECT_EQ(stopped, worker.steps);
        EXPECT_FALSE(worker.Stop());
    }
    EXPECT_EQ(1, worker.SetPriority(1));
    EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, GetThreadPriority(worker.GetThreadHandle()));
}

// The owner stops, then starts again while a FALSE step is held: that step
// must not end the new run, whose own step then ends it.
TEST(Thread, StepsAnsweringFalseEndOnlyTheRunTheyBelongTo) {
    const hx::unique_handle gate(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Worker worker;
    worker.keepRunning = false;
    worker.gate = gate.get();
    EXPECT_TRUE(worker.Start());
    EXPECT_TRUE(Eventually([&] { return worker.inStep.load(); }));
    std::thread owner([&] { EXPECT_TRUE(worker.Stop()); }); // waits for the held step
    EXPECT_TRUE(Eventually([&] { return worker.GetState() == kStateStopped; }));
    EXPECT_TRUE(worker.Start());
    SetEvent(gate.get());
    owner.join();
    EXPECT_TRUE(Eventually([&] { return worker.steps == 2 && worker.Stopped(); }));
    EXPECT_FALSE(worker.Stop());
}

// A stop that must not wait (the stopping thread may be what the step waits
// for) returns at once; the step under way finishes and no other begins.
TEST(Thread, StopWithoutWaitingLeavesTheStepUnderWayToFinishAlone) {
    const hx::unique_handle gate(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Worker worker;
    worker.gate = gate.get();
    EXPECT_FALSE(worker.StopWithoutWaiting()); // never started
    EXPECT_TRUE(worker.Start());
    EXPECT_TRUE(Eventually([&] { return worker.inStep.load(); }));
    EXPECT_TRUE(worker.StopWithoutWaiting());
    EXPECT_TRUE(worker.inStep); // returned while the step was still held
    EXPECT_EQ(kStateStopped, worker.GetState());
    EXPECT_FALSE(worker.StopWithoutWaiting());
    EXPECT_FALSE(worker.Stop());
    SetEvent(gate.get());
    EXPECT_TRUE(Eventually([&] { return !worker.inStep; }));
    Sleep(30);
    EXPECT_EQ(1, worker.steps.load());
    EXPECT_TRUE(worker.Start()); // a new run
    EXPECT_TRUE(Eventually([&] { return worker.steps > 1; }));
}

TEST(Thread, AHookMayEndOrDeleteItsOwnWorkerWithoutWaitingForItself) {
    for (auto hook : {Worker::Hook::DeletesWorker, Worker::Hook::EndsWorker}) {
        auto* worker = new Worker;
        worker->hook = hook;
        hx::unique_handle thread;
        DuplicateHandle(GetCurrentProcess(), worker->GetThreadHandle(), GetCurrentProcess(),
                        thread.put(), SYNCHRONIZE, FALSE, 0);
        EXPECT_TRUE(worker->Start());
        // The thread leaves on its own and never touches the deleted object.
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000));
        if (hook == Worker::Hook::DeletesWorker) {
            EXPECT_TRUE(g_destroyedFlagSet); // the hook could tell it had deleted its worker
            continue;
        }
        EXPECT_EQ(nullptr, worker->StepDestroyedFlag()); // no step under way
        EXPECT_EQ(kStateStopped, worker->GetState()); // ended: no longer running
        EXPECT_FALSE(worker->Start());
        EXPECT_FALSE(worker->Stop());
        delete worker;
    }
}

TEST(Thread, DestructionInEveryStateEndsTheWorkerAfterItsStep) {
    for (int i = 0; i < 80; ++i) {
        const int state = i % 4; // never started, running, stopped, in a slow step
        auto worker = std::make_unique<Worker>();
        worker->sleepMs = state == 3 ? 40 : 0;
        if (state >= 1) worker->Start();
        if (state == 2) worker->Stop();
        EXPECT_TRUE(state != 3 || Eventually([&] { return worker->inStep.load(); }));
        HANDLE thread = worker->GetThreadHandle();
        DWORD exitCode = 0;
        delete static_cast<CaxThread*>(worker.release()); // through the base, as owners do
        EXPECT_EQ(0, g_stepsUnderWay) << "state " << state;
        EXPECT_FALSE(GetExitCodeThread(thread, &exitCode)) << "thread handle left open";
    }
}

// A worker whose events or thread could not be made refuses to start and
// goes without a hang; the injection hits the injecting thread's next object.
TEST(Thread, FailedCreationLeavesAnObjectThatRefusesToStart) {
    using Fault = CaxThread::CreationFault;
    for (Fault fault : {Fault::KillEvent, Fault::DeadEvent, Fault::RunEvent, Fault::StepDoneEvent,
                        Fault::Worker}) {
        CaxThread::InjectCreationFault(fault);
        Worker worker;
        EXPECT_FALSE(worker.IsUsable());
        EXPECT_FALSE(worker.Start());
        EXPECT_EQ(caxthread::kStateConstructed, worker.GetState());
    }
    CaxThread::InjectCreationFault(Fault::Worker);
    std::thread([] { EXPECT_TRUE(Worker().IsUsable()); }).join();
    EXPECT_FALSE(Worker().IsUsable());
}

TEST(Thread, WindowThreadStopsAndDeletesAWorkerBlockedInSendMessageToIt) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    ASSERT_NE(nullptr, window);
    auto worker = std::make_unique<Worker>();
    worker->window = window; // the default owner wait delivers the worker's message
    for (int round = 0; round < 4; ++round) {
        SetWindowTextA(window, "");
        EXPECT_TRUE(worker->Start());
        // This thread pumps nothing here, so the worker stays in SendMessage.
        EXPECT_TRUE(Eventually([&] { return worker->inStep.load(); }));
        Sleep(20);
        EXPECT_EQ(0, GetWindowTextLengthA(window));
        if (round < 3)
            EXPECT_TRUE(worker->Stop());
        else
            worker.reset();
        EXPECT_EQ(4, GetWindowTextLengthA(window)) << round;
    }
    DestroyWindow(window);
}

} // namespace
