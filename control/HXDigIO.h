// The module object of HXDigIO.ocx.
#pragma once

#include "AfxCtl.h"

class CHXdigIOApp : public COleControlModule {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};
