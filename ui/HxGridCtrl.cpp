#include "HxGridCtrl.h"

#include <cstring>
#include <memory>

namespace {

// The list takes texts through LVITEMA and LVCOLUMNA, whose text pointers
// are not const; for setting, it only reads them.
LPSTR TextOf(const std::string& text) {
    return const_cast<LPSTR>(text.c_str());
}

bool Has(const GRIDLIST* record, DWORD flags) {
    return record && (record->dwFlags & flags) != 0;
}

struct Permissions {
    bool useCol = true;
    bool useRow = true;
};

// Whether the row style and the column may contribute to a cell: the cell
// decides first, then the row style about the column, then the column about
// the row style.
Permissions PermissionsFor(const GRIDLIST* cell, const GRIDLIST* rs, const GRIDLIST* col) {
    Permissions p;
    if (cell) {
        p.useCol = !Has(cell, GLF_NOCOLUMN);
        p.useRow = !Has(cell, GLF_NOROW);
    }
    if (rs && p.useCol && p.useRow) p.useCol = !Has(rs, GLF_NOCOLUMN);
    if (col && p.useCol && p.useRow) p.useRow = !Has(col, GLF_NOROW);
    return p;
}

// The first of cell, row style and column that carries the flag gives the
// colour; the default otherwise.
COLORREF PickColour(COLORREF fallback, DWORD flag, COLORREF GRIDLIST::*colour, const GRIDLIST* cell,
                    const GRIDLIST* rs, const GRIDLIST* col, const Permissions& p) {
    if (Has(cell, flag)) return cell->*colour;
    if (p.useRow && Has(rs, flag)) return rs->*colour;
    if (p.useCol && Has(col, flag)) return col->*colour;
    return fallback;
}

GRIDLIST* SelectedOf(GRIDLIST* record) {
    return record ? record->pSelected : nullptr;
}

// While selected, a selected-state record's font counts only with bSelFont.
GRIDLIST* FontRecordWhileSelected(GRIDLIST* selected, GRIDLIST* normal) {
    return selected && selected->bSelFont ? selected : normal;
}

// Gives a row blank cell records until it has count of them.
void AppendBlankCells(GRIDLIST* row, INT_PTR count) {
    while (row->arrCells.GetSize() < count) {
        // Deleted again if the array cannot take it.
        std::unique_ptr<GRIDLIST, void (*)(GRIDLIST*)> cell(NewRecord(), &DeleteRecord);
        row->arrCells.Add(cell.get());
        static_cast<void>(cell.release());
    }
}

void DropOwnFont(GRIDLIST* record) {
    if (!record->bOwnFont) return;
    delete record->pFont;
    record->pFont = nullptr;
    record->bOwnFont = false;
}

void DropMergedFont(GRIDLIST* record) {
    if (!record) return;
    delete record->pMergedFont;
    record->pMergedFont = nullptr;
    DropMergedFont(record->pSelected);
}

} // namespace

BEGIN_MESSAGE_MAP(HxGridCtrl, CListCtrl)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
ON_WM_DESTROY()
END_MESSAGE_MAP()

HxGridCtrl::HxGridCtrl()
    : m_crSelBack(GetSysColor(COLOR_HIGHLIGHT)), m_crSelText(GetSysColor(COLOR_HIGHLIGHTTEXT)) {}

HxGridCtrl::~HxGridCtrl() {
    for (INT_PTR i = 0; i < m_arrColumns.GetSize(); ++i)
        DeleteRecord(m_arrColumns[i]);
    m_arrColumns.RemoveAll();
    // A window that outlives its grid keeps its items but no longer tells the
    // grid when it goes, so the rows' records go now, with the rows.
    if (m_hWnd) DeleteAllRows();
}

// ---- rows ----------------------------------------------------------------

void HxGridCtrl::SetRowCount(int nRows) {
    if (nRows < 0) return;
    // Each step must change the count; a list that refuses ends the loop.
    for (int count = GetItemCount(); count > nRows; count = GetItemCount()) {
        DeleteRow(count - 1);
        if (GetItemCount() >= count) return;
    }
    for (int count = GetItemCount(); count < nRows; count = GetItemCount())
        if (InsertRow(count, {}) < 0) return;
}

