// Every toolkit operation the control, its workers and its property page
// call, made to fail through the simulator one at a time, in every pair and
// in a few triples, with the container's handlers leaving Continue FALSE or
// setting it TRUE: the driver's, the image's own (a live image called dead,
// a reference neither taken nor dropped) and the utilities' (no stopwatch,
// a stopwatch that neither restarts nor reads, no settings key). A model of
// the control says what each fault set must give (the events in order, every
// method's result, the lines as the device then holds them, the box, the
// image's reference count and the calls made); the control on a form is
// driven through binding, the six port methods, a bit listener, a DWORD
// listener, a toggler's pulse timed on the stopwatch and the property page,
// and must give exactly that, leave no worker thread or window behind, and
// never hang. What the failing toolkit itself kept (references its failed
// releases did not drop) is counted, then dropped by the test.
#include "HardeningSupport.h"
#include "OleTestContainer.h"
#include "PageTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>

using namespace hxtest;

namespace {

using Strings = std::vector<std::string>;

// The device: 40 inputs and 40 outputs. Input lines 3 and 9 are HI (input
// group 0 reads 0x208); output line 5 is HI.
constexpr int32_t kLines = 40;
constexpr int32_t kInLine = 3;
constexpr uint32_t kInGroup = (1u << 3) | (1u << 9);
constexpr int32_t kOutLine = 5;
constexpr int32_t kSetLine = 6;
constexpr int32_t kPageLine = 7;

const std::string kMissingDigIO = "HXKError 17 Missing BasicDigIO interface!";
const std::string kNoInputs = "HXKError 11 Can't read number of input ports!";
const std::string kNoOutputs = "HXKError 11 Can't read number of output ports!";
const std::string kInvalid = "HXKError 13 Invalid port!";
const std::string kReadFailed = "HXKError 14 Couldn't read port!";
const std::string kWriteFailed = "HXKError 15 Couldn't write port!";
const std::string kUpdated = "ImageUpdated";

const int32_t kDriverOperations[] = {
    HXKSIM_OP_SUPPORTS_BASIC_DIGIO, HXKSIM_OP_QUERY_INPUT_COUNT, HXKSIM_OP_QUERY_OUTPUT_COUNT,
    HXKSIM_OP_READ_INPUT_LINE,      HXKSIM_OP_READ_INPUT_GROUP,  HXKSIM_OP_READ_OUTPUT_LINE,
    HXKSIM_OP_READ_OUTPUT_GROUP,    HXKSIM_OP_WRITE_OUTPUT_LINE, HXKSIM_OP_WRITE_OUTPUT_GROUP,
};
const int32_t kImageOperations[] = {HXKSIM_OP_IMAGE_HANDLE_VALID, HXKSIM_OP_ADD_IMAGE_REF,
                                    HXKSIM_OP_RELEASE_IMAGE_REF};
// Process-wide: HXKUtilities.dll's stopwatch and settings key.
const int32_t kUtilityOperations[] = {HXKSIM_OP_CREATE_STOPWATCH, HXKSIM_OP_DESTROY_STOPWATCH,
                                      HXKSIM_OP_RESTART_STOPWATCH, HXKSIM_OP_STOPWATCH_ELAPSED,
                                      HXKSIM_OP_OPEN_TOOLKIT_KEY};

bool IsUtilityOperation(int32_t op) {
    return std::find(std::begin(kUtilityOperations), std::end(kUtilityOperations), op) !=
           std::end(kUtilityOperations);
}
bool IsDriverOperation(int32_t op) {
    return op >= HXKSIM_OP_SUPPORTS_BASIC_DIGIO && op <= HXKSIM_OP_WRITE_OUTPUT_GROUP;
}

struct FaultCase {
    std::set<int32_t> faults;
    bool keepGoing; // what the handlers leave in Continue
    std::string Name() const {
        std::string name;
        for (int32_t op : faults)
            name += std::to_string(op) + "_";
        return name + (keepGoing ? "ContinueTrue" : "ContinueFalse");
    }
};

// The whole sweep (HX_FAULT_SWEEP=all, scripts/fault-sweep.sh) pairs every
// operation with every other; the test run pairs the driver's operations
// with each other, the image's and the utilities' each within their own
// kind, and every operation with a worker's read and a port write.
bool WholeSweep() {
    const char* sweep = std::getenv("HX_FAULT_SWEEP");
    return sweep && std::string(sweep) == "all";
}

std::vector<FaultCase> AllCases() {
    std::vector<int32_t> operations(std::begin(kImageOperations), std::end(kImageOperations));
    operations.insert(operations.end(), std::begin(kDriverOperations), std::end(kDriverOperations));
    operations.insert(operations.end(), std::begin(kUtilityOperations),
                      std::end(kUtilityOperations));
    const auto kind = [](int32_t op) {
        return IsDriverOperation(op) ? 0 : IsUtilityOperation(op) ? 1 : 2;
    };
    const auto paired = [&](int32_t a, int32_t b) {
        if (WholeSweep() || kind(a) == kind(b)) return true;
        for (int32_t common : {HXKSIM_OP_READ_INPUT_LINE, HXKSIM_OP_WRITE_OUTPUT_LINE})
            if (a == common || b == common) return true;
        return false;
    };
    std::vector<std::set<int32_t>> sets;
    for (int32_t op : operations)
        sets.push_back({op});
    for (size_t i = 0; i < operations.size(); ++i)
        for (size_t j = i + 1; j < operations.size(); ++j)
            if (paired(operations[i], operations[j]))
                sets.push_back({operations[i], operations[j]});
    // Triples where the faults meet in one step, one worker or one reference.
    sets.push_back({700, 701, 702});
    sets.push_back({701, 702, 703});
    sets.push_back({703, 705, 707});
    sets.push_back({704, 706, 708});
    sets.push_back({705, 706, 707});
    sets.push_back({702, 705, 707});
    sets.push_back({85, 104, 105});
    sets.push_back({104, 703, 705});
    sets.push_back({5, 9, 705});
    sets.push_back({8, 9, 12});
    // Continue decides only what a worker does after a failed read: both
    // answers for every single fault and the driver's pairs and triples. A
    // refused binding leaves nothing for it to decide but the box, which
    // Wine takes seconds to show: with a second fault only once.
    std::vector<FaultCase> cases;
    for (const auto& faults : sets) {
        cases.push_back({faults, false});
        const bool driverOnly = std::all_of(faults.begin(), faults.end(), IsDriverOperation);
        if (faults.size() == 1 || (driverOnly && !faults.count(HXKSIM_OP_SUPPORTS_BASIC_DIGIO)))
            cases.push_back({faults, true});
    }
    return cases;
}

// What the sweep did, for the hardening report.
struct SweepTotals {
    int cases = 0;
    int passed = 0;
    long long faultedCalls = 0;
    long long handlesLeft = 0; // the most any case after the first left open
    int windowsLeft = 0;
    std::vector<std::string> rows;
};
SweepTotals& Totals() {
    static SweepTotals totals;
    return totals;
}

class ReportEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Made before the first snapshot: the window the suite's pages live in.
        pagetest::ParentWindow();
        before = hardening::Snapshot();
    }
    void TearDown() override {
        SweepTotals& totals = Totals();
        if (totals.cases == 0) return; // a filtered run of other suites
        std::vector<std::string> rows = totals.rows;
        rows.push_back("total\t" + std::to_string(totals.cases) + "\t" +
                       std::to_string(totals.passed) + "\t" + std::to_string(totals.faultedCalls));
        hardening::WriteResults("toolkit-faults.tsv", "case\tfaults\tpassed\tfaulted_calls", rows);
        std::vector<std::string> resources =
            hardening::ResourceRows("", before, hardening::Snapshot());
        resources.push_back("live_images\t0\t" + std::to_string(HXKSimLiveImageCount()));
        resources.push_back("handles_left_by_a_case\t0\t" + std::to_string(totals.handlesLeft));
        resources.push_back("windows_left_by_a_case\t0\t" + std::to_string(totals.windowsLeft));
        hardening::WriteResults("toolkit-faults-resources.tsv", "resource\tbefore\tafter",
                                resources);
    }
    hardening::Resources before;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ReportEnvironment);

