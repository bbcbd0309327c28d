// COleControl in a container: a small control of the suite's own, built on
// the framework alone, placed on a test form. Activation and the window,
// reflection with and without the container's help, verbs from the message
// table, ambient properties, size, drawing, persistence in its three media
// and the stream format's refusals, and what misbehaving containers get.
#include "AfxCtl.h"
#include "ComTestSupport.h"
#include "OleTestContainer.h"
#include "StreamBytes.h"
#include "TestPropertyBag.h"
#include "hx/win32_owners.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace hxtest;

namespace {

// {5d1c0a3e-7b7e-4c55-9a0e-3f6a1c2b9d01} and its neighbours: the suite's own.
const IID IID_DTestCtrl = {
    0x5d1c0a3e, 0x7b7e, 0x4c55, {0x9a, 0x0e, 0x3f, 0x6a, 0x1c, 0x2b, 0x9d, 0x01}};
const IID IID_DTestCtrlEvents = {
    0x5d1c0a3e, 0x7b7e, 0x4c55, {0x9a, 0x0e, 0x3f, 0x6a, 0x1c, 0x2b, 0x9d, 0x02}};
const CLSID kTestPageClsid = {
    0x5d1c0a3e, 0x7b7e, 0x4c55, {0x9a, 0x0e, 0x3f, 0x6a, 0x1c, 0x2b, 0x9d, 0x03}};

// String resources of olecontrol_test.rc.
constexpr UINT IDS_TEST_TYPE = 1;
constexpr UINT IDS_VERB_GREET = 2;
constexpr DWORD kTestMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

class CTestCtrl : public COleControl {
    DECLARE_OLECTLTYPE(CTestCtrl)
    DECLARE_PROPPAGEIDS(CTestCtrl)
    DECLARE_MESSAGE_MAP()

public:
    CTestCtrl() { InitializeIIDs(&IID_DTestCtrl, &IID_DTestCtrlEvents); }
    void FireCount() { FireEvent(1, VTS_I4, count); }

