// The process-wide error-string database and its registrators.
#include "CaxErrorStrings.h"

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
constexpr std::uint32_t TestKey(std::uint32_t subFacility, std::uint32_t code) {
    return 30u << 20 | subFacility << 12 | code;
}

TEST(ErrorDatabase, BaseTablesAreRegisteredAtLoad) {
    // Nothing in this test registers anything: the library's registrators did.
    const char* const generic = "No extended error information available";
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x00101005, "A division by zero was attempted"},
        {0xFE101005, "A division by zero was attempted"}, // bits 25-31 ignored
        {0x00100003, "The attempted operation is not currently allowed on the object on which "
                     "it was attempted"},
        {0x00105002, "Unable to open the stream"},
        {0x00104002, "The container element could not be accessed"},
        {0x00106000, generic},
        {0x00106001, nullptr},
        {0x00105007, nullptr}};
    for (const auto& [value, text] : cases) {
        const char* found = GetDatabase().Lookup(value);
        EXPECT_STREQ(text ? text : "(none)", found ? found : "(none)") << std::hex << value;
    }
}

TEST(ErrorDatabase, RegisterKeepsTheFirstTextUnlessAskedToOverwrite) {
    auto& db = GetDatabase();
    EXPECT_TRUE(db.Register(1, 0, kTestFacility, "first", false));
    EXPECT_FALSE(db.Register(1, 0, kTestFacility, "second", false));
    const char* first = db.Lookup(TestKey(0, 1));
    EXPECT_STREQ("first", first);
    EXPECT_EQ(first, db.Lookup(TestKey(0, 1))); // the same address again
    EXPECT_TRUE(db.Register(1, 0, kTestFacility, "replaced", true));
    EXPECT_STREQ("replaced", db.Lookup(TestKey(0, 1)));
    EXPECT_STREQ("first", first); // earlier answers stay readable
    EXPECT_FALSE(db.Register(4096, 0, kTestFacility, "code too big", false));
    EXPECT_FALSE(db.Register(-1, 0, kTestFacility, "negative code", false));
    EXPECT_FALSE(db.Register(2, 0, 32, "facility too big", false));

    db.Register(0, 0, 0, "registered at key 0", false); // key 0 is never found all the same
    EXPECT_EQ(nullptr, db.Lookup(0));
    EXPECT_EQ(nullptr, db.Lookup(0xFE000000));
}

TEST(ErrorDatabase, RegistratorStopsAtTheTerminatorOrAfter4096Entries) {
    static const axErrors::CErrorStringEntry table[] = {
        {7, "seven"}, {8, "eight"}, {7, "seven again"}, {9, nullptr}, {10, "never"}};
    const axErrors::CErrorStringRegistrator registrator(table, 1, kTestFacility);
    EXPECT_STREQ("seven", GetDatabase().Lookup(TestKey(1, 7)));
    EXPECT_STREQ("eight", GetDatabase().Lookup(TestKey(1, 8)));
    EXPECT_EQ(nullptr, GetDatabase().Lookup(TestKey(1, 10)));

    std::vector<axErrors::CErrorStringEntry> unterminated(5000, {0, "x"});
    unterminated[4095] = {2, "last read"};
    unterminated[4096] = {1, "beyond the cut"};
    const axErrors::CErrorStringRegistrator many(unterminated.data(), 2, kTestFacility);
    EXPECT_STREQ("last read", GetDatabase().Lookup(TestKey(2, 2)));
    EXPECT_EQ(nullptr, GetDatabase().Lookup(TestKey(2, 1)));
}

// Threads alternate between two keys while their texts are overwritten; every
// answer must belong to the key asked for, so the cached last key and last
// text must never be seen half updated.
TEST(ErrorDatabase, ConcurrentLookupsAnswerTheTextOfTheirKey) {
    auto& db = GetDatabase();
    db.Register(1, 4, kTestFacility, "one", true);
    db.Register(2, 4, kTestFacility, "two", true);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200000; ++i) {
                const int code = 1 + (i + t) % 2;
                const char* text = db.Lookup(TestKey(4, static_cast<std::uint32_t>(code)));
                if (!text || std::strncmp(text, code == 1 ? "one" : "two", 3) != 0) ++wrong;
            }
        });
    }
    for (int i = 0; i < 80000; ++i) {
        const std::string text = (i % 2 ? "two " : "one ") + std::to_string(i);
        db.Register(static_cast<std::int16_t>(1 + i % 2), 4, kTestFacility, text.c_str(), true);
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong.load());
}

} // namespace
