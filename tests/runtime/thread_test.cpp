// CaxThread driven the way its subclasses and owners use it: start, stop,
// self-stopping steps, destruction in every state, priorities and traces.
#include "CaxThread.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <memory>

namespace {

using runtime_test::Eventually;

// A worker whose step counts itself, optionally sleeps, and answers what the
// test asks; its destructor ends the worker before its members go.
class CountingWorker : public CaxThread {
public:
    explicit CountingWorker(const char* name = "CountingWorker", unsigned mode = 4,
                            unsigned level = 0)
        : CaxThread(name, 0, mode, level, 0) {}
    ~CountingWorker() override { EndWorker(); }
    BOOL Before() override {
        inStep = true;
        if (stopFromHook) selfStopResult = Stop();
        Sleep(stepSleepMs);
        ++steps;
        inStep = false;
        return keepRunning ? TRUE : FALSE;
    }
    std::atomic<int> steps{0};
    std::atomic<bool> inStep{false};
    std::atomic<bool> keepRunning{true};
    std::atomic<bool> stopFromHook{false};
    std::atomic<BOOL> selfStopResult{-1};
    DWORD stepSleepMs = 1;
};

TEST(Thread, StartAndStopFollowTheStateMachine) {
    CountingWorker worker;
    EXPECT_EQ(25u, worker.GetClassID());
    EXPECT_TRUE(worker.IsClassInSet(caxclass::kLogging));
    EXPECT_EQ("CountingWorker::", std::string(worker.GetPrefix().GetData()));
    EXPECT_EQ(caxthread::kStateConstructed, worker.GetState());
    EXPECT_FALSE(worker.Stop());
    EXPECT_EQ(caxthread::kStateConstructed, worker.GetState());
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(worker.Start());
        EXPECT_FALSE(worker.Start());
        const int before = worker.steps;
        EXPECT_TRUE(Eventually([&] { return worker.steps > before + 2; }));
        EXPECT_TRUE(worker.Stop());
        EXPECT_EQ(caxthread::kStateStopped, worker.GetState());
        // Stop returned after the step in progress: the worker is idle.
        EXPECT_FALSE(worker.inStep);
        const int stopped = worker.steps;
        Sleep(30);
        EXPECT_EQ(stopped, worker.steps);
        EXPECT_FALSE(worker.Stop());
    }
}

TEST(Thread, AStepAnsweringFalseStopsTheRunAfterOneStep) {
    CountingWorker worker;
    worker.keepRunning = false;
    for (int round = 1; round <= 3; ++round) {
        EXPECT_TRUE(worker.Start());
        EXPECT_TRUE(Eventually([&] { return worker.GetState() == caxthread::kStateStopped; }));
        EXPECT_FALSE(worker.Stop());
        Sleep(20);
        EXPECT_EQ(round, worker.steps);
    }
}

TEST(Thread, CallbacksAndTheDefaultHooks) {
    struct Counts {
        std::atomic<int> before{0}, after{0};
    } counts;
    CaxThread thread("CallbackThread", 0, 4, 0, 0);
    // No callback: the default Before ends the run after one step.
    EXPECT_TRUE(thread.Start());
    EXPECT_TRUE(Eventually([&] { return thread.GetState() == caxthread::kStateStopped; }));
    thread.SetBeforeCallback(
        [](void* c) -> BOOL { return ++static_cast<Counts*>(c)->before, TRUE; }, &counts);
    thread.SetAfterCallback(
        [](void* unused, void* c) -> BOOL {
            return unused == nullptr && ++static_cast<Counts*>(c)->after < 3;
        },
        &counts);
    EXPECT_TRUE(thread.Start());
    EXPECT_TRUE(Eventually([&] { return thread.GetState() == caxthread::kStateStopped; }));
    EXPECT_EQ(3, counts.before);
    EXPECT_EQ(3, counts.after);
}

TEST(Thread, StopFromTheWorkersOwnHookDoesNotWaitForItself) {
    CountingWorker worker;
    worker.stopFromHook = true;
    EXPECT_TRUE(worker.Start());
    EXPECT_TRUE(Eventually([&] { return worker.selfStopResult != -1; }));
    EXPECT_EQ(TRUE, worker.selfStopResult);
    EXPECT_TRUE(Eventually([&] { return worker.steps == 1 && !worker.inStep; }));
    EXPECT_EQ(caxthread::kStateStopped, worker.GetState());
    EXPECT_FALSE(worker.Stop());
}

