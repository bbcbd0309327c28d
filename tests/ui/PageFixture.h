// The fixture of the page suites: a container (the module, a control made by
// its factory with an event sink, see ControlTest) that also checks that
// every window the test made is gone at the end, besides ControlTest's own
// checks (no image reference left, the module free to unload).
#pragma once

#include "PageTestSupport.h"

namespace pagetest {

class PageTest : public hxtest::ControlTest {
protected:
    void SetUp() override {
        ParentWindow();
        ControlTest::SetUp();
        windowsBefore = ThreadWindowCount(GetCurrentThreadId());
    }
    void TearDown() override {
        PumpFor(50); // messages posted to windows now gone
        EXPECT_EQ(windowsBefore, ThreadWindowCount(GetCurrentThreadId())) << "windows left";
        ControlTest::TearDown();
    }
    // A simulated image bound to the control.
    void BindImage(const hxtest::SimImage& image) { ASSERT_EQ(S_OK, Bind(image.Handle())); }
    // The fired events so far, for tests that expect the page to fire none.
    size_t EventCount() const { return sink->Events().size(); }

    int windowsBefore = 0;
};

} // namespace pagetest