std::string Describe(const FiredEvent& e) {
    std::ostringstream text;
    switch (e.dispid) {
    case evHXKError:
        text << "HXKError " << e.args.at(0).v.lVal << " " << Narrow(e.args.at(1).v.bstrVal);
        break;
    case evImageUpdated:
        text << "ImageUpdated";
        break;
    case evListener:
        text << "Listener " << e.args.at(1).v.lVal << " " << e.args.at(2).v.lVal;
        break;
    case evToggler:
        text << "Toggler " << e.args.at(1).v.lVal << " " << e.args.at(2).v.lVal;
        break;
    default:
        text << "event " << e.dispid;
    }
    return text.str();
}

class ToolkitFaults : public ControlTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void SetUp() override {
        hardening::ActionLog::Instance().Note("toolkit faults: " + GetParam().Name());
        threadsBefore = hardening::ThreadCount();
        handlesBefore = hardening::OpenHandles();
        windowsBefore = hardening::ProcessWindows();
        // Toggler pulses timed on the toolkit's stopwatch, unless the key
        // cannot be opened.
        settings.emplace(
            std::initializer_list<std::pair<const char*, DWORD>>{{"DigIO via HPC", 1}});
        for (int32_t op : GetParam().faults) {
            if (IsUtilityOperation(op)) {
                ASSERT_EQ(HXKSIM_OK, HXKSimSetUtilityFault(op, 1));
            }
        }
        stopwatchesBefore = HXKSimLiveStopwatchCount();
        ControlTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(S_OK, container.Place(control.get()));
        image.emplace(kLines, kLines);
        HXKSimSetInput(image->image, kInLine, 1);
        HXKSimSetInput(image->image, 9, 1);
        HXKSimSetOutput(image->image, kOutLine, 1);
        // References a failing AddImageRef does not take are still dropped:
        // spare ones keep the image alive for the whole case.
        if (Faulty(HXKSIM_OP_ADD_IMAGE_REF))
            for (int i = 0; i < kSpareReferences; ++i)
                AddImageRef(image->image);
        refs = HXKSimImageRefCount(image->image);
        sink->continueAnswer = GetParam().keepGoing ? 1 : 0;
        for (int32_t op : GetParam().faults) {
            if (!IsUtilityOperation(op)) {
                ASSERT_EQ(HXKSIM_OK, HXKSimSetFault(image->image, op, HXKSIM_ANY_INDEX, 1));
            }
        }
        HXKSimResetCallCounts();
        HXKSimResetUtilityCallCounts();
    }
    void TearDown() override {
        container.Remove();
        if (control) {
            ReleaseControl();
            CheckReferences();
        }
        // Calls of the failing operations, the control's last ones included.
        long long faulted = 0;
        if (image)
            for (int32_t op : GetParam().faults)
                faulted += IsUtilityOperation(op) ? HXKSimUtilityCallCount(op)
                                                  : HXKSimCallCount(op, image->image);
        for (int32_t op : kUtilityOperations)
            HXKSimSetUtilityFault(op, 0);
        if (image) {
            // What the failing toolkit kept, dropped here; then the test's own.
            HXKSimClearFaults(image->image);
            while (HXKSimImageRefCount(image->image) > 1)
                ReleaseImageRef(image->image);
            image.reset();
        }
        const int32_t stopwatchesKept =
            Faulty(HXKSIM_OP_DESTROY_STOPWATCH) && !Faulty(HXKSIM_OP_CREATE_STOPWATCH) && bound ? 1
                                                                                                : 0;
        EXPECT_EQ(stopwatchesBefore + stopwatchesKept, HXKSimLiveStopwatchCount()) << "stopwatches";
        ControlTest::TearDown();
        settings.reset();
        EXPECT_TRUE(PumpUntil([&] { return hardening::ThreadCount() <= threadsBefore; }))
            << "worker threads left";
        SweepTotals& totals = Totals();
        // What a case left: nothing, once the first has set up what the
        // process keeps (the runtime's threads, the page's parent window).
        // Loading and freeing the module around each case is not counted.
        const std::string handlesLeft = hardening::DescribeNewHandles(handlesBefore);
        const int windowsLeft =
            hardening::WindowCount() - static_cast<int>(windowsBefore.size());
        if (totals.cases > 0) {
            EXPECT_EQ("", handlesLeft) << "handles left by the case";
            EXPECT_LE(windowsLeft, 0)
                << "windows left by the case:" << hardening::DescribeNewWindows(windowsBefore);
            totals.handlesLeft = std::max<long long>(
                totals.handlesLeft,
                static_cast<long long>(std::count(handlesLeft.begin(), handlesLeft.end(), '[')));
            totals.windowsLeft = std::max(totals.windowsLeft, windowsLeft);
        }
        ++totals.cases;
        const bool passed = !HasFailure();
        totals.passed += passed;
        totals.faultedCalls += faulted;
        std::string faults;
        for (int32_t op : GetParam().faults)
            faults += (faults.empty() ? "" : ",") + std::to_string(op);
        totals.rows.push_back(GetParam().Name() + "\t" + faults + "\t" + (passed ? "1" : "0") +
                              "\t" + std::to_string(faulted));
    }

    // After the control's release: its reference and each worker's were
    // taken and dropped once each, whatever the toolkit made of the calls;
    // only the check before its own release tells it whether to drop it.
    void CheckReferences() {
        if (!image) return;
        SCOPED_TRACE("image references");
        const bool releasesOwn = bound && !Faulty(HXKSIM_OP_IMAGE_HANDLE_VALID);
        if (releasesOwn) Drops();
        EXPECT_EQ(refs, HXKSimImageRefCount(image->image));
        EXPECT_EQ(bound ? 1 + kWorkers : 0, HXKSimCallCount(HXKSIM_OP_ADD_IMAGE_REF, image->image));
        EXPECT_EQ(bound ? kWorkers + (releasesOwn ? 1 : 0) : 0,
                  HXKSimCallCount(HXKSIM_OP_RELEASE_IMAGE_REF, image->image));
        EXPECT_EQ(bound ? 1 : 0, HXKSimCallCount(HXKSIM_OP_IMAGE_HANDLE_VALID, image->image));
    }
    // The model's count of the image's references.
    void Takes() {
        if (!Faulty(HXKSIM_OP_ADD_IMAGE_REF)) ++refs;
    }
    void Drops() {
        if (!Faulty(HXKSIM_OP_RELEASE_IMAGE_REF)) --refs;
    }

    bool Faulty(int32_t op) const { return GetParam().faults.count(op) != 0; }
    bool KeepGoing() const { return GetParam().keepGoing; }

    // The events fired since `from`, described.
    Strings EventsSince(size_t from) const {
        Strings described;
        const std::vector<FiredEvent> events = sink->Events();
        for (size_t i = from; i < events.size(); ++i)
            described.push_back(Describe(events[i]));
        return described;
    }
    size_t EventCount() const { return sink->Events().size(); }
    size_t CountSince(size_t from, const std::string& what) const {
        const Strings events = EventsSince(from);
        return static_cast<size_t>(std::count(events.begin(), events.end(), what));
    }
    // A method with a VT_I4 or VT_BOOL or VT_I8 result, as a number.
    LONGLONG Call(DISPID id, const std::vector<Var>& args) {
        const CallResult r = Method(control, id, args);
        EXPECT_EQ(S_OK, r.hr) << "dispid " << id;
        switch (r.value.v.vt) {
        case VT_I4:
            return r.value.v.lVal;
        case VT_I8:
            return r.value.v.llVal;
        case VT_BOOL:
            return r.value.v.boolVal != VARIANT_FALSE;
        default:
            ADD_FAILURE() << "dispid " << id << " answered type " << r.value.v.vt;
            return -1;
        }
    }
    int32_t Output(int32_t line) const {
        int32_t level = -1;
        HXKSimGetOutput(image->image, line, &level);
        return level;
    }
    int32_t WritesTo(int32_t line) const {
        return HXKSimOutputWrites(image->image, line, nullptr, 0);
    }

    void CheckBinding();
    void CheckPorts();
    void CheckListener(bool bitMode);
    void CheckToggler();
    void CheckPage();

    static constexpr int kSpareReferences = 8;
    static constexpr int kWorkers = 3; // a bit listener, a DWORD listener, a toggler
    int threadsBefore = 0;
    std::vector<ULONG_PTR> handlesBefore;
    std::vector<HWND> windowsBefore;
    int32_t stopwatchesBefore = 0;
    int32_t refs = 0;
    std::optional<ToolkitSettings> settings;
    TestContainer container;
    std::optional<SimImage> image;
    // The control's state as the model has it after binding.
    bool bound = false;
    int32_t inputs = 0, outputs = 0;
};

