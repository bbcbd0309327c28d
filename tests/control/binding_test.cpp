// Binding an image through the Image property: every step and event, the
// refused bindings with their "Error" box, and the control's references.
#include "ControlTestSupport.h"

using namespace hxtest;

namespace {

using Strings = std::vector<std::string>;
const std::string kMissingDigIO = "17 Missing BasicDigIO interface!";
const std::string kNoInputs = "11 Can't read number of input ports!";
const std::string kNoOutputs = "11 Can't read number of output ports!";
const std::string kUpdated = "ImageUpdated";

class Binding : public ControlTest {
protected:
    // Image, NumInputs, NumOutputs as read through IDispatch.
    std::vector<LONGLONG> State() {
        const CallResult image = Get(control, idImage);
        EXPECT_EQ(VT_I8, image.value.v.vt);
        return {image.value.v.llVal, Get(control, idNumInputs).value.v.lVal,
                Get(control, idNumOutputs).value.v.lVal};
    }
};

TEST_F(Binding, BindingReferencesTheImageReadsItsCountsAndFiresImageUpdated) {
    EXPECT_EQ((std::vector<LONGLONG>{0, 0, 0}), State());
    EXPECT_EQ(VARIANT_FALSE, Get(control, idIsBasicDigIO).value.v.boolVal);
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO, nullptr)); // asked with handle 0
    SimImage first(8, 12), second(40, 2);
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    EXPECT_EQ((std::vector<LONGLONG>{first.Handle(), 8, 12}), State());
    const CallResult digIO = Get(control, idIsBasicDigIO);
    EXPECT_EQ(VT_BOOL, digIO.value.v.vt);
    EXPECT_EQ(VARIANT_TRUE, digIO.value.v.boolVal);
    EXPECT_EQ(2, HXKSimImageRefCount(first.image));
    EXPECT_EQ(Strings{kUpdated}, Fired());
    for (DISPID id : {idNumInputs, idNumOutputs, idIsBasicDigIO})
        EXPECT_EQ(CTL_E_SETNOTSUPPORTED, Put(control, id, I4(3)).excepScode) << id;

    HXKSimResetCallCounts(); // the same handle again: no call, no event
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO));
    ASSERT_EQ(S_OK, Bind(second.Handle()));
    EXPECT_EQ(1, HXKSimImageRefCount(first.image));
    EXPECT_EQ((std::vector<LONGLONG>{second.Handle(), 40, 2}), State());
    ASSERT_EQ(S_OK, Bind(0));
    EXPECT_EQ(1, HXKSimImageRefCount(second.image));
    EXPECT_EQ((std::vector<LONGLONG>{0, 0, 0}), State());
    EXPECT_EQ(Strings(3, kUpdated), Fired());

    // The control's own reference goes with the control.
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    ReleaseControl();
    EXPECT_EQ(1, HXKSimImageRefCount(first.image));
}

TEST_F(Binding, HandlesWithoutDigitalIOAreRefusedAndTheBoxFollowsContinue) {
    SimImage bound(8, 8), plain(8, 8, false), gone(1, 1);
    const LONGLONG stale = gone.Handle();
    gone.Release();
    ASSERT_EQ(S_OK, Bind(bound.Handle()));
    ASSERT_EQ(S_OK, Bind(plain.Handle())); // Continue left TRUE: a box
    sink->continueAnswer = 0;              // Continue set FALSE: no box
    for (LONGLONG handle : {plain.Handle(), stale, 12345LL, -1LL})
        ASSERT_EQ(S_OK, Bind(handle));
    Disconnect();
    ASSERT_EQ(S_OK, Bind(plain.Handle())); // no handler at all: a box
    EXPECT_EQ((std::vector<LONGLONG>{bound.Handle(), 8, 8}), State());
    EXPECT_EQ(2, HXKSimImageRefCount(bound.image));
    EXPECT_EQ(1, HXKSimImageRefCount(plain.image));
    EXPECT_EQ(1, HXKSimTotalCallCount(HXKSIM_OP_ADD_IMAGE_REF));
    EXPECT_EQ((Strings{kUpdated, kMissingDigIO, kMissingDigIO, kMissingDigIO, kMissingDigIO,
                       kMissingDigIO}),
              Fired());
    expectedBoxes = Strings(2, kMissingDigIO.substr(3));
}

TEST_F(Binding, FailedCountQueriesFireBeforeImageUpdatedAndKeepTheOldCounts) {
    sink->continueAnswer = 0; // ignored here: no box, the binding goes on
    SimImage first(5, 6), faulty(9, 9), half(3, 4);
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    HXKSimSetFault(faulty.image, HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    HXKSimSetFault(faulty.image, HXKSIM_OP_QUERY_OUTPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    HXKSimSetFault(half.image, HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    ASSERT_EQ(S_OK, Bind(faulty.Handle()));
    EXPECT_EQ((std::vector<LONGLONG>{faulty.Handle(), 5, 6}), State());
    ASSERT_EQ(S_OK, Bind(half.Handle())); // the other count is still read
    EXPECT_EQ((std::vector<LONGLONG>{half.Handle(), 5, 4}), State());
    EXPECT_EQ((Strings{kUpdated, kNoInputs, kNoOutputs, kUpdated, kNoInputs, kUpdated}), Fired());
}

TEST_F(Binding, AHandlerThatUnbindsDuringACountErrorEndsTheBinding) {
    sink->onEvent = [&](const FiredEvent& fired) {
        if (fired.dispid == evHXKError) {
            EXPECT_EQ(S_OK, Bind(0));
        }
    };
    for (int32_t failing : {HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_OP_QUERY_OUTPUT_COUNT}) {
        SimImage image(7, 9);
        HXKSimSetFault(image.image, failing, HXKSIM_ANY_INDEX, 1);
        HXKSimResetCallCounts();
        ASSERT_EQ(S_OK, Bind(image.Handle()));
        EXPECT_EQ((std::vector<LONGLONG>{0, 0, 0}), State()) << failing;
        EXPECT_EQ(1, HXKSimImageRefCount(image.image));
        // Nothing is asked of the image once the handler has let it go.
        const int outputQueries = failing == HXKSIM_OP_QUERY_OUTPUT_COUNT ? 1 : 0;
        EXPECT_EQ(outputQueries, HXKSimTotalCallCount(HXKSIM_OP_QUERY_OUTPUT_COUNT));
    }
    EXPECT_EQ((Strings{kNoInputs, kUpdated, kNoOutputs, kUpdated}), Fired());
}

} // namespace
