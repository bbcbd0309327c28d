#include "ProbeControl.h"

IMPLEMENT_OLECREATE_EX(CProbeCtrl, "HXFramework.Probe.1", CLSID_Probe)

// The probe lives in the test program only and is never registered.
BOOL CProbeCtrl::CProbeCtrlFactory::UpdateRegistry(BOOL) {
    return TRUE;
}

BEGIN_DISPATCH_MAP(CProbeCtrl, COleControl)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Count", idCount, GetCount, SetNotSupported, VT_I4)
DISP_PROPERTY_EX_ID(CProbeCtrl, "Secret", idSecret, GetNotSupported, SetSecret, VT_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Echo", idEcho, Echo, VT_BSTR, VTS_BSTR)
DISP_FUNCTION_ID(CProbeCtrl, "Scale", idScale, Scale, VT_R8, VTS_R8 VTS_I2 VTS_BOOL)
DISP_FUNCTION_ID(CProbeCtrl, "Fail", idFail, Fail, VT_EMPTY, VTS_I4)
DISP_FUNCTION_ID(CProbeCtrl, "Fire", idFire, Fire, VT_BOOL, VTS_I4)
END_DISPATCH_MAP()
