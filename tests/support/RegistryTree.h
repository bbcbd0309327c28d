// Registry contents as lines, so that suites can compare whole trees before
// and after registration.
#pragma once

#include "hx/bstr.h"
#include "hx/win32_owners.h"

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hxtest {

// "{xxxxxxxx-...}" as the registry writes class identifiers.
inline std::string GuidText(REFGUID guid) {
    WCHAR wide[40] = {};
    StringFromGUID2(guid, wide, 40);
    return hx::unique_bstr::to_ansi(wide);
}

// Every key and value under an HKCR key, sorted: "sub\\key=default",
// "sub\\key:name=value" ("" for the key itself, no "=" without a value).
// Empty when the key is missing.
inline std::vector<std::string> Tree(const std::string& path, const std::string& prefix = "") {
    hx::unique_hkey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> lines = {prefix};
    char name[256], data[MAX_PATH];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS)
            break;
        data[type == REG_SZ ? dataSize : 0] = '\0';
        std::string& line = *name ? lines.emplace_back(prefix + ":" + name) : lines[0];
        line += "=" + std::string(data);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        const auto sub = Tree(path + "\\" + name, prefix.empty() ? name : prefix + "\\" + name);
        lines.insert(lines.end(), sub.begin(), sub.end());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace hxtest
