// The page object through IPropertyPage2 the way a frame drives it, with a
// window of the test's own as the frame: several windows in one object's
// life, the protocol's answers, the references it holds on objects and site,
// and objects whose Image or counts are no use (a stale or 0 handle, counts
// that are not numbers). Each test ends with every window, image reference,
// font and object of the module gone.
#include "FontCounter.h"
#include "PageFixture.h"

#include <gtest/gtest.h>

using namespace pagetest;
using hxtest::I4;
using hxtest::I8;
using hxtest::SimImage;
using hxtest::Str;
using hxtest::Var;

namespace {

const RECT kPageRect = {5, 5, 405, 205};

class PageObject : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        page = CreatePage(module);
        ASSERT_TRUE(page);
    }
    void TearDown() override {
        if (page) {
            EXPECT_EQ(0u, page.detach()->Release()) << "the page's last reference";
        }
        PageTest::TearDown();
    }
    // Gives the page one object and makes its window; the page's dialog.
    HWND Activate(IUnknown* object) {
        IUnknown* objects[] = {object};
        EXPECT_EQ(S_OK, page->SetObjects(1, objects));
        EXPECT_EQ(S_OK, page->Activate(ParentWindow(), &kPageRect, TRUE));
        EXPECT_EQ(S_OK, page->Show(SW_SHOW));
        return FindPage(ParentWindow());
    }
    IUnknown* Control() const { return control.get(); }

    hx::com_ptr<IPropertyPage2> page;
};

TEST_F(PageObject, MakesAFreshWindowEachTimeItIsActivated) {
    const SimImage image(3, 2);
    BindImage(image);
    const auto site = Make<FakeSite>();
    ASSERT_EQ(S_OK, page->SetPageSite(site.get()));
    const auto recorder = Make<RecordingDispatch>(control);
    const size_t eventsBefore = EventCount();
    for (int round = 0; round < 3; ++round) {
        const int windows = ThreadWindowCount(GetCurrentThreadId());
        const HWND dialog = Activate(recorder.get());
        ASSERT_NE(nullptr, dialog);
        const HWND inputs = GetDlgItem(dialog, kInputsId), outputs = GetDlgItem(dialog, kOutputsId);
        EXPECT_EQ(ParentWindow(), GetParent(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ("3", Text(dialog, kNumInputsId));
        EXPECT_EQ("2", Text(dialog, kNumOutputsId));
        EXPECT_EQ(InputRowsOf(image.image, 3), Rows(inputs));
        EXPECT_EQ(OutputRowsOf(image.image, 2), Rows(outputs));
        EXPECT_EQ((std::vector<std::string>{"Port", "State"}), Headings(outputs));

        // The refresh runs while this thread runs its messages.
        HXKSimSetInput(image.image, round, 1);
        EXPECT_TRUE(PumpUntil([&] { return Rows(inputs) == InputRowsOf(image.image, 3); }));
        // Each window toggles as the first did; the next window reads the
        // outputs as this one left them.
        DoubleClick(outputs, RowCentre(outputs, 1));
        EXPECT_EQ(OutputRowsOf(image.image, 2), Rows(outputs));

        EXPECT_EQ(S_OK, page->Show(SW_HIDE));
        EXPECT_EQ(S_OK, page->Deactivate());
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(windows, ThreadWindowCount(GetCurrentThreadId()));
        // The timer went with the window.
        const int64_t reads = HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.image);
        PumpFor(300);
        EXPECT_EQ(reads, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.image));
    }
    int32_t level = -1;
    HXKSimGetOutput(image.image, 1, &level);
    EXPECT_EQ(1, level); // toggled three times from LO
    // Three properties read per window, none written, no event fired.
    EXPECT_EQ(9u, recorder->Calls().size());
    EXPECT_EQ(0u, recorder->Puts());
    EXPECT_EQ(eventsBefore, EventCount());
    EXPECT_EQ(2, HXKSimImageRefCount(image.image)) << "the page holds no reference";

    EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
    EXPECT_EQ(1, recorder->RefCount());
    EXPECT_EQ(S_OK, page->SetPageSite(nullptr));
    EXPECT_EQ(1, site->RefCount());
}

