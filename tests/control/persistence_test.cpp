// HXDigIO.ocx saved and loaded by containers: to a stream, a property bag
// and a storage, with the modified flag a binding sets and a save clears;
// persistence version 1.0 and no property of the control's own, so that a
// loaded control has no image bound; and data the control must refuse.
#include "ControlTestSupport.h"
#include "StreamBytes.h"
#include "TestPropertyBag.h"

#include <functional>

using namespace hxtest;

namespace {

using Persistence = ControlTest;

HRESULT IsDirty(IUnknown* object) {
    return hx::com_ptr<IUnknown>(object)
        .query<IPersistStreamInit>(IID_IPersistStreamInit)
        ->IsDirty();
}

// One medium: saves the control (clearing its modified flag as containers
// ask) and loads what it saved into another.
struct Medium {
    const char* name;
    std::function<HRESULT(IUnknown* from)> save;
    std::function<HRESULT(IUnknown* into)> load;
};

TEST_F(Persistence, EveryMediumSavesVersionOneAndLoadsAControlWithNoImage) {
    hx::com_ptr<IStream> stream;
    const auto bag = hx::com_ptr<TestPropertyBag>::attach(new TestPropertyBag);
    hx::com_ptr<IStorage> storage;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                         STGM_DELETEONRELEASE,
                                     0, storage.put()));
    const Medium media[] = {
        {"stream",
         [&](IUnknown* from) {
             stream = StreamOf({});
             return hx::com_ptr<IUnknown>(from)
                 .query<IPersistStreamInit>(IID_IPersistStreamInit)
                 ->Save(stream.get(), TRUE);
         },
         [&](IUnknown* into) {
             const LARGE_INTEGER start = {};
             stream->Seek(start, STREAM_SEEK_SET, nullptr);
             return hx::com_ptr<IUnknown>(into)
                 .query<IPersistStreamInit>(IID_IPersistStreamInit)
                 ->Load(stream.get());
         }},
        {"property bag",
         [&](IUnknown* from) {
             return hx::com_ptr<IUnknown>(from)
                 .query<IPersistPropertyBag>(IID_IPersistPropertyBag)
                 ->Save(bag.get(), TRUE, FALSE);
         },
         [&](IUnknown* into) {
             return hx::com_ptr<IUnknown>(into)
                 .query<IPersistPropertyBag>(IID_IPersistPropertyBag)
                 ->Load(bag.get(), nullptr);
         }},
        {"storage",
         [&](IUnknown* from) {
             const auto persist =
                 hx::com_ptr<IUnknown>(from).query<IPersistStorage>(IID_IPersistStorage);
             const HRESULT hr = persist->Save(storage.get(), TRUE);
             return SUCCEEDED(hr) ? persist->SaveCompleted(nullptr) : hr;
         },
         [&](IUnknown* into) {
             return hx::com_ptr<IUnknown>(into)
                 .query<IPersistStorage>(IID_IPersistStorage)
                 ->Load(storage.get());
         }},
    };
    SimImage image(6, 2);
    for (const Medium& medium : media) {
        ASSERT_EQ(S_OK, Bind(0));
        ASSERT_EQ(S_OK, Bind(image.Handle()));
        EXPECT_EQ(S_OK, IsDirty(control.get())) << medium.name << ": bound";
        ASSERT_EQ(S_OK, medium.save(control.get())) << medium.name;
        EXPECT_EQ(S_FALSE, IsDirty(control.get())) << medium.name << ": saved";

        hx::com_ptr<IDispatch> loaded;
        ASSERT_EQ(S_OK, module.CreateControl(loaded));
        ASSERT_EQ(S_OK, medium.load(loaded.get())) << medium.name;
        EXPECT_EQ(0, Get(loaded, idImage).value.v.llVal) << medium.name;
        EXPECT_EQ(0, Get(loaded, idNumInputs).value.v.lVal) << medium.name;
        EXPECT_EQ(S_FALSE, IsDirty(loaded.get())) << medium.name << ": loaded";
        EXPECT_EQ(0u, loaded.detach()->Release()) << medium.name;
    }
    EXPECT_EQ(2, HXKSimImageRefCount(image.image)); // the test's and the bound control's

    // Version 1.0 and the extent, nothing of the control's own.
    ASSERT_EQ(3u, bag->values.size());
    EXPECT_EQ(VT_UI4, bag->values[L"_Version"].v.vt);
    EXPECT_EQ(0x10000u, bag->values[L"_Version"].v.ulVal);
    EXPECT_EQ(1u, bag->values.count(L"_ExtentX"));
    EXPECT_EQ(1u, bag->values.count(L"_ExtentY"));
    // Data of another version is written back as 1.0.
    bag->values[L"_Version"] = Var(VT_UI4, 0x20003);
    ASSERT_EQ(S_OK, media[1].load(control.get()));
    ASSERT_EQ(S_OK, media[1].save(control.get()));
    EXPECT_EQ(0x10000u, bag->values[L"_Version"].v.ulVal);
    EXPECT_EQ(image.Handle(), Get(control, idImage).value.v.llVal); // loading kept the binding
}

TEST_F(Persistence, DataThatEndsEarlyOrIsGarbageIsRefusedAndTheControlGoesOn) {
    SimImage image(6, 2);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    const auto persist = control.query<IPersistStreamInit>(IID_IPersistStreamInit);
    const hx::com_ptr<IStream> saved = StreamOf({});
    ASSERT_EQ(S_OK, persist->Save(saved.get(), FALSE));
    const std::vector<BYTE> good = Bytes(saved.get());
    ASSERT_GT(good.size(), 16u);

    for (size_t length = 0; length < good.size(); ++length) {
        const std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(length));
        EXPECT_TRUE(FAILED(persist->Load(StreamOf(cut).get()))) << length << " bytes";
    }
    std::vector<BYTE> garbage(64);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<BYTE>(i * 37 + 11);
    std::vector<BYTE> oversized = good;
    oversized[11] = 0x7F; // a payload of some 2 GB
    std::vector<BYTE> changed = good;
    changed[good.size() - 2] ^= 0x40;
    for (const auto& bad : {garbage, oversized, changed})
        EXPECT_TRUE(FAILED(persist->Load(StreamOf(bad).get())));
    EXPECT_EQ(E_POINTER, persist->Load(static_cast<IStream*>(nullptr)));

    // Still bound, still working, and good data still loads.
    EXPECT_EQ(6, Get(control, idNumInputs).value.v.lVal);
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(5)}));
    EXPECT_EQ(S_OK, persist->Load(StreamOf(good).get()));
    EXPECT_EQ(image.Handle(), Get(control, idImage).value.v.llVal);
}

} // namespace
