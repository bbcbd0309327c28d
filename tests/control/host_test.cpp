// HXDigIO.ocx in real hosts: regsvr32 registers and unregisters it, cscript
// runs VBScript and JScript files that create it by its ProgID, and
// DllUnregisterServer's results are checked in-process. Holds the ctest lock
// "registry-classes".
#include "ControlTestSupport.h"
#include "HXKSimAutomation.h"

#include <olectl.h>

#include <string>

using namespace hxtest;

namespace {

const char kProgID[] = "HXDIGIO.HXdigIOCtrl.1";

std::string GuidText(REFGUID guid) {
    WCHAR wide[40];
    StringFromGUID2(guid, wide, 40);
    char narrow[40];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

const std::string kClassKey = "CLSID\\" + GuidText(CLSID_HXdigIO);
const std::string kTypeLibKey = "TypeLib\\" + GuidText(LIBID_HXDIGIOLib);

std::string ClassesValue(const std::string& path, const char* name = nullptr) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return text;
}

bool ClassesKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

struct ProcessRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs a program of the prefix with its output in a file; a program that
// hangs is ended after two minutes.
ProcessRun RunProcess(std::string commandLine) {
    ProcessRun run;
    char directory[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "hxc", 0, file);
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    OwnedHandle output(CreateFileA(
        file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inheritable, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output.Get();
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return run;
    OwnedHandle processHandle(process.hProcess), threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
    } else {
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    }
    SetFilePointer(output.Get(), 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(output.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        run.output.append(buffer, read);
    return run;
}

DWORD Regsvr32(const std::string& module, bool unregister = false) {
    return RunProcess("regsvr32.exe /s " + std::string(unregister ? "/u " : "") + "\"" + module +
                      "\"")
        .exitCode;
}

class Hosts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        // The toolkit's DLLs lie beside the control, on the hosts' search path
        // as they are on an installed system.
        char path[32768] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        SetEnvironmentVariableA("PATH", (BinDirectory() + ";" + path).c_str());
    }
    void TearDown() override {
        // Leave nothing registered, whatever the test did.
        Regsvr32(OcxPath(), true);
        EXPECT_FALSE(ClassesKeyExists(kClassKey));
        EXPECT_FALSE(ClassesKeyExists(kProgID));
        EXPECT_EQ(0, HXKSimLiveImageCount());
        CoUninitialize();
    }
};

TEST_F(Hosts, Regsvr32RegistersTwiceAndUnregistersEverything) {
    const std::string ocx = OcxPath();
    ASSERT_EQ(0u, Regsvr32(ocx));
    ASSERT_EQ(0u, Regsvr32(ocx));
    EXPECT_EQ("Harlow Digital IO Control", ClassesValue(kClassKey));
    EXPECT_EQ(0, lstrcmpiA(ocx.c_str(), ClassesValue(kClassKey + "\\InprocServer32").c_str()));
    EXPECT_EQ("Apartment", ClassesValue(kClassKey + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ(kProgID, ClassesValue(kClassKey + "\\ProgID"));
    EXPECT_TRUE(ClassesKeyExists(kClassKey + "\\Control"));
    EXPECT_TRUE(ClassesKeyExists(kClassKey + "\\Insertable"));
    EXPECT_EQ(
        0, lstrcmpiA((ocx + ", 1").c_str(), ClassesValue(kClassKey + "\\ToolboxBitmap32").c_str()));
    EXPECT_EQ("0", ClassesValue(kClassKey + "\\MiscStatus"));
    EXPECT_EQ("131473", ClassesValue(kClassKey + "\\MiscStatus\\1"));
    EXPECT_EQ(GuidText(LIBID_HXDIGIOLib), ClassesValue(kClassKey + "\\TypeLib"));
    EXPECT_EQ("1.0", ClassesValue(kClassKey + "\\Version"));
    EXPECT_EQ("Harlow Digital IO Control", ClassesValue(kProgID));
    EXPECT_EQ(GuidText(CLSID_HXdigIO), ClassesValue(std::string(kProgID) + "\\CLSID"));
    EXPECT_TRUE(ClassesKeyExists(std::string(kProgID) + "\\Insertable"));
    // The type library is registered for 64-bit Windows, at the module.
    EXPECT_EQ(0, lstrcmpiA(ocx.c_str(), ClassesValue(kTypeLibKey + "\\1.0\\0\\win64").c_str()));
    ITypeLib* library = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, &library));
    library->Release();

    // A client finds the control by its ProgID.
    CLSID clsid = GUID_NULL;
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"HXDIGIO.HXdigIOCtrl.1", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_HXdigIO, clsid));
    IDispatch* control = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&control)));
    EXPECT_EQ(0, Get(control, idNumInputs).value.v.lVal);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(S_OK, control->GetTypeInfo(0, 0, &info));
    if (info) info->Release();
    control->Release();

    EXPECT_EQ(0u, Regsvr32(ocx, true));
    EXPECT_FALSE(ClassesKeyExists(kClassKey));
    EXPECT_FALSE(ClassesKeyExists(kProgID));
    EXPECT_FALSE(ClassesKeyExists(kTypeLibKey + "\\1.0"));
    EXPECT_NE(S_OK, LoadRegTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, &library));
}

