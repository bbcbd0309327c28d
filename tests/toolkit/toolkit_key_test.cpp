// OpenToolkitKey opens the toolkit's settings key and never creates it. The
// suite owns the key while it runs (ctest lock "toolkit-key").
#include "HXKToolkit.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolkitKeyTest, OpensAnExistingKeyWithTheRequestedAccessOnly) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    EXPECT_NE(0, OpenToolkitKey(0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_NE(0, OpenToolkitKey(0, KEY_READ, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0,
                                                  KEY_READ, &key)); // not created

    const DWORD enabled = 1;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, "Global AsyncACQ Enabled",
                              REG_DWORD, &enabled, sizeof enabled));
    ASSERT_EQ(0, OpenToolkitKey(0, KEY_READ, &key));
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(key, nullptr, "Global AsyncACQ Enabled", RRF_RT_REG_DWORD,
                                          nullptr, &value, &size));
    EXPECT_EQ(1u, value);
    EXPECT_NE(ERROR_SUCCESS,
              RegSetValueExA(key, "probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled),
                             sizeof enabled));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key)); // the caller owns the key
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH));
}

} // namespace
