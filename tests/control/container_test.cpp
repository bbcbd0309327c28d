// What a container meets besides the members: the module's factory and its
// unload answer, type and class information, events to several sinks and
// from another thread, a sink's last release and the about box.
#include "ControlTestSupport.h"

using namespace hxtest;

namespace {

using Container = ControlTest;

GUID GuidOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (!info || FAILED(info->GetTypeAttr(&attr))) return GUID_NULL;
    const GUID guid = attr->guid;
    info->ReleaseTypeAttr(attr);
    info->Release();
    return guid;
}

TEST_F(Container, TheModuleStaysWhileAControlAFactoryOrALockIsAlive) {
    EXPECT_EQ(S_FALSE, module->Call("DllCanUnloadNow")); // the control
    ReleaseControl();
    EXPECT_EQ(S_OK, module->Call("DllCanUnloadNow"));
    void* out = this;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              module->GetClassObject(DIID__DHXdigIO, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_NOINTERFACE, module->GetClassObject(CLSID_HXdigIO, IID_IDispatch, &out));
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, module->GetClassObject(CLSID_HXdigIO, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_FALSE, module->Call("DllCanUnloadNow")); // a held factory
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &out));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE)); // unbalanced: ignored
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    EXPECT_EQ(S_FALSE, module->Call("DllCanUnloadNow")); // a lock
    ASSERT_EQ(S_OK, module->GetClassObject(CLSID_HXdigIO, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_OK, module->Call("DllCanUnloadNow")); // the refused control went too
}

TEST_F(Container, TypeAndClassInformationComeFromTheTypeLibrary) {
    UINT count = 0;
    ITypeInfo* info = nullptr;
    EXPECT_EQ(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(DISP_E_BADINDEX, control->GetTypeInfo(1, 0, &info));
    ASSERT_EQ(S_OK, control->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIO, GuidOf(info)));
    IProvideClassInfo2* provider = nullptr;
    ASSERT_EQ(S_OK,
              control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&provider)));
    ASSERT_EQ(S_OK, provider->GetClassInfo(&info));
    EXPECT_TRUE(IsEqualGUID(CLSID_HXdigIO, GuidOf(info)));
    GUID source = GUID_NULL;
    EXPECT_EQ(S_OK, provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIOEvents, source));
    EXPECT_EQ(E_INVALIDARG, provider->GetGUID(2, &source));
    provider->Release();
}

TEST_F(Container, SinksShareOneContinueAndMayLeaveDuringAnEvent) {
    auto* second = new RecordingSink(DIID__DHXdigIOEvents);
    IConnectionPoint* events = PointOf(control, DIID__DHXdigIOEvents);
    DWORD secondCookie = 0;
    ASSERT_EQ(S_OK, events->Advise(second, &secondCookie));
    sink->continueAnswer = 0; // by reference: the second sink sees it, and no box follows
    SimImage plain(1, 1, false), faulty(2, 2);
    ASSERT_EQ(S_OK, Bind(plain.Handle()));
    ASSERT_EQ(1u, second->Events().size());
    EXPECT_EQ(VARIANT_FALSE, second->Events()[0].args.at(2).v.boolVal);

    sink->onEvent = [&](DISPID) {
        for (DWORD* c : {&cookie, &secondCookie})
            if (*c) events->Unadvise(std::exchange(*c, 0));
    };
    HXKSimSetFault(faulty.image, HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    ASSERT_EQ(S_OK, Bind(faulty.Handle()));
    // The error in flight still reached the second sink; ImageUpdated did not.
    EXPECT_EQ(2u, second->Count(evHXKError));
    EXPECT_EQ(0u, second->Count(evImageUpdated));
    events->Release();
    EXPECT_EQ(1, second->RefCount());
    second->Release();
}

// Events fired on another thread, as the workers fire them when they fire
// directly, while sinks come and go on this one.
TEST_F(Container, EventsFiredOnAnotherThreadReachSinksThatComeAndGo) {
    auto* passing = new RecordingSink(DIID__DHXdigIOEvents);
    std::atomic<bool> done{false};
    std::thread firer([&] {
        for (int i = 0; i < 300; ++i)
            Method(control, idGetInBit, {I4(-1)});
        done = true;
    });
    for (DWORD passingCookie = 0; !done;) {
        EXPECT_EQ(S_OK, point->Advise(passing, &passingCookie));
        EXPECT_EQ(S_OK, point->Unadvise(passingCookie));
    }
    firer.join();
    EXPECT_EQ(300u, sink->Count(evHXKError));
    EXPECT_EQ(1, passing->RefCount());
    passing->Release();
}

// A sink that touches the control from its destructor, as a script engine's
// sink may when the control lets it go.
struct TouchingSink : RecordingSink {
    IDispatch* control;
    int& destroyed;
    TouchingSink(IDispatch* c, int& d)
        : RecordingSink(DIID__DHXdigIOEvents), control(c), destroyed(d) {}
    ~TouchingSink() override {
        IUnknown* unknown = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))))
            unknown->Release();
        ++destroyed;
    }
};

TEST_F(Container, AControlGoesOnceEvenWhenASinkTouchesItWhileItIsDestroyed) {
    ReleaseControl();
    ASSERT_EQ(S_OK, module->CreateControl(&control));
    int destroyed = 0;
    auto* touching = new TouchingSink(control, destroyed);
    IConnectionPoint* point = PointOf(control, DIID__DHXdigIOEvents);
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(touching, &cookie));
    point->Release();
    touching->Release(); // the connection holds the last reference
    EXPECT_EQ(0u, std::exchange(control, nullptr)->Release());
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(S_OK, module->Call("DllCanUnloadNow")); // counted out once
}

TEST_F(Container, AboutBoxRunsModallyUntilItIsClosed) {
    ModalBoxWatcher about("About Harlow Digital I/O Control");
    EXPECT_EQ(S_OK, Method(control, DISPID_ABOUTBOX).hr);
    const std::vector<std::string> closed = about.Stop(); // the call returned: the box was closed
    ASSERT_EQ(1u, closed.size());
    EXPECT_EQ(0u, closed[0].find("Harlow Digital I/O Control|")) << closed[0];
}

} // namespace
