// Listeners and togglers of a control on a form: their reports handed to the
// window thread and fired there, and every stop and destroy that could wait
// on a thread waiting for it: from inside handlers on the window thread, from
// other code on the window thread while workers hand off, from a handler on
// a worker's own thread, in mid-pulse, and with the control or its window
// going while workers run. Each test ends with no worker thread, image
// reference or window of the control left.
#include "ControlTestSupport.h"
#include "MessageLoop.h"
#include "OleTestContainer.h"

#include <atomic>
#include <optional>
#include <stdexcept>

using namespace hxtest;

namespace {

class HandOff : public ControlTest {
protected:
    void SetUp() override {
        threadsBefore = ThreadCount();
        ControlTest::SetUp();
        image.emplace(8, 8);
        ASSERT_EQ(S_OK, container.Place(control.get()));
        ASSERT_NE(nullptr, window = container.ControlWindow());
        ASSERT_EQ(S_OK, Bind(image->Handle()));
    }
    void TearDown() override {
        container.Remove();
        EXPECT_FALSE(IsWindow(window));
        if (control) ReleaseControl();
        image.reset();
        ControlTest::TearDown();
        EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threadsBefore; }))
            << "worker threads left: " << ThreadCount() - threadsBefore;
    }
    // The control made again with direct firing set, placed and bound.
    void PlaceDirectFiringControl() {
        container.Remove();
        {
            ToolkitSettings direct({{"Global AsyncACQ Enabled", 1}});
            RecreateControl();
        }
        ASSERT_EQ(S_OK, container.Place(control.get()));
        ASSERT_NE(nullptr, window = container.ControlWindow());
        ASSERT_EQ(S_OK, Bind(image->Handle()));
    }
    LONGLONG Create(DISPID id, std::vector<Var> args) {
        const CallResult r = Method(control, id, args);
        EXPECT_EQ(VT_I8, r.value.v.vt);
        return r.value.v.llVal;
    }
    bool Call(DISPID id, LONGLONG handle) {
        const CallResult r = Method(control, id, {I8(handle)});
        EXPECT_EQ(S_OK, r.hr);
        return r.value.v.vt == VT_BOOL && r.value.v.boolVal != VARIANT_FALSE;
    }
    size_t CountFor(DISPID id, LONGLONG handle) const {
        size_t n = 0;
        for (const FiredEvent& e : sink->Events())
            n += e.dispid == id && !e.args.empty() && e.args[0].v.llVal == handle;
        return n;
    }

    int threadsBefore = 0;
    TestContainer container;
    HWND window = nullptr;
    std::optional<SimImage> image;
};

TEST_F(HandOff, ReportsArriveOnTheWindowThreadOnlyWhileItHandlesMessages) {
    HXKSimSetInput(image->image, 1, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(1), I4(1), I4(0)});
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    Sleep(50); // this thread handles nothing: the listener waits in its hand-off
    EXPECT_EQ(0u, sink->Count(evListener));
    ASSERT_TRUE(PumpUntil([&] { return sink->Count(evListener) >= 10; }));
    for (const FiredEvent& e : sink->Events()) {
        if (e.dispid != evListener) continue;
        EXPECT_EQ(GetCurrentThreadId(), e.thread);
        EXPECT_EQ(listener, e.args[0].v.llVal);
        EXPECT_EQ(1, e.args[1].v.lVal);
        EXPECT_EQ(1, e.args[2].v.lVal);
    }
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(HandOff, StopInsideTheHandlerReturnsAtOnceAndTakesEffectAfterIt) {
    HXKSimSetInput(image->image, 2, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(2), I4(1), I4(0)});
    int handled = 0;
    sink->onEvent = [&](const FiredEvent& e) {
        if (e.dispid != evListener || handled++ > 0) return;
        EXPECT_TRUE(Call(idBitListenerStop, listener)); // posted: returns at once
    };
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(PumpUntil([&] { return handled >= 1; }));
    // However fast the listener reports (Delay 0), nothing more is fired
    // after the Stop, though the posted stop waits behind its reports.
    PumpFor(100);
    EXPECT_EQ(1u, sink->Count(evListener));
    const size_t fired = sink->Count(evListener);
    PumpFor(60);
    EXPECT_EQ(fired, sink->Count(evListener)); // stopped
    EXPECT_TRUE(Call(idBitListenerStart, listener)); // and it runs again
    ASSERT_TRUE(PumpUntil([&] { return sink->Count(evListener) > fired; }));
    sink->onEvent = nullptr;
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(HandOff, DestroyInsideTheWorkersOwnHandlerNeitherWaitsNorReportsAgain) {
    HXKSimSetInput(image->image, 3, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(3), I4(1), I4(0)});
    const LONGLONG toggler = Create(idBitTogglerCreate, {I4(4), I4(5)});
    std::vector<bool> answers;
    sink->onEvent = [&](const FiredEvent& e) {
        if (e.dispid == evListener) answers.push_back(Call(idDWORDListenerDestroy, e.args[0].v.llVal));
        if (e.dispid == evToggler) answers.push_back(Call(idBitTogglerDestroy, e.args[0].v.llVal));
    };
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    EXPECT_TRUE(Call(idBitTogglerStart, toggler));
    ASSERT_TRUE(PumpUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ((std::vector<bool>{true, true}), answers);
    // Each worker is deleted once its hand-off is answered: both references go.
    ASSERT_TRUE(PumpUntil([&] { return HXKSimImageRefCount(image->image) == 2; }));
    PumpFor(60);
    EXPECT_EQ(1u, CountFor(evListener, listener));
    EXPECT_EQ(1u, CountFor(evToggler, toggler));
    EXPECT_FALSE(Call(idBitListenerStart, listener));
    EXPECT_FALSE(Call(idBitTogglerStart, toggler));
}

