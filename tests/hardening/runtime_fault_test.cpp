// The base runtime with Win32 failing under it. Worker threads and events
// that cannot be made, registry values of every type and shape (real values
// in Wine's registry) and queries that fail, log files, the console and the
// event log that do not work, and the string class running out of memory:
// each must turn into FALSE, a default or a clean exception where that is
// the documented result, and leave no thread, handle, heap block or logger
// behind. Failures the platform cannot be made to produce come from the base
// library's fault points (CaxFaultSeam.h); inside the control module they are
// armed through HXDigIOSeams.ocx, the control built with exports for that.
#include "CaxFaultSeam.h"
#include "CaxLogging.h"
#include "CaxRegistry.h"
#include "CaxThread.h"
#include "ControlTestSupport.h"
#include "HardeningSupport.h"

#include <cstring>
#include <functional>
#include <optional>

using namespace hxtest;
using caxseam::Point;
using CreationFault = CaxThread::CreationFault;

namespace {

// What the suite injected, for the hardening report.
struct Injections {
    std::vector<std::string> rows;
    void Add(const std::string& where, const std::string& point, unsigned long long injected,
             bool passed) {
        rows.push_back(where + "\t" + point + "\t" + std::to_string(injected) + "\t" +
                       (passed ? "1" : "0"));
    }
};
Injections& Injected() {
    static Injections injections;
    return injections;
}

class ReportEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetUnhandledExceptionFilter(&hardening::ReportCrash);
        // GoogleTest watches each thread that keeps a trace with a thread of
        // its own: made now, it is not counted as left by a test.
        { SCOPED_TRACE("warm-up"); }
        watchdog.emplace(std::chrono::seconds(60));
    }
    void TearDown() override {
        watchdog.reset();
        if (!Injected().rows.empty())
            hardening::WriteResults("runtime-faults.tsv", "where\tpoint\tinjected\tpassed",
                                    Injected().rows);
    }
    std::optional<hardening::Watchdog> watchdog;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ReportEnvironment);

void Note(const std::string& action) {
    hardening::ActionLog::Instance().Note(action);
}

// HXDigIOSeams.ocx loaded as a container loads a control module, with its
// fault points at hand.
class SeamModule {
public:
    SeamModule() : m_handle(LoadLibraryA((BinDirectory() + "\\HXDigIOSeams.ocx").c_str())) {}
    explicit operator bool() const { return m_handle && m_arm && m_inject; }

    void Arm(Point point, unsigned skip, unsigned fail = 0xFFFFFFFFu) const {
        m_arm(static_cast<unsigned>(point), skip, fail, FALSE);
    }
    void Disarm(Point point) const { m_disarm(static_cast<unsigned>(point)); }
    unsigned long long Injected(Point point) const {
        return m_injected(static_cast<unsigned>(point));
    }
    unsigned long long Hits(Point point) const { return m_hits(static_cast<unsigned>(point)); }
    // The next worker object made on this thread.
    void InjectThreadFault(CreationFault fault) const { m_inject(static_cast<int>(fault)); }

    HRESULT CreateControl(hx::com_ptr<IDispatch>& control) const {
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto get = Export<GetClassObject>("DllGetClassObject");
        hx::com_ptr<IClassFactory> factory;
        HRESULT hr = get ? get(CLSID_HXdigIO, IID_IClassFactory, factory.put_void()) : E_NOTIMPL;
        if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, control.put_void());
        return hr;
    }
    HRESULT CanUnloadNow() const {
        using CanUnload = HRESULT(STDAPICALLTYPE*)();
        const auto canUnload = Export<CanUnload>("DllCanUnloadNow");
        return canUnload ? canUnload() : E_NOTIMPL;
    }

private:
    template <class F> F Export(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_handle.get(), name)));
    }
    hx::unique_hmodule m_handle;
    void(WINAPI* m_arm)(unsigned, unsigned, unsigned, BOOL) =
        Export<void(WINAPI*)(unsigned, unsigned, unsigned, BOOL)>("HardeningArmSeam");
    void(WINAPI* m_disarm)(unsigned) = Export<void(WINAPI*)(unsigned)>("HardeningDisarmSeam");
    unsigned long long(WINAPI* m_injected)(unsigned) =
        Export<unsigned long long(WINAPI*)(unsigned)>("HardeningSeamInjected");
    unsigned long long(WINAPI* m_hits)(unsigned) =
        Export<unsigned long long(WINAPI*)(unsigned)>("HardeningSeamHits");
    void(WINAPI* m_inject)(int) = Export<void(WINAPI*)(int)>("HardeningInjectThreadFault");
};

