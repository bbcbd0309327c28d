#include "HandOffSetting.h"

#include "CaxRegistry.h"
#include "HXKToolkit.h"

#include <utility>

BOOL ReadHandOffSetting() {
    hx::unique_hkey key;
    if (OpenToolkitKey(0, KEY_READ, key.put()) != 0) return FALSE;
    DWORD value = 0;
    // The read's result is of no interest: whatever it left in `value` is the
    // setting.
    CaxRegistry reader(std::move(key));
    reader.ReadDWORD("Global AsyncACQ Enabled", &value);
    return static_cast<BOOL>(value);
}
