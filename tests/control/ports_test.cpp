// The six port methods through IDispatch: index checks against the counts,
// the driver call with the values as passed, and the error events.
#include "ControlTestSupport.h"

#include <climits>

using namespace hxtest;

namespace {

const ErrorEvent kInvalid = {13, "Invalid port!"};
const ErrorEvent kReadFailed = {14, "Couldn't read port!"};
const ErrorEvent kWriteFailed = {15, "Couldn't write port!"};

using Ports = ControlTest;

TEST_F(Ports, LinesAndGroupsAreReadAndWrittenWithValuesAsPassed) {
    SimImage image(40, 40);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 3, 1);
    HXKSimSetInput(image.image, 33, 1);
    EXPECT_EQ(1, CallI4(idGetInBit, {I4(3)}));
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(2)}));
    EXPECT_EQ(8, CallI4(idGetInDWORD, {I4(0)}));
    EXPECT_EQ(2, CallI4(idGetInDWORD, {I4(1)}));
    EXPECT_EQ(5, CallI4(idSetOutBit, {I4(7), I4(5)})); // not reduced to 1
    EXPECT_EQ(1, CallI4(idGetOutBit, {I4(7)}));
    EXPECT_EQ(-1,
              CallI4(idSetOutDWORD, {I4(1), I4(-1), I4(0x0F)})); // the value, not the masked one
    EXPECT_EQ(0x0F, CallI4(idGetOutDWORD, {I4(1)}));
    EXPECT_EQ(0x80, CallI4(idGetOutDWORD, {I4(0)}));
    int32_t written[2] = {};
    EXPECT_EQ(1, HXKSimOutputWrites(image.image, 7, written, 2));
    EXPECT_EQ(1, written[0]);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Ports, IndicesOutsideTheCountsFailWithoutCallingTheDriver) {
    SimImage image(32, 31);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimResetCallCounts();
    for (long port : {-1L, 32L, LONG_MIN, LONG_MAX})
        EXPECT_EQ(0, CallI4(idGetInBit, {I4(port)}));
    for (long port : {-1L, 31L}) {
        EXPECT_EQ(0, CallI4(idGetOutBit, {I4(port)}));
        EXPECT_EQ(0, CallI4(idSetOutBit, {I4(port), I4(1)}));
    }
    // 32 inputs admit groups 0 and 1, 31 outputs group 0 only.
    for (long group : {-1L, 2L})
        EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(group)}));
    for (long group : {-1L, 1L}) {
        EXPECT_EQ(0, CallI4(idGetOutDWORD, {I4(group)}));
        EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(group), I4(1), I4(1)}));
    }
    EXPECT_EQ(std::vector<ErrorEvent>(14, kInvalid), Errors());
    for (int32_t op = HXKSIM_OP_READ_INPUT_LINE; op <= HXKSIM_OP_WRITE_OUTPUT_GROUP; ++op)
        EXPECT_EQ(0, HXKSimTotalCallCount(op)) << op;
    // Group 1 of 32 inputs reaches the driver, which has no line there.
    EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(1)}));
    EXPECT_EQ(1, HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_GROUP));
    EXPECT_EQ(1, CallI4(idSetOutBit, {I4(30), I4(1)}));
    EXPECT_EQ(1, CallI4(idGetOutBit, {I4(30)}));
    EXPECT_EQ(kReadFailed, Errors().back());
}

TEST_F(Ports, DriverFailuresAreReportedWhateverTheHandlerLeavesInContinue) {
    SimImage image(4, 4);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 1, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_READ_INPUT_LINE, 1, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_WRITE_OUTPUT_LINE, HXKSIM_ANY_INDEX, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_READ_OUTPUT_GROUP, 0, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_WRITE_OUTPUT_GROUP, 0, 1);
    sink->continueAnswer = 0;
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(1)}));
    EXPECT_EQ(0, CallI4(idSetOutBit, {I4(2), I4(1)}));
    sink->continueAnswer = 1;
    EXPECT_EQ(0, CallI4(idGetOutDWORD, {I4(0)}));
    EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(0), I4(7), I4(7)}));
    EXPECT_EQ((std::vector<ErrorEvent>{kReadFailed, kWriteFailed, kReadFailed, kWriteFailed}),
              Errors());
}

TEST_F(Ports, WithoutAnImageLinesAreInvalidAndGroupZeroReachesTheDriverWithHandleZero) {
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(0)}));
    EXPECT_EQ(0, CallI4(idSetOutBit, {I4(0), I4(1)}));
    EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(0)}));
    EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(0), I4(1), I4(1)}));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_GROUP, nullptr));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_GROUP, nullptr));
    EXPECT_EQ((std::vector<ErrorEvent>{kInvalid, kInvalid, kReadFailed, kWriteFailed}), Errors());
}

