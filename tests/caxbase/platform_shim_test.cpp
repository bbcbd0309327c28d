// The C-runtime shims must give the Microsoft runtime's text natively too.
#include "CaxPlatform.h"

#include <gtest/gtest.h>
#include <string>

namespace {

int Format(char* buffer, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = caxplatform::VsnPrintf(buffer, size, format, args);
    va_end(args);
    return n;
}

TEST(PlatformShim, VsnPrintfAndLongToDecimal) {
    char buffer[16];
    EXPECT_EQ(5, Format(buffer, 8, "%s", "hello"));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ(-1, Format(buffer, 8, "%s", "much too long"));
    EXPECT_STREQ("-2147483648", caxplatform::LongToDecimal(-2147483647L - 1, buffer));
}

TEST(PlatformShim, DoubleToTextMatchesTheRuntimeGcvt) {
    const std::pair<double, const char*> cases[] = {{1.0, "1"},
                                                    {-2.5, "-2.5"},
                                                    {0.0, "0"},
                                                    {0.1, "0.10000000000000000555"},
                                                    {1e-4, "0.00010000000000000000479"},
                                                    {1e-5, "1.0000000000000000818e-005"},
                                                    {1e19, "10000000000000000000"},
                                                    {1e20, "1e+020"},
                                                    {1e300, "1.0000000000000000525e+300"},
                                                    {12345.678, "12345.677999999999884"}};
    char buffer[64];
    for (const auto& [value, text] : cases)
        EXPECT_STREQ(text, caxplatform::DoubleToText(value, 20, buffer, sizeof buffer));
    EXPECT_STREQ("", caxplatform::DoubleToText(1.0, 20, buffer, 8)); // too small a buffer
}

TEST(PlatformShim, TextToDoubleReadsDecimalTextOnly) {
    EXPECT_DOUBLE_EQ(2.5, caxplatform::TextToDouble(" \t2.5"));
    EXPECT_DOUBLE_EQ(-5.0, caxplatform::TextToDouble("-.5e1"));
    EXPECT_DOUBLE_EQ(100000.0, caxplatform::TextToDouble("1d5"));
    EXPECT_DOUBLE_EQ(1.0, caxplatform::TextToDouble("1e+"));
    for (const char* zero : {"0x10", "inf", "nan", static_cast<const char*>(nullptr)})
        EXPECT_EQ(0.0, caxplatform::TextToDouble(zero));
}

} // namespace
