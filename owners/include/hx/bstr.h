// hx::unique_bstr: a BSTR freed with SysFreeString, and the one conversion of
// 8-bit text (the ANSI code page) to a BSTR that the project uses.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace hx {

class unique_bstr {
public:
    unique_bstr() noexcept = default;
    explicit unique_bstr(BSTR owned) noexcept : m_bstr(owned) {}
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;
    unique_bstr(unique_bstr&& other) noexcept : m_bstr(other.release()) {}
    unique_bstr& operator=(unique_bstr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_bstr() { reset(); }

    // 8-bit text in the ANSI code page; null text, or memory running out,
    // gives an empty owner (a null BSTR, which COM reads as "").
    static unique_bstr from_ansi(const char* text) noexcept {
        unique_bstr result;
        if (!text) return result;
        const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        if (length <= 0) return result;
        // SysAllocStringLen adds the terminator itself.
        result.m_bstr = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (result.m_bstr) MultiByteToWideChar(CP_ACP, 0, text, -1, result.m_bstr, length);
        return result;
    }

    BSTR get() const noexcept { return m_bstr; }
    void reset(BSTR value = nullptr) noexcept { SysFreeString(std::exchange(m_bstr, value)); }
    [[nodiscard]] BSTR release() noexcept { return std::exchange(m_bstr, nullptr); }
    BSTR* put() noexcept {
        reset();
        return &m_bstr;
    }
    // The text in the ANSI code page ("" for a null BSTR).
    std::string to_ansi() const { return to_ansi(m_bstr); }
    static std::string to_ansi(const wchar_t* text) {
        if (!text) return std::string();
        const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (length <= 1) return std::string();
        std::string narrow(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
        narrow.resize(static_cast<size_t>(length - 1));
        return narrow;
    }

private:
    BSTR m_bstr = nullptr;
};

} // namespace hx
