// The error-value exception family: axErrors::CaxHRESULT packs a 32-bit error
// value (severity | reserved | facility | sub-facility | code), and the
// exceptions derived from it compose a readable message from the error-string
// database. Thrown by value; not part of the CaxObject tree.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
// windows.h maps GetMessage to GetMessageA; taking it in first keeps the
// member's name the same in every translation unit.
#include <windows.h>
#endif

namespace axErrors {

// Facility of the base library and its sub-facilities.
constexpr std::uint8_t kFacilityCaxBase = 1;
constexpr std::uint8_t kSubFacilityGeneral = 0;
constexpr std::uint8_t kSubFacilityMath = 1;
constexpr std::uint8_t kSubFacilityContainer = 4;
constexpr std::uint8_t kSubFacilityStreams = 5;

class CaxHRESULT {
public:
    CaxHRESULT(std::int16_t code, std::uint8_t subFacility, std::uint8_t facility,
               std::uint32_t reserved, bool severity) noexcept;
    CaxHRESULT(const CaxHRESULT& other) noexcept = default;
    CaxHRESULT& operator=(const CaxHRESULT& other) noexcept = default;
    virtual ~CaxHRESULT();

    // value = severity << 31 | reserved << 25 | facility << 20 | subFacility << 12 | code
    static std::uint32_t Pack(std::uint32_t code, std::uint32_t subFacility, std::uint32_t facility,
                              std::uint32_t reserved, bool severity) noexcept;

    std::uint32_t GetValue() const noexcept { return m_value; }
    std::uint16_t GetCode() const noexcept { return static_cast<std::uint16_t>(m_value & 0xFFF); }
    std::uint8_t GetSubFacility() const noexcept {
        return static_cast<std::uint8_t>((m_value >> 12) & 0xFF);
    }
    std::uint8_t GetFacility() const noexcept {
        return static_cast<std::uint8_t>((m_value >> 20) & 0x1F);
    }
    std::uint32_t GetReserved() const noexcept { return (m_value >> 25) & 0x3F; }
    bool GetSeverity() const noexcept { return (m_value >> 31) != 0; }

private:
    std::uint32_t m_value;
};

class CaxHRESULTException : public CaxHRESULT {
public:
    CaxHRESULTException(std::uint16_t code, std::uint8_t subFacility, std::uint8_t facility,
                        std::uint32_t reserved, bool severity, const char* file,
                        std::uint32_t line);
    CaxHRESULTException(const CaxHRESULTException& other) = default;
    CaxHRESULTException& operator=(const CaxHRESULTException& other) = default;
    ~CaxHRESULTException() override;

    // Composed on the first call from the error string, the facility names,
    // file and line; later calls answer the same text.
    virtual const char* GetMessage() const;
    // Null when the facility or sub-facility has no name.
    virtual const char* GetFacilityName() const;
    virtual const char* GetSubFacilityName() const;
    // The database's text for the value, or null.
    virtual const char* GetErrorString(std::uint32_t value) const;

    const char* GetFile() const noexcept { return m_file; }
    std::uint32_t GetLine() const noexcept { return m_line; }

private:
    const char* m_file;
    std::uint32_t m_line;
    mutable std::string m_message;
};

} // namespace axErrors

namespace axMath {

// Codes of the math sub-facility.
constexpr std::uint32_t kDivisionByZero = 5;
constexpr std::uint32_t kZeroLengthVector = 7;

class CaxMathException : public axErrors::CaxHRESULTException {
public:
    // Bits 0-11 are the code, bits 25-31 reserved and severity; bits 12-24
    // are ignored (sub-facility 1, facility 1).
    CaxMathException(std::uint32_t value, const char* file, std::uint32_t line);
    const char* GetFacilityName() const override;
    const char* GetSubFacilityName() const override;
};

} // namespace axMath

namespace axIO {

// Codes of the streams sub-facility.
constexpr std::uint32_t kReadBeyondEnd = 1;
constexpr std::uint32_t kCannotOpenStream = 2;

class CaxIOException : public axErrors::CaxHRESULTException {
public:
    // As CaxMathException, with sub-facility 5.
    CaxIOException(std::uint32_t value, const char* file, std::uint32_t line);
    const char* GetFacilityName() const override;
    const char* GetSubFacilityName() const override;
};

} // namespace axIO
