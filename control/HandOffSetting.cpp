#include "HandOffSetting.h"

#include "CaxRegistry.h"
#include "HXKToolkit.h"

BOOL ReadHandOffSetting() {
    HKEY key = nullptr;
    if (OpenToolkitKey(0, KEY_READ, &key) != 0) return FALSE;
    DWORD value = 0;
    // The reader owns the key from here on and closes it. Its result is of no
    // interest: whatever the read left in `value` is the setting.
    CaxRegistry reader(key);
    reader.ReadDWORD("Global AsyncACQ Enabled", &value);
    return static_cast<BOOL>(value);
}
