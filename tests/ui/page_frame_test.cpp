// The general page in the system's property frame (OleCreatePropertyFrame)
// over a control bound to a simulated image, used as a user uses it: the
// frame runs modally on the test thread while a helper thread reads the
// page's window and double-clicks its lists. The control reaches the page
// through a recorder of every call the page makes on it.
#include "PageFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace pagetest;
using hxtest::Eventually;
using hxtest::SimImage;

namespace {

int64_t Calls(HXKSimOperation operation, HXKIMAGE image) {
    return HXKSimCallCount(operation, image);
}

// Every level written to each output line so far.
std::vector<std::vector<int32_t>> OutputWrites(HXKIMAGE image, int lines) {
    std::vector<std::vector<int32_t>> writes;
    for (int line = 0; line < lines; ++line) {
        int32_t levels[16] = {};
        const int32_t count = HXKSimOutputWrites(image, line, levels, 16);
        writes.emplace_back(levels, levels + (count > 16 ? 16 : count));
    }
    return writes;
}

class Frame : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        pageClass.emplace(module);
        ASSERT_TRUE(pageClass->Registered());
        recorder = Make<RecordingDispatch>(control);
    }
    void TearDown() override {
        // The page wrote no property of the control.
        if (recorder) {
            for (const RecordingDispatch::Call& call : recorder->Calls())
                EXPECT_EQ(DISPATCH_PROPERTYGET, call.flags) << call.member;
        }
        recorder.reset();
        pageClass.reset();
        PageTest::TearDown();
    }
    HRESULT Run(const std::function<void(const FrameWindows&)>& drive, int close = IDOK) {
        return RunFrame({recorder.get()}, drive, close);
    }
    // The frame's calls on its pages all succeeded, and it made and
    // destroyed a page window the given number of times.
    void ExpectShowings(int showings) const {
        const std::vector<std::string> calls = pageClass->FrameCalls();
        for (const std::string& call : calls)
            EXPECT_EQ("0x0", call.substr(call.rfind(' ') + 1)) << call;
        EXPECT_EQ(showings, std::count(calls.begin(), calls.end(), "Activate 0x0"));
        EXPECT_EQ(showings, std::count(calls.begin(), calls.end(), "Deactivate 0x0"));
        EXPECT_EQ(showings, std::count(calls.begin(), calls.end(), "GetPageInfo 0x0"));
    }

    std::optional<PageClassScope> pageClass;
    hx::com_ptr<RecordingDispatch> recorder;
};

