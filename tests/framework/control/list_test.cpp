// CList as the control keeps its workers in it: new values at the head,
// walks by position, removal anywhere, the list reused after it emptied.
#include "AfxList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

template <class T> std::vector<T> Walk(const CList<T, T>& list) {
    std::vector<T> values;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        values.push_back(list.GetNext(pos));
    return values;
}

TEST(List, AddsAtTheHeadFindsAndRemovesAnywhere) {
    CList<int, int> list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    for (int i = 1; i <= 25; ++i) // more than two blocks of nodes
        list.AddHead(i);
    EXPECT_EQ(25, list.GetCount());
    EXPECT_EQ(25, list.GetAt(list.GetHeadPosition()));
    list.RemoveAt(list.Find(25)); // the head
    list.RemoveAt(list.Find(1));  // the tail
    list.RemoveAt(list.Find(13)); // the middle
    EXPECT_EQ(nullptr, list.Find(13));
    const std::vector<int> values = Walk(list);
    EXPECT_EQ(22u, values.size());
    EXPECT_EQ(24, values.front());
    EXPECT_EQ(2, values.back());
    EXPECT_EQ(values.end(), std::find(values.begin(), values.end(), 13));
    // Freed nodes are used again, and the order stays head first.
    list.AddHead(100);
    EXPECT_EQ(100, Walk(list).front());
}

TEST(List, EmptiedListsGiveTheirValuesBackAndCanBeUsedAgain) {
    auto counted = std::make_shared<int>(0);
    {
        CList<std::shared_ptr<int>, const std::shared_ptr<int>&> list(3);
        for (int i = 0; i < 7; ++i)
            list.AddHead(counted);
        EXPECT_EQ(8, counted.use_count());
        while (!list.IsEmpty())
            list.RemoveAt(list.GetHeadPosition());
        EXPECT_EQ(1, counted.use_count());
        list.AddHead(counted); // after the blocks went with the last node
        list.AddHead(counted);
        EXPECT_EQ(3, counted.use_count());
        list.RemoveAll();
        EXPECT_EQ(1, counted.use_count());
        list.AddHead(counted);
    }
    EXPECT_EQ(1, counted.use_count()); // the destructor let the last one go
}

} // namespace