// Applying runs the saving exchange (the counts go from the controls back
// into the page) and writes no property: the object sees reads only.
TEST_F(PageObject, ApplyWritesNoProperty) {
    const SimImage image(4, 4);
    BindImage(image);
    const auto recorder = Make<RecordingDispatch>(control);
    const HWND dialog = Activate(recorder.get());
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(S_OK, page->Apply());
    EXPECT_EQ(S_OK, page->Apply());
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_EQ(0u, recorder->Puts());
    EXPECT_EQ(3u, recorder->Calls().size());
    EXPECT_EQ("4", Text(dialog, kNumInputsId));
    EXPECT_EQ(4u, Rows(GetDlgItem(dialog, kOutputsId)).size());
    EXPECT_EQ(image.Handle(), hxtest::Get(control, hxtest::idImage).value.v.llVal);
    EXPECT_EQ(S_OK, page->Deactivate());
    EXPECT_EQ(S_OK, page->Apply()); // without a window: nothing to save
    EXPECT_EQ(0u, recorder->Puts());
    EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
}

TEST_F(PageObject, AnswersTheFramesQuestions) {
    const SimImage image(1, 1);
    BindImage(image);
    PROPPAGEINFO info = {};
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_EQ(std::wstring(L"General"), info.pszTitle ? info.pszTitle : L"");
    EXPECT_EQ(nullptr, info.pszDocString);
    EXPECT_EQ(nullptr, info.pszHelpFile);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(E_POINTER, page->GetPageInfo(nullptr));

    // Nothing to show or move before a window exists.
    EXPECT_EQ(E_UNEXPECTED, page->Show(SW_SHOW));
    EXPECT_EQ(E_UNEXPECTED, page->Move(&kPageRect));
    EXPECT_EQ(E_POINTER, page->Activate(ParentWindow(), nullptr, TRUE));

    const HWND dialog = Activate(Control());
    ASSERT_NE(nullptr, dialog);
    // The size the frame was given is the dialog's: 250 by 110 dialog units.
    RECT units = {0, 0, 250, 110};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(units.right, info.size.cx);
    EXPECT_EQ(units.bottom, info.size.cy);
    EXPECT_EQ(E_UNEXPECTED, page->Activate(ParentWindow(), &kPageRect, TRUE));

    const RECT moved = {20, 30, 320, 230};
    EXPECT_EQ(S_OK, page->Move(&moved));
    const RECT placed = RectInClient(ParentWindow(), dialog);
    EXPECT_TRUE(EqualRect(&moved, &placed));

    // The page's own keys: a Tab in its list moves the focus to the next
    // list; a key for another window is not the page's.
    const HWND inputs = GetDlgItem(dialog, kInputsId), outputs = GetDlgItem(dialog, kOutputsId);
    SetFocus(inputs);
    MSG tab = {inputs, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(S_OK, page->TranslateAccelerator(&tab));
    EXPECT_EQ(outputs, GetFocus());
    MSG other = {ParentWindow(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, page->TranslateAccelerator(&other));
    EXPECT_EQ(E_POINTER, page->TranslateAccelerator(nullptr));

    // A property the page shows gets the focus on its control.
    EXPECT_EQ(S_OK, page->EditProperty(hxtest::idNumOutputs));
    EXPECT_EQ(GetDlgItem(dialog, kNumOutputsId), GetFocus());
    EXPECT_EQ(E_NOTIMPL, page->EditProperty(hxtest::idGetInBit));
    EXPECT_EQ(E_NOTIMPL, page->Help(nullptr));

    EXPECT_EQ(S_OK, page->Deactivate());
    EXPECT_EQ(S_OK, page->Deactivate()); // a frame may have destroyed it already
    EXPECT_EQ(E_UNEXPECTED, page->EditProperty(hxtest::idNumOutputs));
}

TEST_F(PageObject, HoldsOneReferenceOnEachObjectAndOnTheSite) {
    const auto first = Make<FakeObject>(std::map<std::wstring, Var>{});
    const auto second = Make<FakeObject>(std::map<std::wstring, Var>{});
    const auto site = Make<FakeSite>();
    IUnknown* both[] = {first.get(), second.get()};
    ASSERT_EQ(S_OK, page->SetObjects(2, both));
    EXPECT_EQ(2, first->RefCount());
    EXPECT_EQ(2, second->RefCount());
    IUnknown* one[] = {second.get()};
    ASSERT_EQ(S_OK, page->SetObjects(1, one)); // the first is let go
    EXPECT_EQ(1, first->RefCount());
    EXPECT_EQ(2, second->RefCount());
    EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
    EXPECT_EQ(1, second->RefCount());

    // Refused sets keep what the page had.
    ASSERT_EQ(S_OK, page->SetObjects(1, both));
    IUnknown* notDispatch[] = {site.get()};
    EXPECT_EQ(E_NOINTERFACE, page->SetObjects(1, notDispatch));
    IUnknown* null[] = {nullptr};
    EXPECT_EQ(E_POINTER, page->SetObjects(1, null));
    EXPECT_EQ(E_POINTER, page->SetObjects(1, nullptr));
    EXPECT_EQ(2, first->RefCount());
    EXPECT_EQ(1, site->RefCount());

    ASSERT_EQ(S_OK, page->SetPageSite(site.get()));
    EXPECT_EQ(2, site->RefCount());
    EXPECT_EQ(E_UNEXPECTED, page->SetPageSite(site.get()));
    EXPECT_EQ(2, site->RefCount());

    // A page let go without being told to drop them drops them itself.
    EXPECT_EQ(0u, page.detach()->Release());
    EXPECT_EQ(1, first->RefCount());
    EXPECT_EQ(1, site->RefCount());
}

// A container that forgets Deactivate: the page's last release takes the
// window, its lists and its timer with it.
TEST_F(PageObject, ALastReleaseWhileActiveDestroysTheWindow) {
    const SimImage image(2, 2);
    BindImage(image);
    hxtest::FontCounter fonts(module.handle.get());
    ASSERT_TRUE(fonts.Hooked());
    const HWND dialog = Activate(Control());
    ASSERT_NE(nullptr, dialog);
    UpdateWindow(dialog);
    PumpFor(250);
    EXPECT_EQ(0u, page.detach()->Release());
    EXPECT_FALSE(IsWindow(dialog));
    const int64_t reads = HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.image);
    PumpFor(300);
    EXPECT_EQ(reads, HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.image));
    // Painted rows need no font of their own (no row is styled).
    EXPECT_EQ(0, fonts.Created());
    EXPECT_EQ(0, fonts.Alive());
    EXPECT_EQ(0, fonts.StrayDeletes());
}

