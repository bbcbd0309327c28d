#include "AfxVariantConvert.h"

namespace {

bool IsObject(VARTYPE vt) {
    const VARTYPE base = vt & VT_TYPEMASK;
    return !(vt & VT_ARRAY) && (base == VT_DISPATCH || base == VT_UNKNOWN);
}

// What a conversion may be handed: one reference to a VARIANT followed, and
// no reference that points nowhere; null when there is none.
const VARIANT* Followed(const VARIANT& in) {
    const VARIANT* value = &in;
    if (value->vt == (VT_BYREF | VT_VARIANT)) {
        value = value->pvarVal;
        if (!value || value->vt == (VT_BYREF | VT_VARIANT)) return nullptr;
    }
    if ((value->vt & VT_BYREF) && !value->byref) return nullptr;
    return value;
}

// A dispatch object's value, asked for as the system's conversion asks for
// it; a plain IUnknown has none.
HRESULT ValueOf(const VARIANT& object, LCID lcid, VARIANT* value) {
    if ((object.vt & VT_TYPEMASK) != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    IDispatch* const dispatch = (object.vt & VT_BYREF) ? *object.ppdispVal : object.pdispVal;
    if (!dispatch) return DISP_E_TYPEMISMATCH;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VariantInit(value);
    if (FAILED(dispatch->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, value,
                                nullptr, nullptr))) {
        VariantClear(value);
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

} // namespace

HRESULT AfxConvertVariant(VARIANT* out, const VARIANT& in, LCID lcid, VARTYPE vt) {
    if (!out) return E_POINTER;
    VariantInit(out);
    const VARIANT* source = Followed(in);
    if (!source) return E_INVALIDARG;
    if (!IsObject(source->vt) || IsObject(vt))
        return VariantChangeTypeEx(out, const_cast<VARIANT*>(source), lcid, 0, vt);
    VARIANT value;
    HRESULT hr = ValueOf(*source, lcid, &value);
    if (FAILED(hr)) return hr;
    const VARIANT* plain = Followed(value);
    if (!plain)
        hr = E_INVALIDARG;
    else if (IsObject(plain->vt))
        hr = DISP_E_TYPEMISMATCH;
    else
        hr = VariantChangeTypeEx(out, const_cast<VARIANT*>(plain), lcid, 0, vt);
    VariantClear(&value);
    return hr;
}
