# Sources of the Win32 base runtime (Windows build only).
set(HX_CAXBASE_WIN32_SOURCES
    CaxRegistry.cpp
)
