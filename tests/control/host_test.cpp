// HXDigIO.ocx in real hosts: regsvr32 registers and unregisters it, cscript
// runs a VBScript that creates it by its registered ProgID, and
// DllUnregisterServer's result without a registered type library is checked
// in-process.
#include "HostProgram.h"
#include "RegistryTree.h"

#include <algorithm>

using namespace hxtest;

namespace {

const std::string kProgID = "HXDIGIO.HXdigIOCtrl.1";

const std::string kClass = "CLSID\\" + GuidText(CLSID_HXdigIO);

// The class, its ProgID, the type library and its two dispinterfaces.
const std::string kRegistered[] = {kClass, kProgID, "TypeLib\\" + GuidText(LIBID_HXDIGIOLib),
                                   "Interface\\" + GuidText(DIID__DHXdigIO),
                                   "Interface\\" + GuidText(DIID__DHXdigIOEvents)};

class Hosts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        PutToolkitOnPath();
    }
    void TearDown() override {
        Regsvr32(OcxPath(), "/u"); // leave nothing registered
        for (const std::string& key : kRegistered)
            EXPECT_EQ(std::vector<std::string>{}, RegistryTree(key)) << key;
        EXPECT_EQ(0, HXKSimLiveImageCount());
        CoUninitialize();
    }
};

TEST_F(Hosts, Regsvr32RegistersTwiceAndUnregistersEverything) {
    const std::string ocx = OcxPath(), clsid = GuidText(CLSID_HXdigIO);
    ASSERT_EQ(0, Regsvr32(ocx));
    ASSERT_EQ(0, Regsvr32(ocx));
    EXPECT_EQ((std::vector<std::string>{"=Harlow Digital IO Control", "Control",
                                        "InprocServer32:ThreadingModel=Apartment",
                                        "InprocServer32=" + ocx, "Insertable", "MiscStatus=0",
                                        "MiscStatus\\1=131473", "ProgID=" + kProgID,
                                        "ToolboxBitmap32=" + ocx + ", 1",
                                        "TypeLib=" + GuidText(LIBID_HXDIGIOLib), "Version=1.0"}),
              RegistryTree(kClass));
    EXPECT_EQ(
        (std::vector<std::string>{"=Harlow Digital IO Control", "CLSID=" + clsid, "Insertable"}),
        RegistryTree(kProgID));
    const std::vector<std::string> library = RegistryTree(kRegistered[2]);
    EXPECT_NE(library.end(), std::find(library.begin(), library.end(), "1.0\\0\\win64=" + ocx));
    EXPECT_EQ(0, Regsvr32(ocx, "/u")); // TearDown finds everything gone
}

TEST_F(Hosts, UnregisteringWithoutTheTypeLibraryFailsAndLeavesTheClassesAlone) {
    LoadedModule module;
    ASSERT_EQ(S_OK, module.Call("DllRegisterServer"));
    ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, SYS_WIN64));
    const std::vector<std::string> classBefore = RegistryTree(kClass),
                                   progIDBefore = RegistryTree(kProgID);
    EXPECT_EQ(SELFREG_E_TYPELIB, module.Call("DllUnregisterServer"));
    EXPECT_EQ(11u, classBefore.size());
    EXPECT_EQ(classBefore, RegistryTree(kClass));
    EXPECT_EQ(progIDBefore, RegistryTree(kProgID));
    EXPECT_EQ(S_OK, module.Call("DllRegisterServer")); // for TearDown's regsvr32 /u
}

TEST_F(Hosts, AVBScriptCreatesTheControlByItsProgIDAndDrivesASimulatedImage) {
    const std::string simulator = BinDirectory() + "\\HXKImg.dll";
    ASSERT_EQ(0, Regsvr32(simulator));
    ASSERT_EQ(0, Regsvr32(OcxPath()));
    ModalBoxWatcher boxes("Error", ModalBoxWatcher::Scope::AnyProcess); // cscript's box
    const auto [code, output] = RunProgram("cscript.exe //nologo \"" + BinDirectory() +
                                        "\\control-scripts\\control_check.vbs\"");
    EXPECT_EQ(0, code) << output;
    EXPECT_NE(std::string::npos, output.find("ALL CHECKS RAN")) << output;
    // A host that sinks the events clears Continue: no box. Wine's cscript
    // cannot sink them, so Continue stays TRUE and the box appears.
    std::vector<std::string> expected;
    if (output.find("EVENTS CONNECTED") == std::string::npos)
        expected = {"Missing BasicDigIO interface!"};
    EXPECT_EQ(expected, boxes.Stop());
    EXPECT_EQ(0, Regsvr32(simulator, "/u"));
}

// What a script learns when it writes a read-only property: the standard
// text and the control as the source, not "Unknown runtime error".
TEST_F(Hosts, AScriptWritingAReadOnlyPropertyLearnsWhyFromErr) {
    ASSERT_EQ(0, Regsvr32(OcxPath()));
    const auto [code, output] = RunProgram("cscript.exe //nologo \"" + BinDirectory() +
                                        "\\control-scripts\\read_only_properties.vbs\"");
    EXPECT_EQ(0, code) << output;
    for (const char* property : {"NumInputs", "NumOutputs", "IsBasicDigIO"}) {
        const std::string line = property + std::string(": 383|Property is read-only|") + kProgID;
        EXPECT_NE(std::string::npos, output.find(line)) << output;
    }
}

} // namespace
