// The bench's handler of the control's events. It runs on the thread the
// control fires on: the window thread, or a worker's thread (a worker's own
// read error always; Listener and Toggler with "Global AsyncACQ Enabled").
// So it takes no window-thread-only path: the log and the workers table are
// guarded, the form is told by posted messages only, and the control is
// called through the pointer the bench keeps for as long as the control
// lives (the control ends its workers' threads before it goes).
#include "Bench.h"

#include "Format.h"
#include "hosting/Dispatch.h"

#include "HXDigIODispIds.h"

#include <algorithm>

using format::Hex;

void Bench::OnControlEvent(DISPID id, EventArgs& args) {
    if (id == m_options.ignoredEvent) return;
    ReceivedEvent event;
    event.id = id;
    event.thread = GetCurrentThreadId();
    event.onWindowThread = event.thread == m_windowThread;
    std::string line;
    switch (id) {
    case HXEVENTID_HXKERROR:
        event.value = args.Integer(0);
        event.text = args.Text(1);
        event.continuePreset = args.Bool(2);
        event.continueAnswer = event.continuePreset;
        line = "HXKError(" + format::ErrorCode(event.value) + ", \"" + event.text +
               "\", Continue " + format::Bool(event.continuePreset) + ")";
        if (!event.onWindowThread) {
            // A worker's read failed: Continue decides whether it goes on.
            event.continueAnswer = m_continueWorkerErrors;
            args.SetBool(2, event.continueAnswer);
            line += event.continueAnswer ? ": answered TRUE, the worker goes on"
                                         : ": left FALSE, the worker stops itself";
        }
        // On the window thread Continue stays as the control preset it: for a
        // refused image TRUE, which makes the control show its "Error" box.
        break;
    case HXEVENTID_IMAGEUPDATED:
        line = "ImageUpdated()";
        PostMessageA(m_form, kControlChangedMessage, 0, 0);
        break;
    case HXEVENTID_LISTENER:
    case HXEVENTID_TOGGLER: {
        event.worker = args.Integer(0);
        event.port = static_cast<long>(args.Integer(1));
        event.value = args.Integer(2);
        bool dwordListener = false;
        {
            std::lock_guard<std::mutex> hold(m_workersLock);
            auto found = FindWorker(event.worker);
            if (found != m_workers.end()) {
                ++found->reports;
                dwordListener = found->kind == WorkerKind::DWORDListener;
                m_workersChanged = true;
            }
        }
        line = std::string(id == HXEVENTID_LISTENER ? "Listener(" : "Toggler(") +
               Hex(event.worker) + ", " + std::to_string(event.port) + ", " +
               (dwordListener ? format::Group(event.value) : format::Level(event.value)) + ")";
        break;
    }
    default:
        line = "event " + std::to_string(id);
        break;
    }
    m_log.Add(LogKind::Event, line);
    if (id == HXEVENTID_LISTENER && m_stopInHandler)
        event.stopInHandler = StopFromHandler(event.worker);
    if (m_observer) m_observer(event);
}

// Stops a listener from inside its own Listener handler. The control takes
// such a stop without waiting for the step the handler is part of: it
// answers TRUE at once and the listener stops after the handler returns.
int Bench::StopFromHandler(LONGLONG worker) {
    WorkerKind kind;
    {
        std::lock_guard<std::mutex> hold(m_workersLock);
        auto found = FindWorker(worker);
        if (found == m_workers.end()) return -1;
        kind = found->kind;
    }
    const WorkerMethod& stop = MethodsOf(kind).stop;
    IDispatch* const control = m_automation;
    if (!control || !stop.name) return -1;
    hx::unique_variant result;
    const HRESULT hr = dispatch::Call(control, stop.id, {dispatch::Int64(worker)}, &result);
    const int stopped = SUCCEEDED(hr) && dispatch::Number(result.get()) != 0 ? 1 : 0;
    m_log.Add(LogKind::Call, std::string(stop.name) + "(" + Hex(worker) +
                                 ") = " + format::Bool(stopped) + ", inside the Listener handler");
    {
        std::lock_guard<std::mutex> hold(m_workersLock);
        auto found = FindWorker(worker);
        if (found != m_workers.end() && stopped) found->state = "stopped by its handler";
        m_workersChanged = true;
    }
    return stopped;
}
