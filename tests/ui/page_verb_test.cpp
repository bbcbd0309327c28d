// The control's Properties verb on a form shows this page: through the
// site's own property frame when the site offers one, otherwise through the
// system's frame over the control, where the page shows the control's image.
#include "OleTestContainer.h"
#include "PageFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace pagetest;
using hxtest::SimImage;
using hxtest::TestContainer;

namespace {

class PropertiesVerb : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        pageClass.emplace(module);
        ASSERT_TRUE(pageClass->Registered());
    }
    void TearDown() override {
        container.Remove();
        pageClass.reset();
        PageTest::TearDown();
    }
    HRESULT Properties() {
        return container.control->DoVerb(OLEIVERB_PROPERTIES, nullptr, container.site.get(), 0,
                                         container.site->form, &container.site->rcPos);
    }

    std::optional<PageClassScope> pageClass;
    TestContainer container;
};

TEST_F(PropertiesVerb, ShowsThePageOverTheControlInTheSystemsFrame) {
    std::optional<SimImage> image(std::in_place, 12, 5);
    HXKSimSetInput(image->image, 4, 1);
    BindImage(*image);
    ASSERT_EQ(S_OK, container.Place(control.get()));
    std::vector<Row> inputs;
    std::string counts;
    const HRESULT shown = DriveFrame(
        [&] { return Properties(); },
        [&](const FrameWindows& frame) {
            counts = Text(frame.page, kNumInputsId) + "/" + Text(frame.page, kNumOutputsId);
            inputs = Rows(GetDlgItem(frame.page, kInputsId));
        },
        IDCANCEL);
    EXPECT_EQ(S_OK, shown);
    EXPECT_EQ("12/5", counts);
    EXPECT_EQ(InputRowsOf(image->image, 12), inputs);
    const std::vector<std::string> calls = pageClass->FrameCalls();
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "Activate 0x0"));
    container.Remove();
    ASSERT_EQ(S_OK, Bind(0));
    image.reset();
}

TEST_F(PropertiesVerb, ASiteWithAFrameOfItsOwnShowsIt) {
    container.site->ownPropertyFrame = true;
    ASSERT_EQ(S_OK, container.Place(control.get()));
    EXPECT_EQ(S_OK, Properties());
    const std::vector<std::string>& log = container.site->log;
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "ShowPropertyFrame"));
    EXPECT_TRUE(pageClass->FrameCalls().empty()); // no system frame made a page
}

} // namespace
