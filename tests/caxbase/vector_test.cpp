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
    ExpectVector(0, 0, c);
    ExpectVector(3, 4, c += b);
    ExpectVector(2, 2, c -= a);
    ExpectVector(6, 6, c *= 3);
    ExpectVector(2, 2, c /= 3);
    ExpectVector(2, -3, c = std::make_pair(2, -3));
    ExpectVector(2, -3, c);
    ExpectVector(1, 2, c = a);
    c.SetX(9);
    c.SetY(8);
    ExpectVector(9, 8, c);
}

TEST(CaxVector2D, DivisionByZeroThrowsAndKeepsTheVector) {
    CaxVector2D v(1, 2);
    try {
        v /= 0.0;
        FAIL() << "no exception";
    } catch (const axMath::CaxMathException& e) {
        EXPECT_EQ(0x00101005u, e.GetValue());
        EXPECT_EQ(158u, e.GetLine());
        EXPECT_STREQ("..\\..\\src\\CaxVector2D", e.GetFile());
    }
    ExpectVector(1, 2, v);
    try {
        (void)(v / 0.0);
        FAIL() << "no exception";
    } catch (const axMath::CaxMathException& e) {
        EXPECT_EQ(149u, e.GetLine());
        EXPECT_STREQ("A division by zero was attempted. Exception from Sub-Facility 'axMath' of "
                     "Facility 'CaxBase' thrown in file ..\\..\\src\\CaxVector2D at line Nr. 149.",
                     e.GetMessage());
    }
}

TEST(CaxVector2D, NormalisingAZeroLengthVectorThrows) {
    for (const CaxVector2D& zero : {CaxVector2D(0, 0), CaxVector2D(1e-200, -1e-200)}) {
        try {
            (void)zero.Normalized();
            FAIL() << "no exception";
        } catch (const axMath::CaxMathException& e) {
            EXPECT_EQ(0x00101007u, e.GetValue());
            EXPECT_EQ(279u, e.GetLine());
        }
    }
    ExpectVector(1, 0, CaxVector2D(1e-100, 0).Normalized());
}

TEST(CaxVector2D, ParsedFromText) {
    ExpectVector(1.5, 2, CaxCString("1.5,2").ToVector2D(0));
    ExpectVector(3, 0, CaxCString("3").ToVector2D(0));
    ExpectVector(-1, 0.25, CaxCString("v=-1 , .25").ToVector2D(2));
    const std::uint32_t count = 3;
    ExpectVector(7, 8, CaxCString("7,89").ToVector2D(0, &count));
    ExpectVector(0, 0, CaxCString("1,2").ToVector2D(9));
    ExpectVector(0, 0, CaxCString("1,2").ToVector2D(-1));
    ExpectVector(0, 0, CaxCString("1,2").ToVector2D(INT_MIN));
    for (const std::uint32_t pastTheEnd : {4u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        ExpectVector(1, 2, CaxCString("1,2").ToVector2D(0, &pastTheEnd));
    ExpectVector(0, 0, CaxCString().ToVector2D(0));
}

} // namespace
