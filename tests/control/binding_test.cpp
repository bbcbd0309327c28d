// Binding an image through the Image property: every step, event and count,
// the refused bindings with their "Error" box, and the control's references.
#include "ControlTestSupport.h"

#include <olectl.h>

using namespace hxtest;

namespace {

const ErrorEvent kMissingDigIO = {17, "Missing BasicDigIO interface!"};
const ErrorEvent kNoInputCount = {11, "Can't read number of input ports!"};
const ErrorEvent kNoOutputCount = {11, "Can't read number of output ports!"};

class Binding : public ControlTest {
protected:
    long long ImageProperty() {
        const CallResult r = Get(control, idImage);
        EXPECT_EQ(VT_I8, r.value.v.vt);
        return r.value.v.llVal;
    }
    long Count(DISPID dispid) {
        const CallResult r = Get(control, dispid);
        EXPECT_EQ(VT_I4, r.value.v.vt);
        return r.value.v.lVal;
    }
    VARIANT_BOOL IsBasicDigIO() {
        const CallResult r = Get(control, idIsBasicDigIO);
        EXPECT_EQ(VT_BOOL, r.value.v.vt);
        return r.value.v.boolVal;
    }
};

TEST_F(Binding, BindingTakesAReferenceReadsTheCountsAndFiresImageUpdated) {
    EXPECT_EQ(0, ImageProperty());
    EXPECT_EQ(0, Count(idNumInputs));
    SimImage image(8, 12);
    ASSERT_EQ(S_OK, BindImage(image.Handle()));
    EXPECT_EQ(image.Handle(), ImageProperty());
    EXPECT_EQ(8, Count(idNumInputs));
    EXPECT_EQ(12, Count(idNumOutputs));
    EXPECT_EQ(VARIANT_TRUE, IsBasicDigIO());
    EXPECT_EQ(2, HXKSimImageRefCount(image.Get()));
    EXPECT_EQ(std::vector<DISPID>{evImageUpdated}, EventOrder());

    // The same handle again: no call, no event.
    HXKSimResetCallCounts();
    ASSERT_EQ(S_OK, BindImage(image.Handle()));
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO));
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_ADD_IMAGE_REF));
    EXPECT_EQ(1u, Events(evImageUpdated));

    // Unbinding releases the image and clears the counts; 0 is asked too.
    ASSERT_EQ(S_OK, BindImage(0));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO, nullptr));
    EXPECT_EQ(1, HXKSimImageRefCount(image.Get()));
    EXPECT_EQ(0, ImageProperty());
    EXPECT_EQ(0, Count(idNumInputs));
    EXPECT_EQ(0, Count(idNumOutputs));
    EXPECT_EQ(2u, Events(evImageUpdated));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Binding, RebindingMovesTheReferenceToTheNewImage) {
    SimImage first(4, 4), second(40, 2);
    ASSERT_EQ(S_OK, BindImage(first.Handle()));
    ASSERT_EQ(S_OK, BindImage(second.Handle()));
    EXPECT_EQ(1, HXKSimImageRefCount(first.Get()));
    EXPECT_EQ(2, HXKSimImageRefCount(second.Get()));
    EXPECT_EQ(40, Count(idNumInputs));
    EXPECT_EQ(2, Count(idNumOutputs));
    // The control's own reference goes with the control.
    first.Release();
    connection.reset();
    EXPECT_EQ(0u, std::exchange(control, nullptr)->Release());
    EXPECT_EQ(1, HXKSimImageRefCount(second.Get()));
}

TEST_F(Binding, IsBasicDigIOAsksTheDriverOnEveryReadEvenWithoutImage) {
    EXPECT_EQ(VARIANT_FALSE, IsBasicDigIO());
    EXPECT_EQ(VARIANT_FALSE, IsBasicDigIO());
    EXPECT_EQ(2, HXKSimCallCount(HXKSIM_OP_SUPPORTS_BASIC_DIGIO, nullptr));
}

TEST_F(Binding, AnImageWithoutDigitalIOIsRefusedWithAnErrorAndABox) {
    SimImage bound(8, 8), plain(8, 8, false);
    ASSERT_EQ(S_OK, BindImage(bound.Handle()));
    ASSERT_EQ(S_OK, BindImage(plain.Handle()));
    // The old binding, its counts and references stay.
    EXPECT_EQ(bound.Handle(), ImageProperty());
    EXPECT_EQ(8, Count(idNumInputs));
    EXPECT_EQ(2, HXKSimImageRefCount(bound.Get()));
    EXPECT_EQ(1, HXKSimImageRefCount(plain.Get()));
    EXPECT_EQ(std::vector<ErrorEvent>{kMissingDigIO}, Errors());
    EXPECT_EQ((std::vector<DISPID>{evImageUpdated, evHXKError}), EventOrder());
    expectedBoxes = {"Missing BasicDigIO interface!"};
}

