// Data exchange between a dialog's controls and its members (DDX_), and
// between the objects a property page edits and its members (DDP_).
//
// A page's DoDataExchange runs both kinds in one pass. Loading
// (m_bSaveAndValidate FALSE) reads the objects' properties into members and
// shows members in controls; saving reads controls back into members. The
// property exchange is one way: it loads properties and does nothing when
// saving, so applying a page never writes a property back.
//
//   void CMyPage::DoDataExchange(CDataExchange* pDX) {
//       DDP_Text(pDX, IDC_COUNT, m_strCount, L"Count");
//       DDX_Text(pDX, IDC_COUNT, m_strCount);
//       DDX_Control(pDX, IDC_LIST, m_list);
//       DDP_PostProcessing(pDX);
//   }
#pragma once

#include "AfxWnd.h"

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <type_traits>
#include <vector>

class COlePropertyPage;

// A control that shows a property: which control, which property.
struct AFX_PROPBINDING {
    int nID;
    DISPID dispid;
};

class CDataExchange {
public:
    CDataExchange(COlePropertyPage* pPage, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pPage(pPage) {}
    CDataExchange(const CDataExchange&) = delete;
    CDataExchange& operator=(const CDataExchange&) = delete;

    // TRUE: controls to members; FALSE: properties and members to controls.
    const BOOL m_bSaveAndValidate;
    COlePropertyPage* const m_pPage;

    // An exchange that could not be made (a control missing from the
    // dialog); UpdateData then answers FALSE.
    void Fail() { m_bFailed = true; }
    bool Failed() const { return m_bFailed; }

    // The controls that property exchanges of this pass bound to properties;
    // DDP_PostProcessing hands them to the page.
    std::vector<AFX_PROPBINDING> m_bindings;

private:
    bool m_bFailed = false;
};

// A control's window text and a string member.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// Binds a window object to a control of the dialog (once: an object that
// already has a window keeps it).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// Loading: the property (read by name from the first object the page edits)
// as text, in the form the property's value converts to (an integer gives
// its decimal digits). The member keeps its value when there is no object or
// the property cannot be read. Saving: nothing.
void DDP_Text(CDataExchange* pDX, int nIDC, std::string& value, LPCOLESTR pszPropName);
// The same for a 64-bit integer property, at its full width.
void DDP_Text(CDataExchange* pDX, int nIDC, LONGLONG& value, LPCOLESTR pszPropName);
// A pointer-sized handle carried by a 64-bit integer property.
template <class Handle>
requires std::is_pointer_v<Handle>
void DDP_Handle(CDataExchange* pDX, int nIDC, Handle& value, LPCOLESTR pszPropName) {
    LONGLONG bits = static_cast<LONGLONG>(reinterpret_cast<INT_PTR>(value));
    DDP_Text(pDX, nIDC, bits, pszPropName);
    value = reinterpret_cast<Handle>(static_cast<INT_PTR>(bits));
}
// Ends the property exchange of a pass: after loading, the page knows which
// control shows which property (IPropertyPage2::EditProperty goes there).
void DDP_PostProcessing(CDataExchange* pDX);
