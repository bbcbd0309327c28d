// Number parsing of CaxCString: decimal and "0x" hexadecimal integers without
// overflow checks (values wrap at their width), and doubles through atof.
#include "CaxCString.h"

#include "CaxPlatform.h"

namespace {

enum class NumberKind { Int32, Int64, HexHigh, HexLow };

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses text[start, length); answers false when there is nothing after the
// blanks. The value comes back as the raw bit pattern of the kind's width.
bool ParseNumber(const char* text, std::uint32_t length, std::uint32_t start, NumberKind kind,
                 std::uint64_t& value, std::uint32_t& consumed) {
    std::uint32_t i = start;
    while (i < length && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i >= length) return false;
    value = 0;
    if (text[i] == '0' && i + 1 < length && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        i += 2;
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        std::uint64_t wide = 0;
        for (std::uint32_t digits = 0; i < length && HexValue(text[i]) >= 0; ++i, ++digits) {
            const std::uint32_t d = static_cast<std::uint32_t>(HexValue(text[i]));
            switch (kind) {
            case NumberKind::Int32:
                low = low * 16 + d;
                break;
            case NumberKind::Int64:
                wide = wide * 16 + d;
                break;
            case NumberKind::HexLow:
                if (digits >= 32) low >>= 4;
                low = low * 16 + d;
                break;
            case NumberKind::HexHigh:
                if (digits >= 8) high = (high << 4) + (low >> 28);
                low = low * 16 + d;
                break;
            }
        }
        value = kind == NumberKind::Int64 ? wide : (kind == NumberKind::HexHigh ? high : low);
    } else if (kind == NumberKind::Int32 || kind == NumberKind::Int64) {
        bool negative = false;
        if (text[i] == '+' || text[i] == '-') {
            negative = text[i] == '-';
            ++i;
        }
        std::uint64_t number = 0;
        for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
            number = number * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (kind == NumberKind::Int32) number &= 0xFFFFFFFFu;
        value = negative ? (0 - number) : number;
        if (kind == NumberKind::Int32) value &= 0xFFFFFFFFu;
    }
    consumed = i - start;
    return true;
}

} // namespace

bool CaxCString::ParseFrom(int start, int kind, std::uint64_t& value, std::uint32_t* count) {
    if (!m_block || start < 0 || start > UpdateLength()) return false;
    std::uint32_t consumed = 0;
    if (!ParseNumber(m_data, m_length, static_cast<std::uint32_t>(start),
                     static_cast<NumberKind>(kind), value, consumed))
        return false;
    if (count) *count = consumed;
    return true;
}

std::uint32_t CaxCString::ToHexHighPart(int start, std::uint32_t* count) {
    std::uint64_t value = 0;
    return ParseFrom(start, static_cast<int>(NumberKind::HexHigh), value, count)
               ? static_cast<std::uint32_t>(value)
               : 0;
}

std::uint32_t CaxCString::ToHexLowPart(int start, std::uint32_t* count) {
    std::uint64_t value = 0;
    return ParseFrom(start, static_cast<int>(NumberKind::HexLow), value, count)
               ? static_cast<std::uint32_t>(value)
               : 0;
}

std::int64_t CaxCString::ToInt64(int start, std::uint32_t* count) {
    std::uint64_t value = 0;
    return ParseFrom(start, static_cast<int>(NumberKind::Int64), value, count)
               ? static_cast<std::int64_t>(value)
               : 0;
}

std::int32_t CaxCString::ToInt(int start, std::uint32_t* count) {
    std::uint64_t value = 0;
    return ParseFrom(start, static_cast<int>(NumberKind::Int32), value, count)
               ? static_cast<std::int32_t>(static_cast<std::uint32_t>(value))
               : 0;
}

std::uint16_t CaxCString::ToUShort(int start, std::uint32_t* count) {
    const std::uint32_t value = static_cast<std::uint32_t>(ToInt(start, count));
    if (value < 0x10000u) return static_cast<std::uint16_t>(value);
    if (count) *count = 0;
    return 0;
}

double CaxCString::ToDouble(int start) const {
    if (!m_block || start < 0 || static_cast<std::uint32_t>(start) > m_length) return 0.0;
    return caxplatform::TextToDouble(m_data + start);
}
