// Identifiers of HXDigIO.ocx that the module's C++ code uses besides those
// the type library declares (HXDigIO_h.h: DIID__DHXdigIO, DIID__DHXdigIOEvents,
// CLSID_HXdigIO, LIBID_HXDIGIOLib).
#ifndef HXDIGIO_IDS_H
#define HXDIGIO_IDS_H

#include <windows.h>

// The type library HXDIGIOLib 1.0; the same GUID as the library block of
// HXDigIO.idl.
inline constexpr GUID kHXDigIOLibId = {
    0xb97a54e4, 0xada5, 0x42f3, {0x84, 0xc6, 0xd3, 0x13, 0x8c, 0xf0, 0xee, 0x83}};
inline constexpr WORD kHXDigIOLibVersionMajor = 1;
inline constexpr WORD kHXDigIOLibVersionMinor = 0;

// The general property page ("HXDIGIO.HXdigIOPropPage.1"). It has no coclass in
// the type library: containers find it through ISpecifyPropertyPages.
inline constexpr GUID kHXDigIOPropPageClsid = {
    0x70019ab9, 0x650e, 0x4602, {0x97, 0x5a, 0xd4, 0x3c, 0x03, 0xf8, 0x1c, 0x09}};

#endif // HXDIGIO_IDS_H
