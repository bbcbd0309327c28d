// CaxExceptionObject: the general exception of the base library's object
// tree, thrown by value. Carries a result (an error value or a plain number),
// a line (or, for the list template, its error code), a message and the
// name of the source file.
#pragma once

#include "CaxCString.h"
#include "CaxObject.h"

#include <cstdarg>
#include <cstdint>

#ifdef _WIN32
// windows.h maps GetMessage to GetMessageA; taking it in first keeps the
// member's name the same in every translation unit.
#include <windows.h>
#endif

class CaxExceptionObject : public CaxObject {
public:
    static constexpr std::uint32_t kGeneralFailure = 0x80000000u;

    explicit CaxExceptionObject(std::uint32_t result);
    explicit CaxExceptionObject(const char* format, ...);
    CaxExceptionObject(const char* file, std::int64_t line, const char* format, ...);
    CaxExceptionObject(const CaxExceptionObject& other);
    CaxExceptionObject& operator=(const CaxExceptionObject& other) = default;
    ~CaxExceptionObject() override;

    std::uint32_t GetClassID() const override;

    virtual void SetError(std::uint32_t result, const char* message, const char* file,
                          std::int32_t line);
    // Packs the parts like axErrors::CaxHRESULT and calls SetError.
    virtual void SetErrorParts(std::int16_t code, std::uint8_t subFacility, std::uint8_t facility,
                               std::uint32_t reserved, bool severity, const char* message,
                               const char* file, std::int32_t line);

    std::uint32_t GetResult() const noexcept { return m_result; }
    std::int64_t GetLine() const noexcept { return m_line; }
    // Never null: an exception without a message answers "".
    const char* GetMessage() const noexcept;
    const CaxCString& GetMessageString() const noexcept { return m_message; }
    const char* GetFile() const noexcept { return m_file; }

private:
    std::uint32_t m_result;
    std::int64_t m_line;
    CaxCString m_message;
    const char* m_file;
};
