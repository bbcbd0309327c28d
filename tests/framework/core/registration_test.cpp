// Registration as regsvr32 and containers meet it: each kind of class writes
// its standard keys, registering twice changes nothing, unregistering leaves
// HKEY_CLASSES_ROOT exactly as it was, and a registration that fails half-way
// leaves nothing behind. Holds the ctest lock "registry-classes".
#include "AfxModuleState.h"
#include "AfxOleRegistration.h"
#include "AfxRegistrar.h"
#include "ComTestSupport.h"
#include "RegistryTree.h"
#include "TestObject.h"
#include "TestObjectResource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

using namespace hxtest;

namespace {

using Lines = std::vector<std::string>;

const std::string kClsid = GuidText(CTestObject::guid);
const std::string kProgID = TESTOBJECT_PROGID;

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// What changed from one tree to the other: "-line" gone, "+line" new.
Lines Changes(const Lines& before, const Lines& after) {
    Lines gone, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    Lines changes;
    for (const std::string& line : gone)
        changes.push_back("-" + line);
    for (const std::string& line : added)
        changes.push_back("+" + line);
    return changes;
}

TEST(Registration, EachKindOfClassWritesItsKeysAndUnregisteringRestoresAllOfHKCR) {
    const std::string path = ProgramPath(), name = "=HX Core Test Object";
    REFCLSID clsid = CTestObject::guid;
    struct Case {
        const char* what;
        std::function<BOOL()> registerClass, unregisterClass;
        Lines classKeys, progIDKeys;
    } const cases[] = {
        {"a control, through the module's factories",
         [] { return COleObjectFactory::UpdateRegistryAll(TRUE); },
         [] { return COleObjectFactory::UpdateRegistryAll(FALSE); },
         {name, "Control", "InprocServer32:ThreadingModel=Apartment", "InprocServer32=" + path,
          "Insertable", "MiscStatus=0", "MiscStatus\\1=131073", "ProgID=" + kProgID,
          "ToolboxBitmap32=" + path + ", 1", "TypeLib=" + GuidText(CTestObject::typeLibrary),
          "Version=1.0"},
         {name, "CLSID=" + kClsid, "Insertable"}},
        {"a property page",
         [&] {
             return AfxOleRegisterPropertyPageClass(AfxGetInstanceHandle(), clsid, IDS_TESTOBJECT);
         },
         [&] { return AfxOleUnregisterClass(clsid, nullptr); },
         {name, "InprocServer32=" + path},
         {}},
        {"a free-threaded server",
         [&] {
             return AfxOleRegisterServerClass(AfxGetInstanceHandle(), clsid, TESTOBJECT_PROGID,
                                              "HX Core Test Object",
                                              afxRegApartmentThreading | afxRegFreeThreading);
         },
         [&] { return AfxOleUnregisterClass(clsid, TESTOBJECT_PROGID); },
         {name, "InprocServer32:ThreadingModel=Both", "InprocServer32=" + path,
          "ProgID=" + kProgID},
         {name, "CLSID=" + kClsid}},
    };
    const Lines before = RegistryTree("");
    for (const Case& c : cases) {
        ASSERT_TRUE(c.registerClass()) << c.what;
        ASSERT_TRUE(c.registerClass()) << c.what; // a second time is fine
        EXPECT_EQ(c.classKeys, RegistryTree("CLSID\\" + kClsid)) << c.what;
        EXPECT_EQ(c.progIDKeys, RegistryTree(kProgID)) << c.what;
        EXPECT_TRUE(c.unregisterClass()) << c.what;
        EXPECT_EQ(Lines{}, Changes(before, RegistryTree(""))) << c.what;
        EXPECT_TRUE(c.unregisterClass()) << c.what; // keys already gone count as removed
    }
}

TEST(Registration, AFailureHalfWayOrAnEmptyNameLeavesHKCRAsItWas) {
    // A volatile key takes no lasting subkeys: the table's last entry fails.
    const char kVolatile[] = "HXCoreTest.Volatile";
    hx::unique_hkey volatileKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CLASSES_ROOT, kVolatile, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, volatileKey.put(), nullptr));
    const AFX_REG_ENTRY entries[] = {
        {"CLSID\\%CLSID%", nullptr, "%TYPENAME%"},
        {"CLSID\\%CLSID%\\InprocServer32", "ThreadingModel", "Both"},
        {"%PROGID%", nullptr, "%TYPENAME%"},
        {"HXCoreTest.Volatile\\Lasting", nullptr, "%TYPENAME%"},
    };
    const Lines before = RegistryTree("");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE),
              AfxRegisterEntries(entries, {{"CLSID", kClsid.c_str()},
                                           {"PROGID", TESTOBJECT_PROGID},
                                           {"TYPENAME", "Half"}}));
    EXPECT_EQ(Lines{}, Changes(before, RegistryTree("")));
    // An empty ProgID names no key: HKCR itself is never removed.
    EXPECT_TRUE(AfxOleUnregisterClass(CTestObject::guid, ""));
    EXPECT_EQ(Lines{}, Changes(before, RegistryTree("")));
    volatileKey.reset();
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, kVolatile));
}

} // namespace
