// What the bench does to the control: make it and bind the image, call its
// port methods and workers by DISPID, show its verbs; and what it does to
// the device: inject faults.
#include "Bench.h"

#include "BenchIds.h"
#include "Format.h"
#include "hosting/Dispatch.h"

#include "HXDigIODispIds.h"
#include "HXKSim.h"

#include <olectl.h>

#include <algorithm>

using format::Hex;

namespace {

constexpr const wchar_t* kProgID = L"HXDIGIO.HXdigIOCtrl.1";

} // namespace

// ---- the control on the form ---------------------------------------------------

HRESULT Bench::MakeControl() {
    const HRESULT made =
        m_control.Create(kProgID, m_form, m_controlPlace, !m_designMode,
                         [this](DISPID id, EventArgs& args) { OnControlEvent(id, args); });
    if (FAILED(made)) {
        m_control.Remove();
        m_log.Add(LogKind::Fail, "HXDIGIO.HXdigIOCtrl.1 could not be made (" +
                                     format::Result(made) +
                                     "): is HXDigIO.ocx registered (regsvr32)?");
        return made;
    }
    m_automation = m_control.Automation();
    m_log.Add(
        LogKind::Note,
        std::string("HXDIGIO.HXdigIOCtrl.1 made by its ProgID, placed on the form and "
                    "activated in place (window ") +
            Hex(reinterpret_cast<intptr_t>(m_control.Window())) +
            "); events connected. It fires Listener and Toggler on " +
            (m_settings.FireOnWorkerThreads() ? "the workers' threads" : "its window thread"));
    RefreshControlInfo();
    return S_OK;
}

void Bench::RemakeControl(const std::string& why) {
    m_log.Add(LogKind::Note, why);
    const bool wasBound = m_bound;
    m_automation = nullptr;
    m_control.Remove(); // its workers end with it
    {
        std::lock_guard<std::mutex> hold(m_workersLock);
        m_workers.clear();
        m_workersChanged = true;
    }
    RefreshWorkers();
    m_bound = false;
    if (SUCCEEDED(MakeControl()) && wasBound) Bind(reinterpret_cast<intptr_t>(m_image.Get()));
}

LONGLONG Bench::Property(const wchar_t* name) {
    IDispatch* const control = m_control.Automation();
    hx::unique_variant value;
    if (FAILED(dispatch::Get(control, dispatch::IdOfName(control, name), value))) return 0;
    return dispatch::Number(value.get());
}

// The properties read by their names, as a script host reads them.
void Bench::RefreshControlInfo() {
    std::string note = "HXDIGIO.HXdigIOCtrl.1, in place on this form: ";
    note += m_designMode ? "design mode, it shows its icon" : "run mode, it hides its window";
    SetDlgItemTextA(m_form, IDC_CONTROL_NOTE, note.c_str());
    if (!m_control.Exists()) {
        SetWindowTextA(m_controlInfo, "No control on the form.");
        return;
    }
    const LONGLONG image = Property(L"Image");
    std::string info = "Image " + Hex(image) + ", " + std::to_string(Property(L"NumInputs")) +
                       " inputs, " + std::to_string(Property(L"NumOutputs")) +
                       " outputs\nIsBasicDigIO " + format::Bool(Property(L"IsBasicDigIO")) +
                       " (properties read by name)\nListener and Toggler fire on " +
                       (m_settings.FireOnWorkerThreads() ? "worker threads" : "the window thread");
    SetWindowTextA(m_controlInfo, info.c_str());
}

void Bench::Bind(LONGLONG image) {
    if (!m_control.Exists()) return;
    std::string error;
    const HRESULT hr =
        dispatch::Put(m_control.Automation(), HXDISPID_IMAGE, dispatch::Int64(image), &error);
    m_log.Add(LogKind::Call,
              "Image = " + Hex(image) +
                  (FAILED(hr) ? " failed: " + format::Result(hr) + " " + error : ""));
    m_bound = Property(L"Image") != 0;
    RefreshControlInfo();
}

