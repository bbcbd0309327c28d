// Listeners and togglers of a control without a window, as a script host or
// an automation client holds it: with "Global AsyncACQ Enabled" set they fire
// their events on their own threads, otherwise their reports are dropped.
// Results of every worker member, events with their arguments, counts and
// threads, stops from inside handlers, read failures, pulses, and teardown.
#include "ControlTestSupport.h"
#include "MessageLoop.h"

#include <atomic>
#include <map>
#include <optional>

using namespace hxtest;

namespace {

class Workers : public ControlTest {
protected:
    void SetUp() override {
        threadsBefore = ThreadCount();
        ControlTest::SetUp();
    }
    void TearDown() override {
        ControlTest::TearDown();
        EXPECT_TRUE(Eventually([&] { return ThreadCount() <= threadsBefore; }))
            << "worker threads left: " << ThreadCount() - threadsBefore;
    }
    // The control made again after the settings changed.
    void UseSettings(std::initializer_list<std::pair<const char*, DWORD>> values) {
        settings.emplace(values);
        RecreateControl();
    }
    LONGLONG Create(DISPID id, std::vector<Var> args) {
        const CallResult r = Method(control, id, args);
        EXPECT_EQ(S_OK, r.hr);
        EXPECT_EQ(VT_I8, r.value.v.vt);
        return r.value.v.llVal;
    }
    // A worker member's BOOL answer.
    bool Call(DISPID id, LONGLONG handle) {
        const CallResult r = Method(control, id, {I8(handle)});
        EXPECT_EQ(S_OK, r.hr);
        EXPECT_EQ(VT_BOOL, r.value.v.vt);
        return r.value.v.boolVal != VARIANT_FALSE;
    }
    std::vector<FiredEvent> EventsOf(DISPID id) const {
        std::vector<FiredEvent> found;
        for (const FiredEvent& e : sink->Events())
            if (e.dispid == id) found.push_back(e);
        return found;
    }
    // Waits until no call of the operation has been made for a while: the
    // workers that make it have stopped (a step that ends its run may still
    // be finishing when its event has arrived).
    static bool Quiet(int32_t operation) {
        return Eventually([operation] {
            const int64_t before = HXKSimTotalCallCount(operation);
            Sleep(40);
            return HXKSimTotalCallCount(operation) == before;
        });
    }
    // The output line's driver writes so far, oldest first.
    std::vector<int32_t> Writes(HXKIMAGE image, int32_t line) {
        int32_t levels[16] = {};
        const int32_t total = HXKSimOutputWrites(image, line, levels, 16);
        return std::vector<int32_t>(levels, levels + std::min(total, 16));
    }

