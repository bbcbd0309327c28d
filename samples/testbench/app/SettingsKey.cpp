#include "SettingsKey.h"

#include "HXKToolkit.h"
#include "hx/win32_owners.h"

namespace {

constexpr const char* kFireDirect = "Global AsyncACQ Enabled";
constexpr const char* kUseStopwatch = "DigIO via HPC";

bool KeyExists() {
    hx::unique_hkey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

} // namespace

SettingsKey::SettingsKey()
    : m_keyExisted(KeyExists()), m_fireDirect(Read(kFireDirect)),
      m_useStopwatch(Read(kUseStopwatch)) {}

SettingsKey::Saved SettingsKey::Read(const char* name) {
    Saved saved;
    DWORD size = sizeof saved.value, type = 0;
    saved.present = RegGetValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, name, RRF_RT_REG_DWORD,
                                 &type, &saved.value, &size) == ERROR_SUCCESS;
    if (!saved.present) saved.value = 0;
    return saved;
}

void SettingsKey::Write(const char* name, const Saved& saved) {
    if (saved.present)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, name, REG_DWORD, &saved.value,
                        sizeof saved.value);
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, name);
}

bool SettingsKey::FireOnWorkerThreads() const {
    return Read(kFireDirect).value != 0;
}

void SettingsKey::SetFireOnWorkerThreads(bool on) {
    m_restored = false;
    Write(kFireDirect, Saved{true, on ? 1u : 0u});
}

bool SettingsKey::PulsesOnStopwatch() const {
    return Read(kUseStopwatch).value != 0;
}

void SettingsKey::SetPulsesOnStopwatch(bool on) {
    m_restored = false;
    Write(kUseStopwatch, Saved{true, on ? 1u : 0u});
}

void SettingsKey::Restore() {
    if (m_restored) return;
    m_restored = true;
    Write(kFireDirect, m_fireDirect);
    Write(kUseStopwatch, m_useStopwatch);
    // A key the bench made goes again, if nothing else has been put in it.
    if (m_keyExisted) return;
    DWORD subkeys = 1, values = 1;
    {
        hx::unique_hkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, KEY_READ, key.put()) !=
            ERROR_SUCCESS)
            return;
        RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
    }
    if (subkeys == 0 && values == 0) RegDeleteKeyA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
}
