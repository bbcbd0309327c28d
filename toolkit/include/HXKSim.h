// The simulated device behind our toolkit: named exports of HXKImg.dll that
// let tests, demos and users without hardware create images, drive the input
// lines, watch the output lines, inject faults and count calls.
//
// Lines are numbered from 0. Port group g holds lines 32g to 32g+31; lines
// past a count read 0 and ignore writes; a group that holds no line at all
// fails. Every function is safe to call from several threads at once.
#pragma once

#include "HXKToolkit.h"

// Operation identifiers for faults and call counters: the ordinals of the
// toolkit operations.
enum HXKSimOperation : int32_t {
    HXKSIM_OP_IMAGE_HANDLE_VALID = 85,
    HXKSIM_OP_ADD_IMAGE_REF = 104,
    HXKSIM_OP_RELEASE_IMAGE_REF = 105,
    HXKSIM_OP_SUPPORTS_BASIC_DIGIO = 700,
    HXKSIM_OP_QUERY_INPUT_COUNT = 701,
    HXKSIM_OP_QUERY_OUTPUT_COUNT = 702,
    HXKSIM_OP_READ_INPUT_LINE = 703,
    HXKSIM_OP_READ_INPUT_GROUP = 704,
    HXKSIM_OP_READ_OUTPUT_LINE = 705,
    HXKSIM_OP_READ_OUTPUT_GROUP = 706,
    HXKSIM_OP_WRITE_OUTPUT_LINE = 707,
    HXKSIM_OP_WRITE_OUTPUT_GROUP = 708,
    // HXKUtilities.dll's (HXKSimSetUtilityFault, HXKSimUtilityCallCount).
    HXKSIM_OP_CREATE_STOPWATCH = 5,
    HXKSIM_OP_DESTROY_STOPWATCH = 6,
    HXKSIM_OP_RESTART_STOPWATCH = 8,
    HXKSIM_OP_STOPWATCH_ELAPSED = 9,
    HXKSIM_OP_OPEN_TOOLKIT_KEY = 12,
};

// Index value that makes a fault apply to every line or group.
#define HXKSIM_ANY_INDEX (-1)

// Status values of the simulated toolkit. Callers of the toolkit operations
// rely only on 0 versus nonzero; these tell tests the causes apart.
#define HXKSIM_OK 0
#define HXKSIM_E_NOT_LIVE 1     // the handle is not a live image (or stopwatch)
#define HXKSIM_E_NULL_POINTER 2 // a null out-pointer
#define HXKSIM_E_NO_SUCH_LINE 3 // a line or group that the image does not have
#define HXKSIM_E_FAULT 4        // a fault injected with HXKSimSetFault
#define HXKSIM_E_NO_DIGIO 5     // the image's driver offers no basic digital I/O
#define HXKSIM_E_BAD_ARGUMENT 6 // an unknown operation, slot or index
#define HXKSIM_E_NO_MEMORY 7    // memory ran out (a write or a fault not made)

// Most input or output lines a simulated image may have.
#define HXKSIM_MAX_LINES 65536

// Slots of each stopwatch: RestartStopwatch and StopwatchElapsed take 0 to
// HXKSIM_STOPWATCH_SLOTS - 1 (others: HXKSIM_E_BAD_ARGUMENT, no effect).
#define HXKSIM_STOPWATCH_SLOTS 16

// Creates a simulated image with the given line counts (0 or more); all lines
// LO. basicDigIO = 0 makes an image whose driver offers no basic digital I/O.
// The image starts with one reference, the caller's (drop it with
// ReleaseImageRef). Returns 0 for negative counts or counts above
// HXKSIM_MAX_LINES.
HXKAPI HXKIMAGE HXKSimCreateImage(int32_t inputs, int32_t outputs, int32_t basicDigIO);

// Reference count of a live image; 0 for a handle that is not a live image.
HXKAPI int32_t HXKSimImageRefCount(HXKIMAGE image);
// Number of live images in the process.
HXKAPI int32_t HXKSimLiveImageCount(void);

// Input and output levels as the device sees them (status results: 0 = done,
// nonzero = not a live image or no such line). Levels are stored as 0 or 1.
HXKAPI int32_t HXKSimSetInput(HXKIMAGE image, int32_t line, int32_t level);
HXKAPI int32_t HXKSimGetInput(HXKIMAGE image, int32_t line, int32_t* level);
HXKAPI int32_t HXKSimSetOutput(HXKIMAGE image, int32_t line, int32_t level);
HXKAPI int32_t HXKSimGetOutput(HXKIMAGE image, int32_t line, int32_t* level);

// Every level written to one output line through WriteOutputLine or
// WriteOutputGroup, oldest first: copies up to max of the most recent levels
// into levels (may be null) and returns how many writes there were in all.
// Returns -1 when the image is not live or the line does not exist.
HXKAPI int32_t HXKSimOutputWrites(HXKIMAGE image, int32_t line, int32_t* levels, int32_t max);
// When those writes happened: the performance counter (QueryPerformanceCounter)
// at each of the same most recent writes, oldest first, so that the length
// of a pulse and the order of writes to several lines can be measured. Same
// result as HXKSimOutputWrites.
HXKAPI int32_t HXKSimOutputWriteTimes(HXKIMAGE image, int32_t line, int64_t* counts, int32_t max);

// Makes the operation fail on this image: for the line and group operations
// only at the given index (or at every index with HXKSIM_ANY_INDEX), for the
// count queries and the image operations whatever the index. enable = 0
// removes the fault again. A failing ImageHandleValid answers 0 for the live
// image; a failing AddImageRef or ReleaseImageRef leaves its count alone.
HXKAPI int32_t HXKSimSetFault(HXKIMAGE image, int32_t operation, int32_t index, int32_t enable);
HXKAPI int32_t HXKSimClearFaults(HXKIMAGE image);

// How many handle values that are not live images the call counters follow
// one by one (the most recently used ones, dead images among them).
#define HXKSIM_TRACKED_HANDLES 64

// Number of calls of an operation made with exactly this handle value since
// the last reset: exact for a live image, for handle 0 and for the
// HXKSIM_TRACKED_HANDLES most recently used other values (a dead image keeps
// its counts under its handle). Calls with other values older than those are
// pooled, and any such value answers the pooled count: never less than its
// own calls, so that 0 always means "not called".
HXKAPI int64_t HXKSimCallCount(int32_t operation, HXKIMAGE image);
// Number of calls of an operation with any handle, since the last reset.
HXKAPI int64_t HXKSimTotalCallCount(int32_t operation);
HXKAPI void HXKSimResetCallCounts(void);

// Named exports of HXKUtilities.dll for its own operations, process-wide.
// A fault makes the operation fail for every caller until it is removed:
// CreateStopwatch hands out no stopwatch (0), DestroyStopwatch leaves the
// stopwatch alive, RestartStopwatch leaves the slot's start as it was,
// StopwatchElapsed answers HXKSIM_E_FAULT with 0 ms, and OpenToolkitKey
// answers HXKSIM_E_FAULT with no key. Answers HXKSIM_E_BAD_ARGUMENT for other
// operations.
HXKAPI int32_t HXKSimSetUtilityFault(int32_t operation, int32_t enable);
// Calls of one of those operations since the last reset (faulted ones too).
HXKAPI int64_t HXKSimUtilityCallCount(int32_t operation);
HXKAPI void HXKSimResetUtilityCallCounts(void);
// Stopwatches made and not yet destroyed.
HXKAPI int32_t HXKSimLiveStopwatchCount(void);
