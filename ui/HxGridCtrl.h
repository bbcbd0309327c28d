// HxGridCtrl: a report-view list used as a small grid. Column 0 carries a row
// label, column 1 a value. The grid makes no window of its own: its owner
// binds it to a list view that a dialog template made (SubclassDlgItem, or
// the dialog's control exchange), and the dialog's CWnd reflects the list's
// notifications back to it.
//
// Behind every row the list's item data points to the row's GRIDLIST record,
// and the grid paints each row and cell itself through the list's custom draw:
// a selected row in the highlight colours read when the grid was constructed,
// whether or not the list has the focus; cells, rows and columns in the
// colours and fonts of their style records (see ApplyCellStyle).
//
// Rows and their records go with each window (WM_DESTROY). The column slots,
// the list font captured at the first paint and the highlight colours stay
// with the object, which may be bound to several windows in turn.
#pragma once

#include "AfxListCtrl.h"
#include "GridRecord.h"

#include <optional>
#include <string>
#include <vector>

// A style as the setters give it to a record.
struct GridStyle {
    DWORD dwFlags = 0;     // GLF_*
    COLORREF crText = 0;   // with GLF_TEXTCOLOR
    COLORREF crBack = 0;   // with GLF_BKCOLOR
    bool bSelFont = false; // on a selected-state style: its font applies while selected
};

class HxGridCtrl : public CListCtrl {
public:
    HxGridCtrl();
    ~HxGridCtrl() override;

    // Rows. Nothing when nRows is below 0; otherwise deletes rows from the
    // end or appends blank ones until there are nRows.
    void SetRowCount(int nRows);
    // Inserts a row at nRow with the texts of its cells (texts[k] in column
    // k, "" where there is none), replacing a row already at nRow. Gives the
    // list's index for the row, or -1 when the list refuses it.
    int InsertRow(int nRow, const std::vector<std::string>& texts);
    void DeleteRow(int nRow);
    void DeleteAllRows();

    // Columns. SetColumns makes exactly two columns, titled with the first
    // two headings ("" for a missing one), after deleting every column; gives 0.
    int SetColumns(const std::vector<std::string>& headings);
    // Inserts a left-aligned column 100 pixels wide; gives its index or -1.
    int InsertGridColumn(int nCol, const std::string& heading);
    // Removes column 0 with its column record and the rows' first cell
    // records (every row, when it was the only column).
    void DeleteFirstColumn();

    // Sets an item's attributes like LVM_SETITEMA. With LVIF_PARAM the
    // lParam goes into the row's record (the list's item data stays the
    // record).
    void SetGridItem(const LVITEMA& item);
    void SetCellText(const std::string& text, int nRow, int nCol);
    // The text of column 1.
    std::string GetValueText(int nRow) const;

    // The lowest selected row, or -1.
    int GetSelectedRow() const;
    // The first row whose bounds contain pt (client coordinates, edges
    // included), or -1.
    int RowFromPoint(POINT pt) const;
    // Selects nRow, clamped into the rows there are; neither the focus nor
    // the scroll position changes.
    void SelectRow(int nRow);

    // Styles. Each gives a style to the record the drawing rules read there,
    // made blank when there is none yet, and redraws the list; FALSE when the
    // row, sub-item or column does not exist. With bSelected the record's
    // selected-state record (pSelected) takes the style instead.
    //   SetCellStyle    the record of one cell. Sub-item 0's is the row
    //                   record, which also styles the other cells of a row
    //                   without cell records; styling another cell of such a
    //                   row first gives it blank cell records, one per column
    //   SetRowStyle     the row's pRowStyle, which styles every cell of it
    //   SetColumnStyle  the column's record
    // A change of font flags drops the record's font and every merged font,
    // so the next paint makes them from the new flags.
    BOOL SetCellStyle(int nRow, int nSubItem, const GridStyle& style, bool bSelected = false);
    BOOL SetRowStyle(int nRow, const GridStyle& style, bool bSelected = false);
    BOOL SetColumnStyle(int nCol, const GridStyle& style, bool bSelected = false);

    // The record behind a row, or null.
    const GRIDLIST* GetRowRecord(int nRow) const { return RowRecord(nRow); }

protected:
    void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    static GRIDLIST* NewRowRecord() { return NewRecord(); }
    GRIDLIST* RowRecord(int nRow) const;
    // The record that styles a sub-item, or null (a row with fewer cell
    // records than its columns need).
    static GRIDLIST* CellRecord(GRIDLIST* pRow, int nSubItem);
    GRIDLIST* ColumnRecord(int nCol) const;
    void StyleRecord(GRIDLIST* pRecord, const GridStyle& style, bool bSelected);
    void DropMergedFonts();

    LRESULT OnItemPrePaint(NMLVCUSTOMDRAW* cd);
    void OnItemPostPaint(NMLVCUSTOMDRAW* cd);
    LRESULT OnSubItemPrePaint(NMLVCUSTOMDRAW* cd);
    void OnSubItemPostPaint(NMLVCUSTOMDRAW* cd);
    // Sets cd's text and background colours for the sub-item and gives the
    // font to draw it with, or null for the list's own.
    CFont* ApplyCellStyle(int nSubItem, GRIDLIST* pRow, NMLVCUSTOMDRAW* cd);
    CFont* CreateStyleFont(DWORD dwFlags) const;
    CFont* MergeFonts(const CFont* pCellFont, const CFont* pRowFont, const CFont* pColFont) const;

    bool m_bDrawSelected = false;
    std::optional<CFont> m_pOldItemFont;    // borrowed: the font an item-level font replaced
    std::optional<CFont> m_pOldSubItemFont; // borrowed: the same for a sub-item
    std::optional<CFont> m_pBaseFont;       // borrowed: the list's font at the first paint
    LOGFONTA m_lfBase = {};
    COLORREF m_crSelBack;
    COLORREF m_crSelText;
    CArray<GRIDLIST*, GRIDLIST*> m_arrColumns; // one slot per column: its record or null
};
