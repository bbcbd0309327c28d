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
//    call then does nothing.
//  - Stop may be called from inside a hook, on the worker itself: it stops
//    without waiting for the step it is part of. Answering FALSE from a hook
//    ends the run the same way. The object must not be destroyed (nor
//    EndWorker called) on its own worker: that would wait for itself.
//  - An owner whose thread serves a window that a step may wait for (a step
//    that calls SendMessage for the owner's window) selects
//    OwnerWait::PumpSentMessages: Stop and EndWorker then deliver messages
//    sent to the owner's thread while they wait, so the step completes and
//    the wait ends. Window procedures run inside those calls then; while they
//    handle a message this worker sent, they must neither stop nor delete
//    this worker (its step waits for them): post such requests instead.
//
// If an event or the worker cannot be created, the object still constructs
// and destroys cleanly but refuses to start (IsUsable() FALSE, Start FALSE).
#pragma once

#include "CaxLogging.h"
#include "CaxLoggingSync.h"

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

    // How the owner's thread waits in Stop and EndWorker.
    enum class OwnerWait {
        Plain,            // a plain wait without time-out
        PumpSentMessages, // also delivers messages sent to the waiting thread
    };

    // What a test may make fail at the next construction, to check that
    // such an object refuses to start instead of crashing or hanging.
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
    // the object is not usable.
    BOOL Start();
    // TRUE if a running thread was stopped. Called by the owner, it returns
    // when the step in progress (if any) has ended, so the worker is idle;
    // called by the worker itself, it does not wait.
    BOOL Stop();
    // One step: Before, then After if Before answered TRUE. Run by the worker.
    BOOL SingleStep();
    // Stores and applies a Win32 thread priority; answers the stored value.
    int SetPriority(int priority);

    // Set while the thread is not running; the worker reads them unlocked.
    void SetBeforeCallback(BeforeCallback callback, void* context) noexcept;
    void SetAfterCallback(AfterCallback callback, void* context) noexcept;
    void SetOwnerWait(OwnerWait wait) noexcept { m_ownerWait = wait; }
    OwnerWait GetOwnerWait() const noexcept { return m_ownerWait; }

    int GetState() const;
    int GetPriority() const noexcept { return m_priority; }
    bool IsUsable() const noexcept { return m_usable; }
    HANDLE GetThreadHandle() const noexcept { return m_thread; }
    DWORD GetThreadId() const noexcept { return m_threadId; }
    bool IsWorkerThread() const noexcept;

    static void InjectCreationFault(CreationFault fault) noexcept;

protected:
    // Signals the worker to end and waits until its thread has ended (a step
    // in progress finishes first). Idempotent; must not be called by the
    // worker itself. Start answers FALSE afterwards.
    void EndWorker();

private:
    static unsigned __stdcall ThreadProc(void* object);
    void RunWorker();
    bool BeginStep();
    void EndStep();
    // Waits for one handle the owner's way; with a finite time-out it also
    // returns (FALSE) after delivering sent messages, so callers re-check.
    bool WaitAsOwner(HANDLE handle, DWORD timeout) const;
    void CreateWorker();

    int m_state = caxthread::kStateConstructed;
    HANDLE m_thread = nullptr;
    HANDLE m_killEvent = nullptr;
    HANDLE m_stepDoneEvent = nullptr;
    HANDLE m_runEvent = nullptr;
    HANDLE m_waitList[2] = {nullptr, nullptr};
    int m_priority = 0;
    void* m_beforeContext = nullptr;
    void* m_afterContext = nullptr;
    mutable CaxCriticalSection m_lock;
    BeforeCallback m_beforeCallback = nullptr;
    AfterCallback m_afterCallback = nullptr;
    HANDLE m_deadEvent = nullptr;
    DWORD m_threadId = 0;
    bool m_usable = false;
    bool m_inStep = false;
    std::uint64_t m_stepsEnded = 0;
    bool m_workerEnded = false;
    OwnerWait m_ownerWait = OwnerWait::Plain;
};
