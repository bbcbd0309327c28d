#include "CaxLoggingTarget.h"

#include "CaxFaultSeam.h"

CaxLoggingTargetEventLog::~CaxLoggingTargetEventLog() {
    if (m_opened) Close();
}

BOOL CaxLoggingTargetEventLog::Open(const char* name) {
    if (m_source) Close();
    m_eventNumber = 0;
    if (!caxseam::ShouldFail(caxseam::Point::EventSourceRegister))
        m_source.reset(RegisterEventSourceA(nullptr, name));
    m_opened = m_source ? 1 : 0;
    m_name = name ? name : "";
    return IsOpened();
}

void CaxLoggingTargetEventLog::Close() {
    m_source.reset();
    m_opened = 0;
}

std::int64_t CaxLoggingTargetEventLog::Write(const char* text) {
    if (!m_opened || !text) return 0;
    const char* strings[1] = {text};
    // Whether the event was written is not reported.
    if (!caxseam::ShouldFail(caxseam::Point::EventReport))
        ReportEventA(m_source.get(), EVENTLOG_INFORMATION_TYPE, 0, m_eventNumber, nullptr, 1, 0,
                     strings, nullptr);
    return TextLength(text);
}

std::int64_t CaxLoggingTargetEventLog::WriteRaw(const void* data, int size) {
    if (!m_opened || size < 0 || (size > 0 && !data)) return 0;
    const DWORD number = m_eventNumber++;
    if (!caxseam::ShouldFail(caxseam::Point::EventReport))
        ReportEventA(m_source.get(), EVENTLOG_INFORMATION_TYPE, 0, number, nullptr, 0,
                     static_cast<DWORD>(size), nullptr, const_cast<void*>(data));
    return size;
}
