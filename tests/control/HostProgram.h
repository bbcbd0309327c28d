// Programs of the Wine prefix run from a suite as a person runs them from a
// command line: regsvr32, cscript, the test bench. The toolkit's DLLs lie on
// their search path, as on an installed system.
#pragma once

#include "ControlTestSupport.h"

#include <cstdio>
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

// Runs a command line; answers its exit code and what it printed (standard
// output and error together).
inline std::pair<int, std::string> RunProgram(const std::string& command) {
    std::string output;
    // cmd /c drops the first and the last quote of its line: the whole line
    // is quoted once more, so that a quoted program with quoted arguments
    // stays as it was.
    FILE* pipe = _popen(("\"" + command + " 2>&1\"").c_str(), "r");
    char chunk[512];
    while (pipe && fgets(chunk, sizeof chunk, pipe))
        output += chunk;
    return {pipe ? _pclose(pipe) : -1, output};
}

inline int Regsvr32(const std::string& module, const char* options = "") {
    return RunProgram("regsvr32.exe /s " + std::string(options) + " \"" + module + "\"").first;
}

} // namespace hxtest
