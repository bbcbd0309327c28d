// The grid's painting, read back in pixels from a real list in a real dialog
// under Xvfb: selected rows in the highlight colours read at construction,
// cells, rows and columns in the colours and fonts of their style records,
// fonts made only when a style asks, merged fonts cached per cell. Fonts are
// counted at the program's own GDI imports; each test ends with every font
// and record deleted exactly once.
#include "FontCounter.h"
#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using gridtest::DialogHost;
using gridtest::DrawStage;
using gridtest::Inset;
using gridtest::kListId;
using gridtest::Picture;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kGrey = RGB(224, 224, 224);

constexpr int kRows = 4;
const std::string kValue = "HIHIHI";

// What a cell shows: its background (the colour covering most of it) and
// the shape of the ink on it. Cells are read between their borders: the
// list may draw grid lines or focus marks on them.
struct Cell {
    COLORREF back;
    int inkWidth;   // columns from the first to the last ink pixel
    int slant;      // how far the ink's left edge moves right from bottom to top (tenths)
    int widestLine; // ink pixels in the fullest pixel row
    std::function<int(COLORREF)> count; // pixels of exactly this colour
};

Cell ReadCell(const Picture& picture, HWND list, int row, int subItem) {
    const RECT r = Inset(gridtest::CellRect(list, row, subItem), 1, 1);
    Cell cell{picture.Dominant(r), 0, 0, 0, {}};
    cell.inkWidth = picture.InkWidth(r, cell.back);
    int firstInk = -1, lastInk = -1;
    std::vector<int> leftEdge;
    for (int y = r.top; y < r.bottom; ++y) {
        int left = -1, count = 0;
        for (int x = r.left; x < r.right; ++x)
            if (picture.At(x, y) != cell.back) {
                if (left < 0) left = x;
                ++count;
            }
        leftEdge.push_back(left);
        if (count > cell.widestLine) cell.widestLine = count;
        if (left >= 0) {
            if (firstInk < 0) firstInk = y - r.top;
            lastInk = y - r.top;
        }
    }
    if (firstInk >= 0) {
        // The mean left edge of the top third of the text against that of
        // its bottom third, in tenths of a pixel.
        const int third = (lastInk - firstInk + 1) / 3 + 1;
        auto meanLeft = [&](int from, int to) {
            int sum = 0, rows = 0;
            for (int i = from; i <= to; ++i)
                if (leftEdge[i] >= 0) {
                    sum += leftEdge[i];
                    ++rows;
                }
            return rows ? sum * 10 / rows : 0;
        };
        cell.slant =
            meanLeft(firstInk, firstInk + third - 1) - meanLeft(lastInk - third + 1, lastInk);
    }
    cell.count = [&picture, r](COLORREF c) { return picture.Count(r, c); };
    return cell;
}

class GridDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fonts.Hooked());
        host = std::make_unique<DialogHost>();
        grid = std::make_unique<HxGridCtrl>();
        ASSERT_TRUE(grid->SubclassDlgItem(kListId, host.get()));
        // Columns first, so that each row has its own cell records.
        grid->SetColumns({"Port", "State"});
        grid->SetRowCount(kRows);
        for (int row = 0; row < kRows; ++row) {
            grid->SetCellText("Row " + std::to_string(row), row, 0);
            grid->SetCellText(kValue, row, 1);
        }
        // The focus elsewhere: the list itself would show no selection.
        SetFocus(host->Button());
        ASSERT_NE(List(), GetFocus());
    }
    void TearDown() override {
        host.reset();
        grid.reset();
        EXPECT_EQ(0, GridRecordsAlive());
        EXPECT_EQ(0, fonts.Alive()) << "a font was not deleted";
        EXPECT_EQ(0, fonts.StrayDeletes()) << "a font was deleted twice";
    }

    HWND List() const { return host->List(); }
    // Paints the list on its window and reads it back.
    Picture Paint(Picture::Source source = Picture::Source::Screen) {
        gridtest::Pump();
        Picture picture(List(), source);
        if (::testing::Test::HasFailure())
            picture.Save(
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                ".bmp");
        return picture;
    }
    Cell At(const Picture& picture, int row, int subItem) const {
        return ReadCell(picture, List(), row, subItem);
    }
    // Rows as the page makes them: on a list without columns, so that they
    // have no cell records.
    void PageOrderRows() {
        while (grid->GetHeaderItemCount() > 0)
            grid->DeleteFirstColumn();
        grid->SetRowCount(kRows);
        grid->SetColumns({"Port", "State"});
        for (int row = 0; row < kRows; ++row)
            grid->SetCellText(kValue, row, 1);
    }
    // The list's own text colours as the drawing reads them.
    COLORREF ListText() const {
        const COLORREF c = grid->GetTextColor();
        return c == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : c;
    }
    COLORREF ListBack() const {
        const COLORREF c = grid->GetTextBkColor();
        return c == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : c;
    }

    hxtest::FontCounter fonts; // first in, last out: it counts the grid's whole life
    std::unique_ptr<DialogHost> host;
    std::unique_ptr<HxGridCtrl> grid;
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
};

