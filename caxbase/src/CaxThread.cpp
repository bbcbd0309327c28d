// The worker-thread object: its state machine, the worker loop and the waits
// of the owner's side.
#include "CaxThread.h"

#include <process.h>

#include <atomic>

using namespace caxthread;

namespace {

// A test's injection hits only the next object made on the thread that
// injected it. Kept in plain atomics, not a thread_local: the runtime's
// emulated TLS would tie bookkeeping to every thread that makes a worker.
std::atomic<CaxThread::CreationFault> g_creationFault{CaxThread::CreationFault::None};
std::atomic<DWORD> g_creationFaultThread{0};

CaxThread::CreationFault TakeCreationFault() noexcept {
    if (g_creationFault.load(std::memory_order_relaxed) == CaxThread::CreationFault::None ||
        g_creationFaultThread.load() != GetCurrentThreadId())
        return CaxThread::CreationFault::None;
    return g_creationFault.exchange(CaxThread::CreationFault::None);
}

// How often a waiting Stop re-checks whether its step has ended; only
// matters when several threads wait for one step.
constexpr DWORD kStepRecheckMs = 50;

} // namespace

CaxThread::CaxThread(const char* name, unsigned configSource, unsigned mode, unsigned level,
                     unsigned globalLog)
    : CaxLogging(name, configSource, mode, level, globalLog) {
    AddToClassSet(caxclass::kThread);
    SetPrefix("%s::", GetName().GetData() ? GetName().GetData() : "");
    Log(kTraceConstruction, "Constructor: entered...\r\n");
    CreateWorker();
}

void CaxThread::CreateWorker() {
    const CreationFault fault = TakeCreationFault();
    auto makeEvent = [fault](BOOL manualReset, CreationFault failsWith) -> HANDLE {
        return fault == failsWith ? nullptr : CreateEventA(nullptr, manualReset, FALSE, nullptr);
    };
    m_killEvent.reset(makeEvent(TRUE, CreationFault::KillEvent));
    m_deadEvent.reset(makeEvent(TRUE, CreationFault::DeadEvent));
    m_runEvent.reset(makeEvent(TRUE, CreationFault::RunEvent));
    m_stepDoneEvent.reset(makeEvent(FALSE, CreationFault::StepDoneEvent));
    m_waitList[0] = m_killEvent.get();
    m_waitList[1] = m_runEvent.get();
    // Without every event the worker could not be stopped or ended: then
    // there is no worker, and the object refuses to start.
    if (!m_killEvent || !m_deadEvent || !m_runEvent || !m_stepDoneEvent) return;
    if (fault != CreationFault::Worker) {
        unsigned id = 0;
        m_thread.reset(
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadProc, this, 0, &id)));
        m_threadId = id;
    }
    if (!m_thread) return;
    m_usable = true;
    SetThreadPriority(m_thread.get(), m_priority);
}

CaxThread::~CaxThread() {
    EndWorker();
    // Deleted by a hook on the worker: the loop must not touch this object
    // once the hook returns.
    if (IsWorkerThread() && m_destroyedInStep) *m_destroyedInStep = true;
    Log(kTraceLifeCycle, "Destructor: killing objects...\r\n");
    m_waitList[0] = m_waitList[1] = nullptr;
    for (hx::unique_handle* handle : {&m_killEvent, &m_deadEvent, &m_runEvent, &m_stepDoneEvent,
                                      &m_thread})
        handle->reset();
    Log(kTraceLifeCycle, "Destructor: thread killed...\r\n");
}

