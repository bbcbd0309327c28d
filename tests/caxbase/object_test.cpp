// Object roots: class identifiers, the class set and the signature.
#include "CaxException.h"
#include "CaxList"
#include "CaxObject.h"
#include "CaxVector2D.h"

#include <cstring>
#include <gtest/gtest.h>
#include <new>

namespace {

TEST(CaxObject, IdentifiersAndTheClassSet) {
    EXPECT_EQ(1u, CaxObject().GetClassID());
    EXPECT_EQ(19u, CaxSystemObject().GetClassID());
    EXPECT_EQ(17u, CaxStorageObject().GetClassID());
    EXPECT_EQ(6u, CaxContainerObject().GetClassID());
    EXPECT_EQ(11u, CaxMathObject().GetClassID());
    EXPECT_EQ(5u, CaxExceptionObject(0u).GetClassID());
    EXPECT_EQ(7u, CaxDLList<std::int64_t>().GetClassID());
    const CaxDLList<CaxCString> list;
    const CaxObject& asObject = list;
    EXPECT_EQ(7u, asObject.GetClassID());
    EXPECT_TRUE(asObject.IsList());
    EXPECT_FALSE(CaxVector2D().IsList());

    const CaxVector2D v(1, 2);
    const CaxVector2D copy(v);
    EXPECT_EQ(13u, copy.GetClassID());
    for (std::uint32_t id = 0; id < 128; ++id)
        EXPECT_EQ(id == 1 || id == 11 || id == 13, copy.IsClassInSet(id)) << id;
    EXPECT_FALSE(v.IsClassInSet(500));
    EXPECT_TRUE(list.IsClassInSet(6));
}

// Reaches the protected fields of a live object.
class Probe : public CaxVector2D {
public:
    std::size_t OffsetOf(const void* field) const {
        return static_cast<std::size_t>(static_cast<const unsigned char*>(field) -
                                        reinterpret_cast<const unsigned char*>(this));
    }
    std::size_t SignatureOffset() const { return OffsetOf(&m_signature); }
    std::size_t ClassSetOffset() const { return OffsetOf(m_classSet); }
    void SetSignature(std::uint32_t signature) { m_signature = signature; }
};

// A really destroyed object can no longer be asked anything, so the signature
// its destructor left in the storage is handed to a live object, whose
// GetClassID must then answer -1.
TEST(CaxObject, DestroyedObjectAnswersMinusOne) {
    alignas(Probe) unsigned char storage[sizeof(Probe)];
    Probe* probe = ::new (static_cast<void*>(storage)) Probe;
    const std::size_t signatureAt = probe->SignatureOffset();
    const std::size_t classSetAt = probe->ClassSetOffset();
    CaxObject* volatile opaque = probe;
    opaque->~CaxObject(); // through the virtual destructor, as an owner of a CaxObject* would
    std::uint32_t signature = 0;
    std::memcpy(&signature, storage + signatureAt, sizeof signature);
    EXPECT_EQ(0x28F2CE40u, signature);
    const unsigned char noClasses[CaxObject::kClassSetBytes] = {};
    EXPECT_EQ(0, std::memcmp(noClasses, storage + classSetAt, sizeof noClasses));

    Probe live;
    const CaxObject& object = live;
    EXPECT_EQ(13u, object.GetClassID());
    live.SetSignature(signature);
    EXPECT_EQ(0xFFFFFFFFu, object.GetClassID());
    EXPECT_EQ(0xFFFFFFFFu, object.CaxObject::GetClassID());
}

} // namespace
