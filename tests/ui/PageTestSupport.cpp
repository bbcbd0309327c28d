#include "PageTestSupport.h"

#include "hx/bstr.h"
#include "hx/result_macros.h"
#include "hx/win32_owners.h"

#include <commctrl.h>
#include <olectl.h>
#include <wincodec.h>

#include <cstdio>
#include <set>
#include <thread>

namespace pagetest {

// ---- the page's window as a user sees it --------------------------------------

std::vector<Row> Rows(HWND list) {
    std::vector<Row> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    auto cell = [list](int row, int column) {
        char text[64] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        return std::string(text);
    };
    for (int row = 0; row < count; ++row)
        rows.push_back(Row{cell(row, 0), cell(row, 1)});
    return rows;
}

std::vector<std::string> Headings(HWND list) {
    std::vector<std::string> headings;
    const HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < count; ++column) {
        char text[64] = {};
        LVCOLUMNA info = {};
        info.mask = LVCF_TEXT;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&info));
        headings.emplace_back(text);
    }
    return headings;
}

int ColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::string Text(HWND window, int id) {
    char text[256] = {};
    GetWindowTextA(GetDlgItem(window, id), text, sizeof text);
    return text;
}

int SelectedRow(HWND list) {
    return static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

namespace {

std::vector<Row> RowsOf(HXKIMAGE image, int lines, int32_t (*read)(HXKIMAGE, int32_t, int32_t*)) {
    std::vector<Row> rows;
    for (int line = 0; line < lines; ++line) {
        int32_t level = 0;
        read(image, line, &level);
        rows.push_back(Row{std::to_string(line), level ? "HI" : "LO"});
    }
    return rows;
}

} // namespace

std::vector<Row> InputRowsOf(HXKIMAGE image, int lines) {
    return RowsOf(image, lines, &HXKSimGetInput);
}

std::vector<Row> OutputRowsOf(HXKIMAGE image, int lines) {
    return RowsOf(image, lines, &HXKSimGetOutput);
}

RECT RowBounds(HWND list, int row) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
    return bounds;
}

POINT RowCentre(HWND list, int row) {
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    const RECT bounds = RowBounds(list, row);
    return POINT{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
}

POINT BelowLastRow(HWND list) {
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    RECT client = {};
    GetClientRect(list, &client);
    if (count == 0) return POINT{client.right / 2, client.bottom - 2};
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE);
    const RECT bounds = RowBounds(list, count - 1);
    return POINT{(bounds.left + bounds.right) / 2, (bounds.bottom + client.bottom) / 2};
}

