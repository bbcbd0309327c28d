#include "AfxPropExchange.h"

#include "AfxVariantConvert.h"
#include "hx/bstr.h"
#include "hx/variant.h"

#include <oleauto.h>

namespace {

// The property's value as the 32 bits every supported type is.
DWORD Bits(VARTYPE vt, const void* pv) {
    return vt == VT_I4 ? static_cast<DWORD>(*static_cast<const long*>(pv))
                       : static_cast<DWORD>(*static_cast<const ULONG*>(pv));
}
void SetBits(VARTYPE vt, void* pv, DWORD bits) {
    if (vt == VT_I4)
        *static_cast<long*>(pv) = static_cast<long>(bits);
    else
        *static_cast<ULONG*>(pv) = static_cast<ULONG>(bits);
}
bool Supported(VARTYPE vt, const void* pv, const void* pvDefault) {
    return (vt == VT_I4 || vt == VT_UI4) && pv && pvDefault;
}

} // namespace

BOOL CPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) {
    if (IsLoading()) {
        ULONG version = dwVersionDefault;
        const BOOL result = PX_ULong(this, "_Version", version, dwVersionDefault);
        dwVersionLoaded = version;
        return result;
    }
    ULONG version = bConvert ? dwVersionDefault : dwVersionLoaded;
    return PX_ULong(this, "_Version", version, dwVersionDefault);
}

BOOL PX_Long(CPropExchange* pPX, const char* pszPropName, long& lValue, long lDefault) {
    return pPX ? pPX->ExchangeProp(pszPropName, VT_I4, &lValue, &lDefault) : FALSE;
}

BOOL PX_ULong(CPropExchange* pPX, const char* pszPropName, ULONG& ulValue, ULONG ulDefault) {
    return pPX ? pPX->ExchangeProp(pszPropName, VT_UI4, &ulValue, &ulDefault) : FALSE;
}

BOOL CPropsetPropExchange::ExchangeProp(const char* pszPropName, VARTYPE vtProp, void* pvProp,
                                        const void* pvDefault) {
    if (!Supported(vtProp, pvProp, pvDefault)) return Fail();
    if (!IsLoading()) {
        try {
            return m_set.Set(pszPropName, vtProp, Bits(vtProp, pvProp)) ? TRUE : Fail();
        } catch (...) {
            return Fail();
        }
    }
    // Both types are 32 bits wide: a value stored as the other type is
    // taken as it stands.
    const CPropertySet::Property* stored = m_set.Find(pszPropName);
    SetBits(vtProp, pvProp, stored ? stored->value : Bits(vtProp, pvDefault));
    return TRUE;
}

BOOL CPropbagPropExchange::ExchangeProp(const char* pszPropName, VARTYPE vtProp, void* pvProp,
                                        const void* pvDefault) {
    if (!Supported(vtProp, pvProp, pvDefault) || !m_pPropBag) return Fail();
    const hx::unique_bstr name = hx::unique_bstr::from_ansi(pszPropName);
    if (!name.get()) return Fail();
    hx::unique_variant value;
    if (!IsLoading()) {
        VARIANT* v = value.put();
        v->vt = vtProp;
        if (vtProp == VT_I4)
            v->lVal = *static_cast<const long*>(pvProp);
        else
            v->ulVal = *static_cast<const ULONG*>(pvProp);
        return SUCCEEDED(m_pPropBag->Write(name.get(), v)) ? TRUE : Fail();
    }
    // The bag answers in a type of its choice; what does not convert, or is
    // missing, leaves the default.
    hx::unique_variant converted;
    if (SUCCEEDED(m_pPropBag->Read(name.get(), value.put(), m_pErrorLog)) &&
        SUCCEEDED(AfxConvertVariant(converted.put(), value.get(), 0, vtProp))) {
        SetBits(vtProp, pvProp,
                vtProp == VT_I4 ? static_cast<DWORD>(converted.get().lVal) : converted.get().ulVal);
    } else {
        SetBits(vtProp, pvProp, Bits(vtProp, pvDefault));
    }
    return TRUE;
}

BOOL CResetPropExchange::ExchangeProp(const char*, VARTYPE vtProp, void* pvProp,
                                      const void* pvDefault) {
    if (!Supported(vtProp, pvProp, pvDefault)) return Fail();
    SetBits(vtProp, pvProp, Bits(vtProp, pvDefault));
    return TRUE;
}
