// COleControlModule: the one module object of a control module. The module's
// entry point records the instance handle and runs InitInstance when the
// module is loaded and ExitInstance when it is unloaded.
#pragma once

#include "AfxModuleState.h"

#include <windows.h>

class COleControlModule {
public:
    COleControlModule();
    COleControlModule(const COleControlModule&) = delete;
    COleControlModule& operator=(const COleControlModule&) = delete;
    virtual ~COleControlModule();

    // FALSE refuses the load.
    virtual BOOL InitInstance();
    virtual int ExitInstance();

    HINSTANCE m_hInstance = nullptr;
};
