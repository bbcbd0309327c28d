// Programs of the Wine prefix run from a suite as a person runs them from a
// command line: regsvr32, cscript, the test bench. The toolkit's DLLs lie on
// their search path, as on an installed system.
#pragma once

#include "ControlTestSupport.h"

#include <string>
#include <utility>

namespace hxtest {

// Puts bin/ (the toolkit's DLLs) on this process's PATH, which the programs
// it starts inherit.
inline void PutToolkitOnPath() {
    char path[32768] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    if (std::string(path).find(BinDirectory()) == std::string::npos)
        SetEnvironmentVariableA("PATH", (BinDirectory() + ";" + path).c_str());
}

// Runs a command line (the program found as CreateProcess finds it); answers
// its exit code and what it printed (standard output and error together).
// A program that cannot be started answers -1 and the system's reason.
inline std::pair<int, std::string> RunProgram(const std::string& command) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    hx::unique_handle reader, writer;
    if (!CreatePipe(reader.put(), writer.put(), &inheritable, 0))
        return {-1, "no pipe: error " + std::to_string(GetLastError())};
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writer.get();
    PROCESS_INFORMATION started = {};
    std::string line = command; // CreateProcessA may write to its command line
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started))
        return {-1, "could not start " + command + ": error " + std::to_string(GetLastError())};
    const hx::unique_handle process(started.hProcess), thread(started.hThread);
    writer.reset(); // the pipe ends when the program (and what it started) closes it
    std::string output;
    char chunk[512];
    DWORD read = 0;
    while (ReadFile(reader.get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        output.append(chunk, read);
    // Lines as a text-mode reader sees them.
    for (size_t at = output.find("\r\n"); at != std::string::npos; at = output.find("\r\n", at))
        output.erase(at, 1);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return {static_cast<int>(code), output};
}

inline int Regsvr32(const std::string& module, const char* options = "") {
    return RunProgram("regsvr32.exe /s " + std::string(options) + " \"" + module + "\"").first;
}

} // namespace hxtest
