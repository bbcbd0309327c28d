// IDispatch of CCmdTarget, driven by the class's dispatch table.
#include "AfxCmdTarget.h"

#include "hx/bstr.h"
#include "AfxModuleState.h"
#include "AfxOleFactory.h"
#include "AfxVariantConvert.h"

#include <olectl.h>

#include <new>

namespace {

// Arguments converted to the member's declared types. An argument that
// already has its type is used as it stands, without a copy.
struct CoercedArgs {
    VARIANT values[AFX_MAX_DISP_PARAMS];
    bool owned[AFX_MAX_DISP_PARAMS] = {};
    unsigned count = 0;

    CoercedArgs() = default;
    CoercedArgs(const CoercedArgs&) = delete;
    CoercedArgs& operator=(const CoercedArgs&) = delete;
    ~CoercedArgs() {
        for (unsigned i = 0; i < count; ++i) {
            if (owned[i]) VariantClear(&values[i]);
        }
    }
};

// An optional argument left out reaches its member as VT_ERROR
// DISP_E_PARAMNOTFOUND, the way script hosts pass one they skip.
HRESULT Coerce(const VARIANT& given, VARTYPE vt, bool optional, LCID lcid, VARIANT& out,
               bool& owned) {
    owned = false;
    const VARIANT* source = &given;
    if (source->vt == (VT_BYREF | VT_VARIANT)) {
        if (!source->pvarVal) return E_INVALIDARG;
        source = source->pvarVal;
    }
    if (source->vt == vt || (optional && afx::IsMissing(*source))) {
        out = *source;
        return S_OK;
    }
    if (afx::IsMissing(*source)) return DISP_E_PARAMNOTOPTIONAL;
    const HRESULT hr = AfxConvertVariant(&out, given, lcid, vt);
    if (FAILED(hr)) return hr;
    owned = true;
    return S_OK;
}

VARIANT MissingArgument() {
    VARIANT missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

// The texts a script shows for the errors the framework raises itself.
const char* StandardDescription(SCODE scode) {
    switch (scode) {
    case CTL_E_SETNOTSUPPORTED:
        return "Property is read-only";
    case CTL_E_GETNOTSUPPORTED:
        return "Property is write-only";
    case E_UNEXPECTED:
        return "Unexpected failure inside the object";
    default:
        return nullptr;
    }
}

// The source a script shows with an error: the ProgID of the object's class.
const char* ErrorSource(CCmdTarget& target) {
    CLSID clsid;
    if (FAILED(target.GetClassID(&clsid))) return nullptr;
    const COleObjectFactory* factory = COleObjectFactory::FindFactory(clsid);
    return factory ? factory->GetProgID() : nullptr;
}

// Fails the call with scode through EXCEPINFO (a caller that passes none
// learns only that the call raised an error, as from the system's dispatch);
// without a description of its own, the error carries its standard one.
HRESULT RaiseError(CCmdTarget& target, SCODE scode, const char* description,
                   EXCEPINFO* pExcepInfo) {
    if (!pExcepInfo) return DISP_E_EXCEPTION;
    ZeroMemory(pExcepInfo, sizeof *pExcepInfo);
    pExcepInfo->scode = scode;
    if (!description || !*description) description = StandardDescription(scode);
    pExcepInfo->bstrDescription = hx::unique_bstr::from_ansi(description).release();
    pExcepInfo->bstrSource = hx::unique_bstr::from_ansi(ErrorSource(target)).release();
    return DISP_E_EXCEPTION;
}

} // namespace

HRESULT CCmdTarget::DispatchGetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_INVALIDARG;
    *pctinfo = HasDispatchTypeInfo() ? 1 : 0;
    return S_OK;
}

HRESULT CCmdTarget::DispatchGetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_INVALIDARG;
    *ppTInfo = nullptr;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (iTInfo != 0 || !HasDispatchTypeInfo()) return DISP_E_BADINDEX;
    return GetDispatchTypeInfo(lcid, ppTInfo);
}

HRESULT CCmdTarget::DispatchGetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                          DISPID* rgDispId) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId || cNames == 0) return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    const AFX_DISPMAP_ENTRY* entry = FindDispEntry(rgszNames[0]);
    if (!entry) return DISP_E_UNKNOWNNAME;
    rgDispId[0] = entry->lDispID;
    // Members take their arguments by position only: no parameter name is
    // known.
    return cNames > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT CCmdTarget::DispatchInvoke(DISPID dispid, REFIID riid, LCID lcid, WORD wFlags,
                                   DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                   EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!pDispParams) return E_INVALIDARG;
    const DISPPARAMS& params = *pDispParams;
    if ((params.cArgs > 0 && !params.rgvarg) ||
        (params.cNamedArgs > 0 && !params.rgdispidNamedArgs) || params.cNamedArgs > params.cArgs)
        return E_INVALIDARG;

    const AFX_DISPMAP_ENTRY* entry = FindDispEntry(dispid);
    if (!entry) return DISP_E_MEMBERNOTFOUND;

    const bool isPut = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    AfxDispCall call = nullptr;
    unsigned count = 0;
    if (isPut) {
        if (entry->kind != AfxDispKind::Property) return DISP_E_MEMBERNOTFOUND;
        if (params.cNamedArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
        if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_NONAMEDARGS;
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (!entry->pfnSet) return RaiseError(*this, CTL_E_SETNOTSUPPORTED, nullptr, pExcepInfo);
        call = entry->pfnSet;
        count = 1;
    } else {
        if (!(wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
        if (params.cNamedArgs > 0) return DISP_E_NONAMEDARGS;
        if (params.cArgs < entry->nRequired || params.cArgs > entry->nParams)
            return DISP_E_BADPARAMCOUNT;
        if (!entry->pfnCall) return RaiseError(*this, CTL_E_GETNOTSUPPORTED, nullptr, pExcepInfo);
        call = entry->pfnCall;
        count = entry->nParams;
    }

    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CoercedArgs args;
    for (unsigned i = 0; i < count; ++i) {
        args.count = i + 1;
        if (i >= params.cArgs) { // trailing optional arguments left out
            args.values[i] = MissingArgument();
            continue;
        }
        // rgvarg holds the arguments last first.
        const UINT argIndex = params.cArgs - 1 - i;
        const VARTYPE vt =
            isPut ? entry->vt : afx::VtsParam(entry->lpszParams, i, entry->nRequired);
        const HRESULT hr = Coerce(params.rgvarg[argIndex], vt, !isPut && i >= entry->nRequired,
                                  lcid, args.values[i], args.owned[i]);
        if (FAILED(hr)) {
            if (puArgErr) *puArgErr = argIndex;
            return hr;
        }
    }

    VARIANT* result = isPut ? nullptr : pVarResult;
    if (result) VariantInit(result);
    try {
        call(this, args.values, entry->vt, result);
    } catch (const COleDispatchException& e) {
        return RaiseError(*this, e.m_scError, e.m_strDescription.c_str(), pExcepInfo);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return RaiseError(*this, E_UNEXPECTED, nullptr, pExcepInfo);
    }
    return S_OK;
}
