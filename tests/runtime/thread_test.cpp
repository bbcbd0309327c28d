// CaxThread driven the way its subclasses and owners use it: start, stop,
// self-stopping steps, destruction in every state, priorities, traces, and a
// window thread that stops and deletes a worker blocked in SendMessage to it.
#include "CaxThread.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using runtime_test::Eventually;

std::atomic<int> g_stepsUnderWay{0}; // of all workers, also deleted ones

// Counts its steps, answers what the test asks and, like every subclass
// should, ends the worker before its own members go.
struct Worker : CaxThread {
    explicit Worker(const char* name = "Worker", unsigned mode = 4, unsigned level = 0)
        : CaxThread(name, 0, mode, level, 0) {}
    ~Worker() override { EndWorker(); }
    // Scribbles over a deleted worker, so that a worker loop still using it fails.
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* memory, std::size_t size) {
        std::memset(memory, 0xDD, size);
        ::operator delete(memory);
    }
    using CaxThread::EndWorker;
    enum class Hook { None, EndsWorker, DeletesWorker };
    BOOL Before() override {
        inStep = true, ++g_stepsUnderWay;
        if (stopFromHook) selfStop = Stop();
        if (window) SendMessageA(window, WM_APP, 0, 0);
        if (gate) WaitForSingleObject(gate, INFINITE);
        Sleep(sleepMs);
        ++steps, inStep = false, --g_stepsUnderWay;
        if (hook == Hook::EndsWorker) EndWorker();
        if (hook != Hook::DeletesWorker) return keepRunning;
        delete this;
        return FALSE;
    }
    bool Stopped() const { return GetState() == caxthread::kStateStopped && !inStep; }
    std::atomic<int> steps{0}, selfStop{-1};
    std::atomic<bool> inStep{false}, keepRunning{true}, stopFromHook{false};
    DWORD sleepMs = 1;
    HWND window = nullptr;
    HANDLE gate = nullptr; // a step waits for it
    Hook hook = Hook::None;
};

TEST(Thread, StartAndStopFollowTheStateMachine) {
    Worker worker;
    EXPECT_EQ(25u, worker.GetClassID());
    EXPECT_STREQ("Worker::", worker.GetPrefix().GetData());
    EXPECT_EQ(THREAD_PRIORITY_NORMAL, GetThreadPriority(worker.GetThreadHandle()));
    EXPECT_FALSE(worker.Stop());
    EXPECT_EQ(caxthread::kStateConstructed, worker.GetState());
    for (int round = 0; round < 3; ++round) {
        if (round == 2) worker.SetOwnerWait(CaxThread::OwnerWait::Plain);
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
    EXPECT_TRUE(worker.Start());
    worker.EndWorker(); // an ended worker never reads as running and stays stopped
    EXPECT_EQ(caxthread::kStateStopped, worker.GetState());
    EXPECT_FALSE(worker.Start());
    EXPECT_FALSE(worker.Stop());
}

TEST(Thread, StartBeforeAFalseStepEndsIsNotUndoneByItsSelfStop) {
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Worker worker;
    worker.keepRunning = false;
    worker.gate = gate;
    EXPECT_TRUE(worker.Start());
    EXPECT_TRUE(Eventually([&] { return worker.inStep.load(); }));
    std::thread owner([&] { EXPECT_TRUE(worker.Stop()); }); // waits for the held step
    EXPECT_TRUE(Eventually([&] { return worker.GetState() == caxthread::kStateStopped; }));
    EXPECT_TRUE(worker.Start());
    SetEvent(gate);
    owner.join();
    // The held step answers FALSE but belongs to the earlier run: the new run
    // gets its own step, which then ends it.
    EXPECT_TRUE(Eventually([&] { return worker.steps == 2 && worker.Stopped(); }));
    Sleep(20);
    EXPECT_EQ(2, worker.steps);
    CloseHandle(gate);
}

TEST(Thread, AHookMayEndOrDeleteItsOwnWorkerWithoutWaitingForItself) {
    for (Worker::Hook hook : {Worker::Hook::DeletesWorker, Worker::Hook::EndsWorker}) {
        auto* worker = new Worker;
        worker->hook = hook;
        HANDLE thread = nullptr;
        DuplicateHandle(GetCurrentProcess(), worker->GetThreadHandle(), GetCurrentProcess(),
                        &thread, SYNCHRONIZE, FALSE, 0);
        EXPECT_TRUE(worker->Start());
        // The thread leaves on its own and never touches the deleted object.
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
        CloseHandle(thread);
        if (hook == Worker::Hook::DeletesWorker) continue;
        EXPECT_EQ(1, worker->steps);
        EXPECT_EQ(caxthread::kStateStopped, worker->GetState());
        EXPECT_FALSE(worker->Start());
        delete worker;
    }
}

TEST(Thread, HooksAnsweringFalseOrStoppingEndTheRunAfterOneStep) {
    Worker worker;
    worker.keepRunning = false;
    for (int round = 1; round <= 2; ++round) {
        EXPECT_TRUE(worker.Start());
        EXPECT_TRUE(Eventually([&] { return worker.Stopped(); }));
        EXPECT_FALSE(worker.Stop());
        EXPECT_EQ(round, worker.steps);
    }
    worker.keepRunning = worker.stopFromHook = true; // Stop on the worker: no wait for itself
    EXPECT_TRUE(worker.Start());
    EXPECT_TRUE(Eventually([&] { return worker.Stopped(); }));
    EXPECT_EQ(TRUE, worker.selfStop);
    Sleep(20);
    EXPECT_EQ(3, worker.steps);

    // Callbacks: Before counts, After ends the run at the third step.
    static std::atomic<int> calls{0};
    CaxThread plain("Plain", 0, 4, 0, 0);
    plain.SetBeforeCallback([](void* c) -> BOOL { return c == &calls && ++calls; }, &calls);
    plain.SetAfterCallback([](void* unused, void*) -> BOOL { return !unused && calls < 3; },
                           nullptr);
    EXPECT_TRUE(plain.Start());
    EXPECT_TRUE(Eventually([&] { return plain.GetState() == caxthread::kStateStopped; }));
    EXPECT_EQ(3, calls);
    plain.SetBeforeCallback(nullptr, nullptr); // the default Before then ends the run at once
    EXPECT_TRUE(plain.Start());
    EXPECT_TRUE(Eventually([&] { return plain.GetState() == caxthread::kStateStopped; }));
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
        EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
        delete static_cast<CaxThread*>(worker.release()); // through the base, as owners do
        EXPECT_EQ(0, g_stepsUnderWay) << "state " << state;
        EXPECT_FALSE(GetExitCodeThread(thread, &exitCode)) << "thread handle left open";
    }
}

