// The simulator's automation object, served by HXKImg.dll: script hosts and
// other COM clients create it as "HXKSim.Simulator" once HXKImg.dll has been
// registered (regsvr32 HXKImg.dll, or its DllRegisterServer).
//
// Members (late-bound through IDispatch; every argument is coerced with
// VariantChangeType, by-reference arguments are followed):
//   CreateImage(Inputs, Outputs [, BasicDigIO = True])  -> image handle
//   CreateImageWithoutDigIO(Inputs, Outputs)            -> image handle
//   AddImageRef(Image), ReleaseImage(Image)             (dead handles: no effect)
//   ReferenceCount(Image)                               -> 0 for a dead handle
//   SetInput(Image, Line, Level), GetInput(Image, Line) -> 0 or 1
//   SetOutput(Image, Line, Level), GetOutput(Image, Line)
//   OutputWriteCount(Image, Line)                       -> driver writes so far
//   OutputWriteTime(Image, Line, Write)                 -> when write number Write
//                                                          (0 = the first) happened, in
//                                                          milliseconds on the performance
//                                                          counter (the last 1024 are kept)
//   SetFault(Image, Operation, Index, Enable), ClearFaults(Image)
//   CallCount(Operation [, Image])                      -> for one handle, or in total
//   ResetCallCounts(), LiveImageCount()
//
// Image handles reach scripts as numbers they can hold exactly: VT_I4 when
// the value fits, VT_R8 otherwise (handle values stay below 2^53). They are
// accepted back as any type that converts to a 64-bit integer (VT_I4, VT_R8,
// VT_I8, VT_BSTR, ...). CreateImage gives the caller one reference; drop it
// with ReleaseImage. A call on a dead image or a missing line fails with
// DISP_E_EXCEPTION (scode E_INVALIDARG, source "HXKSim.Simulator").
#pragma once

#define HXKSIM_PROGID "HXKSim.Simulator"
#define HXKSIM_CLSID_STRING "{F9931515-8B9F-4DEF-8247-A82BF353F6C0}"

// CLSID of "HXKSim.Simulator".
#define HXKSIM_CLSID_INITIALIZER                                                                   \
    {                                                                                              \
        0xf9931515, 0x8b9f, 0x4def, {                                                              \
            0x82, 0x47, 0xa8, 0x2b, 0xf3, 0x53, 0xf6, 0xc0                                         \
        }                                                                                          \
    }