void ToolkitFaults::CheckBinding() {
    SCOPED_TRACE("binding");
    const size_t from = EventCount();
    ASSERT_EQ(S_OK, Bind(image->Handle()));
    Strings expected;
    bound = !Faulty(HXKSIM_OP_SUPPORTS_BASIC_DIGIO);
    if (!bound) {
        expected = {kMissingDigIO};
        if (KeepGoing()) expectedBoxes = {"Missing BasicDigIO interface!"};
    } else {
        // A count whose query fails keeps its value: 0 on a control never bound.
        inputs = Faulty(HXKSIM_OP_QUERY_INPUT_COUNT) ? 0 : kLines;
        outputs = Faulty(HXKSIM_OP_QUERY_OUTPUT_COUNT) ? 0 : kLines;
        if (Faulty(HXKSIM_OP_QUERY_INPUT_COUNT)) expected.push_back(kNoInputs);
        if (Faulty(HXKSIM_OP_QUERY_OUTPUT_COUNT)) expected.push_back(kNoOutputs);
        expected.push_back(kUpdated);
    }
    EXPECT_EQ(expected, EventsSince(from));
    EXPECT_EQ(bound ? image->Handle() : 0, Get(control, idImage).value.v.llVal);
    EXPECT_EQ(inputs, Get(control, idNumInputs).value.v.lVal);
    EXPECT_EQ(outputs, Get(control, idNumOutputs).value.v.lVal);
    EXPECT_EQ(bound ? VARIANT_TRUE : VARIANT_FALSE, Get(control, idIsBasicDigIO).value.v.boolVal);
    if (bound) Takes();
    EXPECT_EQ(refs, HXKSimImageRefCount(image->image));
    EXPECT_EQ(bound ? 1 : 0, HXKSimCallCount(HXKSIM_OP_QUERY_INPUT_COUNT, image->image));
}

