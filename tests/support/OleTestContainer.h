// A small ActiveX container for the suites: a form window and the site a
// control is placed in. The site answers as form designers and dialog hosts
// do (client site, in-place site and frame, control site, advise sink) and
// offers ambient properties through IDispatch when the test gives it some;
// it logs what the control asks of it, so that tests can check the order.
#pragma once

#include "ComTestSupport.h"
#include "hx/com_ptr.h"

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace hxtest {

// Runs the thread's pending messages (painting included) until none is left.
inline void PumpMessages() {
    for (int round = 0; round < 3; ++round) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

inline std::string ClassNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The first descendant window of a class, or null.
inline HWND FindDescendant(HWND parent, const char* className) {
    struct Search {
        const char* name;
        HWND found;
    } search = {className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (_stricmp(ClassNameOf(child).c_str(), s->name) != 0) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class TestSite : public RefCounted<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
                                   IOleControlSite, IDispatch, IAdviseSink> {
public:
    // The form: a top-level window at a fixed place on the screen, white.
    // Shown without being activated, Wine leaves it to no window manager, so
    // that it goes without waiting for one to withdraw it.
    TestSite() {
        static const ATOM formClass = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = &FormProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
            windowClass.lpszClassName = "HxTestForm";
            return RegisterClassA(&windowClass);
        }();
        form =
            CreateWindowExA(0, MAKEINTATOM(formClass), "Test form", WS_POPUP | WS_CLIPCHILDREN, 40,
                            40, 320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(form, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ShowWindow(form, SW_SHOWNOACTIVATE);
    }
    virtual ~TestSite() {
        if (IsWindow(form)) DestroyWindow(form);
    }

    // What the test sets up.
    HWND form = nullptr;
    RECT rcPos = {10, 10, 110, 60}; // where the control goes on the form
    std::map<DISPID, Var> ambients; // answered through IDispatch
    bool offerAmbients = true;      // false: the site has no IDispatch at all
    bool reflect = false;           // the form hands WM_COMMAND back as OCM_COMMAND
    bool honourPosRectChange = true;
    bool ownPropertyFrame = false;
    IOleInPlaceObject* inPlace = nullptr; // not a reference: set while the control is placed

    // What the control asked, in order.
    std::vector<std::string> log;
    size_t Count(const std::string& entry) const {
        size_t n = 0;
        for (const std::string& e : log)
            n += e == entry;
        return n;
    }
    void SetUserMode(bool userMode) {
        ambients[DISPID_AMBIENT_USERMODE] = Var(VT_BOOL, userMode ? VARIANT_TRUE : VARIANT_FALSE);
    }

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *ppv = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceFrame) || IsEqualIID(iid, IID_IOleInPlaceUIWindow))
            *ppv = static_cast<IOleInPlaceFrame*>(this);
        else if (IsEqualIID(iid, IID_IOleControlSite))
            *ppv = static_cast<IOleControlSite*>(this);
        else if (IsEqualIID(iid, IID_IDispatch) && offerAmbients)
            *ppv = static_cast<IDispatch*>(this);
        else if (IsEqualIID(iid, IID_IAdviseSink))
            *ppv = static_cast<IAdviseSink*>(this);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    // IOleClientSite
    STDMETHOD(SaveObject)() override { return Log("SaveObject"), S_OK; }
    STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** ppmk) override {
        *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHOD(GetContainer)(IOleContainer** ppContainer) override {
        *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD(ShowObject)() override { return S_OK; }
    STDMETHOD(OnShowWindow)(BOOL) override { return S_OK; }
    STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHOD(GetWindow)(HWND* phwnd) override {
        *phwnd = form;
        return S_OK;
    }
    STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHOD(CanInPlaceActivate)() override { return S_OK; }
    STDMETHOD(OnInPlaceActivate)() override { return Log("OnInPlaceActivate"), S_OK; }
    STDMETHOD(OnUIActivate)() override { return Log("OnUIActivate"), S_OK; }
    STDMETHOD(GetWindowContext)
    (IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
     LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
        AddRef();
        *ppFrame = this;
        *ppDoc = nullptr;
        *lprcPosRect = rcPos;
        *lprcClipRect = rcPos;
        lpFrameInfo->fMDIApp = FALSE;
        lpFrameInfo->hwndFrame = form;
        lpFrameInfo->haccel = nullptr;
        lpFrameInfo->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
    STDMETHOD(OnUIDeactivate)(BOOL) override { return Log("OnUIDeactivate"), S_OK; }
    STDMETHOD(OnInPlaceDeactivate)() override { return Log("OnInPlaceDeactivate"), S_OK; }
    STDMETHOD(DiscardUndoState)() override { return S_OK; }
    STDMETHOD(DeactivateAndUndo)() override { return S_OK; }
    STDMETHOD(OnPosRectChange)(LPCRECT rect) override {
        Log("OnPosRectChange " + std::to_string(rect->right - rect->left) + "x" +
            std::to_string(rect->bottom - rect->top));
        if (!honourPosRectChange || !inPlace) return E_NOTIMPL;
        rcPos = *rect;
        return inPlace->SetObjectRects(&rcPos, &rcPos);
    }

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHOD(GetBorder)(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override {
        Log(pActiveObject ? "SetActiveObject" : "SetActiveObject(null)");
        return S_OK;
    }
    STDMETHOD(InsertMenus)(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHOD(SetMenu)(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHOD(RemoveMenus)(HMENU) override { return S_OK; }
    STDMETHOD(SetStatusText)(LPCOLESTR) override { return S_OK; }
    STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }
    STDMETHOD(TranslateAccelerator)(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    STDMETHOD(OnControlInfoChanged)() override { return S_OK; }
    STDMETHOD(LockInPlaceActive)(BOOL) override { return S_OK; }
    STDMETHOD(GetExtendedControl)(IDispatch** ppDisp) override {
        *ppDisp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHOD(TransformCoords)(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(TranslateAccelerator)(MSG*, DWORD) override { return S_FALSE; }
    STDMETHOD(OnFocus)(BOOL) override { return S_OK; }
    STDMETHOD(ShowPropertyFrame)() override {
        Log("ShowPropertyFrame");
        return ownPropertyFrame ? S_OK : E_NOTIMPL;
    }

    // IDispatch: the ambient properties.
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
     UINT*) override {
        const auto found = ambients.find(dispid);
        if (!(flags & DISPATCH_PROPERTYGET) || found == ambients.end() || !result)
            return DISP_E_MEMBERNOTFOUND;
        return VariantCopy(result, &found->second.v);
    }

    // IAdviseSink
    STDMETHOD_(void, OnDataChange)(FORMATETC*, STGMEDIUM*) override {}
    STDMETHOD_(void, OnViewChange)(DWORD, LONG) override { Log("OnViewChange"); }
    STDMETHOD_(void, OnRename)(IMoniker*) override {}
    STDMETHOD_(void, OnSave)() override {}
    STDMETHOD_(void, OnClose)() override { Log("OnClose"); }

private:
    void Log(const std::string& entry) { log.push_back(entry); }

    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* site = reinterpret_cast<TestSite*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (site && message == WM_COMMAND && lParam) {
            site->Log("WM_COMMAND");
            // A reflecting container hands the notification back to its sender.
            if (site->reflect)
                return SendMessageA(reinterpret_cast<HWND>(lParam), OCM_COMMAND, wParam, lParam);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

// A control placed on a test form as a form designer places one: site
// first, then new data, extent, advise sinks and in-place activation.
// Remove() takes it off again as containers do: Close, then no site.
class TestContainer {
public:
    TestContainer() : site(hx::com_ptr<TestSite>::attach(new TestSite)) {}
    ~TestContainer() { Remove(); }

    HRESULT Place(IUnknown* object) {
        control = hx::com_ptr<IUnknown>(object).query<IOleObject>(IID_IOleObject);
        if (!control) return E_NOINTERFACE;
        HRESULT hr = control->SetClientSite(site.get());
        if (FAILED(hr)) return hr;
        if (const auto persist = control.query<IPersistStreamInit>(IID_IPersistStreamInit))
            hr = persist->InitNew();
        if (FAILED(hr)) return hr;
        SIZEL pixels = {site->rcPos.right - site->rcPos.left, site->rcPos.bottom - site->rcPos.top};
        SIZEL himetric = {MulDiv(pixels.cx, 2540, 96), MulDiv(pixels.cy, 2540, 96)};
        control->SetExtent(DVASPECT_CONTENT, &himetric);
        control->Advise(site.get(), &adviseCookie);
        if (const auto view = control.query<IViewObject>(IID_IViewObject))
            view->SetAdvise(DVASPECT_CONTENT, 0, site.get());
        inPlace = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
        site->inPlace = inPlace.get();
        hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, site->form,
                             &site->rcPos);
        PumpMessages();
        return hr;
    }
    void Remove() {
        if (!control) return;
        control->Close(OLECLOSE_NOSAVE);
        if (const auto view = control.query<IViewObject>(IID_IViewObject))
            view->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
        if (adviseCookie) control->Unadvise(adviseCookie);
        adviseCookie = 0;
        control->SetClientSite(nullptr);
        site->inPlace = nullptr;
        inPlace.reset();
        control.reset();
    }

    // The control's own window on the form (a descendant of the class).
    HWND ControlWindow(const char* className = "Button") const {
        return FindDescendant(site->form, className);
    }

    hx::com_ptr<TestSite> site;
    hx::com_ptr<IOleObject> control;
    hx::com_ptr<IOleInPlaceObject> inPlace;
    DWORD adviseCookie = 0;
};

} // namespace hxtest
