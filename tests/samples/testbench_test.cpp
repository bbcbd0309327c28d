// The test bench as the main job runs it, with the shorter demo (--short):
// the control registered by regsvr32 and created by its ProgID in a real
// container program, which checks every event it expects and fails when one
// does not come. Here, what a person relies on besides: the transcript shows
// the events with the threads they came on, the pictures are pictures of the
// form (the control's icon where the bench put it) and of the property page,
// and the toolkit's settings are as they were. Without the control
// registered, or with a command line it cannot use, the bench says why and
// exits 2; with an expected event missing, it exits 1.
#include "ControlIcon.h"
#include "HostProgram.h"
#include "RegistryTree.h"
#include "WicPng.h"

#include <regex>

using namespace hxtest;

namespace {

const std::string kProgID = "HXDIGIO.HXdigIOCtrl.1";

std::string Bench(const std::string& arguments) {
    return "\"" + BinDirectory() + "\\testbench.exe\" " + arguments;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

struct ToolkitValue {
    bool present = false;
    DWORD value = 0;
    bool operator==(const ToolkitValue&) const = default;
};

ToolkitValue ReadToolkitValue(const char* name) {
    ToolkitValue read;
    DWORD size = sizeof read.value;
    read.present = RegGetValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, name, RRF_RT_REG_DWORD,
                                nullptr, &read.value, &size) == ERROR_SUCCESS;
    return read;
}

// How many of the icon's opaque pixels the picture shows with their top left
// corner at (left, top).
int IconPixelsAt(const Picture& picture, const std::vector<DWORD>& icon, int left, int top) {
    int matching = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const DWORD source = icon[static_cast<size_t>(y) * 32 + x];
            if ((source >> 24) == 0xFF && left + x < picture.width && top + y < picture.height &&
                picture.At(left + x, top + y) == (source & 0x00FFFFFF))
                ++matching;
        }
    return matching;
}

class TestBench : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        PutToolkitOnPath();
    }
    void TearDown() override {
        Regsvr32(OcxPath(), "/u"); // leave nothing registered
        EXPECT_EQ(std::vector<std::string>{}, RegistryTree(kProgID));
        CoUninitialize();
    }
};

