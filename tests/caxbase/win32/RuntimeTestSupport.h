// Helpers of the runtime suites: registry keys and log files that a test
// makes and removes again, and a bounded poll.
#pragma once

#include "hx/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace runtime_test {

// A key created for one test and deleted with everything below it.
struct ScopedTestKey {
    ScopedTestKey(HKEY root, std::string path) : root(root), path(std::move(path)) {
        RegDeleteTreeA(root, this->path.c_str());
        RegCreateKeyExA(root, this->path.c_str(), 0, 0, 0, KEY_ALL_ACCESS, 0, key.put(), 0);
    }
    ~ScopedTestKey() {
        key.reset();
        RegDeleteTreeA(root, path.c_str());
    }
    void Set(const char* name, DWORD type, const void* data, DWORD size) const {
        EXPECT_EQ(0,
                  RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size));
    }
    void SetDword(const char* name, DWORD value) const { Set(name, REG_DWORD, &value, 4); }
    HKEY root;
    std::string path;
    hx::unique_hkey key;
};

// The whole log file of a logger, which is deleted afterwards.
inline std::string TakeLogFile(const std::string& name) {
    std::ostringstream text;
    text << std::ifstream("c:\\" + name + ".LOG", std::ios::binary).rdbuf();
    DeleteFileA(("c:\\" + name + ".LOG").c_str());
    return text.str();
}

// Polls until condition() holds, for twenty seconds at most.
template <class Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 2000 && !condition(); ++i)
        Sleep(10);
    return condition();
}

} // namespace runtime_test
