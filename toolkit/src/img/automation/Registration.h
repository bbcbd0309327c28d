// Self-registration of "HXKSim.Simulator" under HKEY_CLASSES_ROOT: the
// class key with its in-process server (this module) and the ProgID key.
#pragma once

#include <windows.h>

namespace hxk {

HRESULT registerSimulator();
// Removes what registerSimulator wrote; S_OK also when nothing was there.
HRESULT unregisterSimulator();

} // namespace hxk
