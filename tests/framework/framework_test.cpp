// The framework through a small probe control, for what the real control
// does not show: identity, the member types and errors it does not use
// (BSTR, R8, I2, I8 events, write-only, raised errors), connection points,
// events on other threads and an object's end. Factories, module counts,
// registration and odd argument VARIANTs are proven on the real control.
#include "AfxCtl.h"
#include "AfxEnum.h"
#include "ComTestSupport.h"

#include <gtest/gtest.h>

using namespace hxtest;

namespace {

constexpr GUID CLSID_Probe = {0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0, 0x6a, 0, 1}};
constexpr IID DIID_Probe = {0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0, 0x6a, 0, 2}};
constexpr IID DIID_ProbeEvents = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0, 0x6a, 0, 3}};

// Count (read-only) counts the writes of Secret (write-only).
enum ProbeDispId : DISPID { idCount = 1, idSecret, idEcho, idScale, idFail, idFire };
enum ProbeEventId : DISPID { evReported = 1, evPlain };

class CProbeCtrl : public COleControl {
    DECLARE_OLECREATE_EX(CProbeCtrl)
    DECLARE_DISPATCH_MAP()

public:
    CProbeCtrl() { InitializeIIDs(&DIID_Probe, &DIID_ProbeEvents); }

protected:
    long GetCount() { return m_count; }
    void SetSecret(long) { ++m_count; }
    BSTR Echo(BSTR text) { return SysAllocStringLen(text, SysStringLen(text)); }
    double Scale(double x, short by, BOOL negate) { return (negate ? -x : x) * by; }
    void Fail(long code) { ThrowError(static_cast<SCODE>(code), "probe failure"); }
    // Fires Reported(value, "reported", value << 32, Continue) and Plain();
    // returns Continue as the sinks left it.
    BOOL Fire(long value) {
        BOOL keepGoing = TRUE;
        FireEvent(evReported, VTS_I4 VTS_BSTR VTS_I8 VTS_PBOOL, value, "reported",
                  static_cast<LONGLONG>(value) << 32, &keepGoing);
        FireEvent(evPlain, VTS_NONE);
        return keepGoing;
    }

private:
    long m_count = 0;
};

IMPLEMENT_OLECREATE_EX(CProbeCtrl, "HXFramework.Probe.1", CLSID_Probe)

BOOL CProbeCtrl::CProbeCtrlFactory::UpdateRegistry(BOOL) {
    return TRUE; // never registered
}

BEGIN_DISPATCH_MAP(CProbeCtrl, COleControl)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Count", idCount, GetCount, SetNotSupported, VT_I4)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Secret", idSecret, GetNotSupported, SetSecret, VT_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Echo", idEcho, Echo, VT_BSTR, VTS_BSTR)
DISP_FUNCTION_ID(CProbeCtrl, "Scale", idScale, Scale, VT_R8, VTS_R8 VTS_I2 VTS_BOOL)
DISP_FUNCTION_ID(CProbeCtrl, "Fail", idFail, Fail, VT_EMPTY, VTS_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Fire", idFire, Fire, VT_BOOL, VTS_I4)
END_DISPATCH_MAP()

template <class T> T* Query(IUnknown* from, REFIID iid) {
    T* out = nullptr;
    EXPECT_EQ(S_OK, from->QueryInterface(iid, reinterpret_cast<void**>(&out)));
    return out;
}

class Probe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_TRUE(probe = Create());
        ASSERT_TRUE(point = PointOf(probe));
    }
    void TearDown() override {
        if (point) point->Release();
        EXPECT_EQ(0u, probe ? probe->Release() : 0u);
        EXPECT_EQ(0, AfxOleGetObjectCount()) << "objects left";
        CoUninitialize();
    }
    static IDispatch* Create() {
        IClassFactory* factory = nullptr;
        IDispatch* created = nullptr;
        if (SUCCEEDED(AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory)))) {
            factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&created));
            factory->Release();
        }
        return created;
    }
    static IConnectionPoint* PointOf(IUnknown* object) {
        auto* container = Query<IConnectionPointContainer>(object, IID_IConnectionPointContainer);
        IConnectionPoint* found = nullptr;
        if (container) container->FindConnectionPoint(DIID_ProbeEvents, &found);
        if (container) container->Release();
        return found;
    }
    IDispatch* probe = nullptr;
    IConnectionPoint* point = nullptr;
};

