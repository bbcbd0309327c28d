#include "EventSink.h"

#include "Dispatch.h"
#include "hx/bstr.h"
#include "hx/variant.h"

#include <oleauto.h>

#include <utility>

VARIANT* EventArgs::At(UINT i) const {
    if (!m_params || i >= m_params->cArgs) return nullptr;
    return &m_params->rgvarg[m_params->cArgs - 1 - i];
}

LONGLONG EventArgs::Integer(UINT i) const {
    const VARIANT* arg = At(i);
    return arg ? dispatch::Number(*arg) : 0;
}

std::string EventArgs::Text(UINT i) const {
    VARIANT* arg = At(i);
    hx::unique_variant converted;
    if (!arg || FAILED(VariantChangeType(converted.addressof(), arg, 0, VT_BSTR)))
        return std::string();
    return hx::unique_bstr::to_ansi(converted.get().bstrVal);
}

bool EventArgs::IsBoolReference(UINT i) const {
    const VARIANT* arg = At(i);
    return arg && arg->vt == (VT_BOOL | VT_BYREF) && arg->pboolVal;
}

bool EventArgs::Bool(UINT i) const {
    if (IsBoolReference(i)) return *At(i)->pboolVal != VARIANT_FALSE;
    return Integer(i) != 0;
}

void EventArgs::SetBool(UINT i, bool value) {
    if (IsBoolReference(i)) *At(i)->pboolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

EventSink::EventSink(const IID& eventInterface, Handler handler)
    : m_eventInterface(eventInterface), m_handler(std::move(handler)) {}

STDMETHODIMP EventSink::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // The control asks for its event interface when the container connects.
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
        !IsEqualIID(iid, m_eventInterface))
        return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() {
    return static_cast<ULONG>(++m_references);
}

STDMETHODIMP_(ULONG) EventSink::Release() {
    const LONG left = --m_references;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

// One event. Nothing may leave a COM method as a C++ exception.
STDMETHODIMP EventSink::Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                               EXCEPINFO*, UINT*) {
    try {
        EventArgs args(params);
        if (m_handler) m_handler(event, args);
        return S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
