#include "DevicePanel.h"

#include "hx/win32_owners.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kShownLines = 64; // lines of each kind that are drawn
constexpr int kPerRow = 16;
constexpr int kLabelWidth = 58;
constexpr int kPitch = 30; // from one cell to the next
constexpr int kSwitchSize = 24;
constexpr int kInputRowHeight = 30;
constexpr int kLampSize = 18;
constexpr int kOutputRowHeight = 34;
constexpr int kGap = 6;
constexpr int kFooterHeight = 18;
constexpr UINT_PTR kPollTimer = 1;

int RowsFor(int lines) {
    return (std::min(lines, kShownLines) + kPerRow - 1) / kPerRow;
}

const char* ClassName() {
    return "HxBenchDevicePanel";
}

// Levels of the first lines of a kind, as the device holds them now.
std::vector<int> ReadLevels(HXKIMAGE image, int lines,
                            int32_t (*read)(HXKIMAGE, int32_t, int32_t*)) {
    std::vector<int> levels(static_cast<size_t>(std::min(lines, kShownLines)), 0);
    for (size_t line = 0; line < levels.size(); ++line) {
        int32_t level = 0;
        if (image && read(image, static_cast<int32_t>(line), &level) == HXKSIM_OK)
            levels[line] = level;
    }
    return levels;
}

// The 32-bit value of a port group from the levels drawn.
unsigned long GroupValue(const std::vector<int>& levels, size_t group) {
    unsigned long value = 0;
    for (size_t bit = 0; bit < 32 && group * 32 + bit < levels.size(); ++bit)
        if (levels[group * 32 + bit]) value |= 1ul << bit;
    return value;
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    hx::unique_any<HBRUSH, &DeleteObject> brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

} // namespace

int DevicePanel::HeightFor(int inputs, int outputs) {
    return RowsFor(inputs) * kInputRowHeight + kGap + RowsFor(outputs) * kOutputRowHeight +
           kFooterHeight;
}

HWND DevicePanel::Create(HWND parent, const RECT& where, FlipHandler onFlip) {
    static const ATOM registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &DevicePanel::WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_HAND);
        windowClass.lpszClassName = ClassName();
        return RegisterClassA(&windowClass);
    }();
    if (!registered) return nullptr;
    m_onFlip = std::move(onFlip);
    m_window = CreateWindowExA(0, ClassName(), "", WS_CHILD | WS_VISIBLE, where.left, where.top,
                               where.right - where.left, where.bottom - where.top, parent, nullptr,
                               GetModuleHandleA(nullptr), this);
    if (m_window) SetTimer(m_window, kPollTimer, 50, nullptr);
    return m_window;
}

void DevicePanel::Show(HXKIMAGE image, int inputs, int outputs) {
    m_image = image;
    m_inputs = inputs;
    m_outputs = outputs;
    Poll();
    Redraw();
}

void DevicePanel::MarkFaults(std::set<int> inputs, std::set<int> outputs) {
    m_faultyInputs = std::move(inputs);
    m_faultyOutputs = std::move(outputs);
    Redraw();
}

void DevicePanel::Redraw() {
    if (m_window) InvalidateRect(m_window, nullptr, FALSE); // (null would mean every window)
}

int DevicePanel::InputRows() const {
    return RowsFor(m_inputs);
}

RECT DevicePanel::InputCell(int line) const {
    const int x = kLabelWidth + (line % kPerRow) * kPitch;
    const int y = (line / kPerRow) * kInputRowHeight + (kInputRowHeight - kSwitchSize) / 2;
    return RECT{x, y, x + kSwitchSize, y + kSwitchSize};
}

RECT DevicePanel::OutputCell(int line) const {
    const int x = kLabelWidth + (line % kPerRow) * kPitch + (kSwitchSize - kLampSize) / 2;
    const int y = InputRows() * kInputRowHeight + kGap + (line / kPerRow) * kOutputRowHeight + 2;
    return RECT{x, y, x + kLampSize, y + kLampSize};
}

