// What the property page suites share: the page made through the module's
// class factory, the page's window read the way a user sees it (texts and
// list rows, from any thread of the process), mouse messages to its lists,
// stand-ins for the objects and the site a frame hands a page, the system's
// property frame run with a helper thread at the controls, and pictures of
// windows written as PNG through WIC.
#pragma once

#include "ControlTestSupport.h"
#include "HXDigIOIds.h"
#include "MessageLoop.h"
#include "WicPng.h"

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pagetest {

// The page's controls.
constexpr int kNumInputsId = 202;
constexpr int kNumOutputsId = 201;
constexpr int kInputsId = 206;
constexpr int kOutputsId = 207;

struct Row {
    std::string port;
    std::string state;
    bool operator==(const Row&) const = default;
};
std::vector<Row> Rows(HWND list);
std::vector<std::string> Headings(HWND list);
int ColumnWidth(HWND list, int column);
std::string Text(HWND window, int id);
// The lowest selected row of a list, or -1.
int SelectedRow(HWND list);

// Rows "0".."n-1" with each line's state as the simulated device holds it.
std::vector<Row> InputRowsOf(HXKIMAGE image, int lines);
std::vector<Row> OutputRowsOf(HXKIMAGE image, int lines);

// A row's bounds in the list's client coordinates.
RECT RowBounds(HWND list, int row);
// The centre of a row (scrolled into view first) and a point below the last
// row, in the list's client coordinates.
POINT RowCentre(HWND list, int row);
POINT BelowLastRow(HWND list);
// A double-click of the left button as the mouse sends it to the list; the
// list and the page have handled it when this returns.
void DoubleClick(HWND list, POINT at);

// The page's dialog among the descendants of a window (its list 206 marks
// it), or null.
HWND FindPage(HWND ancestor);
// Windows of a thread: top-level ones and all their descendants.
int ThreadWindowCount(DWORD threadId);

using hxtest::PumpFor;
using hxtest::PumpUntil;

// A top-level window of the test's own for pages to live in, one per run
// (a visible top-level window takes Wine's X11 driver seconds to hide).
HWND ParentWindow();

// The page made through the module's class factory, as a frame makes it.
hx::com_ptr<IPropertyPage2> CreatePage(const hxtest::LoadedModule& module);

using hxtest::RefCounted;

// An object that answers named properties with fixed values, the way a
// control that is not ours might: counts of the wrong type, missing members.
class FakeObject : public RefCounted<IDispatch> {
public:
    explicit FakeObject(std::map<std::wstring, hxtest::Var> properties)
        : m_properties(std::move(properties)) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD(GetTypeInfoCount)(UINT* n) override { return *n = 0, S_OK; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
     UINT*) override;
    int Puts() const { return m_puts; }

private:
    std::map<std::wstring, hxtest::Var> m_properties;
    std::vector<std::wstring> m_names; // index = DISPID - 1
    int m_puts = 0;
};

// Stands between a page and the object it edits and records every call the
// page makes through IDispatch: the member's name and the Invoke flags.
class RecordingDispatch : public RefCounted<IDispatch> {
public:
    explicit RecordingDispatch(hx::com_ptr<IDispatch> target) : m_target(std::move(target)) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD(GetTypeInfoCount)(UINT* n) override { return m_target->GetTypeInfoCount(n); }
    STDMETHOD(GetTypeInfo)(UINT i, LCID lcid, ITypeInfo** info) override {
        return m_target->GetTypeInfo(i, lcid, info);
    }
    STDMETHOD(GetIDsOfNames)
    (REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
     EXCEPINFO* excep, UINT* argErr) override;

    struct Call {
        std::string member;
        WORD flags;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_calls;
    }
    size_t Puts() const;

private:
    hx::com_ptr<IDispatch> m_target;
    mutable std::mutex m_lock;
    std::map<DISPID, std::string> m_names;
    std::vector<Call> m_calls;
};

// A frame's site for a page: answers a locale and counts status changes.
class FakeSite : public RefCounted<IPropertyPageSite> {
public:
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD(OnStatusChange)(DWORD) override {
        ++statusChanges;
        return S_OK;
    }
    STDMETHOD(GetLocaleID)(LCID* lcid) override { return *lcid = 0x0409, S_OK; }
    STDMETHOD(GetPageContainer)(IUnknown** out) override { return *out = nullptr, E_NOTIMPL; }
    STDMETHOD(TranslateAccelerator)(MSG*) override { return S_FALSE; }
    int statusChanges = 0;
};

template <class T, class... A> hx::com_ptr<T> Make(A&&... args) {
    return hx::com_ptr<T>::attach(new T(std::forward<A>(args)...));
}

// The page's class object made findable by CoCreateInstance for the scope
// (CoRegisterClassObject), as a registered class would be, but without the
// registry: the frame makes its pages by class identifier. The IPropertyPage
// calls the frame makes on each page are recorded ("Activate 0x0").
class PageClassScope {
public:
    explicit PageClassScope(const hxtest::LoadedModule& module);
    ~PageClassScope();
    PageClassScope(const PageClassScope&) = delete;
    PageClassScope& operator=(const PageClassScope&) = delete;
    bool Registered() const { return m_cookie != 0; }
    std::vector<std::string> FrameCalls() const;

    struct Log {
        std::mutex lock;
        std::vector<std::string> calls;
    };

private:
    std::shared_ptr<Log> m_log = std::make_shared<Log>();
    DWORD m_cookie = 0;
};

// The system's property frame over the objects with the page, run on this
// thread (it is modal) while `drive` runs on a helper thread with the frame's
// window and the page's. The helper then presses the frame's `closeButton`
// (IDOK or IDCANCEL). Gives OleCreatePropertyFrame's result, or E_ABORT when
// the frame returned without the page having been seen (then `drive` did
// not run).
struct FrameWindows {
    HWND frame;
    HWND page;
};
HRESULT RunFrame(const std::vector<IUnknown*>& objects,
                 const std::function<void(const FrameWindows&)>& drive, int closeButton = IDOK);
// The same for any modal call on this thread that shows a frame with the page
// (a control's Properties verb, say).
HRESULT DriveFrame(const std::function<HRESULT()>& showFrame,
                   const std::function<void(const FrameWindows&)>& drive, int closeButton = IDOK);
// The frame's Apply button (the system property sheet's id for it).
constexpr int kFrameApplyId = 0x3021;
// The button of the frame with this id (IDOK, IDCANCEL, kFrameApplyId).
HWND FrameButton(HWND frame, int id);

// A window's client area as the screen shows it (children included).
class WindowPicture {
public:
    WindowPicture() = default;
    explicit WindowPicture(HWND window) : m_picture(hxtest::CaptureClient(window)) {}
    // A PNG file read through WIC.
    static HRESULT LoadPng(const std::string& path, WindowPicture& picture) {
        return hxtest::ReadPng(std::wstring(path.begin(), path.end()), picture.m_picture);
    }
    int Width() const { return m_picture.width; }
    int Height() const { return m_picture.height; }
    // 0x00BBGGRR (COLORREF) at client coordinates; CLR_INVALID outside.
    COLORREF At(int x, int y) const;
    // Pixels of a rectangle (client coordinates) that have this colour.
    int Count(const RECT& r, COLORREF colour) const;
    // Distinct colours in a rectangle.
    size_t Colours(const RECT& r) const;
    // Writes the picture as PNG through WIC; the HRESULT of the first step
    // that failed.
    HRESULT SavePng(const std::string& path) const {
        if (m_picture.pixels.empty()) return E_FAIL;
        return hxtest::WritePng(std::wstring(path.begin(), path.end()), m_picture);
    }

private:
    hxtest::Picture m_picture;
};
// A descendant's rectangle in a window's client coordinates.
RECT RectInClient(HWND window, HWND descendant);

} // namespace pagetest