TEST_F(Ports, ArgumentsAreCoercedOrRefusedBeforeTheControlSeesThem) {
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 2, 1);
    EXPECT_EQ(1, CallI4(idGetInBit, {R8(2.0)}));
    EXPECT_EQ(1, CallI4(idGetInBit, {Str(L"2")}));
    EXPECT_EQ(-1, CallI4(idSetOutBit, {Str(L"1"), Bool(true)}));
    HXKSimResetCallCounts();
    CallResult r = Method(control, idGetInBit, {Str(L"two")});
    EXPECT_EQ(DISP_E_TYPEMISMATCH, r.hr);
    EXPECT_EQ(0u, r.argErr);
    r = Method(control, idSetOutDWORD, {I4(0), I8(1LL << 40), I4(1)});
    EXPECT_EQ(DISP_E_OVERFLOW, r.hr);
    EXPECT_EQ(1u, r.argErr);
    EXPECT_EQ(DISP_E_OVERFLOW, Method(control, idGetInBit, {I8(-(1LL << 40))}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idGetInBit).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idSetOutBit, {I4(0)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idGetInDWORD, {I4(0), I4(0)}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(control, idGetInBit, I4(0)).hr);
    EXPECT_EQ(0, HXKSimTotalCallCount(HXKSIM_OP_READ_INPUT_LINE) +
                     HXKSimTotalCallCount(HXKSIM_OP_WRITE_OUTPUT_GROUP));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Ports, OddArgumentsAreCoercedOrRefusedWithTheirIndexAndNoReferenceIsKept) {
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 2, 1);
    auto* object = new RecordingSink(IID_IDispatch); // stands for any script object
    auto objectVar = [&](VARTYPE vt) {
        object->AddRef();
        return Var(vt, reinterpret_cast<intptr_t>(object));
    };
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 1);
    Var two = I4(2), text = Str(L"2");
    LONG byRefTwo = 2;
    struct Case {
        const char* what;
        Var arg;
        HRESULT hr;
        long result;
    } const cases[] = {
        {"empty", Var(VT_EMPTY, 0), S_OK, 0},
        {"null", Var(VT_NULL, 0), DISP_E_TYPEMISMATCH, 0},
        {"null dispatch", Var(VT_DISPATCH, 0), DISP_E_TYPEMISMATCH, 0},
        {"unknown", objectVar(VT_UNKNOWN), DISP_E_TYPEMISMATCH, 0},
        {"object's value", objectVar(VT_DISPATCH), S_OK, 0}, // asked for, left empty
        {"array", Var(VT_ARRAY | VT_I4, reinterpret_cast<intptr_t>(array)), DISP_E_TYPEMISMATCH, 0},
        {"error", Var(VT_ERROR, E_FAIL), DISP_E_TYPEMISMATCH, 0},
        {"missing", Var(VT_ERROR, DISP_E_PARAMNOTFOUND), DISP_E_PARAMNOTOPTIONAL, 0},
        {"bad type", Var(0x7F, 0), DISP_E_BADVARTYPE, 0},
        {"long by ref", Var(VT_I4 | VT_BYREF, reinterpret_cast<intptr_t>(&byRefTwo)), S_OK, 2},
        {"variant by ref", Var(VT_VARIANT | VT_BYREF, reinterpret_cast<intptr_t>(&two.v)), S_OK, 2},
        {"text by ref", Var(VT_VARIANT | VT_BYREF, reinterpret_cast<intptr_t>(&text.v)), S_OK, 2},
        {"null by ref", Var(VT_VARIANT | VT_BYREF, 0), E_INVALIDARG, 0},
    };
    for (const Case& c : cases) {
        const CallResult r = Method(control, idSetOutDWORD, {I4(0), c.arg, I4(-1)});
        EXPECT_EQ(c.hr, r.hr) << c.what;
        if (FAILED(c.hr)) {
            EXPECT_EQ(1u, r.argErr) << c.what;
        } else {
            EXPECT_EQ(c.result, r.value.v.lVal) << c.what;
            EXPECT_EQ(c.result, CallI4(idGetOutDWORD, {I4(0)})) << c.what;
        }
    }
    EXPECT_EQ(5, HXKSimTotalCallCount(HXKSIM_OP_WRITE_OUTPUT_GROUP));
    EXPECT_EQ(1u, object->Count(DISPID_VALUE));
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(3, object->RefCount()); // ours and the two cases'
    object->Release();
}

} // namespace