// Objects whose properties are not what the control gives: the counts as
// text are atoi'd (text that is not a number gives 0, and empty grids); a
// property that cannot be read leaves a new page's "0"; an Image that is not
// a 64-bit number leaves the handle 0, which goes to the driver unchanged.
struct FakeCase {
    const char* name;
    std::map<std::wstring, Var> properties;
    const char* numInputs; // as the page shows it
    const char* numOutputs;
    int inputRows;
    int outputRows;
};

TEST_F(PageObject, CountsThatAreNotNumbersGiveEmptyGrids) {
    const FakeCase cases[] = {
        {"counts as words",
         {{L"Image", I8(0)}, {L"NumInputs", Str(L"abc")}, {L"NumOutputs", Str(L"")}},
         "abc",
         "",
         0,
         0},
        {"negative and trailing text",
         {{L"Image", I8(0)}, {L"NumInputs", I4(-3)}, {L"NumOutputs", Str(L"2 lines")}},
         "-3",
         "2 lines",
         0,
         2},
        {"no such properties", {}, "0", "0", 0, 0},
        {"counts as reals",
         {{L"NumInputs", Var(VT_R8, 0)}, {L"NumOutputs", I4(1)}},
         "0",
         "1",
         0,
         1},
        {"an image that is text",
         {{L"Image", Str(L"abc")}, {L"NumInputs", I4(2)}, {L"NumOutputs", I4(0)}},
         "2",
         "0",
         2,
         0},
    };
    for (const FakeCase& c : cases) {
        SCOPED_TRACE(c.name);
        HXKSimResetCallCounts();
        const auto object = Make<FakeObject>(c.properties);
        const HWND dialog = Activate(object.get());
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(c.numInputs, Text(dialog, kNumInputsId));
        EXPECT_EQ(c.numOutputs, Text(dialog, kNumOutputsId));
        const HWND inputs = GetDlgItem(dialog, kInputsId), outputs = GetDlgItem(dialog, kOutputsId);
        // Handle 0 reads fail, and the rows show LO.
        EXPECT_EQ(std::vector<Row>(InputRowsOf(nullptr, c.inputRows)), Rows(inputs));
        EXPECT_EQ(std::vector<Row>(OutputRowsOf(nullptr, c.outputRows)), Rows(outputs));
        PumpFor(250); // a few ticks
        EXPECT_EQ(HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE),
                  HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, nullptr));
        if (c.inputRows == 0) {
            EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE)); // the timer does nothing
        }
        DoubleClick(outputs, RowCentre(outputs, 0));
        EXPECT_EQ(c.outputRows, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE, nullptr));
        EXPECT_EQ(0, object->Puts());
        EXPECT_EQ(S_OK, page->Deactivate());
        EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
        EXPECT_EQ(1, object->RefCount());
        // A fresh page for the next case: a property that cannot be read
        // leaves what the page held before.
        EXPECT_EQ(0u, page.detach()->Release());
        page = CreatePage(module);
        ASSERT_TRUE(page);
    }
}

