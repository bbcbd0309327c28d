// Several threads at once on one image, as the control's window thread and
// its workers call the toolkit: results stay exact, and the image dies with
// the last release while other threads still call with its handle.
#include "SimTestSupport.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using ConcurrencyTest = SimTest;

TEST_F(ConcurrencyTest, ThreadsShareAnImageUntilTheLastReleaseWins) {
    constexpr int kThreads = 4, kRounds = 1000;
    HXKIMAGE image = HXKSimCreateImage(64, 64, 1);
    std::atomic<int> mismatches{0};
    std::atomic<bool> done{false};
    std::thread inputs([&] {
        for (int i = 0; !done; ++i)
            HXKSimSetInput(image, i % 64, i & 1);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        AddImageRef(image); // each worker's own reference
        threads.emplace_back([&, t] {
            const uint32_t mask = 0xF0u << (t * 8); // lines 8t+4 .. 8t+7; line 8t alone
            for (int i = 0; i < kRounds; ++i) {
                AddImageRef(image);
                const uint32_t pattern = (i & 1) ? mask : 0u;
                mismatches += WriteOutputLine(image, t * 8, i & 1) != 0 ||
                              lineOf(ReadOutputLine, image, t * 8) != (i & 1) ||
                              WriteOutputGroup(image, 0, pattern, mask) != 0 ||
                              (groupOf(ReadOutputGroup, image, 0) & mask) != pattern ||
                              groupOf(ReadInputGroup, image, 1) == 0xBADu;
                ReleaseImageRef(image);
            }
            ReleaseImageRef(image);
            for (int i = 0; i < 200; ++i) { // the image may die under these calls
                int32_t level = 0;
                const int32_t status = ReadInputLine(image, 0, &level);
                mismatches += status != 0 && status != HXKSIM_E_NOT_LIVE;
            }
        });
    }
    ReleaseImageRef(image); // the creator's reference
    for (std::thread& thread : threads)
        thread.join();
    done = true;
    inputs.join();
    EXPECT_EQ(0, mismatches.load());
    EXPECT_EQ(0, ImageHandleValid(image));
    const int64_t calls = int64_t{kThreads} * kRounds;
    EXPECT_EQ(calls, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE, image));
    EXPECT_EQ(calls, HXKSimTotalCallCount(HXKSIM_OP_READ_OUTPUT_GROUP));
    EXPECT_EQ(calls + kThreads + 1, HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, image));
}

} // namespace
