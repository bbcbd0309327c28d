// Object roots: class identifiers, the class set and the signature.
#include "CaxException.h"
#include "CaxList"
#include "CaxObject.h"
#include "CaxVector2D.h"

#include <gtest/gtest.h>
#include <new>

namespace {

TEST(CaxObject, EveryRootAnswersItsIdentifier) {
    EXPECT_EQ(1u, CaxObject().GetClassID());
    EXPECT_EQ(19u, CaxSystemObject().GetClassID());
    EXPECT_EQ(17u, CaxStorageObject().GetClassID());
    EXPECT_EQ(6u, CaxContainerObject().GetClassID());
    EXPECT_EQ(11u, CaxMathObject().GetClassID());
    EXPECT_EQ(5u, CaxExceptionObject(0u).GetClassID());
    EXPECT_EQ(13u, CaxVector2D().GetClassID());
    EXPECT_EQ(7u, CaxDLList<std::int64_t>().GetClassID());
    EXPECT_EQ(7u, CaxDLList<CaxCString>().GetClassID());

    const CaxDLList<CaxCString> list;
    const CaxObject& asObject = list;
    EXPECT_TRUE(asObject.IsList());
    EXPECT_FALSE(CaxVector2D().IsList());
    EXPECT_EQ(0xFFFFFFFFu, asObject.GetReservedID());
    EXPECT_FALSE(asObject.QueryReserved());
}

TEST(CaxObject, ClassSetHoldsEveryClassOfTheChain) {
    const CaxVector2D v(1, 2);
    EXPECT_EQ(CaxObject::kAliveSignature, v.GetSignature());
    for (std::uint32_t id = 0; id < 128; ++id)
        EXPECT_EQ(id == 1 || id == 11 || id == 13, v.IsClassInSet(id)) << id;
    EXPECT_FALSE(v.IsClassInSet(500));
    const CaxVector2D copy(v);
    EXPECT_TRUE(copy.IsClassInSet(13));
    EXPECT_EQ(CaxObject::kAliveSignature, copy.GetSignature());
    EXPECT_TRUE(CaxDLList<std::int64_t>().IsClassInSet(6));
}

// Sees the protected fields: where they lie, and the answer for a dead signature.
class Probe : public CaxVector2D {
public:
    std::size_t SignatureOffset() const {
        return static_cast<std::size_t>(reinterpret_cast<const unsigned char*>(&m_signature) -
                                        reinterpret_cast<const unsigned char*>(this));
    }
    std::size_t ClassSetOffset() const {
        return static_cast<std::size_t>(reinterpret_cast<const unsigned char*>(m_classSet) -
                                        reinterpret_cast<const unsigned char*>(this));
    }
    void MarkDestroyed() { m_signature = kDestroyedSignature; }
};

TEST(CaxObject, DestroyedObjectLeavesTheDestroyedSignatureInItsStorage) {
    alignas(Probe) unsigned char storage[sizeof(Probe)];
    Probe* probe = ::new (static_cast<void*>(storage)) Probe;
    ASSERT_EQ(reinterpret_cast<unsigned char*>(probe), storage);
    const std::size_t signatureAt = probe->SignatureOffset();
    const std::size_t classSetAt = probe->ClassSetOffset();
    // Destroyed through the virtual destructor of an opaque base pointer, as
    // an owner of a CaxObject* would; afterwards only the still-existing
    // storage is read, byte by byte through volatile.
    CaxObject* volatile opaque = probe;
    opaque->~CaxObject();
    const volatile unsigned char* bytes = storage;
    std::uint32_t signature = 0;
    for (std::size_t i = 0; i < sizeof signature; ++i)
        signature |= static_cast<std::uint32_t>(bytes[signatureAt + i]) << (8 * i);
    EXPECT_EQ(0x28F2CE40u, signature); // stored little-endian on both platforms
    for (std::size_t i = 0; i < CaxObject::kClassSetBytes; ++i)
        EXPECT_EQ(0, bytes[classSetAt + i]);
}

TEST(CaxObject, GetClassIdAnswersMinusOneForTheDestroyedSignature) {
    Probe probe;
    const CaxObject& object = probe;
    EXPECT_EQ(13u, object.GetClassID());
    probe.MarkDestroyed();
    EXPECT_EQ(0xFFFFFFFFu, object.GetClassID());
    EXPECT_EQ(0xFFFFFFFFu, static_cast<const CaxObject&>(probe).CaxObject::GetClassID());
}

} // namespace
