// CaxCString: storage, assignment, appending, formatting, comparison,
// searches, pieces, edits and number parsing.
#include "CaxCString.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

// Pairs of (expected, answered), reported by their place in the table.
template <class T, std::size_t N> void ExpectAnswers(const std::pair<T, T> (&cases)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

template <class Call> int ThrownInt(Call call) {
    try {
        call();
    } catch (int thrown) {
        return thrown;
    }
    return 0;
}

TEST(CaxCStringStorage, StringWithoutBlockGivesEmptyResults) {
    CaxCString s;
    const std::pair<int, int> cases[] = {
        {-1, s.Compare("")},      {-1, s.CompareNoCase("")}, {-1, s.Find("a")},
        {-1, s.ReverseFind("a")}, {-1, s.UpdateLength()},    {0, s.ToInt(0)},
        {0, s.Replace("a", "b")}, {1, s.IsEmpty()},          {'\0', s.GetAt(0)}};
    ExpectAnswers(cases);
    s.TrimLeft();
    s.MakeReverse();
    EXPECT_EQ(nullptr, s.GetData());
}

TEST(CaxCStringStorage, ConstructionAndAssignment) {
    const CaxCString plain("hello");
    EXPECT_EQ(5u, plain.GetCapacity());
    EXPECT_EQ(13u, plain.GetBlockSize());
    const CaxCString limited("hello", 3);
    EXPECT_STREQ("hel", limited.GetData());
    EXPECT_EQ(3u, limited.GetSizeHint());
    EXPECT_STREQ("", CaxCString(nullptr).GetData());
    EXPECT_STREQ("b", CaxCString(nullptr, "b").GetData());
    EXPECT_STREQ("xyz", ("xy" + CaxCString("z")).GetData());
    EXPECT_FALSE(CaxCString("a") == CaxCString("A"));

    CaxCString s("a fairly long text to start with");
    const std::uint64_t blocks = CaxCString::GetBlockAllocationCount();
    s = "short";
    s = plain;
    EXPECT_EQ(blocks, CaxCString::GetBlockAllocationCount()); // the block was large enough
    s = nullptr;
    EXPECT_STREQ("hello", s.GetData());
    s = s.GetAtPtr(2); // text from inside its own block
    EXPECT_STREQ("llo", s.GetData());
}

TEST(CaxCStringStorage, AppendGrowsLinearlyPastItsThreshold) {
    CaxCString s;
    s.Append("ab");
    EXPECT_EQ(130u, s.GetCapacity()); // 0 + 2 + 128
    s.Append(std::string(116, 'x').c_str());
    EXPECT_EQ(130u, s.GetCapacity()); // 116 + 2 + 20 still fits the block of 138
    s.Append("y");
    EXPECT_EQ(138u + 1 + 128, s.GetCapacity());
    EXPECT_EQ(119, s.GetLength());
    EXPECT_EQ('y', s.GetAt(118));
    CaxCString t("12");
    t.Append(t);             // itself
    t.Append(t.GetAtPtr(1)); // its own characters
    t.Append(CaxCString());
    EXPECT_STREQ("1212212", t.GetData());
}

TEST(CaxCStringStorage, SizeHintAndBufferAccess) {
    CaxCString s("abc");
    EXPECT_EQ(200u, s.SetMinSize(200));
    EXPECT_EQ(328u, s.GetCapacity());
    EXPECT_STREQ("abc", s.GetData());
    std::uint32_t size = 50;
    char* buffer = s.GetBuffer(&size);
    EXPECT_EQ(s.GetCapacity() + 1, size); // every character and the terminator
    std::memset(buffer, 'w', size - 1);
    buffer[size - 1] = '\0';
    EXPECT_EQ(static_cast<int>(size) - 1, s.UpdateLength());
    CaxCString hinted("ab");
    hinted.SetMinSize(9); // fits the block: only the hint changes
    EXPECT_EQ(2u, hinted.GetCapacity());
    hinted = "abc";
    EXPECT_EQ(9u, hinted.GetCapacity()); // every later block is at least the hint

    size = 0xFFFFFFFFu; // beyond 32 bits: like a failed malloc, and nothing changes
    EXPECT_EQ(-1, ThrownInt([&] { hinted.SetMinSize(0xFFFFFFF0u); }));
    EXPECT_EQ(-1, ThrownInt([&] { hinted.GetBuffer(&size); }));
    EXPECT_STREQ("abc", hinted.GetData());
}

// Numbers become text as the Microsoft runtime writes them, on every platform.
TEST(CaxCStringStorage, AssignNumbersAndWideText) {
    CaxCString s;
    s.Assign(-2147483647 - 1);
    EXPECT_STREQ("-2147483648", s.GetData());
    const std::pair<double, const char*> cases[] = {{-2.5, "-2.5"},
                                                    {0.1, "0.10000000000000000555"},
                                                    {1e-4, "0.00010000000000000000479"},
                                                    {1e19, "10000000000000000000"},
                                                    {1e-5, "1.0000000000000000818e-005"},
                                                    {1e20, "1e+020"}};
    for (const auto& [value, text] : cases) {
        s.Assign(value);
        EXPECT_STREQ(text, s.GetData());
        EXPECT_EQ(static_cast<int>(std::strlen(text)), s.GetLength());
    }
    s.Assign(std::u16string_view(u"A\u0142z")); // U+0142: low byte 0x42
    EXPECT_STREQ("ABz", s.GetData());
    s.Assign(std::u16string_view());
    EXPECT_STREQ("ABz", s.GetData());
}

TEST(CaxCStringFormat, GrowingBuffersUpToTheSixtyFourKilobyteLimit) {
    CaxCString s("old");
    s.Format("%d-%s", 42, "x");
    EXPECT_STREQ("42-x", s.GetData());
    EXPECT_EQ(256u, s.GetCapacity());
    const std::string text(300, 'q');
    s.Format("%s", text.c_str());
    EXPECT_EQ(1280u, s.GetCapacity());
    s.Format("%s", s.GetData()); // an argument inside its own block
    EXPECT_EQ(text, s.GetData());
    s.AppendFormat("%s", "");
    s.AppendFormat(nullptr);
    s.AppendFormat("%d", 7);
    EXPECT_EQ(text + "7", s.GetData());
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());

    CaxCString large;
    large.AppendFormat("%s", std::string(64767, 'f').c_str());
    EXPECT_EQ(64767, large.GetLength());
    const std::string tooBig(64768, 't');
    large.AppendFormat("%s", tooBig.c_str());
    EXPECT_EQ(64767, large.GetLength());
    large.Format("%s", tooBig.c_str());
    EXPECT_TRUE(large.IsEmpty());
}

