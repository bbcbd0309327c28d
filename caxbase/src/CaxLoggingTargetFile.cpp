#include "CaxFaultSeam.h"
#include "CaxHRESULT.h"
#include "CaxLoggingTarget.h"

CaxLoggingTargetFile::~CaxLoggingTargetFile() {
    if (m_opened) Close();
}

BOOL CaxLoggingTargetFile::Open(const char* name) {
    if (!name) return FALSE;
    if (m_stream) Close();
    m_fileName.Format("c:\\%s.LOG", name);
    if (!caxseam::ShouldFail(caxseam::Point::LogFileOpen))
        m_stream.reset(std::fopen(m_fileName.GetData() ? m_fileName.GetData() : "", "a"));
    if (!m_stream)
        throw axIO::CaxIOException(axIO::kCannotOpenStream, "..\\..\\src\\CaxLogging", 442);
    m_opened = 1;
    return TRUE;
}

void CaxLoggingTargetFile::Close() {
    m_stream.reset();
    m_opened = 0;
}

std::int64_t CaxLoggingTargetFile::Write(const char* text) {
    if (!m_opened || !text) return 0;
    return std::fprintf(m_stream.get(), "%s", text);
}

std::int64_t CaxLoggingTargetFile::WriteRaw(const void* data, int size) {
    if (!m_opened || !data || size <= 0) return 0;
    return static_cast<std::int64_t>(
        std::fwrite(data, static_cast<std::size_t>(size), 1, m_stream.get()));
}
