#include "TogglePort.h"

#include "HXdigIOCtrl.h"
#include "ToolkitSettings.h"

CTogglePort::CTogglePort(CHXdigIOCtrl* ctrl, int32_t port, int32_t delay, HXKIMAGE image)
    : CWorkerPort("CTogglePort", ctrl, port, delay, image) {
    SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
    CreateStopwatch(m_hStopwatch.put());
    m_bUseHPC = ReadPulseTimingSetting();
}

CTogglePort::~CTogglePort() {
    EndWorkerNow(); // a pulse under way is finished first
    m_hImage.Release();
    m_hStopwatch.reset();
}

BOOL CTogglePort::Before() {
    const bool* destroyed = StepDestroyedFlag();
    int32_t level = 1;
    if (m_bUseHPC) RestartStopwatch(m_hStopwatch.get(), 0); // the hold counts from here
    if (ReadOutputLine(m_hImage.Get(), m_nPort, &level) != 0) {
        if (!ReportReadFailure() || (destroyed && *destroyed)) return FALSE;
    }
    WriteOutputLine(m_hImage.Get(), m_nPort, level == 0 ? 1 : 0);
    Hold();
    WriteOutputLine(m_hImage.Get(), m_nPort, level);
    // Nothing may touch this object after the report: its handler may have
    // destroyed it.
    m_pCtrl->ReportToggler(this, m_nPort, level);
    return FALSE;
}

// Woken by the toggler's destruction, the hold ends early: the pulse is then
// finished at once instead of keeping the destroying thread waiting.
void CTogglePort::Hold() {
    if (m_nDelay <= 0) return;
    if (!m_bUseHPC) {
        Pause(static_cast<DWORD>(m_nDelay));
        return;
    }
    const double delay = static_cast<double>(m_nDelay);
    double elapsed = 0.0;
    while (delay > elapsed && !Woken()) {
        if (StopwatchElapsed(m_hStopwatch.get(), 0, &elapsed) != 0) break; // no stopwatch: no hold
        Sleep(0);
    }
}
