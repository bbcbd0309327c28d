// CaxLogging: a named logger that writes printf-style lines, filtered by a
// level bit mask, to one target chosen by a mode. Loggers of the same name
// share one target; loggers with the global-log flag share the process's
// global target. Mode, level mask and flag come from the constructor or,
// with configuration source 1, from the registry.
//
// The process-wide state (live-logger count, target registry, global target)
// and every target's reference count change only under one process-wide
// lock, so loggers may be made and destroyed on several threads at once.
// Log takes no lock: a logger must not be destroyed while another thread is
// still logging through it.
#pragma once

#include "CaxCString.h"
#include "CaxLoggingConfig.h"
#include "hx/critical_section.h"
#include "CaxLoggingTarget.h"
#include "CaxObject.h"

#include <windows.h>

#include <cstdarg>
#include <cstdint>

namespace caxlogging {
// Target kinds; a mode is one of these values, never a combination.
constexpr unsigned kModeNone = 0;
constexpr unsigned kModeFile = 1;
constexpr unsigned kModeEventLog = 2;
constexpr unsigned kModeConsole = 4;
constexpr unsigned kModeTrace = 8;
constexpr unsigned kModeMsgBox = 16;
// Configuration source that reads the registry at construction.
constexpr unsigned kConfigFromRegistry = 1;
// Lines are cut to this many characters.
constexpr int kLineBufferSize = 1024;
constexpr const char* kProductKeyPath = "Software\\Harlow\\Corvane";
} // namespace caxlogging

class CaxLogging : public CaxSystemObject {
public:
    CaxLogging(const char* name, unsigned configSource, unsigned mode, unsigned level,
               unsigned globalLog);
    CaxLogging(const CaxLogging&) = delete;
    CaxLogging& operator=(const CaxLogging&) = delete;
    ~CaxLogging() override;

    std::uint32_t GetClassID() const override;

    // The count the target's Write reports for the message, or 0 when the
    // level is filtered out (nothing is formatted then) or there is no target.
    std::int64_t Log(unsigned level, const char* format, ...);
    // Formats the text written before every line; answers its length.
    int SetPrefix(const char* format, ...);

    // Obtains the shared target or makes, opens and registers a new one and
    // writes the start banner to it. Answers the new target's Open result,
    // TRUE for a shared one, FALSE for an unknown mode (no target). A logger
    // that holds a target already keeps it and answers TRUE.
    BOOL StartLogging();
    // Drops this logger's reference; the last one destroys the target.
    void StopLogging();

    static CaxLoggingTarget* FindSharedTarget(const CaxLogging* logger);
    static BOOL RegisterTarget(const CaxLogging* logger, CaxLoggingTarget* target);
    static BOOL UnregisterTarget(const CaxLogging* logger, CaxLoggingTarget* target);
    // Opens HKEY_LOCAL_MACHINE "Software\Harlow\Corvane", or a sub-key of it;
    // answers RegOpenKeyExA's code.
    static LONG OpenProductKey(const char* subKey, REGSAM access, HKEY* key);

    const CaxCString& GetName() const noexcept { return m_name; }
    const CaxCString& GetPrefix() const noexcept { return m_prefix; }
    unsigned GetMode() const noexcept { return m_mode; }
    unsigned GetLevel() const noexcept { return m_level; }
    unsigned GetConfigSource() const noexcept { return m_configSource; }
    unsigned GetGlobalLog() const noexcept { return m_globalLog; }
    CaxLoggingTarget* GetTarget() const noexcept { return m_target; }

    // Snapshots of the process-wide state.
    static std::uint32_t GetLiveLoggerCount();
    static std::uint32_t GetRegisteredTargetCount();
    static CaxLoggingTarget* GetGlobalTarget();

private:
    // Counts the logger as live for exactly its lifetime, also when its
    // constructor throws after the count was taken.
    class LiveMembership {
    public:
        LiveMembership();
        ~LiveMembership();
        LiveMembership(const LiveMembership&) = delete;
        LiveMembership& operator=(const LiveMembership&) = delete;
    };

    std::int64_t WriteLine(const char* format, va_list args);
    std::int64_t WriteBannerLine(const char* format, ...);
    static CaxLoggingTarget* MakeTarget(unsigned mode);

    CaxCString m_name;
    CaxCString m_prefix;
    unsigned m_mode;
    unsigned m_level;
    unsigned m_configSource;
    unsigned m_globalLog;
    CaxLoggingTarget* m_target = nullptr;
    hx::critical_section m_lock;
    LiveMembership m_membership;
};
