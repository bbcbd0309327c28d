// CListCtrl over a real report-view list: each operation is the list's
// message and gives the list's answer.
#include "AfxListCtrl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ListCtrl : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, RECT{0, 0, 300, 200},
                                  nullptr, 0));
    }
    int AddColumn(int index, const char* title) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 80;
        column.pszText = const_cast<LPSTR>(title);
        return list.InsertColumn(index, &column);
    }
    int AddItem(int index, const char* text, LPARAM data) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = index;
        item.pszText = const_cast<LPSTR>(text);
        item.lParam = data;
        return list.InsertItem(&item);
    }
    CListCtrl list;
};

TEST_F(ListCtrl, ColumnsAndItems) {
    EXPECT_EQ(0, list.GetHeaderItemCount());
    EXPECT_EQ(0, AddColumn(0, "Port"));
    EXPECT_EQ(1, AddColumn(1, "State"));
    EXPECT_EQ(2, list.GetHeaderItemCount());
    EXPECT_TRUE(list.SetColumnWidth(1, 55));
    EXPECT_EQ(55, list.SendMessage(LVM_GETCOLUMNWIDTH, 1));

    EXPECT_EQ(0, AddItem(0, "zero", 100));
    EXPECT_EQ(1, AddItem(7, "one", 101)); // appended
    EXPECT_EQ(2, list.GetItemCount());
    LVITEMA sub = {};
    sub.mask = LVIF_TEXT;
    sub.iItem = 1;
    sub.iSubItem = 1;
    sub.pszText = const_cast<LPSTR>("HI");
    EXPECT_TRUE(list.SetItem(&sub));
    EXPECT_EQ("HI", list.GetItemText(1, 1));
    EXPECT_EQ("zero", list.GetItemText(0, 0));
    EXPECT_EQ("", list.GetItemText(0, 1));
    const std::string longText(1000, 'q'); // many times the first read
    sub.pszText = const_cast<LPSTR>(longText.c_str());
    EXPECT_TRUE(list.SetItem(&sub));
    EXPECT_EQ(longText, list.GetItemText(1, 1));

    LVITEMA read = {};
    read.mask = LVIF_PARAM;
    read.iItem = 1;
    ASSERT_TRUE(list.GetItem(&read));
    EXPECT_EQ(101, read.lParam);
    read.iItem = 5;
    EXPECT_FALSE(list.GetItem(&read));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_FALSE(list.DeleteItem(4));
    EXPECT_EQ("one", list.GetItemText(0, 0));
    EXPECT_TRUE(list.DeleteColumn(1));
    EXPECT_EQ(1, list.GetHeaderItemCount());
}

TEST_F(ListCtrl, StatesRectsAndColours) {
    AddColumn(0, "Port");
    for (int i = 0; i < 4; ++i)
        AddItem(i, "row", i);
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list.GetItemState(2, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(2, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(-1, list.GetNextItem(2, LVNI_SELECTED));
    EXPECT_TRUE(list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED)); // every item
    EXPECT_EQ(0, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(3, list.GetNextItem(2, LVNI_SELECTED));

    RECT bounds = {}, label = {}, next = {};
    ASSERT_TRUE(list.GetItemRect(1, &bounds, LVIR_BOUNDS));
    ASSERT_TRUE(list.GetItemRect(1, &label, LVIR_LABEL));
    ASSERT_TRUE(list.GetItemRect(2, &next, LVIR_BOUNDS));
    EXPECT_EQ(bounds.bottom, next.top);
    EXPECT_LT(bounds.top, bounds.bottom);
    EXPECT_GE(label.left, bounds.left);
    EXPECT_FALSE(list.GetItemRect(9, &bounds, LVIR_BOUNDS));
    EXPECT_FALSE(list.GetItemRect(0, nullptr, LVIR_BOUNDS));

    EXPECT_TRUE(list.SetTextColor(RGB(10, 20, 30)));
    EXPECT_TRUE(list.SetTextBkColor(RGB(40, 50, 60)));
    EXPECT_EQ(RGB(10, 20, 30), list.GetTextColor());
    EXPECT_EQ(RGB(40, 50, 60), list.GetTextBkColor());
}

} // namespace
