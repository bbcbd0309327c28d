// Helpers shared by the runtime suites: registry keys that the test creates
// and removes again, and a bounded poll for conditions another thread sets.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace runtime_test {

// A key created under root for one test and deleted with everything below it.
class ScopedTestKey {
public:
    ScopedTestKey(HKEY root, std::string path) : m_root(root), m_path(std::move(path)) {
        RegDeleteTreeA(m_root, m_path.c_str());
        const LONG status = RegCreateKeyExA(m_root, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                            nullptr, &m_key, nullptr);
        EXPECT_EQ(ERROR_SUCCESS, status) << m_path;
    }
    ~ScopedTestKey() {
        if (m_key) RegCloseKey(m_key);
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
    // A second, independently opened handle to the same key.
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

// Polls until condition() holds or about ten seconds have passed.
template <class Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

} // namespace runtime_test