    int threadsBefore = 0;
    std::optional<ToolkitSettings> settings;
};

TEST_F(Workers, CreatingWithoutAnImageGivesNoWorkerAndNoEvent) {
    EXPECT_EQ(0, Create(idBitListenerCreate, {I4(0), I4(1), I4(1)}));
    EXPECT_EQ(0, Create(idDWORDListenerCreate, {I4(0), I4(1), I4(1)}));
    EXPECT_EQ(0, Create(idBitTogglerCreate, {I4(0), I4(1)}));
    EXPECT_TRUE(sink->Events().empty());
}

TEST_F(Workers, HandlesThisControlDidNotMakeOrAlreadyDestroyedAnswerFalse) {
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    const LONGLONG listener = Create(idBitListenerCreate, {I4(0), I4(1), I4(5)});
    const LONGLONG toggler = Create(idBitTogglerCreate, {I4(0), I4(1)});
    ASSERT_NE(0, listener);
    ASSERT_NE(0, toggler);
    EXPECT_EQ(4, HXKSimImageRefCount(image.image)); // the test's, the control's, each worker's
    for (LONGLONG bogus : {LONGLONG{0}, LONGLONG{12345}, listener + 8, -1LL}) {
        EXPECT_FALSE(Call(idBitListenerStart, bogus)) << bogus;
        EXPECT_FALSE(Call(idBitListenerStop, bogus)) << bogus;
        EXPECT_FALSE(Call(idBitListenerDestroy, bogus)) << bogus;
        EXPECT_FALSE(Call(idBitTogglerDestroy, bogus)) << bogus;
    }
    EXPECT_FALSE(Call(idBitTogglerDestroy, listener)); // a listener is no toggler
    EXPECT_FALSE(Call(idBitListenerDestroy, toggler)); // nor the other way round
    EXPECT_FALSE(Call(idDWORDListenerStop, toggler));  // togglers stop themselves
    EXPECT_TRUE(Call(idDWORDListenerDestroy, listener)); // either kind, either method
    EXPECT_FALSE(Call(idBitListenerDestroy, listener));
    EXPECT_FALSE(Call(idBitListenerStart, listener));
    EXPECT_FALSE(Call(idBitListenerStop, listener));
    EXPECT_EQ(3, HXKSimImageRefCount(image.image));
    EXPECT_TRUE(Call(idBitTogglerDestroy, toggler));
    EXPECT_EQ(2, HXKSimImageRefCount(image.image));
}

TEST_F(Workers, ListenersFireOnTheirOwnThreadForAsLongAsTheInputHoldsTheValue) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    const LONGLONG listener = Create(idBitListenerCreate, {I4(3), I4(5), I4(1)}); // 5: wait for HI
    EXPECT_EQ(0u, sink->Count(evListener)); // not started: nothing polls
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE));
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    EXPECT_TRUE(Call(idBitListenerStart, listener)); // running already: still TRUE
    EXPECT_TRUE(Eventually([&] { return HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE) > 5; }));
    EXPECT_EQ(0u, sink->Count(evListener)); // LO is not what it waits for
    HXKSimSetInput(image.image, 3, 1);
    ASSERT_TRUE(Eventually([&] { return sink->Count(evListener) >= 5; }));
    EXPECT_TRUE(Call(idBitListenerStop, listener));
    const size_t fired = sink->Count(evListener);
    Sleep(50);
    EXPECT_EQ(fired, sink->Count(evListener)); // stopped means stopped
    EXPECT_TRUE(Call(idBitListenerStop, listener)); // stopped already: still TRUE
    for (const FiredEvent& e : EventsOf(evListener)) {
        ASSERT_EQ(3u, e.args.size());
        EXPECT_EQ(listener, e.args[0].v.llVal);
        EXPECT_EQ(3, e.args[1].v.lVal);
        EXPECT_EQ(1, e.args[2].v.lVal);
        EXPECT_NE(GetCurrentThreadId(), e.thread); // the listener's thread
    }
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(Workers, DwordListenersCompareTheWholeGroup) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage image(40, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    const LONGLONG listener =
        Create(idDWORDListenerCreate, {I4(1), I4(0x81), I4(0)}); // lines 32 and 39
    EXPECT_TRUE(Call(idDWORDListenerStart, listener));
    HXKSimSetInput(image.image, 32, 1);
    Sleep(30);
    EXPECT_EQ(0u, sink->Count(evListener)); // one bit short
    HXKSimSetInput(image.image, 39, 1);
    ASSERT_TRUE(Eventually([&] { return sink->Count(evListener) >= 2; }));
    EXPECT_EQ(0x81, EventsOf(evListener)[0].args[2].v.lVal); // the whole group as read
    EXPECT_TRUE(Call(idDWORDListenerStop, listener));
    EXPECT_TRUE(Call(idDWORDListenerDestroy, listener));
}