TEST(CaxCStringCompare, ComparesBytesUnsignedAndIgnoringCase) {
    const CaxCString s("abc");
    const std::pair<int, int> cases[] = {{0, s.Compare("abc")},
                                         {-1, s.Compare("abd")},
                                         {1, s.Compare("ab")},
                                         {-1, s.Compare("ab\xE9")},
                                         {-1, s.Compare(nullptr)},
                                         {0, s.CompareNoCase("ABC")},
                                         {1, s.CompareNoCase(CaxCString("ABB"))}};
    ExpectAnswers(cases);
}

TEST(CaxCStringSearch, FindAndReverseFind) {
    CaxCString s("hello");
    const std::pair<int, int> cases[] = {
        {3, s.Find("lo", 0)},         {3, s.Find("l", 3)},
        {-1, s.Find("l", 4)},         {-1, s.Find("l", -1)},
        {-1, s.Find(nullptr)},        {2, s.FindNoCase("LL")},
        {-1, s.FindNoCase("hellos")}, {3, s.ReverseFind("l")},
        {3, s.ReverseFind("ll")},     {2, s.ReverseFind("l", 2)},
        {-1, s.ReverseFind("he", 0)}, {4, s.ReverseFind("o", 5)},
        {-1, s.ReverseFind("o", 6)},  {-1, s.ReverseFind("o", INT_MIN)}};
    ExpectAnswers(cases);
}

TEST(CaxCStringSearch, PiecesOutOfRangeAreEmpty) {
    const CaxCString s("abcdef");
    const std::pair<std::string, std::string> cases[] = {
        {"abc", s.Left(3).GetData()}, {"", s.Left(7).GetData()},
        {"", s.Left(-1).GetData()},   {"cd", s.Mid(2, 2).GetData()},
        {"", s.Mid(5, 2).GetData()},  {"", s.Mid(1, INT_MAX).GetData()},
        {"ef", s.Right(2).GetData()}, {"abcdef", s.Right(INT_MAX).GetData()},
        {"", s.Right(-3).GetData()}};
    ExpectAnswers(cases);
    EXPECT_EQ(nullptr, s.GetAtPtr(6));
    CaxCString w("xy");
    w.GetAt(99) = 'Z'; // lands on the placeholder, not in the string
    w.GetAt(1) = 'Y';
    EXPECT_STREQ("xY", w.GetData());
    EXPECT_EQ('\0', w.GetAt(99));
}

