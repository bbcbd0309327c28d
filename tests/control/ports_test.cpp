// The six port methods through IDispatch: index checks against the counts,
// the driver call with the values as passed, and the error events.
#include "ControlTestSupport.h"

#include <climits>

using namespace hxtest;

namespace {

const ErrorEvent kInvalidPort = {13, "Invalid port!"};
const ErrorEvent kReadFailed = {14, "Couldn't read port!"};
const ErrorEvent kWriteFailed = {15, "Couldn't write port!"};

class Ports : public ControlTest {
protected:
    void Bind(const SimImage& image) {
        ASSERT_EQ(S_OK, BindImage(image.Handle()));
        HXKSimResetCallCounts();
    }
    long long Calls(int32_t operation) { return HXKSimTotalCallCount(operation); }
};

TEST_F(Ports, LinesAreReadAndWrittenThroughTheDriver) {
    SimImage image(8, 8);
    Bind(image);
    HXKSimSetInput(image.Get(), 3, 1);
    EXPECT_EQ(1, CallI4(idGetInBit, {I4(3)}));
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(2)}));
    EXPECT_EQ(0, CallI4(idGetOutBit, {I4(7)}));
    // A line value is passed on unreduced and returned as passed.
    EXPECT_EQ(5, CallI4(idSetOutBit, {I4(7), I4(5)}));
    int32_t level = 0;
    HXKSimGetOutput(image.Get(), 7, &level);
    EXPECT_EQ(1, level);
    EXPECT_EQ(1, CallI4(idGetOutBit, {I4(7)}));
    EXPECT_EQ(0, CallI4(idSetOutBit, {I4(7), I4(0)}));
    EXPECT_EQ(2, HXKSimOutputWrites(image.Get(), 7, nullptr, 0));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Ports, GroupsAreReadAndWrittenWithTheMaskUnchanged) {
    SimImage image(40, 40);
    Bind(image);
    HXKSimSetInput(image.Get(), 0, 1);
    HXKSimSetInput(image.Get(), 33, 1);
    EXPECT_EQ(1, CallI4(idGetInDWORD, {I4(0)}));
    EXPECT_EQ(2, CallI4(idGetInDWORD, {I4(1)}));
    // The result is the value passed, not the masked one.
    EXPECT_EQ(-1, CallI4(idSetOutDWORD, {I4(0), I4(-1), I4(0x0000000F)}));
    EXPECT_EQ(0x0F, CallI4(idGetOutDWORD, {I4(0)}));
    EXPECT_EQ(0x30, CallI4(idSetOutDWORD, {I4(1), I4(0x30), I4(-1)}));
    EXPECT_EQ(0x30, CallI4(idGetOutDWORD, {I4(1)}));
    int32_t level = 0;
    HXKSimGetOutput(image.Get(), 36, &level);
    EXPECT_EQ(1, level);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Ports, IndicesOutsideTheCountsFailWithoutCallingTheDriver) {
    SimImage image(8, 4);
    Bind(image);
    for (long port : {-1L, 8L, LONG_MIN, LONG_MAX})
        EXPECT_EQ(0, CallI4(idGetInBit, {I4(port)}));
    for (long port : {-1L, 4L}) {
        EXPECT_EQ(0, CallI4(idGetOutBit, {I4(port)}));
        EXPECT_EQ(0, CallI4(idSetOutBit, {I4(port), I4(1)}));
    }
    for (long group : {-1L, 1L}) {
        EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(group)}));
        EXPECT_EQ(0, CallI4(idGetOutDWORD, {I4(group)}));
        EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(group), I4(1), I4(1)}));
    }
    EXPECT_EQ(std::vector<ErrorEvent>(14, kInvalidPort), Errors());
    for (int32_t op :
         {HXKSIM_OP_READ_INPUT_LINE, HXKSIM_OP_READ_OUTPUT_LINE, HXKSIM_OP_WRITE_OUTPUT_LINE,
          HXKSIM_OP_READ_INPUT_GROUP, HXKSIM_OP_READ_OUTPUT_GROUP, HXKSIM_OP_WRITE_OUTPUT_GROUP})
        EXPECT_EQ(0, Calls(op)) << op;
    // The last valid indices reach the driver.
    EXPECT_EQ(0, CallI4(idGetOutBit, {I4(3)}));
    EXPECT_EQ(1, CallI4(idSetOutBit, {I4(3), I4(1)}));
    EXPECT_EQ(1, CallI4(idGetOutBit, {I4(3)}));
    EXPECT_EQ(14u, Errors().size());
}