// ---- what Wine's list sends ------------------------------------------------

TEST_F(GridDrawing, TheListAsksAtEveryStageAndTheGridAnswersForEach) {
    grid->SetRowCount(2);
    grid->SelectRow(1);
    ASSERT_TRUE(grid->SetCellStyle(0, 1, GridStyle{GLF_BOLD}));
    gridtest::Pump();
    host->recordStages = true;
    const Picture picture(List(), Picture::Source::Print);
    host->recordStages = false;
    const DWORD sub = CDDS_SUBITEM;
    // Row 1 is selected: its state is taken off while the list paints it
    // (so that the list paints no highlight of its own) and comes back after.
    const std::vector<DrawStage> expected = {
        {CDDS_PREPAINT, 0, 0, CDRF_NOTIFYITEMDRAW, false},
        // Row 0: its value cell has a bold font, selected for that cell only.
        {CDDS_ITEMPREPAINT, 0, 0, CDRF_NOTIFYSUBITEMDRAW, false},
        {sub | CDDS_ITEMPREPAINT, 0, 0, 0, false},
        {sub | CDDS_ITEMPREPAINT, 0, 1, CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT, false},
        {sub | CDDS_ITEMPOSTPAINT, 0, 1, 0, false},
        {CDDS_ITEMPREPAINT, 1, 0, CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT, false},
        {sub | CDDS_ITEMPREPAINT, 1, 0, 0, false},
        {sub | CDDS_ITEMPREPAINT, 1, 1, 0, false},
        {CDDS_ITEMPOSTPAINT, 1, 0, 0, true},
    };
    ASSERT_EQ(expected.size(), host->stages.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const DrawStage& seen = host->stages[i];
        EXPECT_EQ(expected[i], seen)
            << "notification " << i << ": stage " << std::hex << seen.stage << " item " << seen.item
            << " sub-item " << seen.subItem << " result " << seen.result << " selected after "
            << seen.selectedAfter;
    }
}

// ---- selection ---------------------------------------------------------------

TEST_F(GridDrawing, ASelectedRowShowsTheHighlightWithoutTheFocusAndStaysSelected) {
    grid->SelectRow(2);
    for (const auto source : {Picture::Source::Screen, Picture::Source::Print}) {
        const Picture picture = Paint(source);
        const Cell value = At(picture, 2, 1);
        EXPECT_EQ(highlight, value.back);
        EXPECT_GT(value.count(highlightText), 0);
        EXPECT_EQ(0, value.count(ListText()));
        EXPECT_GT(At(picture, 2, 0).count(highlight), 0); // behind the label too
        EXPECT_EQ(ListBack(), At(picture, 1, 1).back);    // its neighbours are not
        EXPECT_GT(At(picture, 1, 1).count(ListText()), 0);
        EXPECT_EQ(ListBack(), At(picture, 3, 1).back);
        EXPECT_EQ(2, grid->GetSelectedRow());
        EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), grid->GetItemState(2, LVIS_SELECTED));
    }
    EXPECT_NE(List(), GetFocus());
    EXPECT_EQ(0, fonts.Created()); // no style, no font

    // The same list without the grid shows nothing for a selection it
    // holds without the focus.
    DialogHost plain;
    const HWND list = plain.List();
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.pszText = const_cast<LPSTR>("Row 0");
    item.state = item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetFocus(plain.Button());
    gridtest::Pump();
    const Picture plainPicture(list, Picture::Source::Print); // it lies on top of the other
    EXPECT_EQ(0, plainPicture.Count(gridtest::CellRect(list, 0, 0), highlight));
}