void Bench::BindWithoutDigIO() {
    if (!m_control.Exists()) return;
    const HXKImageRef plain = HXKImageRef::Adopt(HXKSimCreateImage(2, 2, 0));
    m_log.Add(LogKind::Note, "an image whose driver offers no basic digital I/O: " +
                                 Hex(reinterpret_cast<intptr_t>(plain.Get())) +
                                 " (HXKSimCreateImage(2, 2, 0))");
    dispatch::Put(m_control.Automation(), HXDISPID_IMAGE,
                  dispatch::Int64(reinterpret_cast<intptr_t>(plain.Get())));
    m_log.Add(LogKind::Call, "Image = " + Hex(reinterpret_cast<intptr_t>(plain.Get())) +
                                 ": refused, the control keeps Image " + Hex(Property(L"Image")));
    RefreshControlInfo();
}

void Bench::SetDesignMode(bool design) {
    m_designMode = design;
    m_control.SetUserMode(!design);
    // At run time the control hid its window; shown again, it paints its
    // icon at design time.
    if (design) m_control.DoVerb(OLEIVERB_SHOW);
    m_log.Add(LogKind::Note, design ? "ambient UserMode FALSE (design mode): the control shows "
                                      "its icon"
                                    : "ambient UserMode TRUE (run mode): the control hides its "
                                      "window");
    RefreshControlInfo();
}

void Bench::ShowPropertiesVerb() {
    m_log.Add(LogKind::Call, "DoVerb(OLEIVERB_PROPERTIES): the property frame is modal");
    m_lastVerbResult = m_control.DoVerb(OLEIVERB_PROPERTIES);
    m_log.Add(LogKind::Call, "DoVerb(OLEIVERB_PROPERTIES) = " + format::Result(m_lastVerbResult) +
                                 ", the frame closed");
}

void Bench::ShowAboutBox() {
    m_log.Add(LogKind::Call, "AboutBox(): modal, it returns when the box is closed");
    CallLogged(HXDISPID_ABOUTBOX, "AboutBox", {}, "", Shown::Nothing);
}

// ---- calls by DISPID --------------------------------------------------------------

LONGLONG Bench::CallLogged(DISPID id, const char* name, std::initializer_list<VARIANT> args,
                           const std::string& shownArgs, Shown shown) {
    hx::unique_variant result;
    std::string error;
    const HRESULT hr = dispatch::Call(m_control.Automation(), id, args, &result, &error);
    const LONGLONG value = SUCCEEDED(hr) ? dispatch::Number(result.get()) : 0;
    std::string line = std::string(name) + "(" + shownArgs + ")";
    if (FAILED(hr)) {
        line += " failed: " + format::Result(hr) + " " + error;
    } else if (shown != Shown::Nothing) {
        line += " = " + (shown == Shown::Level    ? format::Level(value)
                         : shown == Shown::Group  ? format::Group(value)
                         : shown == Shown::Handle ? Hex(value)
                                                  : format::Bool(value));
    }
    m_log.Add(LogKind::Call, line);
    m_lastResult = value;
    return value;
}

void Bench::PortCall(int id) {
    const long port = Field(IDC_PORT), value = Field(IDC_VALUE), mask = Field(IDC_MASK);
    const std::string at = std::to_string(port);
    using dispatch::Int;
    switch (id) {
    case IDC_GETINBIT:
        CallLogged(HXDISPID_GETINBIT, "GetInBit", {Int(port)}, at, Shown::Level);
        break;
    case IDC_GETOUTBIT:
        CallLogged(HXDISPID_GETOUTBIT, "GetOutBit", {Int(port)}, at, Shown::Level);
        break;
    case IDC_SETOUTBIT:
        CallLogged(HXDISPID_SETOUTBIT, "SetOutBit", {Int(port), Int(value)},
                   at + ", " + format::Level(value), Shown::Level);
        break;
    case IDC_GETINDWORD:
        CallLogged(HXDISPID_GETINDWORD, "GetInDWORD", {Int(port)}, at, Shown::Group);
        break;
    case IDC_GETOUTDWORD:
        CallLogged(HXDISPID_GETOUTDWORD, "GetOutDWORD", {Int(port)}, at, Shown::Group);
        break;
    case IDC_SETOUTDWORD:
        CallLogged(HXDISPID_SETOUTDWORD, "SetOutDWORD", {Int(port), Int(value), Int(mask)},
                   at + ", " + format::Group(value) + ", " + format::Group(mask), Shown::Group);
        break;
    default:
        return;
    }
    const std::string shown =
        "Last result: " + std::to_string(m_lastResult) + " (" + format::Group(m_lastResult) + ")";
    SetDlgItemTextA(m_form, IDC_PORT_RESULT, shown.c_str());
}