    long count = 0;                // persisted as "Count", 7 by default
    std::vector<std::string> seen; // draws, reflected commands, verbs

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override {
        cs.lpszClass = "BUTTON";
        return COleControl::PreCreateWindow(cs);
    }
    void OnDraw(HDC hdc, const RECT& rcBounds, const RECT&) override {
        seen.push_back("draw " + std::to_string(rcBounds.left) + "," +
                       std::to_string(rcBounds.top) + "," + std::to_string(rcBounds.right) + "," +
                       std::to_string(rcBounds.bottom));
        SetMapMode(hdc, MM_LOMETRIC); // the caller gets its device context back as it was
        FillRect(hdc, &rcBounds, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    void DoPropExchange(CPropExchange* pPX) override {
        ExchangeVersion(pPX, MAKELONG(0, 2));
        COleControl::DoPropExchange(pPX);
        PX_Long(pPX, "Count", count, 7);
    }
    LRESULT OnReflectedCommand(WPARAM wParam, LPARAM) {
        seen.push_back("OCM_COMMAND " + std::to_string(HIWORD(wParam)));
        return 0;
    }
    HRESULT OnGreet(LPMSG, HWND, LPCRECT) {
        seen.push_back("greet");
        return S_OK;
    }
};

IMPLEMENT_OLECTLTYPE(CTestCtrl, IDS_TEST_TYPE, kTestMiscStatus)

BEGIN_PROPPAGEIDS(CTestCtrl, 1)
PROPPAGEID(kTestPageClsid)
END_PROPPAGEIDS(CTestCtrl)

BEGIN_MESSAGE_MAP(CTestCtrl, COleControl)
ON_MESSAGE(OCM_COMMAND, OnReflectedCommand)
ON_OLEVERB(AFX_IDS_VERB_EDIT, OnEdit)
ON_OLEVERB(IDS_VERB_GREET, OnGreet)
ON_OLEVERB(AFX_IDS_VERB_PROPERTIES, OnProperties)
END_MESSAGE_MAP()

SIZEL Himetric(int cx, int cy) {
    return {MulDiv(cx, 2540, 96), MulDiv(cy, 2540, 96)};
}

RECT RectInForm(HWND window, HWND form) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<LONG> Values(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// A sink for IPropertyNotifySink that counts what it is told.
class NotifySink : public hxtest::ComObject<IPropertyNotifySink> {
public:
    NotifySink() : ComObject(IID_IPropertyNotifySink) {}
    std::vector<DISPID> changed;
    STDMETHOD(OnChanged)(DISPID dispid) override {
        changed.push_back(dispid);
        return S_OK;
    }
    STDMETHOD(OnRequestEdit)(DISPID) override { return S_OK; }
};

// The set's checksum, for data the tests corrupt behind it.
DWORD Fnv1a(const BYTE* data, size_t size) {
    DWORD hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}
void Reseal(std::vector<BYTE>& bytes) {
    const DWORD sum = Fnv1a(bytes.data() + 16, bytes.size() - 16);
    std::memcpy(bytes.data() + 12, &sum, 4);
}

class OleControl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ctrl = MakeControl(unknown);
    }
    void TearDown() override {
        container.Remove();
        EXPECT_EQ(nullptr, FindDescendant(container.site->form, "HxOleControlReflector"));
        EXPECT_EQ(nullptr, FindDescendant(container.site->form, "Button"));
        unknown.reset();
        fresh.reset();
        EXPECT_EQ(1, container.site->RefCount()); // the control let its site go
        EXPECT_EQ(S_OK, AfxDllCanUnloadNow());
        CoUninitialize();
    }
    static CTestCtrl* MakeControl(hx::com_ptr<IUnknown>& owner) {
        auto* made = new CTestCtrl;
        made->InternalQueryInterface(IID_IUnknown, owner.put_void());
        return made;
    }
    template <class I> hx::com_ptr<I> As(REFIID iid) { return unknown.query<I>(iid); }
    template <class I> hx::com_ptr<I> FreshAs(REFIID iid) {
        if (!fresh) freshCtrl = MakeControl(fresh);
        return fresh.query<I>(iid);
    }

    TestContainer container;
    hx::com_ptr<IUnknown> unknown;
    CTestCtrl* ctrl = nullptr; // valid while `unknown` holds it
    hx::com_ptr<IUnknown> fresh;
    CTestCtrl* freshCtrl = nullptr;
};

// ---- Activation and the window ----

TEST_F(OleControl, ActivationMakesTheWindowInTheSiteAndClosingTakesItAway) {
    ASSERT_EQ(S_OK, container.Place(unknown.get()));
    const HWND window = ctrl->GetSafeHwnd();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ("Button", ClassNameOf(window));
    EXPECT_TRUE(IsChild(container.site->form, window));
    EXPECT_EQ(Values(container.site->rcPos), Values(RectInForm(window, container.site->form)));
    EXPECT_EQ(std::vector<std::string>{"OnInPlaceActivate"}, container.site->log);
    EXPECT_EQ("draw 0,0,100,50", ctrl->seen.at(0)); // painted through OnDraw

    ASSERT_EQ(S_OK, container.control->DoVerb(OLEIVERB_UIACTIVATE, nullptr, container.site.get(), 0,
                                              container.site->form, &container.site->rcPos));
    EXPECT_EQ(window, GetFocus());
    ASSERT_EQ(S_OK, container.inPlace->UIDeactivate());
    ctrl->SetModifiedFlag(TRUE);
    ASSERT_EQ(S_OK, container.control->Close(OLECLOSE_SAVEIFDIRTY));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, ctrl->GetSafeHwnd());
    ASSERT_EQ(S_OK, container.control->Close(OLECLOSE_SAVEIFDIRTY)); // twice: nothing more
    EXPECT_EQ(
        (std::vector<std::string>{"OnInPlaceActivate", "OnUIActivate", "SetActiveObject",
                                  "SetActiveObject(null)", "OnUIDeactivate", "OnInPlaceDeactivate",
                                  "SaveObject", "OnClose", "SaveObject", "OnClose"}),
        container.site->log);
    HWND none = window;
    EXPECT_EQ(E_FAIL, container.inPlace->GetWindow(&none));
    EXPECT_EQ(nullptr, none);
}

TEST_F(OleControl, ASiteTakenAwayWhileActiveTakesTheWindowWithIt) {
    ASSERT_EQ(S_OK, container.Place(unknown.get()));
    const HWND window = ctrl->GetSafeHwnd();
    ASSERT_EQ(S_OK, container.control->SetClientSite(nullptr));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1u, container.site->Count("OnInPlaceDeactivate"));
    // Without a site the control cannot be activated again.
    EXPECT_EQ(E_UNEXPECTED,
              container.control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0,
                                        container.site->form, &container.site->rcPos));
    EXPECT_EQ(S_OK,
              container.control->DoVerb(OLEIVERB_HIDE, nullptr, nullptr, 0, nullptr, nullptr));
}

// The control's WM_COMMAND reaches its table as OCM_COMMAND whether the
// container reflects it (MessageReflect TRUE) or the reflector does.
class Reflection : public OleControl, public ::testing::WithParamInterface<bool> {};