TEST_F(GridDrawing, TheHighlightColoursAreThoseReadAtConstruction) {
    const int elements[] = {COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
    const COLORREF before[] = {highlight, highlightText};
    const COLORREF changed[] = {RGB(200, 0, 100), RGB(0, 255, 0)};
    // Put back whatever happens below: the colours belong to the session.
    struct Restore {
        const int* elements;
        const COLORREF* colours;
        ~Restore() { SetSysColors(2, elements, colours); }
    } restore{elements, before};
    ASSERT_TRUE(SetSysColors(2, elements, changed));

    HxGridCtrl later; // a grid made after the change, on a dialog of its own
    DialogHost otherHost;
    ASSERT_TRUE(later.SubclassDlgItem(kListId, &otherHost));
    later.SetColumns({"Port", "State"});
    later.SetRowCount(1);
    later.SetCellText(kValue, 0, 1);
    later.SelectRow(0);
    grid->SelectRow(1);
    SetFocus(host->Button());

    // Printed: the two dialogs lie on top of each other.
    const Picture picture = Paint(Picture::Source::Print);
    const Cell earlier = At(picture, 1, 1);
    EXPECT_EQ(before[0], earlier.back);
    EXPECT_GT(earlier.count(before[1]), 0);
    const Picture otherPicture(otherHost.List(), Picture::Source::Print);
    const Cell fresh = ReadCell(otherPicture, otherHost.List(), 0, 1);
    EXPECT_EQ(changed[0], fresh.back);
    EXPECT_GT(fresh.count(changed[1]), 0);
}

// ---- colours -------------------------------------------------------------------

TEST_F(GridDrawing, WithoutStylesCellsShowTheListsOwnColoursAndNoFontIsMade) {
    ASSERT_TRUE(grid->SetTextColor(kNavy));
    ASSERT_TRUE(grid->SetTextBkColor(kGrey));
    const Picture picture = Paint();
    for (int row = 0; row < kRows; ++row)
        for (int sub = 0; sub < 2; ++sub) {
            const Cell cell = At(picture, row, sub);
            EXPECT_EQ(kGrey, cell.back) << row << "," << sub;
            EXPECT_GT(cell.count(kNavy), 0) << row << "," << sub;
        }
    EXPECT_EQ(0, fonts.Created());
    for (int row = 0; row < kRows; ++row) {
        const GRIDLIST* record = grid->GetRowRecord(row);
        EXPECT_EQ(nullptr, record->pFont);
        for (INT_PTR k = 0; k < record->arrCells.GetSize(); ++k) {
            EXPECT_EQ(nullptr, record->arrCells[k]->pFont);
            EXPECT_EQ(nullptr, record->arrCells[k]->pMergedFont);
        }
    }
}

// The styles of one case, on row 1: its value cell, its row style, column 1.
struct Styles {
    GridStyle cell = {}, row = {}, column = {};       // flags 0: not set
    GridStyle cellSel = {}, rowSel = {}, colSel = {}; // the selected-state records
};

struct ColourCase {
    const char* name;
    Styles styles;
    bool selected;
    COLORREF back; // 0xFFFFFFFF: the list's own; 0xFFFFFFFE: the highlight
    COLORREF text;
};

constexpr COLORREF kOwn = 0xFFFFFFFF;
constexpr COLORREF kHigh = 0xFFFFFFFE;

GridStyle Back(COLORREF c, DWORD more = 0) {
    return GridStyle{GLF_BKCOLOR | more, 0, c, false};
}
GridStyle Text(COLORREF c, DWORD more = 0) {
    return GridStyle{GLF_TEXTCOLOR | more, c, 0, false};
}
GridStyle Flags(DWORD flags) {
    return GridStyle{flags, 0, 0, false};
}

TEST_F(GridDrawing, ColoursComeFromCellThenRowThenColumnAsThePermissionsAllow) {
    const ColourCase cases[] = {
        {"cell",
         {.cell = GridStyle{GLF_BKCOLOR | GLF_TEXTCOLOR, kRed, kYellow}},
         false,
         kYellow,
         kRed},
        {"row style", {.row = Back(kCyan)}, false, kCyan, kOwn},
        {"column", {.column = Back(kGreen)}, false, kGreen, kOwn},
        {"the cell before the row and the column",
         {.cell = Back(kYellow), .row = Back(kCyan), .column = Back(kGreen)},
         false,
         kYellow,
         kOwn},
        {"the row before the column",
         {.row = Back(kCyan), .column = Back(kGreen)},
         false,
         kCyan,
         kOwn},
        {"text by the same order",
         {.row = Text(kMagenta), .column = Text(kRed)},
         false,
         kOwn,
         kMagenta},
        {"the cell keeps the row out",
         {.cell = Flags(GLF_NOROW), .row = Back(kCyan), .column = Back(kGreen)},
         false,
         kGreen,
         kOwn},
        {"the cell keeps both out",
         {.cell = Flags(GLF_NOROW | GLF_NOCOLUMN), .row = Back(kCyan), .column = Back(kGreen)},
         false,
         kOwn,
         kOwn},
        {"the cell keeps the column out",
         {.cell = Flags(GLF_NOCOLUMN),
          .column = GridStyle{GLF_BKCOLOR | GLF_TEXTCOLOR, kRed, kGreen}},
         false,
         kOwn,
         kOwn},
        {"the row style keeps the column out",
         {.row = Text(kMagenta, GLF_NOCOLUMN), .column = Back(kGreen)},
         false,
         kOwn,
         kMagenta},
        {"the column keeps the row out",
         {.row = Back(kCyan), .column = Back(kGreen, GLF_NOROW)},
         false,
         kGreen,
         kOwn},
        {"a row's own permission is not asked when the cell has decided",
         {.cell = Flags(GLF_NOROW), .row = Back(kCyan, GLF_NOCOLUMN), .column = Back(kGreen)},
         false,
         kGreen,
         kOwn},
        {"selected: the normal styles give way to the highlight",
         {.cell = Back(kYellow), .row = Text(kRed), .column = Back(kGreen)},
         true,
         kHigh,
         kHigh},
        {"selected: the cell's selected state",
         {.cell = Back(kGreen), .cellSel = GridStyle{GLF_BKCOLOR | GLF_TEXTCOLOR, kRed, kYellow}},
         true,
         kYellow,
         kRed},
        {"unselected: the selected state waits",
         {.cell = Back(kGreen), .cellSel = GridStyle{GLF_BKCOLOR | GLF_TEXTCOLOR, kRed, kYellow}},
         false,
         kGreen,
         kOwn},
        {"selected: the row's selected state", {.rowSel = Back(kCyan)}, true, kCyan, kHigh},
        {"selected: the column's selected state", {.colSel = Text(kYellow)}, true, kHigh, kYellow},
        {"selected: permissions of the selected states",
         {.cellSel = Flags(GLF_NOROW), .rowSel = Back(kCyan), .colSel = Back(kGreen)},
         true,
         kGreen,
         kHigh},
    };
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Fresh records for each case.
        grid->SetColumns({"Port", "State"});
        grid->SetRowCount(kRows);
        for (int row = 0; row < kRows; ++row)
            grid->SetCellText(kValue, row, 1);
        const Styles& s = c.styles;
        if (s.cell.dwFlags) {
            EXPECT_TRUE(grid->SetCellStyle(1, 1, s.cell));
        }
        if (s.cellSel.dwFlags) {
            EXPECT_TRUE(grid->SetCellStyle(1, 1, s.cellSel, true));
        }
        if (s.row.dwFlags) {
            EXPECT_TRUE(grid->SetRowStyle(1, s.row));
        }
        if (s.rowSel.dwFlags) {
            EXPECT_TRUE(grid->SetRowStyle(1, s.rowSel, true));
        }
        if (s.column.dwFlags) {
            EXPECT_TRUE(grid->SetColumnStyle(1, s.column));
        }
        if (s.colSel.dwFlags) {
            EXPECT_TRUE(grid->SetColumnStyle(1, s.colSel, true));
        }
        grid->SetItemState(-1, 0, LVIS_SELECTED);
        if (c.selected) grid->SelectRow(1);

        const Picture picture = Paint();
        const Cell cell = At(picture, 1, 1);
        const COLORREF back = c.back == kOwn ? ListBack() : c.back == kHigh ? highlight : c.back;
        const COLORREF text = c.text == kOwn    ? ListText()
                              : c.text == kHigh ? highlightText
                                                : c.text;
        EXPECT_EQ(back, cell.back);
        EXPECT_GT(cell.count(text), 0) << "no pixel of the text colour " << std::hex << text;
        EXPECT_EQ(c.selected ? 1 : -1, grid->GetSelectedRow());
    }
    EXPECT_EQ(0, fonts.Created());
}