TEST_F(HandOff, StopAndDestroyFromOtherCodeWhileWorkersWaitInTheirHandOff) {
    HXKSimSetInput(image->image, 0, 1);
    const LONGLONG stopped = Create(idBitListenerCreate, {I4(0), I4(1), I4(0)});
    const LONGLONG destroyed = Create(idBitListenerCreate, {I4(0), I4(1), I4(0)});
    const LONGLONG pulsing = Create(idBitTogglerCreate, {I4(6), I4(0)});
    for (LONGLONG worker : {stopped, destroyed, pulsing})
        EXPECT_TRUE(Call(idBitListenerStart, worker));
    Sleep(60); // all three now wait for this thread
    EXPECT_TRUE(Call(idBitListenerStop, stopped)); // posted: done once messages are handled
    // Waiting for the destroyed listener's thread, this thread handles the
    // reports sent meanwhile: the others' (the pulse's among them, which is
    // not destroyed yet), never the destroyed listener's own.
    EXPECT_TRUE(Call(idBitListenerDestroy, destroyed));
    EXPECT_TRUE(Call(idBitTogglerDestroy, pulsing));
    EXPECT_EQ(0u, CountFor(evListener, destroyed));
    EXPECT_LE(CountFor(evToggler, pulsing), 1u);
    int32_t restored = -1;
    HXKSimGetOutput(image->image, 6, &restored);
    EXPECT_EQ(0, restored); // the pulse was finished
    PumpFor(100); // the posted stop
    // Its reports handled after the Stop fired nothing, however many came
    // before the posted stop.
    EXPECT_EQ(0u, CountFor(evListener, stopped));
    EXPECT_EQ(0u, CountFor(evListener, destroyed));
    EXPECT_TRUE(Call(idBitListenerStart, stopped)); // and it runs again
    ASSERT_TRUE(PumpUntil([&] { return CountFor(evListener, stopped) > 0; }));
    EXPECT_TRUE(Call(idBitListenerDestroy, stopped));
}

TEST_F(HandOff, AnErrorHandlerOnTheListenersThreadStopsIt) {
    HXKSimSetFault(image->image, HXKSIM_OP_READ_INPUT_LINE, 5, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(5), I4(1), I4(0)});
    std::atomic<int> errors{0};
    sink->onEvent = [&](const FiredEvent& e) {
        if (e.dispid != evHXKError) return;
        ++errors;
        EXPECT_TRUE(Call(idBitListenerStop, listener)); // on the worker: no wait for itself
    };
    sink->continueAnswer = 1; // it would go on, but the handler stops it
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(PumpUntil([&] { return errors >= 1; }));
    PumpFor(80);
    EXPECT_EQ(1, errors.load());
    sink->onEvent = nullptr;
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

TEST_F(HandOff, ALongPulseOrPauseIsCutShortByDestroyAndTheLineRestored) {
    HXKSimSetOutput(image->image, 7, 1);
    const LONGLONG toggler = Create(idBitTogglerCreate, {I4(7), I4(600000)});
    const LONGLONG listener = Create(idBitListenerCreate, {I4(0), I4(1), I4(600000)});
    EXPECT_TRUE(Call(idBitTogglerStart, toggler));
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(PumpUntil([&] { return HXKSimOutputWrites(image->image, 7, nullptr, 0) == 1; }));
    const DWORD before = GetTickCount();
    EXPECT_TRUE(Call(idBitTogglerDestroy, toggler));
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
    EXPECT_LT(GetTickCount() - before, 10000u); // not the ten minutes of the delays
    int32_t level = -1;
    HXKSimGetOutput(image->image, 7, &level);
    EXPECT_EQ(1, level);
    EXPECT_EQ(0u, sink->Count(evToggler));
}