TEST_P(Reflection, TheControlHearsItsOwnCommandsOnceEitherWay) {
    const bool containerReflects = GetParam();
    container.site->reflect = containerReflects;
    container.site->ambients[DISPID_AMBIENT_MESSAGEREFLECT] =
        Var(VT_BOOL, containerReflects ? VARIANT_TRUE : VARIANT_FALSE);
    ASSERT_EQ(S_OK, container.Place(unknown.get()));
    const HWND window = ctrl->GetSafeHwnd();
    HWND outer = nullptr;
    ASSERT_EQ(S_OK, container.inPlace->GetWindow(&outer));
    if (containerReflects) {
        EXPECT_EQ(window, outer);
    } else {
        EXPECT_EQ("HxOleControlReflector", ClassNameOf(outer));
        EXPECT_EQ(outer, GetParent(window));
        EXPECT_EQ(Values(container.site->rcPos), Values(RectInForm(outer, container.site->form)));
    }
    EXPECT_EQ(container.site->form, GetParent(outer));

    ctrl->seen.clear();
    SendMessageA(window, BM_CLICK, 0, 0);
    EXPECT_EQ(std::vector<std::string>{"OCM_COMMAND 0"}, ctrl->seen); // BN_CLICKED
    EXPECT_EQ(containerReflects ? 1u : 0u, container.site->Count("WM_COMMAND"));

    // What the container sees goes and comes with the control's window.
    ShowWindow(window, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(outer));
    ShowWindow(window, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(outer));
}

INSTANTIATE_TEST_SUITE_P(Containers, Reflection, ::testing::Bool(), [](const auto& info) {
    return info.param ? "Reflecting" : "NotReflecting";
});

// ---- Size ----

TEST_F(OleControl, SetControlSizeAsksTheSiteAndMovesItselfWhenTheSiteDoesNot) {
    ASSERT_EQ(S_OK, container.Place(unknown.get()));
    const HWND window = ctrl->GetSafeHwnd();
    const RECT start = container.site->rcPos;
    struct Case {
        bool honour;
        int cx, cy;
    };
    for (const Case c : {Case{true, 40, 20}, Case{false, 60, 30}}) {
        container.site->honourPosRectChange = c.honour;
        ASSERT_TRUE(ctrl->SetControlSize(c.cx, c.cy));
        const std::string asked =
            "OnPosRectChange " + std::to_string(c.cx) + "x" + std::to_string(c.cy);
        EXPECT_EQ(asked, container.site->log.back());
        EXPECT_EQ((std::vector<LONG>{start.left, start.top, start.left + c.cx, start.top + c.cy}),
                  Values(RectInForm(window, container.site->form)));
        SIZEL extent = {};
        ASSERT_EQ(S_OK, container.control->GetExtent(DVASPECT_CONTENT, &extent));
        EXPECT_EQ(Himetric(c.cx, c.cy).cx, extent.cx);
        EXPECT_EQ(Himetric(c.cx, c.cy).cy, extent.cy);
    }
    const size_t asked = container.site->log.size();
    EXPECT_TRUE(ctrl->SetControlSize(60, 30)); // already so: the site is not bothered
    EXPECT_FALSE(ctrl->SetControlSize(0, 30));
    EXPECT_EQ(asked, container.site->log.size());
}

TEST_F(OleControl, ExtentsOfNoSizeOrTheWrongAspectAreRefused) {
    SIZEL before = {};
    const auto object = As<IOleObject>(IID_IOleObject);
    ASSERT_EQ(S_OK, object->GetExtent(DVASPECT_CONTENT, &before));
    EXPECT_EQ(Himetric(100, 50).cx, before.cx); // the framework's initial size
    for (SIZEL bad : {SIZEL{0, 10}, SIZEL{10, 0}, SIZEL{-5, 10}, SIZEL{10, -1}})
        EXPECT_EQ(E_INVALIDARG, object->SetExtent(DVASPECT_CONTENT, &bad));
    SIZEL good = {500, 400};
    EXPECT_EQ(DV_E_DVASPECT, object->SetExtent(DVASPECT_ICON, &good));
    EXPECT_EQ(E_POINTER, object->SetExtent(DVASPECT_CONTENT, nullptr));
    EXPECT_EQ(DV_E_DVASPECT, object->GetExtent(DVASPECT_THUMBNAIL, &good));
    SIZEL after = {};
    ASSERT_EQ(S_OK, object->GetExtent(DVASPECT_CONTENT, &after));
    EXPECT_EQ(before.cx, after.cx);
    EXPECT_EQ(before.cy, after.cy);
    EXPECT_EQ(S_FALSE, As<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty());
}

