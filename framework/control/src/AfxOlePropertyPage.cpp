#include "AfxOlePropertyPage.h"

#include "AfxModuleState.h"
#include "AfxVariantConvert.h"
#include "hx/variant.h"

#include <new>
#include <string>

namespace {

INT_PTR CALLBACK MeasureDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The size in pixels of a dialog made from the template: the template gives
// dialog units, which only the dialog's font turns into pixels, so a hidden
// copy is made under the message-only parent and measured.
bool DialogSizeInPixels(HINSTANCE hInstance, UINT idTemplate, SIZE* pSize) {
    const HWND measure = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(idTemplate), HWND_MESSAGE,
                                            &MeasureDialogProc, 0);
    if (!measure) return false;
    RECT rect = {};
    GetWindowRect(measure, &rect);
    ::DestroyWindow(measure);
    pSize->cx = rect.right - rect.left;
    pSize->cy = rect.bottom - rect.top;
    return true;
}

// A string resource as the wide text the frame frees with CoTaskMemFree.
LPOLESTR LoadTaskMemString(HINSTANCE hInstance, UINT id) {
    char text[256] = {};
    LoadStringA(hInstance, id, text, sizeof text);
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    auto* wide = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(OLECHAR) * length));
    if (wide) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
    return wide;
}

} // namespace

BEGIN_INTERFACE_MAP(COlePropertyPage, CCmdTarget)
INTERFACE_PART(COlePropertyPage, IID_IPropertyPage2, IPropertyPage2)
INTERFACE_PART(COlePropertyPage, IID_IPropertyPage, IPropertyPage2)
END_INTERFACE_MAP()

COlePropertyPage::COlePropertyPage(UINT idTemplate, UINT idCaption)
    : m_idTemplate(idTemplate), m_idCaption(idCaption) {}

COlePropertyPage::~COlePropertyPage() = default;

void COlePropertyPage::OnFinalRelease() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    CCmdTarget::OnFinalRelease();
}

STDMETHODIMP COlePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
    if (pPageSite && m_pPageSite) return E_UNEXPECTED;
    m_pPageSite = hx::com_ptr<IPropertyPageSite>(pPageSite);
    return S_OK;
}

STDMETHODIMP COlePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
    if (cObjects && !ppUnk) return E_POINTER;
    std::vector<hx::com_ptr<IDispatch>> objects;
    try {
        objects.reserve(cObjects);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (ULONG i = 0; i < cObjects; ++i) {
        if (!ppUnk[i]) return E_POINTER;
        hx::com_ptr<IDispatch> object;
        if (FAILED(ppUnk[i]->QueryInterface(IID_IDispatch, object.put_void())) || !object)
            return E_NOINTERFACE;
        objects.push_back(std::move(object));
    }
    m_objects.swap(objects); // the old references go with `objects`
    return S_OK;
}

STDMETHODIMP COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
    if (!pPageInfo) return E_POINTER;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    PROPPAGEINFO info = {};
    info.cb = sizeof info;
    if (!DialogSizeInPixels(AfxGetResourceHandle(), m_idTemplate, &info.size)) return E_FAIL;
    info.pszTitle = LoadTaskMemString(AfxGetResourceHandle(), m_idCaption);
    if (!info.pszTitle) return E_OUTOFMEMORY;
    *pPageInfo = info;
    return S_OK;
}

INT_PTR CALLBACK COlePropertyPage::DialogProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    // Every later message goes through the page's CWnd first and reaches
    // this procedure only by the dialog's default handling, which has
    // nothing to add.
    if (message != WM_INITDIALOG) return FALSE;
    auto* const page = reinterpret_cast<COlePropertyPage*>(lParam);
    if (!page->SubclassWindow(hDlg)) {
        page->m_bInitFailed = true;
        return FALSE;
    }
    // Nothing may unwind through the system's dialog code.
    try {
        return page->OnInitDialog();
    } catch (...) {
        page->m_bInitFailed = true;
        return FALSE;
    }
}

BOOL COlePropertyPage::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

STDMETHODIMP COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
    if (!pRect) return E_POINTER;
    if (m_hWnd) return E_UNEXPECTED; // already active
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_bInitFailed = false;
    const HWND hDlg = CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_idTemplate),
                                         hWndParent, &DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hDlg) return E_FAIL;
    if (m_bInitFailed) {
        ::DestroyWindow(hDlg);
        return E_FAIL;
    }
    MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left,
               pRect->bottom - pRect->top, TRUE);
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Deactivate() {
    // A frame may destroy its own window first, which takes the page's with it.
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Show(UINT nCmdShow) {
    if (!m_hWnd) return E_UNEXPECTED;
    ShowWindow(m_hWnd, static_cast<int>(nCmdShow));
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Move(LPCRECT pRect) {
    if (!pRect) return E_POINTER;
    if (!m_hWnd) return E_UNEXPECTED;
    MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left,
               pRect->bottom - pRect->top, TRUE);
    return S_OK;
}

// The property exchange only loads, so a page never holds changes that
// applying would write.
STDMETHODIMP COlePropertyPage::IsPageDirty() {
    return S_FALSE;
}

STDMETHODIMP COlePropertyPage::Apply() {
    if (m_hWnd && !UpdateData(TRUE)) return E_FAIL;
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Help(LPCOLESTR) {
    return E_NOTIMPL; // pages name no help file
}

STDMETHODIMP COlePropertyPage::TranslateAccelerator(MSG* pMsg) {
    if (!pMsg) return E_POINTER;
    // Keyboard navigation between the page's own controls.
    return m_hWnd && IsDialogMessageA(m_hWnd, pMsg) ? S_OK : S_FALSE;
}

STDMETHODIMP COlePropertyPage::EditProperty(DISPID dispid) {
    if (!m_hWnd) return E_UNEXPECTED;
    for (const AFX_PROPBINDING& binding : m_bindings) {
        if (binding.dispid != dispid) continue;
        const HWND control = GetDlgItem(m_hWnd, binding.nID);
        if (!control) break;
        SetFocus(control);
        return S_OK;
    }
    return E_NOTIMPL;
}

BOOL COlePropertyPage::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

LCID COlePropertyPage::LocaleOfSite() const {
    LCID lcid = LOCALE_USER_DEFAULT;
    if (m_pPageSite && FAILED(m_pPageSite->GetLocaleID(&lcid))) lcid = LOCALE_USER_DEFAULT;
    return lcid;
}

bool COlePropertyPage::GetPropertyFromObject(LPCOLESTR pszPropName, VARTYPE vt, VARIANT* pValue,
                                             DISPID* pDispid) {
    VariantInit(pValue);
    if (m_objects.empty() || !pszPropName) return false;
    IDispatch* const object = m_objects.front().get();
    const LCID lcid = LocaleOfSite();
    DISPID dispid = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(pszPropName); // GetIDsOfNames only reads it
    if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, lcid, &dispid))) return false;
    DISPPARAMS noArguments = {nullptr, nullptr, 0, 0};
    hx::unique_variant value;
    if (FAILED(object->Invoke(dispid, IID_NULL, lcid, DISPATCH_PROPERTYGET, &noArguments,
                              value.put(), nullptr, nullptr)))
        return false;
    hx::unique_variant converted;
    if (FAILED(AfxConvertVariant(converted.put(), value.get(), lcid, vt))) return false;
    *pValue = converted.release();
    *pDispid = dispid;
    return true;
}