TEST_F(Frame, ShowsEveryLineAndAnOutputFollowsTheUsersDoubleClicks) {
    const SimImage image(8, 8);
    for (int line : {1, 6})
        HXKSimSetInput(image.image, line, 1);
    HXKSimSetOutput(image.image, 4, 1);
    BindImage(image);
    const size_t eventsBefore = EventCount();
    HXKSimResetCallCounts();
    const HRESULT hr = Run([&](const FrameWindows& w) {
        const HWND inputs = GetDlgItem(w.page, kInputsId), outputs = GetDlgItem(w.page, kOutputsId);
        EXPECT_EQ("8", Text(w.page, kNumInputsId));
        EXPECT_EQ("8", Text(w.page, kNumOutputsId));
        for (HWND list : {inputs, outputs}) {
            EXPECT_EQ((std::vector<std::string>{"Port", "State"}), Headings(list));
            EXPECT_EQ(70, ColumnWidth(list, 0));
            EXPECT_EQ(70, ColumnWidth(list, 1));
        }
        EXPECT_EQ(InputRowsOf(image.image, 8), Rows(inputs));
        EXPECT_EQ(OutputRowsOf(image.image, 8), Rows(outputs));
        EXPECT_EQ("HI", Rows(inputs)[6].state);
        EXPECT_EQ("HI", Rows(outputs)[4].state);

        // An input that changes on the device shows within a few ticks.
        HXKSimSetInput(image.image, 3, 1);
        HXKSimSetInput(image.image, 6, 0);
        EXPECT_TRUE(Eventually([&] { return Rows(inputs) == InputRowsOf(image.image, 8); }))
            << "inputs not refreshed";

        // An output changed by other means does not show, however many ticks
        // go by: outputs are read once, when the page is made.
        const int64_t outputReads = Calls(HXKSIM_OP_READ_OUTPUT_LINE, image.image);
        EXPECT_EQ(8, outputReads);
        HXKSimSetOutput(image.image, 2, 1);
        const int64_t inputReads = Calls(HXKSIM_OP_READ_INPUT_LINE, image.image);
        EXPECT_TRUE(Eventually(
            [&] { return Calls(HXKSIM_OP_READ_INPUT_LINE, image.image) >= inputReads + 3 * 8; }));
        EXPECT_EQ("LO", Rows(outputs)[2].state);
        EXPECT_EQ(outputReads, Calls(HXKSIM_OP_READ_OUTPUT_LINE, image.image));
        EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE));

        // A double-click on a LO output: the row turns HI and is selected,
        // and every output is written as the grid shows it, so the outside
        // change to output 2 is overwritten.
        DoubleClick(outputs, RowCentre(outputs, 0));
        EXPECT_EQ("HI", Rows(outputs)[0].state);
        EXPECT_EQ(0, SelectedRow(outputs));
        EXPECT_EQ((std::vector<std::vector<int32_t>>{{1}, {0}, {0}, {0}, {1}, {0}, {0}, {0}}),
                  OutputWrites(image.image, 8));
        EXPECT_EQ(Rows(outputs), OutputRowsOf(image.image, 8));

        // Again: back to LO, every line written once more.
        DoubleClick(outputs, RowCentre(outputs, 0));
        EXPECT_EQ("LO", Rows(outputs)[0].state);
        // An output further down, scrolled into view as a user would.
        DoubleClick(outputs, RowCentre(outputs, 7));
        EXPECT_EQ("HI", Rows(outputs)[7].state);
        EXPECT_EQ(7, SelectedRow(outputs));
        EXPECT_EQ((std::vector<std::vector<int32_t>>{{1, 0, 0},
                                                     {0, 0, 0},
                                                     {0, 0, 0},
                                                     {0, 0, 0},
                                                     {1, 1, 1},
                                                     {0, 0, 0},
                                                     {0, 0, 0},
                                                     {0, 0, 1}}),
                  OutputWrites(image.image, 8));
        EXPECT_EQ(Rows(outputs), OutputRowsOf(image.image, 8));
    });
    EXPECT_EQ(S_OK, hr);
    ExpectShowings(1);
    EXPECT_EQ(eventsBefore, EventCount()) << "the page went through the control";
    EXPECT_EQ((std::vector<RecordingDispatch::Call>{{"Image", DISPATCH_PROPERTYGET},
                                                    {"NumInputs", DISPATCH_PROPERTYGET},
                                                    {"NumOutputs", DISPATCH_PROPERTYGET}}),
              recorder->Calls());
    EXPECT_EQ(2, HXKSimImageRefCount(image.image)) << "the test's and the control's";
}

// Clicks that hit no output row, and the frame's buttons: nothing is written
// to the device and no property to the control.
TEST_F(Frame, DoubleClicksBesideTheOutputsAndTheFramesButtonsChangeNothing) {
    const SimImage image(2, 3);
    HXKSimSetOutput(image.image, 1, 1);
    BindImage(image);
    HXKSimResetCallCounts();
    for (const int close : {IDOK, IDCANCEL}) {
        const HRESULT hr = Run(
            [&](const FrameWindows& w) {
                const HWND inputs = GetDlgItem(w.page, kInputsId);
                const HWND outputs = GetDlgItem(w.page, kOutputsId);
                const std::vector<Row> before = Rows(outputs);
                ASSERT_EQ(3u, before.size());
                DoubleClick(outputs, BelowLastRow(outputs));
                DoubleClick(inputs, RowCentre(inputs, 0));
                DoubleClick(inputs, RowCentre(inputs, 1));
                EXPECT_EQ(before, Rows(outputs));
                EXPECT_EQ(-1, SelectedRow(outputs));
                EXPECT_EQ(-1, SelectedRow(inputs));
                // The Apply button stays off: the page never has changes.
                EXPECT_FALSE(IsWindowEnabled(FrameButton(w.frame, kFrameApplyId)));
            },
            close);
        EXPECT_EQ(S_OK, hr);
    }
    ExpectShowings(2);
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE));
    EXPECT_EQ(6u, recorder->Calls().size()); // three reads for each of two windows
    const auto image64 = hxtest::Get(control, hxtest::idImage);
    EXPECT_EQ(image.Handle(), image64.value.v.llVal);
    EXPECT_EQ(3, hxtest::Get(control, hxtest::idNumOutputs).value.v.lVal);
}

