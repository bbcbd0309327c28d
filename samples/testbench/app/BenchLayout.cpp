// The bench form's layout: where each child window goes, the sections'
// frames and the menu bar. Three rows: the device and the control on the
// form; ports, workers and settings; the log.
#include "Bench.h"

#include "BenchIds.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int kFormWidth = 1000;
constexpr int kMargin = 8;
constexpr int kSecondRowHeight = 196;
constexpr int kLogHeight = 270;   // for a device of one row of each (16 lines or fewer)
constexpr int kShortestLog = 140; // the log gives way to taller devices

int FirstRowHeight(int inputs, int outputs) {
    return std::max(DevicePanel::HeightFor(inputs, outputs) + 30, 150);
}

int LogHeight(int inputs, int outputs) {
    return std::max(kShortestLog, kLogHeight - (FirstRowHeight(inputs, outputs) - 150));
}

} // namespace

SIZE Bench::ClientSize() const {
    const int firstRow = FirstRowHeight(m_options.inputs, m_options.outputs);
    return SIZE{kFormWidth, kMargin + firstRow + kMargin + kSecondRowHeight + kMargin +
                                LogHeight(m_options.inputs, m_options.outputs) + kMargin};
}

HWND Bench::Child(const char* className, const char* text, DWORD style, int id, int x, int y, int w,
                  int h, DWORD exStyle) {
    const HWND child = CreateWindowExA(
        exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_form,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    return child;
}

void Bench::MakeChildren() {
    const int deviceHeight = DevicePanel::HeightFor(m_options.inputs, m_options.outputs);
    const int firstRow = FirstRowHeight(m_options.inputs, m_options.outputs);
    // The sections' frames are drawn by the form itself (PaintSections): a
    // group box window would paint over the control's window beneath it.
    auto group = [this](const char* title, int x, int y, int w, int h) {
        m_sections.push_back(Section{RECT{x, y, x + w, y + h}, title});
    };
    auto label = [this](const char* text, int x, int y, int w) {
        Child("Static", text, SS_LEFT, -1, x, y + 3, w, 16);
    };
    auto edit = [this](int id, const char* text, int x, int y, int w) {
        Child("Edit", text, ES_AUTOHSCROLL | WS_TABSTOP, id, x, y, w, 21, WS_EX_CLIENTEDGE);
    };
    auto button = [this](int id, const char* text, int x, int y, int w) {
        Child("Button", text, BS_PUSHBUTTON | WS_TABSTOP, id, x, y, w, 24);
    };
    auto checkBox = [this](int id, const char* text, int x, int y, bool on) {
        const HWND box =
            Child("Button", text, BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP, id, x, y, 226, 36);
        SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    };

    // First row: the device, and the control on the form.
    int x = kMargin, y = kMargin;
    group("Device: the simulated image (click an input to flip it)", x, y, 628, firstRow);
    RECT devicePlace = {x + 10, y + 22, x + 618, y + 22 + deviceHeight};
    m_device.Create(m_form, devicePlace, [this](int line, int level) {
        m_log.Add(LogKind::Device,
                  "input " + std::to_string(line) + " switched " + (level ? "HI" : "LO"));
    });
    m_device.Show(m_image.Get(), m_options.inputs, m_options.outputs);

    x = 644;
    group("The control on the form", x, y, 348, firstRow);
    m_controlPlace = RECT{x + 14, y + 26, x + 14 + 32, y + 26 + 32};
    Child("Static", "", SS_LEFT | SS_NOPREFIX, IDC_CONTROL_NOTE, x + 56, y + 24, 284, 30);
    m_controlInfo = Child("Static", "", SS_LEFT | SS_NOPREFIX, IDC_CONTROL_INFO, x + 14, y + 64,
                          326, firstRow - 64 - 38);
    const int buttons = y + firstRow - 34;
    button(IDC_BIND, "Bind image", x + 14, buttons, 78);
    button(IDC_UNBIND, "Unbind", x + 96, buttons, 70);
    button(IDC_PROPERTIES, "Properties...", x + 170, buttons, 84);
    button(IDC_ABOUT, "About...", x + 258, buttons, 76);

    // Second row: ports, workers, settings.
    x = kMargin;
    y = kMargin + firstRow + kMargin;
    group("Ports", x, y, 300, kSecondRowHeight);
    label("Port / group", x + 12, y + 22, 70);
    edit(IDC_PORT, "0", x + 84, y + 22, 44);
    label("Value", x + 140, y + 22, 36);
    edit(IDC_VALUE, "HI", x + 180, y + 22, 104);
    label("Mask", x + 140, y + 50, 36);
    edit(IDC_MASK, "0xFFFFFFFF", x + 180, y + 50, 104);
    button(IDC_GETINBIT, "GetInBit", x + 12, y + 82, 88);
    button(IDC_GETOUTBIT, "GetOutBit", x + 104, y + 82, 88);
    button(IDC_SETOUTBIT, "SetOutBit", x + 196, y + 82, 88);
    button(IDC_GETINDWORD, "GetInDWORD", x + 12, y + 110, 88);
    button(IDC_GETOUTDWORD, "GetOutDWORD", x + 104, y + 110, 88);
    button(IDC_SETOUTDWORD, "SetOutDWORD", x + 196, y + 110, 88);
    Child("Static", "Values: HI, LO or a number (0x... for hex).", SS_LEFT, -1, x + 12, y + 142,
          276, 16);
    Child("Static", "", SS_LEFT | SS_NOPREFIX, IDC_PORT_RESULT, x + 12, y + 162, 276, 28);

    x = 316;
    group("Listeners and togglers", x, y, 420, kSecondRowHeight);
    label("Port", x + 12, y + 22, 28);
    edit(IDC_WORKER_PORT, "7", x + 42, y + 22, 40);
    label("Value", x + 94, y + 22, 32);
    edit(IDC_WORKER_VALUE, "HI", x + 128, y + 22, 96);
    label("Delay (ms)", x + 232, y + 22, 64);
    edit(IDC_WORKER_DELAY, "20", x + 298, y + 22, 52);
    button(IDC_BITLISTENER, "Bit listener", x + 12, y + 50, 96);
    button(IDC_DWORDLISTENER, "DWORD listener", x + 112, y + 50, 104);
    button(IDC_TOGGLER, "Toggler", x + 220, y + 50, 80);
    m_workersList = Child("ListBox", "",
                          LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT,
                          IDC_WORKERS, x + 12, y + 80, 396, 78, WS_EX_CLIENTEDGE);
    SendMessageA(m_workersList, LB_SETHORIZONTALEXTENT, 560, 0);
    button(IDC_START, "Start", x + 12, y + 164, 80);
    button(IDC_STOP, "Stop", x + 96, y + 164, 80);
    button(IDC_DESTROY, "Destroy", x + 180, y + 164, 80);

    x = 744;
    group("Settings", x, y, 248, kSecondRowHeight);
    checkBox(IDC_FIRE_DIRECT,
             "Fire Listener and Toggler on worker threads (Global AsyncACQ Enabled)", x + 12,
             y + 20, m_settings.FireOnWorkerThreads());
    checkBox(IDC_STOPWATCH, "Time toggler pulses on the stopwatch (DigIO via HPC)", x + 12, y + 62,
             m_settings.PulsesOnStopwatch());
    checkBox(IDC_CONTINUE, "Answer worker read errors with Continue", x + 12, y + 104, false);
    checkBox(IDC_STOP_IN_HANDLER, "Stop each listener inside its Listener handler", x + 12, y + 146,
             false);

    // Third row: the log.
    y += kSecondRowHeight + kMargin;
    m_logList = Child(WC_LISTVIEWA, "", LVS_REPORT | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS, IDC_LOG,
                      kMargin, y, kFormWidth - 2 * kMargin,
                      LogHeight(m_options.inputs, m_options.outputs), WS_EX_CLIENTEDGE);
    SendMessageA(m_logList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    const struct {
        const char* title;
        int width;
    } columns[] = {{"Time (s)", 64}, {"Thread", 84}, {"Kind", 52}, {"What", 760}};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].title);
        column.cx = columns[i].width;
        SendMessageA(m_logList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    m_log.Attach(m_logList);
    SetTimer(m_form, kRefreshTimer, 100, nullptr);
}

HMENU Bench::MakeMenu() {
    const HMENU bench = CreatePopupMenu();
    AppendMenuA(bench, MF_STRING, IDC_BIND, "&Bind image");
    AppendMenuA(bench, MF_STRING, IDC_UNBIND, "&Unbind image");
    AppendMenuA(bench, MF_STRING, IDM_BIND_WITHOUT_DIGIO, "Bind an image &without digital I/O");
    AppendMenuA(bench, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(bench, MF_STRING, IDM_LOG_CLEAR, "&Clear the log");
    AppendMenuA(bench, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(bench, MF_STRING, IDM_EXIT, "E&xit");

    const HMENU control = CreatePopupMenu();
    AppendMenuA(control, MF_STRING, IDC_PROPERTIES, "&Properties... (the Properties verb)");
    AppendMenuA(control, MF_STRING, IDC_ABOUT, "&About... (AboutBox)");
    AppendMenuA(control, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(control, MF_STRING, IDM_DESIGN_MODE, "&Design mode (ambient UserMode FALSE)");
    AppendMenuA(control, MF_STRING, IDM_REMAKE, "&Remake the control");

    // The texts name the line of the Ports box's "Port / group" field; they
    // are filled in as the menu opens.
    const HMENU faults = CreatePopupMenu();
    AppendMenuA(faults, MF_STRING, IDM_FAULT_INPUT_READ, "Fail reads of input line");
    AppendMenuA(faults, MF_STRING, IDM_FAULT_OUTPUT_READ, "Fail reads of output line");
    AppendMenuA(faults, MF_STRING, IDM_FAULT_OUTPUT_WRITE, "Fail writes of output line");
    AppendMenuA(faults, MF_STRING, IDM_FAULT_INPUT_GROUP_READ, "Fail reads of input group");
    AppendMenuA(faults, MF_STRING, IDM_FAULT_OUTPUT_GROUP_WRITE, "Fail writes of output group");
    AppendMenuA(faults, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(faults, MF_STRING, IDM_FAULT_CLEAR, "&Clear all faults");

    const HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(bench), "&Bench");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(control), "&Control");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(faults), "&Faults");
    return bar;
}

void Bench::PaintSections(HDC dc) {
    const HGDIOBJ oldFont = SelectObject(dc, m_font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (const Section& section : m_sections) {
        RECT frame = section.rect;
        frame.top += metrics.tmHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        RECT title = {section.rect.left + 8, section.rect.top, section.rect.right - 8,
                      section.rect.top + metrics.tmHeight};
        DrawTextA(dc, (" " + section.title + " ").c_str(), -1, &title,
                  DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        ExtTextOutA(dc, title.left, title.top, ETO_OPAQUE, &title,
                    (" " + section.title + " ").c_str(),
                    static_cast<UINT>(section.title.size() + 2), nullptr);
    }
    SelectObject(dc, oldFont);
}