// ---- Verbs, type, status, pages ----

TEST_F(OleControl, VerbsComeFromTheMessageTableInItsOrder) {
    hx::com_ptr<IEnumOLEVERB> verbs;
    const auto object = As<IOleObject>(IID_IOleObject);
    ASSERT_EQ(S_OK, object->EnumVerbs(verbs.put()));
    std::vector<std::string> listed;
    OLEVERB verb = {};
    while (verbs->Next(1, &verb, nullptr) == S_OK) {
        listed.push_back(std::to_string(verb.lVerb) + " " + Narrow(verb.lpszVerbName) + " " +
                         std::to_string(verb.grfAttribs));
        CoTaskMemFree(verb.lpszVerbName);
    }
    EXPECT_EQ((std::vector<std::string>{"0 &Edit 2", "1 &Greet 2", "2 &Properties... 2"}), listed);

    ASSERT_EQ(S_OK, container.Place(unknown.get()));
    const auto call = [&](LONG number) {
        return object->DoVerb(number, nullptr, container.site.get(), 0, container.site->form,
                              &container.site->rcPos);
    };
    ctrl->seen.clear();
    EXPECT_EQ(S_OK, call(1));
    EXPECT_EQ(std::vector<std::string>{"greet"}, ctrl->seen);
    EXPECT_EQ(OLEOBJ_S_INVALIDVERB, call(9)); // carried out as the primary verb: Edit
    EXPECT_EQ(1u, container.site->Count("OnUIActivate"));
    EXPECT_EQ(E_NOTIMPL, call(OLEIVERB_OPEN));
    EXPECT_EQ(E_NOTIMPL, call(-99));
    container.site->ownPropertyFrame = true; // the container shows the pages itself
    EXPECT_EQ(S_OK, call(2));
    EXPECT_EQ(S_OK, call(OLEIVERB_PROPERTIES));
    EXPECT_EQ(2u, container.site->Count("ShowPropertyFrame"));
    ASSERT_EQ(S_OK, call(OLEIVERB_HIDE));
    EXPECT_FALSE(IsWindowVisible(ctrl->GetSafeHwnd()));
    EXPECT_EQ(1u, container.site->Count("OnUIDeactivate"));
    ASSERT_EQ(S_OK, call(OLEIVERB_SHOW));
    EXPECT_TRUE(IsWindowVisible(ctrl->GetSafeHwnd()));
}

TEST_F(OleControl, TypeNameStatusAndPagesAreTheControlsOwn) {
    const auto object = As<IOleObject>(IID_IOleObject);
    LPOLESTR name = nullptr;
    ASSERT_EQ(S_OK, object->GetUserType(USERCLASSTYPE_FULL, &name));
    EXPECT_EQ("Test Control", Narrow(name));
    CoTaskMemFree(name);
    DWORD status = 0;
    ASSERT_EQ(S_OK, object->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(kTestMiscStatus, status);
    EXPECT_EQ(E_POINTER, object->GetMiscStatus(DVASPECT_CONTENT, nullptr));
    CAUUID pages = {};
    ASSERT_EQ(S_OK, As<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages)->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(kTestPageClsid, pages.pElems[0]));
    CoTaskMemFree(pages.pElems);
    EXPECT_EQ(E_POINTER, As<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages)->GetPages(nullptr));
}

// ---- Ambient properties ----

TEST_F(OleControl, AmbientsAreReadThroughTheSiteAndFallBackToTheDefaults) {
    EXPECT_TRUE(ctrl->AmbientUserMode()); // no site: run mode
    EXPECT_FALSE(ctrl->AmbientMessageReflect());
    struct Case {
        const char* what;
        bool offer;
        bool given;
        Var value;
        BOOL userMode;
    };
    const Case cases[] = {
        {"no IDispatch", false, false, Var(), TRUE},
        {"not answered", true, false, Var(), TRUE},
        {"VT_BOOL FALSE", true, true, Var(VT_BOOL, VARIANT_FALSE), FALSE},
        {"VT_BOOL TRUE", true, true, Var(VT_BOOL, VARIANT_TRUE), TRUE},
        {"VT_I4 0", true, true, I4(0), FALSE},
        {"VT_I4 5", true, true, I4(5), TRUE},
        {"a word", true, true, Str(L"banana"), TRUE},
        {"no object", true, true, Var(VT_UNKNOWN, 0), TRUE},
    };
    const auto object = As<IOleObject>(IID_IOleObject);
    for (const Case& c : cases) {
        container.site->offerAmbients = c.offer;
        container.site->ambients.clear();
        if (c.given) container.site->ambients[DISPID_AMBIENT_USERMODE] = c.value;
        ASSERT_EQ(S_OK, object->SetClientSite(container.site.get()));
        EXPECT_EQ(c.userMode, ctrl->AmbientUserMode()) << c.what;
        ASSERT_EQ(S_OK, object->SetClientSite(nullptr));
    }
}

