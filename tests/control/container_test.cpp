// What a container meets besides the members: the module's factory and its
// unload answer, type and class information, sinks that come and go while
// events fire from another thread, a sink's last release and the about box.
#include "ControlTestSupport.h"
#include "hx/typelib_owners.h"

using namespace hxtest;

namespace {

using Container = ControlTest;

GUID GuidOf(const hx::com_ptr<ITypeInfo>& info) {
    hx::unique_typeattr attr;
    if (!info || FAILED(info->GetTypeAttr(attr.put(info.get())))) return GUID_NULL;
    return attr->guid;
}

TEST_F(Container, TheModuleStaysWhileAControlAFactoryOrALockIsAlive) {
    EXPECT_EQ(S_FALSE, module.Call("DllCanUnloadNow")); // the control
    ReleaseControl();
    EXPECT_EQ(S_OK, module.Call("DllCanUnloadNow"));
    void* out = this;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              module.GetClassObject(DIID__DHXdigIO, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    hx::com_ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, module.GetClassObject(CLSID_HXdigIO, IID_IClassFactory, factory.put_void()));
    EXPECT_EQ(S_FALSE, module.Call("DllCanUnloadNow")); // a held factory
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.get(), IID_IUnknown, &out));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE)); // unbalanced: ignored
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory.reset();
    EXPECT_EQ(S_FALSE, module.Call("DllCanUnloadNow")); // a lock
    ASSERT_EQ(S_OK, module.GetClassObject(CLSID_HXdigIO, IID_IClassFactory, factory.put_void()));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory.reset();
    EXPECT_EQ(S_OK, module.Call("DllCanUnloadNow")); // the refused control went too
}

TEST_F(Container, TypeAndClassInformationComeFromTheTypeLibrary) {
    hx::com_ptr<ITypeInfo> info;
    EXPECT_EQ(DISP_E_BADINDEX, control->GetTypeInfo(1, 0, info.put()));
    ASSERT_EQ(S_OK, control->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIO, GuidOf(info)));
    const auto provider = control.query<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_TRUE(provider);
    ASSERT_EQ(S_OK, provider->GetClassInfo(info.put()));
    EXPECT_TRUE(IsEqualGUID(CLSID_HXdigIO, GuidOf(info)));
    GUID source = GUID_NULL;
    EXPECT_EQ(S_OK, provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIOEvents, source));
}

// Events fired on another thread, as the workers fire them when they fire
// directly, while one sink comes and goes on this thread and another leaves
// during the first event it is handed.
TEST_F(Container, SinksComeAndGoWhileEventsFireOnAnotherThread) {
    const auto passing = MakeSink(DIID__DHXdigIOEvents);
    const auto leaving = MakeSink(DIID__DHXdigIOEvents);
    DWORD leavingCookie = 0;
    ASSERT_EQ(S_OK, point->Advise(leaving.get(), &leavingCookie));
    leaving->onEvent = [&](const FiredEvent&) { point->Unadvise(leavingCookie); };
    std::atomic<bool> done{false};
    std::thread firer([&] {
        for (int i = 0; i < 300; ++i)
            Method(control, idGetInBit, {I4(-1)});
        done = true;
    });
    for (DWORD passingCookie = 0; !done;) {
        EXPECT_EQ(S_OK, point->Advise(passing.get(), &passingCookie));
        EXPECT_EQ(S_OK, point->Unadvise(passingCookie));
    }
    firer.join();
    EXPECT_EQ(300u, sink->Count(evHXKError));
    EXPECT_EQ(1u, leaving->Count(evHXKError));
    EXPECT_EQ(1, passing->RefCount()); // only ours: the control let go of both
    EXPECT_EQ(1, leaving->RefCount());
}

// A sink that touches the control from its destructor, as a script engine's
// sink may when the control lets it go.
struct TouchingSink : RecordingSink {
    IDispatch* control; // not a reference: the control owns this sink
    int& destroyed;
    TouchingSink(IDispatch* c, int& d)
        : RecordingSink(DIID__DHXdigIOEvents), control(c), destroyed(d) {}
    ~TouchingSink() override {
        hx::com_ptr<IDispatch> touch(control); // takes and drops a reference
        ++destroyed;
    }
};

TEST_F(Container, AControlGoesOnceEvenWhenASinkTouchesItWhileItIsDestroyed) {
    int destroyed = 0;
    DWORD touchingCookie = 0;
    {
        const auto touching = MakeSink<TouchingSink>(control.get(), destroyed);
        ASSERT_EQ(S_OK, point->Advise(touching.get(), &touchingCookie));
    } // the connection holds the last reference
    ReleaseControl();
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(S_OK, module.Call("DllCanUnloadNow")); // counted out once
}

TEST_F(Container, AboutBoxRunsModallyUntilItIsClosed) {
    ModalBoxWatcher about("About Harlow Digital I/O Control");
    EXPECT_EQ(S_OK, Method(control, DISPID_ABOUTBOX).hr);
    const std::vector<std::string> closed = about.Stop(); // the call returned: the box was closed
    ASSERT_EQ(1u, closed.size());
    EXPECT_EQ(0u, closed[0].find("Harlow Digital I/O Control|")) << closed[0];
}

} // namespace