TEST_F(GridDrawing, ARowStyleColoursEveryCellOfItsRowAndAColumnEveryRow) {
    ASSERT_TRUE(grid->SetRowStyle(2, Back(kCyan)));
    ASSERT_TRUE(grid->SetColumnStyle(0, Back(kYellow)));
    const Picture picture = Paint();
    EXPECT_EQ(kCyan, At(picture, 2, 0).back); // the row before the column
    EXPECT_EQ(kCyan, At(picture, 2, 1).back);
    for (int row : {0, 1, 3}) {
        EXPECT_EQ(kYellow, At(picture, row, 0).back) << row;
        EXPECT_EQ(ListBack(), At(picture, row, 1).back) << row;
    }

    // Rows of the page's kind have no cell records: the row record styles
    // every cell of its row.
    PageOrderRows();
    ASSERT_TRUE(grid->SetCellStyle(2, 0, Back(kCyan)));
    ASSERT_EQ(0, grid->GetRowRecord(2)->arrCells.GetSize());
    const Picture again = Paint();
    EXPECT_EQ(kCyan, At(again, 2, 0).back);
    EXPECT_EQ(kCyan, At(again, 2, 1).back);
    EXPECT_EQ(ListBack(), At(again, 1, 1).back);
}

// ---- fonts ---------------------------------------------------------------------