TEST_F(OleControl, AnAmbientChangeRedrawsTheContainersView) {
    ASSERT_EQ(S_OK, container.Place(unknown.get()));
    const auto control = As<IOleControl>(IID_IOleControl);
    ASSERT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR));
    EXPECT_EQ(0u, container.site->Count("OnViewChange"));
    ASSERT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE));
    EXPECT_EQ(1u, container.site->Count("OnViewChange"));
    ctrl->seen.clear();
    PumpMessages();
    EXPECT_EQ(std::vector<std::string>{"draw 0,0,100,50"}, ctrl->seen); // the window too
    CONTROLINFO info = {};
    info.cb = sizeof info;
    ASSERT_EQ(S_OK, control->GetControlInfo(&info));
    EXPECT_EQ(0, info.cAccel);
}

// ---- Drawing ----

TEST_F(OleControl, DrawHandsOverTheBoundsAndGivesTheDeviceContextBack) {
    const auto view = As<IViewObjectEx>(IID_IViewObjectEx);
    hx::unique_hdc dc(CreateCompatibleDC(nullptr));
    hx::unique_hbitmap bitmap(CreateCompatibleBitmap(dc.get(), 40, 40));
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    const RECTL bounds = {5, 6, 20, 30}, empty = {5, 6, 5, 30};
    EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds,
                               nullptr, nullptr, 0));
    EXPECT_EQ(MM_TEXT, GetMapMode(dc.get()));
    EXPECT_EQ(std::vector<std::string>{"draw 5,6,20,30"}, ctrl->seen);
    EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr,
                                       &bounds, nullptr, nullptr, 0));
    EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(),
                                       nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(),
                                       &empty, nullptr, nullptr, 0));
    EXPECT_EQ(DV_E_DVASPECT, view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc.get(),
                                        &bounds, nullptr, nullptr, 0));
    EXPECT_EQ(1u, ctrl->seen.size()); // nothing drawn for any of them
    SelectObject(dc.get(), old);

    DWORD hit = 0;
    const RECT area = {0, 0, 10, 10};
    EXPECT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &area, POINT{3, 3}, 0, &hit));
    EXPECT_EQ(static_cast<DWORD>(HITRESULT_HIT), hit);
    EXPECT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &area, POINT{30, 3}, 0, &hit));
    EXPECT_EQ(static_cast<DWORD>(HITRESULT_OUTSIDE), hit);
}

// ---- Persistence ----

TEST_F(OleControl, AStreamHoldsVersionExtentAndPropertiesAndEndsWhereItsSetEnds) {
    ctrl->count = 42;
    SIZEL extent = {1000, 500};
    ASSERT_EQ(S_OK, As<IOleObject>(IID_IOleObject)->SetExtent(DVASPECT_CONTENT, &extent));
    const auto persist = As<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(S_OK, persist->IsDirty());
    const hx::com_ptr<IStream> stream = NewStream();
    ASSERT_EQ(S_OK, persist->Save(stream.get(), TRUE));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    ULARGE_INTEGER sizeMax = {};
    ASSERT_EQ(S_OK, persist->GetSizeMax(&sizeMax));
    const std::vector<BYTE> saved = Bytes(stream.get());
    EXPECT_EQ(saved.size(), sizeMax.QuadPart);

    CPropertySet set;
    ASSERT_EQ(S_OK, set.ReadFrom(StreamOf(saved).get()));
    std::vector<std::string> properties;
    for (const CPropertySet::Property& p : set.GetProperties())
        properties.push_back(p.name + " " + std::to_string(p.vt) + " " + std::to_string(p.value));
    EXPECT_EQ((std::vector<std::string>{"_Version 19 131072", "_ExtentX 3 1000", "_ExtentY 3 500",
                                        "Count 3 42"}),
              properties);

    // The container's own data after the control's is not touched.
    std::vector<BYTE> withTail = saved;
    withTail.insert(withTail.end(), {'T', 'A', 'I', 'L'});
    const hx::com_ptr<IStream> shared = StreamOf(withTail);
    const auto notify = hx::com_ptr<NotifySink>::attach(new NotifySink);
    DWORD cookie = 0;
    const auto freshPersist = FreshAs<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_EQ(S_OK, PointOf(fresh.get(), IID_IPropertyNotifySink)->Advise(notify.get(), &cookie));
    ASSERT_EQ(S_OK, freshPersist->Load(shared.get()));
    char tail[5] = {};
    shared->Read(tail, 4, nullptr);
    EXPECT_STREQ("TAIL", tail);
    EXPECT_EQ(42, freshCtrl->count);
    SIZEL loaded = {};
    fresh.query<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
    EXPECT_EQ(1000, loaded.cx);
    EXPECT_EQ(500, loaded.cy);
    EXPECT_EQ(S_FALSE, freshPersist->IsDirty());
    EXPECT_EQ(std::vector<DISPID>{DISPID_UNKNOWN}, notify->changed);
    EXPECT_EQ(S_OK, PointOf(fresh.get(), IID_IPropertyNotifySink)->Unadvise(cookie));
    EXPECT_EQ(1, notify->RefCount());
    ASSERT_EQ(S_OK, freshPersist->InitNew());
    EXPECT_EQ(7, freshCtrl->count); // reset to its default
}

