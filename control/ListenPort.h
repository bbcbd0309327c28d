// CListenPort: a listener. Its worker polls one input line (bit mode) or one
// 32-line input port group and reports to the control, step by step, while
// the input holds the value waited for; between polls of a different value
// it pauses for Delay milliseconds.
#pragma once

#include "WorkerPort.h"

class CListenPort : public CWorkerPort {
public:
    // value: for a bit listener any nonzero value waits for HI.
    CListenPort(CHXdigIOCtrl* ctrl, int32_t port, int32_t value, int32_t delay, HXKIMAGE image,
                BOOL bitMode);
    ~CListenPort() override;

    // One poll: read, compare, then pause or report.
    BOOL Before() override;

private:
    const uint32_t m_nValue;
    const BOOL m_bBitMode;
};