TEST(CaxCStringSearch, GetLineTreatsPairedBreaksAsOne) {
    const struct {
        const char* text;
        int start;
        const char* line;
        std::uint32_t next; // 42: left untouched
    } cases[] = {{"ab\r\ncd", 0, "ab", 4}, {"ab\r\ncd", 4, "cd", 7}, {"ab\n\ncd", 0, "ab", 4},
                 {"x\n", 0, "x", 2},       {"ab\n\ncd", 7, "", 42},  {"ab", -1, "", 42}};
    for (const auto& c : cases) {
        std::uint32_t next = 42;
        EXPECT_STREQ(c.line, CaxCString(c.text).GetLine(c.start, &next).GetData()) << c.start;
        EXPECT_EQ(c.next, next) << c.start;
    }
}

// Every edit keeps the stored length in step with the characters; a
// replacement is never searched again.
TEST(CaxCStringEdit, ReplaceFiltersTrimsAndCase) {
    using Edit = void (*)(CaxCString&);
    const struct {
        const char* text;
        Edit edit;
        const char* result;
    } cases[] = {
        {"aXa", [](CaxCString& s) { EXPECT_EQ(2, s.Replace("a", "aa")); }, "aaXaa"},
        {"aXa", [](CaxCString& s) { EXPECT_EQ(2, s.Replace("a", nullptr)); }, "X"},
        {"aXa", [](CaxCString& s) { EXPECT_EQ(0, s.Replace(nullptr, "") + s.Replace("", "")); },
         "aXa"},
        {"a1b2", [](CaxCString& s) { EXPECT_STREQ("12", s.KeepDigits().GetData()); }, "12"},
        {"xaxx", [](CaxCString& s) { s.Remove('x'); }, "a"},
        {"0xfG1z-A", [](CaxCString& s) { s.KeepHexDigits(); }, "0f1A"},
        {"a\r\nb\n", [](CaxCString& s) { s.RemoveLineBreaks(); }, "ab"},
        {" \t ab\v\r\n ", [](CaxCString& s) { s.TrimLeft(); }, "ab\v\r\n "},
        {" \t ab\v\r\n ", [](CaxCString& s) { s.TrimRight(); }, " \t ab\v"},
        {" \t\r\n", [](CaxCString& s) { s.TrimLeft(); }, ""},
        {"aZ\xC4q", [](CaxCString& s) { s.MakeUpper(); }, "AZ\xC4Q"},
        {"aZ\xC4q", [](CaxCString& s) { s.MakeLower(); }, "az\xC4q"},
        {"aZ\xC4q", [](CaxCString& s) { s.MakeReverse(); }, "q\xC4Za"}};
    for (const auto& c : cases) {
        CaxCString s(c.text);
        c.edit(s);
        EXPECT_STREQ(c.result, s.GetData()) << c.text;
        EXPECT_EQ(static_cast<int>(std::strlen(c.result)), s.GetLength()) << c.text;
    }
}

TEST(CaxCStringParse, ToIntCountsEverythingConsumed) {
    const struct {
        const char* text;
        int start;
        std::int32_t value;
        std::uint32_t count; // 777: left untouched
    } cases[] = {{"  42", 0, 42, 4},        {"-17", 0, -17, 3},       {"  -17", 0, -17, 5},
                 {"0x1F", 0, 31, 4},        {"0xG", 0, 0, 2},         {"", 0, 0, 777},
                 {"  ", 0, 0, 777},         {"12", 3, 0, 777},        {"x12", 1, 12, 2},
                 {"4294967295", 0, -1, 10}, {"0xFFFFFFFF", 0, -1, 10}};
    for (const auto& c : cases) {
        std::uint32_t count = 777;
        EXPECT_EQ(c.value, CaxCString(c.text).ToInt(c.start, &count)) << c.text;
        EXPECT_EQ(c.count, count) << c.text;
    }
}

TEST(CaxCStringParse, WideHexAndShortNumbers) {
    CaxCString big("0x123456789");
    std::uint32_t count = 0;
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {1, big.ToHexHighPart(0)},
        {0x23456789, big.ToHexLowPart(0)},
        {0x123456789LL, big.ToInt64(0)},
        {0, CaxCString("12").ToHexLowPart(0)}, // hexadecimal only
        {-9000000000000LL, CaxCString("  -9000000000000").ToInt64(0, &count)},
        {16, count},
        {65535, CaxCString("65535").ToUShort(0)},
        {0, CaxCString("70000").ToUShort(0, &count)},
        {0, count}};
    ExpectAnswers(cases);
}

// Decimal text only, as the Microsoft runtime reads it.
TEST(CaxCStringParse, ToDouble) {
    const std::pair<const char*, double> cases[] = {
        {"x2.5", 2.5},  {"x \t-.5e1", -5.0}, {"x1d5", 100000.0}, {"x1e+", 1.0},
        {"x0x10", 0.0}, {"xinf", 0.0},       {"xnan", 0.0},      {"x", 0.0}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(value, CaxCString(text).ToDouble(1)) << text;
    EXPECT_EQ(0.0, CaxCString("x2.5").ToDouble(5));
}

} // namespace
