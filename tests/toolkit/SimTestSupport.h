// Shared pieces of the toolkit suites: an owner for one image reference, a
// fixture that checks that no test leaves an image alive, and short reads.
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

// A line's level, or -1 when the read fails.
inline int32_t lineOf(int32_t (*read)(HXKIMAGE, int32_t, int32_t*), HXKIMAGE image, int32_t line) {
    int32_t level = -1;
    return read(image, line, &level) == 0 ? level : -1;
}

// A group's bits, or 0xBAD when the read fails.
inline uint32_t groupOf(int32_t (*read)(HXKIMAGE, int32_t, uint32_t*), HXKIMAGE image,
                        int32_t group) {
    uint32_t bits = 0;
    return read(image, group, &bits) == 0 ? bits : 0xBADu;
}