POINT DevicePanel::InputCentre(int line) const {
    const RECT cell = InputCell(line);
    return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

POINT DevicePanel::OutputCentre(int line) const {
    const RECT cell = OutputCell(line);
    return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

int DevicePanel::InputAt(POINT point) const {
    for (int line = 0; line < std::min(m_inputs, kShownLines); ++line) {
        const RECT cell = InputCell(line);
        if (PtInRect(&cell, point)) return line;
    }
    return -1;
}

void DevicePanel::Poll() {
    std::vector<int> inputs = ReadLevels(m_image, m_inputs, &HXKSimGetInput);
    std::vector<int> outputs = ReadLevels(m_image, m_outputs, &HXKSimGetOutput);
    if (inputs == m_inputLevels && outputs == m_outputLevels) return;
    m_inputLevels = std::move(inputs);
    m_outputLevels = std::move(outputs);
    Redraw();
}

void DevicePanel::Paint(HDC dc) {
    RECT client;
    GetClientRect(m_window, &client);
    Fill(dc, client, GetSysColor(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    auto text = [dc](const std::string& s, RECT r, UINT format, COLORREF colour) {
        SetTextColor(dc, colour);
        DrawTextA(dc, s.c_str(), -1, &r, format | DT_SINGLELINE | DT_NOPREFIX);
    };
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    if (!m_image) {
        text("No image is bound.", client, DT_CENTER | DT_VCENTER, ink);
        SelectObject(dc, oldFont);
        return;
    }
    hx::unique_any<HPEN, &DeleteObject> faultPen(CreatePen(PS_SOLID, 2, RGB(220, 0, 0)));
    hx::unique_any<HPEN, &DeleteObject> edgePen(CreatePen(PS_SOLID, 1, RGB(90, 90, 90)));
    const HGDIOBJ oldPen = SelectObject(dc, edgePen.get());

    if (m_inputs > 0)
        text("Inputs", RECT{0, 0, kLabelWidth, kInputRowHeight}, DT_LEFT | DT_VCENTER, ink);
    for (size_t line = 0; line < m_inputLevels.size(); ++line) {
        const RECT cell = InputCell(static_cast<int>(line));
        const bool high = m_inputLevels[line] != 0;
        const bool faulty = m_faultyInputs.count(static_cast<int>(line)) != 0;
        SelectObject(dc, faulty ? faultPen.get() : edgePen.get());
        hx::unique_any<HBRUSH, &DeleteObject> brush(
            CreateSolidBrush(high ? RGB(40, 160, 60) : RGB(228, 228, 228)));
        const HGDIOBJ oldBrush = SelectObject(dc, brush.get());
        RoundRect(dc, cell.left, cell.top, cell.right, cell.bottom, 6, 6);
        SelectObject(dc, oldBrush);
        text(std::to_string(line), cell, DT_CENTER | DT_VCENTER,
             high ? RGB(255, 255, 255) : RGB(60, 60, 60));
    }

    const int outputsTop = InputRows() * kInputRowHeight + kGap;
    if (m_outputs > 0)
        text("Outputs", RECT{0, outputsTop, kLabelWidth, outputsTop + kLampSize + 4},
             DT_LEFT | DT_VCENTER, ink);
    for (size_t line = 0; line < m_outputLevels.size(); ++line) {
        const RECT lamp = OutputCell(static_cast<int>(line));
        const bool high = m_outputLevels[line] != 0;
        const bool faulty = m_faultyOutputs.count(static_cast<int>(line)) != 0;
        SelectObject(dc, faulty ? faultPen.get() : edgePen.get());
        hx::unique_any<HBRUSH, &DeleteObject> brush(
            CreateSolidBrush(high ? RGB(255, 170, 0) : RGB(70, 60, 50)));
        const HGDIOBJ oldBrush = SelectObject(dc, brush.get());
        Ellipse(dc, lamp.left, lamp.top, lamp.right, lamp.bottom);
        SelectObject(dc, oldBrush);
        RECT label = {lamp.left - 6, lamp.bottom, lamp.right + 6, lamp.bottom + 13};
        text(std::to_string(line), label, DT_CENTER | DT_TOP, ink);
    }

    // The port groups' values, as GetInDWORD and GetOutDWORD read them.
    std::string groups;
    char part[32];
    for (size_t g = 0; g * 32 < m_inputLevels.size() && g < 2; ++g) {
        std::snprintf(part, sizeof part, " 0x%08lX", GroupValue(m_inputLevels, g));
        groups += (g == 0 ? "input groups:" : "") + std::string(part);
    }
    for (size_t g = 0; g * 32 < m_outputLevels.size() && g < 2; ++g) {
        std::snprintf(part, sizeof part, " 0x%08lX", GroupValue(m_outputLevels, g));
        groups += (g == 0 ? "    output groups:" : "") + std::string(part);
    }
    if (m_inputs > kShownLines || m_outputs > kShownLines) groups += "    (64 lines of each drawn)";
    text(groups, RECT{0, client.bottom - kFooterHeight, client.right, client.bottom},
         DT_LEFT | DT_VCENTER, GetSysColor(COLOR_GRAYTEXT));
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK DevicePanel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* panel = reinterpret_cast<DevicePanel*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!panel) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_TIMER:
        panel->Poll();
        return 0;
    case WM_LBUTTONDOWN: {
        const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int line = panel->InputAt(at);
        if (line >= 0 && panel->m_image) {
            int32_t level = 0;
            HXKSimGetInput(panel->m_image, line, &level);
            HXKSimSetInput(panel->m_image, line, level ? 0 : 1);
            panel->Poll();
            if (panel->m_onFlip) panel->m_onFlip(line, level ? 0 : 1);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC screen = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        // Drawn off screen first, so the lamps do not flicker.
        hx::unique_hdc memory(CreateCompatibleDC(screen));
        hx::unique_hbitmap bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
        const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
        panel->Paint(memory.get());
        BitBlt(screen, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        SelectObject(memory.get(), old);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        KillTimer(window, kPollTimer);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        panel->m_window = nullptr;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
