// HXDigIO.ocx in real hosts: regsvr32 registers and unregisters it, cscript
// runs a VBScript that creates it by its ProgID, and DllUnregisterServer's
// result without a registered type library is checked in-process.
#include "ControlTestSupport.h"

#include <functional>

using namespace hxtest;

namespace {

const std::string kProgID = "HXDIGIO.HXdigIOCtrl.1";

std::string GuidText(REFGUID guid) {
    WCHAR wide[40];
    StringFromGUID2(guid, wide, 40);
    return Narrow(wide);
}
const std::string kClass = "CLSID\\" + GuidText(CLSID_HXdigIO);

// An HKCR value, "<missing>" when there is none; "<key>" for a key without one.
std::string Classes(const std::string& path, const char* name = nullptr) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    const LONG status =
        RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
    if (status == ERROR_SUCCESS) return text;
    HKEY key = nullptr;
    if (name || RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    RegCloseKey(key);
    return "<key>";
}

// Runs a program of the prefix (two minutes at most); its output goes
// through a file.
std::pair<DWORD, std::string> RunProgram(std::string command,
                                         const std::function<void(DWORD)>& started = {}) {
    char folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "hxc", 0, file);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    DWORD code = ~0u;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        if (started) started(process.dwProcessId);
        if (WaitForSingleObject(process.hProcess, 120000)) TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::string output(65536, '\0');
    DWORD read = 0;
    SetFilePointer(out, 0, nullptr, FILE_BEGIN);
    ReadFile(out, output.data(), static_cast<DWORD>(output.size()), &read, nullptr);
    CloseHandle(out);
    return {code, output.substr(0, read)};
}

DWORD Regsvr32(const std::string& module, const char* options = "") {
    return RunProgram("regsvr32.exe /s " + std::string(options) + " \"" + module + "\"").first;
}

class Hosts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        // The toolkit's DLLs lie on the hosts' search path, as on an installed system.
        char path[32768] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        SetEnvironmentVariableA("PATH", (BinDirectory() + ";" + path).c_str());
    }
    void TearDown() override {
        Regsvr32(OcxPath(), "/u"); // leave nothing registered
        EXPECT_EQ("<missing>", Classes(kClass));
        EXPECT_EQ(0, HXKSimLiveImageCount());
        CoUninitialize();
    }
};

TEST_F(Hosts, Regsvr32RegistersTwiceAndUnregistersEverything) {
    const std::string ocx = OcxPath();
    ASSERT_EQ(0u, Regsvr32(ocx));
    ASSERT_EQ(0u, Regsvr32(ocx));
    const std::pair<std::string, std::string> expected[] = {
        {kClass, "Harlow Digital IO Control"},
        {kClass + "\\InprocServer32", ocx},
        {kClass + "\\ProgID", kProgID},
        {kClass + "\\Control", "<key>"},
        {kClass + "\\Insertable", "<key>"},
        {kClass + "\\ToolboxBitmap32", ocx + ", 1"},
        {kClass + "\\MiscStatus", "0"},
        {kClass + "\\MiscStatus\\1", "131473"},
        {kClass + "\\TypeLib", GuidText(LIBID_HXDIGIOLib)},
        {kClass + "\\Version", "1.0"},
        {kProgID, "Harlow Digital IO Control"},
        {kProgID + "\\CLSID", GuidText(CLSID_HXdigIO)},
        {kProgID + "\\Insertable", "<key>"},
        {"TypeLib\\" + GuidText(LIBID_HXDIGIOLib) + "\\1.0\\0\\win64", ocx}};
    for (const auto& [key, value] : expected)
        EXPECT_EQ(0, lstrcmpiA(value.c_str(), Classes(key).c_str())) << key;
    EXPECT_EQ("Apartment", Classes(kClass + "\\InprocServer32", "ThreadingModel"));

    CLSID clsid = GUID_NULL;
    IDispatch* control = nullptr;
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"HXDIGIO.HXdigIOCtrl.1", &clsid));
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&control)));
    EXPECT_EQ(VT_I4, Get(control, idNumInputs).value.v.vt);
    control->Release();

    EXPECT_EQ(0u, Regsvr32(ocx, "/u"));
    for (const auto& [key, value] : expected)
        EXPECT_EQ("<missing>", Classes(key)) << key;
    ITypeLib* library = nullptr;
    EXPECT_NE(S_OK, LoadRegTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, &library));
}

TEST_F(Hosts, UnregisteringWithoutTheTypeLibraryFailsAndLeavesTheClasses) {
    LoadedModule module;
    auto* registerServer = module.Export<HRESULT STDAPICALLTYPE()>("DllRegisterServer");
    auto* unregisterServer = module.Export<HRESULT STDAPICALLTYPE()>("DllUnregisterServer");
    ASSERT_EQ(S_OK, registerServer());
    ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, SYS_WIN64));
    EXPECT_EQ(SELFREG_E_TYPELIB, unregisterServer());
    EXPECT_EQ("131473", Classes(kClass + "\\MiscStatus\\1"));
    EXPECT_EQ(GuidText(CLSID_HXdigIO), Classes(kProgID + "\\CLSID"));
    ASSERT_EQ(S_OK, registerServer());
    EXPECT_EQ(S_OK, unregisterServer());
    EXPECT_EQ("<missing>", Classes(kProgID));
    EXPECT_EQ(SELFREG_E_TYPELIB, unregisterServer());
}

TEST_F(Hosts, AVBScriptCreatesTheControlByItsProgIDAndDrivesASimulatedImage) {
    const std::string simulator = BinDirectory() + "\\HXKImg.dll";
    ASSERT_EQ(0u, Regsvr32(simulator));
    ASSERT_EQ(0u, Regsvr32(OcxPath()));
    std::unique_ptr<ModalBoxWatcher> boxes; // the script's own boxes only
    const auto [code, output] = RunProgram(
        "cscript.exe //nologo \"" + BinDirectory() + "\\control-scripts\\control_check.vbs\"",
        [&](DWORD scriptProcess) {
            boxes = std::make_unique<ModalBoxWatcher>("Error", scriptProcess);
        });
    EXPECT_EQ(0u, code) << output;
    EXPECT_NE(std::string::npos, output.find("ALL CHECKS RAN")) << output;
    // A host that sinks the events clears Continue: no box. Wine's cscript
    // cannot sink them, so Continue stays TRUE and the box appears.
    std::vector<std::string> expected;
    if (output.find("EVENTS CONNECTED") == std::string::npos)
        expected = {"Missing BasicDigIO interface!"};
    ASSERT_NE(nullptr, boxes);
    EXPECT_EQ(expected, boxes->Stop());
    EXPECT_EQ(0u, Regsvr32(simulator, "/u"));
}

} // namespace
