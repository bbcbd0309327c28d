// The control's listeners and togglers: their members, the workers' reports
// (fired directly on the worker's thread, or handed to the window thread),
// and every way a worker is stopped or destroyed.
//
// No wait here ever waits on a thread that is waiting on it:
//
//  - Deadlock needs the window thread to wait for a worker that waits for
//    the window thread. A worker waits for the window thread only inside its
//    hand-off (SendMessage of its report). The window thread waits for a
//    worker in Stop and in deleting it (CaxThread), and those waits deliver
//    messages sent to the thread meanwhile, so a worker about to hand off, or
//    waiting in its hand-off, gets its report handled and finishes its step.
//    What they cannot deliver is the report whose handling is already on the
//    window thread's stack: the worker of that report waits for this very
//    frame to return.
//  - So a worker is never stopped with waiting, nor deleted, while a call on
//    the window thread's stack uses it (m_nUseOnWindowThread counts the
//    handling of its report and any Stop waiting for it):
//      * Stop from inside a hand-off (any listener handing off, as the one
//        m_bInHandOff count tells) is posted (WM_LISTENER_STOP) and done
//        once the handler has returned; found still in use when it arrives
//        (a handler running a message loop), it is noted and done right after
//        that worker's hand-off is answered. Until then the listener's
//        reports are answered without an event, and the first of them
//        carries the stop out after its answer.
//      * Destroy takes the worker out of the lists at once (later reports
//        and calls with its handle find nothing) and buries it; it is deleted
//        at once when nothing on the window thread's stack uses it, else
//        right after the hand-off that uses it has been answered.
//      * The report handler answers the worker (ReplyMessage) before it
//        carries out what the handler asked for, so that the worker's step
//        can finish while the window thread waits for it.
//  - A worker's own thread never waits for a worker: a handler on a worker
//    thread (direct firing, or a worker's HXKError) stops its own listener
//    the way a hook does (CaxThread does not wait for the step it is part
//    of), stops other workers without waiting, and buries what it destroys
//    for the window thread to delete.
//  - The control itself cannot go while a report is handled: the handling
//    holds a reference of its own. When it does go, it takes its workers out
//    first and deletes them; their last reports find nothing and are dropped.
//
// The lists are changed under m_workerLock, held briefly and never while
// waiting or firing; a worker found under the lock by another thread is used
// only under it, so the window thread cannot delete it meanwhile.
#include "HXdigIOCtrl.h"

#include "HXDigIOErrors.h"
#include "HXDigIO_h.h"
#include "ListenPort.h"
#include "TogglePort.h"
#include "WorkerReport.h"

#include <new>

namespace {

template <class Worker> POSITION FindIn(CList<Worker*, Worker*>& list, LONGLONG handle) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION here = pos;
        if (list.GetNext(pos)->GetHandle() == handle) return here;
    }
    return nullptr;
}

// Takes the worker with this handle out of a list; null if it is not there.
template <class Worker> Worker* Unlink(CList<Worker*, Worker*>& list, LONGLONG handle) {
    const POSITION pos = FindIn(list, handle);
    if (!pos) return nullptr;
    Worker* worker = list.GetAt(pos);
    list.RemoveAt(pos); // the node blocks go when the list becomes empty
    return worker;
}

} // namespace

CListenPort* CHXdigIOCtrl::FindListener(LONGLONG handle) {
    const POSITION pos = FindIn(m_Listeners, handle);
    return pos ? m_Listeners.GetAt(pos) : nullptr;
}

CTogglePort* CHXdigIOCtrl::FindToggler(LONGLONG handle) {
    const POSITION pos = FindIn(m_Togglers, handle);
    return pos ? m_Togglers.GetAt(pos) : nullptr;
}

// --- Creation ---------------------------------------------------------------