// The toolkit's settings key holding values of any type for the scope.
class ToolkitKeyScope {
public:
    ToolkitKeyScope() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH); }
    ~ToolkitKeyScope() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH); }
    ToolkitKeyScope(const ToolkitKeyScope&) = delete;
    ToolkitKeyScope& operator=(const ToolkitKeyScope&) = delete;
    void Set(const char* name, DWORD type, const std::string& data) const {
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, name, type, data.data(),
                                  static_cast<DWORD>(data.size())));
    }
    void CreateEmpty() const {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    // What the registry gives a 4-byte query of the value: the bytes when
    // they fit, nothing (-1) when the value is missing or larger.
    static long long FourByteQuery(const char* name) {
        hx::unique_hkey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, 0, KEY_READ, key.put()) != 0)
            return -1;
        DWORD data = 0, size = sizeof data, type = 0;
        if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                             &size) != ERROR_SUCCESS)
            return -1;
        return data;
    }
};

// The control of HXDigIOSeams.ocx made through its factory, with a sink that
// leaves Continue FALSE; at the end no reference, image, thread or box.
class SeamControl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(0, HXKSimLiveImageCount());
        ASSERT_TRUE(seams) << "HXDigIOSeams.ocx and its exports";
        threadsBefore = hardening::ThreadCount();
        MakeControl();
    }
    void TearDown() override {
        if (control) DropControl();
        image.reset();
        EXPECT_EQ(0, HXKSimLiveImageCount()) << "image references left";
        EXPECT_TRUE(Eventually([&] { return hardening::ThreadCount() <= threadsBefore; }))
            << "threads left:" << hardening::DescribeThreads();
        EXPECT_EQ(S_OK, seams.CanUnloadNow());
        CoUninitialize();
    }
    void MakeControl() {
        ASSERT_EQ(S_OK, seams.CreateControl(control));
        sink = MakeSink(DIID__DHXdigIOEvents);
        sink->continueAnswer = 0;
        ASSERT_TRUE(point = PointOf(control.get(), DIID__DHXdigIOEvents));
        ASSERT_EQ(S_OK, point->Advise(sink.get(), &cookie));
    }
    void DropControl() {
        point->Unadvise(cookie);
        point.reset();
        EXPECT_EQ(0u, control.detach()->Release());
        EXPECT_EQ(1, sink->RefCount());
    }
    void BindNewImage() {
        image.emplace(8, 8);
        HXKSimSetInput(image->image, 1, 1);
        HXKSimSetOutput(image->image, 2, 1);
        ASSERT_EQ(S_OK, Put(control, idImage, I8(image->Handle())).hr);
    }
    // The events of workers (all but the ImageUpdated of a binding).
    size_t WorkerEvents() const { return sink->Events().size() - sink->Count(evImageUpdated); }
    LONGLONG Call(DISPID id, const std::vector<Var>& args) {
        const CallResult r = Method(control, id, args);
        EXPECT_EQ(S_OK, r.hr) << "dispid " << id;
        if (r.value.v.vt == VT_BOOL) return r.value.v.boolVal != VARIANT_FALSE;
        if (r.value.v.vt == VT_I8) return r.value.v.llVal;
        if (r.value.v.vt == VT_I4) return r.value.v.lVal;
        ADD_FAILURE() << "dispid " << id << " answered type " << r.value.v.vt;
        return -1;
    }

    SeamModule seams;
    int threadsBefore = 0;
    hx::com_ptr<IDispatch> control;
    hx::com_ptr<RecordingSink> sink;
    hx::com_ptr<IConnectionPoint> point;
    DWORD cookie = 0;
    std::optional<SimImage> image;
};

struct WorkerCreate {
    const char* name;
    DISPID create;
    std::vector<Var> args;
    DISPID destroy;
};
const WorkerCreate kCreates[] = {
    {"BitListenerCreate", idBitListenerCreate, {I4(1), I4(1), I4(0)}, idBitListenerDestroy},
    {"DWORDListenerCreate", idDWORDListenerCreate, {I4(0), I4(2), I4(0)}, idDWORDListenerDestroy},
    {"BitTogglerCreate", idBitTogglerCreate, {I4(2), I4(1)}, idBitTogglerDestroy},
};

