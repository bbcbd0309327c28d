/* Dispatch identifiers of the control's automation interface _DHXdigIO and of
   its event interface _DHXdigIOEvents. One list for the type library (the IDL
   includes this file), the control's dispatch table and event firing, and the
   containers in the tests: plain macros, so that every one of them can read
   it. */
#ifndef HXDIGIO_DISPIDS_H
#define HXDIGIO_DISPIDS_H

#define HXDISPID_NUMINPUTS 1
#define HXDISPID_NUMOUTPUTS 2
#define HXDISPID_IMAGE 3
#define HXDISPID_ISBASICDIGIO 4
#define HXDISPID_GETINDWORD 5
#define HXDISPID_GETOUTDWORD 6
#define HXDISPID_SETOUTDWORD 7
#define HXDISPID_SETOUTBIT 8
#define HXDISPID_BITLISTENERSTART 9
#define HXDISPID_BITLISTENERDESTROY 10
#define HXDISPID_BITLISTENERCREATE 11
#define HXDISPID_GETINBIT 12
#define HXDISPID_GETOUTBIT 13
#define HXDISPID_BITLISTENERSTOP 14
#define HXDISPID_DWORDLISTENERCREATE 15
#define HXDISPID_DWORDLISTENERDESTROY 16
#define HXDISPID_DWORDLISTENERSTART 17
#define HXDISPID_DWORDLISTENERSTOP 18
#define HXDISPID_BITTOGGLERCREATE 19
#define HXDISPID_BITTOGGLERDESTROY 20
#define HXDISPID_BITTOGGLERSTART 21
/* The standard about box member (DISPID_ABOUTBOX of olectl.h). */
#define HXDISPID_ABOUTBOX (-552)

#define HXEVENTID_HXKERROR 1
#define HXEVENTID_IMAGEUPDATED 2
#define HXEVENTID_LISTENER 3
#define HXEVENTID_TOGGLER 4

#endif
