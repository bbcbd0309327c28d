// What a container asks besides the members: the module's factory and its
// unload answer, type and class information, the members still to come and
// the about box.
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
    EXPECT_EQ(S_FALSE, module->CanUnloadNow()); // the control
    connection.reset();
    EXPECT_EQ(0u, std::exchange(control, nullptr)->Release());
    EXPECT_EQ(S_OK, module->CanUnloadNow());
    void* out = this;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              module->GetClassObject(DIID__DHXdigIO, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_NOINTERFACE, module->GetClassObject(CLSID_HXdigIO, IID_IDispatch, &out));
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, module->GetClassObject(CLSID_HXdigIO, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_FALSE, module->CanUnloadNow()); // a held factory
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &out));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE)); // unbalanced: ignored
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    EXPECT_EQ(S_FALSE, module->CanUnloadNow()); // a lock
    ASSERT_EQ(S_OK, module->GetClassObject(CLSID_HXdigIO, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_OK, module->CanUnloadNow()); // the refused control went too
}

TEST_F(Container, TypeAndClassInformationComeFromTheTypeLibrary) {
    UINT count = 0;
    ITypeInfo* info = nullptr;
    EXPECT_EQ(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(DISP_E_BADINDEX, control->GetTypeInfo(1, 0, &info));
    ASSERT_EQ(S_OK, control->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIO, GuidOf(info)));
    EXPECT_EQ(idSetOutDWORD, IdOfName(control, L"setoutdword"));

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

TEST_F(Container, TheWorkersMembersAreNotServedYet) {
    for (DISPID id : {9, 10, 11, 14, 15, 16, 17, 18, 19, 20, 21, 0, 22})
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Method(control, id, {I8(0)}).hr) << id;
    EXPECT_EQ(DISPID_ABOUTBOX, IdOfName(control, L"aboutbox"));
    EXPECT_EQ(DISPID_UNKNOWN, IdOfName(control, L"BitListenerCreate"));
}

TEST_F(Container, AboutBoxRunsModallyUntilItIsClosed) {
    ModalBoxWatcher about("About Harlow Digital I/O Control");
    EXPECT_EQ(S_OK, Method(control, DISPID_ABOUTBOX).hr);
    const std::vector<std::string> closed = about.Stop(); // the call returned: the box was closed
    ASSERT_EQ(1u, closed.size());
    EXPECT_EQ(0u, closed[0].find("Harlow Digital I/O Control|")) << closed[0];
}

} // namespace