void ToolkitFaults::CheckPorts() {
    SCOPED_TRACE("port methods");
    struct PortCall {
        const char* name;
        DISPID id;
        std::vector<Var> args;
        long result;
        std::string event; // empty: none
    };
    // A line method checks its index against the counts; a group method
    // passes group 0 and fails in the driver when nothing is bound.
    const auto line = [&](int32_t index, int32_t count, int32_t op, long value,
                          const std::string& failure) {
        if (index >= count) return std::pair<long, std::string>{0, kInvalid};
        if (Faulty(op)) return std::pair<long, std::string>{0, failure};
        return std::pair<long, std::string>{value, ""};
    };
    const auto group = [&](int32_t op, long value, const std::string& failure) {
        if (!bound || Faulty(op)) return std::pair<long, std::string>{0, failure};
        return std::pair<long, std::string>{value, ""};
    };
    const auto inBit = line(kInLine, inputs, HXKSIM_OP_READ_INPUT_LINE, 1, kReadFailed);
    const auto outBit = line(kOutLine, outputs, HXKSIM_OP_READ_OUTPUT_LINE, 1, kReadFailed);
    const auto setBit = line(kSetLine, outputs, HXKSIM_OP_WRITE_OUTPUT_LINE, 1, kWriteFailed);
    const bool lineSet = setBit.second.empty();
    const auto inGroup = group(HXKSIM_OP_READ_INPUT_GROUP, kInGroup, kReadFailed);
    const auto outGroup = group(HXKSIM_OP_READ_OUTPUT_GROUP,
                                (1 << kOutLine) | (lineSet ? 1 << kSetLine : 0), kReadFailed);
    const auto setGroup = group(HXKSIM_OP_WRITE_OUTPUT_GROUP, 0x0F, kWriteFailed);
    const PortCall calls[] = {
        {"GetInBit", idGetInBit, {I4(kInLine)}, inBit.first, inBit.second},
        {"GetOutBit", idGetOutBit, {I4(kOutLine)}, outBit.first, outBit.second},
        {"SetOutBit", idSetOutBit, {I4(kSetLine), I4(1)}, setBit.first, setBit.second},
        {"GetInDWORD", idGetInDWORD, {I4(0)}, inGroup.first, inGroup.second},
        {"GetOutDWORD", idGetOutDWORD, {I4(0)}, outGroup.first, outGroup.second},
        {"SetOutDWORD",
         idSetOutDWORD,
         {I4(0), I4(0x0F), I4(0x0F)},
         setGroup.first,
         setGroup.second},
    };
    for (const PortCall& call : calls) {
        const size_t from = EventCount();
        EXPECT_EQ(call.result, Call(call.id, call.args)) << call.name;
        EXPECT_EQ(call.event.empty() ? Strings{} : Strings{call.event}, EventsSince(from))
            << call.name;
    }
    EXPECT_EQ(lineSet ? 1 : 0, Output(kSetLine));
    for (int32_t l = 0; l < 4; ++l)
        EXPECT_EQ(setGroup.second.empty() ? 1 : 0, Output(l)) << "line " << l;
}

