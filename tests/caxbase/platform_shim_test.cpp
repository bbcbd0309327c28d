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

TEST(PlatformShim, VsnPrintfReportsTruncationAsMinusOne) {
    char buffer[8];
    EXPECT_EQ(5, Format(buffer, sizeof buffer, "%s", "hello"));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ(-1, Format(buffer, sizeof buffer, "%s", "much too long"));
}

TEST(PlatformShim, LongToDecimal) {
    char buffer[16];
    EXPECT_STREQ("-2147483648", caxplatform::LongToDecimal(-2147483647L - 1, buffer));
    EXPECT_STREQ("0", caxplatform::LongToDecimal(0, buffer));
}

} // namespace
