// HXKUtilities.dll: the toolkit's settings key. It is opened, never created:
// a machine without the key has no toolkit settings, and the caller falls
// back to its defaults.
#include "HXKSim.h"
#include "UtilityFaults.h"

HXKAPI int32_t OpenToolkitKey(int32_t /*reserved*/, REGSAM access, HKEY* key) {
    if (!key) return ERROR_INVALID_PARAMETER;
    *key = nullptr;
    if (hxk::utilityCallFails(HXKSIM_OP_OPEN_TOOLKIT_KEY)) return HXKSIM_E_FAULT;
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, access, &opened);
    if (status != ERROR_SUCCESS) return static_cast<int32_t>(status);
    *key = opened;
    return 0;
}