TEST_F(GridDrawing, BoldItalicUnderlineAndStrikeOutShowAndEachStyleMakesOneFont) {
    const DWORD looks[] = {GLF_BOLD, GLF_ITALIC, GLF_UNDERLINE, GLF_STRIKEOUT};
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(grid->SetCellStyle(i, 1, Flags(looks[i])));
    grid->SetRowCount(5); // row 4: the plain text to compare with
    grid->SetCellText(kValue, 4, 1);
    const Picture picture = Paint();
    const Cell plain = At(picture, 4, 1);
    const Cell bold = At(picture, 0, 1), italic = At(picture, 1, 1);
    const Cell underline = At(picture, 2, 1), strikeOut = At(picture, 3, 1);
    ASSERT_GT(plain.inkWidth, 10);
    EXPECT_GT(bold.inkWidth, plain.inkWidth);
    EXPECT_GE(italic.slant, plain.slant + 5) << italic.slant << " against " << plain.slant;
    // A line through the whole text: far fuller than any line of plain text.
    EXPECT_GE(underline.widestLine, underline.inkWidth - 1);
    EXPECT_GE(strikeOut.widestLine, strikeOut.inkWidth - 1);
    EXPECT_LT(plain.widestLine, plain.inkWidth - 2);
    EXPECT_EQ(4, fonts.Created());

    Paint(); // painted again: the fonts are kept in the records
    EXPECT_EQ(4, fonts.Created());
    const CFont* boldFont = grid->GetRowRecord(0)->arrCells[0]->pFont;
    ASSERT_NE(nullptr, boldFont);
    EXPECT_TRUE(grid->GetRowRecord(0)->arrCells[0]->bOwnFont);
    LOGFONTA lf = {};
    ASSERT_TRUE(boldFont->GetLogFont(&lf));
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_EQ(0, lf.lfItalic);

    grid->DeleteRow(0); // the record's font goes with it
    EXPECT_EQ(1, fonts.Deleted());
}

