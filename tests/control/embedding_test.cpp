// HXDigIO.ocx on a form of the suite's own container: its window (a button
// in the site's window, shown at design time and hidden at run time, always
// 32 x 32 pixels), its verbs, status, type and property page, the boxes it
// shows, and containers that misbehave.
#include "ControlTestSupport.h"
#include "HXDigIOIds.h"
#include "OleTestContainer.h"

using namespace hxtest;

namespace {

constexpr LONG kSideHimetric = 847; // 32 pixels at 96 dots per inch

class Embedded : public ControlTest {
protected:
    void TearDown() override {
        container.Remove();
        for (HWND window : windows)
            EXPECT_FALSE(IsWindow(window)) << "a window of the control is left";
        ControlTest::TearDown();
        EXPECT_EQ(1, container.site->RefCount()) << "the control kept its site";
    }
    // Places the control and answers its window (null when it has none).
    HWND Place() {
        EXPECT_EQ(S_OK, container.Place(control.get()));
        const HWND window = container.ControlWindow();
        if (window) windows.push_back(window);
        return window;
    }
    SIZEL Extent() {
        SIZEL extent = {};
        EXPECT_EQ(S_OK, container.control->GetExtent(DVASPECT_CONTENT, &extent));
        return extent;
    }

    TestContainer container;
    std::vector<HWND> windows; // every window the control had
};

std::vector<LONG> ClientSize(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

TEST_F(Embedded, OnAFormTheControlIsAButtonShownAtDesignTimeAndHiddenAtRunTime) {
    struct Case {
        const char* what;
        bool offer;
        bool given;
        Var userMode;
        bool visible;
    };
    const Case cases[] = {
        {"design time", true, true, Var(VT_BOOL, VARIANT_FALSE), true},
        {"run time", true, true, Var(VT_BOOL, VARIANT_TRUE), false},
        {"a site without ambients", false, false, Var(), false},
        {"no UserMode among them", true, false, Var(), false},
        {"UserMode as the number 0", true, true, I4(0), true},
        {"UserMode as a word", true, true, Str(L"design"), false},
    };
    for (const Case& c : cases) {
        container.site->offerAmbients = c.offer;
        container.site->ambients.clear();
        if (c.given) container.site->ambients[DISPID_AMBIENT_USERMODE] = c.userMode;
        const HWND window = Place();
        ASSERT_NE(nullptr, window) << c.what;
        EXPECT_EQ("Button", ClassNameOf(window)) << c.what;
        EXPECT_TRUE(IsChild(container.site->form, window)) << c.what;
        EXPECT_EQ(c.visible, IsWindowVisible(window) != FALSE) << c.what;
        EXPECT_EQ((std::vector<LONG>{32, 32}), ClientSize(window)) << c.what;
        EXPECT_EQ(kSideHimetric, Extent().cx) << c.what;
        EXPECT_EQ(kSideHimetric, Extent().cy) << c.what;
        container.Remove();
        EXPECT_FALSE(IsWindow(window)) << c.what;
    }
}

TEST_F(Embedded, TheExtentSnapsBackTo32PixelsAfterTheContainerResizesIt) {
    container.site->SetUserMode(false);
    const HWND window = Place();
    ASSERT_NE(nullptr, window);
    for (const bool honour : {true, false}) {
        container.site->honourPosRectChange = honour;
        SIZEL wide = {5000, 2500};
        ASSERT_EQ(S_OK, container.control->SetExtent(DVASPECT_CONTENT, &wide));
        RECT grown = {10, 10, 200, 100};
        ASSERT_EQ(S_OK, container.inPlace->SetObjectRects(&grown, &grown));
        PumpMessages();
        EXPECT_EQ((std::vector<LONG>{32, 32}), ClientSize(window)) << honour;
        EXPECT_EQ(kSideHimetric, Extent().cx) << honour;
        EXPECT_EQ(kSideHimetric, Extent().cy) << honour;
        EXPECT_EQ("OnPosRectChange 32x32", container.site->log.back()) << honour;
    }
}

TEST_F(Embedded, VerbsStatusTypeAndPropertyPageAreTheControls) {
    const auto object = control.query<IOleObject>(IID_IOleObject);
    hx::com_ptr<IEnumOLEVERB> verbs;
    ASSERT_EQ(S_OK, object->EnumVerbs(verbs.put()));
    std::vector<std::string> listed;
    OLEVERB verb = {};
    while (verbs->Next(1, &verb, nullptr) == S_OK) {
        listed.push_back(std::to_string(verb.lVerb) + " " + Narrow(verb.lpszVerbName));
        CoTaskMemFree(verb.lpszVerbName);
    }
    EXPECT_EQ((std::vector<std::string>{"0 &Edit", "1 &Properties..."}), listed);
    DWORD status = 0;
    ASSERT_EQ(S_OK, object->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(0x20191u, status);
    CLSID clsid = CLSID_NULL;
    ASSERT_EQ(S_OK, object->GetUserClassID(&clsid));
    EXPECT_TRUE(IsEqualGUID(CLSID_HXdigIO, clsid));
    clsid = CLSID_NULL;
    ASSERT_EQ(S_OK, control.query<IPersistStreamInit>(IID_IPersistStreamInit)->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualGUID(CLSID_HXdigIO, clsid));
    LPOLESTR type = nullptr;
    ASSERT_EQ(S_OK, object->GetUserType(USERCLASSTYPE_FULL, &type));
    EXPECT_EQ("Harlow Digital IO Control", Narrow(type));
    CoTaskMemFree(type);
    CAUUID pages = {};
    ASSERT_EQ(S_OK,
              control.query<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages)->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(kHXDigIOPropPageClsid, pages.pElems[0]));
    CoTaskMemFree(pages.pElems);

    container.site->SetUserMode(false);
    const HWND window = Place();
    ASSERT_NE(nullptr, window);
    // Edit, the primary verb: active in place and in the user interface.
    ASSERT_EQ(S_OK, object->DoVerb(OLEIVERB_PRIMARY, nullptr, container.site.get(), 0,
                                   container.site->form, &container.site->rcPos));
    EXPECT_EQ(1u, container.site->Count("OnUIActivate"));
    EXPECT_EQ(window, GetFocus());
    // Properties: the site is asked to show its own frame first; without
    // one, the system's frame would show the control's page, which is not
    // registered here: the verb says so, and no empty frame comes up.
    ModalBoxWatcher frame("Properties for Harlow Digital IO Control");
    for (const LONG properties : {1L, static_cast<LONG>(OLEIVERB_PROPERTIES)}) {
        EXPECT_EQ(REGDB_E_CLASSNOTREG,
                  object->DoVerb(properties, nullptr, container.site.get(), 0, container.site->form,
                                 &container.site->rcPos));
    }
    EXPECT_EQ(0u, frame.Stop().size());
    EXPECT_EQ(2u, container.site->Count("ShowPropertyFrame"));
    container.site->ownPropertyFrame = true;
    EXPECT_EQ(S_OK, object->DoVerb(1, nullptr, container.site.get(), 0, container.site->form,
                                   &container.site->rcPos));
    EXPECT_EQ(3u, container.site->Count("ShowPropertyFrame"));
}

TEST_F(Embedded, TheAboutBoxAndTheErrorBoxAreOwnedByTheWindowTheControlIsIn) {
    {
        ModalBoxWatcher about("About Harlow Digital I/O Control");
        EXPECT_EQ(S_OK, Method(control, DISPID_ABOUTBOX).hr);
        ASSERT_EQ(1u, about.Stop().size());
        EXPECT_EQ(nullptr, about.Owners().at(0)); // no window yet: nobody's
    }
    container.site->SetUserMode(false);
    ASSERT_NE(nullptr, Place());
    {
        ModalBoxWatcher about("About Harlow Digital I/O Control");
        EXPECT_EQ(S_OK, Method(control, DISPID_ABOUTBOX).hr);
        ASSERT_EQ(1u, about.Stop().size());
        // A child window owns through its top-level window.
        EXPECT_EQ(container.site->form, about.Owners().at(0));
    }
    SimImage plain(8, 8, false);
    ASSERT_EQ(S_OK, Bind(plain.Handle()));
    expectedBoxes = {"Missing BasicDigIO interface!"};
    EXPECT_EQ(expectedBoxes, errorBoxes.Stop());
    ASSERT_EQ(1u, errorBoxes.Owners().size());
    EXPECT_EQ(container.site->form, errorBoxes.Owners().at(0));
}

TEST_F(Embedded, AReflectingContainerGetsNoAnswerToTheButtonsCommand) {
    container.site->reflect = true;
    container.site->ambients[DISPID_AMBIENT_MESSAGEREFLECT] = Var(VT_BOOL, VARIANT_TRUE);
    container.site->SetUserMode(false);
    const HWND window = Place();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(container.site->form, GetParent(window)); // no reflector in between
    SendMessageA(window, BM_CLICK, 0, 0);
    EXPECT_EQ(1u, container.site->Count("WM_COMMAND"));
    EXPECT_EQ(0, SendMessageA(window, OCM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                              reinterpret_cast<LPARAM>(window)));
}

TEST_F(Embedded, MisbehavingContainersGetErrorResultsAndLeaveNothingBehind) {
    const auto object = control.query<IOleObject>(IID_IOleObject);
    // Activation before there is a site.
    EXPECT_EQ(E_UNEXPECTED, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0,
                                           container.site->form, &container.site->rcPos));
    EXPECT_EQ(E_UNEXPECTED, object->DoVerb(OLEIVERB_PRIMARY, nullptr, nullptr, 0,
                                           container.site->form, &container.site->rcPos));
    // Extents of no size.
    for (SIZEL bad : {SIZEL{0, 0}, SIZEL{-847, 847}, SIZEL{847, -1}})
        EXPECT_EQ(E_INVALIDARG, object->SetExtent(DVASPECT_CONTENT, &bad));
    // The site taken away while the control is active.
    const HWND window = Place();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(S_OK, object->SetClientSite(nullptr));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1u, container.site->Count("OnInPlaceDeactivate"));
    // Closed twice.
    ASSERT_NE(nullptr, Place());
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(2u, container.site->Count("OnInPlaceDeactivate"));
    EXPECT_EQ(nullptr, container.ControlWindow());
    // Positions without rectangles.
    EXPECT_EQ(E_INVALIDARG, container.inPlace->SetObjectRects(nullptr, nullptr));
    EXPECT_EQ(E_POINTER, object->EnumVerbs(nullptr));
    EXPECT_EQ(E_POINTER, object->GetExtent(DVASPECT_CONTENT, nullptr));
}

} // namespace
