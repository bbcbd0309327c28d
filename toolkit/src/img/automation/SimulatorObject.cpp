#include "SimulatorObject.h"

#include "ComHelpers.h"
#include "HXKSimAutomation.h"
#include "ServerModule.h"
#include "SimulatorMembers.h"

#include <new>
#include <string>

namespace hxk {

namespace {

// Member names arrive as UTF-16; ours are plain ASCII.
std::string narrow(LPCOLESTR name) {
    std::string result;
    for (; *name; ++name)
        result += *name < 0x80 ? static_cast<char>(*name) : '?';
    return result;
}

void fillException(EXCEPINFO* exception, const char* description) {
    if (!exception) return;
    ZeroMemory(exception, sizeof *exception);
    exception->scode = E_INVALIDARG;
    exception->bstrSource = allocBstr(HXKSIM_PROGID);
    exception->bstrDescription = allocBstr(description);
}

} // namespace

HRESULT SimulatorObject::create(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    SimulatorObject* simulator = new (std::nothrow) SimulatorObject;
    if (!simulator) return E_OUTOFMEMORY;
    const HRESULT hr = simulator->QueryInterface(riid, object);
    simulator->Release();
    return hr;
}

SimulatorObject::SimulatorObject() {
    server::objectCreated();
}
SimulatorObject::~SimulatorObject() {
    server::objectDestroyed();
}

STDMETHODIMP SimulatorObject::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) SimulatorObject::AddRef() {
    return ++references_;
}

STDMETHODIMP_(ULONG) SimulatorObject::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP SimulatorObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0; // late binding by name only
    return S_OK;
}

STDMETHODIMP SimulatorObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP SimulatorObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    const SimulatorMember* member = nullptr;
    try {
        member = names[0] ? findMember(narrow(names[0]).c_str()) : nullptr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ids[0] = member ? member->id : DISPID_UNKNOWN;
    // No member takes named arguments.
    for (UINT i = 1; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    return member && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP SimulatorObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const SimulatorMember* member = findMember(id);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    // Script hosts call methods with METHOD, PROPERTYGET or both; every
    // member is read-only.
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (!params || (params->cArgs > 0 && !params->rgvarg)) return E_INVALIDARG;
    if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs < member->minArgs || params->cArgs > member->maxArgs) {
        return DISP_E_BADPARAMCOUNT;
    }
    if (result) VariantInit(result);
    const DispatchArgs args(*params, argErr);
    MemberCall call{args, result};
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = member->invoke(call);
    } catch (const std::bad_alloc&) {
        // Invoke is called from C as much as from C++: nothing may leave it.
    }
    if (hr == DISP_E_EXCEPTION) fillException(exception, call.failure);
    return hr;
}

} // namespace hxk
