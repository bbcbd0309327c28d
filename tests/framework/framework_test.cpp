// The framework through a small probe control, as a container meets it:
// identity, factory and module counts, dispatch from the table (the types
// and errors the real control does not show) and connection points. The
// registration helpers are proven on the real control (control_host_tests).
#include "ComTestSupport.h"
#include "AfxEnum.h"
#include "ProbeControl.h"

#include <gtest/gtest.h>

using namespace hxtest;

namespace {

template <class T> T* Query(IUnknown* from, REFIID iid) {
    T* out = nullptr;
    EXPECT_EQ(S_OK, from->QueryInterface(iid, reinterpret_cast<void**>(&out)));
    return out;
}

class Probe : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_EQ(S_OK, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory, Out(&factory)));
        probe = Create();
        auto* container = Query<IConnectionPointContainer>(probe, IID_IConnectionPointContainer);
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_ProbeEvents, &point));
        container->Release();
    }
    void TearDown() override {
        point->Release();
        EXPECT_EQ(0u, probe->Release());
        factory->Release();
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow()); // no object, no lock left
        CoUninitialize();
    }
    template <class T> static void** Out(T** p) { return reinterpret_cast<void**>(p); }
    IDispatch* Create() {
        IDispatch* created = nullptr;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, Out(&created)));
        return created;
    }
    IClassFactory* factory = nullptr;
    IDispatch* probe = nullptr;
    IConnectionPoint* point = nullptr;
};

TEST_F(Probe, FactoryIdentityAndModuleCountsFollowComRules) {
    void* out = this;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, AfxDllGetClassObject(DIID_Probe, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_NOINTERFACE, AfxDllGetClassObject(CLSID_Probe, IID_IDispatch, &out));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(probe, IID_IUnknown, &out));
    const LONG objects = AfxOleGetObjectCount();
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(objects, AfxOleGetObjectCount()); // the refused object is gone again

    // One IUnknown whichever interface it is asked from; the dispinterface's
    // IID gives the IDispatch; a connection point is an object of its own.
    auto* unknown = Query<IUnknown>(probe, IID_IUnknown);
    auto* classInfo = Query<IProvideClassInfo2>(probe, IID_IProvideClassInfo2);
    auto* viaClassInfo = Query<IUnknown>(classInfo, IID_IUnknown);
    auto* viaDiid = Query<IDispatch>(classInfo, DIID_Probe);
    auto* pointUnknown = Query<IUnknown>(point, IID_IUnknown);
    EXPECT_EQ(unknown, viaClassInfo);
    EXPECT_EQ(probe, viaDiid);
    EXPECT_EQ(static_cast<IUnknown*>(point), pointUnknown);
    EXPECT_EQ(E_NOINTERFACE, probe->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, probe->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(8u, probe->AddRef()); // the fixture's, its point's, 5 queried, this one
    for (IUnknown* p : {static_cast<IUnknown*>(probe), unknown, static_cast<IUnknown*>(classInfo),
                        viaClassInfo, static_cast<IUnknown*>(viaDiid), pointUnknown})
        p->Release();

    EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow()); // an object and a held factory
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(1, AfxOleGetLockCount());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE)); // unbalanced: the count stays at 0
    EXPECT_EQ(0, AfxOleGetLockCount());
}

TEST_F(Probe, NamesAreFoundWithoutRegardToCaseAndArgumentsAreCoerced) {
    EXPECT_EQ(idScale, IdOfName(probe, L"sCALE"));
    EXPECT_EQ(DISPID_UNKNOWN, IdOfName(probe, L"Scal"));
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"echo"), const_cast<LPOLESTR>(L"text")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, probe->GetIDsOfNames(IID_NULL, names, 2, 0, ids));
    EXPECT_EQ(idEcho, ids[0]); // parameter names are not known
    EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, probe->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids));
    EXPECT_EQ(E_INVALIDARG, probe->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr));

    CallResult r = Method(probe, idScale, {Str(L"1.5"), R8(2.0), I4(1)});
    EXPECT_EQ(VT_R8, r.value.v.vt);
    EXPECT_DOUBLE_EQ(-3.0, r.value.v.dblVal);
    short factor = 3; // by reference, directly and through a VARIANT
    Var inner = Bool(false), byRef(VT_I2 | VT_BYREF, 0), viaVariant(VT_VARIANT | VT_BYREF, 0);
    byRef.v.piVal = &factor;
    viaVariant.v.pvarVal = &inner.v;
    EXPECT_DOUBLE_EQ(6.0, Method(probe, idScale, {I4(2), byRef, viaVariant}).value.v.dblVal);
    byRef.v.vt = viaVariant.v.vt = VT_EMPTY;
    EXPECT_STREQ(L"h\u00e9", Method(probe, idEcho, {Str(L"h\u00e9")}).value.v.bstrVal);
    EXPECT_STREQ(L"12", Method(probe, idEcho, {I4(12)}).value.v.bstrVal);
}

