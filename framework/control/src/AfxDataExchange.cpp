#include "AfxDataExchange.h"

#include "AfxOlePropertyPage.h"
#include "hx/bstr.h"
#include "hx/variant.h"

namespace {

// The loading half of every property exchange: the property converted to
// vt, and the control recorded as the one that shows it.
bool LoadProperty(CDataExchange* pDX, int nIDC, LPCOLESTR pszPropName, VARTYPE vt,
                  hx::unique_variant& value) {
    if (pDX->m_bSaveAndValidate) return false;
    DISPID dispid = DISPID_UNKNOWN;
    if (!pDX->m_pPage->GetPropertyFromObject(pszPropName, vt, value.put(), &dispid)) return false;
    pDX->m_bindings.push_back(AFX_PROPBINDING{nIDC, dispid});
    return true;
}

} // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    const HWND control = GetDlgItem(pDX->m_pPage->m_hWnd, nIDC);
    if (!control) {
        pDX->Fail();
        return;
    }
    if (!pDX->m_bSaveAndValidate) {
        SetWindowTextA(control, value.c_str());
        return;
    }
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    value = std::move(text);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd) return;
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pPage)) pDX->Fail();
}

void DDP_Text(CDataExchange* pDX, int nIDC, std::string& value, LPCOLESTR pszPropName) {
    hx::unique_variant text;
    if (LoadProperty(pDX, nIDC, pszPropName, VT_BSTR, text))
        value = hx::unique_bstr::to_ansi(text.get().bstrVal);
}

void DDP_Text(CDataExchange* pDX, int nIDC, LONGLONG& value, LPCOLESTR pszPropName) {
    hx::unique_variant number;
    if (LoadProperty(pDX, nIDC, pszPropName, VT_I8, number)) value = number.get().llVal;
}

void DDP_PostProcessing(CDataExchange* pDX) {
    if (!pDX->m_bSaveAndValidate) pDX->m_pPage->SetPropertyBindings(std::move(pDX->m_bindings));
}