const char* FaultName(CreationFault fault) {
    switch (fault) {
    case CreationFault::KillEvent:
        return "kill event";
    case CreationFault::DeadEvent:
        return "dead event";
    case CreationFault::RunEvent:
        return "run event";
    case CreationFault::StepDoneEvent:
        return "step-done event";
    case CreationFault::Worker:
        return "worker thread";
    default:
        return "none";
    }
}

TEST_F(SeamControl, AWorkerWhoseThreadOrEventsCannotBeMadeIsNeverCreated) {
    BindNewImage();
    // Once made, what the first workers set up for good (the runtime's
    // thread bookkeeping) is not counted against the failed ones.
    for (const WorkerCreate& create : kCreates)
        EXPECT_EQ(1, Call(create.destroy, {I8(Call(create.create, create.args))}));
    const hardening::Resources before = hardening::Snapshot();
    unsigned long long injected = 0;
    for (int round = 0; round < 20; ++round) {
        for (CreationFault fault :
             {CreationFault::KillEvent, CreationFault::DeadEvent, CreationFault::RunEvent,
              CreationFault::StepDoneEvent, CreationFault::Worker}) {
            for (const WorkerCreate& create : kCreates) {
                seams.InjectThreadFault(fault);
                EXPECT_EQ(0, Call(create.create, create.args))
                    << create.name << ", " << FaultName(fault);
                ++injected;
            }
        }
    }
    // The fault was for one object each: the next ones work.
    for (const WorkerCreate& create : kCreates) {
        const LONGLONG worker = Call(create.create, create.args);
        ASSERT_NE(0, worker) << create.name;
        EXPECT_EQ(1, Call(idBitListenerStart, {I8(worker)}));
        EXPECT_EQ(1, Call(create.destroy, {I8(worker)}));
    }
    const hardening::Resources after = hardening::Snapshot();
    EXPECT_EQ(0u, WorkerEvents());
    EXPECT_EQ(2, HXKSimImageRefCount(image->image));
    EXPECT_EQ(before.openHandles, after.openHandles) << "handles left";
    EXPECT_LT(after.heapBlocks - before.heapBlocks, 100) << "heap blocks left by 300 creates";
    Injected().Add("control worker creation", "thread or event creation", injected, !HasFailure());
}

// The names and prefixes of the workers' loggers are strings: when memory
// runs out at any of their allocations, Create answers 0 and nothing is left.
TEST_F(SeamControl, StringMemoryRunningOutAnywhereInCreateAnswers0AndLeavesNothing) {
    BindNewImage();
    // Fails the k-th string allocation of one Create, for k = 0, 1, ... until
    // one Create runs without reaching k; answers how many points failed.
    const auto sweep = [&](const WorkerCreate& create) {
        unsigned points = 0;
        for (unsigned k = 0; k < 64; ++k) {
            Note(std::string("string allocation ") + std::to_string(k) + " in " + create.name);
            seams.Arm(Point::StringAllocation, k, 1);
            const LONGLONG worker = Call(create.create, create.args);
            const unsigned long long injected = seams.Injected(Point::StringAllocation);
            seams.Disarm(Point::StringAllocation);
            if (injected == 0) { // past the last allocation: a working worker
                EXPECT_NE(0, worker) << create.name;
                EXPECT_EQ(1, Call(create.destroy, {I8(worker)})) << create.name;
                return points;
            }
            ++points;
            EXPECT_EQ(0, worker) << create.name << ", allocation " << k;
            if (worker) {
                EXPECT_EQ(1, Call(create.destroy, {I8(worker)}));
            }
            EXPECT_EQ(2, HXKSimImageRefCount(image->image)) << create.name << ", allocation " << k;
        }
        ADD_FAILURE() << create.name << " never ran out of allocations";
        return points;
    };
    unsigned long long injected = 0;
    for (const WorkerCreate& create : kCreates) {
        const unsigned points = sweep(create);
        EXPECT_GE(points, 2u) << create.name << ": the logger's name and prefix";
        injected += points;
    }
    // Many times over: a leak per failed Create would show.
    const hardening::Resources before = hardening::Snapshot();
    for (int round = 0; round < 30; ++round)
        for (const WorkerCreate& create : kCreates)
            injected += sweep(create);
    const hardening::Resources after = hardening::Snapshot();
    EXPECT_EQ(0u, WorkerEvents());
    EXPECT_EQ(before.openHandles, after.openHandles);
    EXPECT_LT(after.heapBlocks - before.heapBlocks, 60) << "heap blocks left by 180 failed creates";
    Injected().Add("control worker creation", "StringAllocation", injected, !HasFailure());
}

