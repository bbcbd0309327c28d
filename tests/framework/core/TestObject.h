// CTestObject: a small class on the framework's COM core alone, made by its
// factory in this program. Its members cover what the dispatch table offers:
// every parameter type, optional trailing arguments, a result whose type is
// chosen at run time, read-only, write-only and read/write properties, and
// errors raised every way a member can.
#pragma once

#include "AfxCmdTarget.h"
#include "AfxOleFactory.h"

#include <optional>

#define TESTOBJECT_PROGID "HXCoreTest.TestObject.1"

class CTestObject : public CCmdTarget, public IDispatch {
    DECLARE_OLECREATE_EX(CTestObject)
    DECLARE_INTERFACE_MAP()
    DECLARE_DISPATCH_MAP()

public:
    AFX_DECLARE_IUNKNOWN()
    AFX_DECLARE_IDISPATCH()

    enum DispId : DISPID { idJoin = 1, idScale, idRaise, idCount, idSecret, idValue };
    // The type library the control registration names.
    static const GUID typeLibrary;

private:
    // "<i2>|<i4>|<i8>|<r8>|<flag>|<text>"
    BSTR Join(short i2, long i4, LONGLONG i8, double r8, BOOL flag, BSTR text);
    // value * factor (2 when left out), as a script number.
    hx::unique_variant Scale(long value, std::optional<long> factor);
    // Fails with scode (E_OUTOFMEMORY: runs out of memory; E_UNEXPECTED: a
    // C++ exception of no dispatch kind) and the description, when given.
    void Raise(long scode, std::optional<BSTR> description);
    long GetCount() { return 7; }
    void SetSecret(long secret) { m_secret = secret; }
    LONGLONG GetValue() { return m_value; }
    void SetValue(LONGLONG value) { m_value = value; }

    long m_secret = 0;
    LONGLONG m_value = 0;
};
