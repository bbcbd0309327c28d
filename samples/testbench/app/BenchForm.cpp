// The bench's form: made and closed, and the window procedure that turns a
// person's clicks and menu picks into the bench's commands.
#include "Bench.h"

#include "BenchIds.h"
#include "EventNames.h"
#include "HXKSim.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* FormClass() {
    return "HxTestBenchForm";
}

} // namespace

Bench::Bench(const Options& options)
    : m_options(options),
      m_image(HXKImageRef::Adopt(HXKSimCreateImage(options.inputs, options.outputs, 1))),
      m_designMode(options.designMode) {}

Bench::~Bench() {
    Close();
}

HRESULT Bench::Create() {
    if (!m_image.Get()) return E_INVALIDARG;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    static const ATOM registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &Bench::FormProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = FormClass();
        return RegisterClassA(&windowClass);
    }();
    if (!registered) return HRESULT_FROM_WIN32(GetLastError());

    const SIZE client = ClientSize();
    RECT frame = {0, 0, client.cx, client.cy};
    const DWORD style = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    AdjustWindowRect(&frame, style, TRUE);
    m_form = CreateWindowExA(0, FormClass(), "HXDigIO test bench", style | WS_CLIPCHILDREN, 0, 0,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr,
                             MakeMenu(), GetModuleHandleA(nullptr), this);
    if (!m_form) return HRESULT_FROM_WIN32(GetLastError());
    m_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    MakeChildren();
    ShowWindow(m_form, SW_SHOW);
    UpdateWindow(m_form);

    m_log.Add(LogKind::Note, "simulated image " + std::to_string(m_options.inputs) + " inputs, " +
                                 std::to_string(m_options.outputs) +
                                 " outputs (HXKSimCreateImage)");
    if (m_options.ignoredEvent)
        m_log.Add(LogKind::Note, "the bench ignores every " +
                                     events::NameOf(m_options.ignoredEvent) +
                                     " event (--ignore-event), as if none came");
    const HRESULT made = MakeControl();
    if (FAILED(made)) return made;
    if (m_options.bindAtStart) Bind(reinterpret_cast<intptr_t>(m_image.Get()));
    return S_OK;
}

void Bench::Close() {
    if (m_control.Exists()) {
        m_automation = nullptr;
        m_control.Remove(); // its workers end with it
        m_log.Add(LogKind::Note, "control removed from the form");
    }
    m_device.Show(nullptr, 0, 0); // the panel reads the device no more
    m_image.Release();
    m_settings.Restore();
    m_log.Attach(nullptr);
    m_log.Finish();
    if (m_form && IsWindow(m_form)) DestroyWindow(m_form);
    m_form = nullptr;
}

namespace {

struct FaultItem {
    int command;
    int operation;
    const char* text;
};
const FaultItem kFaultItems[] = {
    {IDM_FAULT_INPUT_READ, HXKSIM_OP_READ_INPUT_LINE, "Fail reads of input line %ld"},
    {IDM_FAULT_OUTPUT_READ, HXKSIM_OP_READ_OUTPUT_LINE, "Fail reads of output line %ld"},
    {IDM_FAULT_OUTPUT_WRITE, HXKSIM_OP_WRITE_OUTPUT_LINE, "Fail writes of output line %ld"},
    {IDM_FAULT_INPUT_GROUP_READ, HXKSIM_OP_READ_INPUT_GROUP, "Fail reads of input group %ld"},
    {IDM_FAULT_OUTPUT_GROUP_WRITE, HXKSIM_OP_WRITE_OUTPUT_GROUP, "Fail writes of output group %ld"},
};

} // namespace

void Bench::UpdateMenu(HMENU menu) {
    const long index = Field(IDC_PORT);
    for (const FaultItem& item : kFaultItems) {
        char text[96];
        std::snprintf(text, sizeof text, item.text, index);
        const bool on = m_faults.count({item.operation, static_cast<int>(index)}) != 0;
        ModifyMenuA(menu, static_cast<UINT>(item.command),
                    MF_BYCOMMAND | MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED),
                    static_cast<UINT_PTR>(item.command), text);
    }
    EnableMenuItem(menu, IDM_FAULT_CLEAR,
                   MF_BYCOMMAND | (m_faults.empty() ? MF_GRAYED : MF_ENABLED));
    CheckMenuItem(menu, IDM_DESIGN_MODE, MF_BYCOMMAND | (m_designMode ? MF_CHECKED : MF_UNCHECKED));
}

long Bench::Field(int id) {
    char text[64] = {};
    GetDlgItemTextA(m_form, id, text, sizeof text);
    // "HI" and "LO" are the State values; anything else is a number.
    if (_stricmp(text, "HI") == 0) return 1;
    if (_stricmp(text, "LO") == 0) return 0;
    return static_cast<long>(std::strtoul(text, nullptr, 0));
}

int Bench::Checked(int id) const {
    return IsDlgButtonChecked(m_form, id) == BST_CHECKED;
}

void Bench::SetText(int id, const std::string& text) {
    SetDlgItemTextA(m_form, id, text.c_str());
}

