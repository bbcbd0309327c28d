// One cache per type library of the module: the library is loaded once (the
// registered one in the locale asked for, else the one embedded in the
// module) and kept while objects that use it are alive.
#pragma once

#include "hx/com_ptr.h"
#include "hx/critical_section.h"

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

class CTypeLibCache {
public:
    CTypeLibCache() = default;
    CTypeLibCache(const CTypeLibCache&) = delete;
    CTypeLibCache& operator=(const CTypeLibCache&) = delete;

    const GUID& GetLibID() const { return m_tlid; }

    // Objects using the library hold a lock; the last unlock lets it go.
    void Lock();
    void Unlock();

    HRESULT GetTypeLib(LCID lcid, ITypeLib** ppTypeLib);
    HRESULT GetTypeInfo(LCID lcid, REFGUID guid, ITypeInfo** ppTypeInfo);

private:
    friend CTypeLibCache* AfxGetTypeLibCache(const GUID* pTypeLibID, WORD wVerMajor,
                                             WORD wVerMinor);
    HRESULT Load(LCID lcid, ITypeLib** ppTypeLib) const;

    GUID m_tlid = GUID_NULL;
    WORD m_wVerMajor = 0;
    WORD m_wVerMinor = 0;
    hx::critical_section m_lock;
    LONG m_cLocks = 0;
    LCID m_lcid = 0;
    hx::com_ptr<ITypeLib> m_pTypeLib;
};

// The module's cache for a library (made on first request); null when the
// module's table of caches is full.
CTypeLibCache* AfxGetTypeLibCache(const GUID* pTypeLibID, WORD wVerMajor, WORD wVerMinor);

#define DECLARE_OLETYPELIB(class_name)                                                             \
protected:                                                                                         \
    CTypeLibCache* GetTypeLibCache() override;                                                     \
                                                                                                   \
private:

#define IMPLEMENT_OLETYPELIB(class_name, tlid, wVerMajor, wVerMinor)                               \
    CTypeLibCache* class_name::GetTypeLibCache() {                                                 \
        return AfxGetTypeLibCache(&tlid, wVerMajor, wVerMinor);                                    \
    }