TEST_F(TestBench, TheShortDemoSeesEveryEventItExpectsAndPutsEverythingBack) {
    // The demo switches both settings; these are the values it must restore.
    ToolkitSettings settings({{"Global AsyncACQ Enabled", 0}});
    ASSERT_EQ(0, Regsvr32(OcxPath()));
    const std::string shots = BinDirectory() + "\\..\\artefacts\\testbench";
    for (const char* picture : {"\\testbench.png", "\\property-page.png"})
        DeleteFileA((shots + picture).c_str());

    const auto [code, transcript] = RunProgram(Bench("--demo --short --shots \"" + shots + "\""));
    EXPECT_EQ(0, code) << transcript;
    EXPECT_TRUE(std::regex_search(transcript, std::regex("demo: all [0-9]+ checks passed")))
        << transcript;
    EXPECT_EQ(std::string::npos, transcript.find(" FAIL ")) << transcript;

    // Every kind of event, with its arguments and the thread it came on:
    // the window thread for the hand-off and the calls' errors, a worker's
    // own thread for direct firing and the workers' read errors.
    const char* const kEvents[] = {
        R"(window +event +ImageUpdated\(\))",
        R"(window +event +HXKError\(13 HXK_E_INVALIDPORT, "Invalid port!", Continue TRUE\))",
        R"(thread [0-9a-f]{4,} +event +Toggler\(0x[0-9A-F]+, 3, LO\))",
        R"(thread [0-9a-f]{4,} +event +Listener\(0x[0-9A-F]+, 3, HI\))",
        R"(window +event +Listener\(0x[0-9A-F]+, 7, HI\))",
        R"(window +call +BitListenerStop\(0x[0-9A-F]+\) = TRUE, inside the Listener handler)",
        R"(window +event +Listener\(0x[0-9A-F]+, 0, 0x00000208\))",
        R"(window +event +Toggler\(0x[0-9A-F]+, 4, LO\))",
        R"(window +event +Toggler\(0x[0-9A-F]+, 5, HI\))",
        R"(window +event +HXKError\(14 HXK_E_PORTREAD, "Couldn't read port!", Continue TRUE\))",
        R"(thread [0-9a-f]{4,} +event +HXKError\(14 HXK_E_PORTREAD, "Couldn't read port!", Continue FALSE\): left FALSE)",
        R"(thread [0-9a-f]{4,} +event +HXKError\(14 HXK_E_PORTREAD, "Couldn't read port!", Continue FALSE\): answered TRUE)",
        R"(window +event +HXKError\(15 HXK_E_PORTWRITE, "Couldn't write port!", Continue TRUE\))",
        R"(window +event +HXKError\(17 HXK_E_NOINTERFACE, "Missing BasicDigIO interface!", Continue TRUE\))",
    };
    for (const char* event : kEvents)
        EXPECT_TRUE(std::regex_search(transcript, std::regex(event))) << event;

    EXPECT_EQ((ToolkitValue{true, 0}), ReadToolkitValue("Global AsyncACQ Enabled"));
    EXPECT_EQ(ToolkitValue{}, ReadToolkitValue("DigIO via HPC"));

    // The form as the screen showed it, menu bar on top: the control's icon
    // (design mode) in its place, 14 pixels into the second column.
    Picture bench;
    ASSERT_EQ(S_OK, ReadPng(Wide(shots + "\\testbench.png"), bench));
    EXPECT_EQ(1000, bench.width);
    EXPECT_GT(bench.height, 600);
    const hx::unique_hmodule ocx(LoadLibraryExA(
        OcxPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const std::vector<DWORD> icon = IconPixels(ocx.get());
    ASSERT_EQ(1024u, icon.size());
    int best = 0;
    for (int top = 34; top < 90; ++top)
        best = std::max(best, IconPixelsAt(bench, icon, 658, top));
    EXPECT_GT(best, 800);

    Picture page;
    ASSERT_EQ(S_OK, ReadPng(Wide(shots + "\\property-page.png"), page));
    EXPECT_GT(page.width, 300);
    EXPECT_GT(page.height, 200);
}

// The demo's verdict rests on the events themselves: with one kind dropped
// by the bench's sink, the checks that wait for it fail, and only those.
TEST_F(TestBench, AnEventThatDoesNotComeFailsItsChecksAndTheDemo) {
    ToolkitSettings settings({{"Global AsyncACQ Enabled", 0}});
    ASSERT_EQ(0, Regsvr32(OcxPath()));
    const auto [code, transcript] =
        RunProgram(Bench("--demo --short --ignore-event ImageUpdated --shots \"" + BinDirectory() +
                         "\\..\\artefacts\\testbench-ignored\""));
    EXPECT_EQ(1, code) << transcript;
    EXPECT_EQ(std::string::npos, transcript.find("event  ImageUpdated()")) << transcript;
    const char* const kFailed[] = {
        R"(FAIL +ImageUpdated came once, on the window thread)",
        R"(FAIL +a new control was made and bound)",
        R"(FAIL +Image = 0 fired ImageUpdated)",
        R"(\ndemo: 3 of [0-9]+ checks FAILED)",
    };
    for (const char* failed : kFailed)
        EXPECT_TRUE(std::regex_search(transcript, std::regex(failed))) << failed;
    EXPECT_EQ(ToolkitValue{}, ReadToolkitValue("DigIO via HPC"));
}

TEST_F(TestBench, WithoutTheControlRegisteredTheBenchSaysSoAndExits2) {
    Regsvr32(OcxPath(), "/u");
    const auto [code, output] = RunProgram(Bench("--demo --short --shots \"" + BinDirectory() +
                                                 "\\..\\artefacts\\testbench-unregistered\""));
    EXPECT_EQ(2, code) << output;
    EXPECT_NE(std::string::npos, output.find("could not be made")) << output;
    EXPECT_NE(std::string::npos, output.find("is HXDigIO.ocx registered (regsvr32)?")) << output;
}

TEST_F(TestBench, ACommandLineItCannotUseGetsTheReasonAndTheUsage) {
    const struct {
        const char* arguments;
        const char* reason;
    } kCases[] = {
        {"--demo --inputs 8", "the demo needs at least 16 inputs and 8 outputs"},
        {"--outputs -1", "line counts go from 0 to 65536"},
        {"--inputs 70000", "line counts go from 0 to 65536"},
        {"--frobnicate", "unknown argument: --frobnicate"},
        {"--demo --ignore-event Clicked",
         "no such event: Clicked (HXKError, ImageUpdated, Listener or Toggler)"},
    };
    for (const auto& c : kCases) {
        const auto [code, output] = RunProgram(Bench(c.arguments));
        EXPECT_EQ(2, code) << c.arguments;
        EXPECT_NE(std::string::npos, output.find(std::string("testbench: ") + c.reason)) << output;
        EXPECT_NE(std::string::npos, output.find("testbench.exe --demo")) << output;
    }
    const auto [code, usage] = RunProgram(Bench("--help"));
    EXPECT_EQ(0, code);
    EXPECT_NE(std::string::npos, usage.find("testbench.exe [--inputs N]")) << usage;
}

} // namespace
