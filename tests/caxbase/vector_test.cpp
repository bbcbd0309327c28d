// CaxVector2D arithmetic, its math exceptions and parsing from text.
#include "CaxCString.h"
#include "CaxHRESULT.h"
#include "CaxVector2D.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

void ExpectVector(double x, double y, const CaxVector2D& v) {
    EXPECT_DOUBLE_EQ(x, v.GetX());
    EXPECT_DOUBLE_EQ(y, v.GetY());
}

template <class Call> void ExpectMathError(std::uint32_t value, std::uint32_t line, Call call) {
    try {
        call();
        ADD_FAILURE() << "no exception at line " << line;
    } catch (const axMath::CaxMathException& e) {
        EXPECT_EQ(value, e.GetValue());
        EXPECT_EQ(line, e.GetLine());
        EXPECT_STREQ("..\\..\\src\\CaxVector2D", e.GetFile());
    }
}

TEST(CaxVector2D, Arithmetic) {
    const CaxVector2D a(1, 2);
    const CaxVector2D b(3, 4);
    ExpectVector(4, 6, a + b);
    ExpectVector(-2, -2, a - b);
    EXPECT_DOUBLE_EQ(11.0, a * b);
    ExpectVector(2.5, 5, a * 2.5);
    ExpectVector(0.5, 1, a / 2);
    ExpectVector(0, -1, CaxVector2D(1, 0).Perpendicular());
    ExpectVector(0.6, 0.8, b.Normalized());

    CaxVector2D c;
    ExpectVector(3, 4, c += b);
    ExpectVector(2, 2, c -= a);
    ExpectVector(6, 6, c *= 3);
    ExpectVector(2, 2, c /= 3);
    ExpectVector(2, -3, c = std::make_pair(2, -3));
    ExpectVector(2, -3, c);
    ExpectVector(1, 2, c = a);
}

TEST(CaxVector2D, ImpossibleOperationsThrowAndKeepTheVector) {
    CaxVector2D v(1, 2);
    ExpectMathError(0x00101005u, 158, [&] { v /= 0.0; });
    ExpectMathError(0x00101005u, 149, [&] { (void)(v / 0.0); });
    ExpectVector(1, 2, v);
    for (const CaxVector2D& zero : {CaxVector2D(0, 0), CaxVector2D(1e-200, -1e-200)})
        ExpectMathError(0x00101007u, 279, [&] { (void)zero.Normalized(); });
    ExpectVector(1, 0, CaxVector2D(1e-100, 0).Normalized());
}

TEST(CaxVector2D, ParsedFromText) {
    ExpectVector(1.5, 2, CaxCString("1.5,2").ToVector2D(0));
    ExpectVector(3, 0, CaxCString("3").ToVector2D(0));
    ExpectVector(-1, 0.25, CaxCString("v=-1 , .25").ToVector2D(2));
    const std::uint32_t count = 3;
    ExpectVector(7, 8, CaxCString("7,89").ToVector2D(0, &count));
    for (int outside : {4, -1, INT_MIN})
        ExpectVector(0, 0, CaxCString("1,2").ToVector2D(outside));
    ExpectVector(0, 0, CaxCString().ToVector2D(0));
    for (const std::uint32_t pastTheEnd : {4u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        ExpectVector(1, 2, CaxCString("1,2").ToVector2D(0, &pastTheEnd));
}

} // namespace
