// Helpers shared by the runtime suites: registry keys and log files that a
// test creates and removes again, and a bounded poll.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace runtime_test {

// A key created under root for one test and deleted with everything below it.
class ScopedTestKey {
public:
    ScopedTestKey(HKEY root, std::string path) : m_root(root), m_path(std::move(path)) {
        RegDeleteTreeA(m_root, m_path.c_str());
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_root, m_path.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &m_key, nullptr));
    }
    ~ScopedTestKey() {
        RegCloseKey(m_key);
        RegDeleteTreeA(m_root, m_path.c_str());
    }
    ScopedTestKey(const ScopedTestKey&) = delete;
    ScopedTestKey& operator=(const ScopedTestKey&) = delete;

    void SetRaw(const char* name, DWORD type, const void* data, DWORD size) const {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), size));
    }
    void SetString(const char* name, const char* text, DWORD type = REG_SZ) const {
        SetRaw(name, type, text, static_cast<DWORD>(std::strlen(text) + 1));
    }
    void SetDword(const char* name, DWORD value) const {
        SetRaw(name, REG_DWORD, &value, sizeof value);
    }
    HKEY OpenRead() const {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(m_root, m_path.c_str(), 0, KEY_READ, &key));
        return key;
    }
    const std::string& Path() const { return m_path; }

private:
    HKEY m_root;
    std::string m_path;
    HKEY m_key = nullptr;
};

inline std::string LogFilePath(const std::string& name) {
    return "c:\\" + name + ".LOG";
}

// The whole log file of a logger; it is deleted afterwards.
inline std::string TakeLogFile(const std::string& name) {
    std::ostringstream text;
    {
        std::ifstream file(LogFilePath(name), std::ios::binary);
        text << file.rdbuf();
    }
    DeleteFileA(LogFilePath(name).c_str());
    return text.str();
}

inline int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Polls until condition() holds or about twenty seconds have passed.
template <class Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 2000 && !condition(); ++i)
        Sleep(10);
    return condition();
}

} // namespace runtime_test