LONGLONG CHXdigIOCtrl::CreateListener(long port, long value, long delay, BOOL bitMode) {
    if (!m_hImage.Get() || m_bClosing) return 0;
    try {
        auto* listener = new CListenPort(this, port, value, delay, m_hImage.Get(), bitMode);
        if (!listener->IsUsable()) { // no thread could be made for it
            delete listener;
            return 0;
        }
        const auto hold = m_workerLock.lock();
        try {
            m_Listeners.AddHead(listener);
        } catch (...) {
            delete listener; // never started: its deletion waits for nothing
            return 0;
        }
        return listener->GetHandle();
    } catch (...) {
        return 0;
    }
}

LONGLONG CHXdigIOCtrl::BitListenerCreate(long port, long value, long delay) {
    return CreateListener(port, value, delay, TRUE);
}

LONGLONG CHXdigIOCtrl::DWORDListenerCreate(long port, long value, long delay) {
    return CreateListener(port, value, delay, FALSE);
}

LONGLONG CHXdigIOCtrl::BitTogglerCreate(long port, long delay) {
    if (!m_hImage.Get() || m_bClosing) return 0;
    try {
        auto* toggler = new CTogglePort(this, port, delay, m_hImage.Get());
        if (!toggler->IsUsable()) {
            delete toggler;
            return 0;
        }
        const auto hold = m_workerLock.lock();
        try {
            m_Togglers.AddHead(toggler);
        } catch (...) {
            delete toggler;
            return 0;
        }
        return toggler->GetHandle();
    } catch (...) {
        return 0;
    }
}

// --- Start and stop ---------------------------------------------------------

