// HXKStopwatchOwner: a toolkit stopwatch made with CreateStopwatch (through
// put()) and destroyed exactly once with DestroyStopwatch.
#pragma once

#include "HXKToolkit.h"
#include "hx/unique_any.h"

using HXKStopwatchOwner = hx::unique_any<HXKSTOPWATCH, &DestroyStopwatch>;
