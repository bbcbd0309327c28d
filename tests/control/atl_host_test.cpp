// HXDigIO.ocx in the system's ATL host window (AtlAxWin100 of atl100.dll):
// the host creates the control by its registered ProgID, initialises its
// persistence, sets its extent and activates it in place. It offers no
// ambient properties, so the control runs in run mode there.
#include "AtlHost.h"
#include "ControlTestSupport.h"
#include "OleTestContainer.h"

using namespace hxtest;

namespace {

class AtlHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(0, HXKSimLiveImageCount());
        ASSERT_TRUE(module.handle);
        // Registered in the build's prefix for this test only.
        ASSERT_EQ(S_OK, module.Call("DllRegisterServer"));
        registered = true;
        ASSERT_NE(nullptr, AtlLibrary()) << "atl100.dll and its host window class";
        frame = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CLIPCHILDREN, 60, 60, 400, 300,
                                nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, frame);
        ShowWindow(frame, SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        control.reset();
        if (frame) DestroyWindow(frame); // the host closes and lets go of the control
        PumpMessages();
        if (button) {
            EXPECT_FALSE(IsWindow(button)) << "the control's window is left";
        }
        if (registered) {
            EXPECT_EQ(S_OK, module.Call("DllUnregisterServer"));
        }
        EXPECT_EQ(0, HXKSimLiveImageCount()) << "image references left";
        EXPECT_EQ(S_OK, module.Call("DllCanUnloadNow"));
        CoUninitialize();
    }

    // A host window in the frame, made as a form would make it: the window
    // text names the control.
    HWND MakeHost(int width, int height) {
        const HWND host = CreateWindowExA(0, "AtlAxWin100", kControlProgID, WS_CHILD | WS_VISIBLE,
                                          10, 10, width, height, frame, nullptr, nullptr, nullptr);
        if (!host) return nullptr;
        using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
        const auto getControl = reinterpret_cast<GetControl>(
            reinterpret_cast<void*>(GetProcAddress(AtlLibrary(), "AtlAxGetControl")));
        if (getControl) getControl(host, control.put());
        PumpMessages();
        button = FindDescendant(host, "Button");
        return host;
    }

    LoadedModule module;
    bool registered = false;
    HWND frame = nullptr;
    HWND button = nullptr; // the control's own window
    hx::com_ptr<IUnknown> control;
};

TEST_F(AtlHost, TheHostCreatesTheControlAsAHiddenButtonInItsWindow) {
    const HWND host = MakeHost(200, 100);
    ASSERT_NE(nullptr, host);
    ASSERT_TRUE(control) << "the host made no control";
    ASSERT_NE(nullptr, button);
    EXPECT_TRUE(IsChild(host, button));
    const auto inPlace = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    ASSERT_TRUE(inPlace);
    HWND outer = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&outer));
    EXPECT_EQ(host, GetParent(outer)); // the reflector: the host does not reflect
    EXPECT_EQ(outer, GetParent(button));
    EXPECT_FALSE(IsWindowVisible(button)); // run mode
    RECT client = {};
    GetClientRect(button, &client);
    EXPECT_EQ(32, client.right);
    EXPECT_EQ(32, client.bottom);

    // The control the host made is the whole control.
    SimImage image(5, 3);
    const auto dispatch = control.query<IDispatch>(IID_IDispatch);
    ASSERT_EQ(S_OK, Put(dispatch, idImage, I8(image.Handle())).hr);
    EXPECT_EQ(5, Get(dispatch, idNumInputs).value.v.lVal);
    ASSERT_EQ(S_OK, Put(dispatch, idImage, I8(0)).hr);
}

TEST_F(AtlHost, TheExtentSnapsBackTo32PixelsWhenTheHostIsResized) {
    const HWND host = MakeHost(200, 100);
    ASSERT_TRUE(control);
    ASSERT_NE(nullptr, button);
    for (const SIZE size : {SIZE{300, 150}, SIZE{20, 10}}) {
        SetWindowPos(host, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        RECT client = {};
        GetClientRect(button, &client);
        EXPECT_EQ(32, client.right) << size.cx;
        EXPECT_EQ(32, client.bottom) << size.cx;
        SIZEL extent = {};
        ASSERT_EQ(S_OK,
                  control.query<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &extent));
        EXPECT_EQ(MulDiv(32, 2540, 96), extent.cx) << size.cx;
        EXPECT_EQ(MulDiv(32, 2540, 96), extent.cy) << size.cx;
    }
}

TEST_F(AtlHost, TheAboutBoxIsOwnedByTheWindowTheControlLivesIn) {
    MakeHost(200, 100);
    ASSERT_TRUE(control);
    ModalBoxWatcher about("About Harlow Digital I/O Control");
    EXPECT_EQ(S_OK, Method(control.query<IDispatch>(IID_IDispatch), DISPID_ABOUTBOX).hr);
    ASSERT_EQ(1u, about.Stop().size());
    EXPECT_EQ(frame, about.Owners().at(0)); // the top-level window of the control's window
}

} // namespace
