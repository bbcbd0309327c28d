// The logger itself: construction with optional registry configuration,
// level filtering before any formatting, and obtaining and releasing the
// shared target.
#include "CaxLogging.h"
#include "CaxLoggingProcessState.h"
#include "CaxPlatform.h"

#include <memory>

using caxlogging::kLineBufferSize;

namespace {

// Formats into a line buffer; a longer text is cut at kLineBufferSize - 1.
void FormatLine(char (&buffer)[kLineBufferSize], const char* format, va_list args) {
    buffer[0] = '\0';
    if (format) caxplatform::VsnPrintf(buffer, sizeof buffer, format, args);
    buffer[sizeof buffer - 1] = '\0';
}

} // namespace

CaxLogging::CaxLogging(const char* name, unsigned configSource, unsigned mode, unsigned level,
                       unsigned globalLog)
    : m_name(name), m_mode(mode), m_level(level), m_configSource(configSource),
      m_globalLog(globalLog) {
    AddToClassSet(caxclass::kLogging);
    if (m_configSource == caxlogging::kConfigFromRegistry) {
        DWORD flag = m_globalLog;
        DWORD readMode = m_mode;
        DWORD readLevel = m_level;
        CaxLoggingConfigHXQ config;
        if (config.Read(m_name.GetData(), &flag, &readMode, &readLevel)) {
            m_mode = readMode;
            m_level = readLevel;
        }
        m_globalLog = flag;
    }
    if (m_level != 0) StartLogging();
}

CaxLogging::~CaxLogging() {
    StopLogging();
}

std::uint32_t CaxLogging::GetClassID() const {
    return IdentifierIfAlive(caxclass::kLogging);
}

std::int64_t CaxLogging::Log(unsigned level, const char* format, ...) {
    // The one test a disabled line costs: nothing is formatted.
    if ((m_level & level) == 0) return 0;
    va_list args;
    va_start(args, format);
    const std::int64_t written = WriteLine(format, args);
    va_end(args);
    return written;
}

std::int64_t CaxLogging::WriteLine(const char* format, va_list args) {
    CaxLoggingTarget* target = m_target;
    if (!target) return 0;
    if (m_prefix.GetLength() > 0) target->Write(m_prefix.GetData());
    char buffer[kLineBufferSize];
    FormatLine(buffer, format, args);
    return target->Write(buffer);
}

std::int64_t CaxLogging::WriteBannerLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::int64_t written = WriteLine(format, args);
    va_end(args);
    return written;
}

int CaxLogging::SetPrefix(const char* format, ...) {
    char buffer[kLineBufferSize];
    va_list args;
    va_start(args, format);
    FormatLine(buffer, format, args);
    va_end(args);
    m_prefix = buffer;
    return m_prefix.GetLength();
}

CaxLoggingTarget* CaxLogging::MakeTarget(unsigned mode) {
    switch (mode) {
    case caxlogging::kModeNone:
        return new CaxLoggingTarget;
    case caxlogging::kModeFile:
        return new CaxLoggingTargetFile;
    case caxlogging::kModeEventLog:
        return new CaxLoggingTargetEventLog;
    case caxlogging::kModeConsole:
        return new CaxLoggingTargetConsole;
    case caxlogging::kModeTrace:
        return new CaxLoggingTargetTrace;
    case caxlogging::kModeMsgBox:
        return new CaxLoggingTargetMsgBox;
    default:
        return nullptr;
    }
}

BOOL CaxLogging::StartLogging() {
    BOOL opened = FALSE;
    {
        const auto hold = m_lock.lock();
        if (m_target) return TRUE;
        // Finding, counting and registering happen under one hold of the
        // process lock, so a target is never shared before it is open and
        // never handed out while its last reference is being dropped, and
        // two loggers of one name never make two targets. The hold spans the
        // new target's Open: other loggers' StartLogging and StopLogging wait
        // for it (a console takes some 40 ms to open), a small price for a
        // registry that never shows a half-made target.
        CaxLoggingProcessState& state = LoggingProcessState();
        const auto holdProcess = state.section.lock();
        if (CaxLoggingTarget* shared = FindSharedTarget(this)) {
            shared->AddReference();
            m_target = shared;
            return TRUE;
        }
        std::unique_ptr<CaxLoggingTarget> target(MakeTarget(m_mode));
        if (!target) return FALSE;
        // A throwing Open (the log file) frees the target, which is not yet
        // registered, before the exception leaves.
        opened = target->Open(m_name.GetData());
        RegisterTarget(this, target.get());
        m_target = target.release();
    }
    WriteBannerLine("\r\n\r\n***************************** %s *****************************\r\n",
                    m_name.GetData() ? m_name.GetData() : "");
    WriteBannerLine("Error Level = %u\r\nError Mode  = %u\r\n\r\n", m_level, m_mode);
    WriteBannerLine("Start Logging...\r\n\r\n");
    return opened;
}

void CaxLogging::StopLogging() {
    if (!m_target) return;
    CaxLoggingTarget* released = nullptr;
    {
        const auto hold = m_lock.lock();
        CaxLoggingProcessState& state = LoggingProcessState();
        const auto holdProcess = state.section.lock();
        if (!m_target) return;
        if (m_target->ReleaseReference() == 0) {
            UnregisterTarget(this, m_target);
            released = m_target;
        }
        m_target = nullptr;
    }
    // Unregistered with no reference left: nobody else can reach it.
    delete released;
}
