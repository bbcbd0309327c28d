// The hostile container's short seeded runs, one in each real host: the
// control in place on a test form, and in the system's ATL host (with the
// about box now and then). Each run must find no call answered outside its
// situation's allowed results, no malformed event, nothing left at any
// release of the control, and the process as it was at the end.
#include "HostileFuzzer.h"

#include "ComTestSupport.h"

#include <gtest/gtest.h>

namespace {

void RunAndCheck(const hostile::Options& options, const char* resultFile) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    SetUnhandledExceptionFilter(&hardening::ReportCrash);
    hxtest::ModalBoxWatcher errorBoxes("Error");
    const hostile::Results results = hostile::Run(options);
    hardening::WriteResults(resultFile, "section\tname\tvalue",
                            hostile::ResultRows(options, results));
    EXPECT_EQ(0u, results.violationCount) << hostile::Summary(options, results);
    EXPECT_EQ(options.calls, results.calls);
    EXPECT_GE(results.controls, 2u) << "the control was released and made again";
    EXPECT_GT(results.workers, 50u);
    EXPECT_TRUE(errorBoxes.Stop().empty()) << "a box although every Continue was left FALSE";
    // The process as before the run (after one control's warm-up).
    EXPECT_EQ(results.before.threads, results.after.threads) << hardening::DescribeThreads();
    // A lock shared with the watchdog gets an event from the C++ runtime at
    // its first contention, whenever that falls: one or two handles of the
    // run's own, however many calls it made.
    EXPECT_LE(results.after.openHandles, results.before.openHandles + 2) << results.newHandles;
    EXPECT_EQ(results.before.windows, results.after.windows);
    EXPECT_LT(results.after.heapBlocks - results.before.heapBlocks, 400)
        << "heap blocks left by " << results.calls << " calls";
    CoUninitialize();
}

TEST(HostileContainer, ASeededRunOnAFormAnswersAsSpecifiedAndLeavesNothing) {
    hostile::Options options;
    options.seed = 20261206;
    options.calls = 3000;
    options.recreateEvery = 400;
    RunAndCheck(options, "hostile-short-form.tsv");
}

// Workers firing on their own threads while the container calls on.
TEST(HostileContainer, ASeededRunWithDirectFiringAnswersAsSpecifiedAndLeavesNothing) {
    hostile::Options options;
    options.seed = 424242;
    options.calls = 2000;
    options.directFiring = true;
    options.recreateEvery = 400;
    RunAndCheck(options, "hostile-short-direct.tsv");
}

TEST(HostileContainer, ASeededRunInTheAtlHostAnswersAsSpecifiedAndLeavesNothing) {
    hostile::Options options;
    options.seed = 7;
    options.calls = 2000;
    options.host = hostile::Host::Atl;
    options.aboutBox = true;
    options.recreateEvery = 400;
    RunAndCheck(options, "hostile-short-atl.tsv");
}

} // namespace
