#include "CaxHRESULT.h"

#include "CaxErrorStrings.h"

#include <locale>
#include <sstream>

namespace axErrors {

CaxHRESULT::CaxHRESULT(std::int16_t code, std::uint8_t subFacility, std::uint8_t facility,
                       std::uint32_t reserved, bool severity) noexcept
    : m_value(Pack(static_cast<std::uint16_t>(code), subFacility, facility, reserved, severity)) {}

CaxHRESULT::~CaxHRESULT() = default;

std::uint32_t CaxHRESULT::Pack(std::uint32_t code, std::uint32_t subFacility,
                               std::uint32_t facility, std::uint32_t reserved,
                               bool severity) noexcept {
    return (severity ? 0x80000000u : 0u) | (reserved & 0x3Fu) << 25 | (facility & 0x1Fu) << 20 |
           (subFacility & 0xFFu) << 12 | (code & 0xFFFu);
}

CaxHRESULTException::CaxHRESULTException(std::uint16_t code, std::uint8_t subFacility,
                                         std::uint8_t facility, std::uint32_t reserved,
                                         bool severity, const char* file, std::uint32_t line)
    : CaxHRESULT(static_cast<std::int16_t>(code), subFacility, facility, reserved, severity),
      m_file(file), m_line(line) {}

CaxHRESULTException::~CaxHRESULTException() = default;

const char* CaxHRESULTException::GetMessage() const {
    if (!m_message.empty()) return m_message.c_str();
    std::ostringstream text;
    text.imbue(std::locale::classic()); // no digit grouping from the global locale
    if (const char* errorText = GetErrorString(GetValue()))
        text << errorText;
    else
        text << "Error code " << GetCode() << " (no extended information) occured";
    text << ". ";
    if (const char* name = GetSubFacilityName())
        text << "Exception from Sub-Facility '" << name << "'";
    else
        text << "Exception from Sub-Facility Nr. " << static_cast<unsigned>(GetSubFacility());
    text << " of Facility ";
    if (const char* name = GetFacilityName())
        text << "'" << name << "'";
    else
        text << "Nr. " << static_cast<unsigned>(GetFacility());
    if (m_file) {
        text << " thrown in file " << m_file;
        if (m_line != 0) text << " at line Nr. " << m_line;
    }
    text << ".";
    m_message = text.str();
    return m_message.c_str();
}

const char* CaxHRESULTException::GetFacilityName() const {
    return nullptr;
}

const char* CaxHRESULTException::GetSubFacilityName() const {
    return nullptr;
}

const char* CaxHRESULTException::GetErrorString(std::uint32_t value) const {
    return GetDatabase().Lookup(value);
}

} // namespace axErrors

namespace {

// Bits 0-11 of a sub-facility's plain code, keeping the reserved bits and severity.
std::uint16_t CodeOf(std::uint32_t value) {
    return static_cast<std::uint16_t>(value & ~0xF000u);
}
std::uint32_t ReservedOf(std::uint32_t value) {
    return (value >> 25) & 0x3Fu;
}
bool SeverityOf(std::uint32_t value) {
    return (value >> 31) != 0;
}

} // namespace

namespace axMath {

CaxMathException::CaxMathException(std::uint32_t value, const char* file, std::uint32_t line)
    : CaxHRESULTException(CodeOf(value), axErrors::kSubFacilityMath, axErrors::kFacilityCaxBase,
                          ReservedOf(value), SeverityOf(value), file, line) {}

const char* CaxMathException::GetFacilityName() const {
    return "CaxBase";
}

const char* CaxMathException::GetSubFacilityName() const {
    return "axMath";
}

} // namespace axMath

namespace axIO {

CaxIOException::CaxIOException(std::uint32_t value, const char* file, std::uint32_t line)
    : CaxHRESULTException(CodeOf(value), axErrors::kSubFacilityStreams, axErrors::kFacilityCaxBase,
                          ReservedOf(value), SeverityOf(value), file, line) {}

const char* CaxIOException::GetFacilityName() const {
    return "CaxBase";
}

const char* CaxIOException::GetSubFacilityName() const {
    return "axIO";
}

} // namespace axIO
