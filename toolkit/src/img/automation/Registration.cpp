#include "Registration.h"

#include "ComHelpers.h"
#include "HXKSimAutomation.h"
#include "ServerModule.h"

#include <olectl.h>

#include <cstring>
#include <string>

namespace hxk {

namespace {

const char kDescription[] = "HXKSim Simulator";
const std::string kClassKey = std::string("CLSID\\") + HXKSIM_CLSID_STRING;

// Writes a key's default value and, when name is given, one named value.
bool writeKey(const std::string& path, const char* value, const char* name = nullptr,
              const char* namedValue = nullptr) {
    RegKey key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    auto set = [&](const char* valueName, const char* text) {
        return RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
    };
    return set(nullptr, value) && (!name || set(name, namedValue));
}

bool deleteKey(const std::string& path) {
    const LONG status = RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::string modulePath() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(server::instance(), path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

} // namespace

HRESULT registerSimulator() {
    const std::string path = modulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    const bool written =
        writeKey(kClassKey, kDescription) &&
        writeKey(kClassKey + "\\InprocServer32", path.c_str(), "ThreadingModel", "Both") &&
        writeKey(kClassKey + "\\ProgID", HXKSIM_PROGID) && writeKey(HXKSIM_PROGID, kDescription) &&
        writeKey(std::string(HXKSIM_PROGID) + "\\CLSID", HXKSIM_CLSID_STRING);
    if (written) return S_OK;
    unregisterSimulator(); // leave no half registration behind
    return SELFREG_E_CLASS;
}

HRESULT unregisterSimulator() {
    // Children first: RegDeleteKey removes only keys without subkeys. Every
    // key is tried, so that one failure leaves as little behind as possible.
    const std::string keys[] = {kClassKey + "\\InprocServer32", kClassKey + "\\ProgID", kClassKey,
                                std::string(HXKSIM_PROGID) + "\\CLSID", HXKSIM_PROGID};
    bool removed = true;
    for (const std::string& key : keys) {
        if (!deleteKey(key)) removed = false;
    }
    return removed ? S_OK : SELFREG_E_CLASS;
}

} // namespace hxk