TEST_F(Probe, BadCallsGetTheStandardErrors) {
    struct Case {
        std::vector<Var> args;
        HRESULT hr;
        UINT argErr; // index in rgvarg: the last argument is 0
    } const cases[] = {
        {{Str(L"x"), I4(1), I4(0)}, DISP_E_TYPEMISMATCH, 2},
        {{I4(1), I4(40000), I4(0)}, DISP_E_OVERFLOW, 1},
        {{I4(1), I4(1), Var(0x7F, 0)}, DISP_E_BADVARTYPE, 0},
        {{I4(1), Var(VT_ERROR, DISP_E_PARAMNOTFOUND), I4(0)}, DISP_E_PARAMNOTOPTIONAL, 1},
        {{I4(1), I4(1), Var(VT_I4 | VT_BYREF, 0)}, E_INVALIDARG, 0},
        {{Var(VT_DISPATCH, 0), I4(1), I4(0)}, DISP_E_TYPEMISMATCH, 2},
    };
    for (const Case& c : cases) {
        const CallResult r = Method(probe, idScale, c.args);
        EXPECT_EQ(c.hr, r.hr);
        EXPECT_EQ(c.argErr, r.argErr);
    }
    VARIANT arg = I4(1).v;
    DISPID named = 0;
    DISPPARAMS params = {&arg, &named, 1, 1};
    auto call = [&](DISPID id, WORD flags, REFIID riid = IID_NULL) {
        return probe->Invoke(id, riid, 0, flags, &params, nullptr, nullptr, nullptr);
    };
    EXPECT_EQ(DISP_E_NONAMEDARGS, call(idEcho, DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_NONAMEDARGS, call(idSecret, DISPATCH_PROPERTYPUT)); // not DISPID_PROPERTYPUT
    params.cNamedArgs = 0;
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, call(idSecret, DISPATCH_PROPERTYPUT));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, call(idEcho, DISPATCH_METHOD, IID_IDispatch));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, call(idEcho, 0));
    EXPECT_EQ(S_OK, call(idEcho, DISPATCH_METHOD)); // without a result VARIANT
    params.cNamedArgs = 2;
    EXPECT_EQ(E_INVALIDARG, call(idEcho, DISPATCH_METHOD)); // more named than given
    params.cNamedArgs = 0;
    params.rgvarg = nullptr;
    EXPECT_EQ(E_INVALIDARG, call(idEcho, DISPATCH_METHOD));
    EXPECT_EQ(E_INVALIDARG, probe->Invoke(idEcho, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                          nullptr, nullptr));

    // Write-only and read-only; without EXCEPINFO the code itself comes back.
    EXPECT_EQ(CTL_E_GETNOTSUPPORTED, Get(probe, idSecret).excepScode);
    EXPECT_EQ(S_OK, Put(probe, idSecret, I4(1)).hr);
    params = {&arg, &named, 1, 1};
    named = DISPID_PROPERTYPUT;
    EXPECT_EQ(CTL_E_SETNOTSUPPORTED, call(idCount, DISPATCH_PROPERTYPUT));
    EXPECT_EQ(1, Invoke(probe, idCount, DISPATCH_METHOD | DISPATCH_PROPERTYGET).value.v.lVal);
    EXCEPINFO excep = {};
    arg = I4(static_cast<long>(0x800A0005)).v;
    params.cNamedArgs = 0;
    EXPECT_EQ(DISP_E_EXCEPTION, probe->Invoke(idFail, IID_NULL, 0, DISPATCH_METHOD, &params,
                                              nullptr, &excep, nullptr));
    EXPECT_EQ(static_cast<SCODE>(0x800A0005), excep.scode);
    EXPECT_STREQ(L"probe failure", excep.bstrDescription);
    SysFreeString(excep.bstrDescription);
    UINT count = 5; // no type library behind the probe
    ITypeInfo* info = nullptr;
    EXPECT_EQ(S_OK, probe->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(DISP_E_BADINDEX, probe->GetTypeInfo(0, 0, &info));
}

