// Searching and taking pieces of a CaxCString.
#include "CaxCString.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

bool IsLineBreak(char c) {
    return c == '\n' || c == '\r';
}

unsigned char UpperByte(char c) {
    return static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

int CaxCString::Find(const char* needle, int start) const {
    if (!m_data || !needle || *needle == '\0' || start < 0 ||
        static_cast<std::uint32_t>(start) > m_length)
        return -1;
    const std::string_view text(m_data, m_length);
    const std::size_t found = text.find(needle, static_cast<std::size_t>(start));
    return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

int CaxCString::FindNoCase(const char* needle, int start) const {
    if (!m_data || !needle || *needle == '\0' || start < 0 ||
        static_cast<std::uint32_t>(start) > m_length)
        return -1;
    const std::size_t needleLength = std::strlen(needle);
    if (needleLength > m_length) return -1;
    for (std::size_t i = static_cast<std::size_t>(start); i + needleLength <= m_length; ++i) {
        std::size_t k = 0;
        while (k < needleLength && UpperByte(m_data[i + k]) == UpperByte(needle[k]))
            ++k;
        if (k == needleLength) return static_cast<int>(i);
    }
    return -1;
}

int CaxCString::ReverseFind(const char* needle, int end) {
    if (!m_block || !m_data || !needle || *needle == '\0') return -1;
    const int length = UpdateLength();
    if (end > length || end < -1) return -1;
    if (end == -1 || end == length) end = length - 1;
    const int needleLength = static_cast<int>(std::strlen(needle));
    for (int i = end; i >= 0; --i) {
        const int begin = i - needleLength + 1;
        if (begin < 0) break;
        if (std::memcmp(m_data + begin, needle, static_cast<std::size_t>(needleLength)) == 0)
            return i;
    }
    return -1;
}

int CaxCString::ReverseFind(const char* needle) {
    return ReverseFind(needle, -1);
}

CaxCString CaxCString::GetLine(int start, std::uint32_t* next) {
    if (start < 0 || start > UpdateLength()) return CaxCString("");
    std::uint32_t end = static_cast<std::uint32_t>(start);
    while (end < m_length && !IsLineBreak(m_data[end]))
        ++end;
    const std::uint32_t lineLength = end - static_cast<std::uint32_t>(start);
    if (next) {
        std::uint32_t following = static_cast<std::uint32_t>(start) + lineLength + 1;
        // CR LF, LF CR, LF LF and CR CR all end one line.
        if (end < m_length && end + 1 < m_length && IsLineBreak(m_data[end + 1])) ++following;
        *next = following;
    }
    return FromRange(m_data + start, lineLength);
}

CaxCString CaxCString::Left(int count) const {
    if (count < 0 || static_cast<std::uint32_t>(count) > m_length) return CaxCString("");
    return FromRange(m_data, static_cast<std::uint32_t>(count));
}

CaxCString CaxCString::Mid(int start, int count) const {
    if (start < 0 || count < 0 ||
        static_cast<std::uint64_t>(start) + static_cast<std::uint64_t>(count) > m_length)
        return CaxCString("");
    return FromRange(m_data + start, static_cast<std::uint32_t>(count));
}

CaxCString CaxCString::Right(int count) const {
    // Compared as signed 64-bit numbers, so that a negative count stays negative.
    const std::int64_t taken = std::min<std::int64_t>(count, m_length);
    if (taken <= 0) return CaxCString("");
    return FromRange(m_data + (m_length - taken), static_cast<std::uint32_t>(taken));
}

int CaxCString::Replace(const char* oldText, const char* newText) {
    if (!oldText || *oldText == '\0' || !m_data) return 0;
    if (!newText) newText = "";
    const std::size_t oldLength = std::strlen(oldText);
    const std::size_t newLength = std::strlen(newText);
    int count = 0;
    try {
        std::string copy(m_data, m_length);
        // Text put in by a replacement is never searched again.
        for (std::size_t p = copy.find(oldText); p != std::string::npos;
             p = copy.find(oldText, p + newLength)) {
            copy.replace(p, oldLength, newText, newLength);
            ++count;
        }
        if (count > 0) *this = copy.c_str();
    } catch (const std::bad_alloc&) {
        throw -1;
    }
    return count;
}
