#include "ToolkitSettings.h"

#include "CaxRegistry.h"
#include "HXKToolkit.h"

#include <utility>

namespace {

// The toolkit's key handed to a reader, which closes it; an empty reader
// (every read fails) when the key cannot be opened.
CaxRegistry OpenToolkitSettings() {
    hx::unique_hkey key;
    if (OpenToolkitKey(0, KEY_READ, key.put()) != 0) key.reset();
    return CaxRegistry(std::move(key));
}

} // namespace

BOOL ReadHandOffSetting() {
    DWORD value = 0;
    // The read's result is of no interest: whatever it left in `value` is the
    // setting.
    OpenToolkitSettings().ReadDWORD("Global AsyncACQ Enabled", &value);
    return static_cast<BOOL>(value);
}

BOOL ReadPulseTimingSetting() {
    DWORD value = 0;
    OpenToolkitSettings().ReadDWORD("DigIO via HPC", &value, 0);
    return static_cast<BOOL>(value);
}