TEST_F(Workers, AHandlerOnTheListenersThreadStopsItWithoutWaitingForItself) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 2, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(2), I4(1), I4(0)});
    std::atomic<int> stopsAnswered{0};
    sink->onEvent = [&](const FiredEvent& e) {
        if (e.dispid == evListener && Call(idBitListenerStop, listener)) ++stopsAnswered;
    };
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(Eventually([&] { return stopsAnswered >= 1; }));
    Sleep(50);
    EXPECT_EQ(1u, sink->Count(evListener)); // the step with the stop was its last
    EXPECT_TRUE(Call(idBitListenerStart, listener)); // and it starts again
    ASSERT_TRUE(Eventually([&] { return stopsAnswered >= 2; }));
    sink->onEvent = nullptr;
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(Workers, AReadFailureStopsTheListenerUnlessTheHandlerSaysContinue) {
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetFault(image.image, HXKSIM_OP_READ_INPUT_LINE, 4, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(4), I4(1), I4(1)});
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(Eventually([&] { return sink->Count(evHXKError) == 1; }));
    ASSERT_TRUE(Quiet(HXKSIM_OP_READ_INPUT_LINE));
    ASSERT_EQ(1u, sink->Count(evHXKError)); // Continue stayed FALSE: stopped
    const FiredEvent error = EventsOf(evHXKError)[0];
    EXPECT_EQ(14, error.args[0].v.lVal);
    EXPECT_EQ("Couldn't read port!", Narrow(error.args[1].v.bstrVal));
    EXPECT_EQ(VARIANT_FALSE, error.args[2].v.boolVal); // preset FALSE, left so
    EXPECT_NE(GetCurrentThreadId(), error.thread);
    EXPECT_TRUE(Call(idBitListenerStart, listener)); // polls again, fails again
    ASSERT_TRUE(Eventually([&] { return sink->Count(evHXKError) == 2; }));
    ASSERT_TRUE(Quiet(HXKSIM_OP_READ_INPUT_LINE));

    sink->continueAnswer = 1; // now it keeps polling through the failures
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(Eventually([&] { return sink->Count(evHXKError) >= 6; }));
    EXPECT_TRUE(Call(idBitListenerStop, listener));
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(Workers, WithoutAWindowOrDirectFiringReportsAreDroppedAndPollingGoesOn) {
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 0, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(0), I4(1), I4(0)});
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    EXPECT_TRUE(Eventually([&] { return HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE) > 20; }));
    EXPECT_EQ(0u, sink->Count(evListener));
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(Workers, TogglersPulseFromTheLevelTheyFindAndReportIt) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetOutput(image.image, 6, 1);
    const LONGLONG low = Create(idBitTogglerCreate, {I4(5), I4(30)});
    const LONGLONG high = Create(idBitTogglerCreate, {I4(6), I4(0)});
    EXPECT_TRUE(Call(idBitTogglerStart, low));
    EXPECT_TRUE(Call(idBitTogglerStart, low)); // during the pulse: no second one
    EXPECT_TRUE(Call(idBitTogglerStart, high));
    ASSERT_TRUE(Eventually([&] { return sink->Count(evToggler) == 2; }));
    Sleep(60);
    EXPECT_EQ(2u, sink->Count(evToggler));
    EXPECT_EQ((std::vector<int32_t>{1, 0}), Writes(image.image, 5)); // LO-HI-LO
    EXPECT_EQ((std::vector<int32_t>{0, 1}), Writes(image.image, 6)); // HI-LO-HI
    std::map<LONGLONG, long> values;
    for (const FiredEvent& e : EventsOf(evToggler)) {
        EXPECT_EQ(e.args[0].v.llVal == low ? 5 : 6, e.args[1].v.lVal);
        values[e.args[0].v.llVal] = e.args[2].v.lVal;
        EXPECT_NE(GetCurrentThreadId(), e.thread);
    }
    EXPECT_EQ((std::map<LONGLONG, long>{{low, 0}, {high, 1}}), values); // the level restored
    EXPECT_TRUE(Call(idBitTogglerStart, low)); // the next pulse
    ASSERT_TRUE(Eventually([&] { return sink->Count(evToggler) == 3; }));
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), Writes(image.image, 5));
    EXPECT_TRUE(Call(idBitTogglerDestroy, low));
    EXPECT_TRUE(Call(idBitTogglerDestroy, high));
}

TEST_F(Workers, AFailedReadBackPulsesOnlyWhenTheHandlerSaysContinue) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetFault(image.image, HXKSIM_OP_READ_OUTPUT_LINE, 1, 1);
    const LONGLONG toggler = Create(idBitTogglerCreate, {I4(1), I4(0)});
    EXPECT_TRUE(Call(idBitTogglerStart, toggler));
    ASSERT_TRUE(Eventually([&] { return sink->Count(evHXKError) == 1; }));
    ASSERT_TRUE(Quiet(HXKSIM_OP_READ_OUTPUT_LINE));
    EXPECT_TRUE(Writes(image.image, 1).empty());
    EXPECT_EQ(0u, sink->Count(evToggler));
    sink->continueAnswer = 1; // nothing read: the line is taken as HI
    EXPECT_TRUE(Call(idBitTogglerStart, toggler));
    ASSERT_TRUE(Eventually([&] { return sink->Count(evToggler) == 1; }));
    EXPECT_EQ((std::vector<int32_t>{0, 1}), Writes(image.image, 1));
    EXPECT_EQ(1, EventsOf(evToggler)[0].args[2].v.lVal);
    EXPECT_TRUE(Call(idBitTogglerDestroy, toggler));
}