// The frame closed at once, while the page's first refresh is due, three
// times over: every window goes with its timer, so that the device is not
// read after the frame has gone.
TEST_F(Frame, ClosesWhileTheRefreshIsDue) {
    const SimImage image(4, 4);
    BindImage(image);
    HXKSimResetCallCounts();
    for (int round = 0; round < 3; ++round) {
        HXKSimSetInput(image.image, round, 1);
        EXPECT_EQ(S_OK, Run([](const FrameWindows&) {}, round == 1 ? IDCANCEL : IDOK));
    }
    const int64_t reads = Calls(HXKSIM_OP_READ_INPUT_LINE, image.image);
    EXPECT_GE(reads, 3 * 4);
    PumpFor(400);
    EXPECT_EQ(reads, Calls(HXKSIM_OP_READ_INPUT_LINE, image.image));
    ExpectShowings(3);
}

// The picture for the README: a 16-input, 16-output image with some lines
// HI and an output just toggled, taken from the screen under Xvfb and kept
// in the build tree as artefacts/property-page.png.
TEST_F(Frame, APictureOfThePageInTheFrame) {
    const SimImage image(16, 16);
    for (int line : {0, 3, 4, 9, 15})
        HXKSimSetInput(image.image, line, 1);
    for (int line : {1, 2, 7})
        HXKSimSetOutput(image.image, line, 1);
    BindImage(image);
    std::optional<WindowPicture> picture;
    RECT inputsRect = {}, outputsRect = {}, selectedRow = {};
    const HRESULT hr = Run([&](const FrameWindows& w) {
        const HWND inputs = GetDlgItem(w.page, kInputsId), outputs = GetDlgItem(w.page, kOutputsId);
        DoubleClick(outputs, RowCentre(outputs, 0)); // the user's toggle, selected
        EXPECT_TRUE(Eventually([&] { return Rows(inputs) == InputRowsOf(image.image, 16); }));
        RedrawWindow(w.frame, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(300); // the frame's thread paints
        picture.emplace(w.frame);
        inputsRect = RectInClient(w.frame, inputs);
        outputsRect = RectInClient(w.frame, outputs);
        selectedRow = RowBounds(outputs, 0);
        MapWindowPoints(outputs, w.frame, reinterpret_cast<POINT*>(&selectedRow), 2);
    });
    ASSERT_EQ(S_OK, hr);
    ASSERT_TRUE(picture.has_value());
    ASSERT_GT(picture->Width(), 0);

    // The selected output row in the highlight colour, which no other part
    // of the lists shows; text drawn in both lists.
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(picture->Count(selectedRow, highlight),
              (selectedRow.right - selectedRow.left) * (selectedRow.bottom - selectedRow.top) / 2);
    EXPECT_EQ(0, picture->Count(inputsRect, highlight));
    EXPECT_GE(picture->Colours(inputsRect), 3u);
    EXPECT_GE(picture->Colours(outputsRect), 3u);

    const std::string folder = hxtest::BinDirectory() + "\\..\\artefacts";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\property-page.png";
    ASSERT_EQ(S_OK, picture->SavePng(path));
    // Read back through WIC: the same picture.
    WindowPicture read;
    ASSERT_EQ(S_OK, WindowPicture::LoadPng(path, read));
    EXPECT_EQ(picture->Width(), read.Width());
    EXPECT_EQ(picture->Height(), read.Height());
    const RECT whole = {0, 0, picture->Width(), picture->Height()};
    EXPECT_EQ(picture->Colours(whole), read.Colours(whole));
    EXPECT_EQ(picture->At(selectedRow.left + 2, selectedRow.top + 2),
              read.At(selectedRow.left + 2, selectedRow.top + 2));
}

} // namespace