TEST_F(Ports, GroupBoundAdmitsOneGroupPastFullCounts) {
    SimImage image(32, 31);
    Bind(image);
    // Group 1 of 32 inputs passes the check and reaches the driver, which has
    // no line in it; group 2 is refused by the control.
    EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(1)}));
    EXPECT_EQ(1, Calls(HXKSIM_OP_READ_INPUT_GROUP));
    EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(2)}));
    EXPECT_EQ(1, Calls(HXKSIM_OP_READ_INPUT_GROUP));
    // 31 outputs admit group 0 only.
    EXPECT_EQ(0, CallI4(idGetOutDWORD, {I4(1)}));
    EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(1), I4(1), I4(1)}));
    EXPECT_EQ(0, Calls(HXKSIM_OP_READ_OUTPUT_GROUP));
    EXPECT_EQ((std::vector<ErrorEvent>{kReadFailed, kInvalidPort, kInvalidPort, kInvalidPort}),
              Errors());
}

TEST_F(Ports, DriverFailuresBecomeReadOrWriteErrorsAndContinueChangesNothing) {
    SimImage image(4, 4);
    Bind(image);
    HXKSimSetInput(image.Get(), 1, 1);
    HXKSimSetFault(image.Get(), HXKSIM_OP_READ_INPUT_LINE, 1, 1);
    HXKSimSetFault(image.Get(), HXKSIM_OP_WRITE_OUTPUT_LINE, HXKSIM_ANY_INDEX, 1);
    HXKSimSetFault(image.Get(), HXKSIM_OP_READ_OUTPUT_GROUP, 0, 1);
    HXKSimSetFault(image.Get(), HXKSIM_OP_WRITE_OUTPUT_GROUP, 0, 1);
    sink->SetContinueAnswer(0);
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(1)}));
    EXPECT_EQ(0, CallI4(idSetOutBit, {I4(2), I4(1)}));
    EXPECT_EQ(0, CallI4(idGetOutDWORD, {I4(0)}));
    sink->SetContinueAnswer(1);
    EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(0), I4(7), I4(7)}));
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(0)})); // an unfaulted line still reads
    EXPECT_EQ((std::vector<ErrorEvent>{kReadFailed, kWriteFailed, kReadFailed, kWriteFailed}),
              Errors());
    EXPECT_EQ(1, Calls(HXKSIM_OP_WRITE_OUTPUT_LINE));
}

TEST_F(Ports, WithoutAnImageLinesAreInvalidAndGroupZeroAsksTheDriverWithHandleZero) {
    EXPECT_EQ(0, CallI4(idGetInBit, {I4(0)}));
    EXPECT_EQ(0, CallI4(idSetOutBit, {I4(0), I4(1)}));
    EXPECT_EQ(0, CallI4(idGetInDWORD, {I4(0)}));
    EXPECT_EQ(0, CallI4(idSetOutDWORD, {I4(0), I4(1), I4(1)}));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_GROUP, nullptr));
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_WRITE_OUTPUT_GROUP, nullptr));
    EXPECT_EQ((std::vector<ErrorEvent>{kInvalidPort, kInvalidPort, kReadFailed, kWriteFailed}),
              Errors());
}

TEST_F(Ports, ArgumentsAreCoercedOrRefusedWithTheirIndex) {
    SimImage image(8, 8);
    Bind(image);
    HXKSimSetInput(image.Get(), 2, 1);
    // Script hosts pass doubles, strings and shorts.
    EXPECT_EQ(1, CallI4(idGetInBit, {R8(2.0)}));
    EXPECT_EQ(1, CallI4(idGetInBit, {Str(L"2")}));
    EXPECT_EQ(-1, CallI4(idSetOutBit, {Str(L"1"), Bool(true)}));

    CallResult r = Method(control, idGetInBit, {Str(L"two")});
    EXPECT_EQ(DISP_E_TYPEMISMATCH, r.hr);
    EXPECT_EQ(0u, r.argErr);
    r = Method(control, idSetOutDWORD, {I4(0), I8(1LL << 40), I4(1)});
    EXPECT_EQ(DISP_E_OVERFLOW, r.hr);
    EXPECT_EQ(1u, r.argErr);
    r = Method(control, idGetInBit, {I8(-(1LL << 40))});
    EXPECT_EQ(DISP_E_OVERFLOW, r.hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idGetInBit).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idSetOutBit, {I4(0)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idGetInDWORD, {I4(0), I4(0)}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(control, idGetInBit, I4(0)).hr);
    // The refused calls reached neither the control nor the driver.
    EXPECT_EQ(3, Calls(HXKSIM_OP_READ_INPUT_LINE) + Calls(HXKSIM_OP_WRITE_OUTPUT_LINE));
    EXPECT_TRUE(Errors().empty());
}

} // namespace