TEST_F(OleControl, DataThatEndsEarlyIsForeignOrMalformedIsRefusedAndTheControlStaysUsable) {
    ctrl->count = 42;
    const hx::com_ptr<IStream> stream = NewStream();
    ASSERT_EQ(S_OK, As<IPersistStreamInit>(IID_IPersistStreamInit)->Save(stream.get(), FALSE));
    const std::vector<BYTE> good = Bytes(stream.get());
    const auto persist = FreshAs<IPersistStreamInit>(IID_IPersistStreamInit);
    freshCtrl->count = 5;

    for (size_t length = 0; length < good.size(); ++length) {
        const std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(length));
        EXPECT_EQ(STG_E_READFAULT, persist->Load(StreamOf(cut).get())) << length << " bytes";
    }
    struct Case {
        const char* what;
        void (*damage)(std::vector<BYTE>&);
        HRESULT expected;
    };
    const Case cases[] = {
        {"another magic", [](std::vector<BYTE>& b) { b[0] = 'Z'; }, STG_E_INVALIDHEADER},
        {"format 2", [](std::vector<BYTE>& b) { b[4] = 2; }, STG_E_INVALIDHEADER},
        {"1 MiB payload", [](std::vector<BYTE>& b) { b[10] = 0x10; }, STG_E_DOCFILECORRUPT},
        {"300 properties", [](std::vector<BYTE>& b) { b[6] = 44, b[7] = 1; }, STG_E_DOCFILECORRUPT},
        {"a changed byte", [](std::vector<BYTE>& b) { b.back() ^= 1; }, STG_E_DOCFILECORRUPT},
        {"one more property than there is", [](std::vector<BYTE>& b) { ++b[6]; },
         STG_E_DOCFILECORRUPT},
        {"one property fewer", [](std::vector<BYTE>& b) { --b[6]; }, STG_E_DOCFILECORRUPT},
        {"a control character in a name",
         [](std::vector<BYTE>& b) {
             b[17] = '\t';
             Reseal(b);
         },
         STG_E_DOCFILECORRUPT},
        {"a string value",
         [](std::vector<BYTE>& b) {
             b[17 + 8] = VT_BSTR; // "_Version"'s type
             Reseal(b);
         },
         STG_E_DOCFILECORRUPT},
        {"a name given twice",
         [](std::vector<BYTE>& b) {
             std::memcpy(&b[17 + 8 + 6 + 1], "_Version", 8); // "_ExtentX" renamed
             Reseal(b);
         },
         STG_E_DOCFILECORRUPT},
        {"text", [](std::vector<BYTE>& b) { b.assign(40, 'x'); }, STG_E_INVALIDHEADER},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> bad = good;
        c.damage(bad);
        EXPECT_EQ(c.expected, persist->Load(StreamOf(bad).get())) << c.what;
    }
    EXPECT_EQ(5, freshCtrl->count); // nothing was taken from any of them
    EXPECT_EQ(E_POINTER, persist->Load(static_cast<IStream*>(nullptr)));
    ASSERT_EQ(S_OK, persist->Load(StreamOf(good).get()));
    EXPECT_EQ(42, freshCtrl->count);
}

