// The six port methods through IDispatch: index checks against the counts,
// one driver call with the values as passed, the error events, and the
// arguments as script hosts pass them.
#include "ControlTestSupport.h"

#include <bit>

using namespace hxtest;

namespace {

using Ports = ControlTest;

int64_t DriverCalls() {
    int64_t calls = 0;
    for (int32_t op = HXKSIM_OP_READ_INPUT_LINE; op <= HXKSIM_OP_WRITE_OUTPUT_GROUP; ++op)
        calls += HXKSimTotalCallCount(op);
    return calls;
}

const char kInvalid[] = "13 Invalid port!";
const char kRead[] = "14 Couldn't read port!";
const char kWrite[] = "15 Couldn't write port!";

// A call, its result and the one HXKError it fires (null: none).
struct PortCall {
    DISPID id;
    std::vector<long> args;
    long result;
    const char* error;
};

TEST_F(Ports, EachMethodChecksItsIndexCallsTheDriverOnceAndReportsFailures) {
    // Each call: its result, and one driver call unless the index was
    // refused; then every call's HXKError, in order.
    auto run = [&](const std::vector<PortCall>& calls) {
        std::vector<std::string> expected = Fired();
        for (const PortCall& c : calls) {
            std::vector<Var> args;
            for (long a : c.args)
                args.push_back(I4(a));
            const int64_t driverCalls = DriverCalls();
            EXPECT_EQ(c.result, CallI4(c.id, args)) << c.id << " " << c.args[0];
            EXPECT_EQ(c.error == kInvalid ? 0 : 1, DriverCalls() - driverCalls) << c.id;
            if (c.error) expected.push_back(c.error);
        }
        EXPECT_EQ(expected, Fired());
    };
    // Unbound: no line is valid, group 0 reaches the driver with handle 0.
    run({{idGetInBit, {0}, 0, kInvalid},
         {idSetOutBit, {0, 1}, 0, kInvalid},
         {idGetInDWORD, {0}, 0, kRead},
         {idSetOutDWORD, {0, 1, 1}, 0, kWrite}});
    EXPECT_EQ(1, HXKSimCallCount(HXKSIM_OP_READ_INPUT_GROUP, nullptr));

    SimImage image(32, 40);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    HXKSimSetInput(image.image, 3, 1);
    HXKSimSetInput(image.image, 31, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_READ_INPUT_LINE, 5, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_WRITE_OUTPUT_LINE, 9, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_READ_OUTPUT_GROUP, 0, 1);
    HXKSimSetFault(image.image, HXKSIM_OP_WRITE_OUTPUT_GROUP, 0, 1);
    // The handler's Continue changes nothing for these methods.
    for (int answer : {0, 1}) {
        sink->continueAnswer = answer;
        run({{idGetInBit, {3}, 1, nullptr},
             {idGetInBit, {5}, 0, kRead},
             {idGetInBit, {-1}, 0, kInvalid},
             {idGetInBit, {32}, 0, kInvalid},
             {idGetInDWORD, {0}, static_cast<long>(0x80000008), nullptr},
             {idGetInDWORD, {1}, 0, kRead}, // admitted for 32 lines; no line there
             {idGetInDWORD, {2}, 0, kInvalid},
             {idSetOutBit, {7, 5}, 5, nullptr}, // not reduced to 1
             {idGetOutBit, {7}, 1, nullptr},
             {idSetOutBit, {9, 1}, 0, kWrite},
             {idSetOutBit, {40, 1}, 0, kInvalid},
             {idGetOutBit, {40}, 0, kInvalid},
             {idGetOutBit, {-1}, 0, kInvalid},
             {idSetOutDWORD, {1, -1, 0x0F}, -1, nullptr}, // the value, not the masked one
             {idGetOutDWORD, {1}, 0x0F, nullptr},
             {idSetOutDWORD, {0, 7, 7}, 0, kWrite},
             {idGetOutDWORD, {0}, 0, kRead},
             {idSetOutDWORD, {2, 1, 1}, 0, kInvalid},
             {idGetOutDWORD, {2}, 0, kInvalid},
             {idGetOutDWORD, {-1}, 0, kInvalid}});
    }
}

TEST_F(Ports, ArgumentsAreCoercedOrRefusedWithTheirIndexAndNoReferenceIsKept) {
    SimImage image(8, 8);
    ASSERT_EQ(S_OK, Bind(image.Handle()));
    const auto object = MakeSink(IID_IDispatch); // stands for any script object
    auto objectVar = [&](VARTYPE vt) { // a VARIANT that owns a reference of its own
        IDispatch* reference = hx::com_ptr<IDispatch>(object.get()).detach();
        return Var(vt, reinterpret_cast<intptr_t>(reference));
    };
    Var text = Str(L"2");
    LONG byRefTwo = 2;
    struct Case {
        const char* what;
        Var arg;
        HRESULT hr;
        long result;
    } const cases[] = {
        {"double", Var(VT_R8, std::bit_cast<LONGLONG>(2.0)), S_OK, 2},
        {"text", Str(L"2"), S_OK, 2},
        {"object's value", objectVar(VT_DISPATCH), S_OK, 0}, // asked for, left empty
        {"long by ref", Var(VT_I4 | VT_BYREF, reinterpret_cast<intptr_t>(&byRefTwo)), S_OK, 2},
        {"text by ref", Var(VT_VARIANT | VT_BYREF, reinterpret_cast<intptr_t>(&text.v)), S_OK, 2},
        {"words", Str(L"two"), DISP_E_TYPEMISMATCH, 0},
        {"too big", I8(1LL << 40), DISP_E_OVERFLOW, 0},
        {"null", Var(VT_NULL, 0), DISP_E_TYPEMISMATCH, 0},
        {"null object", Var(VT_DISPATCH, 0), DISP_E_TYPEMISMATCH, 0},
        {"unknown", objectVar(VT_UNKNOWN), DISP_E_TYPEMISMATCH, 0},
        {"missing", Var(VT_ERROR, DISP_E_PARAMNOTFOUND), DISP_E_PARAMNOTOPTIONAL, 0},
        {"bad type", Var(0x7F, 0), DISP_E_BADVARTYPE, 0},
        {"null by ref", Var(VT_VARIANT | VT_BYREF, 0), E_INVALIDARG, 0},
    };
    for (const Case& c : cases) {
        const CallResult r = Method(control, idSetOutBit, {I4(0), c.arg});
        EXPECT_EQ(c.hr, r.hr) << c.what;
        if (FAILED(c.hr)) {
            EXPECT_EQ(0u, r.argErr) << c.what; // rgvarg holds the last argument first
        } else {
            EXPECT_EQ(c.result, r.value.v.lVal) << c.what;
            EXPECT_EQ(c.result != 0, CallI4(idGetOutBit, {I4(0)})) << c.what;
        }
    }
    EXPECT_EQ(5, HXKSimTotalCallCount(HXKSIM_OP_WRITE_OUTPUT_LINE));
    EXPECT_EQ(1u, object->Count(DISPID_VALUE));
    EXPECT_EQ(3, object->RefCount()); // ours and the two cases'

    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idGetInBit).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idSetOutBit, {I4(0)}).hr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Method(control, idGetInDWORD, {I4(0), I4(0)}).hr);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(control, idGetInBit, I4(0)).hr);

    VARIANT zero = I4(0).v;
    DISPID named = 0; // only a put may name its value, and only DISPID_PROPERTYPUT
    DISPPARAMS params = {&zero, &named, 1, 1};
    auto raw = [&](DISPID id, WORD flags) {
        return control->Invoke(id, IID_NULL, 0, flags, &params, nullptr, nullptr, nullptr);
    };
    EXPECT_EQ(DISP_E_NONAMEDARGS, raw(idGetInBit, DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_NONAMEDARGS, raw(idImage, DISPATCH_PROPERTYPUT));
    params.cNamedArgs = 2; // more names than arguments
    EXPECT_EQ(E_INVALIDARG, raw(idGetInBit, DISPATCH_METHOD));
    params.cNamedArgs = 0;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, raw(22, DISPATCH_METHOD));
    EXPECT_EQ(S_OK, raw(idGetInBit, DISPATCH_METHOD));            // without a result VARIANT
    EXPECT_EQ(std::vector<std::string>{"ImageUpdated"}, Fired()); // nothing reported
}

} // namespace
