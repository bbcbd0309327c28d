#include "AfxListCtrl.h"

#include <vector>

namespace {

template <class T> LPARAM AsParam(T* pointer) {
    return reinterpret_cast<LPARAM>(pointer);
}

BOOL AsBool(LRESULT result) {
    return result ? TRUE : FALSE;
}

} // namespace

int CListCtrl::GetItemCount() const {
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
}

int CListCtrl::InsertItem(const LVITEMA* pItem) {
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, AsParam(pItem)));
}

BOOL CListCtrl::DeleteItem(int nItem) {
    return AsBool(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(nItem)));
}

BOOL CListCtrl::GetItem(LVITEMA* pItem) const {
    return AsBool(SendMessage(LVM_GETITEMA, 0, AsParam(pItem)));
}

BOOL CListCtrl::SetItem(const LVITEMA* pItem) {
    return AsBool(SendMessage(LVM_SETITEMA, 0, AsParam(pItem)));
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    // The list copies at most the buffer less one; a text that fills it may
    // have been cut, so ask again with a larger one.
    std::vector<char> buffer(64);
    for (;;) {
        LVITEMA item = {};
        item.iSubItem = nSubItem;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT length =
            SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), AsParam(&item));
        if (length < static_cast<LRESULT>(buffer.size()) - 1)
            return std::string(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
        buffer.resize(buffer.size() * 2);
    }
}

BOOL CListCtrl::GetItemRect(int nItem, RECT* lpRect, UINT nCode) const {
    if (!lpRect) return FALSE;
    lpRect->left = static_cast<LONG>(nCode);
    return AsBool(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(nItem), AsParam(lpRect)));
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(nItem), nMask));
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    LVITEMA item = {};
    item.state = nState;
    item.stateMask = nMask;
    return AsBool(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), AsParam(&item)));
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    return static_cast<int>(
        SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), MAKELPARAM(nFlags, 0)));
}

COLORREF CListCtrl::GetTextColor() const {
    return static_cast<COLORREF>(SendMessage(LVM_GETTEXTCOLOR));
}

BOOL CListCtrl::SetTextColor(COLORREF cr) {
    return AsBool(SendMessage(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(cr)));
}

COLORREF CListCtrl::GetTextBkColor() const {
    return static_cast<COLORREF>(SendMessage(LVM_GETTEXTBKCOLOR));
}

BOOL CListCtrl::SetTextBkColor(COLORREF cr) {
    return AsBool(SendMessage(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(cr)));
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMNA* pColumn) {
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), AsParam(pColumn)));
}

BOOL CListCtrl::DeleteColumn(int nCol) {
    return AsBool(SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(nCol)));
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
    return AsBool(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nCol), MAKELPARAM(cx, 0)));
}

int CListCtrl::GetHeaderItemCount() const {
    const HWND header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
    if (!header) return 0;
    const LRESULT count = ::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}