TEST_F(OleControl, APropertyBagGetsEveryPropertyAndValuesThatDoNotConvertGetDefaults) {
    ctrl->count = 42;
    const auto bag = hx::com_ptr<TestPropertyBag>::attach(new TestPropertyBag);
    const auto persist = As<IPersistPropertyBag>(IID_IPersistPropertyBag);
    ctrl->SetModifiedFlag(TRUE);
    ASSERT_EQ(S_OK, persist->Save(bag.get(), TRUE, FALSE));
    EXPECT_EQ(S_FALSE, As<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty());
    ASSERT_EQ(4u, bag->values.size());
    EXPECT_EQ(VT_UI4, bag->values[L"_Version"].v.vt);
    EXPECT_EQ(0x20000u, bag->values[L"_Version"].v.ulVal);
    EXPECT_EQ(Himetric(100, 50).cx, bag->values[L"_ExtentX"].v.lVal);
    EXPECT_EQ(42, bag->values[L"Count"].v.lVal);

    const auto freshPersist = FreshAs<IPersistPropertyBag>(IID_IPersistPropertyBag);
    struct Case {
        const char* what;
        Var count;
        long expected;
    };
    const Case cases[] = {{"VT_I4", I4(42), 42},
                          {"text of a number", Str(L"12"), 12},
                          {"a word", Str(L"banana"), 7},
                          {"a real", Var(VT_R8, 0), 0},
                          {"missing", Var(), 7}};
    for (const Case& c : cases) {
        if (c.count.v.vt == VT_EMPTY)
            bag->values.erase(L"Count");
        else
            bag->values[L"Count"] = c.count;
        freshCtrl->count = -1;
        ASSERT_EQ(S_OK, freshPersist->Load(bag.get(), nullptr)) << c.what;
        EXPECT_EQ(c.expected, freshCtrl->count) << c.what;
    }
    // An extent of no size, or one that is not a number, leaves the extent.
    bag->values[L"_ExtentX"] = I4(-5);
    bag->values[L"_ExtentY"] = Str(L"wide");
    SIZEL extent = {700, 300};
    const auto freshObject = fresh.query<IOleObject>(IID_IOleObject);
    ASSERT_EQ(S_OK, freshObject->SetExtent(DVASPECT_CONTENT, &extent));
    ASSERT_EQ(S_OK, freshPersist->Load(bag.get(), nullptr));
    ASSERT_EQ(S_OK, freshObject->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(700, extent.cx);

    bag->failWrites = true;
    ctrl->SetModifiedFlag(TRUE);
    EXPECT_EQ(E_FAIL, persist->Save(bag.get(), TRUE, TRUE));
    EXPECT_EQ(S_OK, As<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty());
    EXPECT_EQ(E_POINTER, persist->Load(nullptr, nullptr));
}

// A bag may answer with VARIANTs the system's conversion cannot follow: a
// reference to a reference that ends nowhere, or an object that is its own
// value. They count as values that do not convert.
TEST_F(OleControl, BagValuesThatCannotBeFollowedGetDefaults) {
    const auto bag = hx::com_ptr<TestPropertyBag>::attach(new TestPropertyBag);
    VARIANT nowhere = {};
    nowhere.vt = VT_BYREF | VT_I4;
    nowhere.plVal = nullptr;
    Var toNowhere(VT_BYREF | VT_VARIANT, reinterpret_cast<intptr_t>(&nowhere));
    const auto itself =
        hx::com_ptr<ValueObject>::attach(new ValueObject(ValueObject::Answer::Itself));
    const auto persist = FreshAs<IPersistPropertyBag>(IID_IPersistPropertyBag);
    for (const Var& value : {Var(VT_BYREF | VT_VARIANT, reinterpret_cast<intptr_t>(&toNowhere.v)),
                             Var(VT_BYREF | VT_I4, 0)}) {
        bag->values[L"Count"] = value;
        freshCtrl->count = -1;
        ASSERT_EQ(S_OK, persist->Load(bag.get(), nullptr));
        EXPECT_EQ(7, freshCtrl->count);
    }
    bag->values[L"Count"] = ObjectArg(itself.get());
    freshCtrl->count = -1;
    ASSERT_EQ(S_OK, persist->Load(bag.get(), nullptr));
    EXPECT_EQ(7, freshCtrl->count);
    bag->values.clear();
    EXPECT_EQ(1, itself->RefCount());
}

TEST_F(OleControl, AStorageKeepsTheDataInItsContentsStream) {
    ctrl->count = 42;
    hx::com_ptr<IStorage> storage;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                         STGM_DELETEONRELEASE,
                                     0, storage.put()));
    const auto persist = As<IPersistStorage>(IID_IPersistStorage);
    ctrl->SetModifiedFlag(TRUE);
    ASSERT_EQ(S_OK, persist->Save(storage.get(), TRUE));
    EXPECT_EQ(S_OK, persist->IsDirty()); // until the container confirms
    ASSERT_EQ(S_OK, persist->SaveCompleted(nullptr));
    EXPECT_EQ(S_FALSE, persist->IsDirty());

    hx::com_ptr<IStream> contents;
    ASSERT_EQ(S_OK, storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                        contents.put()));
    CPropertySet set;
    ASSERT_EQ(S_OK, set.ReadFrom(contents.get()));
    contents.reset();
    ASSERT_NE(nullptr, set.Find("Count"));
    EXPECT_EQ(42u, set.Find("Count")->value);

    const auto freshPersist = FreshAs<IPersistStorage>(IID_IPersistStorage);
    ASSERT_EQ(S_OK, freshPersist->Load(storage.get()));
    EXPECT_EQ(42, freshCtrl->count);
    hx::com_ptr<IStorage> empty;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                         STGM_DELETEONRELEASE,
                                     0, empty.put()));
    EXPECT_EQ(STG_E_FILENOTFOUND, freshPersist->Load(empty.get()));
    EXPECT_EQ(42, freshCtrl->count);
    EXPECT_EQ(E_POINTER, freshPersist->Save(nullptr, TRUE));
}

