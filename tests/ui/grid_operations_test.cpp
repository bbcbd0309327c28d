// The grid's operations through a real list view in a real dialog, the way
// the property page drives them, with every record counted: each test ends
// with the window and the grid gone and no record left.
#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using gridtest::DialogHost;
using gridtest::kListId;
using Texts = std::vector<std::string>;

class GridOperations : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, GridRecordsAlive());
        host = std::make_unique<DialogHost>();
        ASSERT_NE(nullptr, host->m_hWnd);
        grid = std::make_unique<HxGridCtrl>();
        ASSERT_TRUE(grid->SubclassDlgItem(kListId, host.get()));
    }
    void TearDown() override {
        host.reset(); // the dialog and its list go first, as a page's window does
        grid.reset();
        EXPECT_EQ(0, GridRecordsAlive());
    }

    HWND List() const { return host->List(); }
    std::string Heading(int col) const {
        char text[64] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETCOLUMNA, static_cast<WPARAM>(col),
                     reinterpret_cast<LPARAM>(&column));
        return text;
    }
    // Every cell's text, row by row.
    std::vector<Texts> Cells() const {
        std::vector<Texts> rows;
        for (int row = 0; row < grid->GetItemCount(); ++row) {
            Texts texts;
            for (int col = 0; col < grid->GetHeaderItemCount(); ++col)
                texts.push_back(grid->GetItemText(row, col));
            rows.push_back(texts);
        }
        return rows;
    }
    // Rows labelled the way the page labels them: "0", "1", ...
    void LabelledRows(int count) {
        grid->SetColumns({"Port", "State"});
        grid->SetRowCount(count);
        for (int row = 0; row < count; ++row)
            grid->SetCellText(std::to_string(row), row, 0);
    }

    std::unique_ptr<DialogHost> host;
    std::unique_ptr<HxGridCtrl> grid;
};

// ---- columns ---------------------------------------------------------------

struct ColumnsCase {
    const char* name;
    int columnsBefore;
    Texts headings;
    Texts expected;
};

TEST_F(GridOperations, SetColumnsMakesExactlyTwoColumnsFromTheFirstTwoHeadings) {
    const ColumnsCase cases[] = {
        {"no headings", 0, {}, {"", ""}},
        {"one heading", 0, {"Port"}, {"Port", ""}},
        {"the page's headings", 0, {"Port", "State"}, {"Port", "State"}},
        {"a third heading is ignored", 0, {"Port", "State", "Extra"}, {"Port", "State"}},
        {"columns already there are replaced", 3, {"A", "B"}, {"A", "B"}},
    };
    for (const ColumnsCase& c : cases) {
        SCOPED_TRACE(c.name);
        while (grid->GetHeaderItemCount() > 0)
            grid->DeleteFirstColumn();
        for (int i = 0; i < c.columnsBefore; ++i)
            grid->InsertGridColumn(i, "old");
        EXPECT_EQ(0, grid->SetColumns(c.headings));
        ASSERT_EQ(2, grid->GetHeaderItemCount());
        EXPECT_EQ(c.expected, (Texts{Heading(0), Heading(1)}));
        for (int col = 0; col < 2; ++col) {
            EXPECT_EQ(100, SendMessageA(List(), LVM_GETCOLUMNWIDTH, col, 0));
            LVCOLUMNA column = {};
            column.mask = LVCF_FMT;
            SendMessageA(List(), LVM_GETCOLUMNA, col, reinterpret_cast<LPARAM>(&column));
            EXPECT_EQ(LVCFMT_LEFT, column.fmt & LVCFMT_JUSTIFYMASK);
        }
    }
}