TEST_F(GridDrawing, AnItemLevelFontStaysOnItsCellAndTheOtherCellsGetTheListsFont) {
    // Row 1's record styles sub-item 0 (the row has cell records).
    ASSERT_TRUE(grid->SetCellStyle(1, 0, Flags(GLF_BOLD)));
    grid->SetCellText(kValue, 1, 0);
    grid->SetCellText(kValue, 2, 0);
    const Picture picture = Paint();
    EXPECT_GT(At(picture, 1, 0).inkWidth, At(picture, 2, 0).inkWidth);
    EXPECT_EQ(At(picture, 2, 1).inkWidth, At(picture, 1, 1).inkWidth);

    // A row without cell records: its record styles every cell.
    PageOrderRows();
    ASSERT_TRUE(grid->SetCellStyle(1, 0, Flags(GLF_BOLD)));
    ASSERT_EQ(0, grid->GetRowRecord(1)->arrCells.GetSize());
    const Picture again = Paint();
    EXPECT_GT(At(again, 1, 1).inkWidth, At(again, 0, 1).inkWidth);
}

TEST_F(GridDrawing, FontsFromSeveralRecordsMergeOncePerCellAndTheCellWins) {
    // Row 1's value: the cell italic, the row style bold.
    ASSERT_TRUE(grid->SetCellStyle(1, 1, Flags(GLF_ITALIC)));
    ASSERT_TRUE(grid->SetRowStyle(1, Flags(GLF_BOLD)));
    ASSERT_TRUE(grid->SetCellStyle(2, 1, Flags(GLF_ITALIC))); // row 2: italic alone
    const Picture picture = Paint();
    const GRIDLIST* cell = grid->GetRowRecord(1)->arrCells[0];
    ASSERT_NE(nullptr, cell->pMergedFont);
    LOGFONTA lf = {};
    ASSERT_TRUE(cell->pMergedFont->GetLogFont(&lf));
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_EQ(1, lf.lfItalic);
    // Row 1's value: bold and italic; its label: the row style's bold.
    const Cell merged = At(picture, 1, 1), italicOnly = At(picture, 2, 1);
    EXPECT_GT(merged.inkWidth, italicOnly.inkWidth);
    EXPECT_GE(merged.slant, At(picture, 3, 1).slant + 5);
    // Fonts: the cell's, the row style's, the merge, row 2's cell.
    EXPECT_EQ(4, fonts.Created());

    const CFont* cached = cell->pMergedFont;
    Paint();
    Paint(Picture::Source::Print);
    EXPECT_EQ(cached, cell->pMergedFont);
    EXPECT_EQ(4, fonts.Created());
    EXPECT_EQ(0, fonts.Deleted());

    // A contributor with new font flags: its font and the merge are made anew.
    ASSERT_TRUE(grid->SetCellStyle(1, 1, Flags(GLF_UNDERLINE))); // weight 400 from the cell
    Paint();
    ASSERT_NE(nullptr, cell->pMergedFont);
    ASSERT_TRUE(cell->pMergedFont->GetLogFont(&lf));
    // The cell's weight is the list font's, so it does not override the row's.
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_EQ(0, lf.lfItalic);
    EXPECT_EQ(1, lf.lfUnderline);
}

