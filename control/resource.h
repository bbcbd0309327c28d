// Resource identifiers of HXDigIO.ocx, shared by HXDigIO.rc and the C++ code.
#ifndef HXDIGIO_RESOURCE_H
#define HXDIGIO_RESOURCE_H

// Strings
#define IDS_HXDIGIO 1             // type name of the control
#define IDS_DIGIO_PPG 2           // type name of the property page
#define IDS_DIGIO_PPG_CAPTION 200 // caption (tab) of the property page

// Icon, toolbox bitmap, type library
#define IDI_ABOUTDLL 1
#define IDB_HXDIGIO 1
#define IDR_HXDIGIO_TYPELIB 1

// About box
#define IDD_ABOUTBOX_HXDIGIO 1

// General property page
#define IDD_PROPPAGE_DIGIO 200
#define IDC_NUMOUTPUTS 201
#define IDC_NUMINPUTS 202
#define IDC_INPUTS 206
#define IDC_OUTPUTS 207

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif // HXDIGIO_RESOURCE_H
