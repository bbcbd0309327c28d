// Where a logger's mode, level mask and global-log flag come from when it is
// asked to read them: CaxLoggingConfigHXQ reads the product's logging keys
// under HKEY_LOCAL_MACHINE "Software\Harlow\Corvane".
#pragma once

#include <windows.h>

class CaxLoggingConfig {
public:
    // TRUE when the logger's own sub-key opened and was read. *mode and
    // *level change only for values that are REG_DWORDs; *globalLog is
    // assigned as soon as the "Error Logging" key has been read.
    virtual BOOL Read(const char* name, DWORD* globalLog, DWORD* mode, DWORD* level) = 0;

protected:
    CaxLoggingConfig() = default;
    CaxLoggingConfig(const CaxLoggingConfig&) = default;
    CaxLoggingConfig& operator=(const CaxLoggingConfig&) = default;
    // Not virtual: a reader is never deleted through this class.
    ~CaxLoggingConfig() = default;
};

class CaxLoggingConfigHXQ : public CaxLoggingConfig {
public:
    BOOL Read(const char* name, DWORD* globalLog, DWORD* mode, DWORD* level) override;
};
