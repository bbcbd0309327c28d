// The guards of function-local statics that every DLL of ours uses instead of
// the runtime's, tried in this program (which takes them over the same way):
// threads racing for one static see it made exactly once and only when it is
// whole; a constructor that throws lets the next caller try again.
#include "hx/module_runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

std::atomic<int> g_constructions{0};

struct SlowToMake {
    SlowToMake() {
        ++g_constructions;
        Sleep(50); // long enough for every other thread to arrive and wait
        value = 42;
    }
    int value = 0;
};

int ValueOfTheShared() {
    static SlowToMake shared;
    return shared.value;
}

TEST(StaticGuards, ThreadsRacingForOneStaticSeeItMadeOnceAndWhole) {
    constexpr int kThreads = 8;
    std::atomic<int> ready{0};
    std::vector<int> seen(kThreads, -1);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < kThreads)
                std::this_thread::yield();
            seen[i] = ValueOfTheShared();
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(1, g_constructions.load());
    for (int value : seen)
        EXPECT_EQ(42, value);
}

int g_attempts = 0;

struct FailsFirst {
    FailsFirst() {
        if (++g_attempts == 1) throw std::runtime_error("first attempt");
    }
};

const FailsFirst& TheFailsFirst() {
    static FailsFirst made;
    return made;
}

TEST(StaticGuards, AConstructorThatThrowsLetsTheNextCallerTryAgain) {
    EXPECT_THROW(TheFailsFirst(), std::runtime_error);
    // Another thread is not kept waiting by the failed attempt.
    std::thread other([] { (void)TheFailsFirst(); });
    other.join();
    EXPECT_EQ(2, g_attempts);
    (void)TheFailsFirst();
    EXPECT_EQ(2, g_attempts);
}

} // namespace