void CaxThread::EndWorker() {
    bool firstCall = false;
    {
        const auto hold = m_lock.lock();
        if (m_workerJoined) return;
        firstCall = !m_workerEnding;
        m_workerEnding = true;
        m_usable = false;
        if (m_state == kStateRunning) {
            m_state = kStateStopped;
            ResetEvent(m_runEvent.get());
        }
    }
    if (firstCall) {
        Log(kTraceLifeCycle, "Destructor: entered...\r\n");
        Log(kTraceLifeCycle, "Destructor: killing thread...\r\n");
    }
    if (m_thread) {
        SetEvent(m_killEvent.get());
        // The worker cannot wait for itself: it leaves its loop when the
        // hook that called this returns.
        if (IsWorkerThread()) return;
        // Lets the worker get the processor to leave.
        SetThreadPriority(m_thread.get(), THREAD_PRIORITY_ABOVE_NORMAL);
        Log(kTraceLifeCycle, "Destructor: waiting for thread dead...\r\n");
        WaitAsOwner(m_deadEvent.get(), INFINITE);
        // The worker logs after setting the dead event: only the end of its
        // thread says that it no longer uses this object.
        Log(kTraceLifeCycle, "Destructor: waiting for thread object...\r\n");
        WaitAsOwner(m_thread.get(), INFINITE);
    }
    const auto hold = m_lock.lock();
    m_workerJoined = true;
}

std::uint32_t CaxThread::GetClassID() const {
    return IdentifierIfAlive(caxclass::kThread);
}

BOOL CaxThread::Before() {
    return m_beforeCallback ? m_beforeCallback(m_beforeContext) : FALSE;
}

BOOL CaxThread::After() {
    return m_afterCallback ? m_afterCallback(nullptr, m_afterContext) : TRUE;
}

void CaxThread::SetBeforeCallback(BeforeCallback callback, void* context) noexcept {
    m_beforeCallback = callback;
    m_beforeContext = context;
}

void CaxThread::SetAfterCallback(AfterCallback callback, void* context) noexcept {
    m_afterCallback = callback;
    m_afterContext = context;
}

int CaxThread::GetState() const {
    const auto hold = m_lock.lock();
    return m_state;
}

bool CaxThread::IsWorkerThread() const noexcept {
    return m_threadId != 0 && GetCurrentThreadId() == m_threadId;
}

void CaxThread::InjectCreationFault(CreationFault fault) noexcept {
    g_creationFaultThread.store(GetCurrentThreadId());
    g_creationFault.store(fault);
}

int CaxThread::SetPriority(int priority) {
    m_priority = priority;
    if (m_thread) SetThreadPriority(m_thread.get(), m_priority);
    return m_priority;
}

BOOL CaxThread::Start() {
    bool started = false;
    {
        // The run event is set and reset only together with the state, so a
        // set run event always means "running".
        const auto hold = m_lock.lock();
        if (m_usable && m_state != kStateRunning) {
            m_state = kStateRunning;
            ++m_runs;
            SetEvent(m_runEvent.get());
            started = true;
        }
    }
    Sleep(0);
    if (!started) return FALSE;
    Log(kTraceLifeCycle, "Start: thread started...\r\n");
    return TRUE;
}

BOOL CaxThread::Stop() {
    bool stopped = false;
    bool mustWait = false;
    std::uint64_t stepsToWaitFor = 0;
    {
        const auto hold = m_lock.lock();
        if (m_state == kStateRunning) {
            m_state = kStateStopped;
            ResetEvent(m_runEvent.get());
            stopped = true;
            // Only a step already under way can still end; the worker begins
            // no new one now. The worker itself never waits for its own step.
            mustWait = m_inStep && !IsWorkerThread();
            stepsToWaitFor = m_stepsEnded + 1;
        }
    }
    Sleep(0);
    if (!stopped) return FALSE;
    Log(kTraceLifeCycle, "Stop: waiting for last image...\r\n");
    while (mustWait) {
        // The counter, not the auto-reset event, says whether the step has
        // ended: a stale signal or another waiter cannot mislead this loop.
        WaitAsOwner(m_stepDoneEvent.get(), kStepRecheckMs);
        const auto hold = m_lock.lock();
        mustWait = m_stepsEnded < stepsToWaitFor;
    }
    Sleep(0);
    Log(kTraceLifeCycle, "Stop: thread stopped...\r\n");
    return TRUE;
}

