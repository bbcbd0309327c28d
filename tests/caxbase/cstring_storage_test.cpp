// CaxCString storage, assignment, appending, formatting and comparison.
#include "CaxCString.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(CaxCStringStorage, StringWithoutBlockGivesEmptyResults) {
    CaxCString s;
    EXPECT_EQ(nullptr, s.GetData());
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(-1, s.Compare(""));
    EXPECT_EQ(-1, s.CompareNoCase(""));
    EXPECT_EQ(-1, s.Find("a"));
    EXPECT_EQ(-1, s.ReverseFind("a"));
    EXPECT_EQ(-1, s.UpdateLength());
    EXPECT_EQ(0, s.ToInt(0));
    EXPECT_EQ(0, s.Replace("a", "b"));
    s.TrimLeft();
    s.MakeReverse();
    EXPECT_EQ(nullptr, s.GetData());
    EXPECT_EQ('\0', s.GetAt(0));
}

TEST(CaxCStringStorage, ConstructorsCopyAndLimitTheText) {
    const CaxCString plain("hello");
    EXPECT_EQ(5u, plain.GetCapacity());
    EXPECT_EQ(13u, plain.GetBlockSize());
    const CaxCString limited("hello", 3);
    EXPECT_STREQ("hel", limited.GetData());
    EXPECT_EQ(3u, limited.GetSizeHint());
    EXPECT_STREQ("", CaxCString(nullptr).GetData());
    EXPECT_STREQ("b", CaxCString(nullptr, "b").GetData());
    EXPECT_STREQ("xyz", ("xy" + CaxCString("z")).GetData());
    EXPECT_TRUE(CaxCString("a") == CaxCString("a"));
    EXPECT_FALSE(CaxCString("a") == CaxCString("A"));
}

TEST(CaxCStringStorage, AssignmentReusesABlockThatIsLargeEnough) {
    CaxCString s("a fairly long text to start with");
    const CaxCString other("other");
    const std::uint64_t before = CaxCString::GetBlockAllocationCount();
    s = "short";
    s = other;
    EXPECT_EQ(before, CaxCString::GetBlockAllocationCount());
    s = nullptr;
    EXPECT_STREQ("other", s.GetData());
    s = "abcdef";
    s = s.GetAtPtr(2); // text from inside its own block
    EXPECT_STREQ("cdef", s.GetData());
}

TEST(CaxCStringStorage, AppendGrowsLinearly) {
    CaxCString s;
    s.Append("ab");
    EXPECT_EQ(130u, s.GetCapacity()); // 0 + 2 + 128
    s.Append(std::string(100, 'x').c_str());
    EXPECT_EQ(130u, s.GetCapacity()); // 102 + 20 still fits 138
    s.Append(std::string(200, 'y').c_str());
    EXPECT_EQ(138u + 200 + 128, s.GetCapacity());
    EXPECT_EQ(302, s.GetLength());
    EXPECT_EQ('y', s.GetAt(301));
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
}

TEST(CaxCStringStorage, SizesBeyond32BitsThrowMinusOne) {
    CaxCString s("abc");
    try {
        s.SetMinSize(0xFFFFFFF0u);
        FAIL() << "no exception";
    } catch (int error) {
        EXPECT_EQ(-1, error);
    }
    EXPECT_STREQ("abc", s.GetData());
    std::uint32_t size = 0xFFFFFFFFu;
    EXPECT_THROW(s.GetBuffer(&size), int);
}

TEST(CaxCStringStorage, AssignNumbersAndWideText) {
    CaxCString s;
    s.Assign(-2147483647 - 1);
    EXPECT_STREQ("-2147483648", s.GetData());
    EXPECT_EQ(128u, s.GetCapacity());
    s.Assign(0.1);
    EXPECT_STREQ("0.10000000000000000555", s.GetData());
    s.Assign(std::u16string_view(u"A\u0142z")); // U+0142: low byte 0x42
    EXPECT_STREQ("ABz", s.GetData());
    s.Assign(std::u16string_view());
    EXPECT_STREQ("ABz", s.GetData());
}

TEST(CaxCStringFormat, FormatTriesGrowingBuffers) {
    CaxCString s("old");
    s.Format("%d-%s", 42, "x");
    EXPECT_STREQ("42-x", s.GetData());
    EXPECT_EQ(256u, s.GetCapacity());
    const std::string text(300, 'q');
    s.Format("%s", text.c_str());
    EXPECT_EQ(1280u, s.GetCapacity());
    s.Format("%s", s.GetData()); // an argument inside its own block
    EXPECT_EQ(text, s.GetData());
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CaxCStringFormat, AppendFormatAndTheSixtyFourKilobyteLimit) {
    CaxCString s("n=");
    s.AppendFormat("%d", 7);
    s.AppendFormat("%s", "");
    s.AppendFormat(nullptr);
    EXPECT_STREQ("n=7", s.GetData());
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
    EXPECT_EQ(0, s.Compare("abc"));
    EXPECT_EQ(-1, s.Compare("abd"));
    EXPECT_EQ(1, s.Compare("ab"));
    EXPECT_EQ(-1, s.Compare("ab\xE9"));
    EXPECT_EQ(-1, s.Compare(static_cast<const char*>(nullptr)));
    EXPECT_EQ(0, s.CompareNoCase("ABC"));
    EXPECT_EQ(1, s.CompareNoCase(CaxCString("ABB")));
}

} // namespace
