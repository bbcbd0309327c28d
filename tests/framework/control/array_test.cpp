// CArray: the framework's array, and the exceptions it raises for an index
// outside it, a negative size and an allocation that fails; after either the
// array is as it was.
#include "AfxArray.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

using IntArray = CArray<int, int>;

std::vector<int> Contents(const IntArray& a) {
    std::vector<int> values;
    for (INT_PTR i = 0; i < a.GetSize(); ++i)
        values.push_back(a[i]);
    return values;
}

void Fill(IntArray& a, std::initializer_list<int> values) {
    a.RemoveAll();
    for (int v : values)
        a.Add(v);
}

TEST(Array, GrowsShrinksInsertsAndRemoves) {
    IntArray a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(-1, a.GetUpperBound());
    EXPECT_EQ(0, a.Add(10));
    EXPECT_EQ(1, a.Add(20));
    a.InsertAt(1, 15);
    a.InsertAt(0, 5, 2);
    EXPECT_EQ((std::vector<int>{5, 5, 10, 15, 20}), Contents(a));
    a.RemoveAt(1, 2);
    EXPECT_EQ((std::vector<int>{5, 15, 20}), Contents(a));
    a.InsertAt(5, 7); // past the end: the gap is value-initialised
    EXPECT_EQ((std::vector<int>{5, 15, 20, 0, 0, 7}), Contents(a));
    a.SetAt(3, 1);
    a.ElementAt(4) = 2;
    a[0] = 4;
    EXPECT_EQ((std::vector<int>{4, 15, 20, 1, 2, 7}), Contents(a));
    a.SetSize(2);
    EXPECT_EQ((std::vector<int>{4, 15}), Contents(a));
    a.SetSize(3);
    EXPECT_EQ((std::vector<int>{4, 15, 0}), Contents(a));
    a.RemoveAt(3, 0); // nothing, at the end
    a.RemoveAll();
    EXPECT_EQ(0, a.GetCount());

    // An element of the array itself may be the argument.
    Fill(a, {1, 2});
    a.Add(a[0]);
    a.InsertAt(0, a[2]);
    a.InsertAt(9, a[1]);
    EXPECT_EQ((std::vector<int>{1, 1, 2, 1, 0, 0, 0, 0, 0, 1}), Contents(a));

    CArray<int*, int*> pointers; // the grid's kind: slots that start null
    pointers.SetSize(3);
    for (INT_PTR i = 0; i < 3; ++i)
        EXPECT_EQ(nullptr, pointers.GetAt(i));
}

struct Misuse {
    const char* what;
    std::function<void(IntArray&)> call;
};

TEST(Array, AnIndexOutsideTheArrayOrANegativeSizeThrowsInvalidArgAndChangesNothing) {
    const Misuse cases[] = {
        {"GetAt below 0", [](IntArray& a) { (void)a.GetAt(-1); }},
        {"GetAt at the size", [](IntArray& a) { (void)a.GetAt(3); }},
        {"operator[] past the end", [](IntArray& a) { (void)a[7]; }},
        {"const operator[] below 0",
         [](IntArray& a) { (void)static_cast<const IntArray&>(a)[-1]; }},
        {"ElementAt at the size", [](IntArray& a) { (void)a.ElementAt(3); }},
        {"SetAt past the end", [](IntArray& a) { a.SetAt(3, 9); }},
        {"RemoveAt at the size", [](IntArray& a) { a.RemoveAt(3); }},
        {"RemoveAt below 0", [](IntArray& a) { a.RemoveAt(-1); }},
        {"RemoveAt more than there are", [](IntArray& a) { a.RemoveAt(1, 3); }},
        {"RemoveAt a negative count", [](IntArray& a) { a.RemoveAt(0, -1); }},
        {"InsertAt below 0", [](IntArray& a) { a.InsertAt(-1, 9); }},
        {"InsertAt no elements", [](IntArray& a) { a.InsertAt(0, 9, 0); }},
        {"SetSize negative", [](IntArray& a) { a.SetSize(-1); }},
    };
    for (const Misuse& m : cases) {
        SCOPED_TRACE(m.what);
        IntArray a;
        Fill(a, {1, 2, 3});
        EXPECT_THROW(m.call(a), CInvalidArgException);
        EXPECT_EQ((std::vector<int>{1, 2, 3}), Contents(a));
    }
    // A removal from an empty array, caught as any framework exception.
    IntArray empty;
    bool caught = false;
    try {
        empty.RemoveAt(0);
    } catch (const CException& e) {
        caught = dynamic_cast<const CInvalidArgException*>(&e) != nullptr;
    }
    EXPECT_TRUE(caught);
}

TEST(Array, AnAllocationThatFailsThrowsMemoryAndChangesNothing) {
    // A megabyte an element: a billion of them (a petabyte) lies beyond the
    // address space, more than the array can count beyond its limit.
    using Block = std::array<char, 1 << 20>;
    CArray<Block> blocks;
    blocks.SetSize(2);
    const INT_PTR aPetabyte = INT_PTR{1} << 30;
    EXPECT_THROW(blocks.SetSize(aPetabyte), CMemoryException);
    EXPECT_THROW(blocks.SetSize(PTRDIFF_MAX), CMemoryException);
    EXPECT_EQ(2, blocks.GetSize());

    IntArray a;
    Fill(a, {1, 2});
    EXPECT_THROW(a.InsertAt(PTRDIFF_MAX / 2, 9, PTRDIFF_MAX / 2 + 2), CMemoryException);
    EXPECT_THROW(a.InsertAt(1, 9, PTRDIFF_MAX), CMemoryException);
    EXPECT_THROW(a.InsertAt(9, 9, PTRDIFF_MAX - 9), CMemoryException);
    EXPECT_EQ((std::vector<int>{1, 2}), Contents(a));
    try {
        a.SetSize(PTRDIFF_MAX);
        ADD_FAILURE() << "no exception";
    } catch (const CException& e) {
        EXPECT_NE(nullptr, dynamic_cast<const CMemoryException*>(&e));
    }
}

} // namespace
