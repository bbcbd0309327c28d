// The control's property pages: the list a container asks for
// (ISpecifyPropertyPages) and the Properties verb that shows them.
#include "AfxOleControl.h"

#include "hx/com_ptr.h"

#include <olectl.h>

#include <cstring>
#include <vector>

const CLSID* COleControl::GetPropPageIDs(ULONG& cPropPages) {
    cPropPages = 0;
    return nullptr;
}

HRESULT COleControl::GetPages(CAUUID* pPages) {
    if (!pPages) return E_POINTER;
    pPages->cElems = 0;
    pPages->pElems = nullptr;
    ULONG count = 0;
    const CLSID* pages = GetPropPageIDs(count);
    if (!pages || count == 0) return S_OK;
    pPages->pElems = static_cast<GUID*>(CoTaskMemAlloc(count * sizeof(GUID)));
    if (!pPages->pElems) return E_OUTOFMEMORY;
    std::memcpy(pPages->pElems, pages, count * sizeof(GUID));
    pPages->cElems = count;
    return S_OK;
}

HRESULT COleControl::OnProperties(LPMSG, HWND hWndParent, LPCRECT) {
    // A container with a property frame of its own shows it.
    if (m_pControlSite && m_pControlSite->ShowPropertyFrame() == S_OK) return S_OK;
    ULONG count = 0;
    const CLSID* pages = GetPropPageIDs(count);
    if (!pages || count == 0) return E_NOTIMPL;
    // Only pages that can be made are shown; when none can, the verb fails
    // with the reason rather than showing a frame with nothing in it.
    std::vector<CLSID> available;
    HRESULT missing = S_OK;
    try {
        for (ULONG i = 0; i < count; ++i) {
            hx::com_ptr<IClassFactory> factory;
            const HRESULT made = CoGetClassObject(pages[i], CLSCTX_INPROC_SERVER, nullptr,
                                                  IID_IClassFactory, factory.put_void());
            if (SUCCEEDED(made))
                available.push_back(pages[i]);
            else if (missing == S_OK)
                missing = made;
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (available.empty()) return missing;
    // The frame is titled with the control's type name, and is modal to
    // the window DoVerb named, else to the control's own window.
    LPOLESTR typeName = nullptr;
    const HRESULT named = GetUserType(USERCLASSTYPE_SHORT, &typeName);
    IUnknown* objects[] = {GetControllingUnknown()};
    const HWND owner = hWndParent ? hWndParent : GetOuterWindow();
    const HRESULT hr = OleCreatePropertyFrame(owner, 0, 0, named == S_OK ? typeName : L"", 1,
                                              objects, static_cast<ULONG>(available.size()),
                                              available.data(), LOCALE_USER_DEFAULT, 0, nullptr);
    CoTaskMemFree(typeName);
    return hr;
}