// ---- listeners and togglers ----------------------------------------------------------

void Bench::CreateWorker(WorkerKind kind) {
    const long port = Field(IDC_WORKER_PORT), value = Field(IDC_WORKER_VALUE),
               delay = Field(IDC_WORKER_DELAY);
    using dispatch::Int;
    const std::string at = std::to_string(port), pause = std::to_string(delay);
    LONGLONG handle = 0;
    switch (kind) {
    case WorkerKind::BitListener:
        handle = CallLogged(HXDISPID_BITLISTENERCREATE, "BitListenerCreate",
                            {Int(port), Int(value), Int(delay)},
                            at + ", " + format::Level(value) + ", " + pause, Shown::Handle);
        break;
    case WorkerKind::DWORDListener:
        handle = CallLogged(HXDISPID_DWORDLISTENERCREATE, "DWORDListenerCreate",
                            {Int(port), Int(value), Int(delay)},
                            at + ", " + format::Group(value) + ", " + pause, Shown::Handle);
        break;
    case WorkerKind::Toggler:
        handle = CallLogged(HXDISPID_BITTOGGLERCREATE, "BitTogglerCreate", {Int(port), Int(delay)},
                            at + ", " + pause, Shown::Handle);
        break;
    }
    if (!handle) {
        m_log.Add(LogKind::Note, "no worker was made (a Create method answers 0 without an "
                                 "image bound)");
        return;
    }
    {
        std::lock_guard<std::mutex> hold(m_workersLock);
        m_workers.push_back(Worker{kind, handle, port, value, delay, m_settings.PulsesOnStopwatch(),
                                   "not started", 0});
        m_workersChanged = true;
    }
    SelectWorker(handle);
}

void Bench::WorkerCall(int id) {
    const LRESULT selected = SendMessageA(m_workersList, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        m_log.Add(LogKind::Note, "pick a listener or toggler in the list first");
        return;
    }
    const LONGLONG handle =
        static_cast<LONGLONG>(SendMessageA(m_workersList, LB_GETITEMDATA, selected, 0));
    WorkerKind kind;
    {
        std::lock_guard<std::mutex> hold(m_workersLock);
        auto found = FindWorker(handle);
        if (found == m_workers.end()) return;
        kind = found->kind;
    }
    const WorkerMethods& methods = MethodsOf(kind);
    const WorkerMethod& method = id == IDC_START  ? methods.start
                                 : id == IDC_STOP ? methods.stop
                                                  : methods.destroy;
    if (!method.name) {
        m_log.Add(LogKind::Note, "a toggler has no Stop: each Start gives one pulse");
        return;
    }
    const LONGLONG done =
        CallLogged(method.id, method.name, {dispatch::Int64(handle)}, Hex(handle), Shown::Bool);
    const std::string state = id == IDC_STOP                ? "stopped"
                              : kind == WorkerKind::Toggler ? "started"
                                                            : "running";
    std::lock_guard<std::mutex> hold(m_workersLock);
    auto found = FindWorker(handle);
    if (found == m_workers.end() || !done) return;
    if (id == IDC_DESTROY)
        m_workers.erase(found);
    else
        found->state = state;
    m_workersChanged = true;
}

std::vector<Bench::Worker>::iterator Bench::FindWorker(LONGLONG handle) {
    return std::find_if(m_workers.begin(), m_workers.end(),
                        [handle](const Worker& w) { return w.handle == handle; });
}

std::vector<LONGLONG> Bench::Workers() {
    std::lock_guard<std::mutex> hold(m_workersLock);
    std::vector<LONGLONG> handles;
    for (const Worker& worker : m_workers)
        handles.push_back(worker.handle);
    return handles;
}

bool Bench::SelectWorker(LONGLONG handle) {
    RefreshWorkers();
    const LRESULT count = SendMessageA(m_workersList, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<LONGLONG>(SendMessageA(m_workersList, LB_GETITEMDATA, i, 0)) != handle)
            continue;
        SendMessageA(m_workersList, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        return true;
    }
    return false;
}

