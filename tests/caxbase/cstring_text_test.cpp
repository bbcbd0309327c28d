// CaxCString searches, pieces, edits and number parsing.
#include "CaxCString.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

TEST(CaxCStringSearch, FindAndReverseFind) {
    CaxCString s("hello");
    EXPECT_EQ(3, s.Find("lo", 0));
    EXPECT_EQ(3, s.Find("l", 3));
    EXPECT_EQ(-1, s.Find("l", 4));
    EXPECT_EQ(-1, s.Find("l", -1));
    EXPECT_EQ(-1, s.Find(nullptr));
    EXPECT_EQ(2, s.FindNoCase("LL"));
    EXPECT_EQ(-1, s.FindNoCase("hellos"));
    EXPECT_EQ(3, s.ReverseFind("l"));
    EXPECT_EQ(3, s.ReverseFind("ll"));
    EXPECT_EQ(2, s.ReverseFind("l", 2));
    EXPECT_EQ(-1, s.ReverseFind("he", 0)); // would begin before index 0
    EXPECT_EQ(4, s.ReverseFind("o", 5));
    EXPECT_EQ(-1, s.ReverseFind("o", 6));
    EXPECT_EQ(-1, s.ReverseFind("o", INT_MIN));
}

TEST(CaxCStringSearch, PiecesOutOfRangeAreEmpty) {
    const CaxCString s("abcdef");
    EXPECT_STREQ("abc", s.Left(3).GetData());
    EXPECT_STREQ("", s.Left(7).GetData());
    EXPECT_STREQ("", s.Left(-1).GetData());
    EXPECT_STREQ("cd", s.Mid(2, 2).GetData());
    EXPECT_STREQ("", s.Mid(5, 2).GetData());
    EXPECT_STREQ("", s.Mid(1, INT_MAX).GetData());
    EXPECT_STREQ("ef", s.Right(2).GetData());
    EXPECT_STREQ("abcdef", s.Right(INT_MAX).GetData());
    EXPECT_EQ(nullptr, s.GetAtPtr(6));
    EXPECT_EQ('\0', s.GetAt(-5));
    CaxCString w("xy");
    w.GetAt(99) = 'Z'; // lands on the placeholder, not in the string
    w.GetAt(1) = 'Y';
    EXPECT_STREQ("xY", w.GetData());
    EXPECT_EQ('\0', w.GetAt(99));
}

TEST(CaxCStringSearch, GetLineTreatsPairedBreaksAsOne) {
    std::uint32_t next = 99;
    CaxCString crlf("ab\r\ncd");
    EXPECT_STREQ("ab", crlf.GetLine(0, &next).GetData());
    EXPECT_EQ(4u, next);
    EXPECT_STREQ("cd", crlf.GetLine(4, &next).GetData());
    EXPECT_EQ(7u, next);
    CaxCString lflf("ab\n\ncd");
    EXPECT_STREQ("ab", lflf.GetLine(0, &next).GetData());
    EXPECT_EQ(4u, next);
    next = 42;
    EXPECT_STREQ("", lflf.GetLine(7, &next).GetData());
    EXPECT_STREQ("", lflf.GetLine(-1, &next).GetData());
    EXPECT_EQ(42u, next);
    CaxCString trailing("x\n");
    EXPECT_STREQ("x", trailing.GetLine(0, &next).GetData());
    EXPECT_EQ(2u, next);
}

TEST(CaxCStringEdit, ReplaceNeverSearchesInsertedText) {
    CaxCString s("aXa");
    EXPECT_EQ(2, s.Replace("a", "aa"));
    EXPECT_STREQ("aaXaa", s.GetData());
    EXPECT_EQ(4, s.Replace("a", nullptr));
    EXPECT_STREQ("X", s.GetData());
    EXPECT_EQ(0, s.Replace(nullptr, "q"));
    EXPECT_EQ(0, s.Replace("", "q"));
    EXPECT_EQ(1, s.Replace("X", ""));
    EXPECT_STREQ("", s.GetData());
}

TEST(CaxCStringEdit, FiltersTrimsAndCase) {
    CaxCString digits("a1b2");
    EXPECT_STREQ("12", digits.KeepDigits().GetData());
    EXPECT_STREQ("12", digits.GetData());
    CaxCString x("xaxx");
    EXPECT_STREQ("a", x.Remove('x').GetData());
    CaxCString hex("0xfG1z-A");
    EXPECT_STREQ("0f1A", hex.KeepHexDigits().GetData());
    CaxCString lines("a\r\nb\n");
    EXPECT_STREQ("ab", lines.RemoveLineBreaks().GetData());
    EXPECT_EQ(2, lines.GetLength());

    CaxCString padded(" \t ab\v\r\n ");
    padded.TrimLeft();
    EXPECT_STREQ("ab\v\r\n ", padded.GetData());
    padded.TrimRight();
    EXPECT_STREQ("ab\v", padded.GetData());
    EXPECT_EQ(3, padded.GetLength());
    CaxCString blanks(" \t\r\n");
    blanks.TrimLeft();
    EXPECT_TRUE(blanks.IsEmpty());

    CaxCString mixed("aZ\xC4q");
    mixed.MakeUpper();
    EXPECT_STREQ("AZ\xC4Q", mixed.GetData());
    mixed.MakeLower();
    EXPECT_STREQ("az\xC4q", mixed.GetData());
    mixed.MakeReverse();
    EXPECT_STREQ("q\xC4za", mixed.GetData());
}

TEST(CaxCStringParse, ToIntCountsEverythingConsumed) {
    struct Case {
        const char* text;
        int start;
        std::int32_t value;
        std::uint32_t count; // 777: left untouched
    };
    const Case cases[] = {{"  42", 0, 42, 4},        {"-17", 0, -17, 3},       {"  -17", 0, -17, 5},
                          {"0x1F", 0, 31, 4},        {"0xG", 0, 0, 2},         {"", 0, 0, 777},
                          {"  ", 0, 0, 777},         {"12", 3, 0, 777},        {"x12", 1, 12, 2},
                          {"4294967295", 0, -1, 10}, {"0xFFFFFFFF", 0, -1, 10}};
    for (const Case& c : cases) {
        CaxCString s(c.text);
        std::uint32_t count = 777;
        EXPECT_EQ(c.value, s.ToInt(c.start, &count)) << c.text;
        EXPECT_EQ(c.count, count) << c.text;
    }
}

TEST(CaxCStringParse, WideAndHexParts) {
    CaxCString big("0x123456789");
    EXPECT_EQ(1u, big.ToHexHighPart(0));
    EXPECT_EQ(0x23456789u, big.ToHexLowPart(0));
    EXPECT_EQ(0x123456789LL, big.ToInt64(0));
    CaxCString decimal("  -9000000000000");
    std::uint32_t count = 0;
    EXPECT_EQ(-9000000000000LL, decimal.ToInt64(0, &count));
    EXPECT_EQ(16u, count);
    EXPECT_EQ(0u, decimal.ToHexLowPart(0));

    CaxCString u("70000");
    count = 9;
    EXPECT_EQ(0, u.ToUShort(0, &count));
    EXPECT_EQ(0u, count);
    CaxCString max("65535");
    EXPECT_EQ(65535, max.ToUShort(0));
    CaxCString d("x2.5");
    EXPECT_DOUBLE_EQ(2.5, d.ToDouble(1));
    EXPECT_EQ(0.0, d.ToDouble(5));
}

} // namespace
