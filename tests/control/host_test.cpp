// HXDigIO.ocx in real hosts: regsvr32 registers and unregisters it, cscript
// runs a VBScript that creates it by its registered ProgID, and
// DllUnregisterServer's result without a registered type library is checked
// in-process.
#include "ControlTestSupport.h"

#include <algorithm>
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

// Every key and value under an HKCR key, in lower case: "sub\\key=default",
// "sub\\key:name=value" ("" for the key itself, no "=" without a value).
// Empty when the key is missing.
std::vector<std::string> Tree(const std::string& path, const std::string& prefix = "") {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> lines = {prefix};
    char name[256], data[MAX_PATH];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS)
            break;
        data[type == REG_SZ ? dataSize : 0] = '\0';
        std::string& line = *name ? lines.emplace_back(prefix + ":" + name) : lines[0];
        line += "=" + std::string(data);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        const std::string sub = prefix.empty() ? name : prefix + "\\" + name;
        for (const std::string& line : Tree(path + "\\" + name, sub))
            lines.push_back(line);
    }
    RegCloseKey(key);
    for (std::string& line : lines)
        CharLowerA(line.data());
    std::sort(lines.begin(), lines.end());
    return lines;
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

std::vector<std::string> Lower(std::vector<std::string> lines) {
    for (std::string& line : lines)
        CharLowerA(line.data());
    return lines;
}

// The class, its ProgID, the type library and its two dispinterfaces.
const std::string kRegistered[] = {kClass, kProgID, "TypeLib\\" + GuidText(LIBID_HXDIGIOLib),
                                   "Interface\\" + GuidText(DIID__DHXdigIO),
                                   "Interface\\" + GuidText(DIID__DHXdigIOEvents)};

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
        for (const std::string& key : kRegistered)
            EXPECT_EQ(std::vector<std::string>{}, Tree(key)) << key;
        EXPECT_EQ(0, HXKSimLiveImageCount());
        CoUninitialize();
    }
};

TEST_F(Hosts, Regsvr32RegistersTwiceAndUnregistersEverything) {
    const std::string ocx = OcxPath();
    ASSERT_EQ(0u, Regsvr32(ocx));
    ASSERT_EQ(0u, Regsvr32(ocx));
    EXPECT_EQ(
        Lower({"=Harlow Digital IO Control", "control", "inprocserver32:threadingmodel=Apartment",
               "inprocserver32=" + ocx, "insertable", "miscstatus=0", "miscstatus\\1=131473",
               "progid=" + kProgID, "toolboxbitmap32=" + ocx + ", 1",
               "typelib=" + GuidText(LIBID_HXDIGIOLib), "version=1.0"}),
        Tree(kClass));
    EXPECT_EQ(
        Lower({"=Harlow Digital IO Control", "clsid=" + GuidText(CLSID_HXdigIO), "insertable"}),
        Tree(kProgID));
    const std::vector<std::string> library = Tree(kRegistered[2]);
    EXPECT_NE(library.end(),
              std::find(library.begin(), library.end(), Lower({"1.0\\0\\win64=" + ocx})[0]));
    for (const std::string& dispinterface : {kRegistered[3], kRegistered[4]})
        EXPECT_FALSE(Tree(dispinterface).empty()) << dispinterface;

    EXPECT_EQ(0u, Regsvr32(ocx, "/u"));
    for (const std::string& key : kRegistered)
        EXPECT_EQ(std::vector<std::string>{}, Tree(key)) << key;
}

TEST_F(Hosts, UnregisteringWithoutTheTypeLibraryFailsAndLeavesTheClassesAlone) {
    LoadedModule module;
    ASSERT_EQ(S_OK, module.Call("DllRegisterServer"));
    ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_HXDIGIOLib, 1, 0, 0, SYS_WIN64));
    const std::vector<std::string> classBefore = Tree(kClass), progIDBefore = Tree(kProgID);
    EXPECT_EQ(SELFREG_E_TYPELIB, module.Call("DllUnregisterServer"));
    EXPECT_EQ(11u, classBefore.size());
    EXPECT_EQ(classBefore, Tree(kClass));
    EXPECT_EQ(progIDBefore, Tree(kProgID));
    ASSERT_EQ(S_OK, module.Call("DllRegisterServer"));
    EXPECT_EQ(S_OK, module.Call("DllUnregisterServer"));
    EXPECT_EQ(SELFREG_E_TYPELIB, module.Call("DllUnregisterServer"));
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