// "Global AsyncACQ Enabled" read without default: whatever a 4-byte query of
// the value gives is the setting, a value of another type included; a value
// that does not fit, or none, leaves 0. "DigIO via HPC" likewise picks the
// toggler's timing, which pulses either way. Direct firing shows as Listener
// events on the worker's thread of a control without a window, whose reports
// would otherwise be dropped.
TEST_F(SeamControl, HandOffAndTimingSettingsOfEveryTypeAndShape) {
    struct Shape {
        const char* name;
        bool key;
        bool value;
        DWORD type;
        std::string data;
    };
    const std::string longText(100000, '7');
    const Shape shapes[] = {
        {"no key", false, false, 0, ""},
        {"no value", true, false, 0, ""},
        {"REG_DWORD 0", true, true, REG_DWORD, std::string("\0\0\0\0", 4)},
        {"REG_DWORD 1", true, true, REG_DWORD, std::string("\1\0\0\0", 4)},
        {"REG_DWORD of 2 bytes", true, true, REG_DWORD, std::string("\1\0", 2)},
        {"REG_DWORD of 6 bytes", true, true, REG_DWORD, std::string("\1\0\0\0\0\0", 6)},
        {"REG_DWORD_BIG_ENDIAN", true, true, REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\1", 4)},
        {"REG_SZ \"1\"", true, true, REG_SZ, std::string("1\0", 2)},
        {"REG_SZ without NUL", true, true, REG_SZ, "1"},
        {"REG_SZ empty", true, true, REG_SZ, std::string("\0", 1)},
        {"REG_SZ of 100000 characters", true, true, REG_SZ, longText + '\0'},
        {"REG_EXPAND_SZ", true, true, REG_EXPAND_SZ, std::string("%A\0", 3)},
        {"REG_MULTI_SZ", true, true, REG_MULTI_SZ, std::string("a\0\0", 3)},
        {"REG_BINARY of 4 bytes", true, true, REG_BINARY, std::string("\1\0\0\0", 4)},
        {"REG_BINARY empty", true, true, REG_BINARY, ""},
        {"REG_BINARY of 64 KB", true, true, REG_BINARY, std::string(65536, '\1')},
        {"REG_QWORD", true, true, REG_QWORD, std::string("\1\0\0\0\0\0\0\0", 8)},
        {"REG_NONE", true, true, REG_NONE, std::string("\1\0\0\0", 4)},
    };
    BindNewImage(); // the control of SetUp is not used
    DropControl();
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        Note(std::string("hand-off setting: ") + shape.name);
        ToolkitKeyScope key;
        if (shape.key) key.CreateEmpty();
        if (shape.value) {
            key.Set("Global AsyncACQ Enabled", shape.type, shape.data);
            key.Set("DigIO via HPC", shape.type, shape.data);
        }
        const long long query = ToolkitKeyScope::FourByteQuery("Global AsyncACQ Enabled");
        const bool direct = query > 0;
        MakeControl();
        ASSERT_EQ(S_OK, Put(control, idImage, I8(image->Handle())).hr);
        const LONGLONG listener = Call(idBitListenerCreate, {I4(1), I4(1), I4(0)});
        const LONGLONG toggler = Call(idBitTogglerCreate, {I4(2), I4(2)});
        const int32_t writes = HXKSimOutputWrites(image->image, 2, nullptr, 0);
        EXPECT_EQ(1, Call(idBitListenerStart, {I8(listener)}));
        EXPECT_EQ(1, Call(idBitTogglerStart, {I8(toggler)}));
        EXPECT_TRUE(Eventually([&] {
            return HXKSimOutputWrites(image->image, 2, nullptr, 0) == writes + 2;
        })) << "the pulse";
        if (direct) {
            EXPECT_TRUE(Eventually(
                [&] { return sink->Count(evListener) >= 3 && sink->Count(evToggler) == 1; }));
        } else {
            Sleep(100);
        }
        EXPECT_EQ(1, Call(idBitListenerDestroy, {I8(listener)}));
        EXPECT_EQ(1, Call(idBitTogglerDestroy, {I8(toggler)}));
        for (const FiredEvent& e : sink->Events()) {
            if (e.dispid == evImageUpdated) continue;
            EXPECT_TRUE(direct) << "a worker's event fired, none was to be";
            EXPECT_NE(GetCurrentThreadId(), e.thread);
        }
        DropControl();
    }
    // A query that fails counts as no value.
    ToolkitKeyScope key;
    key.Set("Global AsyncACQ Enabled", REG_DWORD, std::string("\1\0\0\0", 4));
    key.Set("DigIO via HPC", REG_DWORD, std::string("\1\0\0\0", 4));
    seams.Arm(Point::RegistryQuery, 0);
    MakeControl();
    ASSERT_EQ(S_OK, Put(control, idImage, I8(image->Handle())).hr);
    const LONGLONG listener = Call(idBitListenerCreate, {I4(1), I4(1), I4(0)});
    const LONGLONG toggler = Call(idBitTogglerCreate, {I4(2), I4(2)});
    const unsigned long long injected = seams.Injected(Point::RegistryQuery);
    seams.Disarm(Point::RegistryQuery);
    EXPECT_EQ(2u, injected) << "the control's and the toggler's reads";
    const int32_t writes = HXKSimOutputWrites(image->image, 2, nullptr, 0);
    EXPECT_EQ(1, Call(idBitListenerStart, {I8(listener)}));
    EXPECT_EQ(1, Call(idBitTogglerStart, {I8(toggler)}));
    EXPECT_TRUE(
        Eventually([&] { return HXKSimOutputWrites(image->image, 2, nullptr, 0) == writes + 2; }));
    Sleep(100);
    EXPECT_EQ(0u, WorkerEvents()) << "fired directly although the read failed";
    EXPECT_EQ(1, Call(idBitListenerDestroy, {I8(listener)}));
    EXPECT_EQ(1, Call(idBitTogglerDestroy, {I8(toggler)}));
    DropControl();
    Injected().Add("control settings", "RegistryQuery", injected, !HasFailure());

    // A key the toolkit fails to open counts as no key: hand-off, and pulses
    // timed with Sleep (the stopwatch is made but never restarted or read).
    HXKSimResetUtilityCallCounts();
    ASSERT_EQ(HXKSIM_OK, HXKSimSetUtilityFault(HXKSIM_OP_OPEN_TOOLKIT_KEY, 1));
    MakeControl();
    ASSERT_EQ(S_OK, Put(control, idImage, I8(image->Handle())).hr);
    const LONGLONG noKeyListener = Call(idBitListenerCreate, {I4(1), I4(1), I4(0)});
    const LONGLONG noKeyToggler = Call(idBitTogglerCreate, {I4(2), I4(2)});
    HXKSimSetUtilityFault(HXKSIM_OP_OPEN_TOOLKIT_KEY, 0);
    EXPECT_EQ(2, HXKSimUtilityCallCount(HXKSIM_OP_OPEN_TOOLKIT_KEY))
        << "the control's and the toggler's";
    const int32_t before = HXKSimOutputWrites(image->image, 2, nullptr, 0);
    EXPECT_EQ(1, Call(idBitListenerStart, {I8(noKeyListener)}));
    EXPECT_EQ(1, Call(idBitTogglerStart, {I8(noKeyToggler)}));
    EXPECT_TRUE(
        Eventually([&] { return HXKSimOutputWrites(image->image, 2, nullptr, 0) == before + 2; }));
    Sleep(100);
    EXPECT_EQ(0u, WorkerEvents()) << "fired directly although the key did not open";
    EXPECT_EQ(0, HXKSimUtilityCallCount(HXKSIM_OP_RESTART_STOPWATCH));
    EXPECT_EQ(0, HXKSimUtilityCallCount(HXKSIM_OP_STOPWATCH_ELAPSED));
    EXPECT_EQ(1, Call(idBitListenerDestroy, {I8(noKeyListener)}));
    EXPECT_EQ(1, Call(idBitTogglerDestroy, {I8(noKeyToggler)}));
    Injected().Add(
        "control settings", "OpenToolkitKey (simulator)",
        static_cast<unsigned long long>(HXKSimUtilityCallCount(HXKSIM_OP_OPEN_TOOLKIT_KEY)),
        !HasFailure());
}

