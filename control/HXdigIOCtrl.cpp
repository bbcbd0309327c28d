// The control object: construction, destruction, its dispatch table,
// registration, type and property pages, the image binding, the properties
// and the about box.
#include "HXdigIOCtrl.h"

#include "HXDigIOErrors.h"
#include "HXDigIOIds.h"
#include "HXDigIO_h.h"
#include "ToolkitSettings.h"
#include "resource.h"

#include <cstdint>

namespace {

// Registered, and answered by GetMiscStatus.
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                              OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                              OLEMISC_SETCLIENTSITEFIRST;

HXKIMAGE ImageFromHandle(LONGLONG handle) {
    return reinterpret_cast<HXKIMAGE>(static_cast<intptr_t>(handle));
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

IMPLEMENT_OLECREATE_EX(CHXdigIOCtrl, "HXDIGIO.HXdigIOCtrl.1", CLSID_HXdigIO)
IMPLEMENT_OLETYPELIB(CHXdigIOCtrl, LIBID_HXDIGIOLib, kHXDigIOLibVersionMajor,
                     kHXDigIOLibVersionMinor)
IMPLEMENT_OLECTLTYPE(CHXdigIOCtrl, IDS_HXDIGIO, kMiscStatus)

BEGIN_PROPPAGEIDS(CHXdigIOCtrl, 1)
PROPPAGEID(kHXDigIOPropPageClsid)
END_PROPPAGEIDS(CHXdigIOCtrl)

BOOL CHXdigIOCtrl::CHXdigIOCtrlFactory::UpdateRegistry(BOOL bRegister) {
    if (bRegister)
        return AfxOleRegisterControlClass(
            AfxGetInstanceHandle(), m_clsid, m_lpszProgID, IDS_HXDIGIO, IDB_HXDIGIO,
            afxRegInsertable | afxRegApartmentThreading, kMiscStatus, LIBID_HXDIGIOLib,
            kHXDigIOLibVersionMajor, kHXDigIOLibVersionMinor);
    return AfxOleUnregisterClass(m_clsid, m_lpszProgID);
}

BEGIN_DISPATCH_MAP(CHXdigIOCtrl, COleControl)
DISP_PROPERTY_EX_ID(CHXdigIOCtrl, "NumInputs", HXDISPID_NUMINPUTS, GetNumInputs, SetNotSupported,
                    VT_I4)
DISP_PROPERTY_EX_ID(CHXdigIOCtrl, "NumOutputs", HXDISPID_NUMOUTPUTS, GetNumOutputs, SetNotSupported,
                    VT_I4)
DISP_PROPERTY_EX_ID(CHXdigIOCtrl, "Image", HXDISPID_IMAGE, GetImage, SetImage, VT_I8)
DISP_PROPERTY_EX_ID(CHXdigIOCtrl, "IsBasicDigIO", HXDISPID_ISBASICDIGIO, GetIsBasicDigIO,
                    SetNotSupported, VT_BOOL)
DISP_FUNCTION_ID(CHXdigIOCtrl, "GetInDWORD", HXDISPID_GETINDWORD, GetInDWORD, VT_I4, VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "GetOutDWORD", HXDISPID_GETOUTDWORD, GetOutDWORD, VT_I4, VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "SetOutDWORD", HXDISPID_SETOUTDWORD, SetOutDWORD, VT_I4,
                 VTS_I4 VTS_I4 VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "SetOutBit", HXDISPID_SETOUTBIT, SetOutBit, VT_I4, VTS_I4 VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "GetInBit", HXDISPID_GETINBIT, GetInBit, VT_I4, VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "GetOutBit", HXDISPID_GETOUTBIT, GetOutBit, VT_I4, VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitListenerStart", HXDISPID_BITLISTENERSTART, WorkerStart, VT_BOOL,
                 VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitListenerDestroy", HXDISPID_BITLISTENERDESTROY, ListenerDestroy,
                 VT_BOOL, VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitListenerCreate", HXDISPID_BITLISTENERCREATE, BitListenerCreate,
                 VT_I8, VTS_I4 VTS_I4 VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitListenerStop", HXDISPID_BITLISTENERSTOP, ListenerStop, VT_BOOL,
                 VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "DWORDListenerCreate", HXDISPID_DWORDLISTENERCREATE,
                 DWORDListenerCreate, VT_I8, VTS_I4 VTS_I4 VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "DWORDListenerDestroy", HXDISPID_DWORDLISTENERDESTROY,
                 ListenerDestroy, VT_BOOL, VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "DWORDListenerStart", HXDISPID_DWORDLISTENERSTART, WorkerStart,
                 VT_BOOL, VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "DWORDListenerStop", HXDISPID_DWORDLISTENERSTOP, ListenerStop,
                 VT_BOOL, VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitTogglerCreate", HXDISPID_BITTOGGLERCREATE, BitTogglerCreate,
                 VT_I8, VTS_I4 VTS_I4)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitTogglerDestroy", HXDISPID_BITTOGGLERDESTROY, TogglerDestroy,
                 VT_BOOL, VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "BitTogglerStart", HXDISPID_BITTOGGLERSTART, WorkerStart, VT_BOOL,
                 VTS_I8)
DISP_FUNCTION_ID(CHXdigIOCtrl, "AboutBox", HXDISPID_ABOUTBOX, AboutBox, VT_EMPTY, VTS_NONE)
END_DISPATCH_MAP()

CHXdigIOCtrl::CHXdigIOCtrl() {
    InitializeIIDs(&DIID__DHXdigIO, &DIID__DHXdigIOEvents);
    m_bFireDirect = ReadHandOffSetting();
}

CHXdigIOCtrl::~CHXdigIOCtrl() {
    DestroyWorkers(); // each ends its thread before it drops its image reference
    m_hImage.ReleaseIfValid();
}

BOOL CHXdigIOCtrl::ReportError(const HXDigIOError& error) {
    BOOL keepGoing = error.continues ? TRUE : FALSE;
    FireHXKError(error.code, error.text, &keepGoing);
    return keepGoing;
}

LONGLONG CHXdigIOCtrl::GetImage() {
    return static_cast<LONGLONG>(reinterpret_cast<intptr_t>(m_hImage.Get()));
}

void CHXdigIOCtrl::SetImage(LONGLONG newValue) {
    const HXKIMAGE image = ImageFromHandle(newValue);
    if (image == m_hImage.Get()) return;

    const bool supported = SupportsBasicDigIO(image) != 0;
    if (image && !supported) {
        const HXDigIOError& error = hxerrors::kMissingDigIO;
        if (ReportError(error)) MessageBoxA(GetSafeHwnd(), error.text, "Error", MB_OK);
        return;
    }
    HXKImageRef bound(image);
    m_hImage.ReleaseIfValid();
    m_hImage = std::move(bound);

    if (image) {
        // A count whose query fails keeps the value it had. A handler of the
        // error may bind another image (or none); that binding has then done
        // the whole job, ImageUpdated included, and this one must not touch
        // an image it may no longer hold.
        int32_t count = m_nInputs;
        if (QueryInputCount(image, &count) == 0) {
            m_nInputs = count;
        } else {
            ReportError(hxerrors::kNoInputCount);
            if (m_hImage.Get() != image) return;
        }
        count = m_nOutputs;
        if (QueryOutputCount(image, &count) == 0) {
            m_nOutputs = count;
        } else {
            ReportError(hxerrors::kNoOutputCount);
            if (m_hImage.Get() != image) return;
        }
    } else {
        m_nInputs = 0;
        m_nOutputs = 0;
    }
    FireImageUpdated();
    SetModifiedFlag(TRUE);
}

BOOL CHXdigIOCtrl::GetIsBasicDigIO() {
    return SupportsBasicDigIO(m_hImage.Get()) != 0;
}

void CHXdigIOCtrl::AboutBox() {
    DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDD_ABOUTBOX_HXDIGIO), GetSafeHwnd(),
                    AboutDialogProc, 0);
}
