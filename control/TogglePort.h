// CTogglePort: a toggler. Each run is one step, one pulse: invert the output
// line, hold the inverted level for Delay milliseconds, restore the level it
// found, report, and stop. The hold is a sleep, or with "DigIO via HPC" set a
// wait on the toolkit's high-performance stopwatch.
#pragma once

#include "HXKStopwatch.h"
#include "WorkerPort.h"

class CTogglePort : public CWorkerPort {
public:
    CTogglePort(CHXdigIOCtrl* ctrl, int32_t port, int32_t delay, HXKIMAGE image);
    ~CTogglePort() override;

    // The pulse; always FALSE, so that the worker stops after it.
    BOOL Before() override;

private:
    void Hold();

    BOOL m_bUseHPC = FALSE;
    HXKStopwatchOwner m_hStopwatch;
};