TEST_F(Binding, ClearingContinueSuppressesTheBox) {
    sink->SetContinueAnswer(0);
    SimImage plain(2, 2, false);
    ASSERT_EQ(S_OK, BindImage(plain.Handle()));
    EXPECT_EQ(std::vector<ErrorEvent>{kMissingDigIO}, Errors());
    EXPECT_EQ(0, ImageProperty());
    EXPECT_EQ(0u, Events(evImageUpdated));
    // expectedBoxes stays empty: no box may appear.
}

TEST_F(Binding, WithoutAnyHandlerTheBoxStillAppears) {
    connection.reset();
    SimImage plain(2, 2, false);
    ASSERT_EQ(S_OK, BindImage(plain.Handle()));
    EXPECT_TRUE(sink->Events().empty());
    expectedBoxes = {"Missing BasicDigIO interface!"};
}

TEST_F(Binding, StaleAndGarbageHandlesAreRefusedLikeImagesWithoutDigitalIO) {
    sink->SetContinueAnswer(0);
    SimImage gone(1, 1);
    const long long stale = gone.Handle();
    gone.Release();
    for (long long handle : {stale, 12345LL, -1LL, 0x7FFFFFFFFFFFFFFFLL}) {
        ASSERT_EQ(S_OK, BindImage(handle));
        EXPECT_EQ(0, ImageProperty());
    }
    EXPECT_EQ(std::vector<ErrorEvent>(4, kMissingDigIO), Errors());
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_ADD_IMAGE_REF));
}

TEST_F(Binding, FailedCountQueriesEachFireBeforeImageUpdatedAndKeepTheOldCounts) {
    sink->SetContinueAnswer(0); // ignored here: no box, binding goes on
    SimImage first(5, 6), faulty(9, 9);
    ASSERT_EQ(S_OK, BindImage(first.Handle()));
    HXKSimSetFault(faulty.Get(), HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    HXKSimSetFault(faulty.Get(), HXKSIM_OP_QUERY_OUTPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    ASSERT_EQ(S_OK, BindImage(faulty.Handle()));
    EXPECT_EQ((std::vector<ErrorEvent>{kNoInputCount, kNoOutputCount}), Errors());
    EXPECT_EQ((std::vector<DISPID>{evImageUpdated, evHXKError, evHXKError, evImageUpdated}),
              EventOrder());
    EXPECT_EQ(faulty.Handle(), ImageProperty());
    EXPECT_EQ(5, Count(idNumInputs));
    EXPECT_EQ(6, Count(idNumOutputs));

    // One failing query: the other count is still read.
    SimImage half(3, 4);
    HXKSimSetFault(half.Get(), HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_ANY_INDEX, 1);
    ASSERT_EQ(S_OK, BindImage(half.Handle()));
    EXPECT_EQ(5, Count(idNumInputs));
    EXPECT_EQ(4, Count(idNumOutputs));
    EXPECT_EQ(3u, Errors().size());
}

TEST_F(Binding, ScriptStyleHandlesAreCoercedToTheImageHandle) {
    SimImage image(1, 1);
    const long long handle = image.Handle();
    ASSERT_EQ(S_OK, Put(control, idImage, R8(static_cast<double>(handle))).hr);
    EXPECT_EQ(handle, ImageProperty());
    ASSERT_EQ(S_OK, Put(control, idImage, I4(0)).hr);
    const std::wstring text = std::to_wstring(handle);
    ASSERT_EQ(S_OK, Put(control, idImage, Str(text.c_str())).hr);
    EXPECT_EQ(handle, ImageProperty());
    EXPECT_EQ(3u, Events(evImageUpdated));

    // What cannot become a 64-bit integer is refused before the control sees it.
    CallResult r = Put(control, idImage, Str(L"image"));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, r.hr);
    EXPECT_EQ(0u, r.argErr);
    EXPECT_EQ(DISP_E_OVERFLOW, Put(control, idImage, R8(1e30)).hr);
    EXPECT_EQ(handle, ImageProperty());
    ASSERT_EQ(S_OK, BindImage(0));
}

TEST_F(Binding, ReadOnlyPropertiesRefuseWrites) {
    for (DISPID id : {idNumInputs, idNumOutputs, idIsBasicDigIO}) {
        const CallResult r = Put(control, id, I4(3));
        EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
        EXPECT_EQ(CTL_E_SETNOTSUPPORTED, r.excepScode);
    }
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Invoke(control, idImage, DISPATCH_PROPERTYPUT, {I8(1), I8(2)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Invoke(control, idNumInputs, DISPATCH_PROPERTYGET, {I4(1)}).hr);
    EXPECT_TRUE(sink->Events().empty());
}

} // namespace
