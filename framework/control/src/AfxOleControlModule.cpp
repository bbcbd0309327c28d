#include "AfxOleControlModule.h"

COleControlModule::COleControlModule() {
    AfxGetStaticModuleState()->m_pCurrentWinApp = this;
}

COleControlModule::~COleControlModule() {
    AFX_MODULE_STATE* state = AfxGetStaticModuleState();
    if (state->m_pCurrentWinApp == this) state->m_pCurrentWinApp = nullptr;
}

BOOL COleControlModule::InitInstance() {
    return TRUE;
}

int COleControlModule::ExitInstance() {
    return 0;
}