// ---- Quick activation and frozen events ----

TEST_F(OleControl, QuickActivationConnectsTheSinksAndFrozenEventsAreNotFired) {
    const auto events = MakeSink(IID_DTestCtrlEvents);
    const auto notify = hx::com_ptr<NotifySink>::attach(new NotifySink);
    QACONTAINER qa = {};
    qa.cbSize = sizeof qa;
    qa.pClientSite = container.site.get();
    qa.pUnkEventSink = events.get();
    qa.pPropertyNotifySink = notify.get();
    QACONTROL result = {};
    result.cbSize = sizeof result;
    const auto quick = As<IQuickActivate>(IID_IQuickActivate);
    EXPECT_EQ(E_POINTER, quick->QuickActivate(nullptr, &result));
    QACONTAINER small = qa;
    small.cbSize = 8;
    EXPECT_EQ(E_INVALIDARG, quick->QuickActivate(&small, &result));
    ASSERT_EQ(S_OK, quick->QuickActivate(&qa, &result));
    EXPECT_EQ(kTestMiscStatus, result.dwMiscStatus);

    ctrl->count = 3;
    ctrl->FireCount();
    const auto control = As<IOleControl>(IID_IOleControl);
    EXPECT_EQ(S_OK, control->FreezeEvents(FALSE)); // unbalanced: ignored
    EXPECT_EQ(S_OK, control->FreezeEvents(TRUE));
    ctrl->FireCount(); // not fired
    EXPECT_EQ(S_OK, control->FreezeEvents(FALSE));
    ctrl->FireCount();
    EXPECT_EQ(2u, events->Count(1));
    ASSERT_EQ(S_OK, As<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew());
    EXPECT_EQ(1u, notify->changed.size());

    EXPECT_EQ(S_OK, PointOf(unknown.get(), IID_DTestCtrlEvents)->Unadvise(result.dwEventCookie));
    EXPECT_EQ(S_OK,
              PointOf(unknown.get(), IID_IPropertyNotifySink)->Unadvise(result.dwPropNotifyCookie));
    As<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
    EXPECT_EQ(1, events->RefCount());
    EXPECT_EQ(1, notify->RefCount());
}

TEST_F(OleControl, TheConnectionPointsAreTheEventsAndPropertyNotifications) {
    hx::com_ptr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, As<IConnectionPointContainer>(IID_IConnectionPointContainer)
                        ->EnumConnectionPoints(points.put()));
    std::vector<IID> iids;
    IConnectionPoint* point = nullptr;
    while (points->Next(1, &point, nullptr) == S_OK) {
        IID iid = {};
        point->GetConnectionInterface(&iid);
        iids.push_back(iid);
        point->Release();
    }
    ASSERT_EQ(2u, iids.size());
    EXPECT_TRUE(IsEqualIID(IID_DTestCtrlEvents, iids[0]));
    EXPECT_TRUE(IsEqualIID(IID_IPropertyNotifySink, iids[1]));
    // A sink for property notifications must be one: IDispatch alone is not.
    DWORD cookie = 0;
    const auto dispatchOnly = MakeSink(IID_DTestCtrlEvents);
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT,
              PointOf(unknown.get(), IID_IPropertyNotifySink)->Advise(dispatchOnly.get(), &cookie));
}

} // namespace
