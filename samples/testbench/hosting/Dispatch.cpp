#include "Dispatch.h"

#include "hx/bstr.h"

#include <oleauto.h>

#include <algorithm>
#include <vector>

namespace dispatch {

VARIANT Int(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Int64(LONGLONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I8;
    v.llVal = value;
    return v;
}

VARIANT Bool(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

namespace {

HRESULT Invoke(IDispatch* target, DISPID member, WORD flags, std::initializer_list<VARIANT> args,
               hx::unique_variant* result, std::string* error) {
    if (!target) return E_POINTER;
    // DISPPARAMS lists the last argument first.
    std::vector<VARIANT> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    // A property put names its single argument DISPID_PROPERTYPUT.
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS params = {reversed.data(), put ? &named : nullptr,
                         static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    const HRESULT hr =
        target->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                       result ? result->put() : nullptr, &exception, &badArgument);
    const hx::unique_bstr source(exception.bstrSource), description(exception.bstrDescription),
        helpFile(exception.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && error) *error = description.to_ansi();
    return hr;
}

} // namespace

HRESULT Call(IDispatch* target, DISPID member, std::initializer_list<VARIANT> args,
             hx::unique_variant* result, std::string* error) {
    return Invoke(target, member, DISPATCH_METHOD, args, result, error);
}

HRESULT Get(IDispatch* target, DISPID property, hx::unique_variant& result) {
    return Invoke(target, property, DISPATCH_PROPERTYGET, {}, &result, nullptr);
}

HRESULT Put(IDispatch* target, DISPID property, const VARIANT& value, std::string* error) {
    return Invoke(target, property, DISPATCH_PROPERTYPUT, {value}, nullptr, error);
}

DISPID IdOfName(IDispatch* target, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (!target || FAILED(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

LONGLONG Number(const VARIANT& value) {
    hx::unique_variant converted;
    // VariantChangeType follows a by-reference value to what it refers to.
    if (FAILED(VariantChangeType(converted.addressof(), const_cast<VARIANT*>(&value), 0, VT_I8)))
        return 0;
    return converted.get().llVal;
}

} // namespace dispatch