void DoubleClick(HWND list, POINT at) {
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

HWND FindPage(HWND ancestor) {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumChildWindows(
        ancestor,
        [](HWND window, LPARAM context) -> BOOL {
            const HWND list = GetDlgItem(window, kInputsId);
            char cls[64] = {};
            if (list && GetClassNameA(list, cls, sizeof cls) &&
                std::string(cls) == "SysListView32" && GetDlgItem(window, kOutputsId)) {
                reinterpret_cast<Search*>(context)->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int ThreadWindowCount(DWORD threadId) {
    int count = 0;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM context) -> BOOL {
            int& n = *reinterpret_cast<int*>(context);
            ++n;
            EnumChildWindows(
                window,
                [](HWND, LPARAM inner) -> BOOL {
                    ++*reinterpret_cast<int*>(inner);
                    return TRUE;
                },
                context);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND ParentWindow() {
    static const HWND parent = CreateWindowExA(0, "STATIC", "page tests", WS_POPUP | WS_VISIBLE, 0,
                                               0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    return parent;
}

hx::com_ptr<IPropertyPage2> CreatePage(const hxtest::LoadedModule& module) {
    hx::com_ptr<IClassFactory> factory;
    hx::com_ptr<IPropertyPage2> page;
    if (SUCCEEDED(
            module.GetClassObject(kHXDigIOPropPageClsid, IID_IClassFactory, factory.put_void())))
        factory->CreateInstance(nullptr, IID_IPropertyPage2, page.put_void());
    return page;
}

// ---- stand-ins for the objects and the site --------------------------------------

STDMETHODIMP FakeObject::QueryInterface(REFIID iid, void** ppv) {
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (count != 1) return E_INVALIDARG;
    const auto found = m_properties.find(names[0]);
    if (found == m_properties.end()) {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    for (size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i] == names[0]) return ids[0] = static_cast<DISPID>(i + 1), S_OK;
    m_names.push_back(names[0]);
    ids[0] = static_cast<DISPID>(m_names.size());
    return S_OK;
}

STDMETHODIMP FakeObject::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*,
                                VARIANT* result, EXCEPINFO*, UINT*) {
    if (dispid < 1 || static_cast<size_t>(dispid) > m_names.size()) return DISP_E_MEMBERNOTFOUND;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        ++m_puts;
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!result) return E_POINTER;
    return VariantCopy(result, &m_properties.at(m_names[static_cast<size_t>(dispid - 1)]).v);
}

STDMETHODIMP RecordingDispatch::QueryInterface(REFIID iid, void** ppv) {
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP RecordingDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                              DISPID* ids) {
    const HRESULT hr = m_target->GetIDsOfNames(iid, names, count, lcid, ids);
    if (SUCCEEDED(hr) && count > 0) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_names[ids[0]] = hx::unique_bstr::to_ansi(names[0]);
    }
    return hr;
}

STDMETHODIMP RecordingDispatch::Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags,
                                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                       UINT* argErr) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const auto name = m_names.find(dispid);
        m_calls.push_back(
            Call{name != m_names.end() ? name->second : std::to_string(dispid), flags});
    }
    return m_target->Invoke(dispid, iid, lcid, flags, params, result, excep, argErr);
}

size_t RecordingDispatch::Puts() const {
    size_t puts = 0;
    for (const Call& call : Calls())
        puts += (call.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    return puts;
}

STDMETHODIMP FakeSite::QueryInterface(REFIID iid, void** ppv) {
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPropertyPageSite))
        return E_NOINTERFACE;
    *ppv = static_cast<IPropertyPageSite*>(this);
    AddRef();
    return S_OK;
}

// ---- the page's class for the frame ----------------------------------------------

namespace {

std::string Hex(HRESULT hr) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(hr));
    return text;
}

// The real page behind a recorder of the IPropertyPage calls the frame makes.
class RecordingPage : public RefCounted<IPropertyPage2> {
public:
    RecordingPage(hx::com_ptr<IPropertyPage2> page, std::shared_ptr<PageClassScope::Log> log)
        : m_page(std::move(page)), m_log(std::move(log)) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPropertyPage) &&
            !IsEqualIID(iid, IID_IPropertyPage2))
            return E_NOINTERFACE;
        *ppv = static_cast<IPropertyPage2*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD(SetPageSite)(IPropertyPageSite* site) override {
        return Record(site ? "SetPageSite" : "SetPageSite(null)", m_page->SetPageSite(site));
    }
    STDMETHOD(Activate)(HWND parent, LPCRECT rect, BOOL modal) override {
        return Record("Activate", m_page->Activate(parent, rect, modal));
    }
    STDMETHOD(Deactivate)() override { return Record("Deactivate", m_page->Deactivate()); }
    STDMETHOD(GetPageInfo)(PROPPAGEINFO* info) override {
        return Record("GetPageInfo", m_page->GetPageInfo(info));
    }
    STDMETHOD(SetObjects)(ULONG count, IUnknown** objects) override {
        return Record(count ? "SetObjects" : "SetObjects(0)", m_page->SetObjects(count, objects));
    }
    STDMETHOD(Show)(UINT show) override {
        return Record("Show " + std::to_string(show), m_page->Show(show));
    }
    STDMETHOD(Move)(LPCRECT rect) override { return Record("Move", m_page->Move(rect)); }
    STDMETHOD(IsPageDirty)() override { return Record("IsPageDirty", m_page->IsPageDirty()); }
    STDMETHOD(Apply)() override { return Record("Apply", m_page->Apply()); }
    STDMETHOD(Help)(LPCOLESTR dir) override { return Record("Help", m_page->Help(dir)); }
    STDMETHOD(TranslateAccelerator)(MSG* msg) override {
        return m_page->TranslateAccelerator(msg); // one per key: not recorded
    }
    STDMETHOD(EditProperty)(DISPID dispid) override {
        return Record("EditProperty", m_page->EditProperty(dispid));
    }

