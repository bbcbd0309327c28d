// What a container asks of the control besides its members: type and class
// information, the events' IID, the members still to come, the about box,
// and the module's own bookkeeping.
#include "ControlTestSupport.h"

#include <olectl.h>

using namespace hxtest;

namespace {

using Container = ControlTest;

TEST_F(Container, TypeInformationDescribesTheDispatchInterface) {
    UINT count = 0;
    ASSERT_EQ(S_OK, control->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(DISP_E_BADINDEX, control->GetTypeInfo(1, 0, &info));
    EXPECT_EQ(nullptr, info);
    ASSERT_EQ(S_OK, control->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIO, attr->guid));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    info->ReleaseTypeAttr(attr);
    // Its names lead to the same DISPIDs as the control's own lookup.
    for (const wchar_t* name : {L"GetInBit", L"SetOutDWORD", L"Image", L"AboutBox"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        MEMBERID fromTypeInfo = DISPID_UNKNOWN;
        ASSERT_EQ(S_OK, info->GetIDsOfNames(names, 1, &fromTypeInfo));
        EXPECT_EQ(fromTypeInfo, IdOfName(control, name));
    }
    // A second request is served from the same cached library.
    ITypeInfo* again = nullptr;
    ASSERT_EQ(S_OK, control->GetTypeInfo(0, LOCALE_USER_DEFAULT, &again));
    ITypeLib* first = nullptr;
    ITypeLib* second = nullptr;
    UINT index = 0;
    info->GetContainingTypeLib(&first, &index);
    again->GetContainingTypeLib(&second, &index);
    EXPECT_EQ(first, second);
    first->Release();
    second->Release();
    again->Release();
    info->Release();
}

TEST_F(Container, ClassInfoNamesTheCoclassAndItsDefaultSource) {
    IProvideClassInfo2* provider = nullptr;
    ASSERT_EQ(S_OK,
              control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&provider)));
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, provider->GetClassInfo(&coclass));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(CLSID_HXdigIO, attr->guid));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();

    GUID source = GUID_NULL;
    ASSERT_EQ(S_OK, provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(DIID__DHXdigIOEvents, source));
    EXPECT_EQ(E_INVALIDARG, provider->GetGUID(2, &source));
    EXPECT_EQ(E_POINTER, provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr));
    EXPECT_EQ(E_POINTER, provider->GetClassInfo(nullptr));
    provider->Release();
}

TEST_F(Container, MembersOfTheWorkersAreNotServedYet) {
    for (DISPID id : {9, 10, 11, 14, 15, 16, 17, 18, 19, 20, 21}) {
        const CallResult r = Method(control, id, {I8(0)});
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, r.hr) << id;
    }
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Method(control, 0).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Method(control, 22).hr);
    EXPECT_EQ(idGetInBit, IdOfName(control, L"getinbit"));
    EXPECT_EQ(idImage, IdOfName(control, L"IMAGE"));
    EXPECT_EQ(DISPID_ABOUTBOX, IdOfName(control, L"AboutBox"));
    EXPECT_EQ(DISPID_UNKNOWN, IdOfName(control, L"GetInBits"));
    EXPECT_TRUE(sink->Events().empty());
}

TEST_F(Container, AboutBoxRunsModallyAndReturnsWhenClosed) {
    ModalBoxWatcher about("About Harlow Digital I/O Control");
    const CallResult r = Method(control, DISPID_ABOUTBOX);
    // The call has returned: the box was closed by the watcher.
    const std::vector<std::string> closed = about.Stop();
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_EMPTY, r.value.v.vt);
    ASSERT_EQ(1u, closed.size());
    EXPECT_EQ(0u, closed[0].find("Harlow Digital I/O Control")) << closed[0];
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, DISPID_ABOUTBOX, {I4(1)}).hr);
}

TEST_F(Container, TheModuleStaysLoadedWhileControlsOrLocksRemain) {
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    IDispatch* second = nullptr;
    ASSERT_EQ(S_OK, module->CreateControl(&second));
    EXPECT_NE(control, second);
    EXPECT_EQ(0u, second->Release());
    auto* getClassObject =
        module->Export<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject");
    ASSERT_NE(nullptr, getClassObject);
    IClassFactory* factory = nullptr;
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(DIID__DHXdigIO, IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    ASSERT_EQ(S_OK,
              getClassObject(CLSID_HXdigIO, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &none));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    connection.reset();
    EXPECT_EQ(0u, std::exchange(control, nullptr)->Release());
    EXPECT_EQ(S_FALSE, module->CanUnloadNow()); // the lock
    ASSERT_EQ(S_OK,
              getClassObject(CLSID_HXdigIO, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_OK, module->CanUnloadNow());
}

} // namespace