TEST_F(Probe, OneIdentityWhicheverInterfaceItIsAskedFrom) {
    auto* unknown = Query<IUnknown>(probe, IID_IUnknown);
    auto* classInfo = Query<IProvideClassInfo2>(probe, IID_IProvideClassInfo2);
    auto* viaClassInfo = Query<IUnknown>(classInfo, IID_IUnknown);
    auto* viaDiid = Query<IDispatch>(classInfo, DIID_Probe);   // the dispinterface's IID
    auto* pointUnknown = Query<IUnknown>(point, IID_IUnknown); // an object of its own
    EXPECT_EQ(unknown, viaClassInfo);
    EXPECT_EQ(probe, viaDiid);
    EXPECT_EQ(static_cast<IUnknown*>(point), pointUnknown);
    void* out = this;
    EXPECT_EQ(E_NOINTERFACE, probe->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(8u, probe->AddRef()); // the fixture's, its point's, 5 queried, this one
    for (IUnknown* p : {static_cast<IUnknown*>(probe), unknown, static_cast<IUnknown*>(classInfo),
                        viaClassInfo, static_cast<IUnknown*>(viaDiid), pointUnknown})
        p->Release();
}

TEST_F(Probe, MembersOfEveryTypeAreCalledAndBadCallsGetTheStandardErrors) {
    EXPECT_EQ(idScale, IdOfName(probe, L"sCALE"));
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"echo"), const_cast<LPOLESTR>(L"text")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, probe->GetIDsOfNames(IID_NULL, names, 2, 0, ids));
    EXPECT_EQ(idEcho, ids[0]); // parameter names are not known
    EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, probe->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids));
    const CallResult scaled = Method(probe, idScale, {Str(L"1.5"), R8(2.0), I4(1)});
    EXPECT_EQ(VT_R8, scaled.value.v.vt);
    EXPECT_DOUBLE_EQ(-3.0, scaled.value.v.dblVal);
    EXPECT_EQ(DISP_E_OVERFLOW, Method(probe, idScale, {I4(1), I4(40000), I4(0)}).hr);
    EXPECT_STREQ(L"h\u00e9", Method(probe, idEcho, {Str(L"h\u00e9")}).value.v.bstrVal);
    EXPECT_STREQ(L"12", Method(probe, idEcho, {I4(12)}).value.v.bstrVal);

    VARIANT arg = I4(1).v;
    DISPID named = 0;
    DISPPARAMS params = {&arg, &named, 1, 1};
    auto call = [&](DISPID id, WORD flags, REFIID riid = IID_NULL) {
        return probe->Invoke(id, riid, 0, flags, &params, nullptr, nullptr, nullptr);
    };
    EXPECT_EQ(DISP_E_NONAMEDARGS, call(idEcho, DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_NONAMEDARGS, call(idSecret, DISPATCH_PROPERTYPUT)); // not DISPID_PROPERTYPUT
    named = DISPID_PROPERTYPUT; // without EXCEPINFO the code itself comes back
    EXPECT_EQ(CTL_E_SETNOTSUPPORTED, call(idCount, DISPATCH_PROPERTYPUT));
    params.cNamedArgs = 0;
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, call(idSecret, DISPATCH_PROPERTYPUT));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, call(idEcho, DISPATCH_METHOD, IID_IDispatch));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, call(idEcho, 0));
    EXPECT_EQ(S_OK, call(idEcho, DISPATCH_METHOD)); // without a result VARIANT
    params.cNamedArgs = 2;
    EXPECT_EQ(E_INVALIDARG, call(idEcho, DISPATCH_METHOD)); // more named than given
    EXPECT_EQ(E_INVALIDARG, probe->Invoke(idEcho, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                          nullptr, nullptr));

    EXPECT_EQ(CTL_E_GETNOTSUPPORTED, Get(probe, idSecret).excepScode);
    EXPECT_EQ(S_OK, Put(probe, idSecret, I4(1)).hr);
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

TEST_F(Probe, ConnectionPointsAdviseAndEnumerateWithReferencesOfTheirOwn) {
    auto* container = Query<IConnectionPointContainer>(probe, IID_IConnectionPointContainer);
    IConnectionPoint* found = point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(DIID_Probe, &found));
    EXPECT_EQ(nullptr, found);
    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    container->Release();
    ULONG n = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, &found, &n));
    ASSERT_EQ(1u, n);
    EXPECT_EQ(point, found);
    found->Release();
    points->Release();

    // Events go through IDispatch: a sink must answer it or the event IID.
    auto* typed = new RecordingSink(DIID_ProbeEvents, true, false);
    auto* plain = new RecordingSink(DIID_ProbeEvents, false, true);
    auto* neither = new RecordingSink(DIID_ProbeEvents, false, false);
    DWORD first = 0, second = 0, refused = 9;
    EXPECT_EQ(S_OK, point->Advise(typed, &first));
    EXPECT_EQ(S_OK, point->Advise(plain, &second));
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(neither, &refused));
    EXPECT_EQ(0u, refused);
    EXPECT_NE(first, second);
    IEnumConnections *connections = nullptr, *clone = nullptr;
    ASSERT_EQ(S_OK, point->EnumConnections(&connections));
    ASSERT_EQ(S_OK, connections->Clone(&clone));
    connections->Release();
    CONNECTDATA data[3] = {};
    EXPECT_EQ(S_FALSE, clone->Next(3, data, &n));
    ASSERT_EQ(2u, n);
    EXPECT_EQ(first, data[0].dwCookie);
    EXPECT_EQ(second, data[1].dwCookie);
    EXPECT_EQ(4, typed->RefCount()); // ours, the connection's, the clone's, the fetched copy
    data[0].pUnk->Release();
    data[1].pUnk->Release();
    EXPECT_EQ(S_OK, point->Unadvise(first));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(first));
    clone->Release();
    EXPECT_EQ(1, typed->RefCount());
    EXPECT_EQ(S_OK, point->Unadvise(second));
    for (RecordingSink* sink : {typed, plain, neither})
        sink->Release();
}

