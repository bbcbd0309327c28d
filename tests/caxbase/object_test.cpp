// Object roots (class identifiers, class set, signature) and the 2D vector
// with its math exceptions and parsing from text.
#include "CaxCString.h"
#include "CaxHRESULT.h"
#include "CaxList"
#include "CaxObject.h"
#include "CaxVector2D.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <new>

namespace {

TEST(CaxObject, IdentifiersAndTheClassSet) {
    EXPECT_EQ(1u, CaxObject().GetClassID());
    EXPECT_EQ(5u, CaxExceptionObject(0u).GetClassID());
    const CaxDLList<CaxCString> list;
    const CaxObject& asObject = list;
    EXPECT_EQ(7u, asObject.GetClassID());
    EXPECT_TRUE(asObject.IsList());
    EXPECT_FALSE(CaxVector2D().IsList());
    const CaxVector2D original(1, 2);
    const CaxVector2D copy(original);
    EXPECT_EQ(13u, copy.GetClassID());
    for (std::uint32_t id = 0; id < 128; ++id)
        EXPECT_EQ(id == 1 || id == 11 || id == 13, copy.IsClassInSet(id)) << id;
    EXPECT_FALSE(copy.IsClassInSet(500));
}

struct Probe : CaxVector2D {
    std::uint32_t* Signature() { return &m_signature; }
};

// A destroyed object can no longer be asked, so the signature its destructor
// left in the storage is handed to a live object, which must then answer -1.
TEST(CaxObject, DestroyedObjectAnswersMinusOne) {
    alignas(Probe) unsigned char storage[sizeof(Probe)];
    Probe* probe = ::new (static_cast<void*>(storage)) Probe;
    const auto signatureAt = reinterpret_cast<unsigned char*>(probe->Signature()) - storage;
    CaxObject* volatile opaque = probe;
    opaque->~CaxObject(); // through the virtual destructor, as an owner of a CaxObject* would
    Probe live;
    std::memcpy(live.Signature(), storage + signatureAt, sizeof(std::uint32_t));
    EXPECT_EQ(0x28F2CE40u, live.GetSignature());
    const CaxObject& object = live;
    EXPECT_EQ(0xFFFFFFFFu, object.GetClassID());
}

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

// The impossible operations throw and leave the vector as it was.
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
    ExpectMathError(0x00101005u, 158, [&] { c /= 0.0; });
    ExpectMathError(0x00101005u, 149, [&] { (void)(c / 0.0); });
    ExpectVector(1, 2, c);
    for (const CaxVector2D& zero : {CaxVector2D(0, 0), CaxVector2D(1e-200, -1e-200)})
        ExpectMathError(0x00101007u, 279, [&] { (void)zero.Normalized(); });
}

// Start and count outside the text read nothing beyond it.
TEST(CaxVector2D, ParsedFromText) {
    ExpectVector(1.5, 2, CaxCString("1.5,2").ToVector2D(0));
    ExpectVector(3, 0, CaxCString("v=3").ToVector2D(2));
    const std::uint32_t three = 3;
    ExpectVector(7, 8, CaxCString("7,89").ToVector2D(0, &three));
    for (int outside : {4, -1, INT_MIN})
        ExpectVector(0, 0, CaxCString("1,2").ToVector2D(outside));
    ExpectVector(0, 0, CaxCString().ToVector2D(0));
    for (const std::uint32_t pastTheEnd : {4u, 0xFFFFFFFFu})
        ExpectVector(1, 2, CaxCString("1,2").ToVector2D(0, &pastTheEnd));
}

} // namespace