// The handle the page read stays in use when the image dies meanwhile, and
// the driver answers its calls with failures: nothing crashes, rows show LO
// and nothing is written to another image.
TEST_F(PageObject, AStaleImageHandleGoesToTheDriverUnchanged) {
    SimImage image(2, 2);
    HXKSimSetInput(image.image, 0, 1);
    HXKSimSetOutput(image.image, 1, 1);
    const auto object = Make<FakeObject>(std::map<std::wstring, Var>{
        {L"Image", I8(image.Handle())}, {L"NumInputs", I4(2)}, {L"NumOutputs", I4(2)}});
    const HWND dialog = Activate(object.get());
    ASSERT_NE(nullptr, dialog);
    const HWND inputs = GetDlgItem(dialog, kInputsId), outputs = GetDlgItem(dialog, kOutputsId);
    EXPECT_EQ((std::vector<Row>{{"0", "HI"}, {"1", "LO"}}), Rows(inputs));
    EXPECT_EQ((std::vector<Row>{{"0", "LO"}, {"1", "HI"}}), Rows(outputs));

    image.Release(); // the image dies; the page keeps its handle
    ASSERT_EQ(0, HXKSimLiveImageCount());
    HXKSimResetCallCounts();
    const SimImage other(2, 2);
    EXPECT_TRUE(PumpUntil(
        [&] { return HXKSimCallCount(HXKSIM_OP_READ_INPUT_LINE, image.image) >= 2 * 3; }));
    // The failed reads left the rows' variable at 0: LO.
    EXPECT_EQ((std::vector<Row>{{"0", "LO"}, {"1", "LO"}}), Rows(inputs));
    DoubleClick(outputs, RowCentre(outputs, 0));
    EXPECT_EQ((std::vector<Row>{{"0", "HI"}, {"1", "HI"}}), Rows(outputs));
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE, image.image));
    EXPECT_EQ(0, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE, other.image));
    EXPECT_EQ(0, HXKSimOutputWrites(other.image, 0, nullptr, 0));
    EXPECT_EQ(S_OK, page->Deactivate());
}

} // namespace
