// How the bench writes values in its log: handles and port groups in hex,
// line levels as the State names HI and LO, error codes with their names.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace format {

inline std::string Hex(LONGLONG value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// A 32-bit port group value.
inline std::string Group(LONGLONG value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value & 0xFFFFFFFF));
    return text;
}

// A line level: the State enumeration's names (LO = 0, HI = 1).
inline std::string Level(LONGLONG value) {
    if (value == 0) return "LO";
    if (value == 1) return "HI";
    return std::to_string(value);
}

// An automation BOOL (VARIANT_TRUE is -1).
inline std::string Bool(LONGLONG value) {
    return value ? "TRUE" : "FALSE";
}

// The names of the ErrorCode values the control raises.
inline std::string ErrorCode(LONGLONG code) {
    const char* name = "";
    switch (code) {
    case 11:
        name = " HXK_E_PROPERTYREAD";
        break;
    case 13:
        name = " HXK_E_INVALIDPORT";
        break;
    case 14:
        name = " HXK_E_PORTREAD";
        break;
    case 15:
        name = " HXK_E_PORTWRITE";
        break;
    case 17:
        name = " HXK_E_NOINTERFACE";
        break;
    default:
        break;
    }
    return std::to_string(code) + name;
}

inline std::string Result(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

} // namespace format
