// CWorkerPort: what the control's two kinds of worker share. Each is a worker
// thread of its own that reads or writes one line (or port group) of the
// image it was made with, holding its own reference on that image, and
// reports to the control that made it. The control keeps the bookkeeping of
// each worker's life here too (see HXdigIOWorkers.cpp for the rules).
#pragma once

#include "CaxThread.h"
#include "HXKImageRef.h"
#include "hx/win32_owners.h"

#include <atomic>
#include <cstdint>

class CHXdigIOCtrl;

class CWorkerPort : public CaxThread {
public:
    ~CWorkerPort() override;

    // The handle containers name the worker by: the object's address.
    LONGLONG GetHandle() const { return static_cast<LONGLONG>(reinterpret_cast<intptr_t>(this)); }

    // Starts a run (Start); a wake-up of the run before is not carried over.
    BOOL StartRun();
    // Cuts a pause (a listener's Delay, a toggler's hold) short, so that a
    // stop or the destruction need not wait it out.
    void Wake();

    // The control's bookkeeping. Dying: destroyed through the control and
    // out of its lists, waiting to be deleted; reports no more.
    bool IsDying() const { return m_dying.load(); }
    void SetDying() { m_dying = true; }
    // Window thread only: how many calls on the window thread's stack are
    // using the worker (its hand-off being handled, a Stop waiting for it);
    // it is deleted only when none is.
    int m_nUseOnWindowThread = 0;
    // Window thread only: a stop asked for and not yet done (posted, asked
    // while its hand-off was handled, or waiting for its step). Its reports
    // until then are answered without an event, and the first one carries
    // out a stop that nothing is doing yet.
    bool m_bStopPending = false;
    // The report this worker is handing to the window right now, if any:
    // the window accepts a report record only from one of its workers.
    std::atomic<const void*> m_pHandingOff{nullptr};

protected:
    CWorkerPort(const char* name, CHXdigIOCtrl* ctrl, int32_t port, int32_t delay, HXKIMAGE image);
    // Ends the worker (waking it first): subclasses call it first thing in
    // their destructors, before their own members go.
    void EndWorkerNow();

    // Waits up to `milliseconds` or until woken; true when woken.
    bool Pause(DWORD milliseconds);
    bool Woken() const { return m_woken.load(std::memory_order_relaxed); }
    // A failed read: HXKError 14 on this thread with Continue preset FALSE.
    // Answers whether to go on (the handler set Continue TRUE).
    BOOL ReportReadFailure();

    CHXdigIOCtrl* const m_pCtrl; // not a reference: the control outlives its workers
    const int32_t m_nPort;
    const int32_t m_nDelay;
    HXKImageRef m_hImage;

private:
    hx::unique_handle m_wake;
    std::atomic<bool> m_woken{false};
    bool m_ended = false;
    std::atomic<bool> m_dying{false};
};