void Bench::Press(int id) {
    const HWND child = GetDlgItem(m_form, id);
    SendMessageA(m_form, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(child));
}

void Bench::SetCheck(int id, bool on) {
    CheckDlgButton(m_form, id, on ? BST_CHECKED : BST_UNCHECKED);
    Press(id);
}

void Bench::Command(int id) {
    switch (id) {
    case IDC_BIND:
        Bind(reinterpret_cast<intptr_t>(m_image.Get()));
        break;
    case IDC_UNBIND:
        Bind(0);
        break;
    case IDM_BIND_WITHOUT_DIGIO:
        BindWithoutDigIO();
        break;
    case IDC_PROPERTIES:
        ShowPropertiesVerb();
        break;
    case IDC_ABOUT:
        ShowAboutBox();
        break;
    case IDC_GETINBIT:
    case IDC_GETOUTBIT:
    case IDC_SETOUTBIT:
    case IDC_GETINDWORD:
    case IDC_GETOUTDWORD:
    case IDC_SETOUTDWORD:
        PortCall(id);
        break;
    case IDC_BITLISTENER:
        CreateWorker(WorkerKind::BitListener);
        break;
    case IDC_DWORDLISTENER:
        CreateWorker(WorkerKind::DWORDListener);
        break;
    case IDC_TOGGLER:
        CreateWorker(WorkerKind::Toggler);
        break;
    case IDC_START:
    case IDC_STOP:
    case IDC_DESTROY:
        WorkerCall(id);
        break;
    case IDC_FIRE_DIRECT:
        m_settings.SetFireOnWorkerThreads(Checked(id));
        RemakeControl(Checked(id)
                          ? "\"Global AsyncACQ Enabled\" = 1: a control reads it when it is "
                            "made, so the bench makes a new one"
                          : "\"Global AsyncACQ Enabled\" = 0: a new control hands its "
                            "workers' reports to its window thread");
        break;
    case IDC_STOPWATCH:
        m_settings.SetPulsesOnStopwatch(Checked(id));
        m_log.Add(LogKind::Note, Checked(id) ? "\"DigIO via HPC\" = 1: togglers made from now on "
                                               "time their pulses on the toolkit's stopwatch"
                                             : "\"DigIO via HPC\" = 0: togglers made from now on "
                                               "time their pulses with Sleep");
        break;
    case IDC_CONTINUE:
        m_continueWorkerErrors = Checked(id);
        m_log.Add(LogKind::Note, Checked(id) ? "worker read errors are answered Continue = TRUE "
                                               "(the worker goes on)"
                                             : "worker read errors are answered Continue = FALSE "
                                               "(the worker stops itself)");
        break;
    case IDC_STOP_IN_HANDLER:
        m_stopInHandler = Checked(id);
        m_log.Add(LogKind::Note, Checked(id) ? "each listener is stopped inside its Listener "
                                               "handler"
                                             : "listeners report until they are stopped");
        break;
    case IDM_DESIGN_MODE:
        SetDesignMode(!m_designMode);
        break;
    case IDM_REMAKE:
        RemakeControl("remade on request");
        break;
    case IDM_FAULT_CLEAR:
        ClearFaults();
        break;
    case IDM_LOG_CLEAR:
        m_log.Clear();
        break;
    case IDM_EXIT:
        Close();
        break;
    default:
        for (const FaultItem& item : kFaultItems)
            if (item.command == id) ToggleFault(item.operation, static_cast<int>(Field(IDC_PORT)));
        break;
    }
}

LRESULT CALLBACK Bench::FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* bench = static_cast<Bench*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        bench->m_form = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bench));
    }
    auto* bench = reinterpret_cast<Bench*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!bench) return DefWindowProcA(window, message, wParam, lParam);
    return bench->Handle(message, wParam, lParam);
}

LRESULT Bench::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(m_form, &paint);
        PaintSections(dc);
        EndPaint(m_form, &paint);
        return 0;
    }
    case WM_COMMAND:
        // Buttons, check boxes and menu items; other notifications are not ours.
        // (a menu item's code is 0, the same as BN_CLICKED).
        if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        UpdateMenu(GetMenu(m_form));
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom != IDC_LOG || header->code != NM_CUSTOMDRAW) break;
        // Log rows coloured by kind: events blue, checks green or red.
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            switch (static_cast<LogKind>(draw->nmcd.lItemlParam)) {
            case LogKind::Event:
                draw->clrText = RGB(0, 60, 190);
                break;
            case LogKind::Pass:
                draw->clrText = RGB(0, 130, 40);
                break;
            case LogKind::Fail:
                draw->clrText = RGB(210, 0, 0);
                break;
            case LogKind::Step:
                draw->clrText = RGB(120, 0, 140);
                break;
            case LogKind::Device:
                draw->clrText = RGB(150, 90, 0);
                break;
            default:
                break;
            }
            return CDRF_DODEFAULT;
        }
        break;
    }
    case WM_TIMER:
        if (wParam != kRefreshTimer) break;
        m_log.Show();
        RefreshWorkers();
        return 0;
    case kControlChangedMessage:
        RefreshControlInfo();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(m_form, message, wParam, lParam);
}