// Copies that fail half-way: the third item cannot be taken.
struct FailingCopy : afx::CopyConnectData {
    static void Copy(CONNECTDATA& to, const CONNECTDATA& from) {
        if (from.dwCookie == 3) throw std::bad_alloc();
        afx::CopyConnectData::Copy(to, from);
    }
};

TEST_F(Probe, AnEnumeratorThatCannotBeBuiltKeepsNoReference) {
    auto* sink = new RecordingSink(DIID_ProbeEvents);
    IEnumConnections* made = nullptr;
    EXPECT_EQ(E_OUTOFMEMORY,
              (CAfxEnum<IEnumConnections, &IID_IEnumConnections, CONNECTDATA, FailingCopy>::Create(
                  {{sink, 1}, {sink, 2}, {sink, 3}}, 0, &made)));
    EXPECT_EQ(1, sink->RefCount());
    sink->Release();
}

TEST_F(Probe, EventsReachEverySinkTypedAndASinkMayDisconnectDuringOne) {
    auto* first = new RecordingSink(DIID_ProbeEvents);
    auto* second = new RecordingSink(DIID_ProbeEvents);
    DWORD cookies[2] = {};
    ASSERT_EQ(S_OK, point->Advise(first, &cookies[0]));
    ASSERT_EQ(S_OK, point->Advise(second, &cookies[1]));
    first->continueAnswer = 0; // by reference: the second sink and the caller see it
    EXPECT_EQ(VARIANT_FALSE, Method(probe, idFire, {I4(7)}).value.v.boolVal);
    for (RecordingSink* sink : {first, second}) {
        const auto events = sink->Events();
        ASSERT_EQ(2u, events.size());
        ASSERT_EQ(4u, events[0].args.size());
        EXPECT_EQ(evReported, events[0].dispid);
        EXPECT_EQ(7, events[0].args[0].v.lVal);
        EXPECT_STREQ(L"reported", events[0].args[1].v.bstrVal);
        EXPECT_EQ(VT_I8, events[0].args[2].v.vt);
        EXPECT_EQ(7LL << 32, events[0].args[2].v.llVal);
        EXPECT_EQ(evPlain, events[1].dispid);
        EXPECT_TRUE(events[1].args.empty());
    }
    EXPECT_EQ(VARIANT_FALSE, second->Events()[0].args[3].v.boolVal);

    first->onEvent = [&](DISPID) {
        for (DWORD& cookie : cookies)
            if (cookie) point->Unadvise(std::exchange(cookie, 0));
    };
    ASSERT_EQ(S_OK, Method(probe, idFire, {I4(1)}).hr);
    // The event in flight still reached the second sink; the next did not.
    EXPECT_EQ(2u, second->Count(evReported));
    EXPECT_EQ(1u, second->Count(evPlain));
    EXPECT_EQ(1, first->RefCount());
    EXPECT_EQ(1, second->RefCount());
    first->Release();
    second->Release();
}

TEST_F(Probe, EventsFireOnAnotherThreadWhileSinksComeAndGo) {
    auto* steady = new RecordingSink(DIID_ProbeEvents);
    auto* passing = new RecordingSink(DIID_ProbeEvents);
    Connection connection(probe, DIID_ProbeEvents, steady);
    std::atomic<bool> done{false};
    std::thread firer([&] {
        for (int i = 0; i < 300; ++i)
            Method(probe, idFire, {I4(i)});
        done = true;
    });
    for (DWORD cookie = 0; !done;) {
        EXPECT_EQ(S_OK, point->Advise(passing, &cookie));
        EXPECT_EQ(S_OK, point->Unadvise(cookie));
    }
    firer.join();
    EXPECT_EQ(300u, steady->Count(evReported));
    connection.Disconnect();
    EXPECT_EQ(1, passing->RefCount());
    steady->Release();
    passing->Release();
}

// A sink that touches the control from its destructor, as a script engine's
// sink may when the control's connection point lets it go.
struct TouchingSink : RecordingSink {
    IDispatch* control;
    int& destroyed;
    TouchingSink(IDispatch* c, int& d)
        : RecordingSink(DIID_ProbeEvents), control(c), destroyed(d) {}
    ~TouchingSink() override {
        IUnknown* unknown = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))))
            unknown->Release();
        ++destroyed;
    }
};

TEST_F(Probe, AControlGoesOnceEvenWhenASinkTouchesItWhileItIsDestroyed) {
    IDispatch* another = Create();
    IConnectionPoint* anotherPoint = PointOf(another);
    int destroyed = 0;
    auto* sink = new TouchingSink(another, destroyed);
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, anotherPoint->Advise(sink, &cookie));
    anotherPoint->Release();
    sink->Release(); // the connection holds the last reference
    const LONG objects = AfxOleGetObjectCount();
    EXPECT_EQ(0u, another->Release());
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(objects - 1, AfxOleGetObjectCount());
}

} // namespace
