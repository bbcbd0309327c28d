// Binding an image through the Image property: every step and event, the
// refused bindings with their "Error" box, and the control's references.
#include "ControlTestSupport.h"

using namespace hxtest;

namespace {

const ErrorEvent kMissingDigIO = {17, "Missing BasicDigIO interface!"};

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
    EXPECT_EQ(std::vector<DISPID>{evImageUpdated}, EventOrder());

    HXKSimResetCallCounts(); // the same handle again: no call, no event
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO));
    ASSERT_EQ(S_OK, Bind(second.Handle()));
    EXPECT_EQ(1, HXKSimImageRefCount(first.image));
    EXPECT_EQ((std::vector<LONGLONG>{second.Handle(), 40, 2}), State());
    ASSERT_EQ(S_OK, Bind(0));
    EXPECT_EQ(1, HXKSimImageRefCount(second.image));
    EXPECT_EQ((std::vector<LONGLONG>{0, 0, 0}), State());
    EXPECT_EQ(std::vector<DISPID>(3, evImageUpdated), EventOrder());

    // The control's own reference goes with the control.
    ASSERT_EQ(S_OK, Bind(first.Handle()));
    connection.reset();
    EXPECT_EQ(0u, std::exchange(control, nullptr)->Release());
    EXPECT_EQ(1, HXKSimImageRefCount(first.image));
}

TEST_F(Binding, AnImageWithoutDigitalIOIsRefusedAndTheBoxFollowsContinue) {
    SimImage bound(8, 8), plain(8, 8, false);
    ASSERT_EQ(S_OK, Bind(bound.Handle()));
    ASSERT_EQ(S_OK, Bind(plain.Handle())); // Continue left TRUE: a box
    sink->continueAnswer = 0;
    ASSERT_EQ(S_OK, Bind(plain.Handle())); // Continue set FALSE: no box
    connection.reset();
    ASSERT_EQ(S_OK, Bind(plain.Handle())); // no handler at all: a box
    EXPECT_EQ((std::vector<LONGLONG>{bound.Handle(), 8, 8}), State());
    EXPECT_EQ(2, HXKSimImageRefCount(bound.image));
    EXPECT_EQ(1, HXKSimImageRefCount(plain.image));
    EXPECT_EQ(std::vector<ErrorEvent>(2, kMissingDigIO), Errors());
    EXPECT_EQ((std::vector<DISPID>{evImageUpdated, evHXKError, evHXKError}), EventOrder());
    expectedBoxes = {kMissingDigIO.text, kMissingDigIO.text};
}

TEST_F(Binding, StaleAndGarbageHandlesAreRefusedLikeImagesWithoutDigitalIO) {
    sink->continueAnswer = 0;
    SimImage gone(1, 1);
    const LONGLONG stale = gone.Handle();
    gone.Release();
    for (LONGLONG handle : {stale, 12345LL, -1LL, 0x7FFFFFFFFFFFFFFFLL})
        ASSERT_EQ(S_OK, Bind(handle));
    EXPECT_EQ((std::vector<LONGLONG>{0, 0, 0}), State());
    EXPECT_EQ(std::vector<ErrorEvent>(4, kMissingDigIO), Errors());
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_ADD_IMAGE_REF));
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
    const ErrorEvent noInputs = {11, "Can't read number of input ports!"};
    const ErrorEvent noOutputs = {11, "Can't read number of output ports!"};
    EXPECT_EQ((std::vector<ErrorEvent>{noInputs, noOutputs, noInputs}), Errors());
    EXPECT_EQ((std::vector<DISPID>{evImageUpdated, evHXKError, evHXKError, evImageUpdated,
                                   evHXKError, evImageUpdated}),
              EventOrder());
}

TEST_F(Binding, ScriptHandlesAreCoercedAndReadOnlyPropertiesRefuseWrites) {
    SimImage image(1, 1);
    ASSERT_EQ(S_OK, Put(control, idImage, R8(static_cast<double>(image.Handle()))).hr);
    EXPECT_EQ(image.Handle(), State()[0]);
    ASSERT_EQ(S_OK, Put(control, idImage, I4(0)).hr);
    ASSERT_EQ(S_OK, Put(control, idImage, Str(std::to_wstring(image.Handle()).c_str())).hr);
    EXPECT_EQ(image.Handle(), State()[0]);
    const CallResult text = Put(control, idImage, Str(L"image"));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, text.hr);
    EXPECT_EQ(0u, text.argErr);
    EXPECT_EQ(DISP_E_OVERFLOW, Put(control, idImage, R8(1e30)).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Invoke(control, idImage, DISPATCH_PROPERTYPUT, {I8(1), I8(2)}).hr);
    for (DISPID id : {idNumInputs, idNumOutputs, idIsBasicDigIO}) {
        const CallResult r = Put(control, id, I4(3));
        EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
        EXPECT_EQ(CTL_E_SETNOTSUPPORTED, r.excepScode);
    }
    EXPECT_EQ(3u, sink->Count(evImageUpdated));
    ASSERT_EQ(S_OK, Bind(0));
}

TEST_F(Binding, AHandlerThatUnbindsDuringACountErrorEndsTheBinding) {
    sink->onEvent = [&](DISPID id) {
        if (id == evHXKError) {
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
    EXPECT_EQ((std::vector<DISPID>{evHXKError, evImageUpdated, evHXKError, evImageUpdated}),
              EventOrder());
}

} // namespace
