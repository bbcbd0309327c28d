// Property exchange: one DoPropExchange of a control serves loading, saving
// and resetting its persisted properties, whatever holds them.
//
//   void CMyCtrl::DoPropExchange(CPropExchange* pPX) {
//       ExchangeVersion(pPX, MAKELONG(0, 1)); // version 1.0
//       COleControl::DoPropExchange(pPX);
//       PX_Long(pPX, "Count", m_count, 0);
//   }
//
// Loading gives a property the stored value, or its default when the data
// has none or holds one that does not convert to the property's type.
#pragma once

#include "AfxPropset.h"
#include "hx/com_ptr.h"

#include <windows.h>
#include <ocidl.h>

class CPropExchange {
public:
    CPropExchange(const CPropExchange&) = delete;
    CPropExchange& operator=(const CPropExchange&) = delete;
    virtual ~CPropExchange() = default;

    BOOL IsLoading() const { return m_bLoading; }
    // A property could not be saved.
    bool HasFailed() const { return m_bFailed; }

    // One property; pvProp and pvDefault point to the C++ type of vtProp
    // (VT_I4 long, VT_UI4 ULONG). FALSE when saving it failed.
    virtual BOOL ExchangeProp(const char* pszPropName, VARTYPE vtProp, void* pvProp,
                              const void* pvDefault) = 0;
    // The version of the data ("_Version"): loading (and resetting) sets
    // dwVersionLoaded; saving writes dwVersionDefault when bConvert, else
    // the version that was loaded.
    BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert);

protected:
    explicit CPropExchange(BOOL bLoading) : m_bLoading(bLoading) {}
    BOOL Fail() {
        m_bFailed = true;
        return FALSE;
    }

private:
    const BOOL m_bLoading;
    bool m_bFailed = false;
};

BOOL PX_Long(CPropExchange* pPX, const char* pszPropName, long& lValue, long lDefault);
BOOL PX_ULong(CPropExchange* pPX, const char* pszPropName, ULONG& ulValue, ULONG ulDefault);

// To and from the framework's stream format.
class CPropsetPropExchange : public CPropExchange {
public:
    CPropsetPropExchange(CPropertySet& set, BOOL bLoading) : CPropExchange(bLoading), m_set(set) {}
    BOOL ExchangeProp(const char* pszPropName, VARTYPE vtProp, void* pvProp,
                      const void* pvDefault) override;

private:
    CPropertySet& m_set;
};

// To and from a container's property bag.
class CPropbagPropExchange : public CPropExchange {
public:
    CPropbagPropExchange(IPropertyBag* pPropBag, IErrorLog* pErrorLog, BOOL bLoading)
        : CPropExchange(bLoading), m_pPropBag(pPropBag), m_pErrorLog(pErrorLog) {}
    BOOL ExchangeProp(const char* pszPropName, VARTYPE vtProp, void* pvProp,
                      const void* pvDefault) override;

private:
    IPropertyBag* m_pPropBag;
    IErrorLog* m_pErrorLog;
};

// Every property to its default.
class CResetPropExchange : public CPropExchange {
public:
    CResetPropExchange() : CPropExchange(TRUE) {}
    BOOL ExchangeProp(const char* pszPropName, VARTYPE vtProp, void* pvProp,
                      const void* pvDefault) override;
};
