// The module around the objects: the unload answer while objects, factories
// or server locks live, enumerators over a snapshot, and one object shared by
// several threads (classes on the core may be free-threaded).
#include "AfxEnum.h"
#include "AfxModuleState.h"
#include "ComTestSupport.h"
#include "TestObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace hxtest;

namespace {

hx::com_ptr<IClassFactory> Factory() {
    hx::com_ptr<IClassFactory> factory;
    AfxDllGetClassObject(CTestObject::guid, IID_IClassFactory, factory.put_void());
    return factory;
}

hx::com_ptr<IDispatch> NewObject() {
    hx::com_ptr<IDispatch> object;
    if (const auto factory = Factory())
        factory->CreateInstance(nullptr, IID_IDispatch, object.put_void());
    return object;
}

// Takes hold of something that keeps the module loaded; what it answers lets
// go of it again.
using Hold = std::function<std::function<void()>()>;

TEST(Module, ItMayUnloadOnlyWhenNoObjectFactoryOrLockIsLeft) {
    const std::pair<const char*, Hold> holders[] = {
        {"an object", [] { return [object = NewObject()]() mutable { object.reset(); }; }},
        {"a factory", [] { return [factory = Factory()]() mutable { factory.reset(); }; }},
        {"an enumerator",
         [] {
             hx::com_ptr<IEnumConnections> enumerator;
             CAfxEnumConnections::Create({}, 0, enumerator.put());
             return [enumerator]() mutable { enumerator.reset(); };
         }},
        {"a server lock",
         [] {
             Factory()->LockServer(TRUE);
             return [] { Factory()->LockServer(FALSE); };
         }},
    };
    std::vector<std::function<void()>> held;
    for (const auto& [what, hold] : holders) {
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow()) << what;
        std::function<void()> letGo = hold();
        EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow()) << what;
        letGo();
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow()) << what;
    }
    for (const auto& holder : holders)
        held.push_back(holder.second());
    for (std::function<void()>& letGo : held) { // all at once: only the last lets it go
        EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow());
        letGo();
    }
    EXPECT_EQ(S_OK, AfxDllCanUnloadNow());

    // Surplus unlocks are ignored: they cancel no later lock.
    auto factory = Factory();
    factory->LockServer(FALSE);
    factory->LockServer(FALSE);
    factory->LockServer(TRUE);
    EXPECT_EQ(1, AfxOleGetLockCount());
    factory->LockServer(FALSE);
    // Refused creations leave no object behind.
    void* out = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.get(), IID_IUnknown, &out));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    factory.reset();
    EXPECT_EQ(S_OK, AfxDllCanUnloadNow());
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              AfxDllGetClassObject(IID_IDispatch, IID_IClassFactory, &out));
}

// The cookies of the next n connections; hr gets Next's answer.
std::vector<DWORD> Next(IEnumConnections* enumerator, ULONG n, HRESULT& hr) {
    std::vector<CONNECTDATA> got(n);
    ULONG fetched = 0;
    hr = enumerator->Next(n, got.data(), &fetched);
    std::vector<DWORD> cookies;
    for (ULONG i = 0; i < fetched; ++i) {
        hx::com_ptr<IUnknown>::attach(got[i].pUnk); // drops the reference Next handed out
        cookies.push_back(got[i].dwCookie);
    }
    return cookies;
}

TEST(Enumerator, ACloneGoesOnFromItsOriginalsPlaceAndHoldsItsOwnItems) {
    std::vector<hx::com_ptr<RecordingSink>> sinks;
    std::vector<CONNECTDATA> items;
    for (DWORD cookie = 1; cookie <= 3; ++cookie) {
        sinks.push_back(MakeSink(IID_IDispatch));
        items.push_back({sinks.back().get(), cookie});
    }
    hx::com_ptr<IEnumConnections> original, clone;
    ASSERT_EQ(S_OK, CAfxEnumConnections::Create(items, 0, original.put()));
    HRESULT hr = E_FAIL;
    EXPECT_EQ(std::vector<DWORD>{1}, Next(original.get(), 1, hr));
    ASSERT_EQ(S_OK, original->Clone(clone.put()));
    EXPECT_EQ((std::vector<DWORD>{2, 3}), Next(clone.get(), 3, hr));
    EXPECT_EQ(S_FALSE, hr);                                             // fewer than asked for
    EXPECT_EQ((std::vector<DWORD>{2, 3}), Next(original.get(), 2, hr)); // it stood still
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(S_FALSE, clone->Skip(1));
    EXPECT_EQ(S_OK, clone->Reset());
    EXPECT_EQ(S_OK, clone->Skip(2));
    EXPECT_EQ((std::vector<DWORD>{3}), Next(clone.get(), 1, hr));
    EXPECT_EQ(E_POINTER, clone->Clone(nullptr));
    original.reset();
    for (const auto& sink : sinks)
        EXPECT_EQ(2, sink->RefCount()); // the clone's own reference
    clone.reset();
    for (const auto& sink : sinks)
        EXPECT_EQ(1, sink->RefCount());
}

TEST(Module, OneObjectServesSeveralThreadsAtOnce) {
    const hx::com_ptr<IDispatch> object = NewObject();
    ASSERT_TRUE(object);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (long factor = 1; factor <= 4; ++factor) {
        threads.emplace_back([&, factor] {
            for (long i = 0; i < 500; ++i) {
                const auto mine = object.query<IDispatch>(IID_IDispatch);
                const CallResult scaled = Method(mine, CTestObject::idScale, {I4(i), I4(factor)});
                const CallResult refused = Put(mine, CTestObject::idCount, I4(i));
                if (scaled.value.v.lVal != i * factor || refused.excepSource != TESTOBJECT_PROGID)
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(1, AfxOleGetObjectCount());
}

} // namespace
