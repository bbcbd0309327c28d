// The imaging toolkit's operations that the control binds to. The three
// libraries export them by ordinal only (see the .def files beside the
// toolkit's sources); the ordinal of each operation is given in its comment.
//
// Results are 32-bit; a status is 0 on success and nonzero on failure. A read
// that fails leaves its out-parameter as the caller had it.
// Image and stopwatch handles are pointer-sized and opaque. Every operation
// accepts any handle value: a value that is not a live object gives the
// operation's failure result, never a crash.
#pragma once

#include <windows.h>

#include <cstdint>

typedef struct HXKImageObject* HXKIMAGE;         // 0 = no image
typedef struct HXKStopwatchObject* HXKSTOPWATCH; // 0 = no stopwatch

#ifdef HXK_BUILDING_TOOLKIT
#define HXKAPI extern "C"
#else
#define HXKAPI extern "C" __declspec(dllimport)
#endif

// HXKImg.dll: image objects.
HXKAPI int32_t ImageHandleValid(HXKIMAGE image); // @85: nonzero for a live image
HXKAPI void AddImageRef(HXKIMAGE image);         // @104
HXKAPI void ReleaseImageRef(HXKIMAGE image);     // @105: the image dies with its last reference

// HXKDriver.dll: basic digital I/O of the image's driver.
HXKAPI int32_t SupportsBasicDigIO(HXKIMAGE image);                          // @700; image may be 0
HXKAPI int32_t QueryInputCount(HXKIMAGE image, int32_t* count);             // @701
HXKAPI int32_t QueryOutputCount(HXKIMAGE image, int32_t* count);            // @702
HXKAPI int32_t ReadInputLine(HXKIMAGE image, int32_t line, int32_t* value); // @703: 0 = LO
HXKAPI int32_t ReadInputGroup(HXKIMAGE image, int32_t group, uint32_t* value);  // @704
HXKAPI int32_t ReadOutputLine(HXKIMAGE image, int32_t line, int32_t* value);    // @705
HXKAPI int32_t ReadOutputGroup(HXKIMAGE image, int32_t group, uint32_t* value); // @706
HXKAPI int32_t WriteOutputLine(HXKIMAGE image, int32_t line, int32_t value);    // @707
HXKAPI int32_t WriteOutputGroup(HXKIMAGE image, int32_t group, uint32_t value,
                                uint32_t mask); // @708

// HXKUtilities.dll: stopwatch and the toolkit's settings key.
HXKAPI void CreateStopwatch(HXKSTOPWATCH* stopwatch);               // @5
HXKAPI void DestroyStopwatch(HXKSTOPWATCH stopwatch);               // @6
HXKAPI void RestartStopwatch(HXKSTOPWATCH stopwatch, int32_t slot); // @8
HXKAPI int32_t StopwatchElapsed(HXKSTOPWATCH stopwatch, int32_t slot,
                                double* milliseconds); // @9
// @12: opens HKEY_LOCAL_MACHINE\Software\Harlow\Toolkit (the toolkit's
// settings key); on success the caller owns *key and closes it.
HXKAPI int32_t OpenToolkitKey(int32_t reserved, REGSAM access, HKEY* key);

// The settings key's path under HKEY_LOCAL_MACHINE.
#define HXK_TOOLKIT_KEY_PATH "Software\\Harlow\\Toolkit"
