// The process-wide error-string database and its registrators.
#include "CaxErrorStrings.h"
#include "CaxHRESULT.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using axErrors::GetDatabase;

// Keys in facility 30 belong to these tests; the library uses facility 1.
constexpr std::uint8_t kTestFacility = 30;

TEST(ErrorDatabase, BaseTablesAreRegisteredAtLoad) {
    // Nothing in this test registers anything: the library's registrators did.
    EXPECT_STREQ("A division by zero was attempted", GetDatabase().Lookup(0x00101005));
    EXPECT_STREQ("A division by zero was attempted", GetDatabase().Lookup(0x80101005));
    EXPECT_STREQ("A division by zero was attempted", GetDatabase().Lookup(0x7E101005));
    EXPECT_STREQ("One or more given argument was invalid", GetDatabase().Lookup(0x00100004));
    EXPECT_STREQ("The attempted operation is not currently allowed on the object on which it was "
                 "attempted",
                 GetDatabase().Lookup(0x00100003));
    EXPECT_STREQ("Unable to open the stream", GetDatabase().Lookup(0x00105002));
    EXPECT_STREQ("The container element could not be accessed", GetDatabase().Lookup(0x00104002));
    for (std::uint32_t sub : {2u, 3u, 6u}) {
        EXPECT_STREQ("No extended error information available",
                     GetDatabase().Lookup(0x00100000 | sub << 12));
        EXPECT_EQ(nullptr, GetDatabase().Lookup(0x00100001 | sub << 12));
    }
    EXPECT_EQ(nullptr, GetDatabase().Lookup(0x00105007));
    EXPECT_EQ(nullptr, GetDatabase().Lookup(0xFE000000));
}

TEST(ErrorDatabase, RegisterKeepsTheFirstTextUnlessAskedToOverwrite) {
    auto& db = GetDatabase();
    EXPECT_TRUE(db.Register(1, 0, kTestFacility, "first", false));
    EXPECT_FALSE(db.Register(1, 0, kTestFacility, "second", false));
    const std::uint32_t key = 30u << 20 | 1;
    const char* first = db.Lookup(key);
    EXPECT_STREQ("first", first);
    EXPECT_EQ(first, db.Lookup(key)); // the same address again
    EXPECT_TRUE(db.Register(1, 0, kTestFacility, "replaced", true));
    EXPECT_STREQ("replaced", db.Lookup(key));
    EXPECT_STREQ("first", first); // earlier answers stay readable
    EXPECT_FALSE(db.Register(4096, 0, kTestFacility, "code too big", false));
    EXPECT_FALSE(db.Register(-1, 0, kTestFacility, "negative code", false));
    EXPECT_FALSE(db.Register(2, 0, 32, "facility too big", false));
}

TEST(ErrorDatabase, RegistratorStopsAtTheTerminatorOrAfter4096Entries) {
    static const axErrors::CErrorStringEntry table[] = {
        {7, "seven"}, {8, "eight"}, {7, "seven again"}, {9, nullptr}, {10, "never"}};
    const axErrors::CErrorStringRegistrator registrator(table, 1, kTestFacility);
    EXPECT_STREQ("seven", GetDatabase().Lookup(30u << 20 | 1u << 12 | 7));
    EXPECT_STREQ("eight", GetDatabase().Lookup(30u << 20 | 1u << 12 | 8));
    EXPECT_EQ(nullptr, GetDatabase().Lookup(30u << 20 | 1u << 12 | 10));

    std::vector<axErrors::CErrorStringEntry> unterminated(5000, {0, "x"});
    unterminated[4095] = {2, "last read"};
    unterminated[4096] = {1, "beyond the cut"};
    const axErrors::CErrorStringRegistrator many(unterminated.data(), 2, kTestFacility);
    EXPECT_STREQ("last read", GetDatabase().Lookup(30u << 20 | 2u << 12 | 2));
    EXPECT_EQ(nullptr, GetDatabase().Lookup(30u << 20 | 2u << 12 | 1));
}

TEST(ErrorDatabase, KeyZeroIsNeverFound) {
    GetDatabase().Register(0, 0, 0, "registered at key 0", false);
    EXPECT_EQ(nullptr, GetDatabase().Lookup(0));
    EXPECT_EQ(nullptr, GetDatabase().Lookup(0xFE000000));
}

// Threads alternate between two keys while their texts are overwritten; every
// answer must belong to the key asked for, so the cached last key and last
// text must never be seen half updated.
TEST(ErrorDatabase, ConcurrentLookupsAnswerTheTextOfTheirKey) {
    auto& db = GetDatabase();
    const std::uint32_t keys[] = {30u << 20 | 4u << 12 | 1, 30u << 20 | 4u << 12 | 2};
    db.Register(1, 4, kTestFacility, "one", true);
    db.Register(2, 4, kTestFacility, "two", true);
    std::atomic<int> wrong{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50000; ++i) {
                const int which = (i + t) % 2;
                const char* text = db.Lookup(keys[which]);
                if (!text || std::strncmp(text, which ? "two" : "one", 3) != 0) ++wrong;
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; !done && i < 200000; ++i) {
            db.Register(static_cast<std::int16_t>(1 + i % 2), 4, kTestFacility,
                        (std::string(i % 2 ? "two " : "one ") + std::to_string(i)).c_str(), true);
            std::this_thread::yield();
        }
    });
    for (int t = 0; t < 4; ++t)
        threads[static_cast<std::size_t>(t)].join();
    done = true;
    threads.back().join();
    EXPECT_EQ(0, wrong.load());
}

} // namespace