BOOL CHXdigIOCtrl::WorkerStart(LONGLONG handle) {
    try {
        const auto hold = m_workerLock.lock();
        CWorkerPort* worker = FindListener(handle);
        if (!worker) worker = FindToggler(handle);
        if (!worker) return FALSE;
        worker->StartRun(); // running already: nothing changes
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BOOL CHXdigIOCtrl::ListenerStop(LONGLONG handle) {
    if (!OnWindowThread()) {
        // A handler on a worker's thread: never wait for a step.
        const auto hold = m_workerLock.lock();
        CListenPort* listener = FindListener(handle);
        if (!listener) return FALSE;
        listener->Wake();
        if (listener->IsWorkerThread())
            listener->Stop(); // its own listener: does not wait for its own step
        else
            listener->StopWithoutWaiting();
        return TRUE;
    }
    CListenPort* listener = nullptr;
    {
        const auto hold = m_workerLock.lock();
        listener = FindListener(handle);
    }
    if (!listener) return FALSE;
    const HWND window = GetSafeHwnd();
    if (m_bInHandOff.load() != 0 && IsWindow(window)) {
        // A listener waits in its hand-off for this thread: the stop follows
        // once the handler now running has returned. Meanwhile the listener
        // may report again; that report is answered without an event and
        // carries the stop out, so that a listener reporting without pause
        // cannot keep the posted stop waiting behind its reports.
        listener->m_bStopPending = true;
        ::PostMessageA(window, WM_LISTENER_STOP, static_cast<WPARAM>(handle), 0);
        return TRUE;
    }
    if (listener->m_nUseOnWindowThread > 0) {
        listener->m_bStopPending = true;
        return TRUE;
    }
    StopOnWindowThread(listener);
    return TRUE;
}

void CHXdigIOCtrl::StopOnWindowThread(CListenPort* listener) {
    listener->m_bStopPending = true; // what it reports meanwhile fires nothing
    listener->Wake();
    ++listener->m_nUseOnWindowThread;
    listener->Stop(); // delivers the reports sent meanwhile
    --listener->m_nUseOnWindowThread;
    listener->m_bStopPending = false;
    ReapWorkers();
}

// --- Destruction ------------------------------------------------------------

template <class Worker> BOOL CHXdigIOCtrl::DestroyFrom(CList<Worker*, Worker*>& list, LONGLONG handle) {
    Worker* worker = nullptr;
    {
        const auto hold = m_workerLock.lock();
        worker = Unlink(list, handle);
    }
    if (!worker) return FALSE;
    Bury(worker);
    return TRUE;
}

BOOL CHXdigIOCtrl::ListenerDestroy(LONGLONG handle) {
    return DestroyFrom(m_Listeners, handle);
}

BOOL CHXdigIOCtrl::TogglerDestroy(LONGLONG handle) {
    return DestroyFrom(m_Togglers, handle);
}

void CHXdigIOCtrl::Bury(CWorkerPort* worker) {
    worker->SetDying();
    if (OnWindowThread() && worker->m_nUseOnWindowThread == 0) {
        delete worker; // wakes and ends its thread first, then drops its image reference
        return;
    }
    worker->Wake();
    worker->StopWithoutWaiting();
    {
        const auto hold = m_workerLock.lock();
        try {
            m_Buried.AddHead(worker);
        } catch (...) {
            // No node for it: left running out its step, stopped, never deleted
            // rather than waited for from the wrong place.
            return;
        }
    }
    const HWND window = GetSafeHwnd();
    if (!OnWindowThread() && IsWindow(window)) ::PostMessageA(window, WM_WORKER_REAP, 0, 0);
}

void CHXdigIOCtrl::ReapWorkers() {
    if (!OnWindowThread()) return;
    for (;;) {
        CWorkerPort* dead = nullptr;
        {
            const auto hold = m_workerLock.lock();
            for (POSITION pos = m_Buried.GetHeadPosition(); pos;) {
                const POSITION here = pos;
                CWorkerPort* worker = m_Buried.GetNext(pos);
                if (worker->m_nUseOnWindowThread == 0) {
                    dead = worker;
                    m_Buried.RemoveAt(here);
                    break;
                }
            }
        }
        if (!dead) return;
        delete dead; // may deliver reports, which may bury and reap in turn
    }
}

// Listeners first, head first, then togglers, then what was buried. Marked
// closing first, so that reports delivered while the control waits for its
// workers are dropped.
void CHXdigIOCtrl::DestroyWorkers() {
    m_bClosing = true;
    for (;;) {
        CWorkerPort* worker = nullptr;
        {
            const auto hold = m_workerLock.lock();
            if (!m_Listeners.IsEmpty()) {
                worker = m_Listeners.GetAt(m_Listeners.GetHeadPosition());
                m_Listeners.RemoveAt(m_Listeners.GetHeadPosition());
            } else if (!m_Togglers.IsEmpty()) {
                worker = m_Togglers.GetAt(m_Togglers.GetHeadPosition());
                m_Togglers.RemoveAt(m_Togglers.GetHeadPosition());
            } else if (!m_Buried.IsEmpty()) {
                worker = m_Buried.GetAt(m_Buried.GetHeadPosition());
                m_Buried.RemoveAt(m_Buried.GetHeadPosition());
            }
        }
        if (!worker) return;
        worker->SetDying();
        delete worker;
    }
}

// --- Reports ----------------------------------------------------------------

BOOL CHXdigIOCtrl::ReportWorkerError() {
    if (m_bClosing) return FALSE;
    return ReportError(hxerrors::kWorkerReadFailed);
}

void CHXdigIOCtrl::ReportListener(CListenPort* listener, int32_t port, uint32_t value) {
    if (listener->IsDying() || m_bClosing) return;
    const LONGLONG handle = listener->GetHandle();
    if (m_bFireDirect) {
        try {
            FireListener(handle, port, static_cast<long>(value));
        } catch (...) {
        }
        return;
    }
    const HWND window = GetSafeHwnd();
    if (!IsWindow(window)) return; // no window: the report is dropped
    WorkerReport report = {handle, port, static_cast<int32_t>(value)};
    listener->m_pHandingOff = &report;
    ++m_bInHandOff;
    ::SendMessageA(window, WM_LISTENER_REPORT, 0, reinterpret_cast<LPARAM>(&report));
    --m_bInHandOff;
    listener->m_pHandingOff = nullptr; // the listener may be buried now, never deleted yet
}

void CHXdigIOCtrl::ReportToggler(CTogglePort* toggler, int32_t port, int32_t level) {
    if (toggler->IsDying() || m_bClosing) return;
    const LONGLONG handle = toggler->GetHandle();
    if (m_bFireDirect) {
        try {
            FireToggler(handle, port, level);
        } catch (...) {
        }
        return;
    }
    const HWND window = GetSafeHwnd();
    if (!IsWindow(window)) return;
    WorkerReport report = {handle, port, level};
    toggler->m_pHandingOff = &report;
    ::SendMessageA(window, WM_TOGGLER_REPORT, 0, reinterpret_cast<LPARAM>(&report));
    toggler->m_pHandingOff = nullptr;
}

// --- The window thread's side -----------------------------------------------

// Called with the control kept alive by the window procedure.
BOOL CHXdigIOCtrl::OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LISTENER_REPORT:
    case WM_TOGGLER_REPORT:
        HandleReport(message, lParam);
        return TRUE;
    case WM_LISTENER_STOP: {
        CListenPort* listener = nullptr;
        {
            const auto hold = m_workerLock.lock();
            listener = FindListener(static_cast<LONGLONG>(wParam));
        }
        if (!listener) return TRUE; // destroyed meanwhile, or not ours
        if (listener->m_nUseOnWindowThread > 0)
            listener->m_bStopPending = true; // a handler's message loop brought it here
        else
            StopOnWindowThread(listener);
        return TRUE;
    }
    case WM_WORKER_REAP:
        ReapWorkers();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CHXdigIOCtrl::HandleReport(UINT message, LPARAM lParam) {
    // Only a record one of this control's workers is handing off right now
    // is read: a message made up by someone else finds no worker.
    if (!lParam) return 0;
    CWorkerPort* worker = nullptr;
    {
        const auto hold = m_workerLock.lock();
        const auto handingOff = [lParam](CWorkerPort* each) {
            return each->m_pHandingOff.load() == reinterpret_cast<const void*>(lParam);
        };
        if (message == WM_LISTENER_REPORT) {
            for (POSITION pos = m_Listeners.GetHeadPosition(); pos && !worker;) {
                CListenPort* each = m_Listeners.GetNext(pos);
                if (handingOff(each)) worker = each;
            }
        } else {
            for (POSITION pos = m_Togglers.GetHeadPosition(); pos && !worker;) {
                CTogglePort* each = m_Togglers.GetNext(pos);
                if (handingOff(each)) worker = each;
            }
        }
    }
    if (!worker || worker->IsDying() || m_bClosing) return 0;
    const WorkerReport report = *reinterpret_cast<const WorkerReport*>(lParam);
    // A listener whose stop is pending reports nothing more: its report is
    // only answered, and the stop carried out below.
    if (!worker->m_bStopPending) {
        ++worker->m_nUseOnWindowThread;
        try {
            if (message == WM_LISTENER_REPORT)
                FireListener(report.handle, report.port, report.value);
            else
                FireToggler(report.handle, report.port, report.value);
        } catch (...) {
            // A handler's exception ends with the report.
        }
        YieldToParent();
        --worker->m_nUseOnWindowThread;
    }
    // The worker goes on from here; what follows may wait for its step.
    if (InSendMessage()) ReplyMessage(0);
    // Unless a Stop further up this thread's stack already waits for it.
    if (worker->m_bStopPending && worker->m_nUseOnWindowThread == 0 && !worker->IsDying())
        StopOnWindowThread(static_cast<CListenPort*>(worker));
    ReapWorkers();
    return 0;
}

void CHXdigIOCtrl::YieldToParent() {
    const HWND window = GetSafeHwnd();
    if (!IsWindow(window)) return;
    const HWND parent = GetParent(window);
    if (!IsWindow(parent)) return;
    MSG message;
    PeekMessageA(&message, parent, 0, 0, PM_NOREMOVE);
    Sleep(0);
}