TEST_F(Hosts, UnregisteringWithoutTheTypeLibraryFailsAndLeavesTheClasses) {
    LoadedControlModule module;
    ASSERT_NE(nullptr, module.Handle());
    auto* registerServer = module.Export<HRESULT STDAPICALLTYPE()>("DllRegisterServer");
    auto* unregisterServer = module.Export<HRESULT STDAPICALLTYPE()>("DllUnregisterServer");
    ASSERT_NE(nullptr, registerServer);
    ASSERT_NE(nullptr, unregisterServer);

    ASSERT_EQ(S_OK, registerServer());
    ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, SYS_WIN64));
    EXPECT_EQ(SELFREG_E_TYPELIB, unregisterServer());
    EXPECT_EQ("Harlow Digital IO Control", ClassesValue(kClassKey));
    EXPECT_EQ(GuidText(CLSID_HXdigIO), ClassesValue(std::string(kProgID) + "\\CLSID"));
    EXPECT_TRUE(ClassesKeyExists(kClassKey + "\\MiscStatus\\1"));

    ASSERT_EQ(S_OK, registerServer());
    EXPECT_EQ(S_OK, unregisterServer());
    EXPECT_FALSE(ClassesKeyExists(kClassKey));
    EXPECT_EQ(SELFREG_E_TYPELIB, unregisterServer()); // nothing left to unregister
    EXPECT_EQ(S_OK, module.CanUnloadNow());
}

TEST_F(Hosts, ScriptsCreateTheControlByItsProgIDAndDriveASimulatedImage) {
    const std::string simulator = BinDirectory() + "\\HXKImg.dll";
    ASSERT_EQ(0u, Regsvr32(simulator));
    ASSERT_EQ(0u, Regsvr32(OcxPath()));
    for (const char* script : {"control_check.vbs", "control_check.js"}) {
        ModalBoxWatcher boxes("Error");
        const ProcessRun run = RunProcess("cscript.exe //nologo \"" + BinDirectory() +
                                          "\\control-scripts\\" + script + "\"");
        const std::vector<std::string> closed = boxes.Stop();
        EXPECT_EQ(0u, run.exitCode) << script << ":\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find("ALL CHECKS RAN")) << script << ":\n"
                                                                        << run.output;
        // A host that sinks the events clears Continue and sees no box; one
        // that cannot (Wine's) leaves Continue TRUE and gets the box.
        std::vector<std::string> expected;
        if (std::string(script) == "control_check.vbs" &&
            run.output.find("EVENTS CONNECTED") == std::string::npos)
            expected = {"Missing BasicDigIO interface!"};
        EXPECT_EQ(expected, closed) << script;
    }
    EXPECT_EQ(0u, Regsvr32(simulator, true));
}

} // namespace
