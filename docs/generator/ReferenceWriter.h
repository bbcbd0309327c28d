// Writes the reference of the control's automation interface as Markdown:
// every property, method and event with its DISPID, parameters, result, help
// string and help context, the enumerations with their values, and every
// error the control raises with its text and when it happens. Everything
// comes from the type library and the control's error table, so the
// reference cannot drift from the module.
#pragma once

#include <oaidl.h>

#include <string>

// The whole reference for this library; empty when the library lacks the
// control's interfaces.
std::string WriteReference(ITypeLib* library);
