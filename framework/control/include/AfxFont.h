// CFont: a font object over one GDI font, which it either owns or borrows.
//   owned     made by CreateFontIndirect; deleted exactly once, by
//             DeleteObject or with the object
//   borrowed  wrapped by FromHandle (a font the caller did not make, such as
//             the one a device context has selected); never deleted here
// Objects move but do not copy, so an owned font has one owner at a time.
#pragma once

#include "hx/win32_owners.h"

#include <windows.h>

#include <optional>

class CFont {
public:
    CFont() = default;
    CFont(CFont&& other) noexcept;
    CFont& operator=(CFont&& other) noexcept;
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;
    ~CFont() = default;

    // A font object over a font someone else owns.
    static CFont FromHandle(HFONT hFont);

    // Makes a font from the attributes and owns it; FALSE (and nothing held)
    // when this object already holds a font or GDI refuses.
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);
    // Deletes an owned font, lets go of a borrowed one; FALSE when none is held.
    BOOL DeleteObject();

    HFONT GetSafeHandle() const { return m_owned ? m_owned.get() : m_borrowed; }
    bool IsOwner() const { return m_owned.is_valid(); }

    // The font's attributes; FALSE (and *pLogFont untouched) when there is no
    // font or GDI cannot read it.
    BOOL GetLogFont(LOGFONTA* pLogFont) const;

    // Selects the font into the device context. Gives the font it replaced,
    // borrowed, or nothing when the device context refused.
    std::optional<CFont> SelectInto(HDC hDC) const;

private:
    hx::unique_hfont m_owned;
    HFONT m_borrowed = nullptr;
};