TEST_F(GridOperations, InsertGridColumnGivesTheListsIndex) {
    EXPECT_EQ(0, grid->InsertGridColumn(0, "first"));
    EXPECT_EQ(1, grid->InsertGridColumn(5, "appended")); // the list appends past the end
    EXPECT_EQ(0, grid->InsertGridColumn(0, "new first"));
    EXPECT_EQ((Texts{"new first", "first", "appended"}),
              (Texts{Heading(0), Heading(1), Heading(2)}));
    // A column the list refuses is not counted.
    EXPECT_EQ(-1, grid->InsertGridColumn(-1, "refused"));
    EXPECT_EQ(3, grid->GetHeaderItemCount());
}

TEST_F(GridOperations, DeleteFirstColumnTakesTheRowsFirstCellRecordsOrTheRows) {
    grid->SetColumns({"Port", "State"});
    grid->SetRowCount(3); // columns first: each row gets a cell record per column
    ASSERT_EQ(2, grid->GetRowRecord(0)->arrCells.GetSize());
    ASSERT_TRUE(grid->SetColumnStyle(0, GridStyle{GLF_BOLD}));
    EXPECT_EQ(3 * 3 + 1, GridRecordsAlive());

    grid->DeleteFirstColumn(); // two columns: every row gives up its first cell record
    EXPECT_EQ(1, grid->GetHeaderItemCount());
    EXPECT_EQ(3, grid->GetItemCount());
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(1, grid->GetRowRecord(row)->arrCells.GetSize());
    EXPECT_EQ(3 * 2, GridRecordsAlive()); // the column record and three cells went

    grid->DeleteFirstColumn(); // the only column: the rows go with it
    EXPECT_EQ(0, grid->GetHeaderItemCount());
    EXPECT_EQ(0, grid->GetItemCount());
    EXPECT_EQ(0, GridRecordsAlive());
}

TEST_F(GridOperations, RowsMadeBeforeTheColumnsKeepTheirRecordsWhileAColumnIsLeft) {
    // The page's order: rows of a fresh list first, so they have no cell
    // records; removing a column of two must leave them be.
    grid->SetRowCount(4);
    grid->SetColumns({"Port", "State"});
    EXPECT_EQ(0, grid->GetRowRecord(0)->arrCells.GetSize());
    grid->InsertGridColumn(2, "third");
    grid->DeleteFirstColumn();
    EXPECT_EQ(2, grid->GetHeaderItemCount());
    EXPECT_EQ(4, grid->GetItemCount());
    EXPECT_EQ(4, GridRecordsAlive());
    // Replacing every column takes the rows along when the last one goes.
    EXPECT_EQ(0, grid->SetColumns({"Port", "State"}));
    EXPECT_EQ(2, grid->GetHeaderItemCount());
    EXPECT_EQ(0, grid->GetItemCount());
    EXPECT_EQ(0, GridRecordsAlive());
}

// ---- rows ------------------------------------------------------------------

TEST_F(GridOperations, SetRowCountAppendsBlankRowsAndDeletesFromTheEnd) {
    LabelledRows(0);
    struct Step {
        int wanted;
        int rows;
    };
    const Step steps[] = {{8, 8}, {3, 3}, {-1, 3}, {5, 5}, {5, 5}, {0, 0}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.wanted);
        grid->SetRowCount(step.wanted);
        EXPECT_EQ(step.rows, grid->GetItemCount());
        EXPECT_EQ(step.rows * 3, GridRecordsAlive()); // a row record and a cell per column
    }
    grid->SetRowCount(3);
    grid->SetCellText("kept", 0, 1);
    grid->SetRowCount(2); // the last row goes, the first keeps its text
    EXPECT_EQ((std::vector<Texts>{{"", "kept"}, {"", ""}}), Cells());
}

