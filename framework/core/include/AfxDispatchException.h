// The error an automation member raises to fail its call: Invoke hands the
// code (and text) back to the caller, through EXCEPINFO when one is given.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

class COleDispatchException {
public:
    COleDispatchException(SCODE scError, const char* description)
        : m_scError(scError), m_strDescription(description ? description : "") {}

    SCODE m_scError;
    std::string m_strDescription; // empty: the code's standard text, if it has one
};

[[noreturn]] void AfxThrowOleDispatchException(SCODE scError, const char* description = nullptr);
