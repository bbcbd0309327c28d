// What suites that host windows or workers share: running this thread's
// messages (the window's hand-offs among them) for a while or until
// something holds, and counting the process's threads.
#pragma once

#include "hx/win32_owners.h"

#include <windows.h>
#include <tlhelp32.h>

#include <functional>

namespace hxtest {

// Runs this thread's messages for a while.
inline void PumpFor(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount64() < end);
}

// Runs this thread's messages until the condition holds, twenty seconds at
// most; answers the condition.
inline bool PumpUntil(const std::function<bool()>& condition) {
    const ULONGLONG end = GetTickCount64() + 20000;
    while (!condition() && GetTickCount64() < end)
        PumpFor(5);
    return condition();
}

// Threads of this process.
inline int ThreadCount() {
    hx::unique_file snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

} // namespace hxtest
