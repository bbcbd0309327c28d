// Both exception families: the object-tree CaxExceptionObject and the
// error-value exceptions with their composed messages.
#include "CaxException.h"
#include "CaxHRESULT.h"

#include <gtest/gtest.h>
#include <locale>
#include <string>

namespace {

TEST(CaxHRESULT, PacksTheErrorValue) {
    const axErrors::CaxHRESULT value(0x7FF, 0xAB, 0x1F, 0x3F, true);
    EXPECT_EQ(0xFFFAB7FFu, value.GetValue());
    EXPECT_EQ(0x7FF, value.GetCode());
    EXPECT_EQ(0xAB, value.GetSubFacility());
    EXPECT_EQ(0x1F, value.GetFacility());
    EXPECT_EQ(0x00101005u, axErrors::CaxHRESULT(0x1005, 1, 0x21, 0x40, false).GetValue());
    // The plain code of a sub-facility: bits 12-24 ignored, reserved bits and severity kept.
    EXPECT_EQ(0x00101005u, axMath::CaxMathException(5, "F", 149).GetValue());
    EXPECT_EQ(0x80101005u, axMath::CaxMathException(0x80000005, "F", 1).GetValue());
    EXPECT_EQ(0x7E101005u, axMath::CaxMathException(0x7E1FF005, "F", 1).GetValue());
    EXPECT_EQ(0x00105002u, axIO::CaxIOException(2, "F", 1).GetValue());
}

TEST(CaxHRESULTException, ComposedMessages) {
    const std::pair<std::string, const char*> cases[] = {
        {axMath::CaxMathException(5, "F", 149).GetMessage(),
         "A division by zero was attempted. Exception from Sub-Facility 'axMath' of Facility "
         "'CaxBase' thrown in file F at line Nr. 149."},
        {axIO::CaxIOException(2, "..\\..\\src\\CaxLogging", 0).GetMessage(),
         "Unable to open the stream. Exception from Sub-Facility 'axIO' of Facility 'CaxBase' "
         "thrown in file ..\\..\\src\\CaxLogging."},
        {axIO::CaxIOException(2, nullptr, 442).GetMessage(),
         "Unable to open the stream. Exception from Sub-Facility 'axIO' of Facility 'CaxBase'."},
        {axErrors::CaxHRESULTException(12, 0, 1, 0, true, nullptr, 0).GetMessage(),
         "Error code 12 (no extended information) occured. Exception from Sub-Facility Nr. 0 "
         "of Facility Nr. 1."},
        {axErrors::CaxHRESULTException(8, 255, 31, 0, true, "g.cpp", 4000000000u).GetMessage(),
         "Error code 8 (no extended information) occured. Exception from Sub-Facility Nr. 255 "
         "of Facility Nr. 31 thrown in file g.cpp at line Nr. 4000000000."}};
    for (const auto& [message, expected] : cases)
        EXPECT_EQ(expected, message);
}

// A global locale that groups digits must not reach the composed numbers.
TEST(CaxHRESULTException, NumbersIgnoreTheGlobalLocale) {
    struct Grouping : std::numpunct<char> {
        char do_thousands_sep() const override { return ','; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new Grouping));
    const axErrors::CaxHRESULTException e(4000, 200, 31, 0, true, "g.cpp", 4000000000u);
    const std::string message = e.GetMessage();
    std::locale::global(previous);
    EXPECT_EQ("Error code 4000 (no extended information) occured. Exception from Sub-Facility "
              "Nr. 200 of Facility Nr. 31 thrown in file g.cpp at line Nr. 4000000000.",
              message);
}

TEST(CaxHRESULTException, ThrownByValueWithItsMessageComposedOnce) {
    try {
        throw axMath::CaxMathException(7, "v", 279);
    } catch (const axErrors::CaxHRESULTException& e) {
        EXPECT_STREQ("axMath", e.GetSubFacilityName());
        EXPECT_STREQ("v", e.GetFile());
        EXPECT_EQ(279u, e.GetLine());
        const char* first = e.GetMessage();
        EXPECT_EQ(first, e.GetMessage());
        EXPECT_STREQ(first, axErrors::CaxHRESULTException(e).GetMessage());
        return;
    }
    FAIL() << "not caught";
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
