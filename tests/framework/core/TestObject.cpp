#include "TestObject.h"

#include "AfxModuleState.h"
#include "AfxOleRegistration.h"
#include "TestObjectResource.h"
#include "hx/bstr.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace {
// {2B79CF06-0292-4613-868C-5CC42D397200}
const CLSID kTestObjectClsid = {
    0x2b79cf06, 0x0292, 0x4613, {0x86, 0x8c, 0x5c, 0xc4, 0x2d, 0x39, 0x72, 0x00}};
} // namespace

// {C651C54F-D7E5-4ABE-87D4-936EEFB180D1}
const GUID CTestObject::typeLibrary = {
    0xc651c54f, 0xd7e5, 0x4abe, {0x87, 0xd4, 0x93, 0x6e, 0xef, 0xb1, 0x80, 0xd1}};

IMPLEMENT_OLECREATE_EX(CTestObject, TESTOBJECT_PROGID, kTestObjectClsid)

BOOL CTestObject::CTestObjectFactory::UpdateRegistry(BOOL bRegister) {
    if (!bRegister) return AfxOleUnregisterClass(m_clsid, m_lpszProgID);
    return AfxOleRegisterControlClass(AfxGetInstanceHandle(), m_clsid, m_lpszProgID, IDS_TESTOBJECT,
                                      1, afxRegInsertable | afxRegApartmentThreading,
                                      OLEMISC_RECOMPOSEONRESIZE | OLEMISC_SETCLIENTSITEFIRST,
                                      typeLibrary, 1, 0);
}

BEGIN_INTERFACE_MAP(CTestObject, CCmdTarget)
INTERFACE_PART(CTestObject, IID_IDispatch, IDispatch)
END_INTERFACE_MAP()

BEGIN_DISPATCH_MAP(CTestObject, CCmdTarget)
DISP_FUNCTION_ID(CTestObject, "Join", idJoin, Join, VT_BSTR,
                 VTS_I2 VTS_I4 VTS_I8 VTS_R8 VTS_BOOL VTS_BSTR)
DISP_FUNCTION_ID(CTestObject, "Scale", idScale, Scale, VT_VARIANT, VTS_I4 VTS_OPTIONAL VTS_I4)
DISP_FUNCTION_ID(CTestObject, "Raise", idRaise, Raise, VT_EMPTY, VTS_I4 VTS_OPTIONAL VTS_BSTR)
DISP_PROPERTY_EX_ID(CTestObject, "Count", idCount, GetCount, SetNotSupported, VT_I4)
DISP_PROPERTY_EX_ID(CTestObject, "Secret", idSecret, GetNotSupported, SetSecret, VT_I4)
DISP_PROPERTY_EX_ID(CTestObject, "Value", idValue, GetValue, SetValue, VT_I8)
END_DISPATCH_MAP()

BSTR CTestObject::Join(short i2, long i4, LONGLONG i8, double r8, BOOL flag, BSTR text) {
    char joined[512];
    std::snprintf(joined, sizeof joined, "%d|%ld|%lld|%g|%d|%s", i2, i4, i8, r8, flag,
                  hx::unique_bstr::to_ansi(text).c_str());
    return hx::unique_bstr::from_ansi(joined).release();
}

hx::unique_variant CTestObject::Scale(long value, std::optional<long> factor) {
    return AfxScriptNumber(static_cast<long long>(value) * factor.value_or(2));
}

void CTestObject::Raise(long scode, std::optional<BSTR> description) {
    if (scode == E_OUTOFMEMORY) throw std::bad_alloc();
    if (scode == E_UNEXPECTED) throw std::runtime_error("no dispatch error");
    const std::string text = description ? hx::unique_bstr::to_ansi(*description) : "";
    AfxThrowOleDispatchException(scode, description ? text.c_str() : nullptr);
}
