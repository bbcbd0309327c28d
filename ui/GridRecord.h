// GRIDLIST: the style record behind a grid row, a cell, a row style, a column
// or a selected state, and the two functions that make and delete records.
//
// A record owns its cell records, its pRowStyle and pSelected records (each
// with everything they own), its pFont when bOwnFont is set, and its
// pMergedFont. Records are made with NewRecord and deleted with DeleteRecord
// only: nothing else frees them.
#pragma once

#include "AfxArray.h"
#include "AfxFont.h"

#include <windows.h>

// Style flags (dwFlags).
constexpr DWORD GLF_BOLD = 0x01; // weight 700, otherwise 400
constexpr DWORD GLF_ITALIC = 0x02;
constexpr DWORD GLF_UNDERLINE = 0x04;
constexpr DWORD GLF_STRIKEOUT = 0x08;
constexpr DWORD GLF_TEXTCOLOR = 0x10; // crText applies
constexpr DWORD GLF_BKCOLOR = 0x20;   // crBack applies
constexpr DWORD GLF_NOCOLUMN = 0x40;  // the column record must not contribute to this cell
constexpr DWORD GLF_NOROW = 0x80;     // the row-style record must not contribute to this cell

// The flags a record's own font is made from.
constexpr DWORD GLF_FONTFLAGS = GLF_BOLD | GLF_ITALIC | GLF_UNDERLINE | GLF_STRIKEOUT;

struct GRIDLIST {
    LPARAM lParam = 0;             // the owner's item data for the row
    bool bParamSet = false;        // lParam has been given
    DWORD dwFlags = 0;             // GLF_*
    bool bSelFont = false;         // on a selected-state record: its font applies while selected
    COLORREF crText = 0;           // with GLF_TEXTCOLOR
    COLORREF crBack = 0;           // with GLF_BKCOLOR
    GRIDLIST* pRowStyle = nullptr; // on a row record: styles every cell of the row
    GRIDLIST* pSelected = nullptr; // stands in for this record while its row is drawn selected
    CFont* pFont = nullptr;        // made on demand from the font flags
    bool bOwnFont = false;         // this record made pFont and deletes it
    CArray<GRIDLIST*, GRIDLIST*> arrCells; // on a row record: the row's cell records
    CFont* pMergedFont = nullptr; // on a cell record: the cell, row and column fonts merged
};

// A blank record: every field zero, false or null, no cells. Throws
// CMemoryException when it cannot be allocated.
GRIDLIST* NewRecord();

// Deletes, in this order: every cell record (recursively), the cell list,
// the owned font, the merged font, the pRowStyle record, the pSelected
// record, and last the record itself. A null record is ignored.
void DeleteRecord(GRIDLIST* pRecord);

// Records made and not yet deleted, in the whole process. It falls below
// what was made only if a record is deleted twice, and stays above it while
// one is lost; the suites read it to see each record deleted exactly once.
long GridRecordsAlive();
