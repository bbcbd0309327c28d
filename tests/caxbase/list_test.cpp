// CaxDLList for 64-bit integers and for strings, and CaxCString::Split. The
// test process's operator new is counted here and can be made to fail.
#include "CaxList"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <string>
#include <tuple>

namespace {

std::atomic<std::uint64_t> g_newCalls{0};
std::atomic<int> g_failingNew{0}; // the nth operator new from now throws

void* CountedNew(std::size_t size) {
    if (g_failingNew.load() > 0 && --g_failingNew == 0) throw std::bad_alloc();
    ++g_newCalls;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return CountedNew(size);
}
void* operator new[](std::size_t size) {
    return CountedNew(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using IntList = CaxDLList<std::int64_t>;
using StringList = CaxDLList<CaxCString>;

// The elements head to tail, each followed by '|'; the walk back from the
// tail must agree. A cycle ends the walks one element past the count.
std::string Walk(const IntList& list) {
    std::string forward, backward;
    std::uint32_t steps = 0, stepsBack = 0;
    for (auto p = list.GetHeadPosition(); p && steps++ <= list.GetCount();)
        forward += std::to_string(*list.GetNext(p)) + "|";
    for (auto p = list.GetTailPosition(); p && stepsBack++ <= list.GetCount();)
        backward.insert(0, std::to_string(*list.GetPrev(p)) + "|");
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(list.GetCount(), steps);
    return forward;
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
    list.InsertAfter(list.Find(2), 8); // 1 9 2 8 3
    list.InsertBefore(IntList::Position(nullptr), 5);
    list.InsertAfter(IntList::Position(nullptr), 6);
    list.InsertAfter(0, 2);
    list.AddHead(0);
    EXPECT_EQ("0|5|2|1|9|2|8|3|6|", Walk(list));

    EXPECT_EQ(2, list.FindIndex(2)); // the first one
    EXPECT_EQ(-1, list.FindIndex(99));
    EXPECT_EQ(nullptr, list.GetPositionAt(9));
    EXPECT_EQ(9, *list.GetAt(list.GetPositionAt(4)));
    EXPECT_EQ(33, *list.SetAt(4, 33));
    IntList::Position p = list.GetTailPosition();
    EXPECT_EQ(6, *list.GetNext(p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(2, *list.Remove(2));
    EXPECT_EQ(0, *list.RemoveHead());
    EXPECT_EQ(6, *list.RemoveTail());
    EXPECT_EQ(8, *list.RemoveAt(4));
    EXPECT_EQ("5|1|33|2|3|", Walk(list));
    IntList empty;
    empty.InsertBefore(IntList::Position(nullptr), 2);
    EXPECT_EQ("2|", Walk(empty));
}

TEST(CaxDLList, ErrorsLeaveTheListUnchanged) {
    IntList list, other;
    ExpectListError(-3, kNotFound, [&] { list.RemoveHead(); });
    ExpectListError(-3, kNotFound, [&] { list.GetTail(); });
    for (std::int64_t v : {1, 2, 3, 4})
        list.AddTail(v);
    other.AddTail(3);
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
        ExpectListError(-3, kNotFound, [&list, walk = p]() mutable { list.GetPrev(walk); });
    }
    EXPECT_EQ("1|3|4|", Walk(list));
    EXPECT_EQ("3|", Walk(other));

    IntList noBlocks(0); // can take no element, and failing to must not allocate
    const std::uint64_t newCalls = g_newCalls;
    ExpectListError(-2, "No empty elements available", [&] { noBlocks.AddTail(1); });
    EXPECT_EQ(newCalls, g_newCalls);
    for (int failing : {1, 2}) { // the block header, then the node array
        IntList small(1);
        small.AddTail(1);
        g_failingNew = failing;
        ExpectListError(-4, "General Error", [&] { small.AddTail(9); });
        EXPECT_EQ(1u, small.GetAllocatedCount());
        small.AddTail(2);
        EXPECT_EQ("1|2|", Walk(small));
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
    const std::uint64_t newCalls = g_newCalls;
    const std::uint64_t blocks = CaxCString::GetBlockAllocationCount();
    for (int round = 0; round < 1000; ++round) {
        numbers.InsertBefore(numbers.GetHeadPosition(), round);
        strings.InsertAfter(strings.GetHeadPosition(), text);
        numbers.RemoveTail();
        strings.Remove(text);
    }
    EXPECT_EQ(newCalls, g_newCalls);
    EXPECT_EQ(blocks, CaxCString::GetBlockAllocationCount());
}

TEST(CaxDLList, SplitIntoStrings) {
    const std::tuple<const char*, const char*, bool, const char*> splits[] = {
        {"a,b,", ",", true, "a|b||"},
        {"a,b,", ",", false, "a,|b,||"},
        {"x::y", "::", true, "x|y|"},
        {"a,b", nullptr, true, "a,b|"},
        {"", ",", true, ""}};
    for (const auto& [text, separator, drop, pieces] : splits) {
        const std::unique_ptr<StringList> split(CaxCString(text).Split(separator, drop));
        std::string joined;
        for (auto p = split->GetHeadPosition(); p;)
            joined += std::string(split->GetNext(p)->GetData()) + "|";
        EXPECT_EQ(pieces, joined) << text << " " << drop;
    }
}

} // namespace
