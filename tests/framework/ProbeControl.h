// A small control built on the framework, with members of every supported
// type, for the framework's own tests.
#pragma once

#include "AfxCtl.h"

#include <string>

// {5B1B7F4A-3C2E-4F7B-9A51-2D7C0E6A1F01}
inline constexpr GUID CLSID_Probe = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x01}};
inline constexpr IID DIID_Probe = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x02}};
inline constexpr IID DIID_ProbeEvents = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x03}};
inline constexpr GUID LIBID_Probe = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x04}};

#define PROBE_PROGID "HXFramework.Probe.1"
#define IDS_PROBE_TYPENAME 1

enum ProbeDispId : DISPID {
    dispidCount = 1,  // read-only I4
    dispidBig = 2,    // read/write I8
    dispidFlag = 3,   // read/write BOOL
    dispidSecret = 4, // write-only I4
    dispidAdd = 5,    // I4 Add(I4, I4)
    dispidEcho = 6,   // BSTR Echo(BSTR)
    dispidHalf = 7,   // R8 Half(R8)
    dispidFail = 8,   // Fail(I4 code): raises the code
    dispidFire = 9,   // Fire(I4 value): fires Reported and returns Continue
    dispidMix = 10,   // I2 Mix(I2, BOOL, I8)
};
enum ProbeEventId : DISPID { eventReported = 1, eventPlain = 2 };

class CProbeCtrl : public COleControl {
    DECLARE_OLECREATE_EX(CProbeCtrl)
    DECLARE_DISPATCH_MAP()

public:
    CProbeCtrl();
    ~CProbeCtrl() override;

    static LONG LiveCount();

protected:
    long GetCount() { return m_count; }
    LONGLONG GetBig() { return m_big; }
    void SetBig(LONGLONG value);
    BOOL GetFlag() { return m_flag; }
    void SetFlag(BOOL value) { m_flag = value; }
    void SetSecret(long value) { m_secret = value; }
    long Add(long a, long b) { return a + b; }
    BSTR Echo(BSTR text);
    double Half(double value) { return value / 2; }
    void Fail(long code) { ThrowError(static_cast<SCODE>(code), "probe failure"); }
    BOOL Fire(long value);
    short Mix(short small, BOOL flag, LONGLONG big);

private:
    long m_count = 0;
    LONGLONG m_big = 0;
    BOOL m_flag = FALSE;
    long m_secret = 0;
};
