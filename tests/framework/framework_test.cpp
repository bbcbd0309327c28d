// The framework's event firing where the real control cannot take it yet:
// several sinks sharing a by-reference flag, a sink that disconnects during
// an event, events fired on another thread while sinks come and go, and an
// enumerator that cannot be built. What a container meets is proven on the
// real control.
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
constexpr DISPID idFire = 1;
enum ProbeEventId : DISPID { evReported = 1, evPlain };

// Fire(value) fires Reported(value << 32, Continue), then Plain(), and
// answers Continue as the sinks left it.
class CProbeCtrl : public COleControl {
    DECLARE_OLECREATE_EX(CProbeCtrl)
    DECLARE_DISPATCH_MAP()

public:
    CProbeCtrl() { InitializeIIDs(&DIID_Probe, &DIID_ProbeEvents); }

protected:
    BOOL Fire(long value) {
        BOOL keepGoing = TRUE;
        FireEvent(evReported, VTS_I8 VTS_PBOOL, static_cast<LONGLONG>(value) << 32, &keepGoing);
        FireEvent(evPlain, VTS_NONE);
        return keepGoing;
    }
};

IMPLEMENT_OLECREATE_EX(CProbeCtrl, "HXFramework.Probe.1", CLSID_Probe)

BOOL CProbeCtrl::CProbeCtrlFactory::UpdateRegistry(BOOL) {
    return TRUE; // never registered
}

BEGIN_DISPATCH_MAP(CProbeCtrl, COleControl)
DISP_FUNCTION_ID(CProbeCtrl, "Fire", idFire, Fire, VT_BOOL, VTS_I4)
END_DISPATCH_MAP()

class Probe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)));
        factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&probe));
        factory->Release();
        ASSERT_TRUE(probe && (point = PointOf(probe, DIID_ProbeEvents)));
    }
    void TearDown() override {
        if (point) point->Release();
        EXPECT_EQ(0u, probe ? probe->Release() : 0u);
        EXPECT_EQ(0, AfxOleGetObjectCount()) << "objects left";
        CoUninitialize();
    }
    IDispatch* probe = nullptr;
    IConnectionPoint* point = nullptr;
};

TEST_F(Probe, EverySinkSeesOneFlagAndASinkMayDisconnectDuringAnEvent) {
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
        ASSERT_EQ(2u, events[0].args.size());
        EXPECT_EQ(VT_I8, events[0].args[0].v.vt);
        EXPECT_EQ(7LL << 32, events[0].args[0].v.llVal);
        EXPECT_EQ(VARIANT_FALSE, events[0].args[1].v.boolVal);
        EXPECT_EQ(evPlain, events[1].dispid);
    }

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
    DWORD steadyCookie = 0;
    ASSERT_EQ(S_OK, point->Advise(steady, &steadyCookie));
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
    EXPECT_EQ(S_OK, point->Unadvise(steadyCookie));
    EXPECT_EQ(300u, steady->Count(evReported));
    EXPECT_EQ(1, steady->RefCount());
    EXPECT_EQ(1, passing->RefCount());
    steady->Release();
    passing->Release();
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

} // namespace