TEST_F(GridOperations, InsertRowWritesItsTextsAndGivesEachRowACellRecordPerColumn) {
    grid->SetColumns({"Port", "State"});
    EXPECT_EQ(0, grid->InsertRow(0, {"a", "b", "ignored"}));
    EXPECT_EQ(1, grid->InsertRow(1, {"only the label"}));
    EXPECT_EQ(2, grid->InsertRow(2, {}));
    // Past the end the list appends, and the texts go where it put the row.
    EXPECT_EQ(3, grid->InsertRow(100, {"x", "y"}));
    EXPECT_EQ((std::vector<Texts>{{"a", "b"}, {"only the label", ""}, {"", ""}, {"x", "y"}}),
              Cells());
    for (int row = 0; row < 4; ++row) {
        const GRIDLIST* record = grid->GetRowRecord(row);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(2, record->arrCells.GetSize());
        EXPECT_FALSE(record->bParamSet);
        EXPECT_EQ(0u, record->dwFlags);
    }
    EXPECT_EQ(4 * 3, GridRecordsAlive());
}

TEST_F(GridOperations, InsertRowAtAnOccupiedIndexReplacesTheRowAndDeletesItsRecord) {
    LabelledRows(3);
    // Give row 1 a record tree: a row style with a selected state, a cell
    // style with one; all of it must go with the row.
    ASSERT_TRUE(grid->SetRowStyle(1, GridStyle{GLF_BKCOLOR}, true));
    ASSERT_TRUE(grid->SetCellStyle(1, 1, GridStyle{GLF_TEXTCOLOR}, true));
    grid->SetGridItem([] {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = 1;
        item.lParam = 77;
        return item;
    }());
    EXPECT_EQ(3 * 3 + 3, GridRecordsAlive());

    EXPECT_EQ(1, grid->InsertRow(1, {"new", "HI"}));
    EXPECT_EQ(3, grid->GetItemCount());
    EXPECT_EQ((std::vector<Texts>{{"0", ""}, {"new", "HI"}, {"2", ""}}), Cells());
    EXPECT_EQ(3 * 3, GridRecordsAlive()); // the old tree went, a blank row came
    const GRIDLIST* record = grid->GetRowRecord(1);
    EXPECT_FALSE(record->bParamSet);
    EXPECT_EQ(nullptr, record->pRowStyle);
}

// A list that refuses new items, as a list out of memory would.
LRESULT CALLBACK RefusingList(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto base = reinterpret_cast<WNDPROC>(GetPropA(hWnd, "base"));
    if (message == LVM_INSERTITEMA) return -1;
    return CallWindowProcA(base, hWnd, message, wParam, lParam);
}

TEST_F(GridOperations, ARowTheListRefusesLeavesNoRecordBehind) {
    LabelledRows(2);
    EXPECT_EQ(-1, grid->InsertRow(-1, {"negative index"})); // the list's own refusal
    EXPECT_EQ(2, grid->GetItemCount());
    EXPECT_EQ(2 * 3, GridRecordsAlive());

    SetPropA(List(), "base",
             reinterpret_cast<HANDLE>(SetWindowLongPtrA(
                 List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefusingList))));
    EXPECT_EQ(-1, grid->InsertRow(5, {"refused"}));
    EXPECT_EQ(-1, grid->InsertRow(0, {"refused"})); // the row it would replace is gone first
    grid->SetRowCount(6);                           // gives up instead of looping
    EXPECT_EQ(1, grid->GetItemCount());
    EXPECT_EQ(1 * 3, GridRecordsAlive());
    SetWindowLongPtrA(List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(List(), "base")));
    RemovePropA(List(), "base");

    HxGridCtrl unbound; // no list at all
    EXPECT_EQ(-1, unbound.InsertRow(0, {"nowhere"}));
    unbound.SetRowCount(3);
    EXPECT_EQ(1 * 3, GridRecordsAlive());
}

TEST_F(GridOperations, DeleteRowAndDeleteAllRowsDeleteTheRecords) {
    LabelledRows(5);
    grid->DeleteRow(2);
    EXPECT_EQ((std::vector<Texts>{{"0", ""}, {"1", ""}, {"3", ""}, {"4", ""}}), Cells());
    EXPECT_EQ(4 * 3, GridRecordsAlive());
    grid->DeleteRow(9); // no such row
    EXPECT_EQ(4, grid->GetItemCount());
    grid->DeleteAllRows();
    EXPECT_EQ(0, grid->GetItemCount());
    EXPECT_EQ(0, GridRecordsAlive());
    EXPECT_EQ(2, grid->GetHeaderItemCount()); // the columns stay
}

