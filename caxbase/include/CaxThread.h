// CaxThread: an object that owns one worker thread. The worker is created
// with the object, sleeps until Start, then runs steps (Before, then After)
// back to back until Stop or a step that answers FALSE, and ends only when
// the object is destroyed (or a subclass ends it earlier with EndWorker).
// Every thread object is its own logger, named at construction; its trace
// lines use level bit 1 (construction), 8 (life cycle) and 16 (steps).
//
// For subclasses:
//  - The hooks run on the worker. The base destructor runs after the
//    subclass's, so a subclass whose Before uses its own members calls
//    EndWorker() first thing in its destructor; the base destructor's own
//    call then only closes the handles.
//  - Answering FALSE from a hook ends the run that the step belongs to; a
//    Start made while that step was still under way begins a new run, which
//    the step does not end. Stop called inside a hook does not wait for the
//    step it is part of.
//  - A hook may call EndWorker: the worker leaves its loop once the hook has
//    returned, nothing waits, and the object is good only for destruction.
//    A hook may also delete its own object (nothing else may use it then):
//    the worker leaves without touching it again, and the hook must not
//    either after the delete.
//
// For owners (the thread that makes, starts, stops and deletes the object):
//  - Stop and destruction wait for the step in progress. By default that
//    wait also delivers messages sent to the owner's thread
//    (OwnerWait::PumpSentMessages), so a step blocked in SendMessage to a
//    window of the owner's thread completes and the wait ends. Window
//    procedures of the owner's thread may therefore run inside Stop and
//    the destructor; they may call Start or Stop on this worker (the last
//    call wins: a Start there leaves the worker running when Stop returns,
//    and Start answers FALSE once destruction has begun), but must not
//    delete it. OwnerWait::Plain waits without delivering anything, for
//    owners that must not be re-entered and never serve a worker's
//    SendMessage.
//  - No wait can complete while the owner is inside its handling of a
//    message this worker sent: the step waits for that handling to return.
//    A window procedure handling such a message therefore neither stops
//    nor deletes this worker; it posts itself a message and does it there.
//
// If an event or the worker cannot be created, the object still constructs
// and destroys cleanly but refuses to start (IsUsable() FALSE, Start FALSE).
#pragma once

#include "CaxLogging.h"
#include "hx/critical_section.h"
#include "hx/win32_owners.h"

#include <windows.h>

#include <cstdint>

namespace caxthread {
constexpr int kStateConstructed = 0;
constexpr int kStateStopped = 1;
constexpr int kStateRunning = 3;
// Level bits of the trace lines.
constexpr unsigned kTraceConstruction = 1;
constexpr unsigned kTraceLifeCycle = 8;
constexpr unsigned kTraceStep = 16;
} // namespace caxthread

class CaxThread : public CaxLogging {
public:
    using BeforeCallback = BOOL (*)(void* context);
    using AfterCallback = BOOL (*)(void* unused, void* context);

    // How the owner's thread waits in Stop and EndWorker (see above).
    enum class OwnerWait {
        Plain,            // a plain wait without time-out
        PumpSentMessages, // the default: also delivers messages sent to the waiting thread
    };

    // Test seam: what fails at the next construction on the calling thread,
    // to check that such an object refuses to start instead of crashing or
    // hanging. Objects made on other threads are not affected.
    enum class CreationFault { None, KillEvent, DeadEvent, RunEvent, StepDoneEvent, Worker };

    CaxThread(const char* name, unsigned configSource, unsigned mode, unsigned level,
              unsigned globalLog);
    CaxThread(const CaxThread&) = delete;
    CaxThread& operator=(const CaxThread&) = delete;
    ~CaxThread() override;

    std::uint32_t GetClassID() const override;

    // The default Before calls the before-callback with its context, or
    // answers FALSE (nothing to do: the run ends) when none is set.
    virtual BOOL Before();
    // The default After calls the after-callback, or answers TRUE.
    virtual BOOL After();

