// hx::com_ptr, hx::unique_bstr, hx::unique_variant and the type-information
// owners, with reference counts read off an object that counts them.
#include "hx/bstr.h"
#include "hx/com_ptr.h"
#include "hx/typelib_owners.h"
#include "hx/variant.h"

#include <gtest/gtest.h>

namespace {

// An object with a visible reference count that answers IUnknown and
// IPersist (its second interface, for queries).
class Counted : public IPersist {
public:
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPersist)) return E_NOINTERFACE;
        *ppv = static_cast<IPersist*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }
    STDMETHOD(GetClassID)(CLSID* id) override {
        *id = CLSID_NULL;
        return S_OK;
    }
    ULONG refs = 0;
};

TEST(ComPtr, CopiesAddAReferenceMovesPassTheirsAndTheLastOwnerReleases) {
    Counted object;
    {
        hx::com_ptr<IUnknown> first(&object);
        EXPECT_EQ(1u, object.refs);
        hx::com_ptr<IUnknown> copy = first;
        EXPECT_EQ(2u, object.refs);
        hx::com_ptr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(2u, object.refs);
        EXPECT_FALSE(copy);
        moved = first; // the old reference goes, the new one comes
        EXPECT_EQ(2u, object.refs);
        moved = moved; // self-assignment keeps the count
        EXPECT_EQ(2u, object.refs);
        moved.reset();
        EXPECT_EQ(1u, object.refs);
    }
    EXPECT_EQ(0u, object.refs);
}

TEST(ComPtr, AttachDetachPutQueryAndCopyTo) {
    Counted object;
    object.AddRef(); // a reference the caller already holds
    hx::com_ptr<IPersist> adopted = hx::com_ptr<IPersist>::attach(&object);
    EXPECT_EQ(1u, object.refs);

    hx::com_ptr<IUnknown> unknown = adopted.query<IUnknown>(IID_IUnknown);
    EXPECT_EQ(2u, object.refs);
    EXPECT_FALSE(adopted.query<IDispatch>(IID_IDispatch)); // no such interface: empty
    EXPECT_EQ(2u, object.refs);

    IPersist* out = nullptr;
    EXPECT_EQ(S_OK, adopted.copy_to(&out));
    EXPECT_EQ(3u, object.refs);
    out->Release();
    EXPECT_EQ(E_POINTER, adopted.copy_to(nullptr));

    // An out-parameter filled by a call: what was held goes first.
    EXPECT_EQ(S_OK, object.QueryInterface(IID_IUnknown, unknown.put_void()));
    EXPECT_EQ(2u, object.refs);

    IPersist* handed = adopted.detach(); // the caller owns it now
    EXPECT_FALSE(adopted);
    EXPECT_EQ(2u, object.refs);
    handed->Release();
    unknown.reset();
    EXPECT_EQ(0u, object.refs);
}

TEST(UniqueBstr, ConvertsAnsiTextAndFreesOnce) {
    hx::unique_bstr text = hx::unique_bstr::from_ansi("Couldn't read port!");
    ASSERT_NE(nullptr, text.get());
    EXPECT_EQ(19u, SysStringLen(text.get()));
    EXPECT_EQ(L'C', text.get()[0]);
    EXPECT_EQ("Couldn't read port!", text.to_ansi());
    EXPECT_EQ(0u, SysStringLen(hx::unique_bstr::from_ansi("").get()));
    EXPECT_EQ(nullptr, hx::unique_bstr::from_ansi(nullptr).get());
    EXPECT_EQ("", hx::unique_bstr().to_ansi());

    hx::unique_bstr moved = std::move(text);
    EXPECT_EQ(nullptr, text.get());
    BSTR raw = moved.release();
    EXPECT_EQ(nullptr, moved.get());
    *moved.put() = raw; // adopted back through the out-parameter slot
    EXPECT_EQ("Couldn't read port!", moved.to_ansi());
}

TEST(UniqueVariant, HoldsAVariantAndClearsItsContentsOnce) {
    Counted object;
    {
        hx::unique_variant value;
        EXPECT_EQ(VT_EMPTY, value.vt());
        VARIANT* slot = value.put();
        slot->vt = VT_UNKNOWN;
        slot->punkVal = &object;
        object.AddRef();
        hx::unique_variant moved(std::move(value));
        EXPECT_EQ(VT_EMPTY, value.vt());
        EXPECT_EQ(VT_UNKNOWN, moved.vt());
        EXPECT_EQ(1u, object.refs);
        hx::unique_variant other;
        other = std::move(moved);
        EXPECT_EQ(1u, object.refs);
    }
    EXPECT_EQ(0u, object.refs);

    hx::unique_variant value;
    value.put()->vt = VT_UNKNOWN;
    value.addressof()->punkVal = &object;
    object.AddRef();
    VARIANT handed = value.release(); // contents go with it
    EXPECT_EQ(VT_EMPTY, value.vt());
    EXPECT_EQ(1u, object.refs);
    VariantClear(&handed);
    EXPECT_EQ(0u, object.refs);
}

// A source of attribute blocks that counts what it hands out and gets back.
struct AttributeSource {
    ULONG STDMETHODCALLTYPE AddRef() { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() { return --refs; }
    void STDMETHODCALLTYPE Free(int* block) {
        ++freed;
        delete block;
    }
    int* Hand() { return new int(7); }
    ULONG refs = 0;
    int freed = 0;
};
using unique_block = hx::unique_typelib_attr<AttributeSource, int, &AttributeSource::Free>;

TEST(TypeLibOwners, GiveEachBlockBackToItsSourceOnce) {
    AttributeSource source;
    {
        unique_block block;
        *block.put(&source) = source.Hand();
        EXPECT_EQ(1u, source.refs); // the owner keeps the source alive
        EXPECT_EQ(7, *block.get());
        unique_block moved(std::move(block));
        EXPECT_FALSE(block);
        *moved.put(&source) = source.Hand(); // the first block goes back now
        EXPECT_EQ(1, source.freed);
    }
    EXPECT_EQ(2, source.freed);
    EXPECT_EQ(0u, source.refs);

    // The real thing: a library's and a type's attributes.
    hx::com_ptr<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadTypeLib(L"stdole2.tlb", library.put()));
    hx::unique_tlibattr libAttr;
    ASSERT_EQ(S_OK, library->GetLibAttr(libAttr.put(library.get())));
    EXPECT_EQ(2, libAttr->wMajorVerNum);
    hx::com_ptr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IDispatch, info.put()));
    hx::unique_typeattr typeAttr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(typeAttr.put(info.get())));
    EXPECT_EQ(TKIND_INTERFACE, typeAttr->typekind);
    hx::unique_funcdesc func;
    ASSERT_EQ(S_OK, info->GetFuncDesc(0, func.put(info.get())));
    EXPECT_GT(func->memid, 0);
}

} // namespace
