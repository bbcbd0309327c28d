// The control's settings in the toolkit's registry key (OpenToolkitKey):
// "Global AsyncACQ Enabled", whether workers fire their events directly on
// their own threads, and "DigIO via HPC", whether togglers time their pulses
// on the toolkit's high-performance stopwatch.
#pragma once

#include <windows.h>

// "Global AsyncACQ Enabled" read as a DWORD without default: 0 when the key
// or the value is missing or cannot be read; data of another type that fits
// in 4 bytes is taken as it stands.
BOOL ReadHandOffSetting();
// "DigIO via HPC" read as a DWORD with default 0: 0 when the key or the
// value is missing or of another type.
BOOL ReadPulseTimingSetting();
