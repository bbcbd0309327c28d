#include "ListenPort.h"

#include "HXdigIOCtrl.h"

CListenPort::CListenPort(CHXdigIOCtrl* ctrl, int32_t port, int32_t value, int32_t delay,
                         HXKIMAGE image, BOOL bitMode)
    : CWorkerPort("CListenPort", ctrl, port, delay, image),
      m_nValue(bitMode ? (value != 0 ? 1u : 0u) : static_cast<uint32_t>(value)),
      m_bBitMode(bitMode) {}

CListenPort::~CListenPort() {
    EndWorkerNow(); // the worker must not poll while members go
}

BOOL CListenPort::Before() {
    const bool* destroyed = StepDestroyedFlag();
    int32_t line = 0;
    uint32_t group = 0;
    const int32_t status = m_bBitMode ? ReadInputLine(m_hImage.Get(), m_nPort, &line)
                                      : ReadInputGroup(m_hImage.Get(), m_nPort, &group);
    if (status != 0) {
        // The handler may let the listener go on (with whatever the failed
        // read left), stop it, or even delete it with the control.
        if (!ReportReadFailure() || (destroyed && *destroyed)) return FALSE;
    }
    const uint32_t value = m_bBitMode ? static_cast<uint32_t>(line) : group;
    if (value != m_nValue) {
        // A negative Delay polls without pause rather than for ever.
        Pause(m_nDelay > 0 ? static_cast<DWORD>(m_nDelay) : 0);
        return TRUE;
    }
    // Nothing may touch this object after the report: its handler may have
    // destroyed it.
    m_pCtrl->ReportListener(this, m_nPort, value);
    return TRUE;
}
