// CaxCString: storage, assignment, appending, formatting, comparison,
// searches, pieces, edits and number parsing.
#include "CaxCString.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>

namespace {

// Pairs of (expected, answered), reported by their place in the table.
template <class T, std::size_t N> void ExpectAnswers(const std::pair<T, T> (&cases)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST(CaxCStringStorage, ConstructionAssignmentAndAppending) {
    const CaxCString limited("hello", 3);
    EXPECT_STREQ("hel", limited.GetData());
    EXPECT_STREQ("b", CaxCString(nullptr, "b").GetData());
    EXPECT_STREQ("xyz", ("xy" + CaxCString("z")).GetData());
    CaxCString s(limited);
    s = nullptr;
    s = s.GetAtPtr(1); // text from inside its own block
    EXPECT_STREQ("el", s.GetData());
    CaxCString t("12");
    t.Append(t);             // itself, growing its block
    t.Append(t.GetAtPtr(1)); // its own characters
    EXPECT_STREQ("1212212", t.GetData());
    EXPECT_EQ(7, t.GetLength());
}

TEST(CaxCStringStorage, SizeHintAndBufferAccess) {
    CaxCString s("abc");
    std::uint32_t size = 200; // more than the block: SetMinSize(200) grows it
    EXPECT_STREQ("abc", s.GetBuffer(&size));
    EXPECT_EQ(329u, size); // 200 + 128 characters and the terminator
    try {
        size = 0xFFFFFFFFu; // beyond 32 bits: like a failed malloc, and nothing changes
        s.GetBuffer(&size);
        ADD_FAILURE() << "no exception";
    } catch (int thrown) {
        EXPECT_EQ(-1, thrown);
    }
    EXPECT_STREQ("abc", s.GetData());
}

// Numbers become text as the Microsoft runtime writes them, on every platform.
TEST(CaxCStringStorage, AssignNumbersAndWideText) {
    CaxCString s;
    s.Assign(-2147483647 - 1);
    EXPECT_STREQ("-2147483648", s.GetData());
    s.Assign(1e-5); // 20 significant digits, three exponent digits
    EXPECT_STREQ("1.0000000000000000818e-005", s.GetData());
    EXPECT_EQ(26, s.GetLength());
    s.Assign(std::u16string_view(u"A\u0142z")); // U+0142: low byte 0x42
    s.Assign(std::u16string_view());
    EXPECT_STREQ("ABz", s.GetData());
}

TEST(CaxCStringFormat, GrowingBuffersUpToTheSixtyFourKilobyteLimit) {
    CaxCString s("old");
    const std::string text(300, 'q');     // more than the first buffer of 256
    const std::string tooBig(64768, 't'); // more than the last buffer below 64 KiB
    s.Format("%s", text.c_str());
    s.Format("%s", s.GetData()); // an argument inside its own block
    s.AppendFormat("%s", "");
    s.AppendFormat(nullptr);
    s.AppendFormat("%s", tooBig.c_str());
    s.AppendFormat("%d", 7);
    EXPECT_EQ(text + "7", s.GetData());
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
    s.Format("%s", std::string(64767, 'f').c_str());
    EXPECT_EQ(64767, s.GetLength());
    s.Format("%s", tooBig.c_str());
    EXPECT_TRUE(s.IsEmpty());
}

// Also on a string without a block, which gives its empty answers and stays
// without one.
TEST(CaxCStringSearch, ComparesBytesUnsignedAndFindsBothWays) {
    CaxCString s("hello"), none;
    const std::pair<int, int> cases[] = {
        {1, s.Compare("hell")},      {-1, s.Compare("hell\xE9")},
        {-1, s.Compare(nullptr)},    {0, s.CompareNoCase("HELLO")},
        {3, s.Find("lo", 0)},        {-1, s.Find("l", -1)},
        {-1, s.Find(nullptr)},       {2, s.FindNoCase("LL")},
        {3, s.ReverseFind("ll")},    {-1, s.ReverseFind("he", 0)},
        {-1, s.ReverseFind("o", 6)}, {-1, s.ReverseFind("o", INT_MIN)},
        {-1, none.Compare("")},      {-1, none.CompareNoCase(CaxCString(""))},
        {-1, none.UpdateLength()},   {0, none.ToInt(0)},
        {0, none.Replace("a", "b")}, {'\0', none.GetAt(0)}};
    ExpectAnswers(cases);
    none.TrimLeft();
    none.MakeReverse();
    EXPECT_EQ(nullptr, none.GetData());
}

TEST(CaxCStringSearch, PiecesOutOfRangeAreEmpty) {
    const CaxCString s("abcdef");
    const std::pair<std::string, std::string> cases[] = {
        {"abc", s.Left(3).GetData()},  {"", s.Left(-1).GetData()},
        {"cd", s.Mid(2, 2).GetData()}, {"", s.Mid(1, INT_MAX).GetData()},
        {"ef", s.Right(2).GetData()},  {"abcdef", s.Right(INT_MAX).GetData()},
        {"", s.Right(-3).GetData()}};
    ExpectAnswers(cases);
    EXPECT_EQ(nullptr, s.GetAtPtr(6));
    CaxCString w("xy");
    w.GetAt(99) = 'Z'; // lands on a placeholder, not in the string
    EXPECT_STREQ("xy", w.GetData());
}

TEST(CaxCStringSearch, GetLineTreatsPairedBreaksAsOne) {
    // Text, start, line, next (42: left untouched).
    const std::tuple<const char*, int, const char*, std::uint32_t> cases[] = {
        {"ab\r\ncd", 0, "ab", 4}, {"ab\r\ncd", 4, "cd", 7}, {"ab\n\ncd", 0, "ab", 4},
        {"x\n", 0, "x", 2},       {"ab", 3, "", 42},        {"ab", -1, "", 42}};
    for (const auto& [text, start, line, expectedNext] : cases) {
        std::uint32_t next = 42;
        EXPECT_STREQ(line, CaxCString(text).GetLine(start, &next).GetData()) << start;
        EXPECT_EQ(expectedNext, next) << start;
    }
}

// Every edit keeps the stored length in step with the characters; a
// replacement is never searched again.
TEST(CaxCStringEdit, ReplaceFiltersTrimsAndCase) {
    using Edit = void (*)(CaxCString&);
    const std::tuple<const char*, Edit, const char*> cases[] = {
        {"aXa", [](CaxCString& s) { EXPECT_EQ(2, s.Replace("a", "aa")); }, "aaXaa"},
        {"aXa", [](CaxCString& s) { EXPECT_EQ(0, s.Replace(nullptr, "") + s.Replace("", "")); },
         "aXa"},
        {"aXa", [](CaxCString& s) { EXPECT_EQ(2, s.Replace("a", nullptr)); }, "X"},
        {"a1b2", [](CaxCString& s) { EXPECT_STREQ("12", s.KeepDigits().GetData()); }, "12"},
        {"xaxx", [](CaxCString& s) { s.Remove('x'); }, "a"},
        {" \t ab\v\r\n ", [](CaxCString& s) { s.TrimLeft(); }, "ab\v\r\n "},
        {" \t ab\v\r\n ", [](CaxCString& s) { s.TrimRight(); }, " \t ab\v"},
        {"aZ\xC4q", [](CaxCString& s) { s.MakeUpper(); }, "AZ\xC4Q"},
        {"aZ\xC4q", [](CaxCString& s) { s.MakeReverse(); }, "q\xC4Za"}};
    for (const auto& [text, edit, result] : cases) {
        CaxCString s(text);
        edit(s);
        EXPECT_STREQ(result, s.GetData()) << text;
        EXPECT_EQ(static_cast<int>(std::strlen(result)), s.GetLength()) << text;
    }
}

TEST(CaxCStringParse, ToIntCountsEverythingConsumed) {
    // Text, start, value, count (777: left untouched).
    const std::tuple<const char*, int, std::int32_t, std::uint32_t> cases[] = {
        {"  42", 0, 42, 4}, {"  -17", 0, -17, 5}, {"0x1F", 0, 31, 4},
        {"0xG", 0, 0, 2},   {"", 0, 0, 777},      {"  ", 0, 0, 777},
        {"12", 3, 0, 777},  {"x12", 1, 12, 2},    {"4294967295", 0, -1, 10}};
    for (const auto& [text, start, value, expectedCount] : cases) {
        std::uint32_t count = 777;
        EXPECT_EQ(value, CaxCString(text).ToInt(start, &count)) << text;
        EXPECT_EQ(expectedCount, count) << text;
    }
}

// Doubles from decimal text only, as the Microsoft runtime reads them.
TEST(CaxCStringParse, WideHexShortAndDoubleNumbers) {
    CaxCString hex("0x123456789"), wide("  -9000000000000");
    std::uint32_t count = 0;
    EXPECT_EQ(1u, hex.ToHexHighPart(0));
    EXPECT_EQ(0x23456789u, hex.ToHexLowPart(0));
    EXPECT_EQ(-9000000000000LL, wide.ToInt64(0, &count));
    EXPECT_EQ(16u, count);
    EXPECT_EQ(65535, CaxCString("65535").ToUShort(0));
    EXPECT_EQ(0, CaxCString("70000").ToUShort(0, &count));
    EXPECT_EQ(0u, count);
    const std::pair<const char*, double> doubles[] = {
        {"x \t-.5e1", -5.0}, {"x1d5", 100000.0}, {"x0x10", 0.0}, {"xinf", 0.0}};
    for (const auto& [text, value] : doubles)
        EXPECT_EQ(value, CaxCString(text).ToDouble(1)) << text;
    EXPECT_EQ(0.0, CaxCString("x2.5").ToDouble(5));
}

} // namespace
