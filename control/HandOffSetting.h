// The registry setting that lets workers fire their events on their own
// threads: "Global AsyncACQ Enabled" in the toolkit's key.
#pragma once

#include <windows.h>

// The value as a DWORD read without default: 0 when the key or the value is
// missing or cannot be read; data of another type that fits in 4 bytes is
// taken as it stands.
BOOL ReadHandOffSetting();
