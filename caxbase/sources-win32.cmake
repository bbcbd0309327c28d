# Sources of the Win32 base runtime (Windows build only).
set(HX_CAXBASE_WIN32_SOURCES
    CaxRegistry.cpp
    CaxLogging.cpp
    CaxLoggingConfig.cpp
    CaxLoggingRegistry.cpp
    CaxLoggingTarget.cpp
    CaxLoggingTargetConsole.cpp
    CaxLoggingTargetEventLog.cpp
    CaxLoggingTargetFile.cpp
    CaxThread.cpp
)