int HxGridCtrl::InsertRow(int nRow, const std::vector<std::string>& texts) {
    if (!m_hWnd) return -1; // no list to take the row
    const std::string first = texts.empty() ? std::string() : texts[0];
    if (nRow >= 0 && nRow < GetItemCount()) DeleteRow(nRow);

    GRIDLIST* const record = NewRowRecord();
    const int columns = GetHeaderItemCount();
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = nRow;
    item.pszText = TextOf(first);
    item.cchTextMax = static_cast<int>(first.size());
    item.lParam = reinterpret_cast<LPARAM>(record);
    const int index = InsertItem(&item);
    if (index < 0) {
        // The list did not take the row, so nothing refers to its record.
        DeleteRecord(record);
        return -1;
    }
    AppendBlankCells(record, columns);
    // The sub-items go to the row where the list put it (nRow itself unless
    // nRow lay past the end).
    for (int k = 1; k < columns; ++k) {
        const std::string text = k < static_cast<int>(texts.size()) ? texts[k] : std::string();
        LVITEMA sub = {};
        sub.mask = LVIF_TEXT;
        sub.iItem = index;
        sub.iSubItem = k;
        sub.pszText = TextOf(text);
        SetItem(&sub);
    }
    return index;
}

void HxGridCtrl::DeleteRow(int nRow) {
    DeleteRecord(RowRecord(nRow));
    DeleteItem(nRow);
}

void HxGridCtrl::DeleteAllRows() {
    for (int row = GetItemCount() - 1; row >= 0; --row) {
        DeleteRecord(RowRecord(row));
        DeleteItem(row);
    }
}

// ---- columns -------------------------------------------------------------

int HxGridCtrl::SetColumns(const std::vector<std::string>& headings) {
    for (int count = GetHeaderItemCount(); count != 0; count = GetHeaderItemCount()) {
        DeleteFirstColumn();
        if (GetHeaderItemCount() >= count) break; // the list refused
    }
    for (int i = 0; i < 2; ++i)
        InsertGridColumn(i, i < static_cast<int>(headings.size()) ? headings[i] : std::string());
    return 0;
}

int HxGridCtrl::InsertGridColumn(int nCol, const std::string& heading) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = TextOf(heading);
    column.cchTextMax = static_cast<int>(heading.size());
    column.iSubItem = -1;
    const int index = InsertColumn(nCol, &column);
    if (index < 0) return -1;
    m_arrColumns.InsertAt(index, nullptr);
    return index;
}

void HxGridCtrl::DeleteFirstColumn() {
    if (!m_arrColumns.IsEmpty()) {
        DeleteRecord(m_arrColumns[0]);
        m_arrColumns.RemoveAt(0);
    }
    const int columns = GetHeaderItemCount();
    if (columns > 1) {
        // A row without cell records has none to give up: its record styles
        // every cell and stays.
        for (int row = 0; row < GetItemCount(); ++row) {
            GRIDLIST* const record = RowRecord(row);
            if (!record || record->arrCells.IsEmpty()) continue;
            DeleteRecord(record->arrCells[0]);
            record->arrCells.RemoveAt(0);
        }
    } else if (columns == 1) {
        DeleteAllRows();
    }
    DeleteColumn(0);
}

// ---- items ---------------------------------------------------------------

void HxGridCtrl::SetGridItem(const LVITEMA& item) {
    if (!(item.mask & LVIF_PARAM)) {
        SetItem(&item);
        return;
    }
    if (GRIDLIST* const record = RowRecord(item.iItem)) {
        record->lParam = item.lParam;
        record->bParamSet = true;
    }
    LVITEMA linkKept = item;
    linkKept.mask &= ~static_cast<UINT>(LVIF_PARAM);
    linkKept.lParam = 0;
    SetItem(&linkKept);
}

void HxGridCtrl::SetCellText(const std::string& text, int nRow, int nCol) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nRow;
    item.iSubItem = nCol;
    item.pszText = TextOf(text);
    item.cchTextMax = static_cast<int>(text.size());
    SetGridItem(item);
}

std::string HxGridCtrl::GetValueText(int nRow) const {
    return GetItemText(nRow, 1);
}

int HxGridCtrl::GetSelectedRow() const {
    if (GetItemCount() == 0) return -1;
    return GetNextItem(-1, LVNI_SELECTED);
}