TEST(Thread, FailedCreationLeavesAnObjectThatRefusesToStart) {
    using Fault = CaxThread::CreationFault;
    for (Fault fault : {Fault::KillEvent, Fault::DeadEvent, Fault::RunEvent, Fault::StepDoneEvent,
                        Fault::Worker}) {
        CaxThread::InjectCreationFault(fault);
        Worker worker;
        EXPECT_FALSE(worker.IsUsable());
        EXPECT_FALSE(worker.Start());
        EXPECT_FALSE(worker.Stop());
        EXPECT_EQ(0, worker.steps);
    }
    // The injection hits the next object of the injecting thread only.
    CaxThread::InjectCreationFault(Fault::Worker);
    std::thread([] { EXPECT_TRUE(Worker().IsUsable()); }).join();
    EXPECT_FALSE(Worker().IsUsable());
    EXPECT_TRUE(Worker().IsUsable());
}

TEST(Thread, TraceLinesCarryThePrefixAndTheirLevelBits) {
    {
        Worker worker("h4TraceWorker", caxlogging::kModeFile, 1 | 8);
        worker.keepRunning = false;
        worker.Start();
        EXPECT_TRUE(Eventually([&] { return worker.Stopped(); }));
    }
    const std::string log = runtime_test::TakeLogFile("h4TraceWorker");
    const char* lines[] = {"Constructor: entered",
                           "Start: thread started",
                           "SingleStep: 'Before' returned FALSE, stopping",
                           "Stop: waiting for last image",
                           "Stop: thread stopped",
                           "Destructor: entered",
                           "Destructor: killing thread",
                           "Destructor: waiting for thread dead",
                           "Thread dead",
                           "Destructor: waiting for thread object",
                           "Destructor: killing objects",
                           "Destructor: thread killed"};
    for (const char* line : lines)
        EXPECT_EQ(1, runtime_test::CountOf(log, std::string(line) + "...\r\r\n")) << line;
    EXPECT_EQ(12, runtime_test::CountOf(log, "h4TraceWorker::"));
    EXPECT_EQ(0, runtime_test::CountOf(log, "invoking")); // level 16 is off
}

std::atomic<int> g_handled{0};

TEST(Thread, WindowThreadStopsAndDeletesAWorkerBlockedInSendMessageToIt) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return m == WM_APP ? (++g_handled, 0) : DefWindowProcA(w, m, wp, lp);
    };
    windowClass.lpszClassName = "h4HandOff";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "h4HandOff", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    ASSERT_NE(nullptr, window);
    auto worker = std::make_unique<Worker>();
    worker->window = window; // the default owner wait delivers the worker's message
    for (int round = 0; round < 4; ++round) {
        EXPECT_TRUE(worker->Start());
        // This thread pumps nothing here, so the worker stays in SendMessage.
        EXPECT_TRUE(Eventually([&] { return worker->inStep.load(); }));
        Sleep(20);
        const int before = g_handled;
        if (round < 3)
            EXPECT_TRUE(worker->Stop());
        else
            worker.reset();
        EXPECT_EQ(before + 1, g_handled);
    }
    DestroyWindow(window);
}

} // namespace
