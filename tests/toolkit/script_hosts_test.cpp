// The simulator through real hosts: regsvr32 registers HXKImg.dll as its
// server, and VBScript and JScript files run by cscript create
// "HXKSim.Simulator" by its ProgID. Holds the ctest lock "registry-classes".
#include "DispatchClient.h"
#include "SimTestSupport.h"

#include <fstream>

namespace {

// A check script exits with 64 + its failed checks: Wine's cscript ends a
// script on an uncaught error with 0, which must not count as a pass.
constexpr DWORD kScriptPassed = 64;

// Runs a program of the prefix as from a prompt; one that hangs is ended.
DWORD run(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return ~0u;
    }
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, exitCode);
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::string binDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe(path);
    return exe.substr(0, exe.find_last_of('\\'));
}

const std::string kServer = binDirectory() + "\\HXKImg.dll";
const std::string kClassKey = std::string("CLSID\\") + HXKSIM_CLSID_STRING;

DWORD regsvr32(const char* options) {
    return run("regsvr32.exe /s " + std::string(options) + " \"" + kServer + "\"");
}

DWORD cscript(const std::string& script) {
    return run("cscript.exe //nologo \"" + binDirectory() + "\\toolkit-scripts\\" + script + "\"");
}

std::string classesValue(const std::string& path, const char* name = nullptr) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    const LONG status =
        RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
    return status == ERROR_SUCCESS ? text : "<missing>";
}

class ScriptHostTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(0u, regsvr32(""));
    }
    void TearDown() override {
        EXPECT_EQ(0u, regsvr32("/u")); // leave nothing registered
        CoUninitialize();
        SimTest::TearDown();
    }
};

TEST_F(ScriptHostTest, Regsvr32RegistersAndUnregistersTheSimulator) {
    EXPECT_EQ(0u, regsvr32("")); // a second registration is fine
    EXPECT_EQ(0, lstrcmpiA(kServer.c_str(), classesValue(kClassKey + "\\InprocServer32").c_str()));
    EXPECT_EQ("Both", classesValue(kClassKey + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ(HXKSIM_PROGID, classesValue(kClassKey + "\\ProgID"));
    EXPECT_EQ(HXKSIM_CLSID_STRING, classesValue(HXKSIM_PROGID "\\CLSID"));
    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"" HXKSIM_PROGID, &clsid));
    DispatchClient sim;
    ASSERT_EQ(S_OK,
              CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, sim.put()));
    Var image;
    ASSERT_EQ(S_OK, sim.call("CreateImage", {Var(1), Var(1)}, &image));
    EXPECT_EQ(1, HXKSimImageRefCount(image.handle())); // one device for the whole process
    EXPECT_EQ(S_OK, sim.call("ReleaseImage", {image}));

    EXPECT_EQ(0u, regsvr32("/u"));
    EXPECT_EQ("<missing>", classesValue(kClassKey));
    EXPECT_EQ("<missing>", classesValue(HXKSIM_PROGID));
    EXPECT_NE(S_OK, CLSIDFromProgID(L"" HXKSIM_PROGID, &clsid));
}

TEST_F(ScriptHostTest, VBScriptAndJScriptDriveTheRegisteredSimulator) {
    EXPECT_EQ(kScriptPassed, cscript("simulator_check.vbs")) << "64 + failed checks";
    EXPECT_EQ(kScriptPassed, cscript("simulator_check.js")) << "64 + failed checks";
    // The guard: a failed check and an uncaught error both show.
    const std::string broken = binDirectory() + "\\toolkit-scripts\\broken_check.vbs";
    for (const char* body : {"If sim.GetInput(sim.CreateImage(1, 1), 0) <> 1 Then WScript.Quit 3",
                             "sim.GetInput 0, 0"}) {
        std::ofstream(broken) << "Set sim = CreateObject(\"" HXKSIM_PROGID "\")\r\n"
                              << body << "\r\nWScript.Quit 64\r\n";
        EXPECT_NE(kScriptPassed, cscript("broken_check.vbs")) << body;
    }
    DeleteFileA(broken.c_str());
}

} // namespace
