// In-place edits of a CaxCString: case, reversing, trimming and filters.
#include "CaxCString.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

void CaxCString::MakeLower() {
    for (std::uint32_t i = 0; i < m_length; ++i)
        if (m_data[i] >= 'A' && m_data[i] <= 'Z')
            m_data[i] = static_cast<char>(m_data[i] - 'A' + 'a');
}

void CaxCString::MakeUpper() {
    for (std::uint32_t i = 0; i < m_length; ++i)
        if (m_data[i] >= 'a' && m_data[i] <= 'z')
            m_data[i] = static_cast<char>(m_data[i] - 'a' + 'A');
}

void CaxCString::MakeReverse() {
    if (m_data) std::reverse(m_data, m_data + m_length);
}

void CaxCString::TrimLeft() {
    if (!m_data) return;
    std::uint32_t first = 0;
    while (first < m_length && IsBlank(m_data[first]))
        ++first;
    if (first == 0) return;
    std::memmove(m_data, m_data + first, m_length - first);
    SetLength(m_length - first);
}

void CaxCString::TrimRight() {
    if (!m_data) return;
    std::uint32_t end = m_length;
    while (end > 0 && IsBlank(m_data[end - 1]))
        --end;
    SetLength(end);
}

template <class Keep> CaxCString CaxCString::Filter(Keep keep) {
    if (m_data) {
        std::uint32_t kept = 0;
        for (std::uint32_t i = 0; i < m_length; ++i)
            if (keep(m_data[i])) m_data[kept++] = m_data[i];
        SetLength(kept);
    }
    return *this;
}

CaxCString CaxCString::RemoveLineBreaks() {
    return Filter([](char c) { return c != '\n' && c != '\r'; });
}

CaxCString CaxCString::KeepDigits() {
    return Filter(IsDigit);
}

CaxCString CaxCString::KeepHexDigits() {
    return Filter(IsHexDigit);
}

CaxCString CaxCString::Remove(char ch) {
    return Filter([ch](char c) { return c != ch; });
}