// ---- the base library by itself ----------------------------------------------------------

// A key of the test's own under HKEY_CURRENT_USER.
struct TestKey {
    explicit TestKey(const char* path) : path(path) {
        RegDeleteTreeA(HKEY_CURRENT_USER, path);
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr);
    }
    ~TestKey() {
        key.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    }
    void Set(const char* name, DWORD type, const std::string& data) const {
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), name, 0, type,
                                                reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size())));
    }
    CaxRegistry Reader() const {
        hx::unique_hkey opened;
        RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, opened.put());
        return CaxRegistry(std::move(opened));
    }
    std::string path;
    hx::unique_hkey key;
};

// "T:" or "F:" and the text ReadString leaves in a string that held
// "previous"; then "T:"/"F:" for ReadDWORD without default and the value it
// leaves in 0xAAAAAAAA, and what a read with default 5 leaves.
std::string ReadBack(CaxRegistry& reader, const char* name) {
    CaxCString text("previous");
    const BOOL isText = reader.ReadString(name, &text, CaxCString("dflt"));
    DWORD plain = 0xAAAAAAAAu, withDefault = 0xAAAAAAAAu;
    const BOOL isDword = reader.ReadDWORD(name, &plain);
    reader.ReadDWORD(name, &withDefault, 5);
    char dword[64];
    std::snprintf(dword, sizeof dword, " %c:%08lX/%lX", isDword ? 'T' : 'F', plain, withDefault);
    std::string shown(text.GetData() ? text.GetData() : "", text.GetLength());
    if (shown.size() > 12) shown = shown.substr(0, 4) + "...(" + std::to_string(shown.size()) + ")";
    return (isText ? "T:" : "F:") + shown + dword;
}

