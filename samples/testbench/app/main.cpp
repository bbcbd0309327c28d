// The HXDigIO test bench: the control on a form with a simulated device,
// for a person to use, or as a scripted session (--demo) that checks every
// event it expects and exits non-zero when one did not come.
//
//   testbench.exe [--inputs N] [--outputs N] [--run-mode]
//   testbench.exe --demo [--short] [--shots FOLDER] [--inputs N] [--outputs N]
//                        [--ignore-event NAME]
//
// The control and the toolkit must be registered (regsvr32 HXDigIO.ocx), and
// the toolkit's DLLs must be found (beside this program, or on PATH).
#include "app/Bench.h"
#include "app/EventNames.h"
#include "demo/Demo.h"

#include "HXKSim.h"

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

struct CommandLine {
    Bench::Options bench;
    bool demo = false, brief = false, help = false;
    std::string shots;
    std::string error;
};

CommandLine Parse(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--demo")
            line.demo = true;
        else if (arg == "--short")
            line.brief = true;
        else if (arg == "--run-mode")
            line.bench.designMode = false;
        else if (arg == "--help" || arg == "-h" || arg == "/?")
            line.help = true;
        else if (arg == "--inputs" && hasValue)
            line.bench.inputs = std::atoi(argv[++i]);
        else if (arg == "--outputs" && hasValue)
            line.bench.outputs = std::atoi(argv[++i]);
        else if (arg == "--shots" && hasValue)
            line.shots = argv[++i];
        else if (arg == "--ignore-event" && hasValue) {
            const std::string name = argv[++i];
            line.bench.ignoredEvent = events::Named(name);
            if (!line.bench.ignoredEvent)
                line.error =
                    "no such event: " + name + " (HXKError, ImageUpdated, Listener or Toggler)";
        } else
            line.error = "unknown argument: " + arg;
    }
    const int most = HXKSIM_MAX_LINES;
    if (line.bench.inputs < 0 || line.bench.inputs > most || line.bench.outputs < 0 ||
        line.bench.outputs > most)
        line.error = "line counts go from 0 to " + std::to_string(most);
    if (line.demo && (line.bench.inputs < 16 || line.bench.outputs < 8))
        line.error = "the demo needs at least 16 inputs and 8 outputs";
    return line;
}

// <folder of this program>\..\screenshots
std::string DefaultShotsFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\..\\screenshots";
    char full[MAX_PATH] = {};
    return GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr) ? full : folder;
}

void Usage() {
    std::printf("testbench: HXDigIO on a form with a simulated device.\n"
                "  testbench.exe [--inputs N] [--outputs N] [--run-mode]\n"
                "      opens the bench for a person (16 inputs and 16 outputs by default;\n"
                "      --run-mode: the form answers UserMode TRUE, the control hides itself)\n"
                "  testbench.exe --demo [--short] [--shots FOLDER] [--inputs N] [--outputs N]\n"
                "      runs a scripted session, prints its transcript, saves testbench.png and\n"
                "      property-page.png (default folder: ..\\screenshots beside this program)\n"
                "      and exits 1 when an expected event did not come\n"
                "  --ignore-event NAME\n"
                "      the bench drops that event (HXKError, ImageUpdated, Listener or\n"
                "      Toggler) as if it never came: shows the demo failing\n");
}

int RunDemo(Bench& bench, Demo& demo) {
    const int failures = demo.Run();
    std::printf("\n");
    if (failures)
        std::printf("demo: %d of %d checks FAILED\n", failures, demo.Checks());
    else
        std::printf("demo: all %d checks passed\n", demo.Checks());
    bench.Close();
    return failures ? 1 : 0;
}

int RunForAPerson(Bench& bench) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(bench.Window(), &msg)) continue; // Tab between the fields
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    bench.Close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine line = Parse(argc, argv);
    if (line.help || !line.error.empty()) {
        if (!line.error.empty()) std::fprintf(stderr, "testbench: %s\n", line.error.c_str());
        Usage();
        return line.help ? 0 : 2;
    }
    // A container of ActiveX controls initialises OLE (not only COM) on the
    // thread of its forms.
    if (FAILED(OleInitialize(nullptr))) {
        std::fprintf(stderr, "testbench: OleInitialize failed\n");
        return 2;
    }
    int status = 0;
    {
        Bench::Options options = line.bench;
        options.bindAtStart = !line.demo; // the demo binds it as its first step
        Bench bench(options);
        std::optional<Demo> demo;
        if (line.demo) {
            Demo::Options demoOptions;
            demoOptions.inputs = options.inputs;
            demoOptions.outputs = options.outputs;
            demoOptions.brief = line.brief;
            demoOptions.shotsFolder = line.shots.empty() ? DefaultShotsFolder() : line.shots;
            demo.emplace(bench, demoOptions); // observes the events from the start
        }
        const HRESULT made = bench.Create();
        if (FAILED(made)) {
            std::fprintf(stderr, "testbench: the bench could not start (0x%08lX)\n",
                         static_cast<unsigned long>(made));
            status = 2;
        } else {
            status = demo ? RunDemo(bench, *demo) : RunForAPerson(bench);
        }
    }
    OleUninitialize();
    return status;
}
