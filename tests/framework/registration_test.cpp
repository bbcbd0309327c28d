// Self-registration helpers: what a control class and a property page class
// write under HKEY_CLASSES_ROOT, and that unregistering removes exactly that.
#include "ProbeControl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const GUID CLSID_ProbePage = {
    0x5b1b7f4a, 0x3c2e, 0x4f7b, {0x9a, 0x51, 0x2d, 0x7c, 0x0e, 0x6a, 0x1f, 0x05}};

std::string GuidText(REFGUID guid) {
    WCHAR wide[40];
    StringFromGUID2(guid, wide, 40);
    char narrow[40];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A string value of an HKCR key; "<missing>" when there is none.
std::string Value(const std::string& path, const char* name = nullptr) {
    char data[512] = {};
    LONG size = sizeof data;
    DWORD type = 0, bytes = sizeof data;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    const LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
    (void)size;
    if (status != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
    return data;
}

std::string ModulePath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

TEST(Registration, AControlClassWritesTheStandardKeysAndUnregisteringRemovesThem) {
    const std::string clsid = "CLSID\\" + GuidText(CLSID_Probe);
    AfxOleUnregisterClass(CLSID_Probe, PROBE_PROGID);
    for (int round = 0; round < 2; ++round) { // registering twice succeeds both times
        ASSERT_TRUE(COleObjectFactory::UpdateRegistryAll(TRUE));
        EXPECT_EQ("Framework Probe Control", Value(clsid));
        EXPECT_EQ(ModulePath(), Value(clsid + "\\InprocServer32"));
        EXPECT_EQ("Apartment", Value(clsid + "\\InprocServer32", "ThreadingModel"));
        EXPECT_EQ(PROBE_PROGID, Value(clsid + "\\ProgID"));
        EXPECT_TRUE(KeyExists(clsid + "\\Control"));
        EXPECT_TRUE(KeyExists(clsid + "\\Insertable"));
        EXPECT_EQ(ModulePath() + ", 1", Value(clsid + "\\ToolboxBitmap32"));
        EXPECT_EQ("0", Value(clsid + "\\MiscStatus"));
        EXPECT_EQ("131473", Value(clsid + "\\MiscStatus\\1"));
        EXPECT_EQ(GuidText(LIBID_Probe), Value(clsid + "\\TypeLib"));
        EXPECT_EQ("1.0", Value(clsid + "\\Version"));
        EXPECT_EQ("Framework Probe Control", Value(PROBE_PROGID));
        EXPECT_EQ(GuidText(CLSID_Probe), Value(PROBE_PROGID "\\CLSID"));
        EXPECT_TRUE(KeyExists(PROBE_PROGID "\\Insertable"));
    }
    ASSERT_TRUE(COleObjectFactory::UpdateRegistryAll(FALSE));
    EXPECT_FALSE(KeyExists(clsid));
    EXPECT_FALSE(KeyExists(PROBE_PROGID));
    EXPECT_TRUE(KeyExists("CLSID"));
    // Nothing left to remove is not a failure.
    EXPECT_TRUE(COleObjectFactory::UpdateRegistryAll(FALSE));
}

TEST(Registration, WithoutInsertableFlagNoInsertableKeysAreWritten) {
    const std::string clsid = "CLSID\\" + GuidText(CLSID_Probe);
    ASSERT_TRUE(AfxOleRegisterControlClass(AfxGetInstanceHandle(), CLSID_Probe, PROBE_PROGID,
                                           IDS_PROBE_TYPENAME, 3, afxRegFreeThreading, 0,
                                           LIBID_Probe, 2, 5));
    EXPECT_FALSE(KeyExists(clsid + "\\Insertable"));
    EXPECT_FALSE(KeyExists(PROBE_PROGID "\\Insertable"));
    EXPECT_EQ("Free", Value(clsid + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ("2.5", Value(clsid + "\\Version"));
    EXPECT_EQ("0", Value(clsid + "\\MiscStatus\\1"));
    EXPECT_TRUE(AfxOleUnregisterClass(CLSID_Probe, PROBE_PROGID));
    EXPECT_FALSE(KeyExists(clsid));
}

TEST(Registration, APropertyPageClassNeedsOnlyItsServerKeys) {
    const std::string clsid = "CLSID\\" + GuidText(CLSID_ProbePage);
    ASSERT_TRUE(AfxOleRegisterPropertyPageClass(AfxGetInstanceHandle(), CLSID_ProbePage,
                                                IDS_PROBE_TYPENAME));
    EXPECT_EQ("Framework Probe Control", Value(clsid));
    EXPECT_EQ(ModulePath(), Value(clsid + "\\InprocServer32"));
    EXPECT_EQ("<missing>", Value(clsid + "\\InprocServer32", "ThreadingModel"));
    EXPECT_FALSE(KeyExists(clsid + "\\ProgID"));
    EXPECT_TRUE(AfxOleUnregisterClass(CLSID_ProbePage, nullptr));
    EXPECT_FALSE(KeyExists(clsid));
}

TEST(Registration, MissingResourcesAndLibrariesFailCleanly) {
    const std::string clsid = "CLSID\\" + GuidText(CLSID_ProbePage);
    // No string 77 in this module: nothing is written.
    EXPECT_FALSE(AfxOleRegisterControlClass(AfxGetInstanceHandle(), CLSID_ProbePage, "HX.Nothing.1",
                                            77, 1, afxRegInsertable, 0, LIBID_Probe, 1, 0));
    EXPECT_FALSE(KeyExists(clsid));
    EXPECT_FALSE(KeyExists("HX.Nothing.1"));
    // This program carries no type library, and LIBID_Probe is registered nowhere.
    EXPECT_FALSE(AfxOleRegisterTypeLib(AfxGetInstanceHandle(), LIBID_Probe));
    EXPECT_FALSE(AfxOleUnregisterTypeLib(LIBID_Probe, 1, 0, 0));
    EXPECT_FALSE(AfxOleUnregisterTypeLib(LIBID_Probe));
}

} // namespace