TEST(RuntimeRegistry, ValuesOfEveryShapeAndFailedQueriesGiveFalseOrTheDefault) {
    TestKey key("Software\\HXDigIOTest\\h5-registry");
    key.Set("nonul", REG_SZ, "abc");
    key.Set("long", REG_SZ, std::string(100000, 'x') + '\0');
    key.Set("huge", REG_BINARY, std::string(1 << 20, '\1'));
    key.Set("qword", REG_QWORD, std::string("\1\0\0\0\0\0\0\0", 8));
    key.Set("empty", REG_BINARY, "");
    key.Set("none", REG_NONE, std::string("\1\2\0\0", 4));
    key.Set("bigendian", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\1", 4));
    key.Set("dword6", REG_DWORD, std::string("\1\0\0\0\0\0", 6));
    key.Set("dword", REG_DWORD, std::string("\7\0\0\0", 4));
    key.Set("text", REG_SZ, std::string("hello\0", 6));
    CaxRegistry reader = key.Reader();
    // The query adds the terminator the value was stored without.
    EXPECT_EQ("T:abc F:00636261/5", ReadBack(reader, "nonul"));
    EXPECT_EQ("T:xxxx...(100000) F:AAAAAAAA/5", ReadBack(reader, "long"));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(reader, "huge"));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(reader, "qword"));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(reader, "empty"));
    EXPECT_EQ("F:dflt F:00000201/5", ReadBack(reader, "none"));
    EXPECT_EQ("F:dflt F:01000000/5", ReadBack(reader, "bigendian"));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(reader, "dword6"));

    unsigned long long injected = 0;
    {
        // Every query fails: as if no value were there.
        caxseam::ScopedFault fault(Point::RegistryQuery, {});
        EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(reader, "text"));
        EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(reader, "dword"));
        injected += fault.Injected();
    }
    {
        // The size query works, reading the text fails.
        caxseam::ScopedFault fault(Point::RegistryQuery, {1, 1});
        CaxCString text("previous");
        EXPECT_FALSE(reader.ReadString("text", &text, CaxCString("dflt")));
        EXPECT_STREQ("dflt", text.GetData());
        injected += fault.Injected();
    }
    Injected().Add("CaxRegistry", "RegistryQuery", injected, !HasFailure());
}

// Mode, level mask and global flag of a logger that reads its configuration.
std::string Configured(unsigned mode, unsigned level, unsigned global) {
    CaxLogging log("h5Cfg", caxlogging::kConfigFromRegistry, mode, level, global);
    return std::to_string(log.GetMode()) + "/" + std::to_string(log.GetLevel()) + "/" +
           std::to_string(log.GetGlobalLog()) + (log.GetTarget() ? "+target" : "");
}

