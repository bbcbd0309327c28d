// Object identity, reference counts, the class factory and the module's
// object and lock counts, as a container meets them.
#include "ComTestSupport.h"
#include "ProbeControl.h"

#include <gtest/gtest.h>

namespace {

class ProbeFactory : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_EQ(S_OK, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory,
                                             reinterpret_cast<void**>(&factory)));
    }
    void TearDown() override {
        if (factory) factory->Release();
        EXPECT_EQ(0, CProbeCtrl::LiveCount());
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow());
        CoUninitialize();
    }
    IDispatch* Create() {
        IDispatch* control = nullptr;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch,
                                                reinterpret_cast<void**>(&control)));
        return control;
    }
    IClassFactory* factory = nullptr;
};

TEST_F(ProbeFactory, ClassObjectLookupFollowsComRules) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, AfxDllGetClassObject(DIID_Probe, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory, nullptr));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, AfxDllGetClassObject(CLSID_Probe, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK,
              AfxDllGetClassObject(CLSID_Probe, IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(factory), unknown);
    unknown->Release();
}

TEST_F(ProbeFactory, CreateInstanceRefusesAggregationAndBadArguments) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, CProbeCtrl::LiveCount()); // the refused object did not survive
}

TEST_F(ProbeFactory, QueryInterfaceKeepsOneIdentity) {
    IDispatch* control = Create();
    ASSERT_NE(nullptr, control);
    IUnknown* fromDispatch = nullptr;
    IConnectionPointContainer* container = nullptr;
    IProvideClassInfo2* classInfo = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromDispatch)));
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(&container)));
    ASSERT_EQ(S_OK, container->QueryInterface(IID_IProvideClassInfo2,
                                              reinterpret_cast<void**>(&classInfo)));
    // Symmetric, transitive and reflexive, with one IUnknown throughout.
    IUnknown* fromContainer = nullptr;
    IUnknown* fromClassInfo = nullptr;
    IDispatch* back = nullptr;
    ASSERT_EQ(S_OK,
              container->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromContainer)));
    ASSERT_EQ(S_OK,
              classInfo->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromClassInfo)));
    ASSERT_EQ(S_OK, classInfo->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&back)));
    EXPECT_EQ(fromDispatch, fromContainer);
    EXPECT_EQ(fromDispatch, fromClassInfo);
    EXPECT_EQ(control, back);
    IDispatch* self = nullptr;
    ASSERT_EQ(S_OK, back->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&self)));
    EXPECT_EQ(control, self);
    // The dispinterface's IID reaches the same IDispatch.
    IDispatch* viaDiid = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(DIID_Probe, reinterpret_cast<void**>(&viaDiid)));
    EXPECT_EQ(control, viaDiid);
    // Unsupported interfaces and null out-pointers.
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, control->QueryInterface(IID_IClassFactory, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, control->QueryInterface(IID_IUnknown, nullptr));
    for (IUnknown* p :
         {static_cast<IUnknown*>(viaDiid), static_cast<IUnknown*>(self),
          static_cast<IUnknown*>(back), fromClassInfo, fromContainer,
          static_cast<IUnknown*>(classInfo), static_cast<IUnknown*>(container), fromDispatch})
        p->Release();
    EXPECT_EQ(1, CProbeCtrl::LiveCount());
    EXPECT_EQ(0u, control->Release());
}

TEST_F(ProbeFactory, ReferenceCountsDecideTheObjectsLife) {
    IDispatch* control = Create();
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(2u, control->AddRef());
    EXPECT_EQ(1u, control->Release());
    // A connection point's references count on the control.
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(&container)));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_ProbeEvents, &point));
    container->Release();
    control->Release();
    EXPECT_EQ(1, CProbeCtrl::LiveCount());
    IUnknown* pointIdentity = nullptr;
    ASSERT_EQ(S_OK, point->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pointIdentity)));
    EXPECT_EQ(static_cast<IUnknown*>(point), pointIdentity);
    pointIdentity->Release();
    point->Release();
    EXPECT_EQ(0, CProbeCtrl::LiveCount());
}

TEST_F(ProbeFactory, ObjectsLocksAndHeldFactoriesKeepTheModuleLoaded) {
    EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow()); // the fixture holds the factory
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(S_OK, AfxDllCanUnloadNow());

    ASSERT_EQ(S_OK, AfxDllGetClassObject(CLSID_Probe, IID_IClassFactory,
                                         reinterpret_cast<void**>(&factory)));
    IDispatch* control = Create();
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow()); // object and lock
    control->Release();
    EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow()); // lock
    EXPECT_EQ(1, AfxOleGetLockCount());
    AfxOleLockServer(FALSE);
    EXPECT_EQ(S_OK, AfxDllCanUnloadNow());
    // An unlock without a lock does not push the count below zero.
    AfxOleLockServer(FALSE);
    EXPECT_EQ(0, AfxOleGetLockCount());
    AfxOleLockServer(TRUE);
    EXPECT_EQ(S_FALSE, AfxDllCanUnloadNow());
    AfxOleLockServer(FALSE);
}

TEST(ModuleState, ManageStateSwitchesAndRestores) {
    AFX_MODULE_STATE* own = AfxGetStaticModuleState();
    EXPECT_EQ(GetModuleHandleA(nullptr), AfxGetInstanceHandle());
    AFX_MODULE_STATE other = {reinterpret_cast<HINSTANCE>(0x1000), nullptr, nullptr, 0, 0};
    {
        AFX_MANAGE_STATE(&other);
        EXPECT_EQ(&other, AfxGetModuleState());
        EXPECT_EQ(reinterpret_cast<HINSTANCE>(0x1000), AfxGetInstanceHandle());
        {
            AFX_MANAGE_STATE(own);
            EXPECT_EQ(own, AfxGetModuleState());
        }
        EXPECT_EQ(&other, AfxGetModuleState());
    }
    EXPECT_EQ(own, AfxGetModuleState());
}

} // namespace
