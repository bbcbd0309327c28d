// Connection points: advising, enumerating and firing, including sinks that
// disconnect, or drop the control, while an event is being fired.
#include "ComTestSupport.h"
#include "ProbeControl.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace hxtest;

namespace {

class ProbeEvents : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch,
                                                reinterpret_cast<void**>(&probe)));
        factory->Release();
        IConnectionPointContainer* container = nullptr;
        ASSERT_EQ(S_OK, probe->QueryInterface(IID_IConnectionPointContainer,
                                              reinterpret_cast<void**>(&container)));
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_ProbeEvents, &point));
        container->Release();
    }
    void TearDown() override {
        if (point) point->Release();
        if (probe) {
            EXPECT_EQ(0u, probe->Release());
        }
        EXPECT_EQ(0, CProbeCtrl::LiveCount());
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow());
        CoUninitialize();
    }
    IDispatch* probe = nullptr;
    IConnectionPoint* point = nullptr;
};

TEST_F(ProbeEvents, TheContainerOffersOneConnectionPoint) {
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(S_OK, probe->QueryInterface(IID_IConnectionPointContainer,
                                          reinterpret_cast<void**>(&container)));
    IConnectionPoint* other = reinterpret_cast<IConnectionPoint*>(1);
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(DIID_Probe, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(E_POINTER, container->FindConnectionPoint(DIID_ProbeEvents, nullptr));

    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    IConnectionPoint* fetched[2] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, fetched, &count));
    ASSERT_EQ(1u, count);
    EXPECT_EQ(point, fetched[0]);
    fetched[0]->Release();
    EXPECT_EQ(S_FALSE, points->Next(1, fetched, nullptr));
    EXPECT_EQ(S_OK, points->Reset());
    EXPECT_EQ(S_FALSE, points->Skip(2));
    EXPECT_EQ(S_OK, points->Reset());
    IEnumConnectionPoints* clone = nullptr;
    ASSERT_EQ(S_OK, points->Clone(&clone));
    EXPECT_EQ(S_OK, clone->Next(1, fetched, nullptr));
    EXPECT_EQ(point, fetched[0]);
    fetched[0]->Release();
    clone->Release();
    points->Release();

    IID iid = GUID_NULL;
    EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(DIID_ProbeEvents, iid));
    IConnectionPointContainer* owner = nullptr;
    ASSERT_EQ(S_OK, point->GetConnectionPointContainer(&owner));
    EXPECT_EQ(container, owner);
    owner->Release();
    container->Release();
}

TEST_F(ProbeEvents, AdviseAcceptsEventOrDispatchSinksAndUnadviseChecksCookies) {
    RecordingSink* typed = RecordingSink::Create(DIID_ProbeEvents, true, false);
    RecordingSink* plain = RecordingSink::Create(DIID_ProbeEvents, false, true);
    RecordingSink* neither = RecordingSink::Create(DIID_ProbeEvents, false, false);
    DWORD first = 0, second = 0, third = 77;
    EXPECT_EQ(S_OK, point->Advise(typed, &first));
    EXPECT_EQ(S_OK, point->Advise(plain, &second));
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(neither, &third));
    EXPECT_EQ(0u, third);
    EXPECT_NE(0u, first);
    EXPECT_NE(first, second);
    EXPECT_EQ(E_POINTER, point->Advise(nullptr, &third));
    EXPECT_EQ(E_POINTER, point->Advise(typed, nullptr));
    EXPECT_EQ(2, typed->RefCount());
    EXPECT_EQ(1, neither->RefCount());

    IEnumConnections* connections = nullptr;
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    CONNECTDATA data[3] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, connections->Next(3, data, &count));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(first, data[0].dwCookie);
    EXPECT_EQ(second, data[1].dwCookie);
    EXPECT_EQ(4, typed->RefCount()); // test, connection, enumerator, fetched copy
    for (ULONG i = 0; i < count; ++i)
        data[i].pUnk->Release();
    EXPECT_EQ(3, typed->RefCount());

    EXPECT_EQ(S_OK, point->Unadvise(first));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(first));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(0));
    EXPECT_EQ(2, typed->RefCount()); // released by the connection, not yet by the enumerator
    connections->Release();
    EXPECT_EQ(1, typed->RefCount());
    EXPECT_EQ(S_OK, point->Unadvise(second));
    EXPECT_EQ(1, plain->RefCount());
    typed->Release();
    plain->Release();
    neither->Release();
}

