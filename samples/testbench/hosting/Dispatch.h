// Calling a control through IDispatch, the way script hosts and form
// designers do: by DISPID (known from the control's header or type library)
// or by name (asked with GetIDsOfNames). Arguments are given in their natural
// order; IDispatch wants them reversed, which these helpers do.
#pragma once

#include "hx/variant.h"

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <string>

namespace dispatch {

// Argument values. They hold no resources, so they need no clearing.
VARIANT Int(long value);       // VT_I4
VARIANT Int64(LONGLONG value); // VT_I8, the control's handles
VARIANT Bool(bool value);      // VT_BOOL

// A method call; result may be null when the caller wants none. On
// DISP_E_EXCEPTION the exception's description goes to *error (if given).
HRESULT Call(IDispatch* target, DISPID member, std::initializer_list<VARIANT> args,
             hx::unique_variant* result = nullptr, std::string* error = nullptr);
HRESULT Get(IDispatch* target, DISPID property, hx::unique_variant& result);
HRESULT Put(IDispatch* target, DISPID property, const VARIANT& value, std::string* error = nullptr);

// The DISPID of a member by its name, or DISPID_UNKNOWN.
DISPID IdOfName(IDispatch* target, const wchar_t* name);

// A result as a number (0 if it is none): VT_I4, VT_I8, VT_BOOL (-1 for
// TRUE, as VARIANT_BOOL has it) and whatever else converts.
LONGLONG Number(const VARIANT& value);

} // namespace dispatch
