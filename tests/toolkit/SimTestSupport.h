// Shared pieces of the toolkit suites: an image reference owner, a fixture
// that checks that no test leaves an image alive, short reads, and the
// driver operations as one table.
#pragma once

#include "HXKSim.h"

#include <gtest/gtest.h>

class ImageRef {
public:
    ImageRef(int32_t inputs, int32_t outputs, int32_t basicDigIO = 1)
        : image_(HXKSimCreateImage(inputs, outputs, basicDigIO)) {}
    ImageRef(const ImageRef&) = delete;
    ImageRef& operator=(const ImageRef&) = delete;
    ~ImageRef() { ReleaseImageRef(image_); }
    HXKIMAGE get() const { return image_; }

private:
    HXKIMAGE image_;
};

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, HXKSimLiveImageCount());
        HXKSimResetCallCounts();
    }
    void TearDown() override { EXPECT_EQ(0, HXKSimLiveImageCount()); }
};

inline HXKIMAGE fakeHandle(uintptr_t value) {
    return reinterpret_cast<HXKIMAGE>(value);
}

// A line's level (or group's bits) as read; -1 (0xBAD) when the read fails.
inline int32_t lineOf(int32_t (*read)(HXKIMAGE, int32_t, int32_t*), HXKIMAGE image, int32_t line) {
    int32_t level = -1;
    return read(image, line, &level) == 0 ? level : -1;
}
inline uint32_t groupOf(int32_t (*read)(HXKIMAGE, int32_t, uint32_t*), HXKIMAGE image,
                        int32_t group) {
    uint32_t bits = 0;
    return read(image, group, &bits) == 0 ? bits : 0xBADu;
}

// Every driver operation that answers a status, called at a line or group
// index (which the count queries ignore); writes set lines HI.
struct DriverCall {
    int32_t operation;
    int32_t (*call)(HXKIMAGE image, int32_t index);
};
inline int32_t outLevel;
inline uint32_t outBits;
inline const DriverCall kDriverCalls[] = {
    {HXKSIM_OP_QUERY_INPUT_COUNT,
     [](HXKIMAGE i, int32_t) { return QueryInputCount(i, &outLevel); }},
    {HXKSIM_OP_QUERY_OUTPUT_COUNT,
     [](HXKIMAGE i, int32_t) { return QueryOutputCount(i, &outLevel); }},
    {HXKSIM_OP_READ_INPUT_LINE,
     [](HXKIMAGE i, int32_t n) { return ReadInputLine(i, n, &outLevel); }},
    {HXKSIM_OP_READ_INPUT_GROUP,
     [](HXKIMAGE i, int32_t n) { return ReadInputGroup(i, n, &outBits); }},
    {HXKSIM_OP_READ_OUTPUT_LINE,
     [](HXKIMAGE i, int32_t n) { return ReadOutputLine(i, n, &outLevel); }},
    {HXKSIM_OP_READ_OUTPUT_GROUP,
     [](HXKIMAGE i, int32_t n) { return ReadOutputGroup(i, n, &outBits); }},
    {HXKSIM_OP_WRITE_OUTPUT_LINE, [](HXKIMAGE i, int32_t n) { return WriteOutputLine(i, n, 1); }},
    {HXKSIM_OP_WRITE_OUTPUT_GROUP,
     [](HXKIMAGE i, int32_t n) { return WriteOutputGroup(i, n, ~0u, ~0u); }},
};
