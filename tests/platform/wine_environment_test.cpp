// The other suites rely on a display for windows, a writable registry and a
// writable drive C:. These checks fail first, and clearly, when the runner's
// environment is broken.
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
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\HXDigIOTestProbe", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const DWORD value = 7;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "probe", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\HXDigIOTestProbe"));
}

TEST(WineEnvironment, DriveCIsWritable) {
    HANDLE file = CreateFileA("c:\\hxdigio_probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
}

} // namespace
