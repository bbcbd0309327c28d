#include "CaxRegistry.h"

#include "CaxFaultSeam.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

CaxRegistry::CaxRegistry(hx::unique_hkey key) noexcept : m_key(std::move(key)) {
    AddToClassSet(caxclass::kRegistry);
}

namespace {

// RegQueryValueExA, or the failure a test asked for at this point.
LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data, DWORD* size) {
    if (caxseam::ShouldFail(caxseam::Point::RegistryQuery)) return ERROR_ACCESS_DENIED;
    return RegQueryValueExA(key, valueName, nullptr, type, data, size);
}

} // namespace

std::uint32_t CaxRegistry::GetClassID() const {
    return IdentifierIfAlive(caxclass::kRegistry);
}

BOOL CaxRegistry::ReadString(const char* valueName, CaxCString* value, CaxCString defaultValue) {
    if (!value) return FALSE;
    // The string class throws an int when memory runs out, but a read never
    // throws: a text that cannot be stored counts as unreadable, and a
    // default that cannot be stored either leaves the value as it was (an
    // assignment that fails changes nothing).
    try {
        if (ReadText(valueName, value)) return TRUE;
    } catch (int) {
    }
    try {
        *value = defaultValue;
    } catch (int) {
    }
    return FALSE;
}

bool CaxRegistry::ReadText(const char* valueName, CaxCString* value) {
    DWORD type = 0;
    DWORD size = 0;
    if (!m_key || QueryValue(m_key.get(), valueName, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // One spare byte, always zero, terminates data stored without a NUL.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]);
    if (!buffer) return false;
    std::memset(buffer.get(), 0, static_cast<std::size_t>(size) + 1);
    DWORD read = size;
    // A value that grew meanwhile answers ERROR_MORE_DATA and counts as
    // unreadable; one that shrank reports its new size.
    if (QueryValue(m_key.get(), valueName, &type, reinterpret_cast<BYTE*>(buffer.get()), &read) !=
            ERROR_SUCCESS ||
        type != REG_SZ || read > size)
        return false;
    buffer[read] = '\0';
    *value = buffer.get();
    return true;
}

BOOL CaxRegistry::ReadDWORD(const char* valueName, DWORD* value) {
    if (!value || !m_key) return FALSE;
    // Read aside first, so that only what the registry really returned is
    // copied and a failed query leaves the caller's value untouched.
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof data;
    if (QueryValue(m_key.get(), valueName, &type, reinterpret_cast<BYTE*>(&data), &size) !=
        ERROR_SUCCESS)
        return FALSE;
    if (size > sizeof data) return FALSE;
    std::memcpy(value, &data, size);
    return type == REG_DWORD && size == sizeof data ? TRUE : FALSE;
}

BOOL CaxRegistry::ReadDWORD(const char* valueName, DWORD* value, DWORD defaultValue) {
    if (!value) return FALSE;
    if (ReadDWORD(valueName, value)) return TRUE;
    *value = defaultValue;
    return FALSE;
}
