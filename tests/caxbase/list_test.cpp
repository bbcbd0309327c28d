// CaxDLList for 64-bit integers and for strings, and CaxCString::Split.
#include "CaxList"

#include "allocation_counter.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using IntList = CaxDLList<std::int64_t>;
using StringList = CaxDLList<CaxCString>;

std::vector<std::int64_t> Values(const IntList& list) {
    std::vector<std::int64_t> values;
    for (IntList::Position p = list.GetHeadPosition(); p;)
        values.push_back(*list.GetNext(p));
    return values;
}

std::vector<std::string> Texts(const StringList& list) {
    std::vector<std::string> texts;
    for (StringList::Position p = list.GetHeadPosition(); p;)
        texts.push_back(list.GetNext(p)->GetData());
    return texts;
}

template <class Call> void ExpectListError(std::int64_t code, const char* text, Call call) {
    try {
        call();
        ADD_FAILURE() << "no exception for " << text;
    } catch (const CaxExceptionObject& e) {
        EXPECT_EQ(code, e.GetLine());
        EXPECT_STREQ(text, e.GetMessage());
        EXPECT_STREQ("caxbase/4.3/include/CaxList", e.GetFile());
        EXPECT_EQ(0x80000000u, e.GetResult());
    }
}

TEST(CaxDLList, BlocksOfOneHundredNodes) {
    IntList list;
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(0u, list.GetAllocatedCount());
    list.AddTail(1);
    EXPECT_EQ(1u, list.GetCount());
    EXPECT_EQ(100u, list.GetAllocatedCount());
    for (int i = 2; i <= 100; ++i)
        list.AddTail(i);
    EXPECT_EQ(100u, list.GetAllocatedCount());
    list.AddTail(101);
    EXPECT_EQ(200u, list.GetAllocatedCount());
    list.RemoveAll();
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(200u, list.GetAllocatedCount()); // nodes are kept for reuse
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    EXPECT_EQ(nullptr, list.GetTailPosition());
}

TEST(CaxDLList, InsertBeforeAndAfterPositionsAndIndexes) {
    IntList list;
    list.AddTail(1);
    list.AddTail(2);
    list.AddTail(3);
    list.InsertBefore(list.Find(2), 9);
    EXPECT_EQ((std::vector<std::int64_t>{1, 9, 2, 3}), Values(list));
    list.InsertAfter(list.Find(2), 8);
    EXPECT_EQ((std::vector<std::int64_t>{1, 9, 2, 8, 3}), Values(list));
    list.InsertBefore(IntList::Position(nullptr), 5);
    list.InsertAfter(IntList::Position(nullptr), 6);
    EXPECT_EQ((std::vector<std::int64_t>{5, 1, 9, 2, 8, 3, 6}), Values(list));
    list.InsertAfter(0, 7);
    list.InsertBefore(7, 4);
    list.AddHead(0);
    EXPECT_EQ((std::vector<std::int64_t>{0, 5, 7, 1, 9, 2, 8, 3, 4, 6}), Values(list));
    EXPECT_EQ(6, *list.GetTail());
    EXPECT_EQ(0, *list.GetHead());

    IntList empty;
    empty.InsertAfter(IntList::Position(nullptr), 1);
    empty.RemoveHead();
    empty.InsertBefore(IntList::Position(nullptr), 2);
    EXPECT_EQ((std::vector<std::int64_t>{2}), Values(empty));
}

TEST(CaxDLList, SearchesWalksAndRemovals) {
    IntList list;
    for (std::int64_t v : {10, 20, 30, 20, 40})
        list.AddTail(v);
    EXPECT_EQ(1, list.FindIndex(20));
    EXPECT_EQ(-1, list.FindIndex(99));
    EXPECT_EQ(nullptr, list.Find(99));
    EXPECT_EQ(nullptr, list.GetPositionAt(5));
    EXPECT_EQ(nullptr, list.GetPositionAt(-1));
    EXPECT_EQ(40, *list.GetAt(4));
    EXPECT_EQ(30, *list.GetAt(list.GetPositionAt(2)));
    EXPECT_EQ(33, *list.SetAt(2, 33));
    EXPECT_EQ(33, *list.GetAt(2));

    IntList::Position p = list.GetTailPosition();
    EXPECT_EQ(40, *list.GetNext(p));
    EXPECT_EQ(nullptr, p);
    p = list.GetHeadPosition();
    EXPECT_EQ(10, *list.GetPrev(p));
    EXPECT_EQ(nullptr, p);

    EXPECT_EQ(20, *list.Remove(20)); // the first one
    EXPECT_EQ(10, *list.RemoveHead());
    EXPECT_EQ(40, *list.RemoveTail());
    EXPECT_EQ(20, *list.RemoveAt(1));
    EXPECT_EQ((std::vector<std::int64_t>{33}), Values(list));
    const std::uint32_t allocated = list.GetAllocatedCount();
    list.AddTail(50);
    EXPECT_EQ(allocated, list.GetAllocatedCount());
}