TEST_F(Probe, ConnectionPointsAdviseAndEnumerate) {
    auto* container = Query<IConnectionPointContainer>(probe, IID_IConnectionPointContainer);
    IConnectionPoint* found = point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(DIID_Probe, &found));
    EXPECT_EQ(nullptr, found);
    IEnumConnectionPoints* points = nullptr;
    IEnumConnectionPoints* clone = nullptr;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    IConnectionPoint* fetched[2] = {};
    ULONG n = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, fetched, &n));
    ASSERT_EQ(1u, n);
    EXPECT_EQ(point, fetched[0]);
    fetched[0]->Release();
    EXPECT_EQ(S_FALSE, points->Skip(1));
    EXPECT_EQ(S_OK, points->Reset());
    ASSERT_EQ(S_OK, points->Clone(&clone));
    EXPECT_EQ(S_OK, clone->Next(1, fetched, nullptr));
    fetched[0]->Release();
    clone->Release();
    points->Release();
    IID iid = GUID_NULL;
    EXPECT_EQ(S_OK, point->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(DIID_ProbeEvents, iid));
    container->Release();

    auto* typed = new RecordingSink(DIID_ProbeEvents, true, false);
    auto* plain = new RecordingSink(DIID_ProbeEvents, false, true);
    auto* neither = new RecordingSink(DIID_ProbeEvents, false, false);
    DWORD first = 0, second = 0, refused = 9;
    EXPECT_EQ(S_OK, point->Advise(typed, &first));
    EXPECT_EQ(S_OK, point->Advise(plain, &second));
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(neither, &refused));
    EXPECT_EQ(0u, refused);
    EXPECT_EQ(E_POINTER, point->Advise(nullptr, &refused));
    EXPECT_NE(first, second);
    IEnumConnections* connections = nullptr;
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    CONNECTDATA data[3] = {};
    EXPECT_EQ(S_FALSE, connections->Next(3, data, &n));
    ASSERT_EQ(2u, n);
    EXPECT_EQ(first, data[0].dwCookie);
    EXPECT_EQ(second, data[1].dwCookie);
    EXPECT_EQ(4, typed->RefCount()); // ours, the connection's, the enumerator's, the fetched copy
    data[0].pUnk->Release();
    data[1].pUnk->Release();
    EXPECT_EQ(S_OK, point->Unadvise(first));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(first));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(0));
    connections->Release();
    EXPECT_EQ(1, typed->RefCount());
    // A sink still connected when its control goes is released by it.
    EXPECT_EQ(S_OK, point->Unadvise(second));
    IDispatch* another = Create();
    Connection connection(another, DIID_ProbeEvents, plain);
    EXPECT_EQ(0u, another->Release() - 1); // the connection's point holds the last one
    EXPECT_EQ(2, plain->RefCount());
    connection.Disconnect();
    EXPECT_EQ(1, plain->RefCount());
    for (RecordingSink* sink : {typed, plain, neither})
        sink->Release();
}

TEST_F(Probe, EventsReachEverySinkWithTypedArgumentsAndContinueComesBack) {
    auto* first = new RecordingSink(DIID_ProbeEvents);
    auto* second = new RecordingSink(DIID_ProbeEvents);
    {
        Connection a(probe, DIID_ProbeEvents, first), b(probe, DIID_ProbeEvents, second);
        EXPECT_EQ(VARIANT_TRUE, Method(probe, idFire, {I4(7)}).value.v.boolVal);
        for (RecordingSink* sink : {first, second}) {
            const auto events = sink->Events();
            ASSERT_EQ(2u, events.size());
            ASSERT_EQ(4u, events[0].args.size());
            EXPECT_EQ(evReported, events[0].dispid);
            EXPECT_EQ(7, events[0].args[0].v.lVal);
            EXPECT_STREQ(L"reported", events[0].args[1].v.bstrVal);
            EXPECT_EQ(VT_I8, events[0].args[2].v.vt);
            EXPECT_EQ(7LL << 32, events[0].args[2].v.llVal);
            EXPECT_EQ(VARIANT_TRUE, events[0].args[3].v.boolVal); // by reference, preset TRUE
            EXPECT_EQ(evPlain, events[1].dispid);
            EXPECT_TRUE(events[1].args.empty());
        }
        // The second sink sees what the first left; the caller reads the last.
        first->continueAnswer = 0;
        EXPECT_EQ(VARIANT_FALSE, Method(probe, idFire, {I4(8)}).value.v.boolVal);
        EXPECT_EQ(VARIANT_FALSE, second->Events()[2].args[3].v.boolVal);
        second->continueAnswer = 1;
        EXPECT_EQ(VARIANT_TRUE, Method(probe, idFire, {I4(9)}).value.v.boolVal);
    }
    EXPECT_EQ(1, first->RefCount());
    first->Release();
    second->Release();
}