int HxGridCtrl::RowFromPoint(POINT pt) const {
    const int count = GetItemCount();
    for (int row = 0; row < count; ++row) {
        RECT bounds = {};
        if (GetItemRect(row, &bounds, LVIR_BOUNDS) && bounds.left <= pt.x && pt.x <= bounds.right &&
            bounds.top <= pt.y && pt.y <= bounds.bottom)
            return row;
    }
    return -1;
}

void HxGridCtrl::SelectRow(int nRow) {
    const int count = GetItemCount();
    if (count == 0) return; // -1 would mean every item
    const int row = nRow < 0 ? 0 : (nRow >= count ? count - 1 : nRow);
    SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

// ---- records -------------------------------------------------------------

GRIDLIST* HxGridCtrl::RowRecord(int nRow) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = nRow;
    if (!GetItem(&item)) return nullptr;
    return reinterpret_cast<GRIDLIST*>(item.lParam);
}

GRIDLIST* HxGridCtrl::CellRecord(GRIDLIST* pRow, int nSubItem) {
    if (!pRow || nSubItem <= 0 || pRow->arrCells.IsEmpty()) return pRow;
    return nSubItem - 1 < pRow->arrCells.GetSize() ? pRow->arrCells[nSubItem - 1] : nullptr;
}

GRIDLIST* HxGridCtrl::ColumnRecord(int nCol) const {
    // Columns inserted past the grid (straight through the list) have no slot.
    return nCol >= 0 && nCol < m_arrColumns.GetSize() ? m_arrColumns[nCol] : nullptr;
}

// ---- styles --------------------------------------------------------------

BOOL HxGridCtrl::SetCellStyle(int nRow, int nSubItem, const GridStyle& style, bool bSelected) {
    GRIDLIST* const row = RowRecord(nRow);
    const int columns = GetHeaderItemCount();
    if (!row || nSubItem < 0 || (nSubItem > 0 && nSubItem >= columns)) return FALSE;
    if (nSubItem > 0) AppendBlankCells(row, columns); // a record of its own, as InsertRow gives
    StyleRecord(CellRecord(row, nSubItem), style, bSelected);
    return TRUE;
}

BOOL HxGridCtrl::SetRowStyle(int nRow, const GridStyle& style, bool bSelected) {
    GRIDLIST* const row = RowRecord(nRow);
    if (!row) return FALSE;
    if (!row->pRowStyle) row->pRowStyle = NewRecord();
    StyleRecord(row->pRowStyle, style, bSelected);
    return TRUE;
}

BOOL HxGridCtrl::SetColumnStyle(int nCol, const GridStyle& style, bool bSelected) {
    if (nCol < 0 || nCol >= GetHeaderItemCount() || nCol >= m_arrColumns.GetSize()) return FALSE;
    if (!m_arrColumns[nCol]) m_arrColumns[nCol] = NewRecord();
    StyleRecord(m_arrColumns[nCol], style, bSelected);
    return TRUE;
}

void HxGridCtrl::StyleRecord(GRIDLIST* pRecord, const GridStyle& style, bool bSelected) {
    if (bSelected) {
        if (!pRecord->pSelected) pRecord->pSelected = NewRecord();
        pRecord = pRecord->pSelected;
    }
    if ((pRecord->dwFlags ^ style.dwFlags) & GLF_FONTFLAGS) {
        // A merged font may take from this record's font in any cell.
        DropOwnFont(pRecord);
        DropMergedFonts();
    }
    pRecord->dwFlags = style.dwFlags;
    pRecord->crText = style.crText;
    pRecord->crBack = style.crBack;
    pRecord->bSelFont = style.bSelFont;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void HxGridCtrl::DropMergedFonts() {
    for (int row = 0; row < GetItemCount(); ++row) {
        GRIDLIST* const record = RowRecord(row);
        if (!record) continue;
        DropMergedFont(record);
        for (INT_PTR i = 0; i < record->arrCells.GetSize(); ++i)
            DropMergedFont(record->arrCells[i]);
    }
}

// ---- painting ------------------------------------------------------------

void HxGridCtrl::OnDestroy() {
    DeleteAllRows();
    CListCtrl::OnDestroy();
}

void HxGridCtrl::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* const cd = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        m_pOldItemFont.reset();
        m_pOldSubItemFont.reset();
        *pResult = CDRF_NOTIFYITEMDRAW;
        return;
    case CDDS_ITEMPREPAINT:
        *pResult = OnItemPrePaint(cd);
        return;
    case CDDS_ITEMPOSTPAINT:
        OnItemPostPaint(cd);
        break;
    case CDDS_SUBITEM | CDDS_ITEMPREPAINT:
        *pResult = OnSubItemPrePaint(cd);
        return;
    case CDDS_SUBITEM | CDDS_ITEMPOSTPAINT:
        OnSubItemPostPaint(cd);
        break;
    default:
        break;
    }
    *pResult = 0;
}

