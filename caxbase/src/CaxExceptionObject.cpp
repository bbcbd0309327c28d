#include "CaxException.h"

#include "CaxHRESULT.h"

CaxExceptionObject::CaxExceptionObject(std::uint32_t result)
    : m_result(result), m_line(0), m_file(nullptr) {
    AddToClassSet(caxclass::kException);
}

CaxExceptionObject::CaxExceptionObject(const char* format, ...)
    : m_result(kGeneralFailure), m_line(0), m_file(nullptr) {
    AddToClassSet(caxclass::kException);
    va_list args;
    va_start(args, format);
    try {
        m_message.AppendFormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

CaxExceptionObject::CaxExceptionObject(const char* file, std::int64_t line, const char* format, ...)
    : m_result(kGeneralFailure), m_line(line), m_file(file) {
    AddToClassSet(caxclass::kException);
    va_list args;
    va_start(args, format);
    try {
        m_message.AppendFormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

CaxExceptionObject::CaxExceptionObject(const CaxExceptionObject& other)
    : CaxObject(other), m_result(other.m_result), m_line(other.m_line), m_message(other.m_message),
      m_file(other.m_file) {}

CaxExceptionObject::~CaxExceptionObject() = default;

std::uint32_t CaxExceptionObject::GetClassID() const {
    return IdentifierIfAlive(caxclass::kException);
}

void CaxExceptionObject::SetError(std::uint32_t result, const char* message, const char* file,
                                  std::int32_t line) {
    m_result = result;
    m_line = line;
    m_file = file;
    m_message = message;
}

void CaxExceptionObject::SetErrorParts(std::int16_t code, std::uint8_t subFacility,
                                       std::uint8_t facility, std::uint32_t reserved, bool severity,
                                       const char* message, const char* file, std::int32_t line) {
    const axErrors::CaxHRESULT value(code, subFacility, facility, reserved, severity);
    SetError(value.GetValue(), message, file, line);
}

const char* CaxExceptionObject::GetMessage() const noexcept {
    const char* text = m_message.GetData();
    return text ? text : "";
}