void Bench::RefreshWorkers() {
    if (!IsWindow(m_workersList)) return; // the form is gone
    std::vector<std::pair<std::string, LONGLONG>> rows;
    {
        std::lock_guard<std::mutex> hold(m_workersLock);
        if (!m_workersChanged) return;
        m_workersChanged = false;
        for (const Worker& w : m_workers) {
            std::string row;
            const std::string count = std::to_string(w.reports);
            switch (w.kind) {
            case WorkerKind::BitListener:
                row = "bit listener " + Hex(w.handle) + ", input " + std::to_string(w.port) +
                      " = " + format::Level(w.value) + ", " + std::to_string(w.delay) +
                      " ms: " + w.state + ", " + count + " reports";
                break;
            case WorkerKind::DWORDListener:
                row = "DWORD listener " + Hex(w.handle) + ", group " + std::to_string(w.port) +
                      " = " + format::Group(w.value) + ", " + std::to_string(w.delay) +
                      " ms: " + w.state + ", " + count + " reports";
                break;
            case WorkerKind::Toggler:
                row = "toggler " + Hex(w.handle) + ", output " + std::to_string(w.port) + ", " +
                      std::to_string(w.delay) + " ms (" + (w.onStopwatch ? "stopwatch" : "Sleep") +
                      "): " + count + " pulses";
                break;
            }
            rows.emplace_back(row, w.handle);
        }
    }
    const LRESULT selected = SendMessageA(m_workersList, LB_GETCURSEL, 0, 0);
    const LONGLONG selectedHandle =
        selected == LB_ERR
            ? 0
            : static_cast<LONGLONG>(SendMessageA(m_workersList, LB_GETITEMDATA, selected, 0));
    SendMessageA(m_workersList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(m_workersList, LB_RESETCONTENT, 0, 0);
    for (const auto& [text, handle] : rows) {
        const LRESULT index =
            SendMessageA(m_workersList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(m_workersList, LB_SETITEMDATA, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(handle));
        if (handle == selectedHandle)
            SendMessageA(m_workersList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    SendMessageA(m_workersList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_workersList, nullptr, TRUE);
}

// ---- faults on the device -------------------------------------------------------------

namespace {

const char* FaultName(int operation) {
    switch (operation) {
    case HXKSIM_OP_READ_INPUT_LINE:
        return "reads of input line";
    case HXKSIM_OP_READ_OUTPUT_LINE:
        return "reads of output line";
    case HXKSIM_OP_WRITE_OUTPUT_LINE:
        return "writes of output line";
    case HXKSIM_OP_READ_INPUT_GROUP:
        return "reads of input group";
    case HXKSIM_OP_WRITE_OUTPUT_GROUP:
        return "writes of output group";
    default:
        return "operation";
    }
}

} // namespace

void Bench::ToggleFault(int operation, int index) {
    const bool on = m_faults.count({operation, index}) == 0;
    HXKSimSetFault(m_image.Get(), operation, index, on ? 1 : 0);
    if (on)
        m_faults.insert({operation, index});
    else
        m_faults.erase({operation, index});
    m_log.Add(LogKind::Device, std::string(on ? "fault injected: " : "fault removed: ") +
                                   FaultName(operation) + " " + std::to_string(index) +
                                   (on ? " fail (HXKSimSetFault)" : ""));
    std::set<int> inputs, outputs;
    for (const auto& [op, at] : m_faults) {
        const bool group = op == HXKSIM_OP_READ_INPUT_GROUP || op == HXKSIM_OP_WRITE_OUTPUT_GROUP;
        std::set<int>& lines =
            op == HXKSIM_OP_READ_INPUT_LINE || op == HXKSIM_OP_READ_INPUT_GROUP ? inputs : outputs;
        for (int line = group ? at * 32 : at; line < (group ? at * 32 + 32 : at + 1); ++line)
            lines.insert(line);
    }
    m_device.MarkFaults(inputs, outputs);
}

void Bench::ClearFaults() {
    HXKSimClearFaults(m_image.Get());
    m_faults.clear();
    m_device.MarkFaults({}, {});
    m_log.Add(LogKind::Device, "all faults removed (HXKSimClearFaults)");
}

void Bench::Observe(std::function<void(const ReceivedEvent&)> observer) {
    // Set while no worker runs: events on other threads read it unguarded.
    m_observer = std::move(observer);
}