BOOL CaxThread::StopWithoutWaiting() {
    bool stopped = false;
    {
        const auto hold = m_lock.lock();
        if (m_state == kStateRunning) {
            m_state = kStateStopped;
            ResetEvent(m_runEvent.get());
            stopped = true;
        }
    }
    Sleep(0);
    if (stopped) Log(kTraceLifeCycle, "Stop: thread stopped...\r\n");
    return stopped ? TRUE : FALSE;
}

BOOL CaxThread::SingleStep() {
    // Set by this object's destruction inside a hook; lives on the worker's
    // stack, not in the object.
    bool* const destroyed = m_destroyedInStep;
    Log(kTraceStep, "SingleStep: invoking 'Before'...\r\n");
    const BOOL before = Before();
    if (destroyed && *destroyed) return FALSE;
    if (!before) {
        Log(kTraceLifeCycle, "SingleStep: 'Before' returned FALSE, stopping...\r\n");
        Sleep(0);
        return FALSE;
    }
    Log(kTraceStep, "SingleStep: invoking 'After'...\r\n");
    const BOOL after = After();
    if (destroyed && *destroyed) return FALSE;
    if (!after) {
        Log(kTraceLifeCycle, "SingleStep: 'After' returned FALSE...\r\n");
        return FALSE;
    }
    Sleep(0);
    Log(kTraceStep, "SingleStep: end 'SingleStep'...\r\n");
    return TRUE;
}

unsigned __stdcall CaxThread::ThreadProc(void* object) {
    static_cast<CaxThread*>(object)->RunWorker();
    return 0;
}

void CaxThread::RunWorker() {
    for (;;) {
        // The kill event is first in the list, so it wins over a set run event.
        const DWORD result = WaitForMultipleObjects(2, m_waitList, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) break;
        if (result != WAIT_OBJECT_0 + 1) {
            Sleep(1);
            continue;
        }
        // The wait may have been granted just before a Stop.
        const std::uint64_t run = BeginStep();
        if (run == 0) continue;
        bool destroyed = false;
        m_destroyedInStep = &destroyed;
        BOOL kept = FALSE;
        try {
            kept = SingleStep();
        } catch (...) {
            // An exception would end the process from here; it ends the run.
            kept = FALSE;
        }
        if (destroyed) return;
        m_destroyedInStep = nullptr;
        if (EndStep(kept, run)) {
            Log(kTraceLifeCycle, "Stop: waiting for last image...\r\n");
            Log(kTraceLifeCycle, "Stop: thread stopped...\r\n");
        }
        Sleep(0);
    }
    SetEvent(m_deadEvent.get());
    Log(kTraceLifeCycle, "Thread dead...\r\n");
}

std::uint64_t CaxThread::BeginStep() {
    const auto hold = m_lock.lock();
    if (m_state != kStateRunning) return 0;
    m_inStep = true;
    return m_runs;
}

bool CaxThread::EndStep(BOOL kept, std::uint64_t run) {
    const auto hold = m_lock.lock();
    m_inStep = false;
    ++m_stepsEnded;
    SetEvent(m_stepDoneEvent.get());
    // A Start since the step began (after the owner's Stop) made a new run,
    // which this step's FALSE must not end.
    if (kept || m_state != kStateRunning || m_runs != run) return false;
    m_state = kStateStopped;
    ResetEvent(m_runEvent.get());
    return true;
}

bool CaxThread::WaitAsOwner(HANDLE handle, DWORD timeout) const {
    if (m_ownerWait == OwnerWait::Plain || IsWorkerThread())
        return WaitForSingleObject(handle, timeout) == WAIT_OBJECT_0;
    for (;;) {
        // MWMO_INPUTAVAILABLE: messages sent before the wait began wake it
        // too, so nothing sent to this thread is left waiting.
        const DWORD result =
            MsgWaitForMultipleObjectsEx(1, &handle, timeout, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_OBJECT_0 + 1) {
            MSG message; // delivers the sent messages; removes nothing else
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            if (timeout == INFINITE) continue;
            return false;
        }
        if (result == WAIT_TIMEOUT) return false;
        // The message wait itself failed: wait the plain way.
        return WaitForSingleObject(handle, timeout) == WAIT_OBJECT_0;
    }
}