// ---- items -----------------------------------------------------------------

TEST_F(GridOperations, SetGridItemKeepsTheRecordAsTheListsItemData) {
    LabelledRows(2);
    const GRIDLIST* record = grid->GetRowRecord(1);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 1;
    item.iSubItem = 1;
    item.pszText = const_cast<LPSTR>("HI");
    item.lParam = 0x1234;
    grid->SetGridItem(item);

    EXPECT_EQ("HI", grid->GetValueText(1));
    EXPECT_EQ(record, grid->GetRowRecord(1));
    LVITEMA read = {};
    read.mask = LVIF_PARAM;
    read.iItem = 1;
    ASSERT_TRUE(grid->GetItem(&read));
    EXPECT_EQ(reinterpret_cast<LPARAM>(record), read.lParam); // the link to the record holds
    EXPECT_TRUE(record->bParamSet);
    EXPECT_EQ(0x1234, record->lParam);

    // Without LVIF_PARAM the item goes to the list as it is.
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<LPSTR>("LO");
    item.lParam = 0x9999;
    grid->SetGridItem(item);
    EXPECT_EQ("LO", grid->GetValueText(1));
    EXPECT_EQ(0x1234, record->lParam);
}

TEST_F(GridOperations, SetCellTextAndGetValueTextWhichAlwaysReadsColumnOne) {
    LabelledRows(3);
    grid->SetCellText("HI", 2, 1);
    grid->SetCellText("label", 2, 0);
    EXPECT_EQ("HI", grid->GetValueText(2));
    EXPECT_EQ("", grid->GetValueText(0));
    EXPECT_EQ("", grid->GetValueText(7)); // no such row
    const std::string longText(300, 'x'); // longer than the list's first read
    grid->SetCellText(longText, 0, 1);
    EXPECT_EQ(longText, grid->GetValueText(0));
}

TEST_F(GridOperations, StylesGoOnlyToRowsCellsAndColumnsThatExist) {
    LabelledRows(2);
    const GridStyle style{GLF_BOLD};
    EXPECT_FALSE(grid->SetCellStyle(2, 0, style)); // no row 2
    EXPECT_FALSE(grid->SetCellStyle(0, 2, style)); // no column 2
    EXPECT_FALSE(grid->SetCellStyle(0, -1, style));
    EXPECT_FALSE(grid->SetRowStyle(-1, style));
    EXPECT_FALSE(grid->SetColumnStyle(2, style, true));
    EXPECT_EQ(2 * 3, GridRecordsAlive()); // nothing was made for them

    // A row short of cell records (a column came after it) gets blank ones
    // up to the columns when one of its cells is styled.
    grid->InsertGridColumn(2, "third");
    EXPECT_EQ(2, grid->GetRowRecord(0)->arrCells.GetSize());
    EXPECT_TRUE(grid->SetCellStyle(0, 2, style));
    EXPECT_EQ(3, grid->GetRowRecord(0)->arrCells.GetSize());
    EXPECT_EQ(GLF_BOLD, grid->GetRowRecord(0)->arrCells[1]->dwFlags);
    EXPECT_EQ(2 * 3 + 1, GridRecordsAlive());
}

// ---- selection and points --------------------------------------------------

