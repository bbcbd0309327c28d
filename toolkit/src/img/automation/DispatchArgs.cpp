#include "DispatchArgs.h"

#include "ComHelpers.h"

namespace hxk {

bool DispatchArgs::present(UINT index) const {
    if (index >= params_.cArgs) return false;
    const VARIANTARG& arg = at(index);
    return !(V_VT(&arg) == VT_ERROR && V_ERROR(&arg) == DISP_E_PARAMNOTFOUND);
}

HRESULT DispatchArgs::fail(UINT index, HRESULT error) const {
    if (argErr_) *argErr_ = params_.cArgs - 1 - index;
    return error;
}

HRESULT DispatchArgs::coerce(UINT index, VARTYPE type, VARIANT* result) const {
    if (!present(index)) return fail(index, DISP_E_PARAMNOTFOUND);
    VariantHolder direct;
    HRESULT hr = VariantCopyInd(direct.get(), const_cast<VARIANTARG*>(&at(index)));
    if (SUCCEEDED(hr)) hr = VariantChangeType(result, direct.get(), 0, type);
    if (FAILED(hr)) return fail(index, hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH);
    return S_OK;
}

HRESULT DispatchArgs::toInt32(UINT index, int32_t* value) const {
    VariantHolder converted;
    const HRESULT hr = coerce(index, VT_I4, converted.get());
    if (SUCCEEDED(hr)) *value = V_I4(&converted.value());
    return hr;
}

HRESULT DispatchArgs::toHandle(UINT index, HXKIMAGE* value) const {
    VariantHolder converted;
    const HRESULT hr = coerce(index, VT_I8, converted.get());
    if (SUCCEEDED(hr)) {
        *value = reinterpret_cast<HXKIMAGE>(static_cast<uintptr_t>(V_I8(&converted.value())));
    }
    return hr;
}

HRESULT DispatchArgs::toBool(UINT index, bool* value) const {
    VariantHolder converted;
    const HRESULT hr = coerce(index, VT_BOOL, converted.get());
    if (SUCCEEDED(hr)) *value = V_BOOL(&converted.value()) != VARIANT_FALSE;
    return hr;
}

} // namespace hxk