TEST_F(Probe, SinksMayDisconnectDuringAnEventAndEventsMayFireOnOtherThreads) {
    auto* quitter = new RecordingSink(DIID_ProbeEvents);
    auto* bystander = new RecordingSink(DIID_ProbeEvents);
    DWORD cookies[2] = {};
    ASSERT_EQ(S_OK, point->Advise(quitter, &cookies[0]));
    ASSERT_EQ(S_OK, point->Advise(bystander, &cookies[1]));
    quitter->onEvent = [&](DISPID) {
        for (DWORD& cookie : cookies)
            if (cookie) point->Unadvise(std::exchange(cookie, 0));
    };
    ASSERT_EQ(S_OK, Method(probe, idFire, {I4(1)}).hr);
    // The event in flight still reached the bystander; the next did not.
    EXPECT_EQ(1u, bystander->Count(evReported));
    EXPECT_EQ(0u, bystander->Count(evPlain) + quitter->Count(evPlain));
    EXPECT_EQ(1, quitter->RefCount());

    Connection steady(probe, DIID_ProbeEvents, bystander);
    std::atomic<bool> done{false};
    std::thread firer([&] {
        for (int i = 0; i < 300; ++i)
            Method(probe, idFire, {I4(i)});
        done = true;
    });
    for (DWORD cookie = 0; !done;) {
        EXPECT_EQ(S_OK, point->Advise(quitter, &cookie));
        EXPECT_EQ(S_OK, point->Unadvise(cookie));
    }
    firer.join();
    EXPECT_EQ(301u, bystander->Count(evReported));
    steady.Disconnect();
    EXPECT_EQ(1, quitter->RefCount());
    quitter->Release();
    bystander->Release();
}

// A sink that touches the control from its destructor, as a script engine's
// sink may when the control's connection point lets it go.
struct TouchingSink : RecordingSink {
    IDispatch* control = nullptr;
    int* destroyed = nullptr;
    TouchingSink() : RecordingSink(DIID_ProbeEvents) {}
    ~TouchingSink() override {
        IUnknown* unknown = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))))
            unknown->Release();
        ++*destroyed;
    }
};

TEST_F(Probe, ASinkTouchingTheControlWhileItIsDestroyedDoesNotDestroyItTwice) {
    IDispatch* another = Create();
    int destroyed = 0;
    auto* sink = new TouchingSink;
    sink->control = another;
    sink->destroyed = &destroyed;
    auto* container = Query<IConnectionPointContainer>(another, IID_IConnectionPointContainer);
    IConnectionPoint* anotherPoint = nullptr;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_ProbeEvents, &anotherPoint));
    container->Release();
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, anotherPoint->Advise(sink, &cookie));
    anotherPoint->Release();
    sink->Release(); // the connection holds the last reference
    const LONG objects = AfxOleGetObjectCount();
    EXPECT_EQ(0u, another->Release());
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(objects - 1, AfxOleGetObjectCount());
}

// Copies that fail half-way: the third item cannot be taken.
struct FailingCopy {
    static void Copy(CONNECTDATA& to, const CONNECTDATA& from) {
        if (from.dwCookie == 3) throw std::bad_alloc();
        afx::CopyConnectData::Copy(to, from);
    }
    static void Destroy(CONNECTDATA& item) { afx::CopyConnectData::Destroy(item); }
};

TEST_F(Probe, AnEnumeratorThatCannotBeBuiltKeepsNoReference) {
    auto* sink = new RecordingSink(DIID_ProbeEvents);
    const std::vector<CONNECTDATA> items = {{sink, 1}, {sink, 2}, {sink, 3}};
    IEnumConnections* made = nullptr;
    EXPECT_EQ(E_OUTOFMEMORY,
              (CAfxEnum<IEnumConnections, &IID_IEnumConnections, CONNECTDATA, FailingCopy>::Create(
                  items, 0, &made)));
    EXPECT_EQ(1, sink->RefCount());
    sink->Release();
}

} // namespace