TEST_F(GridOperations, SelectRowClampsIntoTheRowsWithoutMovingFocusOrScrolling) {
    struct Case {
        int rows;
        int select;
        int selected;
    };
    const Case cases[] = {
        {8, -5, 0}, {8, 100, 7}, {8, 3, 3},   {8, 7, 7},
        {8, 8, 7},  {0, 0, -1},  {0, -5, -1}, {1, 9, 0},
    };
    SetFocus(host->Button());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, select " << c.select);
        LabelledRows(c.rows);
        grid->SetItemState(-1, 0, LVIS_SELECTED);
        grid->SelectRow(c.select);
        EXPECT_EQ(c.selected, grid->GetSelectedRow());
        EXPECT_EQ(c.selected, grid->GetNextItem(-1, LVNI_SELECTED));
        EXPECT_EQ(host->Button(), GetFocus());
    }
    // Many rows: selecting the last does not scroll it into view.
    LabelledRows(60);
    grid->SelectRow(59);
    EXPECT_EQ(59, grid->GetSelectedRow());
    EXPECT_EQ(0, SendMessageA(List(), LVM_GETTOPINDEX, 0, 0));
}

TEST_F(GridOperations, GetSelectedRowGivesTheLowestSelectedRow) {
    EXPECT_EQ(-1, grid->GetSelectedRow()); // empty
    LabelledRows(6);
    EXPECT_EQ(-1, grid->GetSelectedRow()); // none selected
    // Without single selection the list can hold several.
    SetWindowLongPtrA(List(), GWL_STYLE, GetWindowLongPtrA(List(), GWL_STYLE) & ~LVS_SINGLESEL);
    grid->SelectRow(4);
    grid->SelectRow(2);
    EXPECT_EQ(2, grid->GetSelectedRow());
    // With it, selecting another row moves the selection.
    SetWindowLongPtrA(List(), GWL_STYLE, GetWindowLongPtrA(List(), GWL_STYLE) | LVS_SINGLESEL);
    grid->SetItemState(-1, 0, LVIS_SELECTED);
    grid->SelectRow(4);
    grid->SelectRow(1);
    EXPECT_EQ(1, grid->GetSelectedRow());
    EXPECT_EQ(0u, grid->GetItemState(4, LVIS_SELECTED));
}

