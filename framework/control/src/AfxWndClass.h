// Window classes of the framework's own windows (a control's default window,
// the reflector): registered in the module on first use, with the system's
// default procedure, so that a CWnd subclasses them like any other window.
#pragma once

#include <windows.h>

// The class name, registered in the module's instance (windows of it must
// be created with that instance); null when it cannot be registered.
const char* AfxRegisterFrameworkClass(const char* name);
