// The arguments of one IDispatch::Invoke call, taken in call order and
// coerced the way automation clients expect: by-reference arguments are
// followed, any type VariantChangeType can convert is accepted, and a
// failure names the offending argument through puArgErr.
#pragma once

#include "HXKToolkit.h"

#include <oleauto.h>

namespace hxk {

class DispatchArgs {
public:
    DispatchArgs(const DISPPARAMS& params, UINT* argErr) : params_(params), argErr_(argErr) {}

    UINT count() const { return params_.cArgs; }
    // False for an argument beyond those passed or one left out (an optional
    // argument a script skipped arrives as VT_ERROR DISP_E_PARAMNOTFOUND).
    bool present(UINT index) const;

    HRESULT toInt32(UINT index, int32_t* value) const;
    HRESULT toHandle(UINT index, HXKIMAGE* value) const;
    HRESULT toBool(UINT index, bool* value) const;

private:
    const VARIANTARG& at(UINT index) const { return params_.rgvarg[params_.cArgs - 1 - index]; }
    HRESULT coerce(UINT index, VARTYPE type, VARIANT* result) const;
    HRESULT fail(UINT index, HRESULT error) const;

    const DISPPARAMS& params_;
    UINT* argErr_;
};

} // namespace hxk
