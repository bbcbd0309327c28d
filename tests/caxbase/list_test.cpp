// CaxDLList for 64-bit integers and for strings, and CaxCString::Split.
#include "CaxList"

#include "allocation_counter.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using IntList = CaxDLList<std::int64_t>;
using StringList = CaxDLList<CaxCString>;
using Ints = std::vector<std::int64_t>;
using Texts = std::vector<std::string>;

// The elements head to tail, as converted by get; the walk back from the tail
// must agree. A cycle ends the walks one element past the count.
template <class T, class Get> auto Walk(const CaxDLList<T>& list, Get get) {
    std::vector<decltype(get(std::declval<const T&>()))> forward, backward;
    for (auto p = list.GetHeadPosition(); p && forward.size() <= list.GetCount();)
        forward.push_back(get(*list.GetNext(p)));
    for (auto p = list.GetTailPosition(); p && backward.size() <= list.GetCount();)
        backward.insert(backward.begin(), get(*list.GetPrev(p)));
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(forward.size(), list.GetCount());
    return forward;
}
Ints Values(const IntList& list) {
    return Walk(list, [](std::int64_t v) { return v; });
}
Texts Strings(const StringList& list) {
    return Walk(list, [](const CaxCString& s) { return std::string(s.GetData()); });
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
constexpr const char* kNotFound = "Item not found";

TEST(CaxDLList, InsertionsSearchesWalksAndRemovals) {
    IntList list;
    for (std::int64_t v : {1, 2, 3})
        list.AddTail(v);
    list.InsertBefore(list.Find(2), 9);
    EXPECT_EQ((Ints{1, 9, 2, 3}), Values(list));
    list.InsertAfter(list.Find(2), 8);
    EXPECT_EQ((Ints{1, 9, 2, 8, 3}), Values(list));
    list.InsertBefore(IntList::Position(nullptr), 5);
    list.InsertAfter(IntList::Position(nullptr), 6);
    list.InsertAfter(0, 2);
    list.InsertBefore(7, 4);
    list.AddHead(0);
    EXPECT_EQ((Ints{0, 5, 2, 1, 9, 2, 8, 3, 4, 6}), Values(list));

    EXPECT_EQ(2, list.FindIndex(2)); // the first one
    EXPECT_EQ(-1, list.FindIndex(99));
    EXPECT_EQ(nullptr, list.GetPositionAt(10));
    EXPECT_EQ(nullptr, list.GetPositionAt(-1));
    EXPECT_EQ(9, *list.GetAt(list.GetPositionAt(4)));
    EXPECT_EQ(33, *list.SetAt(4, 33));
    IntList::Position p = list.GetTailPosition();
    EXPECT_EQ(6, *list.GetNext(p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(2, *list.Remove(2));
    EXPECT_EQ(0, *list.RemoveHead());
    EXPECT_EQ(6, *list.RemoveTail());
    EXPECT_EQ(8, *list.RemoveAt(4));
    EXPECT_EQ((Ints{5, 1, 33, 2, 3, 4}), Values(list));

    IntList empty;
    empty.InsertAfter(IntList::Position(nullptr), 1);
    empty.RemoveHead();
    empty.InsertBefore(IntList::Position(nullptr), 2);
    EXPECT_EQ((Ints{2}), Values(empty));
}

TEST(CaxDLList, ErrorsLeaveTheListUnchanged) {
    IntList list;
    IntList other;
    ExpectListError(-3, kNotFound, [&] { list.RemoveHead(); });
    ExpectListError(-3, kNotFound, [&] { list.GetTail(); });
    for (std::int64_t v : {1, 2, 3, 4}) {
        list.AddTail(v);
        other.AddTail(v);
    }
    ExpectListError(-1, "Index out of Range", [&] { list.GetAt(4); });
    ExpectListError(-1, "Index out of Range", [&] { list.InsertBefore(-2, 0); });
    ExpectListError(-3, kNotFound, [&] { list.RemoveAt(4); });
    ExpectListError(-3, kNotFound, [&] { list.Remove(7); });
    // A removed position and one of another list are not found either.
    const IntList::Position removed = list.Find(2);
    list.RemoveAt(removed);
    for (const IntList::Position p : {removed, other.Find(3)}) {
        ExpectListError(-3, kNotFound, [&] { list.RemoveAt(p); });
        ExpectListError(-3, kNotFound, [&] { list.InsertAfter(p, 7); });
        ExpectListError(-3, kNotFound, [&] { list.InsertBefore(p, 7); });
        ExpectListError(-3, kNotFound, [&] { list.GetAt(p); });
        IntList::Position walk = p;
        ExpectListError(-3, kNotFound, [&] { list.GetNext(walk); });
        ExpectListError(-3, kNotFound, [&] { list.GetPrev(walk); });
        EXPECT_EQ(p, walk);
    }
    EXPECT_EQ((Ints{1, 3, 4}), Values(list));
    EXPECT_EQ((Ints{1, 2, 3, 4}), Values(other));

    IntList noBlocks(0); // can take no element, and failing to must not allocate
    const std::uint64_t newCalls = alloccount::NewCalls();
    for (int i = 0; i < 3; ++i)
        ExpectListError(-2, "No empty elements available", [&] { noBlocks.AddTail(1); });
    EXPECT_EQ(newCalls, alloccount::NewCalls());
}

TEST(CaxDLList, FailedBlockAllocationThrowsGeneralError) {
    for (int failing : {1, 2}) { // the block header, then the node array
        StringList list(2);
        list.AddTail(CaxCString("a"));
        list.AddTail(CaxCString("b"));
        alloccount::FailNthNew(failing);
        ExpectListError(-4, "General Error", [&] { list.AddTail(CaxCString("x")); });
        EXPECT_EQ(2u, list.GetAllocatedCount());
        list.AddTail(CaxCString("y")); // the chain still ends at the first block
        EXPECT_EQ(4u, list.GetAllocatedCount());
        EXPECT_EQ((Texts{"a", "b", "y"}), Strings(list));
    }
}

// Blocks of 100 nodes; removed nodes, strings with their buffers, are reused,
// so steady-state insertion and removal never allocate.
TEST(CaxDLList, NodesComeInBlocksAndAreRecycled) {
    IntList numbers;
    StringList strings;
    const CaxCString text("steady");
    EXPECT_EQ(0u, numbers.GetAllocatedCount());
    for (int i = 1; i <= 200; ++i) { // warms every node of two blocks
        numbers.AddTail(i);
        strings.AddTail(text);
        EXPECT_EQ(i <= 100 ? 100u : 200u, numbers.GetAllocatedCount());
    }
    numbers.RemoveAll();
    strings.RemoveAll();
    EXPECT_TRUE(Values(numbers).empty());
    const std::uint64_t newCalls = alloccount::NewCalls();
    const std::uint64_t blocks = CaxCString::GetBlockAllocationCount();
    for (int round = 0; round < 1000; ++round) {
        numbers.InsertBefore(numbers.GetHeadPosition(), round);
        strings.InsertAfter(strings.GetHeadPosition(), text);
        numbers.RemoveTail();
        strings.Remove(text);
    }
    EXPECT_EQ(newCalls, alloccount::NewCalls());
    EXPECT_EQ(blocks, CaxCString::GetBlockAllocationCount());
    EXPECT_EQ(200u, numbers.GetAllocatedCount());
}

TEST(CaxDLList, StringElementsAndSplit) {
    StringList list;
    list.AddTail(CaxCString("Alpha"));
    list.AddTail(CaxCString("alpha"));
    EXPECT_EQ(1, list.FindIndex(CaxCString("alpha")));
    EXPECT_EQ(-1, list.FindIndex(CaxCString("ALPHA")));
    EXPECT_STREQ("Alpha", list.RemoveHead()->GetData()); // readable until the node is reused

    const struct {
        const char* text;
        const char* separator;
        bool drop;
        Texts pieces;
    } splits[] = {{"a,b,", ",", true, {"a", "b", ""}},
                  {"a,b,", ",", false, {"a,", "b,", ""}},
                  {"x::y", "::", true, {"x", "y"}},
                  {"a,b", nullptr, true, {"a,b"}},
                  {"", ",", true, {}}};
    for (const auto& split : splits) {
        const std::unique_ptr<StringList> pieces(
            CaxCString(split.text).Split(split.separator, split.drop));
        EXPECT_EQ(split.pieces, Strings(*pieces)) << split.text << " " << split.drop;
    }
}

} // namespace