TEST_F(HandOff, AHandlersExceptionIsDroppedAndReportsGoOn) {
    HXKSimSetInput(image->image, 1, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(1), I4(1), I4(0)});
    sink->onEvent = [](const FiredEvent& e) {
        if (e.dispid == evListener) throw std::runtime_error("a container's handler failed");
    };
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(PumpUntil([&] { return sink->Count(evListener) >= 5; }));
    sink->onEvent = nullptr;
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

// The window goes first (the container deactivates the control) while
// workers hand off, then the control: reports are dropped once the window is
// gone, and the control takes its workers with it.
TEST_F(HandOff, TheWindowAndThenTheControlGoWhileWorkersRun) {
    HXKSimSetInput(image->image, 0, 1);
    for (int i = 0; i < 3; ++i) {
        Call(idBitListenerStart, Create(idBitListenerCreate, {I4(0), I4(1), I4(0)}));
        Call(idBitTogglerStart, Create(idBitTogglerCreate, {I4(i), I4(200)}));
    }
    ASSERT_TRUE(PumpUntil([&] { return sink->Count(evListener) > 10; }));
    container.Remove();
    EXPECT_FALSE(IsWindow(window));
    const size_t fired = sink->Count(evListener);
    PumpFor(60);
    EXPECT_EQ(fired, sink->Count(evListener)); // dropped without the window
    ReleaseControl();
    EXPECT_EQ(1, HXKSimImageRefCount(image->image));
}

// A handler lets go of the container's last reference to the control: the
// control outlives the report's handling, then goes with its workers.
TEST_F(HandOff, TheControlsLastReferenceGoesInsideAHandler) {
    HXKSimSetInput(image->image, 2, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(2), I4(1), I4(0)});
    Call(idBitTogglerStart, Create(idBitTogglerCreate, {I4(3), I4(50)}));
    bool released = false;
    sink->onEvent = [&](const FiredEvent& e) {
        if (e.dispid != evListener || released) return;
        released = true;
        container.Remove();
        Disconnect();
        control.reset();
    };
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(PumpUntil([&] { return released; }));
    EXPECT_TRUE(PumpUntil([&] { return HXKSimImageRefCount(image->image) == 1; }));
    EXPECT_FALSE(IsWindow(window));
}

// A container that lets go of an active control without closing it, while a
// worker fires on its own thread: the last release comes on that thread,
// and the window's own thread takes the window and the control down.
TEST_F(HandOff, ALastReleaseOnAWorkersThreadLeavesTheWindowToItsOwnThread) {
    ASSERT_NO_FATAL_FAILURE(PlaceDirectFiringControl());
    HXKSimSetInput(image->image, 6, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(6), I4(1), I4(1)});
    const hx::unique_handle entered(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const hx::unique_handle released(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::atomic<DWORD> firingThread{0};
    sink->onEvent = [&](const FiredEvent& e) {
        if (e.dispid != evListener || firingThread.exchange(e.thread) != 0) return;
        SetEvent(entered.get());
        WaitForSingleObject(released.get(), 20000); // the control's own reference holds it
    };
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered.get(), 20000));
    // The container drops everything it holds, without Close.
    container.site->inPlace = nullptr;
    container.inPlace.reset();
    container.control.reset();
    Disconnect();
    control.reset();
    EXPECT_TRUE(IsWindow(window));
    SetEvent(released.get());
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
    EXPECT_TRUE(PumpUntil([&] { return HXKSimImageRefCount(image->image) == 1; }));
    EXPECT_NE(GetCurrentThreadId(), firingThread.load());
    sink->onEvent = nullptr;
}

// With direct firing set, a control on a form fires on the workers' threads
// until its window goes; then it reports through the window, which is gone.
TEST_F(HandOff, DirectFiringEndsWithTheWindow) {
    ASSERT_NO_FATAL_FAILURE(PlaceDirectFiringControl());
    HXKSimSetInput(image->image, 4, 1);
    const LONGLONG listener = Create(idBitListenerCreate, {I4(4), I4(1), I4(1)});
    EXPECT_TRUE(Call(idBitListenerStart, listener));
    ASSERT_TRUE(PumpUntil([&] { return sink->Count(evListener) >= 3; }));
    for (const FiredEvent& e : sink->Events()) {
        if (e.dispid == evListener) {
            EXPECT_NE(GetCurrentThreadId(), e.thread);
        }
    }
    container.Remove(); // WM_DESTROY clears direct firing
    PumpFor(30);
    const size_t fired = sink->Count(evListener);
    PumpFor(60);
    EXPECT_EQ(fired, sink->Count(evListener));
    EXPECT_TRUE(Call(idBitListenerDestroy, listener));
}

} // namespace
