// CFont: an owned font is deleted exactly once, by DeleteObject or with its
// object (or the object it moved to); a borrowed one never. Fonts are counted
// at the program's own imports of CreateFontIndirectA and DeleteObject.
#include "AfxFont.h"
#include "FontCounter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

LOGFONTA Attributes(LONG weight, BYTE italic) {
    LOGFONTA lf = {};
    lf.lfHeight = -13;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    std::strcpy(lf.lfFaceName, "Tahoma");
    return lf;
}

bool IsFont(HFONT font) {
    return GetObjectType(font) == OBJ_FONT;
}

TEST(Font, AnOwnedFontIsDeletedOnceByWhicheverObjectHoldsItLast) {
    hxtest::FontCounter fonts;
    ASSERT_TRUE(fonts.Hooked());
    const LOGFONTA bold = Attributes(FW_BOLD, 1);
    {
        CFont font;
        EXPECT_EQ(nullptr, font.GetSafeHandle());
        ASSERT_TRUE(font.CreateFontIndirect(&bold));
        EXPECT_TRUE(font.IsOwner());
        EXPECT_FALSE(font.CreateFontIndirect(&bold)); // one font an object
        EXPECT_EQ(1, fonts.Created());

        LOGFONTA read = {};
        ASSERT_TRUE(font.GetLogFont(&read));
        EXPECT_EQ(FW_BOLD, read.lfWeight);
        EXPECT_EQ(1, read.lfItalic);
        EXPECT_STREQ("Tahoma", read.lfFaceName);

        CFont moved(std::move(font));
        EXPECT_EQ(nullptr, font.GetSafeHandle());
        CFont assigned;
        ASSERT_TRUE(assigned.CreateFontIndirect(&bold));
        assigned = std::move(moved); // the font it held goes now
        EXPECT_EQ(1, fonts.Deleted());
        EXPECT_TRUE(IsFont(assigned.GetSafeHandle()));
    }
    EXPECT_EQ(2, fonts.Created());
    EXPECT_EQ(2, fonts.Deleted());

    CFont early;
    ASSERT_TRUE(early.CreateFontIndirect(&bold));
    EXPECT_TRUE(early.DeleteObject());
    EXPECT_FALSE(early.DeleteObject());
    EXPECT_FALSE(early.GetLogFont(nullptr));
    EXPECT_EQ(0, fonts.Alive());
    EXPECT_EQ(0, fonts.StrayDeletes());
}

TEST(Font, ABorrowedFontIsNeverDeleted) {
    hxtest::FontCounter fonts;
    ASSERT_TRUE(fonts.Hooked());
    const LOGFONTA plain = Attributes(FW_NORMAL, 0);
    const HFONT theirs = CreateFontIndirectA(&plain);
    {
        CFont borrowed = CFont::FromHandle(theirs);
        EXPECT_FALSE(borrowed.IsOwner());
        LOGFONTA read = {};
        ASSERT_TRUE(borrowed.GetLogFont(&read));
        EXPECT_EQ(FW_NORMAL, read.lfWeight);
        CFont moved(std::move(borrowed));
        EXPECT_EQ(theirs, moved.GetSafeHandle());
        EXPECT_TRUE(moved.DeleteObject()); // lets go only
        EXPECT_EQ(nullptr, moved.GetSafeHandle());
        CFont again = CFont::FromHandle(theirs);
    }
    EXPECT_TRUE(IsFont(theirs));
    EXPECT_EQ(0, fonts.Deleted());
    DeleteObject(theirs);
    EXPECT_EQ(0, fonts.Alive());
}

TEST(Font, SelectingGivesTheReplacedFontBorrowed) {
    hxtest::FontCounter fonts;
    const HDC screen = GetDC(nullptr);
    hx::unique_hdc dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_FONT);

    const LOGFONTA bold = Attributes(FW_BOLD, 0);
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&bold));
    std::optional<CFont> replaced = font.SelectInto(dc.get());
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(original, replaced->GetSafeHandle());
    EXPECT_FALSE(replaced->IsOwner());
    EXPECT_EQ(font.GetSafeHandle(), GetCurrentObject(dc.get(), OBJ_FONT));
    // Selected back, the device context lets go of ours, which goes with
    // its object; the original font is left alone.
    std::optional<CFont> ours = replaced->SelectInto(dc.get());
    ASSERT_TRUE(ours.has_value());
    EXPECT_EQ(font.GetSafeHandle(), ours->GetSafeHandle());
    EXPECT_EQ(original, GetCurrentObject(dc.get(), OBJ_FONT));

    EXPECT_FALSE(CFont().SelectInto(dc.get()).has_value()); // no font to select
    EXPECT_FALSE(font.SelectInto(nullptr).has_value());     // no device context
    font.DeleteObject();
    EXPECT_EQ(1, fonts.Created());
    EXPECT_EQ(1, fonts.Deleted());
    EXPECT_EQ(OBJ_FONT, GetObjectType(original));
}

} // namespace