    // TRUE if the thread was set running; FALSE if it was running already or
    // the object is not usable (failed creation, or the worker has ended).
    BOOL Start();
    // TRUE if a running thread was stopped. Called by the owner, it returns
    // when the step in progress (if any) has ended; called by the worker
    // itself, it does not wait.
    BOOL Stop();
    // As Stop, but never waits for the step in progress (which finishes on
    // its own and begins no other): for callers that the step may itself be
    // waiting for, such as another worker's thread.
    BOOL StopWithoutWaiting();
    // One step: Before, then After if Before answered TRUE. Run by the worker.
    BOOL SingleStep();
    // Stores and applies a Win32 thread priority; answers the stored value.
    int SetPriority(int priority);

    // Set while the thread is not running; the worker reads them unlocked.
    void SetBeforeCallback(BeforeCallback callback, void* context) noexcept;
    void SetAfterCallback(AfterCallback callback, void* context) noexcept;
    // Set by the owner before Stop or destruction may wait.
    void SetOwnerWait(OwnerWait wait) noexcept { m_ownerWait = wait; }
    OwnerWait GetOwnerWait() const noexcept { return m_ownerWait; }

    // Stopped (1) once the worker has ended, if it had been started.
    int GetState() const;
    int GetPriority() const noexcept { return m_priority; }
    bool IsUsable() const noexcept { return m_usable; }
    HANDLE GetThreadHandle() const noexcept { return m_thread.get(); }
    DWORD GetThreadId() const noexcept { return m_threadId; }
    bool IsWorkerThread() const noexcept;

    static void InjectCreationFault(CreationFault fault) noexcept;

protected:
    // Signals the worker to end and, on any other thread, waits until its
    // thread has ended (a step in progress finishes first). On the worker
    // itself it only signals: the loop ends after the current hook. Start
    // answers FALSE afterwards and the state is no longer running. Repeated
    // calls are harmless.
    void EndWorker();
    // For hooks that call out to code which may delete this object: a flag on
    // the worker's stack that turns true when the object is destroyed during
    // the step in progress (null outside a step). A hook reads it after each
    // such call and, once it is set, returns without touching the object.
    const bool* StepDestroyedFlag() const noexcept { return m_destroyedInStep; }

private:
    static unsigned __stdcall ThreadProc(void* object);
    void RunWorker();
    // The run that the step belongs to, or 0 when no step may begin.
    std::uint64_t BeginStep();
    // Ends the step and, if it answered FALSE while its run still goes on,
    // stops that run; TRUE if it did.
    bool EndStep(BOOL kept, std::uint64_t run);
    // Waits for one handle the owner's way; with a finite time-out it also
    // returns (FALSE) after delivering sent messages, so callers re-check.
    bool WaitAsOwner(HANDLE handle, DWORD timeout) const;
    void CreateWorker();

    int m_state = caxthread::kStateConstructed;
    hx::unique_handle m_thread;
    hx::unique_handle m_killEvent;
    hx::unique_handle m_stepDoneEvent;
    hx::unique_handle m_runEvent;
    HANDLE m_waitList[2] = {nullptr, nullptr}; // borrowed: { kill event, run event }
    int m_priority = 0;
    void* m_beforeContext = nullptr;
    void* m_afterContext = nullptr;
    mutable hx::critical_section m_lock;
    BeforeCallback m_beforeCallback = nullptr;
    AfterCallback m_afterCallback = nullptr;
    hx::unique_handle m_deadEvent;
    DWORD m_threadId = 0;
    bool m_usable = false;
    bool m_inStep = false;
    std::uint64_t m_stepsEnded = 0;
    // Counts the Starts that set the thread running; names the current run.
    std::uint64_t m_runs = 0;
    bool m_workerEnding = false;
    bool m_workerJoined = false;
    // While the worker is in a step: a flag on the worker's own stack that
    // its destruction on the worker sets, so the loop leaves the object alone.
    bool* m_destroyedInStep = nullptr;
    OwnerWait m_ownerWait = OwnerWait::PumpSentMessages;
};