// Pulse lengths measured from the simulator's write times: at least Delay in
// both timing modes (the upper bound is generous: machines are shared).
TEST_F(Workers, PulsesHoldForDelayWithSleepOrTheStopwatch) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (DWORD useHPC : {0u, 1u}) {
        UseSettings({{"Global AsyncACQ Enabled", 1}, {"DigIO via HPC", useHPC}});
        SimImage image(2, 2);
        ASSERT_EQ(S_OK, Bind(image.Handle()));
        const LONGLONG toggler = Create(idBitTogglerCreate, {I4(0), I4(40)});
        const size_t pulses = sink->Count(evToggler);
        EXPECT_TRUE(Call(idBitTogglerStart, toggler));
        ASSERT_TRUE(Eventually([&] { return sink->Count(evToggler) == pulses + 1; })) << useHPC;
        int64_t times[2] = {};
        ASSERT_EQ(2, HXKSimOutputWriteTimes(image.image, 0, times, 2));
        const double held = static_cast<double>(times[1] - times[0]) * 1000.0 /
                            static_cast<double>(frequency.QuadPart);
        EXPECT_GE(held, useHPC ? 39.9 : 35.0) << "HPC " << useHPC; // Sleep may wake a tick early
        EXPECT_LT(held, 2000.0) << "HPC " << useHPC;
        EXPECT_TRUE(Call(idBitTogglerDestroy, toggler));
        ASSERT_EQ(S_OK, Bind(0));
    }
}

TEST_F(Workers, RebindingLeavesEveryWorkerOnItsOwnImage) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage first(4, 4), second(4, 4);
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    const LONGLONG listener = Create(idBitListenerCreate, {I4(1), I4(1), I4(1)});
    ASSERT_EQ(S_OK, Bind(second.Handle()));
    EXPECT_EQ(2, HXKSimImageRefCount(first.image)); // the test's and the listener's
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    HXKSimSetInput(second.image, 1, 1);
    Sleep(30);
    EXPECT_EQ(0u, sink->Count(evListener));
    HXKSimSetInput(first.image, 1, 1);
    ASSERT_TRUE(Eventually([&] { return sink->Count(evListener) > 0; }));
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
    EXPECT_EQ(1, HXKSimImageRefCount(first.image));
}

// The control goes with its workers running, reporting and pulsing: every
// thread ends and every reference goes (checked by TearDown too). A worker
// firing an event holds a reference of its own, so the control may go on
// that worker's thread, a moment after the container let go.
TEST_F(Workers, TheControlTakesRunningWorkersWithIt) {
    UseSettings({{"Global AsyncACQ Enabled", 1}});
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 0, 1);
    for (int i = 0; i < 4; ++i) {
        Call(idBitListenerStart, Create(idBitListenerCreate, {I4(0), I4(1), I4(0)}));
        Call(idBitListenerStart, Create(idBitListenerCreate, {I4(1), I4(1), I4(1000000)}));
        Call(idBitTogglerStart, Create(idBitTogglerCreate, {I4(i), I4(100000)}));
    }
    ASSERT_TRUE(Eventually([&] { return sink->Count(evListener) > 20; }));
    Disconnect();
    control.reset(); // long pauses and holds are cut short, not waited out
    ASSERT_TRUE(Eventually([&] { return HXKSimImageRefCount(image.image) == 1; }));
    EXPECT_TRUE(Eventually([&] { return module.Call("DllCanUnloadNow") == S_OK; }));
    const size_t fired = sink->Count(evListener);
    Sleep(30);
    EXPECT_EQ(fired, sink->Count(evListener));
    for (int32_t line = 0; line < 4; ++line) {
        int32_t level = -1;
        HXKSimGetOutput(image.image, line, &level);
        EXPECT_EQ(0, level) << line; // every pulse was finished
    }
}

} // namespace
