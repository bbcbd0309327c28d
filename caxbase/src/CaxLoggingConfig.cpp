// Logging configuration from HKEY_LOCAL_MACHINE "Software\Harlow\Corvane".
#include "CaxLogging.h"
#include "CaxLoggingConfig.h"
#include "CaxFaultSeam.h"
#include "CaxRegistry.h"

#include <utility>

LONG CaxLogging::OpenProductKey(const char* subKey, REGSAM access, HKEY* key) {
    if (!key) return ERROR_INVALID_PARAMETER;
    if (caxseam::ShouldFail(caxseam::Point::RegistryOpen)) return ERROR_ACCESS_DENIED;
    CaxCString path(caxlogging::kProductKeyPath);
    if (subKey) {
        path.Append("\\");
        path.Append(subKey);
    }
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.GetData(), 0, access, key);
}

BOOL CaxLoggingConfigHXQ::Read(const char* name, DWORD* globalLog, DWORD* mode, DWORD* level) {
    hx::unique_hkey key;
    // Only the product key's existence matters.
    if (CaxLogging::OpenProductKey(nullptr, KEY_READ, key.put()) != ERROR_SUCCESS) return FALSE;
    if (CaxLogging::OpenProductKey("Error Logging", KEY_READ, key.put()) != ERROR_SUCCESS)
        return FALSE;
    {
        CaxRegistry errorLogging(std::move(key));
        DWORD flag = 0;
        errorLogging.ReadDWORD("Global ErrorLog Enabled", &flag, 0);
        if (globalLog) *globalLog = flag;
    }

    // An empty name would name "Error Logging" itself.
    if (!name || !*name) return FALSE;
    CaxCString subKey("Error Logging\\");
    subKey.Append(name);
    if (CaxLogging::OpenProductKey(subKey.GetData(), KEY_READ, key.put()) != ERROR_SUCCESS)
        return FALSE;
    CaxRegistry logger(std::move(key));
    // Read aside: a value of another type must not leave stray bytes in the
    // caller's mode or level, which then keep the values they had.
    DWORD value = 0;
    if (logger.ReadDWORD("Log Level", &value) && level) *level = value;
    if (logger.ReadDWORD("Log Mode", &value) && mode) *mode = value;
    return TRUE;
}
