#include "CaxLoggingTarget.h"

#include "CaxFaultSeam.h"

#include <cstring>

namespace {
constexpr const char* kConsoleTitle = "HXQ Message Console";
constexpr SHORT kBufferLines = 512;
constexpr WORD kLightGreyOnBlack = 7;
} // namespace

CaxLoggingTargetConsole::~CaxLoggingTargetConsole() {
    if (m_opened) Close();
}

BOOL CaxLoggingTargetConsole::Open(const char* name) {
    // A process that has a console already keeps it.
    if (!caxseam::ShouldFail(caxseam::Point::ConsoleAllocate)) AllocConsole();
    m_output = caxseam::ShouldFail(caxseam::Point::ConsoleOutput) ? INVALID_HANDLE_VALUE
                                                                  : GetStdHandle(STD_OUTPUT_HANDLE);
    SetConsoleTitleA(kConsoleTitle);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(m_output, &info)) {
        COORD size = {info.dwSize.X, kBufferLines};
        SetConsoleScreenBufferSize(m_output, size);
    }
    SetConsoleTextAttribute(m_output, kLightGreyOnBlack);
    if (HWND window = FindConsoleWindow()) ShowWindow(window, SW_MINIMIZE);
    m_opened = 1;
    m_name = name ? name : "";
    return TRUE;
}

HWND CaxLoggingTargetConsole::FindConsoleWindow() {
    char saved[1024] = "";
    GetConsoleTitleA(saved, sizeof saved);
    char unique[64];
    wsprintfA(unique, "%d/%d", static_cast<int>(GetTickCount()),
              static_cast<int>(GetCurrentProcessId()));
    SetConsoleTitleA(unique);
    // The window takes the new title asynchronously.
    Sleep(40);
    HWND window = FindWindowA(nullptr, unique);
    SetConsoleTitleA(saved);
    return window;
}

void CaxLoggingTargetConsole::Close() {
    if (m_output) {
        FreeConsole();
        m_output = nullptr;
    }
    m_opened = 0;
}

std::int64_t CaxLoggingTargetConsole::Write(const char* text) {
    if (!m_opened || !text) return 0;
    DWORD written = 0;
    if (caxseam::ShouldFail(caxseam::Point::ConsoleWrite) ||
        !WriteConsoleA(m_output, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr))
        return 0;
    return written;
}
