#include "ProbeControl.h"

namespace {
volatile LONG g_liveProbes = 0;
}

IMPLEMENT_OLECREATE_EX(CProbeCtrl, PROBE_PROGID, CLSID_Probe)

BOOL CProbeCtrl::CProbeCtrlFactory::UpdateRegistry(BOOL bRegister) {
    if (bRegister)
        return AfxOleRegisterControlClass(
            AfxGetInstanceHandle(), m_clsid, m_lpszProgID, IDS_PROBE_TYPENAME, 1,
            afxRegInsertable | afxRegApartmentThreading, 0x20191, LIBID_Probe, 1, 0);
    return AfxOleUnregisterClass(m_clsid, m_lpszProgID);
}

BEGIN_DISPATCH_MAP(CProbeCtrl, COleControl)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Count", dispidCount, GetCount, SetNotSupported, VT_I4)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Big", dispidBig, GetBig, SetBig, VT_I8)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Flag", dispidFlag, GetFlag, SetFlag, VT_BOOL)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Secret", dispidSecret, GetNotSupported, SetSecret, VT_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Add", dispidAdd, Add, VT_I4, VTS_I4 VTS_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Echo", dispidEcho, Echo, VT_BSTR, VTS_BSTR)
DISP_FUNCTION_ID(CProbeCtrl, "Half", dispidHalf, Half, VT_R8, VTS_R8)
DISP_FUNCTION_ID(CProbeCtrl, "Fail", dispidFail, Fail, VT_EMPTY, VTS_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Fire", dispidFire, Fire, VT_BOOL, VTS_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Mix", dispidMix, Mix, VT_I2, VTS_I2 VTS_BOOL VTS_I8)
END_DISPATCH_MAP()

CProbeCtrl::CProbeCtrl() {
    InitializeIIDs(&DIID_Probe, &DIID_ProbeEvents);
    InterlockedIncrement(&g_liveProbes);
}

CProbeCtrl::~CProbeCtrl() {
    InterlockedDecrement(&g_liveProbes);
}

LONG CProbeCtrl::LiveCount() {
    return g_liveProbes;
}

void CProbeCtrl::SetBig(LONGLONG value) {
    m_big = value;
    ++m_count;
    SetModifiedFlag();
}

BSTR CProbeCtrl::Echo(BSTR text) {
    return SysAllocStringLen(text, SysStringLen(text));
}

BOOL CProbeCtrl::Fire(long value) {
    BOOL keepGoing = TRUE;
    FireEvent(eventReported, VTS_I4 VTS_BSTR VTS_I8 VTS_PBOOL, value, "reported",
              static_cast<LONGLONG>(value) << 32, &keepGoing);
    FireEvent(eventPlain, VTS_NONE);
    return keepGoing;
}

short CProbeCtrl::Mix(short small, BOOL flag, LONGLONG big) {
    return static_cast<short>(small + (flag ? 1000 : 0) + static_cast<short>(big));
}