private:
    HRESULT Record(const std::string& call, HRESULT hr) {
        std::lock_guard<std::mutex> lock(m_log->lock);
        m_log->calls.push_back(call + " " + Hex(hr));
        return hr;
    }
    hx::com_ptr<IPropertyPage2> m_page;
    std::shared_ptr<PageClassScope::Log> m_log;
};

class RecordingPageFactory : public RefCounted<IClassFactory> {
public:
    RecordingPageFactory(const hxtest::LoadedModule& module,
                         std::shared_ptr<PageClassScope::Log> log)
        : m_module(module), m_log(std::move(log)) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        hx::com_ptr<IPropertyPage2> page = CreatePage(m_module);
        if (!page) return E_FAIL;
        const auto recorder = Make<RecordingPage>(page, m_log);
        return recorder->QueryInterface(iid, ppv);
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }

private:
    const hxtest::LoadedModule& m_module;
    std::shared_ptr<PageClassScope::Log> m_log;
};

} // namespace

PageClassScope::PageClassScope(const hxtest::LoadedModule& module) {
    const auto factory = Make<RecordingPageFactory>(module, m_log);
    if (FAILED(CoRegisterClassObject(kHXDigIOPropPageClsid, factory.get(), CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &m_cookie)))
        m_cookie = 0;
}

PageClassScope::~PageClassScope() {
    if (m_cookie) CoRevokeClassObject(m_cookie);
}

std::vector<std::string> PageClassScope::FrameCalls() const {
    std::lock_guard<std::mutex> lock(m_log->lock);
    return m_log->calls;
}

// ---- the system's property frame ---------------------------------------------------

namespace {

// The first shown top-level dialog of the thread.
HWND ShownDialogOf(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM context) -> BOOL {
            char cls[16] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(context) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

HWND FrameButton(HWND frame, int id) {
    return GetDlgItem(frame, id);
}

HRESULT DriveFrame(const std::function<HRESULT()>& showFrame,
                   const std::function<void(const FrameWindows&)>& drive, int closeButton) {
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::atomic<bool> driven{false};
    std::thread helper([&] {
        FrameWindows windows = {nullptr, nullptr};
        for (int i = 0; i < 2000 && !returned && !windows.page; ++i) {
            windows.frame = ShownDialogOf(uiThread);
            windows.page = windows.frame ? FindPage(windows.frame) : nullptr;
            if (!windows.page) Sleep(10);
        }
        if (!windows.page) return;
        drive(windows);
        driven = true;
        // Pressed as the mouse presses it; pressed again (and then the
        // frame cancelled) only if the frame is still there long after.
        for (int attempt = 0; attempt < 3 && !returned; ++attempt) {
            const HWND button = FrameButton(windows.frame, attempt < 2 ? closeButton : IDCANCEL);
            PostMessageA(button, BM_CLICK, 0, 0);
            for (int i = 0; i < 1000 && !returned; ++i)
                Sleep(10);
        }
    });
    const HRESULT hr = showFrame();
    returned = true;
    helper.join();
    return SUCCEEDED(hr) && !driven ? E_ABORT : hr;
}

HRESULT RunFrame(const std::vector<IUnknown*>& objects,
                 const std::function<void(const FrameWindows&)>& drive, int closeButton) {
    std::vector<IUnknown*> list = objects;
    return DriveFrame(
        [&] {
            return OleCreatePropertyFrame(ParentWindow(), 10, 10, L"HXDigIO",
                                          static_cast<ULONG>(list.size()), list.data(), 1,
                                          const_cast<CLSID*>(&kHXDigIOPropPageClsid), 0, 0,
                                          nullptr);
        },
        drive, closeButton);
}

// ---- pictures ------------------------------------------------------------------------

RECT RectInClient(HWND window, HWND descendant) {
    RECT rect = {};
    GetWindowRect(descendant, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

COLORREF WindowPicture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_picture.width || y >= m_picture.height) return CLR_INVALID;
    const DWORD p = m_picture.At(x, y);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int WindowPicture::Count(const RECT& r, COLORREF colour) const {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += At(x, y) == colour ? 1 : 0;
    return count;
}

size_t WindowPicture::Colours(const RECT& r) const {
    std::set<COLORREF> colours;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            colours.insert(At(x, y));
    return colours.size();
}

} // namespace pagetest