TEST_F(GridOperations, RowFromPointTakesEdgesInclusiveAndTheUpperRowOnASharedLine) {
    EXPECT_EQ(-1, grid->RowFromPoint({5, 20})); // empty
    LabelledRows(4);
    RECT r0 = {}, r1 = {}, r3 = {};
    ASSERT_TRUE(grid->GetItemRect(0, &r0, LVIR_BOUNDS));
    ASSERT_TRUE(grid->GetItemRect(1, &r1, LVIR_BOUNDS));
    ASSERT_TRUE(grid->GetItemRect(3, &r3, LVIR_BOUNDS));
    ASSERT_EQ(r0.bottom, r1.top) << "rows share a line";
    const LONG midX = (r0.left + r0.right) / 2;
    struct Case {
        const char* where;
        POINT pt;
        int row;
    };
    const Case cases[] = {
        {"top left corner", {r0.left, r0.top}, 0},
        {"inside row 1", {midX, (r1.top + r1.bottom) / 2}, 1},
        {"right edge", {r1.right, r1.top + 2}, 1},
        {"bottom edge shared with the next row", {midX, r0.bottom}, 0},
        {"bottom edge of the last row", {midX, r3.bottom}, 3},
        {"past the right edge", {r1.right + 1, r1.top + 2}, -1},
        {"below the last row", {midX, r3.bottom + 1}, -1},
        {"above the rows, in the header", {midX, r0.top - 1}, -1},
        {"left of the rows", {r0.left - 1, r0.top + 2}, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.row, grid->RowFromPoint(c.pt)) << c.where;
}

// ---- the window's life -----------------------------------------------------

TEST_F(GridOperations, RecordsGoWithTheWindowAndTheGridTakesANewOne) {
    LabelledRows(8);
    ASSERT_TRUE(grid->SetColumnStyle(1, GridStyle{GLF_TEXTCOLOR, RGB(1, 2, 3)}));
    EXPECT_EQ(8 * 3 + 1, GridRecordsAlive());
    const HWND first = List();

    host.reset(); // the page's window closes
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(nullptr, grid->m_hWnd);
    EXPECT_EQ(1, GridRecordsAlive()); // the rows went with the window, the column slot stays

    // The page shown again: the same grid on a new list.
    host = std::make_unique<DialogHost>();
    ASSERT_TRUE(grid->SubclassDlgItem(kListId, host.get()));
    EXPECT_NE(first, List());
    LabelledRows(3);
    grid->SetCellText("HI", 2, 1);
    EXPECT_EQ((std::vector<Texts>{{"0", ""}, {"1", ""}, {"2", "HI"}}), Cells());
    grid->SelectRow(5);
    EXPECT_EQ(2, grid->GetSelectedRow());
    EXPECT_EQ(3 * 3 + 1, GridRecordsAlive());
}

TEST_F(GridOperations, AGridDestroyedBeforeItsWindowTakesItsRowsAlong) {
    LabelledRows(4);
    const HWND list = List();
    grid.reset();
    EXPECT_TRUE(IsWindow(list)); // the list lives on, empty, with its own procedure
    EXPECT_EQ(0, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(list));
    EXPECT_EQ(0, GridRecordsAlive());
}

// Every record deleted exactly once, through each way a record can go.
TEST_F(GridOperations, EveryRecordIsDeletedExactlyOnce) {
    struct Step {
        const char* what;
        void (*run)(HxGridCtrl& grid);
        long alive;
    };
    // A styled row: the row record, two cells, a row style with a selected
    // state and a selected state on a cell: 6 records.
    static const auto styleRow = [](HxGridCtrl& g, int row) {
        g.SetRowStyle(row, GridStyle{GLF_BOLD});
        g.SetRowStyle(row, GridStyle{GLF_ITALIC, 0, 0, true}, true);
        g.SetCellStyle(row, 1, GridStyle{GLF_UNDERLINE}, true);
    };
    const Step steps[] = {
        {"eight rows", [](HxGridCtrl& g) { g.SetRowCount(8); }, 8 * 3},
        {"styles on rows 0, 3 and 7",
         [](HxGridCtrl& g) {
             styleRow(g, 0);
             styleRow(g, 3);
             styleRow(g, 7);
         },
         8 * 3 + 3 * 3},
        {"a column style with a selected state",
         [](HxGridCtrl& g) { g.SetColumnStyle(0, GridStyle{GLF_BOLD}, true); }, 8 * 3 + 3 * 3 + 2},
        {"row 3 replaced", [](HxGridCtrl& g) { g.InsertRow(3, {"new"}); }, 8 * 3 + 2 * 3 + 2},
        {"row 0 deleted", [](HxGridCtrl& g) { g.DeleteRow(0); }, 7 * 3 + 1 * 3 + 2},
        {"down to 4 rows", [](HxGridCtrl& g) { g.SetRowCount(4); }, 4 * 3 + 2},
        {"first column removed", [](HxGridCtrl& g) { g.DeleteFirstColumn(); }, 4 * 2},
        {"last column removed", [](HxGridCtrl& g) { g.DeleteFirstColumn(); }, 0},
        {"columns and rows again",
         [](HxGridCtrl& g) {
             g.SetColumns({"Port", "State"});
             g.SetRowCount(5);
             styleRow(g, 4);
             g.SetColumnStyle(1, GridStyle{GLF_ITALIC});
         },
         5 * 3 + 3 + 1},
    };
    grid->SetColumns({"Port", "State"});
    for (const Step& step : steps) {
        step.run(*grid);
        EXPECT_EQ(step.alive, GridRecordsAlive()) << step.what;
    }
    host.reset(); // WM_DESTROY: the rows
    EXPECT_EQ(1, GridRecordsAlive());
    grid.reset(); // the grid: the column records
    EXPECT_EQ(0, GridRecordsAlive());
}

} // namespace
