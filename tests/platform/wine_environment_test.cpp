// The other suites rely on a display for windows, a writable registry and a
// writable drive C:. These checks fail first, and clearly, when the runner's
// environment is broken.
#include "hx/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(WineEnvironment, CreatesAndDestroysAWindow) {
    HWND window = CreateWindowExA(0, "BUTTON", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
}

TEST(WineEnvironment, MachineRegistryIsWritable) {
    hx::unique_hkey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\HXDigIOTestProbe", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    const DWORD value = 7;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), "probe", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value));
    key.reset();
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\HXDigIOTestProbe"));
}

TEST(WineEnvironment, DriveCIsWritable) {
    const hx::unique_file file(CreateFileA("c:\\hxdigio_probe.tmp", GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(file);
}

} // namespace