void ToolkitFaults::CheckListener(bool bitMode) {
    SCOPED_TRACE(bitMode ? "bit listener" : "DWORD listener");
    const int32_t op = bitMode ? HXKSIM_OP_READ_INPUT_LINE : HXKSIM_OP_READ_INPUT_GROUP;
    const int32_t port = bitMode ? kInLine : 0;
    const long value = bitMode ? 1 : static_cast<long>(kInGroup);
    const std::string report = "Listener " + std::to_string(port) + " " + std::to_string(value);
    const size_t from = EventCount();
    const LONGLONG listener =
        Call(bitMode ? idBitListenerCreate : idDWORDListenerCreate, {I4(port), I4(value), I4(1)});
    if (!bound) { // made only while an image is bound
        EXPECT_EQ(0, listener);
        EXPECT_EQ(Strings{}, EventsSince(from));
        return;
    }
    ASSERT_NE(0, listener);
    Takes();
    EXPECT_EQ(1, Call(idBitListenerStart, {I8(listener)}));
    if (!Faulty(op)) {
        EXPECT_TRUE(PumpUntil([&] { return CountSince(from, report) >= 3; }));
        EXPECT_EQ(1, Call(idBitListenerStop, {I8(listener)}));
        PumpFor(20);
        const Strings events = EventsSince(from);
        EXPECT_EQ(Strings(events.size(), report), events);
        const std::vector<FiredEvent> fired = sink->Events();
        for (size_t i = from; i < fired.size(); ++i)
            EXPECT_EQ(listener, fired[i].args.at(0).v.llVal);
    } else if (!KeepGoing()) {
        // Continue left FALSE: one error, and the listener stops itself.
        EXPECT_TRUE(PumpUntil([&] { return CountSince(from, kReadFailed) >= 1; }));
        PumpFor(40);
        const int64_t reads = HXKSimCallCount(op, image->image);
        PumpFor(40);
        EXPECT_EQ(reads, HXKSimCallCount(op, image->image)) << "still polling";
        EXPECT_EQ(Strings{kReadFailed}, EventsSince(from));
        // A later Start polls again, and stops again at the next failure.
        EXPECT_EQ(1, Call(idBitListenerStart, {I8(listener)}));
        EXPECT_TRUE(PumpUntil([&] { return CountSince(from, kReadFailed) >= 2; }));
        PumpFor(40);
        EXPECT_EQ(Strings(2, kReadFailed), EventsSince(from));
    } else {
        // Continue set TRUE: it keeps polling and failing until stopped.
        EXPECT_TRUE(PumpUntil([&] { return CountSince(from, kReadFailed) >= 3; }));
        EXPECT_EQ(1, Call(idBitListenerStop, {I8(listener)}));
        PumpFor(20);
        const size_t stopped = EventCount();
        PumpFor(40);
        EXPECT_EQ(stopped, EventCount()) << "events after Stop";
        EXPECT_EQ(0u, CountSince(from, report)) << "a failed read reported as the value";
    }
    // Worker errors arrive on the worker's own thread.
    const std::vector<FiredEvent> events = sink->Events();
    for (size_t i = from; i < events.size(); ++i)
        if (events[i].dispid == evHXKError) {
            EXPECT_NE(GetCurrentThreadId(), events[i].thread);
        }
    EXPECT_EQ(1, Call(bitMode ? idBitListenerDestroy : idDWORDListenerDestroy, {I8(listener)}));
    Drops();
    EXPECT_EQ(0, Call(idBitListenerDestroy, {I8(listener)}));
}

