// A small control on the framework with members of the types the real
// control does not use (BSTR, R8, I2, write-only, raised errors) and an event
// of every argument kind, for the framework's own suite.
#pragma once

#include "AfxCtl.h"

inline constexpr GUID CLSID_Probe = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x01}};
inline constexpr IID DIID_Probe = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x02}};
inline constexpr IID DIID_ProbeEvents = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x03}};

// Count (read-only I4) counts the writes of Secret (write-only I4).
enum ProbeDispId : DISPID { idCount = 1, idSecret, idEcho, idScale, idFail, idFire };
enum ProbeEventId : DISPID { evReported = 1, evPlain };

class CProbeCtrl : public COleControl {
    DECLARE_OLECREATE_EX(CProbeCtrl)
    DECLARE_DISPATCH_MAP()

public:
    CProbeCtrl() { InitializeIIDs(&DIID_Probe, &DIID_ProbeEvents); }

protected:
    long GetCount() { return m_count; }
    void SetSecret(long) { ++m_count; }
    BSTR Echo(BSTR text) { return SysAllocStringLen(text, SysStringLen(text)); }
    double Scale(double x, short by, BOOL negate) { return (negate ? -x : x) * by; }
    void Fail(long code) { ThrowError(static_cast<SCODE>(code), "probe failure"); }
    // Fires Reported(value, "reported", value << 32, Continue) and Plain();
    // returns the Continue the sinks left.
    BOOL Fire(long value) {
        BOOL keepGoing = TRUE;
        FireEvent(evReported, VTS_I4 VTS_BSTR VTS_I8 VTS_PBOOL, value, "reported",
                  static_cast<LONGLONG>(value) << 32, &keepGoing);
        FireEvent(evPlain, VTS_NONE);
        return keepGoing;
    }

private:
    long m_count = 0;
};
