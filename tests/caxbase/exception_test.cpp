// Both exception families: the object-tree CaxExceptionObject and the
// error-value exceptions with their composed messages.
#include "CaxException.h"
#include "CaxHRESULT.h"

#include <gtest/gtest.h>
#include <locale>
#include <string>

namespace {

TEST(CaxHRESULT, PacksAndUnpacksTheErrorValue) {
    const axErrors::CaxHRESULT value(0x7FF, 0xAB, 0x1F, 0x3F, true);
    EXPECT_EQ(0xFFFAB7FFu, value.GetValue());
    EXPECT_EQ(0x7FF, value.GetCode());
    EXPECT_EQ(0xAB, value.GetSubFacility());
    EXPECT_EQ(0x1F, value.GetFacility());
    const axErrors::CaxHRESULT masked(0x1005, 1, 0x21, 0x40, false);
    EXPECT_EQ(0x00101005u, masked.GetValue());
}

TEST(CaxMathException, BuildsItsValueFromThePlainCode) {
    const axMath::CaxMathException e(5, "F", 149);
    EXPECT_EQ(0x00101005u, e.GetValue());
    EXPECT_EQ(5, e.GetCode());
    EXPECT_EQ(1, e.GetSubFacility());
    EXPECT_EQ(1, e.GetFacility());
    EXPECT_EQ(0x80101005u, axMath::CaxMathException(0x80000005, "F", 1).GetValue());
    EXPECT_EQ(0x7E101005u, axMath::CaxMathException(0x7E1FF005, "F", 1).GetValue());
    EXPECT_EQ(0x00105002u, axIO::CaxIOException(2, "F", 1).GetValue());
}

TEST(CaxMathException, ComposesTheMessageOnceWithNamesFileAndLine) {
    const axMath::CaxMathException e(5, "F", 149);
    const char* first = e.GetMessage();
    EXPECT_STREQ("A division by zero was attempted. Exception from Sub-Facility 'axMath' of "
                 "Facility 'CaxBase' thrown in file F at line Nr. 149.",
                 first);
    EXPECT_EQ(first, e.GetMessage());
    const axMath::CaxMathException copy(e);
    EXPECT_STREQ(first, copy.GetMessage());
}

TEST(CaxIOException, MessageWithoutLineOrFile) {
    EXPECT_STREQ("Unable to open the stream. Exception from Sub-Facility 'axIO' of Facility "
                 "'CaxBase' thrown in file ..\\..\\src\\CaxLogging.",
                 axIO::CaxIOException(2, "..\\..\\src\\CaxLogging", 0).GetMessage());
    EXPECT_STREQ("Unable to open the stream. Exception from Sub-Facility 'axIO' of Facility "
                 "'CaxBase'.",
                 axIO::CaxIOException(2, nullptr, 442).GetMessage());
}

TEST(CaxHRESULTException, UnregisteredValueGetsTheErrorCodeText) {
    const axErrors::CaxHRESULTException e(12, 0, 1, 0, true, nullptr, 0);
    EXPECT_STREQ("Error code 12 (no extended information) occured. Exception from Sub-Facility "
                 "Nr. 0 of Facility Nr. 1.",
                 e.GetMessage());
    const axErrors::CaxHRESULTException general(8, 255, 31, 0, true, "g.cpp", 4000000000u);
    EXPECT_STREQ("Error code 8 (no extended information) occured. Exception from Sub-Facility "
                 "Nr. 255 of Facility Nr. 31 thrown in file g.cpp at line Nr. 4000000000.",
                 general.GetMessage());
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

TEST(CaxHRESULTException, ThrownByValueAndCaughtThroughTheBase) {
    try {
        throw axMath::CaxMathException(7, "v", 279);
    } catch (const axErrors::CaxHRESULTException& e) {
        EXPECT_STREQ("axMath", e.GetSubFacilityName());
        EXPECT_STREQ("v", e.GetFile());
        EXPECT_EQ(279u, e.GetLine());
        return;
    }
    FAIL() << "not caught";
}

TEST(CaxExceptionObject, Constructors) {
    const CaxExceptionObject plain(0x80104001u);
    EXPECT_EQ(0x80104001u, plain.GetResult());
    EXPECT_EQ(0, plain.GetLine());
    EXPECT_STREQ("", plain.GetMessage());
    EXPECT_EQ(nullptr, plain.GetFile());

    const CaxExceptionObject formatted("%s #%d", "failure", 3);
    EXPECT_EQ(0x80000000u, formatted.GetResult());
    EXPECT_EQ(0, formatted.GetLine());
    EXPECT_EQ(nullptr, formatted.GetFile());
    EXPECT_STREQ("failure #3", formatted.GetMessage());

    const CaxExceptionObject located("here.cpp", -3, "Item %s", "not found");
    EXPECT_EQ(-3, located.GetLine());
    EXPECT_STREQ("here.cpp", located.GetFile());
    EXPECT_STREQ("Item not found", located.GetMessage());

    const CaxExceptionObject copy(located);
    EXPECT_STREQ("Item not found", copy.GetMessage());
    EXPECT_NE(located.GetMessage(), copy.GetMessage()); // a deep copy
    EXPECT_EQ(5u, copy.GetClassID());
}

TEST(CaxExceptionObject, SetErrorAndSetErrorParts) {
    CaxExceptionObject e(0u);
    e.SetError(42, "set", "a.cpp", -7);
    EXPECT_EQ(42u, e.GetResult());
    EXPECT_EQ(-7, e.GetLine());
    EXPECT_STREQ("set", e.GetMessage());
    e.SetErrorParts(5, 1, 1, 0, true, "parts", nullptr, 10);
    EXPECT_EQ(0x80101005u, e.GetResult());
    EXPECT_STREQ("parts", e.GetMessage());
    EXPECT_EQ(nullptr, e.GetFile());
    EXPECT_EQ(10, e.GetLine());
}

} // namespace
