// A registry tree as text, for comparing what registration leaves behind.
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

namespace detail {
inline void AppendTree(HKEY key, const std::string& prefix, std::vector<std::string>& lines,
                       std::vector<char>& data) {
    const size_t self = lines.size();
    lines.push_back(prefix);
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = static_cast<DWORD>(data.size() - 1), type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS)
            break;
        data[type == REG_SZ ? dataSize : 0] = '\0';
        std::string& line = *name ? lines.emplace_back(prefix + ":" + name) : lines[self];
        line += "=" + std::string(data.data());
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 256;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        hx::unique_hkey child;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, child.put()) == ERROR_SUCCESS)
            AppendTree(child.get(), prefix.empty() ? name : prefix + "\\" + name, lines, data);
    }
}
} // namespace detail

// Every key and value under an HKCR key (all of HKCR for ""), sorted:
// "sub\\key=default", "sub\\key:name=value" ("" for the key itself, no "="
// without a value; values other than text read as empty). Empty when the key
// is missing.
inline std::vector<std::string> RegistryTree(const std::string& path) {
    hx::unique_hkey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> lines;
    std::vector<char> data(65536);
    detail::AppendTree(key.get(), "", lines, data);
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace hxtest
