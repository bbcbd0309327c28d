// Error reporting: the error-string database with its registrators, the
// error-value exceptions with their composed messages, and CaxExceptionObject.
#include "CaxErrorStrings.h"
#include "CaxException.h"
#include "CaxHRESULT.h"

#include <atomic>
#include <gtest/gtest.h>
#include <locale>
#include <string>
#include <thread>
#include <vector>

namespace {

// Keys in facility 30 belong to these tests; the library uses facility 1.
constexpr std::uint8_t kTestFacility = 30;
constexpr std::uint32_t kTestKeys = 30u << 20;

std::string Found(std::uint32_t value) {
    const char* text = axErrors::GetDatabase().Lookup(value);
    return text ? text : "(none)";
}

// Nothing in this suite registers under facility 1: the library's seven
// registrators did, one per sub-facility 0 to 6.
TEST(ErrorDatabase, BaseTablesAreRegisteredAtLoad) {
    for (std::uint32_t subFacility = 0; subFacility <= 7; ++subFacility)
        EXPECT_EQ(subFacility < 7 ? "No extended error information available" : "(none)",
                  Found(0x00100000 | subFacility << 12));
    EXPECT_EQ("A division by zero was attempted", Found(0xFE101005));       // bits 25-31 ignored
    EXPECT_EQ("One or more given argument was invalid", Found(0x00100004)); // listed before 3
    EXPECT_EQ("(none)", Found(0x00105007));
}

TEST(ErrorDatabase, RegisterKeepsTheFirstTextUnlessAskedToOverwrite) {
    auto& db = axErrors::GetDatabase();
    EXPECT_TRUE(db.Register(1, 0, kTestFacility, "first", false));
    EXPECT_FALSE(db.Register(1, 0, kTestFacility, "second", false));
    const char* first = db.Lookup(kTestKeys | 1);
    EXPECT_STREQ("first", first);
    EXPECT_EQ(first, db.Lookup(kTestKeys | 1)); // the same address again
    EXPECT_TRUE(db.Register(1, 0, kTestFacility, "replaced", true));
    EXPECT_EQ("replaced", Found(kTestKeys | 1));
    EXPECT_STREQ("first", first); // earlier answers stay readable
    EXPECT_FALSE(db.Register(-1, 0, kTestFacility, "negative code", false));
    db.Register(0, 0, 0, "registered at key 0", false); // key 0 is never found all the same
    EXPECT_EQ("(none)", Found(0xFE000000));
}

// The first text of a key wins; a null text ends the table like the terminator.
TEST(ErrorDatabase, RegistratorsHandTheirTablesOver) {
    static const axErrors::CErrorStringEntry table[] = {
        {7, "seven"}, {7, "seven again"}, {9, nullptr}, {10, "never"}};
    const axErrors::CErrorStringRegistrator registrator(table, 1, kTestFacility);
    EXPECT_EQ("seven", Found(kTestKeys | 1 << 12 | 7));
    EXPECT_EQ("(none)", Found(kTestKeys | 1 << 12 | 10));
}

// Threads alternate between two keys while their texts are overwritten; an
// answer for the other key would be the cached last key and text half updated.
TEST(ErrorDatabase, ConcurrentLookupsAnswerTheTextOfTheirKey) {
    auto& db = axErrors::GetDatabase();
    db.Register(1, 4, kTestFacility, "1", true);
    db.Register(2, 4, kTestFacility, "2", true);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < 4; ++t)
        threads.emplace_back([&wrong, t] {
            for (std::uint32_t i = t; i < t + 200000; ++i) {
                const char code = static_cast<char>('1' + i % 2);
                wrong += Found(kTestKeys | 4 << 12 | (code - '0'))[0] != code;
            }
        });
    for (int i = 0; i < 80000; ++i) {
        const std::string text = std::to_string(1 + i % 2) + " " + std::to_string(i);
        db.Register(static_cast<std::int16_t>(1 + i % 2), 4, kTestFacility, text.c_str(), true);
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong.load());
}

TEST(CaxHRESULT, PacksTheErrorValue) {
    EXPECT_EQ(0xFFFAB7FFu, axErrors::CaxHRESULT(0x7FF, 0xAB, 0x1F, 0x3F, true).GetValue());
    EXPECT_EQ(0x00101005u, axErrors::CaxHRESULT(0x1005, 1, 0x21, 0x40, false).GetValue());
    // The plain code of a sub-facility: bits 12-24 ignored, reserved bits and severity kept.
    EXPECT_EQ(0xFE101005u, axMath::CaxMathException(0xFE1FF005, "F", 1).GetValue());
}

// Composed while a global locale that groups digits is in force, which must
// not reach the numbers; composed once, and copied with the exception.
TEST(CaxHRESULTException, ComposedMessages) {
    struct Grouping : std::numpunct<char> {
        char do_thousands_sep() const override { return ','; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new Grouping));
    const axMath::CaxMathException math(5, "F", 1490);
    const std::pair<std::string, const char*> cases[] = {
        {math.GetMessage(), "A division by zero was attempted. Exception from Sub-Facility "
                            "'axMath' of Facility 'CaxBase' thrown in file F at line Nr. 1490."},
        {axIO::CaxIOException(2, "..\\..\\src\\CaxLogging", 0).GetMessage(),
         "Unable to open the stream. Exception from Sub-Facility 'axIO' of Facility 'CaxBase' "
         "thrown in file ..\\..\\src\\CaxLogging."},
        {axErrors::CaxHRESULTException(4000, 255, 31, 0, true, nullptr, 442).GetMessage(),
         "Error code 4000 (no extended information) occured. Exception from Sub-Facility Nr. "
         "255 of Facility Nr. 31."}};
    std::locale::global(previous);
    for (const auto& [message, expected] : cases)
        EXPECT_EQ(expected, message);
    EXPECT_EQ(math.GetMessage(), math.GetMessage());
    EXPECT_STREQ(math.GetMessage(), axMath::CaxMathException(math).GetMessage());
}

void ExpectFields(std::uint32_t result, std::int64_t line, const char* file, const char* message,
                  const CaxExceptionObject& e) {
    EXPECT_EQ(result, e.GetResult());
    EXPECT_EQ(line, e.GetLine());
    EXPECT_EQ(std::string(file ? file : "(none)"), e.GetFile() ? e.GetFile() : "(none)");
    EXPECT_STREQ(message, e.GetMessage());
}

TEST(CaxExceptionObject, ConstructorsAndSetters) {
    CaxExceptionObject plain(0x80104001u);
    ExpectFields(0x80104001u, 0, nullptr, "", plain);
    ExpectFields(0x80000000u, 0, nullptr, "failure #3", CaxExceptionObject("%s #%d", "failure", 3));
    const CaxExceptionObject located("here.cpp", -3, "Item %s", "not found");
    const CaxExceptionObject copy(located);
    ExpectFields(0x80000000u, -3, "here.cpp", "Item not found", copy);
    EXPECT_NE(located.GetMessage(), copy.GetMessage()); // a deep copy
    // Through SetError, which widens the line with its sign.
    plain.SetErrorParts(5, 1, 1, 0, true, "parts", nullptr, -10);
    ExpectFields(0x80101005u, -10, nullptr, "parts", plain);
}

} // namespace
