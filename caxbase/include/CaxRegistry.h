// CaxRegistry: reads typed values, with defaults, from a registry key that
// its owner opened and handed over. The reader owns the key from then on and
// closes it exactly once, when it is destroyed. Reads never throw and never
// report Win32 codes: every failure is a FALSE result.
#pragma once

#include "CaxCString.h"
#include "CaxObject.h"

#include "hx/win32_owners.h"

#include <windows.h>

#include <cstdint>

class CaxRegistry : public CaxStorageObject {
public:
    // Takes over an open key; an empty one makes every read fail.
    explicit CaxRegistry(hx::unique_hkey key) noexcept;
    CaxRegistry(const CaxRegistry&) = delete;
    CaxRegistry& operator=(const CaxRegistry&) = delete;
    ~CaxRegistry() override = default;

    std::uint32_t GetClassID() const override;

    // A REG_SZ value's text (up to its first NUL, never beyond the stored
    // size). Anything else (missing, another type, REG_EXPAND_SZ and
    // REG_MULTI_SZ included, a value that grew between the size query and the
    // read, a text the string class has no memory for) assigns the default
    // and answers FALSE; a default it has no memory for leaves *value as it
    // was.
    BOOL ReadString(const char* valueName, CaxCString* value, CaxCString defaultValue);

    // TRUE only for a REG_DWORD value of 4 bytes. A value of another type
    // that fits in 4 bytes is still copied into *value (as the registry query
    // itself would); a larger or missing one leaves *value as it was.
    BOOL ReadDWORD(const char* valueName, DWORD* value);
    // As above, but assigns the default whenever the answer is FALSE.
    BOOL ReadDWORD(const char* valueName, DWORD* value, DWORD defaultValue);

    HKEY GetKey() const noexcept { return m_key.get(); }

private:
    // The REG_SZ text into *value; false when there is none to be had.
    bool ReadText(const char* valueName, CaxCString* value);

    hx::unique_hkey m_key;
};
