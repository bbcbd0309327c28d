#include "AfxWndClass.h"

#include "AfxModuleState.h"

const char* AfxRegisterFrameworkClass(const char* name) {
    const HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing)) return name;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    // The system's procedure: nothing of the module is called through the
    // class itself, so it stays valid whenever the module comes and goes.
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.lpszClassName = name;
    if (RegisterClassExA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return name;
    return nullptr;
}
