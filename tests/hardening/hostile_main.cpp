// The hostile container's long run, a command of its own:
//
//   hardening_hostile.exe [--calls N] [--seed S] [--host form|atl] [--about]
//                         [--direct] [--recreate-every N] [--watchdog SECONDS] [--out FILE]
//
// Writes its figures to build/windows/hardening/FILE (hostile-last.tsv by
// default) and the allowed answers per situation to hostile-allowed.tsv;
// prints a summary and exits 1 when any call or event broke the rules.
#include "HostileFuzzer.h"

#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    hostile::Options options;
    options.calls = 200000;
    std::string out = "hostile-last.tsv";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--calls" && value)
            options.calls = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--seed" && value)
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--host" && value)
            options.host =
                std::strcmp(argv[++i], "atl") == 0 ? hostile::Host::Atl : hostile::Host::Form;
        else if (arg == "--about")
            options.aboutBox = true;
        else if (arg == "--direct")
            options.directFiring = true;
        else if (arg == "--recreate-every" && value)
            options.recreateEvery = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (arg == "--watchdog" && value)
            options.watchdogSeconds = std::atoi(argv[++i]);
        else if (arg == "--out" && value)
            out = argv[++i];
        else {
            std::fprintf(stderr, "hardening_hostile: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    if (FAILED(CoInitialize(nullptr))) return 2;
    SetUnhandledExceptionFilter(&hardening::ReportCrash);
    const hostile::Results results = hostile::Run(options);
    hardening::WriteResults(out, "section\tname\tvalue", hostile::ResultRows(options, results));
    hardening::WriteResults("hostile-allowed.tsv", "situation\tallowed", hostile::AllowedTable());
    std::fputs(hostile::Summary(options, results).c_str(), stdout);
    std::printf("handles opened during the run and still open:%s\n", results.newHandles.c_str());
    CoUninitialize();
    return results.violationCount == 0 ? 0 : 1;
}
