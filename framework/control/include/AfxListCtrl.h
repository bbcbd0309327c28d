// CListCtrl: a CWnd over a list-view control, with the report-view
// operations as member functions (ANSI forms throughout). Each is the list
// message of the same name and gives the list's own answer; it holds no state
// of its own beyond the window.
#pragma once

#include "AfxWnd.h"

#include <commctrl.h>

#include <string>

class CListCtrl : public CWnd {
public:
    // Rows (items).
    int GetItemCount() const;
    // Gives the new item's index, or -1 when the list refuses.
    int InsertItem(const LVITEMA* pItem);
    BOOL DeleteItem(int nItem);
    // Reads what pItem->mask asks for into *pItem.
    BOOL GetItem(LVITEMA* pItem) const;
    BOOL SetItem(const LVITEMA* pItem);
    // The text of one cell; empty when there is none.
    std::string GetItemText(int nItem, int nSubItem) const;
    // nCode: LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL or LVIR_SELECTBOUNDS.
    BOOL GetItemRect(int nItem, RECT* lpRect, UINT nCode) const;
    UINT GetItemState(int nItem, UINT nMask) const;
    // Sets the state bits of nMask to those of nState; nItem -1 means every item.
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    // The next item after nItem (-1: from the start) with the LVNI_* flags, or -1.
    int GetNextItem(int nItem, int nFlags) const;

    // Colours of item text and of the background behind it.
    COLORREF GetTextColor() const;
    BOOL SetTextColor(COLORREF cr);
    COLORREF GetTextBkColor() const;
    BOOL SetTextBkColor(COLORREF cr);

    // Columns. Gives the new column's index, or -1 when the list refuses.
    int InsertColumn(int nCol, const LVCOLUMNA* pColumn);
    BOOL DeleteColumn(int nCol);
    BOOL SetColumnWidth(int nCol, int cx);
    // The number of columns, as the list's header control counts them; 0
    // when the list has no header.
    int GetHeaderItemCount() const;
};
