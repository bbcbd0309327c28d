#include "WorkerPort.h"

#include "HXdigIOCtrl.h"

namespace {
// Worker threads write no log.
constexpr unsigned kLogConfigSource = 0, kLogMode = caxlogging::kModeConsole, kLogLevel = 0,
                   kLogGlobal = 0;
} // namespace

CWorkerPort::CWorkerPort(const char* name, CHXdigIOCtrl* ctrl, int32_t port, int32_t delay,
                         HXKIMAGE image)
    : CaxThread(name, kLogConfigSource, kLogMode, kLogLevel, kLogGlobal), m_pCtrl(ctrl),
      m_nPort(port), m_nDelay(delay), m_hImage(image),
      m_wake(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CWorkerPort::~CWorkerPort() {
    EndWorkerNow();
}

void CWorkerPort::EndWorkerNow() {
    if (m_ended) return; // the subclass's destructor did it
    Wake();
    EndWorker();
    m_ended = true;
}

BOOL CWorkerPort::StartRun() {
    m_woken = false;
    if (m_wake) ResetEvent(m_wake.get());
    return Start();
}

void CWorkerPort::Wake() {
    m_woken = true;
    if (m_wake) SetEvent(m_wake.get());
}

bool CWorkerPort::Pause(DWORD milliseconds) {
    if (milliseconds == 0) return Woken();
    if (!m_wake) {
        Sleep(milliseconds);
        return Woken();
    }
    return WaitForSingleObject(m_wake.get(), milliseconds) == WAIT_OBJECT_0;
}

BOOL CWorkerPort::ReportReadFailure() {
    if (IsDying()) return FALSE;
    return m_pCtrl->ReportWorkerError();
}