void ToolkitFaults::CheckToggler() {
    SCOPED_TRACE("toggler");
    const size_t from = EventCount();
    const LONGLONG toggler = Call(idBitTogglerCreate, {I4(kOutLine), I4(5)});
    if (!bound) {
        EXPECT_EQ(0, toggler);
        return;
    }
    ASSERT_NE(0, toggler);
    Takes();
    // The toggler made its stopwatch and read its timing from the key.
    EXPECT_EQ(1, HXKSimUtilityCallCount(HXKSIM_OP_CREATE_STOPWATCH));
    EXPECT_EQ(1, HXKSimUtilityCallCount(HXKSIM_OP_OPEN_TOOLKIT_KEY));
    const bool onStopwatch = !Faulty(HXKSIM_OP_OPEN_TOOLKIT_KEY);
    const int32_t writesBefore = WritesTo(kOutLine);
    const std::string pulse = "Toggler " + std::to_string(kOutLine) + " 1";
    EXPECT_EQ(1, Call(idBitTogglerStart, {I8(toggler)}));
    const bool readFails = Faulty(HXKSIM_OP_READ_OUTPUT_LINE);
    const bool writeFails = Faulty(HXKSIM_OP_WRITE_OUTPUT_LINE);
    if (readFails && !KeepGoing()) {
        // No pulse: nothing written, no Toggler event.
        EXPECT_TRUE(PumpUntil([&] { return CountSince(from, kReadFailed) >= 1; }));
        PumpFor(40);
        EXPECT_EQ(Strings{kReadFailed}, EventsSince(from));
        EXPECT_EQ(writesBefore, WritesTo(kOutLine));
    } else {
        // A pulse from the level read, or (read failed, Continue TRUE) from
        // HI: LO, then HI again. Failed writes are not reported.
        EXPECT_TRUE(PumpUntil([&] { return CountSince(from, pulse) >= 1; }));
        PumpFor(20);
        const Strings expected = readFails ? Strings{kReadFailed, pulse} : Strings{pulse};
        EXPECT_EQ(expected, EventsSince(from));
        std::vector<int32_t> levels(2, -1);
        const int32_t writes = HXKSimOutputWrites(image->image, kOutLine, levels.data(), 2);
        if (writeFails) {
            EXPECT_EQ(writesBefore, writes);
        } else {
            EXPECT_EQ(writesBefore + 2, writes);
            EXPECT_EQ((std::vector<int32_t>{0, 1}), levels);
        }
    }
    EXPECT_EQ(1, Output(kOutLine));
    // The hold: restarted before the read, then read until the delay has
    // passed; a stopwatch that is not there or does not read ends it at once.
    const bool pulsed = !(readFails && !KeepGoing());
    const int64_t readings = HXKSimUtilityCallCount(HXKSIM_OP_STOPWATCH_ELAPSED);
    EXPECT_EQ(onStopwatch ? 1 : 0, HXKSimUtilityCallCount(HXKSIM_OP_RESTART_STOPWATCH));
    if (!onStopwatch || !pulsed) {
        EXPECT_EQ(0, readings);
    } else if (Faulty(HXKSIM_OP_STOPWATCH_ELAPSED) || Faulty(HXKSIM_OP_CREATE_STOPWATCH)) {
        EXPECT_EQ(1, readings);
    } else {
        EXPECT_GE(readings, 1);
    }
    EXPECT_EQ(1, Call(idBitTogglerDestroy, {I8(toggler)}));
    Drops();
    if (!Faulty(HXKSIM_OP_CREATE_STOPWATCH)) {
        EXPECT_EQ(1, HXKSimUtilityCallCount(HXKSIM_OP_DESTROY_STOPWATCH));
    }
}