TEST(CaxDLList, ErrorsLeaveTheListUnchanged) {
    IntList list;
    ExpectListError(-3, "Item not found", [&] { list.RemoveHead(); });
    ExpectListError(-3, "Item not found", [&] { list.GetHead(); });
    for (std::int64_t v : {1, 2, 3})
        list.AddTail(v);
    ExpectListError(-1, "Index out of Range", [&] { list.GetAt(3); });
    ExpectListError(-1, "Index out of Range", [&] { list.SetAt(3, 0); });
    ExpectListError(-1, "Index out of Range", [&] { list.InsertBefore(-2, 0); });
    ExpectListError(-3, "Item not found", [&] { list.RemoveAt(3); });
    ExpectListError(-3, "Item not found", [&] { list.Remove(7); });
    ExpectListError(-3, "Item not found", [&] { list.RemoveAt(IntList::Position(nullptr)); });
    EXPECT_EQ((std::vector<std::int64_t>{1, 2, 3}), Values(list));
}

TEST(CaxDLList, FailedBlockAllocationThrowsGeneralError) {
    for (int failing : {1, 2}) { // the block header, then the node array
        StringList list(2);
        list.AddTail(CaxCString("a"));
        list.AddTail(CaxCString("b"));
        alloccount::FailNthNew(failing);
        ExpectListError(-4, "General Error", [&] { list.AddTail(CaxCString("x")); });
        EXPECT_EQ(2u, list.GetCount());
        EXPECT_EQ(2u, list.GetAllocatedCount());
        list.AddTail(CaxCString("y")); // the chain still ends at the first block
        EXPECT_EQ(4u, list.GetAllocatedCount());
        EXPECT_EQ((std::vector<std::string>{"a", "b", "y"}), Texts(list));
    }
}

TEST(CaxDLList, StaleAndForeignPositionsAreNotFound) {
    IntList list;
    IntList other;
    for (std::int64_t v : {1, 2, 3}) {
        list.AddTail(v);
        other.AddTail(v * 10);
    }
    const IntList::Position removed = list.Find(2);
    list.RemoveAt(removed);
    for (const IntList::Position p : {removed, other.Find(20)}) {
        ExpectListError(-3, "Item not found", [&] { list.RemoveAt(p); });
        ExpectListError(-3, "Item not found", [&] { list.InsertAfter(p, 7); });
        ExpectListError(-3, "Item not found", [&] { list.InsertBefore(p, 7); });
        ExpectListError(-3, "Item not found", [&] { list.GetAt(p); });
        IntList::Position walk = p;
        ExpectListError(-3, "Item not found", [&] { list.GetNext(walk); });
        ExpectListError(-3, "Item not found", [&] { list.GetPrev(walk); });
        EXPECT_EQ(p, walk);
    }
    EXPECT_EQ((std::vector<std::int64_t>{1, 3}), Values(list));
    EXPECT_EQ((std::vector<std::int64_t>{10, 20, 30}), Values(other));

    IntList noBlocks(0); // can take no element, and failing to must not allocate
    const std::uint64_t newCalls = alloccount::NewCalls();
    for (int i = 0; i < 3; ++i)
        ExpectListError(-2, "No empty elements available", [&] { noBlocks.AddTail(1); });
    EXPECT_EQ(newCalls, alloccount::NewCalls());
}

TEST(CaxDLList, SteadyStateInsertionAndRemovalDoNotAllocate) {
    IntList numbers;
    StringList strings;
    const CaxCString text("steady");
    for (int i = 0; i < 200; ++i) { // warm every node of two blocks
        numbers.AddTail(i);
        strings.AddTail(text);
    }
    numbers.RemoveAll();
    strings.RemoveAll();
    const std::uint64_t newCalls = alloccount::NewCalls();
    const std::uint64_t blocks = CaxCString::GetBlockAllocationCount();
    for (int round = 0; round < 1000; ++round) {
        numbers.AddTail(round);
        numbers.InsertBefore(numbers.GetHeadPosition(), round);
        strings.AddHead(text);
        strings.InsertAfter(strings.GetHeadPosition(), text);
        numbers.RemoveHead();
        numbers.RemoveTail();
        strings.RemoveTail();
        strings.Remove(text);
    }
    EXPECT_EQ(newCalls, alloccount::NewCalls());
    EXPECT_EQ(blocks, CaxCString::GetBlockAllocationCount());
    EXPECT_EQ(200u, numbers.GetAllocatedCount());
}

TEST(CaxDLList, StringElementsCompareCaseSensitively) {
    StringList list;
    list.AddTail(CaxCString("Alpha"));
    list.AddTail(CaxCString("alpha"));
    EXPECT_EQ(1, list.FindIndex(CaxCString("alpha")));
    EXPECT_EQ(-1, list.FindIndex(CaxCString("ALPHA")));
    CaxCString* removed = list.RemoveHead();
    EXPECT_STREQ("Alpha", removed->GetData()); // readable until the node is reused
}

TEST(CaxCStringSplit, PiecesWithAndWithoutTheSeparator) {
    const CaxCString text("a,b,");
    std::unique_ptr<StringList> dropped(text.Split(",", true));
    EXPECT_EQ((std::vector<std::string>{"a", "b", ""}), Texts(*dropped));
    std::unique_ptr<StringList> kept(text.Split(",", false));
    EXPECT_EQ((std::vector<std::string>{"a,", "b,", ""}), Texts(*kept));
    std::unique_ptr<StringList> multi(CaxCString("x::y").Split("::", true));
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), Texts(*multi));
    std::unique_ptr<StringList> whole(CaxCString("a,b").Split(nullptr, true));
    EXPECT_EQ((std::vector<std::string>{"a,b"}), Texts(*whole));
    std::unique_ptr<StringList> none(CaxCString("").Split(",", true));
    EXPECT_EQ(0u, none->GetCount());
    EXPECT_EQ(100u, dropped->GetBlockSize());
}

} // namespace