TEST(RuntimeLogging, ConfigurationThatCannotBeOpenedOrReadKeepsTheConstructorsValues) {
    const std::string product = "Software\\Harlow\\Corvane";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, product.c_str());
    const auto set = [](const std::string& path, const char* name, DWORD value) {
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_DWORD,
                                                 &value, sizeof value));
    };
    set(product + "\\Error Logging", "Global ErrorLog Enabled", 1);
    set(product + "\\Error Logging\\h5Cfg", "Log Level", 8);
    set(product + "\\Error Logging\\h5Cfg", "Log Mode", caxlogging::kModeTrace);
    EXPECT_EQ("8/8/1+target", Configured(4, 0, 0));
    struct Case {
        Point point;
        unsigned skip;
        const char* configured;
    };
    const Case cases[] = {
        {Point::RegistryOpen, 0, "4/0/0"},         // the product key
        {Point::RegistryOpen, 1, "4/0/0"},         // "Error Logging"
        {Point::RegistryOpen, 2, "4/0/1"},         // the logger's own key: the flag was read
        {Point::RegistryQuery, 0, "8/8/0+target"}, // the flag: its default
        {Point::RegistryQuery, 1, "8/0/1"},        // "Log Level" keeps 0: no target
        {Point::RegistryQuery, 2, "4/8/1+target"}, // "Log Mode" keeps 4
    };
    unsigned long long injected = 0;
    for (const Case& c : cases) {
        caxseam::ScopedFault fault(c.point, {c.skip, 1});
        EXPECT_EQ(c.configured, Configured(4, 0, 0)) << caxseam::Name(c.point) << " " << c.skip;
        EXPECT_EQ(1u, fault.Injected()) << caxseam::Name(c.point) << " " << c.skip;
        injected += fault.Injected();
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, product.c_str());
    EXPECT_EQ(0u, CaxLogging::GetLiveLoggerCount());
    EXPECT_EQ(0u, CaxLogging::GetRegisteredTargetCount());
    Injected().Add("CaxLoggingConfigHXQ", "RegistryOpen+RegistryQuery", injected, !HasFailure());
}

// A worker thread class with a logger of the test's choosing.
struct LoggedWorker : CaxThread {
    LoggedWorker(const char* name, unsigned mode, unsigned level)
        : CaxThread(name, 0, mode, level, 0) {}
    ~LoggedWorker() override { EndWorker(); }
    BOOL Before() override {
        Sleep(1);
        return TRUE;
    }
};

// The file target throws when its file cannot be opened: the exception
// leaves the logger's (and a worker's) constructor with nothing made.
TEST(RuntimeLogging, ALogFileThatCannotBeOpenedThrowsFromTheConstructorAndLeavesNothing) {
    const int threads = hardening::ThreadCount();
    const auto attempt = [] {
        // A folder that does not exist, and a name the file system refuses.
        EXPECT_THROW(CaxLogging("h5-no-such-folder\\log", 0, caxlogging::kModeFile, 8, 0),
                     axIO::CaxIOException);
        EXPECT_THROW(CaxLogging("h5<bad|name>", 0, caxlogging::kModeFile, 1, 0),
                     axIO::CaxIOException);
        EXPECT_THROW(LoggedWorker("h5-no-such-folder\\worker", caxlogging::kModeFile, 8),
                     axIO::CaxIOException);
        // A file that could be opened, refused by the fault point.
        caxseam::ScopedFault fault(Point::LogFileOpen, {});
        EXPECT_THROW(CaxLogging("h5LogFile", 0, caxlogging::kModeFile, 8, 0), axIO::CaxIOException);
        return fault.Injected() + 3;
    };
    unsigned long long injected = attempt();
    const hardening::Resources before = hardening::Snapshot();
    for (int round = 0; round < 100; ++round)
        injected += attempt();
    const hardening::Resources after = hardening::Snapshot();
    EXPECT_EQ(0u, CaxLogging::GetLiveLoggerCount());
    EXPECT_EQ(0u, CaxLogging::GetRegisteredTargetCount());
    EXPECT_EQ(nullptr, CaxLogging::GetGlobalTarget());
    EXPECT_EQ(threads, hardening::ThreadCount());
    EXPECT_EQ(before.openHandles, after.openHandles);
    EXPECT_LT(after.heapBlocks - before.heapBlocks, 50) << "heap blocks left by 400 failed opens";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("c:\\h5LogFile.LOG"));
    Injected().Add("CaxLoggingTargetFile", "LogFileOpen", injected, !HasFailure());
}