TEST(Thread, PriorityIsAppliedToTheWorker) {
    CountingWorker worker;
    EXPECT_EQ(THREAD_PRIORITY_NORMAL, GetThreadPriority(worker.GetThreadHandle()));
    EXPECT_EQ(1, worker.SetPriority(1));
    EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, GetThreadPriority(worker.GetThreadHandle()));
}

TEST(Thread, DestructionInEveryStateEndsTheWorker) {
    for (int state = 0; state < 4; ++state) {
        auto worker = std::make_unique<CountingWorker>();
        worker->stepSleepMs = state == 3 ? 200 : 1;
        if (state >= 1) {
            worker->Start();
            EXPECT_TRUE(Eventually([&] { return worker->steps > 0 || worker->inStep; }));
        }
        if (state == 2) worker->Stop();
        HANDLE thread = worker->GetThreadHandle();
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(thread, &flags));
        worker.reset();
        EXPECT_FALSE(GetHandleInformation(thread, &flags)) << "state " << state;
    }
}

// The base destructor alone also waits out a slow step.
TEST(Thread, BaseDestructorWaitsForTheStepInProgress) {
    std::atomic<int> finished{0};
    auto thread = std::make_unique<CaxThread>("SlowThread", 0, 4, 0, 0);
    thread->SetBeforeCallback(
        [](void* c) -> BOOL { return Sleep(150), ++*static_cast<std::atomic<int>*>(c), TRUE; },
        &finished);
    thread->Start();
    Sleep(20);
    thread.reset();
    const int atDestruction = finished;
    EXPECT_GE(atDestruction, 1);
    Sleep(200);
    EXPECT_EQ(atDestruction, finished);
}

TEST(Thread, FailedCreationLeavesAnObjectThatRefusesToStart) {
    using Fault = CaxThread::CreationFault;
    for (Fault fault : {Fault::KillEvent, Fault::DeadEvent, Fault::RunEvent, Fault::StepDoneEvent,
                        Fault::Worker}) {
        CaxThread::InjectCreationFault(fault);
        CountingWorker worker;
        EXPECT_FALSE(worker.IsUsable());
        EXPECT_FALSE(worker.Start());
        EXPECT_FALSE(worker.Stop());
        EXPECT_EQ(caxthread::kStateConstructed, worker.GetState());
        EXPECT_EQ(0, worker.steps);
    }
    CountingWorker healthy;
    EXPECT_TRUE(healthy.IsUsable());
}

TEST(Thread, ManyLifeCyclesWithoutAHang) {
    for (int i = 0; i < 150; ++i) {
        CountingWorker worker;
        worker.stepSleepMs = 0;
        worker.keepRunning = (i % 3) != 0;
        worker.Start();
        if (i % 2) worker.Stop();
        if (i % 5 == 0) worker.Start();
    }
}

TEST(Thread, TraceLinesCarryThePrefixAndTheirLevelBits) {
    {
        CountingWorker worker("h4TraceWorker", caxlogging::kModeFile, 1 | 8);
        worker.keepRunning = false;
        worker.Start();
        EXPECT_TRUE(Eventually([&] { return worker.GetState() == caxthread::kStateStopped; }));
    }
    const std::string log = runtime_test::TakeLogFile("h4TraceWorker");
    const char* lines[] = {"Constructor: entered...",
                           "Start: thread started...",
                           "SingleStep: 'Before' returned FALSE, stopping...",
                           "Stop: waiting for last image...",
                           "Stop: thread stopped...",
                           "Destructor: entered...",
                           "Destructor: killing thread...",
                           "Destructor: waiting for thread dead...",
                           "Thread dead...",
                           "Destructor: waiting for thread object...",
                           "Destructor: killing objects...",
                           "Destructor: thread killed..."};
    for (const char* line : lines)
        EXPECT_EQ(1, runtime_test::CountOf(log, line)) << line;
    EXPECT_EQ(12, runtime_test::CountOf(log, "h4TraceWorker::"));
    EXPECT_EQ(0, runtime_test::CountOf(log, "invoking"));
    EXPECT_EQ(0u, log.find("\r\r\n\r\r\n*****")); // the unprefixed banner comes first
}

} // namespace