// The page talks to the driver itself: whatever fails, it fires nothing.
void ToolkitFaults::CheckPage() {
    SCOPED_TRACE("property page");
    const size_t from = EventCount();
    hx::com_ptr<IPropertyPage2> page = pagetest::CreatePage(module);
    ASSERT_TRUE(page);
    IUnknown* objects[] = {control.get()};
    const RECT rect = {5, 5, 405, 205};
    ASSERT_EQ(S_OK, page->SetObjects(1, objects));
    ASSERT_EQ(S_OK, page->Activate(pagetest::ParentWindow(), &rect, TRUE));
    const HWND dialog = pagetest::FindPage(pagetest::ParentWindow());
    ASSERT_NE(nullptr, dialog);
    const HWND inputList = GetDlgItem(dialog, pagetest::kInputsId);
    const HWND outputList = GetDlgItem(dialog, pagetest::kOutputsId);
    const auto checkRows = [](const std::vector<pagetest::Row>& rows, bool exact,
                              const std::vector<pagetest::Row>& device) {
        ASSERT_EQ(device.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(std::to_string(i), rows[i].port);
            if (exact) {
                EXPECT_EQ(device[i].state, rows[i].state) << "row " << i;
            } else { // a failed read shows what the page's variable held
                EXPECT_TRUE(rows[i].state == "HI" || rows[i].state == "LO") << rows[i].state;
            }
        }
    };
    checkRows(pagetest::Rows(inputList), !Faulty(HXKSIM_OP_READ_INPUT_LINE),
              pagetest::InputRowsOf(image->image, inputs));
    checkRows(pagetest::Rows(outputList), !Faulty(HXKSIM_OP_READ_OUTPUT_LINE),
              pagetest::OutputRowsOf(image->image, outputs));
    PumpFor(110); // a refresh or so
    if (outputs > kPageLine) {
        const int32_t writes = WritesTo(kPageLine);
        const std::string shown = pagetest::Rows(outputList).at(kPageLine).state;
        pagetest::DoubleClick(outputList, pagetest::RowCentre(outputList, kPageLine));
        if (Faulty(HXKSIM_OP_WRITE_OUTPUT_LINE)) {
            EXPECT_EQ(writes, WritesTo(kPageLine));
        } else {
            EXPECT_EQ(writes + 1, WritesTo(kPageLine));
            EXPECT_EQ(shown == "HI" ? 0 : 1, Output(kPageLine));
        }
    }
    EXPECT_EQ(S_OK, page->Deactivate());
    EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
    EXPECT_EQ(0u, page.detach()->Release());
    EXPECT_EQ(Strings{}, EventsSince(from));
}

