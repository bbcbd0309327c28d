// Identifiers of the bench form's child windows and menu commands. A button
// and the menu item that does the same share one identifier.
#pragma once

enum BenchId : int {
    // The control on the form
    IDC_CONTROL_INFO = 100,
    IDC_CONTROL_NOTE,
    IDC_BIND,
    IDC_UNBIND,
    IDC_PROPERTIES,
    IDC_ABOUT,
    // Ports
    IDC_PORT = 200,
    IDC_VALUE,
    IDC_MASK,
    IDC_GETINBIT,
    IDC_GETOUTBIT,
    IDC_SETOUTBIT,
    IDC_GETINDWORD,
    IDC_GETOUTDWORD,
    IDC_SETOUTDWORD,
    IDC_PORT_RESULT,
    // Workers
    IDC_WORKER_PORT = 300,
    IDC_WORKER_VALUE,
    IDC_WORKER_DELAY,
    IDC_BITLISTENER,
    IDC_DWORDLISTENER,
    IDC_TOGGLER,
    IDC_WORKERS,
    IDC_START,
    IDC_STOP,
    IDC_DESTROY,
    // Settings
    IDC_FIRE_DIRECT = 400,
    IDC_STOPWATCH,
    IDC_CONTINUE,
    IDC_STOP_IN_HANDLER,
    // The log
    IDC_LOG = 500,
    // Menu commands of their own
    IDM_BIND_WITHOUT_DIGIO = 600,
    IDM_EXIT,
    IDM_DESIGN_MODE,
    IDM_REMAKE,
    IDM_FAULT_INPUT_READ,
    IDM_FAULT_OUTPUT_READ,
    IDM_FAULT_OUTPUT_WRITE,
    IDM_FAULT_INPUT_GROUP_READ,
    IDM_FAULT_OUTPUT_GROUP_WRITE,
    IDM_FAULT_CLEAR,
    IDM_LOG_CLEAR,
};
