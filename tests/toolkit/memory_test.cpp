// Memory of the simulated toolkit: its exports keep C callers safe when
// memory runs out, and no stream of calls makes it grow without bound.
#include "SimTestSupport.h"

#include <atomic>

namespace {

using MemoryTest = SimTest;

// Watches malloc as a DLL imports it, and makes one chosen call fail
// (failing them all would also starve the runtime's own error path).
class MallocWatch {
public:
    explicit MallocWatch(const char* dll) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(dll));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const IMAGE_DATA_DIRECTORY& iat =
            reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew)
                ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
        void** slots = reinterpret_cast<void**>(base + iat.VirtualAddress);
        real_ = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "malloc"));
        for (DWORD i = 0; i < iat.Size / sizeof(void*) && !slot_; ++i)
            slot_ = slots[i] == real_ ? &slots[i] : nullptr;
        patch(reinterpret_cast<void*>(&watched));
    }
    ~MallocWatch() { patch(real_); }
    // From now on the call-th allocation fails (0: the next one; -1: none).
    void failOnly(int call) {
        calls_ = 0;
        failing_ = call;
    }
    int calls() const { return calls_; }

private:
    static void* watched(size_t size) {
        return calls_++ == failing_ ? nullptr : reinterpret_cast<void* (*)(size_t)>(real_)(size);
    }
    void patch(void* function) {
        DWORD protection = 0;
        ASSERT_NE(nullptr, slot_);
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        *slot_ = function;
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    }
    void** slot_ = nullptr;
    static inline void* real_ = nullptr;
    static inline std::atomic<int> calls_{0}, failing_{-1};
};

TEST_F(MemoryTest, RunningOutOfMemoryGivesFailureResultsNotExceptions) {
    ImageRef image(40, 40);
    MallocWatch malloc("HXKImg.dll");
    for (int call = 0; call < 8; ++call) { // each allocation of a creation fails in turn
        malloc.failOnly(call);
        const HXKIMAGE made = HXKSimCreateImage(2, 2, 1);
        malloc.failOnly(-1);
        EXPECT_EQ(made ? 1 : 0, HXKSimImageRefCount(made)) << call;
        ReleaseImageRef(made);
    }
    malloc.failOnly(0);
    EXPECT_EQ(HXKSIM_E_NO_MEMORY, HXKSimSetFault(image.get(), HXKSIM_OP_READ_INPUT_LINE, 0, 1));
    int32_t writes = 0, status = 0; // the history grows now and then: run until it must
    for (; writes < 5000 && status == 0; writes += status == 0) {
        malloc.failOnly(0);
        status = WriteOutputLine(image.get(), 3, writes & 1);
    }
    EXPECT_EQ(HXKSIM_E_NO_MEMORY, status);
    malloc.failOnly(-1);
    EXPECT_EQ(0, lineOf(ReadInputLine, image.get(), 0));                 // no fault was set
    EXPECT_EQ((writes - 1) & 1, lineOf(ReadOutputLine, image.get(), 3)); // the last good write
    EXPECT_EQ(writes, HXKSimOutputWrites(image.get(), 3, nullptr, 0));

    HXKSTOPWATCH watch = nullptr;
    CreateStopwatch(&watch); // the stopwatches' own start-up allocates too
    DestroyStopwatch(watch);
    MallocWatch utilities("HXKUtilities.dll");
    utilities.failOnly(0);
    CreateStopwatch(&watch);
    EXPECT_EQ(nullptr, watch);
}

// Calls with made-up handles: the most recent stay counted exactly, older
// ones pool into one count that never answers less than a handle's own.
TEST_F(MemoryTest, CountingCallsWithMadeUpHandlesAllocatesNothing) {
    constexpr int32_t kRead = HXKSIM_OP_READ_INPUT_LINE;
    constexpr uintptr_t kFlood = 5000;
    ImageRef image(1, 1);
    kDriverCalls[2].call(image.get(), 0);
    MallocWatch malloc("HXKImg.dll");
    malloc.failOnly(-1);
    for (uintptr_t i = 1; i <= kFlood; ++i)
        EXPECT_EQ(HXKSIM_E_NOT_LIVE, kDriverCalls[2].call(fakeHandle(i << 4), 0));
    EXPECT_EQ(0, malloc.calls());
    EXPECT_EQ(int64_t{kFlood} + 1, HXKSimTotalCallCount(kRead));
    EXPECT_EQ(1, HXKSimCallCount(kRead, image.get()));
    EXPECT_EQ(1, HXKSimCallCount(kRead, fakeHandle(kFlood << 4)));
    const int64_t pooled = HXKSimCallCount(kRead, fakeHandle(1 << 4));
    EXPECT_TRUE(pooled >= 1 && pooled <= int64_t{kFlood}) << pooled;
    HXKSimResetCallCounts();
    EXPECT_EQ(0, HXKSimCallCount(kRead, fakeHandle(1 << 4)));
}

} // namespace
