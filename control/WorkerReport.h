// How a worker thread hands a report to the control's window: the private
// window messages and the record a report message points to.
#pragma once

#include <windows.h>

#include <cstdint>

// Sent (SendMessage) by a listener thread; lParam: the WorkerReport.
constexpr UINT WM_LISTENER_REPORT = 0x0B09;
// Sent by a toggler thread; lParam: the WorkerReport.
constexpr UINT WM_TOGGLER_REPORT = 0x0B0A;
// Posted by a Stop that must not wait on the window thread; wParam: the
// listener's handle.
constexpr UINT WM_LISTENER_STOP = 0x0B0B;
// Posted when destroyed workers wait to be deleted on the window thread.
constexpr UINT WM_WORKER_REAP = 0x0B0C;
static_assert(WM_LISTENER_REPORT < WM_TOGGLER_REPORT && WM_TOGGLER_REPORT < WM_LISTENER_STOP &&
                  WM_LISTENER_STOP < WM_WORKER_REAP,
              "the window procedure tells these by their range");

// Lives on the reporting worker's stack while the window handles the message
// that points to it.
struct WorkerReport {
    LONGLONG handle;
    int32_t port;
    int32_t value;
};
