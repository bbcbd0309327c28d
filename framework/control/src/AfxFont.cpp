#include "AfxFont.h"

#include <utility>

CFont::CFont(CFont&& other) noexcept
    : m_owned(std::move(other.m_owned)), m_borrowed(std::exchange(other.m_borrowed, nullptr)) {}

CFont& CFont::operator=(CFont&& other) noexcept {
    if (this != &other) {
        m_owned = std::move(other.m_owned);
        m_borrowed = std::exchange(other.m_borrowed, nullptr);
    }
    return *this;
}

CFont CFont::FromHandle(HFONT hFont) {
    CFont font;
    font.m_borrowed = hFont;
    return font;
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont) {
    if (GetSafeHandle() || !lpLogFont) return FALSE;
    m_owned.reset(::CreateFontIndirectA(lpLogFont));
    return m_owned ? TRUE : FALSE;
}

BOOL CFont::DeleteObject() {
    if (!GetSafeHandle()) return FALSE;
    m_owned.reset();
    m_borrowed = nullptr;
    return TRUE;
}

BOOL CFont::GetLogFont(LOGFONTA* pLogFont) const {
    LOGFONTA read = {};
    if (!GetSafeHandle() || !pLogFont ||
        ::GetObjectA(GetSafeHandle(), sizeof read, &read) != static_cast<int>(sizeof read))
        return FALSE;
    *pLogFont = read;
    return TRUE;
}

std::optional<CFont> CFont::SelectInto(HDC hDC) const {
    const HGDIOBJ replaced = GetSafeHandle() ? ::SelectObject(hDC, GetSafeHandle()) : nullptr;
    if (!replaced || replaced == HGDI_ERROR) return std::nullopt;
    return FromHandle(static_cast<HFONT>(replaced));
}