// Targets whose platform calls fail stay in use and write nothing.
TEST(RuntimeLogging, AnEventLogOrConsoleThatDoesNotWorkWritesNothing) {
    unsigned long long injected = 0;
    {
        caxseam::ScopedFault fault(Point::EventSourceRegister, {});
        CaxLogging log("h5Events", 0, caxlogging::kModeEventLog, 8, 0);
        ASSERT_NE(nullptr, log.GetTarget());
        EXPECT_FALSE(log.GetTarget()->IsOpened());
        EXPECT_EQ(0, log.Log(8, "%s", "lost"));
        EXPECT_EQ(0, log.GetTarget()->WriteRaw("raw", 3));
        injected += fault.Injected();
    }
    {
        // Events that cannot be reported are not reported as failures.
        CaxLoggingTargetEventLog events;
        ASSERT_TRUE(events.Open("h5Events"));
        caxseam::ScopedFault fault(Point::EventReport, {});
        EXPECT_EQ(4, events.Write("text"));
        EXPECT_EQ(3, events.WriteRaw("raw", 3));
        EXPECT_EQ(1u, events.GetEventNumber());
        injected += fault.Injected();
    }
    {
        // No console to be had: the target opens (as the console target
        // always does) and every write answers 0.
        caxseam::ScopedFault noConsole(Point::ConsoleAllocate, {});
        caxseam::ScopedFault noOutput(Point::ConsoleOutput, {});
        CaxLogging log("h5Console", 0, caxlogging::kModeConsole, 8, 0);
        ASSERT_NE(nullptr, log.GetTarget());
        EXPECT_TRUE(log.GetTarget()->IsOpened());
        EXPECT_EQ(0, log.Log(8, "%s\r\n", "lost"));
        injected += noConsole.Injected() + noOutput.Injected();
    }
    {
        caxseam::ScopedFault noConsole(Point::ConsoleAllocate, {});
        caxseam::ScopedFault failingWrites(Point::ConsoleWrite, {});
        CaxLogging log("h5Console", 0, caxlogging::kModeConsole, 8, 0);
        EXPECT_EQ(0, log.Log(8, "%s\r\n", "lost"));
        EXPECT_EQ(0, log.GetTarget()->Write("lost"));
        injected += noConsole.Injected() + failingWrites.Injected();
    }
    EXPECT_EQ(0u, CaxLogging::GetLiveLoggerCount());
    EXPECT_EQ(0u, CaxLogging::GetRegisteredTargetCount());
    Injected().Add("logging targets", "EventLog+Console", injected, !HasFailure());
}

// When the string class runs out of memory inside a logger or a worker's
// construction, the int it throws leaves the constructor and nothing stays:
// no logger counted, no target registered, no thread, no handle.
TEST(RuntimeStrings, MemoryRunningOutInALoggerOrWorkerLeavesNothingBehind) {
    const int threads = hardening::ThreadCount();
    // Each subject is made, used and destroyed; answers the allocations that
    // failed on the way.
    const auto sweep = [](const char* subject, const std::function<void()>& run) {
        unsigned long long injected = 0;
        for (unsigned k = 0; k < 64; ++k) {
            Note(std::string("string allocation ") + std::to_string(k) + " in " + subject);
            caxseam::ScopedFault fault(Point::StringAllocation, {k, 1});
            bool threw = false;
            try {
                run();
            } catch (int value) {
                EXPECT_EQ(-1, value);
                threw = true;
            }
            if (fault.Injected() == 0) {
                EXPECT_FALSE(threw);
                return injected;
            }
            injected += fault.Injected();
            EXPECT_EQ(0u, CaxLogging::GetLiveLoggerCount()) << subject << " " << k;
            EXPECT_EQ(0u, CaxLogging::GetRegisteredTargetCount()) << subject << " " << k;
        }
        ADD_FAILURE() << subject << " never ran out of allocations";
        return injected;
    };
    const auto logger = [] {
        CaxLogging log("h5Strings", 0, caxlogging::kModeTrace, 8, 0);
        log.SetPrefix("%s::", "h5Strings");
        log.Log(8, "line %d\r\n", 1);
    };
    const auto shared = [] {
        CaxLogging first("h5Shared", 0, caxlogging::kModeTrace, 8, 0);
        CaxLogging second("h5Shared", 0, caxlogging::kModeTrace, 8, 1);
        second.Log(8, "shared\r\n");
    };
    const auto worker = [] {
        LoggedWorker thread("h5Worker", caxlogging::kModeTrace, 8);
        thread.Start();
        thread.Stop();
    };
    unsigned long long injected = 0;
    const hardening::Resources before = hardening::Snapshot();
    for (int round = 0; round < 20; ++round) {
        injected += sweep("logger", logger);
        injected += sweep("shared loggers", shared);
        injected += sweep("worker", worker);
    }
    const hardening::Resources after = hardening::Snapshot();
    EXPECT_TRUE(Eventually([&] { return hardening::ThreadCount() <= threads; }));
    EXPECT_EQ(before.openHandles, after.openHandles);
    EXPECT_LT(after.heapBlocks - before.heapBlocks, 50) << "heap blocks left";
    EXPECT_GE(injected, 20u * 3);
    Injected().Add("CaxLogging and CaxThread", "StringAllocation", injected, !HasFailure());
}

} // namespace
