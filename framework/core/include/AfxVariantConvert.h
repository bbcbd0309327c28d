// Converting a VARIANT that a caller handed in (a script host's argument, a
// container's property bag value) to the type a member or property takes.
#pragma once

#include <windows.h>
#include <oleauto.h>

// As VariantChangeTypeEx, for VARIANTs from anywhere. A reference that
// points nowhere and a reference to a reference answer E_INVALIDARG. A
// dispatch object stands for its value (DISPID_VALUE), asked for once; a
// null one, a plain IUnknown, and an object whose value is an object again
// answer DISP_E_TYPEMISMATCH. The system's conversion would follow such VARIANTs
// into a crash or, for an object that is its own value, for ever. On success
// *out holds the converted value, which the caller clears.
HRESULT AfxConvertVariant(VARIANT* out, const VARIANT& in, LCID lcid, VARTYPE vt);