TEST_F(GridDrawing, AMergedFontIsRebuiltWhenOneOfItsContributorsGetsANewFont) {
    grid->SetRowCount(1); // one row: the column's font is made only for it
    grid->SetCellText(kValue, 0, 1);
    ASSERT_TRUE(grid->SetColumnStyle(1, Flags(GLF_BOLD)));
    ASSERT_TRUE(grid->SetCellStyle(0, 1, Flags(GLF_ITALIC | GLF_NOCOLUMN)));
    ASSERT_TRUE(grid->SetRowStyle(0, Flags(GLF_UNDERLINE)));
    const Picture first = Paint();
    const GRIDLIST* cell = grid->GetRowRecord(0)->arrCells[0];
    ASSERT_NE(nullptr, cell->pMergedFont);
    LOGFONTA lf = {};
    ASSERT_TRUE(cell->pMergedFont->GetLogFont(&lf));
    EXPECT_EQ(FW_NORMAL, lf.lfWeight); // the column kept out
    EXPECT_EQ(1, lf.lfItalic);
    EXPECT_EQ(1, lf.lfUnderline);
    EXPECT_EQ(3, fonts.Created()); // cell, row style, merge; the column's is not needed yet
    const int before = At(first, 0, 1).inkWidth;

    // The cell lets the column in; its font flags stay, so nothing is
    // dropped until the paint makes the column's font.
    ASSERT_TRUE(grid->SetCellStyle(0, 1, Flags(GLF_ITALIC)));
    EXPECT_EQ(0, fonts.Deleted());
    const Picture second = Paint();
    EXPECT_EQ(5, fonts.Created()); // the column's font and a new merge
    EXPECT_EQ(1, fonts.Deleted()); // the old merge
    ASSERT_NE(nullptr, cell->pMergedFont);
    ASSERT_TRUE(cell->pMergedFont->GetLogFont(&lf));
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_EQ(1, lf.lfItalic);
    EXPECT_EQ(1, lf.lfUnderline);
    EXPECT_GT(At(second, 0, 1).inkWidth, before);
}

TEST_F(GridDrawing, ASelectedStateGivesItsFontOnlyWithSelFont) {
    // Row 1: the selected state's font applies (bSelFont); row 2: its
    // colours apply but not its font.
    ASSERT_TRUE(grid->SetCellStyle(1, 1, GridStyle{GLF_BOLD, 0, 0, true}, true));
    ASSERT_TRUE(
        grid->SetCellStyle(2, 1, GridStyle{GLF_BOLD | GLF_BKCOLOR, 0, kYellow, false}, true));
    const Picture unselected = Paint();
    const int plainWidth = At(unselected, 3, 1).inkWidth;
    EXPECT_EQ(plainWidth, At(unselected, 1, 1).inkWidth);
    EXPECT_EQ(plainWidth, At(unselected, 2, 1).inkWidth);
    EXPECT_EQ(0, fonts.Created());

    grid->SelectRow(1);
    const Picture one = Paint();
    EXPECT_GT(At(one, 1, 1).inkWidth, plainWidth);
    EXPECT_EQ(1, fonts.Created());

    grid->SelectRow(2);
    const Picture two = Paint();
    const Cell row2 = At(two, 2, 1);
    EXPECT_EQ(kYellow, row2.back);
    EXPECT_EQ(plainWidth, row2.inkWidth);
    EXPECT_EQ(plainWidth, At(two, 1, 1).inkWidth); // row 1 no longer selected
    EXPECT_EQ(1, fonts.Created());
}

TEST_F(GridDrawing, FontsGoWithTheirRecordsExactlyOnceAcrossWindows) {
    ASSERT_TRUE(grid->SetColumnStyle(1, Flags(GLF_UNDERLINE)));
    ASSERT_TRUE(grid->SetRowStyle(0, Flags(GLF_BOLD)));
    ASSERT_TRUE(grid->SetCellStyle(0, 1, Flags(GLF_ITALIC)));
    Paint();
    // Row 0's value: cell, row style and column merged; its label: the row
    // style; rows 1 to 3: the column.
    EXPECT_EQ(4, fonts.Created());

    host.reset(); // the rows' fonts go with the window; the column's stays
    EXPECT_EQ(3, fonts.Deleted());
    EXPECT_EQ(1, fonts.Alive());

    host = std::make_unique<DialogHost>();
    ASSERT_TRUE(grid->SubclassDlgItem(kListId, host.get()));
    grid->SetColumns({"Port", "State"});
    grid->SetRowCount(2);
    grid->SetCellText(kValue, 1, 1);
    ASSERT_TRUE(grid->SetCellStyle(1, 1, Flags(GLF_STRIKEOUT)));
    const Picture picture = Paint();
    EXPECT_EQ(5, fonts.Created());
    const Cell struck = At(picture, 1, 1);
    EXPECT_GE(struck.widestLine, struck.inkWidth - 1);
    // Teardown: the window takes the row's font, the grid the column's.
}

} // namespace