LRESULT HxGridCtrl::OnItemPrePaint(NMLVCUSTOMDRAW* cd) {
    const HDC hdc = cd->nmcd.hdc;
    const int item = static_cast<int>(cd->nmcd.dwItemSpec);
    m_pOldItemFont.reset();
    if (!m_pBaseFont) {
        m_pBaseFont = CFont::FromHandle(static_cast<HFONT>(GetCurrentObject(hdc, OBJ_FONT)));
        m_pBaseFont->GetLogFont(&m_lfBase);
    }
    // The list would paint its own highlight only while it has the focus;
    // the grid paints selected rows itself and puts the state back after.
    m_bDrawSelected = (GetItemState(item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    if (m_bDrawSelected) SetItemState(item, 0, LVIS_SELECTED);

    CFont* const font = ApplyCellStyle(0, reinterpret_cast<GRIDLIST*>(cd->nmcd.lItemlParam), cd);
    if (font) m_pOldItemFont = font->SelectInto(hdc);
    LRESULT result = CDRF_NOTIFYSUBITEMDRAW;
    if (m_bDrawSelected || font) result |= CDRF_NOTIFYPOSTPAINT;
    if (font) result |= CDRF_NEWFONT;
    return result;
}

void HxGridCtrl::OnItemPostPaint(NMLVCUSTOMDRAW* cd) {
    if (m_pOldItemFont) {
        m_pOldItemFont->SelectInto(cd->nmcd.hdc);
        m_pOldItemFont.reset();
    }
    if (m_bDrawSelected) {
        m_bDrawSelected = false;
        SetItemState(static_cast<int>(cd->nmcd.dwItemSpec), LVIS_SELECTED, LVIS_SELECTED);
    }
}

LRESULT HxGridCtrl::OnSubItemPrePaint(NMLVCUSTOMDRAW* cd) {
    m_pOldSubItemFont.reset();
    CFont* const font =
        ApplyCellStyle(cd->iSubItem, reinterpret_cast<GRIDLIST*>(cd->nmcd.lItemlParam), cd);
    if (font)
        m_pOldSubItemFont = font->SelectInto(cd->nmcd.hdc);
    else if (m_pOldItemFont) // the item level changed the font: the list's own for this cell
        m_pOldSubItemFont = m_pOldItemFont->SelectInto(cd->nmcd.hdc);
    else
        return 0;
    return CDRF_NOTIFYPOSTPAINT | CDRF_NEWFONT;
}

void HxGridCtrl::OnSubItemPostPaint(NMLVCUSTOMDRAW* cd) {
    if (!m_pOldSubItemFont) return;
    m_pOldSubItemFont->SelectInto(cd->nmcd.hdc);
    m_pOldSubItemFont.reset();
}

CFont* HxGridCtrl::ApplyCellStyle(int nSubItem, GRIDLIST* pRow, NMLVCUSTOMDRAW* cd) {
    GRIDLIST* const normalCol = ColumnRecord(nSubItem);
    GRIDLIST* const normalCell = CellRecord(pRow, nSubItem);
    GRIDLIST* const normalRs = pRow ? pRow->pRowStyle : nullptr;
    GRIDLIST* col = normalCol;
    GRIDLIST* cell = normalCell;
    GRIDLIST* rs = normalRs;
    if (m_bDrawSelected) {
        col = SelectedOf(col);
        cell = SelectedOf(cell);
        rs = SelectedOf(rs);
    }

    // Colours.
    Permissions p = PermissionsFor(cell, rs, col);
    cd->clrText = PickColour(m_bDrawSelected ? m_crSelText : GetTextColor(), GLF_TEXTCOLOR,
                             &GRIDLIST::crText, cell, rs, col, p);
    cd->clrTextBk = PickColour(m_bDrawSelected ? m_crSelBack : GetTextBkColor(), GLF_BKCOLOR,
                               &GRIDLIST::crBack, cell, rs, col, p);

    // Fonts.
    if (m_bDrawSelected) {
        cell = FontRecordWhileSelected(cell, normalCell);
        rs = FontRecordWhileSelected(rs, normalRs);
        col = FontRecordWhileSelected(col, normalCol);
        p = PermissionsFor(cell, rs, col);
    }
    bool madeNew = false;
    auto fontOf = [&](GRIDLIST* record, bool use) -> CFont* {
        if (!record || !use) return nullptr;
        if (!record->pFont && (record->dwFlags & GLF_FONTFLAGS)) {
            record->pFont = CreateStyleFont(record->dwFlags);
            record->bOwnFont = record->pFont != nullptr;
            madeNew = madeNew || record->pFont;
        }
        return record->pFont;
    };
    CFont* const cellFont = fontOf(cell, true);
    CFont* const rowFont = fontOf(rs, p.useRow);
    CFont* const colFont = fontOf(col, p.useCol);
    const int fonts = (cellFont ? 1 : 0) + (rowFont ? 1 : 0) + (colFont ? 1 : 0);
    if (fonts == 0) return nullptr;
    if (madeNew && cell && cell->pMergedFont) {
        delete cell->pMergedFont;
        cell->pMergedFont = nullptr;
    }
    if (fonts == 1) return cellFont ? cellFont : (rowFont ? rowFont : colFont);
    if (!cell) return nullptr;
    if (!cell->pMergedFont) cell->pMergedFont = MergeFonts(cellFont, rowFont, colFont);
    return cell->pMergedFont;
}

CFont* HxGridCtrl::CreateStyleFont(DWORD dwFlags) const {
    LOGFONTA lf = m_lfBase;
    lf.lfWeight = (dwFlags & GLF_BOLD) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (dwFlags & GLF_ITALIC) ? 1 : 0;
    lf.lfUnderline = (dwFlags & GLF_UNDERLINE) ? 1 : 0;
    lf.lfStrikeOut = (dwFlags & GLF_STRIKEOUT) ? 1 : 0;
    auto font = std::make_unique<CFont>();
    return font->CreateFontIndirect(&lf) ? font.release() : nullptr;
}

CFont* HxGridCtrl::MergeFonts(const CFont* pCellFont, const CFont* pRowFont,
                              const CFont* pColFont) const {
    LOGFONTA merged = m_lfBase;
    // Later fonts win: the column, then the row, then the cell.
    for (const CFont* font : {pColFont, pRowFont, pCellFont}) {
        LOGFONTA lf = {};
        if (!font || !font->GetLogFont(&lf)) continue;
        auto take = [](auto& to, const auto& from, const auto& base) {
            if (from != base) to = from;
        };
        take(merged.lfHeight, lf.lfHeight, m_lfBase.lfHeight);
        take(merged.lfWidth, lf.lfWidth, m_lfBase.lfWidth);
        take(merged.lfEscapement, lf.lfEscapement, m_lfBase.lfEscapement);
        take(merged.lfOrientation, lf.lfOrientation, m_lfBase.lfOrientation);
        take(merged.lfWeight, lf.lfWeight, m_lfBase.lfWeight);
        take(merged.lfItalic, lf.lfItalic, m_lfBase.lfItalic);
        take(merged.lfUnderline, lf.lfUnderline, m_lfBase.lfUnderline);
        take(merged.lfStrikeOut, lf.lfStrikeOut, m_lfBase.lfStrikeOut);
        take(merged.lfCharSet, lf.lfCharSet, m_lfBase.lfCharSet);
        take(merged.lfOutPrecision, lf.lfOutPrecision, m_lfBase.lfOutPrecision);
        take(merged.lfClipPrecision, lf.lfClipPrecision, m_lfBase.lfClipPrecision);
        take(merged.lfQuality, lf.lfQuality, m_lfBase.lfQuality);
        take(merged.lfPitchAndFamily, lf.lfPitchAndFamily, m_lfBase.lfPitchAndFamily);
        if (strncmp(lf.lfFaceName, m_lfBase.lfFaceName, LF_FACESIZE) != 0) {
            strncpy(merged.lfFaceName, lf.lfFaceName, LF_FACESIZE - 1);
            merged.lfFaceName[LF_FACESIZE - 1] = '\0';
        }
    }
    auto font = std::make_unique<CFont>();
    return font->CreateFontIndirect(&merged) ? font.release() : nullptr;
}