TEST_F(ProbeEvents, EventsReachEverySinkWithTypedArguments) {
    RecordingSink* first = RecordingSink::Create(DIID_ProbeEvents);
    RecordingSink* second = RecordingSink::Create(DIID_ProbeEvents);
    Connection a(probe, DIID_ProbeEvents, first);
    Connection b(probe, DIID_ProbeEvents, second);
    CallResult r = Method(probe, dispidFire, {I4(7)});
    ASSERT_EQ(S_OK, r.hr);
    EXPECT_EQ(VARIANT_TRUE, r.value.v.boolVal); // no sink cleared Continue

    for (RecordingSink* sink : {first, second}) {
        const auto events = sink->Events();
        ASSERT_EQ(2u, events.size());
        EXPECT_EQ(eventReported, events[0].dispid);
        ASSERT_EQ(4u, events[0].args.size());
        EXPECT_EQ(VT_I4, events[0].args[0].v.vt);
        EXPECT_EQ(7, events[0].args[0].v.lVal);
        ASSERT_EQ(VT_BSTR, events[0].args[1].v.vt);
        EXPECT_STREQ(L"reported", events[0].args[1].v.bstrVal);
        EXPECT_EQ(VT_I8, events[0].args[2].v.vt);
        EXPECT_EQ(7LL << 32, events[0].args[2].v.llVal);
        EXPECT_EQ(VT_BOOL, events[0].args[3].v.vt); // seen through VT_BOOL | VT_BYREF
        EXPECT_EQ(VARIANT_TRUE, events[0].args[3].v.boolVal);
        EXPECT_EQ(eventPlain, events[1].dispid);
        EXPECT_TRUE(events[1].args.empty());
    }
    // The second sink sees what the first left in Continue; the caller
    // reads the final value back.
    first->SetContinueAnswer(0);
    r = Method(probe, dispidFire, {I4(8)});
    EXPECT_EQ(VARIANT_FALSE, r.value.v.boolVal);
    EXPECT_EQ(VARIANT_FALSE, second->Events()[2].args[3].v.boolVal);
    second->SetContinueAnswer(1);
    r = Method(probe, dispidFire, {I4(9)});
    EXPECT_EQ(VARIANT_TRUE, r.value.v.boolVal);

    EXPECT_EQ(S_OK, a.Disconnect());
    EXPECT_EQ(S_OK, b.Disconnect());
    EXPECT_EQ(1, first->RefCount());
    first->Release();
    second->Release();
}

TEST_F(ProbeEvents, SinksMayDisconnectWhileAnEventIsFired) {
    RecordingSink* quitter = RecordingSink::Create(DIID_ProbeEvents);
    RecordingSink* bystander = RecordingSink::Create(DIID_ProbeEvents);
    DWORD quitterCookie = 0, bystanderCookie = 0;
    ASSERT_EQ(S_OK, point->Advise(quitter, &quitterCookie));
    ASSERT_EQ(S_OK, point->Advise(bystander, &bystanderCookie));
    // The first sink cuts both connections, and drops its own last
    // reference held by the test, during the first event.
    quitter->OnEvent([&](DISPID) {
        if (quitterCookie) point->Unadvise(std::exchange(quitterCookie, 0));
        if (bystanderCookie) point->Unadvise(std::exchange(bystanderCookie, 0));
    });
    ASSERT_EQ(S_OK, Method(probe, dispidFire, {I4(1)}).hr);
    // The event in flight still reached the bystander; the next one did not.
    EXPECT_EQ(1u, bystander->Count(eventReported));
    EXPECT_EQ(1u, quitter->Count(eventReported));
    EXPECT_EQ(0u, quitter->Count(eventPlain));
    EXPECT_EQ(0u, bystander->Count(eventPlain));
    EXPECT_EQ(1, quitter->RefCount());
    EXPECT_EQ(1, bystander->RefCount());
    quitter->Release();
    bystander->Release();
}

TEST_F(ProbeEvents, FiringOnAnotherThreadWhileSinksComeAndGo) {
    RecordingSink* steady = RecordingSink::Create(DIID_ProbeEvents);
    Connection connection(probe, DIID_ProbeEvents, steady);
    std::atomic<bool> done{false};
    std::thread firer([&] {
        for (int i = 0; i < 300; ++i)
            Method(probe, dispidFire, {I4(i)});
        done = true;
    });
    int rounds = 0;
    while (!done) {
        RecordingSink* transient = RecordingSink::Create(DIID_ProbeEvents);
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, point->Advise(transient, &cookie));
        EXPECT_EQ(S_OK, point->Unadvise(cookie));
        transient->Release();
        ++rounds;
    }
    firer.join();
    EXPECT_GT(rounds, 0);
    EXPECT_EQ(300u, steady->Count(eventReported));
    EXPECT_EQ(300u, steady->Count(eventPlain));
    connection.Disconnect();
    steady->Release();
}

TEST_F(ProbeEvents, TheControlReleasesSinksStillConnectedWhenItGoes) {
    RecordingSink* sink = RecordingSink::Create(DIID_ProbeEvents);
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(sink, &cookie));
    point->Release();
    point = nullptr;
    EXPECT_EQ(2, sink->RefCount());
    EXPECT_EQ(0u, std::exchange(probe, nullptr)->Release());
    EXPECT_EQ(1, sink->RefCount());
    sink->Release();
}

} // namespace
