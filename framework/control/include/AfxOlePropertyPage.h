// COlePropertyPage: the page side of the property frame protocol
// (IPropertyPage2). A page is a COM object that a property frame makes
// through its class factory, and a window object over the child dialog that
// the frame asks it to show:
//
//   frame                         page
//   SetPageSite(site)             keeps the site
//   SetObjects(n, objects)        keeps an IDispatch reference on each object
//   GetPageInfo                   caption (a string resource) and dialog size
//   Activate(parent, rect)        makes the dialog from its template as a
//                                 child of parent; OnInitDialog loads the data
//   Show, Move                    the dialog window
//   Apply                         the saving exchange (writes no property)
//   Deactivate                    destroys the dialog window
//   SetObjects(0, null)           drops the objects
//   SetPageSite(null)             drops the site
//
// The frame may activate and deactivate one page object several times; each
// window loads its data afresh. A derived page gives DoDataExchange, may add
// to OnInitDialog, and handles its window's messages in its message table:
//
//   class CMyPage : public COlePropertyPage {
//       DECLARE_OLECREATE_EX(CMyPage)
//   public:
//       CMyPage() : COlePropertyPage(IDD_MYPAGE, IDS_MYPAGE_CAPTION) {}
//   protected:
//       void DoDataExchange(CDataExchange* pDX) override;
//       DECLARE_MESSAGE_MAP()
//   };
#pragma once

#include "AfxCmdTarget.h"
#include "AfxDataExchange.h"
#include "AfxWnd.h"
#include "hx/com_ptr.h"

#include <windows.h>
#include <ocidl.h>

#include <vector>

class COlePropertyPage : public CWnd, public CCmdTarget, public IPropertyPage2 {
public:
    // The page's dialog template and the string resource of its caption.
    COlePropertyPage(UINT idTemplate, UINT idCaption);
    ~COlePropertyPage() override;

    AFX_DECLARE_IUNKNOWN()

    // IPropertyPage
    STDMETHOD(SetPageSite)(IPropertyPageSite* pPageSite) override;
    STDMETHOD(Activate)(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
    STDMETHOD(Deactivate)() override;
    STDMETHOD(GetPageInfo)(PROPPAGEINFO* pPageInfo) override;
    STDMETHOD(SetObjects)(ULONG cObjects, IUnknown** ppUnk) override;
    STDMETHOD(Show)(UINT nCmdShow) override;
    STDMETHOD(Move)(LPCRECT pRect) override;
    STDMETHOD(IsPageDirty)() override;
    STDMETHOD(Apply)() override;
    STDMETHOD(Help)(LPCOLESTR pszHelpDir) override;
    STDMETHOD(TranslateAccelerator)(MSG* pMsg) override;
    // IPropertyPage2
    STDMETHOD(EditProperty)(DISPID dispid) override;

    // Runs the data exchange: TRUE saves controls into members, FALSE loads
    // properties and members into controls. FALSE when an exchange failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Reads a property by name from the first object the page edits,
    // converted to vt; false (and *pValue empty) when there is no object, no
    // such property, or the value does not convert. *pDispid names the
    // property that was read.
    bool GetPropertyFromObject(LPCOLESTR pszPropName, VARTYPE vt, VARIANT* pValue, DISPID* pDispid);
    // Which control shows which property, from the last loading exchange.
    void SetPropertyBindings(std::vector<AFX_PROPBINDING> bindings) {
        m_bindings = std::move(bindings);
    }

    DECLARE_INTERFACE_MAP()

protected:
    virtual void DoDataExchange(CDataExchange* pDX) = 0;
    // The dialog's WM_INITDIALOG, once the page's CWnd is attached to it:
    // loads the data (UpdateData(FALSE)). TRUE lets the dialog give the
    // focus to its first control.
    virtual BOOL OnInitDialog();

    // A page that goes with its last reference takes its window with it,
    // while the derived page's members still exist.
    void OnFinalRelease() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    LCID LocaleOfSite() const;

    const UINT m_idTemplate;
    const UINT m_idCaption;
    hx::com_ptr<IPropertyPageSite> m_pPageSite;
    std::vector<hx::com_ptr<IDispatch>> m_objects;
    std::vector<AFX_PROPBINDING> m_bindings;
    bool m_bInitFailed = false; // OnInitDialog threw; Activate undoes the window
};

// Switches on the hosting of ActiveX controls in the module's dialogs. This
// framework's dialogs hold system controls only, so there is nothing to set
// up: the call is kept so that pages read as they do elsewhere.
inline void AfxEnableControlContainer() {}