TEST_P(ToolkitFaults, GiveTheModelledEventsAndResultsAndLeaveNothingBehind) {
    hardening::ActionLog& log = hardening::ActionLog::Instance();
    CheckBinding();
    log.Note(GetParam().Name() + ": ports");
    CheckPorts();
    log.Note(GetParam().Name() + ": bit listener");
    CheckListener(true);
    log.Note(GetParam().Name() + ": DWORD listener");
    CheckListener(false);
    log.Note(GetParam().Name() + ": toggler");
    CheckToggler();
    // The page ignores Continue (it fires nothing): once per fault set.
    if (!KeepGoing()) {
        log.Note(GetParam().Name() + ": page");
        CheckPage();
    }
    EXPECT_EQ(refs, HXKSimImageRefCount(image->image)) << "workers' references left";
}

INSTANTIATE_TEST_SUITE_P(Sweep, ToolkitFaults, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return info.param.Name();
                         });

// A watchdog for the whole suite: a case that hangs ends the run with the
// case named, instead of waiting for ctest's time-out.
class WatchdogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetUnhandledExceptionFilter(&hardening::ReportCrash);
        // GoogleTest watches each thread that keeps a trace with a thread of
        // its own: made now, it is not counted as left by a test.
        { SCOPED_TRACE("warm-up"); }
        watchdog.emplace(std::chrono::seconds(30));
    }
    void TearDown() override { watchdog.reset(); }
    std::optional<hardening::Watchdog> watchdog;
};
const auto* const g_watchdog = ::testing::AddGlobalTestEnvironment(new WatchdogEnvironment);

} // namespace
