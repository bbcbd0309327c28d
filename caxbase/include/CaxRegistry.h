// CaxRegistry: reads typed values, with defaults, from a registry key that
// its owner opened. The reader owns the key from construction on and closes
// it exactly once, when it is destroyed. Reads never throw and never report
// Win32 codes: every failure is a FALSE result.
#pragma once

#include "CaxCString.h"
#include "CaxObject.h"

#include <windows.h>

#include <cstdint>

class CaxRegistry : public CaxStorageObject {
public:
    // Takes ownership of an open key; a null key makes every read fail.
    explicit CaxRegistry(HKEY key) noexcept;
    CaxRegistry(const CaxRegistry&) = delete;
    CaxRegistry& operator=(const CaxRegistry&) = delete;
    ~CaxRegistry() override;

    std::uint32_t GetClassID() const override;

    // A REG_SZ value's text (up to its first NUL, never beyond the stored
    // size). Anything else (missing, another type, REG_EXPAND_SZ and
    // REG_MULTI_SZ included, a value that grew between the size query and the
    // read) assigns the default and answers FALSE.
    BOOL ReadString(const char* valueName, CaxCString* value, CaxCString defaultValue);

    // TRUE only for a REG_DWORD value of 4 bytes. A value of another type
    // that fits in 4 bytes is still copied into *value (as the registry query
    // itself would); a larger or missing one leaves *value as it was.
    BOOL ReadDWORD(const char* valueName, DWORD* value);
    // As above, but assigns the default whenever the answer is FALSE.
    BOOL ReadDWORD(const char* valueName, DWORD* value, DWORD defaultValue);

    HKEY GetKey() const noexcept { return m_key; }

private:
    HKEY m_key;
};
