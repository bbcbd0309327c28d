#include "HostileFuzzer.h"

#include "AtlHost.h"
#include "ControlTestSupport.h"
#include "HostileObjects.h"
#include "OleTestContainer.h"

#include <olectl.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>

namespace hostile {

namespace {

using namespace hxtest;

// ---- the control's interface as a container sees it ------------------------------------

struct Member {
    DISPID id;
    const char* name;
    bool property;
    bool readOnly;
    std::vector<VARTYPE> params;
    VARTYPE result;
};

const std::vector<Member>& Members() {
    static const std::vector<Member> members = {
        {idNumInputs, "NumInputs", true, true, {}, VT_I4},
        {idNumOutputs, "NumOutputs", true, true, {}, VT_I4},
        {idImage, "Image", true, false, {}, VT_I8},
        {idIsBasicDigIO, "IsBasicDigIO", true, true, {}, VT_BOOL},
        {idGetInDWORD, "GetInDWORD", false, false, {VT_I4}, VT_I4},
        {idGetOutDWORD, "GetOutDWORD", false, false, {VT_I4}, VT_I4},
        {idSetOutDWORD, "SetOutDWORD", false, false, {VT_I4, VT_I4, VT_I4}, VT_I4},
        {idSetOutBit, "SetOutBit", false, false, {VT_I4, VT_I4}, VT_I4},
        {idBitListenerStart, "BitListenerStart", false, false, {VT_I8}, VT_BOOL},
        {idBitListenerDestroy, "BitListenerDestroy", false, false, {VT_I8}, VT_BOOL},
        {idBitListenerCreate, "BitListenerCreate", false, false, {VT_I4, VT_I4, VT_I4}, VT_I8},
        {idGetInBit, "GetInBit", false, false, {VT_I4}, VT_I4},
        {idGetOutBit, "GetOutBit", false, false, {VT_I4}, VT_I4},
        {idBitListenerStop, "BitListenerStop", false, false, {VT_I8}, VT_BOOL},
        {idDWORDListenerCreate, "DWORDListenerCreate", false, false, {VT_I4, VT_I4, VT_I4}, VT_I8},
        {idDWORDListenerDestroy, "DWORDListenerDestroy", false, false, {VT_I8}, VT_BOOL},
        {idDWORDListenerStart, "DWORDListenerStart", false, false, {VT_I8}, VT_BOOL},
        {idDWORDListenerStop, "DWORDListenerStop", false, false, {VT_I8}, VT_BOOL},
        {idBitTogglerCreate, "BitTogglerCreate", false, false, {VT_I4, VT_I4}, VT_I8},
        {idBitTogglerDestroy, "BitTogglerDestroy", false, false, {VT_I8}, VT_BOOL},
        {idBitTogglerStart, "BitTogglerStart", false, false, {VT_I8}, VT_BOOL},
        {DISPID_ABOUTBOX, "AboutBox", false, false, {}, VT_EMPTY},
    };
    return members;
}

const Member* FindMember(DISPID id) {
    for (const Member& member : Members())
        if (member.id == id) return &member;
    return nullptr;
}

bool IsCreate(DISPID id) {
    return id == idBitListenerCreate || id == idDWORDListenerCreate || id == idBitTogglerCreate;
}

// ---- what each situation may answer ---------------------------------------------------

const std::set<HRESULT> kDispatchErrors = {
    DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTOPTIONAL, DISP_E_NONAMEDARGS,
    DISP_E_TYPEMISMATCH,   DISP_E_OVERFLOW,      DISP_E_BADVARTYPE,       DISP_E_PARAMNOTFOUND,
    E_INVALIDARG,          E_OUTOFMEMORY,
};

std::set<HRESULT> With(std::set<HRESULT> set, std::initializer_list<HRESULT> more) {
    set.insert(more);
    return set;
}

struct Situation {
    const char* name;
    std::set<HRESULT> allowed;
};
const Situation kBadInterface = {"interface id other than IID_NULL", {DISP_E_UNKNOWNINTERFACE}};
const Situation kMalformed = {"DISPPARAMS missing or inconsistent", {E_INVALIDARG, E_POINTER}};
const Situation kUnknown = {"member that does not exist", {DISP_E_MEMBERNOTFOUND}};
// DISP_E_EXCEPTION only with CTL_E_SETNOTSUPPORTED in EXCEPINFO.
const Situation kReadOnlyPut = {"put of a read-only property",
                                With(kDispatchErrors, {DISP_E_EXCEPTION})};
const Situation kAnyArguments = {"member with arguments of any kind",
                                 With(kDispatchErrors, {S_OK})};
const Situation kTyped = {"member with arguments of its own types", {S_OK}};
const Situation kStreamLoad = {"IPersistStreamInit::Load of damaged data",
                               {S_OK, STG_E_READFAULT, STG_E_INVALIDHEADER, STG_E_DOCFILECORRUPT,
                                E_OUTOFMEMORY, E_FAIL, E_POINTER}};
const Situation kStorageLoad = {"IPersistStorage::Load of damaged data",
                                {S_OK, STG_E_READFAULT, STG_E_INVALIDHEADER, STG_E_DOCFILECORRUPT,
                                 STG_E_FILENOTFOUND, E_OUTOFMEMORY, E_FAIL, E_POINTER}};
const Situation kBagLoad = {"IPersistPropertyBag::Load of any bag", {S_OK, E_POINTER}};
const Situation kNames = {"GetIDsOfNames",
                          {S_OK, DISP_E_UNKNOWNNAME, DISP_E_UNKNOWNINTERFACE, E_INVALIDARG}};
const Situation kTypeInfo = {"GetTypeInfo", {S_OK, DISP_E_BADINDEX, E_INVALIDARG}};

// ---- a sink that checks what it is fired ----------------------------------------------

// Leaves every Continue FALSE (so that no "Error" box is raised) and checks
// each event: its arguments, the error's code and text, the worker's handle.
class CheckingSink : public EventSink {
public:
    explicit CheckingSink(DWORD mainThread)
        : EventSink(DIID__DHXdigIOEvents), m_mainThread(mainThread) {}
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        const bool main = GetCurrentThreadId() == m_mainThread;
        std::string problem;
        std::string name;
        const auto arg = [params](UINT i) -> const VARIANT& {
            return params->rgvarg[params->cArgs - 1 - i];
        };
        switch (dispid) {
        case evHXKError: {
            if (!params || params->cArgs != 3 || arg(0).vt != VT_I4 || arg(1).vt != VT_BSTR ||
                arg(2).vt != (VT_BOOL | VT_BYREF) || !arg(2).pboolVal) {
                problem = "HXKError with malformed arguments";
                break;
            }
            *arg(2).pboolVal = VARIANT_FALSE; // Continue FALSE: no box
            const long code = arg(0).lVal;
            const std::string text = Narrow(arg(1).bstrVal);
            static const std::map<long, std::set<std::string>> texts = {
                {11, {"Can't read number of input ports!", "Can't read number of output ports!"}},
                {13, {"Invalid port!"}},
                {14, {"Couldn't read port!"}},
                {15, {"Couldn't write port!"}},
                {17, {"Missing BasicDigIO interface!"}},
            };
            const auto found = texts.find(code);
            if (found == texts.end() || !found->second.count(text))
                problem = "HXKError " + std::to_string(code) + " \"" + text + "\"";
            // Only a worker's read fails on a thread of its own.
            if (!main && code != 14)
                problem = "HXKError " + std::to_string(code) + " off the window thread";
            name = "HXKError " + std::to_string(code) + (main ? "" : " (worker thread)");
            if (main) {
                std::lock_guard<std::mutex> hold(m_lock);
                ++m_mainErrors[code];
            }
            break;
        }
        case evImageUpdated:
            if (!params || params->cArgs != 0) problem = "ImageUpdated with arguments";
            if (!main) problem = "ImageUpdated off the window thread";
            name = "ImageUpdated";
            if (main) ++m_updates;
            break;
        case evListener:
        case evToggler: {
            name = dispid == evListener ? "Listener" : "Toggler";
            if (!params || params->cArgs != 3 || arg(0).vt != VT_I8 || arg(1).vt != VT_I4 ||
                arg(2).vt != VT_I4) {
                problem = name + " with malformed arguments";
                break;
            }
            const LONGLONG handle = arg(0).llVal;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                const auto& known = dispid == evListener ? m_listeners : m_togglers;
                if (!known.count(handle))
                    problem = name + " for a handle never created: " + std::to_string(handle);
            }
            if (dispid == evListener && main) problem += PaceListener(handle);
            break;
        }
        default:
            problem = "unknown event " + std::to_string(dispid);
        }
        std::lock_guard<std::mutex> hold(m_lock);
        ++m_events[name.empty() ? "?" : name];
        if (!problem.empty()) m_problems.push_back(problem);
        return S_OK;
    }

    // The control, borrowed, for the handlers that stop or destroy listeners.
    void Attach(IDispatch* control) { m_control = control; }
    // Listeners a handler destroyed, for the fuzzer's model.
    std::vector<LONGLONG> TakeDestroyed() { return std::exchange(m_destroyed, {}); }

    void KnowListener(LONGLONG handle) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_listeners.insert(handle);
    }
    void KnowToggler(LONGLONG handle) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_togglers.insert(handle);
    }
    // Events of the window thread: ImageUpdated count and HXKError per code.
    std::map<long, long> MainErrors() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_mainErrors;
    }
    long Updates() const { return m_updates; }
    std::vector<std::string> TakeProblems() {
        std::lock_guard<std::mutex> hold(m_lock);
        return std::exchange(m_problems, {});
    }
    std::map<std::string, std::uint64_t> Events() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_events;
    }

private:
    // A listener whose input keeps its value reports back to back, paced only
    // by its handler, and the window thread's message loop gets no further
    // while it does. Like a container, the handler ends each run of reports
    // after a while: it stops the listener (the stop is posted and done once
    // the handler has returned), or now and then destroys it.
    std::string PaceListener(LONGLONG handle) {
        if (!m_control) return "";
        long& run = m_runs[handle];
        if (++run < 1 + static_cast<long>((static_cast<ULONGLONG>(handle) >> 4) % 40)) return "";
        run = 0;
        const bool destroy = (++m_paced % 5) == 0;
        const DISPID id = destroy ? ((m_paced & 8) ? idDWORDListenerDestroy : idBitListenerDestroy)
                                  : ((m_paced & 2) ? idDWORDListenerStop : idBitListenerStop);
        VARIANT arg;
        arg.vt = VT_I8;
        arg.llVal = handle;
        DISPPARAMS params = {&arg, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = m_control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                             &params, &result, nullptr, nullptr);
        if (hr != S_OK || result.vt != VT_BOOL)
            return " a handler's " + std::string(destroy ? "Destroy" : "Stop") + " failed";
        if (destroy && result.boolVal != VARIANT_FALSE) m_destroyed.push_back(handle);
        // Stop answers TRUE; Destroy TRUE unless a handler destroyed it already.
        if (!destroy && result.boolVal == VARIANT_FALSE) return " a handler's Stop answered FALSE";
        return "";
    }

    IDispatch* m_control = nullptr;
    std::map<LONGLONG, long> m_runs;
    unsigned m_paced = 0;
    std::vector<LONGLONG> m_destroyed;
    const DWORD m_mainThread;
    std::mutex m_lock;
    std::set<LONGLONG> m_listeners, m_togglers;
    std::map<long, long> m_mainErrors;
    std::atomic<long> m_updates{0};
    std::map<std::string, std::uint64_t> m_events;
    std::vector<std::string> m_problems;
};

// ---- the simulated devices --------------------------------------------------------------

struct PoolImage {
    HXKIMAGE image;
    int32_t inputs, outputs;
    bool digIO;
    std::set<int32_t> faults;
};

LONGLONG HandleOf(HXKIMAGE image) {
    return reinterpret_cast<intptr_t>(image);
}

// ---- the run ---------------------------------------------------------------------------

class Fuzzer {
public:
    Fuzzer(const Options& options, Results& results)
        : m_options(options), m_results(results), m_rng(options.seed),
          m_mainThread(GetCurrentThreadId()), m_variants(m_rng) {}

    void Run();

private:
    // Randomness.
    uint64_t Next() { return m_rng(); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    template <class T> const T& Pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(Between(0, static_cast<int>(items.size()) - 1))];
    }

    void Violation(const std::string& what) {
        ++m_results.violationCount;
        if (m_results.violations.size() < 50)
            m_results.violations.push_back("call " + std::to_string(m_results.calls) + " (" +
                                           m_current + "): " + what);
    }
    void Note(const std::string& action) {
        m_current = action;
        ++m_results.actions[action.substr(0, action.find(':'))];
        hardening::ActionLog::Instance().Note("seed " + std::to_string(m_options.seed) + " call " +
                                              std::to_string(m_results.calls) + ": " + action);
    }

    // The control and its host.
    void MakeControl();
    void ReleaseControl(bool final);
    void CheckNothingLeft(const char* when);

    // Actions.
    void RandomInvoke();
    void Bind();
    void ReadProperties();
    void PortMethod();
    void CreateWorker();
    void StartStopDestroy();
    void Device();
    void Fault();
    void Persistence();
    void Names();
    void TypeInfo();
    void About();

    // One Invoke with everything given; counts and classifies the answer.
    HRESULT Invoke(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr, const Situation& situation);
    // A call with arguments of the member's own types that must succeed.
    Var Typed(DISPID id, WORD flags, const std::vector<Var>& args);
    void ExpectMainEvents(const std::map<long, long>& errorsBefore, long updatesBefore,
                          const std::map<long, long>& expectedErrors, long expectedUpdates);

    // Handles to offer: live, stale and made up.
    LONGLONG SomeWorkerHandle();
    LONGLONG SomeImageHandle();
    PoolImage* Live(LONGLONG handle);
    bool Faulty(const PoolImage* image, int32_t op) const {
        return image && image->faults.count(op) != 0;
    }

    const Options& m_options;
    Results& m_results;
    std::mt19937_64 m_rng;
    const DWORD m_mainThread;
    VariantFactory m_variants;
    std::string m_current;

    LoadedModule m_module;
    std::unique_ptr<TestContainer> m_container;
    HWND m_atlFrame = nullptr, m_atlHost = nullptr;
    hx::com_ptr<IUnknown> m_object;
    hx::com_ptr<IDispatch> m_control;
    hx::com_ptr<CheckingSink> m_sink;
    hx::com_ptr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    int m_threadsBase = 0;
    int32_t m_stopwatchesBefore = 0;

    std::deque<PoolImage> m_images;
    std::vector<LONGLONG> m_staleImages;
    // The model of the control.
    LONGLONG m_bound = 0;
    int32_t m_inputs = 0, m_outputs = 0;
    std::set<LONGLONG> m_listeners, m_togglers; // live workers
    std::vector<LONGLONG> m_deadWorkers;        // destroyed, or of a released control
    bool m_unknownWorkers = false;              // made without the caller taking the handle
    std::vector<std::vector<BYTE>> m_saved;     // streams the control saved
};

// ---- the control and its host -------------------------------------------------------

void Fuzzer::MakeControl() {
    if (m_options.host == Host::Form) {
        hx::com_ptr<IDispatch> made;
        if (FAILED(m_module.CreateControl(made))) {
            Violation("the factory made no control");
            return;
        }
        m_container = std::make_unique<TestContainer>();
        if (FAILED(m_container->Place(made.get()))) Violation("the control was not placed");
        m_object = made.query<IUnknown>(IID_IUnknown);
    } else {
        if (!m_atlFrame) {
            m_atlFrame = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CLIPCHILDREN, 60, 60, 400,
                                         300, nullptr, nullptr, nullptr, nullptr);
            ShowWindow(m_atlFrame, SW_SHOWNOACTIVATE);
        }
        m_atlHost = CreateWindowExA(0, "AtlAxWin100", kControlProgID, WS_CHILD | WS_VISIBLE, 10, 10,
                                    200, 100, m_atlFrame, nullptr, nullptr, nullptr);
        using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
        const auto getControl = reinterpret_cast<GetControl>(
            reinterpret_cast<void*>(GetProcAddress(AtlLibrary(), "AtlAxGetControl")));
        if (m_atlHost && getControl) getControl(m_atlHost, m_object.put());
        if (!m_object) {
            Violation("the ATL host made no control");
            return;
        }
    }
    m_control = m_object.query<IDispatch>(IID_IDispatch);
    m_sink = hx::com_ptr<CheckingSink>::attach(new CheckingSink(m_mainThread));
    m_sink->Attach(m_control.get());
    m_point = PointOf(m_object.get(), DIID__DHXdigIOEvents);
    if (!m_point || FAILED(m_point->Advise(m_sink.get(), &m_cookie)))
        Violation("no event connection");
    m_bound = 0;
    m_inputs = m_outputs = 0;
    m_unknownWorkers = false;
    ++m_results.controls;
    PumpFor(1);
}

void Fuzzer::ReleaseControl(bool final) {
    if (!m_object) return;
    for (LONGLONG handle : m_listeners)
        m_deadWorkers.push_back(handle);
    for (LONGLONG handle : m_togglers)
        m_deadWorkers.push_back(handle);
    m_listeners.clear();
    m_togglers.clear();
    if (m_point) m_point->Unadvise(m_cookie);
    m_point.reset();
    m_sink->Attach(nullptr);
    m_control.reset();
    if (m_options.host == Host::Form) {
        m_container->Remove();
        m_container.reset();
        const ULONG left = m_object.detach()->Release();
        if (left != 0) Violation("the control kept " + std::to_string(left) + " references");
    } else {
        // The host holds the control until its window goes.
        IUnknown* object = m_object.detach();
        DestroyWindow(m_atlHost);
        m_atlHost = nullptr;
        PumpFor(5);
        const ULONG left = object->Release();
        if (left != 0) Violation("the control kept " + std::to_string(left) + " references");
    }
    PumpFor(2);
    ++m_results.leakChecks;
    if (m_sink->RefCount() != 1)
        Violation("the sink kept " + std::to_string(m_sink->RefCount() - 1) + " references");
    for (const std::string& problem : m_sink->TakeProblems())
        Violation(problem);
    for (const auto& [name, count] : m_sink->Events())
        m_results.events[name] += count;
    m_sink.reset();
    CheckNothingLeft(final ? "the end" : "a release");
}

// No image reference but the fuzzer's own, no argument object held, no
// worker thread.
void Fuzzer::CheckNothingLeft(const char* when) {
    ++m_results.leakChecks;
    for (const PoolImage& image : m_images)
        if (HXKSimImageRefCount(image.image) != 1)
            Violation(std::string("at ") + when + " an image holds " +
                      std::to_string(HXKSimImageRefCount(image.image)) + " references");
    if (HXKSimLiveImageCount() != static_cast<int32_t>(m_images.size()))
        Violation(std::string("at ") + when +
                  " live images: " + std::to_string(HXKSimLiveImageCount()));
    for (const std::string& held : m_variants.HeldObjects())
        Violation(std::string("at ") + when + ": " + held);
    for (int i = 0; i < 400 && hardening::ThreadCount() > m_threadsBase; ++i)
        PumpFor(5);
    if (hardening::ThreadCount() > m_threadsBase)
        Violation(std::string("at ") + when + " threads left:" + hardening::DescribeThreads());
}

// ---- handles ----------------------------------------------------------------------------

PoolImage* Fuzzer::Live(LONGLONG handle) {
    for (PoolImage& image : m_images)
        if (HandleOf(image.image) == handle) return &image;
    return nullptr;
}

LONGLONG Fuzzer::SomeImageHandle() {
    switch (Between(0, 9)) {
    case 0:
        return 0;
    case 1:
        return Pick(m_staleImages);
    case 2: {
        // Made up: never a live image.
        static const std::vector<LONGLONG> madeUp = {1, -1, 0x7FFFFFFFFFFFFFFFLL, 4096,
                                                     static_cast<LONGLONG>(0x8000000000000000ULL)};
        return Chance(0.5) ? Pick(madeUp) : static_cast<LONGLONG>(Next() | 1);
    }
    case 3:
        return m_listeners.empty() ? 12345 : *m_listeners.begin(); // a worker, not an image
    default:
        return HandleOf(
            m_images[static_cast<size_t>(Between(0, static_cast<int>(m_images.size()) - 1))].image);
    }
}

LONGLONG Fuzzer::SomeWorkerHandle() {
    const int kind = Between(0, 9);
    if (kind <= 3 && !m_listeners.empty()) {
        auto it = m_listeners.begin();
        std::advance(it, Between(0, static_cast<int>(m_listeners.size()) - 1));
        return *it;
    }
    if (kind <= 5 && !m_togglers.empty()) {
        auto it = m_togglers.begin();
        std::advance(it, Between(0, static_cast<int>(m_togglers.size()) - 1));
        return *it;
    }
    if (kind <= 7 && !m_deadWorkers.empty()) return Pick(m_deadWorkers);
    if (kind == 8) return SomeImageHandle();
    static const std::vector<LONGLONG> madeUp = {0, -1, 1, 8, 0x7FFFFFFFFFFFFFFFLL};
    return Chance(0.5) ? Pick(madeUp) : static_cast<LONGLONG>(Next() & ~7ULL);
}

// ---- calls ------------------------------------------------------------------------------

HRESULT Fuzzer::Invoke(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* excep, UINT* argErr, const Situation& situation) {
    if (excep) *excep = EXCEPINFO{};
    const HRESULT hr =
        m_control->Invoke(id, iid, LOCALE_USER_DEFAULT, flags, params, result, excep, argErr);
    ++m_results.hresults[hr];
    ++m_results.situations[situation.name][hr];
    if (!situation.allowed.count(hr))
        Violation(std::string(situation.name) + " answered " + HResultName(hr));
    if (hr == DISP_E_EXCEPTION && excep) {
        // The only error the control raises is the set-not-supported error
        // of its read-only properties; anything else escaped a member.
        if (excep->scode != CTL_E_SETNOTSUPPORTED)
            Violation("an exception with scode " + HResultName(excep->scode));
        SysFreeString(excep->bstrSource);
        SysFreeString(excep->bstrDescription);
        SysFreeString(excep->bstrHelpFile);
    }
    return hr;
}

Var Fuzzer::Typed(DISPID id, WORD flags, const std::vector<Var>& args) {
    hxtest::DispArgs call(args, flags);
    Var result;
    EXCEPINFO excep;
    UINT argErr = 0;
    const HRESULT hr =
        Invoke(id, IID_NULL, flags, &call.params, &result.v, &excep, &argErr, kTyped);
    const Member* member = FindMember(id);
    if (hr == S_OK && member) {
        const VARTYPE expected = call.IsPut() ? static_cast<VARTYPE>(VT_EMPTY) : member->result;
        if (result.v.vt != expected)
            Violation(std::string(member->name) + " answered a VARIANT of type " +
                      std::to_string(result.v.vt));
    }
    return result;
}

void Fuzzer::ExpectMainEvents(const std::map<long, long>& errorsBefore, long updatesBefore,
                              const std::map<long, long>& expectedErrors, long expectedUpdates) {
    std::map<long, long> delta = m_sink->MainErrors();
    for (const auto& [code, count] : errorsBefore)
        delta[code] -= count;
    for (auto it = delta.begin(); it != delta.end();)
        it = it->second == 0 ? delta.erase(it) : std::next(it);
    if (delta != expectedErrors) {
        std::string got, want;
        for (const auto& [code, count] : delta)
            got += " " + std::to_string(code) + "x" + std::to_string(count);
        for (const auto& [code, count] : expectedErrors)
            want += " " + std::to_string(code) + "x" + std::to_string(count);
        Violation("HXKError events" + (got.empty() ? std::string(" none") : got) + ", expected" +
                  (want.empty() ? std::string(" none") : want));
    }
    if (m_sink->Updates() - updatesBefore != expectedUpdates)
        Violation("ImageUpdated fired " + std::to_string(m_sink->Updates() - updatesBefore) +
                  " times, expected " + std::to_string(expectedUpdates));
}

void Fuzzer::RandomInvoke() {
    // The member: mostly one of the control's, sometimes anything.
    DISPID id;
    const int which = Between(0, 19);
    if (which < 14) {
        do {
            id = Pick(Members()).id;
        } while (id == DISPID_ABOUTBOX);
    } else if (which < 17) {
        static const std::vector<DISPID> nearby = {
            0, -1, -2, -3, -4, -5, -550, 22, 23, 100, 0x7FFFFFFF, static_cast<DISPID>(0x80000000)};
        id = Pick(nearby);
    } else {
        do {
            id = static_cast<DISPID>(Next());
        } while (id == DISPID_ABOUTBOX);
    }
    static const std::vector<WORD> flagChoices = {
        DISPATCH_METHOD,
        DISPATCH_PROPERTYGET,
        DISPATCH_METHOD | DISPATCH_PROPERTYGET,
        DISPATCH_PROPERTYPUT,
        DISPATCH_PROPERTYPUTREF,
        DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF,
        0,
    };
    const WORD flags = Chance(0.9) ? Pick(flagChoices) : static_cast<WORD>(Next());
    const Member* member = FindMember(id);

    // The arguments: mostly as many as the member takes.
    UINT count;
    if (member && Chance(0.6))
        count = static_cast<UINT>(member->params.size() + ((flags & DISPATCH_PROPERTYPUT) ? 1 : 0));
    else if (Chance(0.9))
        count = static_cast<UINT>(Between(0, 4));
    else
        count = static_cast<UINT>(Between(5, 40));
    std::vector<VARIANT> args(count);
    for (UINT i = 0; i < count; ++i) {
        // Mostly of the member's type, else anything.
        const bool typed = member && Chance(0.5);
        VARTYPE wanted = VT_I4;
        if (typed) {
            const UINT natural = count - 1 - i; // rgvarg holds the last first
            wanted = natural < member->params.size() ? member->params[natural]
                                                     : static_cast<VARTYPE>(VT_I8);
        }
        args[i] = typed ? m_variants.Typed(wanted, SomeWorkerHandle(), SomeImageHandle())
                        : m_variants.Any();
    }
    std::vector<DISPID> named;
    UINT namedCount = 0;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        namedCount = Chance(0.85) ? 1 : static_cast<UINT>(Between(0, 3));
    } else if (Chance(0.1)) {
        namedCount = static_cast<UINT>(Between(1, 3));
    }
    for (UINT i = 0; i < namedCount; ++i)
        named.push_back(Chance(0.8) ? DISPID_PROPERTYPUT : static_cast<DISPID>(Between(-5, 5)));
    DISPPARAMS params = {args.empty() ? nullptr : args.data(),
                         named.empty() ? nullptr : named.data(), count,
                         std::min(namedCount, count)};
    // Malformed now and then.
    bool malformed = false;
    if (Chance(0.02)) params.cNamedArgs = count + 1, malformed = true;
    if (count > 0 && Chance(0.02)) params.rgvarg = nullptr, malformed = true;
    if (params.cNamedArgs > 0 && Chance(0.05)) params.rgdispidNamedArgs = nullptr, malformed = true;
    if (params.cNamedArgs > params.cArgs) malformed = true;
    const bool noParams = Chance(0.02);
    IID iid = IID_NULL;
    const bool badIid = Chance(0.03);
    if (badIid) iid = Chance(0.5) ? IID_IDispatch : DIID__DHXdigIO;

    Var result;
    EXCEPINFO excep;
    UINT argErr = 0;
    const bool wantResult = Chance(0.85);
    const bool wantExcep = Chance(0.8);
    const bool wantArgErr = Chance(0.8);

    // What the situation allows.
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const Situation* situation = &kAnyArguments;
    if (badIid)
        situation = &kBadInterface;
    else if (noParams || malformed)
        situation = &kMalformed;
    else if (!member || (id == DISPID_ABOUTBOX && !m_options.aboutBox))
        situation = &kUnknown;
    else if (isPut && member->property && member->readOnly)
        situation = &kReadOnlyPut;
    Note("invoke: " + std::to_string(id) + " flags " + std::to_string(flags) + " args " +
         std::to_string(count) + " named " + std::to_string(namedCount));
    const LONGLONG boundBefore = m_bound;
    const HRESULT hr =
        Invoke(id, iid, flags, noParams ? nullptr : &params, wantResult ? &result.v : nullptr,
               wantExcep ? &excep : nullptr, wantArgErr ? &argErr : nullptr, *situation);
    if (wantArgErr && FAILED(hr) && (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) &&
        argErr >= count)
        Violation("puArgErr " + std::to_string(argErr) + " of " + std::to_string(count) +
                  " arguments");

    // Keep the model in step with what a call that went through did.
    if (hr == S_OK && member) {
        if (wantResult) {
            const VARTYPE expected = isPut ? static_cast<VARTYPE>(VT_EMPTY) : member->result;
            if (result.v.vt != expected)
                Violation(std::string(member->name) + " answered type " +
                          std::to_string(result.v.vt));
        }
        // A worker made for a caller that took no answer: its handle is
        // nobody's to know, and may be the address a destroyed one had.
        if (IsCreate(id) && !wantResult) m_unknownWorkers = true;
        if (IsCreate(id) && wantResult && result.v.vt == VT_I8 && result.v.llVal != 0) {
            ++m_results.workers;
            if (id == idBitTogglerCreate) {
                m_sink->KnowToggler(result.v.llVal);
                m_togglers.insert(result.v.llVal);
            } else {
                m_sink->KnowListener(result.v.llVal);
                m_listeners.insert(result.v.llVal);
            }
        }
        const bool destroys =
            id == idBitListenerDestroy || id == idDWORDListenerDestroy || id == idBitTogglerDestroy;
        if (destroys || (id == idImage && isPut)) {
            // The argument as the control took it.
            Var taken;
            const VARIANT& last = params.rgvarg[0];
            if (SUCCEEDED(VariantChangeTypeEx(&taken.v, const_cast<VARIANT*>(&last),
                                              LOCALE_USER_DEFAULT, 0, VT_I8))) {
                const LONGLONG handle = taken.v.llVal;
                // Destroy finds exactly the workers of its own list, whether
                // or not the caller took the answer.
                auto& list = id == idBitTogglerDestroy ? m_togglers : m_listeners;
                if (destroys) {
                    const bool mine = list.count(handle) != 0;
                    if (wantResult && (result.v.boolVal != VARIANT_FALSE) != mine &&
                        !(result.v.boolVal != VARIANT_FALSE && m_unknownWorkers))
                        Violation("a Destroy answered otherwise than its list says");
                    if (mine) {
                        list.erase(handle);
                        m_deadWorkers.push_back(handle);
                    }
                }
            }
            if (id == idImage && isPut) {
                // Read the binding back: the old one or the new one.
                m_bound = Typed(idImage, DISPATCH_PROPERTYGET, {}).v.llVal;
                m_inputs = Typed(idNumInputs, DISPATCH_PROPERTYGET, {}).v.lVal;
                m_outputs = Typed(idNumOutputs, DISPATCH_PROPERTYGET, {}).v.lVal;
                if (m_bound != boundBefore && m_bound != 0 && !Live(m_bound))
                    Violation("bound to a handle that is no live image");
            }
        }
    }
    if (wantExcep && hr != DISP_E_EXCEPTION) {
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }
    m_variants.Release();
}

void Fuzzer::Bind() {
    const LONGLONG handle = SomeImageHandle();
    Note("bind: " + std::to_string(handle));
    const auto errors = m_sink->MainErrors();
    const long updates = m_sink->Updates();
    PoolImage* image = Live(handle);
    std::map<long, long> expectedErrors;
    long expectedUpdates = 0;
    if (handle == m_bound) {
        // Nothing at all.
    } else if (handle != 0 && (!image || !image->digIO || Faulty(image, 700))) {
        expectedErrors[17] = 1;
    } else {
        expectedUpdates = 1;
        if (handle == 0) {
            m_inputs = m_outputs = 0;
        } else {
            if (Faulty(image, 701))
                ++expectedErrors[11];
            else
                m_inputs = image->inputs;
            if (Faulty(image, 702))
                ++expectedErrors[11];
            else
                m_outputs = image->outputs;
        }
        m_bound = handle;
    }
    Typed(idImage, DISPATCH_PROPERTYPUT, {I8(handle)});
    ExpectMainEvents(errors, updates, expectedErrors, expectedUpdates);
}

void Fuzzer::ReadProperties() {
    Note("properties");
    const Var image = Typed(idImage, DISPATCH_PROPERTYGET, {});
    if (image.v.llVal != m_bound) Violation("Image reads " + std::to_string(image.v.llVal));
    if (Typed(idNumInputs, DISPATCH_PROPERTYGET, {}).v.lVal != m_inputs) Violation("NumInputs");
    if (Typed(idNumOutputs, DISPATCH_PROPERTYGET, {}).v.lVal != m_outputs) Violation("NumOutputs");
    const PoolImage* bound = Live(m_bound);
    const bool digIO = bound && bound->digIO && !Faulty(bound, 700);
    if ((Typed(idIsBasicDigIO, DISPATCH_PROPERTYGET, {}).v.boolVal != VARIANT_FALSE) != digIO)
        Violation("IsBasicDigIO");
}

void Fuzzer::PortMethod() {
    static const std::vector<DISPID> ports = {idGetInBit,   idGetOutBit,   idSetOutBit,
                                              idGetInDWORD, idGetOutDWORD, idSetOutDWORD};
    const DISPID id = Pick(ports);
    const bool group = id == idGetInDWORD || id == idGetOutDWORD || id == idSetOutDWORD;
    const bool input = id == idGetInBit || id == idGetInDWORD;
    const bool write = id == idSetOutBit || id == idSetOutDWORD;
    const int32_t count = input ? m_inputs : m_outputs;
    const int32_t bound = group ? count / 32 + 1 : count;
    long index;
    switch (Between(0, 5)) {
    case 0:
        index = Between(-3, -1);
        break;
    case 1:
        index = bound + Between(0, 2);
        break;
    case 2:
        index = static_cast<long>(Next());
        break;
    default:
        index = bound > 0 ? Between(0, bound - 1) : 0;
    }
    const long value = Chance(0.5) ? Between(0, 1) : static_cast<long>(Next());
    const long mask = static_cast<long>(Next());
    std::vector<Var> args = {I4(index)};
    if (id == idSetOutBit) args.push_back(I4(value));
    if (id == idSetOutDWORD) args = {I4(index), I4(value), I4(mask)};
    Note("port: " + std::to_string(id) + " " + std::to_string(index));

    // The model: the index checked against the counts the control read, then
    // the driver with the bound image, whose own lines and faults decide.
    const PoolImage* image = Live(m_bound);
    const int32_t op = id == idGetInBit      ? 703
                       : id == idGetInDWORD  ? 704
                       : id == idGetOutBit   ? 705
                       : id == idGetOutDWORD ? 706
                       : id == idSetOutBit   ? 707
                                             : 708;
    std::map<long, long> expectedErrors;
    bool driverOk = false;
    if (index < 0 || index >= bound) {
        expectedErrors[13] = 1;
    } else {
        const int32_t lines = image ? (input ? image->inputs : image->outputs) : 0;
        const bool exists = group ? static_cast<int64_t>(index) * 32 < lines : index < lines;
        driverOk = image && image->digIO && exists && !Faulty(image, op);
        if (!driverOk) expectedErrors[write ? 15 : 14] = 1;
    }
    const auto errors = m_sink->MainErrors();
    const long updates = m_sink->Updates();
    const Var result = Typed(id, DISPATCH_METHOD, args);
    ExpectMainEvents(errors, updates, expectedErrors, 0);
    const long got = result.v.lVal;
    if (!driverOk) {
        if (got != 0) Violation("a failed port call answered " + std::to_string(got));
    } else if (write) {
        if (got != value) Violation("a write answered " + std::to_string(got));
    } else if (input && !group) {
        int32_t level = -1;
        HXKSimGetInput(image->image, index, &level);
        if (got != level) Violation("GetInBit answered " + std::to_string(got));
    } else if (input) {
        uint32_t expected = 0;
        for (int bit = 0; bit < 32 && index * 32 + bit < image->inputs; ++bit) {
            int32_t level = 0;
            HXKSimGetInput(image->image, index * 32 + bit, &level);
            expected |= static_cast<uint32_t>(level != 0) << bit;
        }
        if (static_cast<uint32_t>(got) != expected)
            Violation("GetInDWORD answered " + std::to_string(got));
    } else if (!group) {
        if (got != 0 && got != 1) Violation("GetOutBit answered " + std::to_string(got));
    } else {
        // Togglers may be pulsing: only lines the group has can be HI.
        const int lines = std::min(32, image->outputs - static_cast<int>(index) * 32);
        const uint32_t valid = lines >= 32 ? 0xFFFFFFFFu : ((1u << lines) - 1);
        if (static_cast<uint32_t>(got) & ~valid)
            Violation("GetOutDWORD answered " + std::to_string(got));
    }
}

void Fuzzer::CreateWorker() {
    const int kind = Between(0, 2);
    const DISPID id = kind == 0   ? idBitListenerCreate
                      : kind == 1 ? idDWORDListenerCreate
                                  : idBitTogglerCreate;
    const PoolImage* image = Live(m_bound);
    const int32_t lines = image ? (id == idBitTogglerCreate ? image->outputs : image->inputs) : 8;
    const long port = Chance(0.85) ? Between(0, std::max(0, lines - 1)) : static_cast<long>(Next());
    // Mostly short pauses; now and then none, a negative one or a long one
    // (which a stop or a destruction cuts short).
    static const std::vector<long> delays = {0, 1, 1, 2, 3, 5, -1, -1000, 250, 1000};
    const long delay = Pick(delays);
    std::vector<Var> args = {I4(port)};
    if (id != idBitTogglerCreate)
        args.push_back(I4(Chance(0.5) ? Between(0, 1) : static_cast<long>(Next())));
    args.push_back(I4(delay));
    Note("create: " + std::to_string(id) + " port " + std::to_string(port) + " delay " +
         std::to_string(delay));
    const Var made = Typed(id, DISPATCH_METHOD, args);
    if (m_bound == 0) {
        if (made.v.llVal != 0) Violation("a worker made with no image bound");
        return;
    }
    if (made.v.llVal == 0) {
        Violation("no worker made for a bound image");
        return;
    }
    ++m_results.workers;
    if (id == idBitTogglerCreate) {
        m_sink->KnowToggler(made.v.llVal);
        m_togglers.insert(made.v.llVal);
    } else {
        m_sink->KnowListener(made.v.llVal);
        m_listeners.insert(made.v.llVal);
    }
    if (Chance(0.7))
        Typed(id == idBitTogglerCreate ? idBitTogglerStart : idBitListenerStart, DISPATCH_METHOD,
              {I8(made.v.llVal)});
}

void Fuzzer::StartStopDestroy() {
    const LONGLONG handle = SomeWorkerHandle();
    const bool listener = m_listeners.count(handle) != 0;
    const bool toggler = m_togglers.count(handle) != 0;
    static const std::vector<DISPID> calls = {
        idBitListenerStart,  idDWORDListenerStart, idBitTogglerStart,      idBitListenerStop,
        idDWORDListenerStop, idBitListenerDestroy, idDWORDListenerDestroy, idBitTogglerDestroy};
    const DISPID id = Pick(calls);
    Note("worker: " + std::to_string(id) + " " + std::to_string(handle));
    const auto errors = m_sink->MainErrors();
    const long updates = m_sink->Updates();
    const Var result = Typed(id, DISPATCH_METHOD, {I8(handle)});
    ExpectMainEvents(errors, updates, {}, 0);
    const bool answer = result.v.boolVal != VARIANT_FALSE;
    if (id == idBitListenerStart || id == idDWORDListenerStart || id == idBitTogglerStart) {
        if ((listener || toggler) && !answer) Violation("Start of a live worker answered FALSE");
    } else if (id == idBitListenerStop || id == idDWORDListenerStop) {
        if (listener && !answer) Violation("Stop of a live listener answered FALSE");
    } else {
        const bool mine = id == idBitTogglerDestroy ? toggler : listener;
        if (answer != mine && !(answer && m_unknownWorkers))
            Violation(std::string("Destroy answered ") + (answer ? "TRUE" : "FALSE") + " for " +
                      (listener  ? "a listener"
                       : toggler ? "a toggler"
                                 : "no worker"));
        if (answer) {
            (toggler ? m_togglers : m_listeners).erase(handle);
            m_deadWorkers.push_back(handle);
        }
    }
    if (m_deadWorkers.size() > 200)
        m_deadWorkers.erase(m_deadWorkers.begin(), m_deadWorkers.begin() + 100);
}

void Fuzzer::Device() {
    PoolImage& image =
        m_images[static_cast<size_t>(Between(0, static_cast<int>(m_images.size()) - 1))];
    Note("device");
    if (image.inputs > 0) HXKSimSetInput(image.image, Between(0, image.inputs - 1), Between(0, 1));
    if (image.outputs > 0 && Chance(0.3))
        HXKSimSetOutput(image.image, Between(0, image.outputs - 1), Between(0, 1));
}

void Fuzzer::Fault() {
    PoolImage& image =
        m_images[static_cast<size_t>(Between(0, static_cast<int>(m_images.size()) - 1))];
    const int32_t op = Between(700, 708);
    const bool arm = !image.faults.count(op);
    Note("fault: " + std::to_string(op) + (arm ? " on" : " off"));
    HXKSimSetFault(image.image, op, HXKSIM_ANY_INDEX, arm ? 1 : 0);
    if (arm)
        image.faults.insert(op);
    else
        image.faults.erase(op);
    ++m_results.faultsToggled;
}

// ---- persistence ----------------------------------------------------------------------

void Fuzzer::Persistence() {
    const auto count = [this](const char* what, HRESULT hr, const Situation& situation) {
        ++m_results.situations[situation.name][hr];
        ++m_results.other[std::string(what) + " " + HResultName(hr)];
        if (!situation.allowed.count(hr))
            Violation(std::string(what) + " answered " + HResultName(hr));
    };
    const LONGLONG bound = m_bound;
    switch (Between(0, 5)) {
    case 0: { // save, and keep what was saved
        Note("persist: save");
        const auto persist = m_object.query<IPersistStreamInit>(IID_IPersistStreamInit);
        const auto stream = MakeStream({}, StreamFault::None);
        const HRESULT hr = persist->Save(stream.get(), Chance(0.5));
        count("IPersistStreamInit::Save", hr, kTyped);
        if (hr == S_OK && m_saved.size() < 8) m_saved.push_back(stream->Bytes());
        ULARGE_INTEGER size = {};
        count("IPersistStreamInit::GetSizeMax", persist->GetSizeMax(&size), kTyped);
        break;
    }
    case 1:
    case 2: { // load damaged data
        std::vector<BYTE> bytes = m_saved.empty() ? std::vector<BYTE>{} : Pick(m_saved);
        const int damage = Between(0, 5);
        std::string how = "good";
        if (damage == 1 && !bytes.empty()) {
            bytes.resize(static_cast<size_t>(Between(0, static_cast<int>(bytes.size()) - 1)));
            how = "truncated";
        } else if (damage == 2) {
            bytes.resize(static_cast<size_t>(Between(0, 80)));
            for (BYTE& b : bytes)
                b = static_cast<BYTE>(Next());
            how = "random";
        } else if (damage == 3 && !bytes.empty()) {
            for (int i = Between(1, 4); i > 0; --i)
                bytes[static_cast<size_t>(Between(0, static_cast<int>(bytes.size()) - 1))] ^=
                    static_cast<BYTE>(1u << Between(0, 7));
            how = "mutated";
        } else if (damage == 4) {
            bytes = ValidSetWithRandomValues(m_rng);
            how = "valid with random values";
        }
        const StreamFault fault = Chance(0.15) ? StreamFault::FailsMidway : StreamFault::None;
        Note("persist: load " + how + (fault == StreamFault::None ? "" : ", stream failing"));
        const auto stream = MakeStream(bytes, fault);
        const auto persist = m_object.query<IPersistStreamInit>(IID_IPersistStreamInit);
        const bool none = Chance(0.03);
        const HRESULT hr = none ? persist->Load(nullptr) : persist->Load(stream.get());
        count("IPersistStreamInit::Load", hr, kStreamLoad);
        if ((how == "good" || how == "valid with random values") && !none &&
            fault == StreamFault::None && !bytes.empty() && hr != S_OK)
            Violation("a saved stream did not load: " + HResultName(hr));
        if (stream->RefCount() != 1) Violation("the control kept the stream");
        break;
    }
    case 3: { // a bag of anything
        Note("persist: bag");
        auto bag = MakeBag(m_rng, m_variants);
        const auto persist = m_object.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
        hx::com_ptr<HostileErrorLog> log;
        if (Chance(0.5)) log = hx::com_ptr<HostileErrorLog>::attach(new HostileErrorLog);
        const HRESULT hr =
            Chance(0.03) ? persist->Load(nullptr, log.get()) : persist->Load(bag.get(), log.get());
        count("IPersistPropertyBag::Load", hr, kBagLoad);
        if (bag->RefCount() != 1) Violation("the control kept the bag");
        if (log && log->RefCount() != 1) Violation("the control kept the error log");
        if (Chance(0.3)) {
            const auto saving = MakeBag(m_rng, m_variants);
            saving->failWrites = Chance(0.3);
            const HRESULT saved = persist->Save(saving.get(), Chance(0.5), Chance(0.5));
            count("IPersistPropertyBag::Save", saved,
                  saving->failWrites ? Situation{"save to a failing bag", {E_FAIL}} : kTyped);
        }
        m_variants.Release();
        break;
    }
    case 4: { // a storage with anything in it
        Note("persist: storage");
        hx::com_ptr<IStorage> storage;
        if (FAILED(StgCreateDocfile(
                nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                0, storage.put())))
            break;
        if (Chance(0.8)) {
            hx::com_ptr<IStream> contents;
            storage->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                  0, contents.put());
            std::vector<BYTE> bytes =
                m_saved.empty() || Chance(0.5) ? ValidSetWithRandomValues(m_rng) : Pick(m_saved);
            if (Chance(0.5) && !bytes.empty())
                bytes.resize(static_cast<size_t>(Between(0, static_cast<int>(bytes.size()))));
            ULONG written = 0;
            if (contents && !bytes.empty())
                contents->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        }
        const auto persist = m_object.query<IPersistStorage>(IID_IPersistStorage);
        count("IPersistStorage::Load",
              Chance(0.03) ? persist->Load(nullptr) : persist->Load(storage.get()), kStorageLoad);
        if (Chance(0.3)) {
            const HRESULT saved = persist->Save(storage.get(), FALSE);
            count("IPersistStorage::Save", saved, kTyped);
            count("IPersistStorage::SaveCompleted", persist->SaveCompleted(nullptr), kTyped);
        }
        break;
    }
    default: { // reset to the defaults
        Note("persist: init new");
        const auto persist = m_object.query<IPersistStreamInit>(IID_IPersistStreamInit);
        count("IPersistStreamInit::InitNew", persist->InitNew(), kTyped);
        count("IPersistStreamInit::IsDirty",
              persist->IsDirty() == S_FALSE ? S_OK : persist->IsDirty(), kTyped);
    }
    }
    // Whatever was loaded, the binding stays and the control still answers.
    if (Typed(idImage, DISPATCH_PROPERTYGET, {}).v.llVal != bound)
        Violation("persistence changed the binding");
}

void Fuzzer::Names() {
    Note("names");
    static const std::vector<std::wstring> names = {L"GetInBit",      L"getinbit",
                                                    L"IMAGE",         L"AboutBox",
                                                    L"NoSuchMember",  L"",
                                                    L"Image ",        L"BitListenerCreate",
                                                    L"\x00e9t\x00e9", std::wstring(300, L'x')};
    std::vector<std::wstring> chosen;
    const UINT count = static_cast<UINT>(Chance(0.9) ? Between(1, 3) : 0);
    for (UINT i = 0; i < count; ++i)
        chosen.push_back(Pick(names));
    std::vector<LPOLESTR> pointers;
    for (std::wstring& name : chosen)
        pointers.push_back(name.data());
    std::vector<DISPID> ids(std::max<UINT>(count, 1), 12345);
    const IID& iid = Chance(0.05) ? IID_IDispatch : IID_NULL;
    const bool nullNames = Chance(0.03), nullIds = Chance(0.03);
    const HRESULT hr =
        m_control->GetIDsOfNames(iid, nullNames ? nullptr : pointers.data(), count,
                                 LOCALE_USER_DEFAULT, nullIds ? nullptr : ids.data());
    ++m_results.situations[kNames.name][hr];
    ++m_results.other["GetIDsOfNames " + HResultName(hr)];
    if (!kNames.allowed.count(hr)) Violation("GetIDsOfNames answered " + HResultName(hr));
    if (hr == S_OK) {
        const Member* member = FindMember(ids[0]);
        if (!member ||
            _wcsicmp(chosen[0].c_str(),
                     std::wstring(member->name, member->name + strlen(member->name)).c_str()) != 0)
            Violation("GetIDsOfNames gave " + std::to_string(ids[0]));
    }
}

void Fuzzer::TypeInfo() {
    Note("type info");
    UINT count = 0;
    if (m_control->GetTypeInfoCount(&count) != S_OK || count != 1) Violation("GetTypeInfoCount");
    const UINT index = Chance(0.8) ? 0 : static_cast<UINT>(Between(1, 5));
    hx::com_ptr<ITypeInfo> info;
    const HRESULT hr = m_control->GetTypeInfo(index, static_cast<LCID>(Chance(0.5) ? 0 : Next()),
                                              Chance(0.03) ? nullptr : info.put());
    ++m_results.situations[kTypeInfo.name][hr];
    ++m_results.other["GetTypeInfo " + HResultName(hr)];
    if (!kTypeInfo.allowed.count(hr) || (hr == S_OK) != (index == 0 && info))
        Violation("GetTypeInfo(" + std::to_string(index) + ") answered " + HResultName(hr));
}

void Fuzzer::About() {
    Note("about box");
    ModalBoxWatcher box("About Harlow Digital I/O Control");
    Typed(DISPID_ABOUTBOX, DISPATCH_METHOD, {});
    if (box.Stop().size() != 1) Violation("the about box was not shown once");
}

// ---- the loop ---------------------------------------------------------------------------

void Fuzzer::Run() {
    // The devices: a few images, one without digital I/O, one without lines,
    // and handles of images already gone.
    const struct {
        int32_t inputs, outputs;
        bool digIO;
    } shapes[] = {{8, 8, true}, {40, 40, true}, {4, 4, false},
                  {0, 0, true}, {1, 33, true},  {64, 2, true}};
    for (const auto& shape : shapes) {
        const HXKIMAGE image = HXKSimCreateImage(shape.inputs, shape.outputs, shape.digIO);
        m_images.push_back({image, shape.inputs, shape.outputs, shape.digIO, {}});
    }
    for (int i = 0; i < 3; ++i) {
        const HXKIMAGE gone = HXKSimCreateImage(2, 2, 1);
        m_staleImages.push_back(HandleOf(gone));
        ReleaseImageRef(gone);
    }
    if (m_options.directFiring) {
        const DWORD enabled = 1;
        if (RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, "Global AsyncACQ Enabled",
                            REG_DWORD, &enabled, sizeof enabled) != ERROR_SUCCESS) {
            Violation("the toolkit's key could not be written");
            return;
        }
    }
    if (m_options.host == Host::Atl) {
        if (FAILED(m_module.Call("DllRegisterServer")) || !AtlLibrary()) {
            Violation("the ATL host cannot make the control");
            return;
        }
    }
    // One control made and released first, so that what the first one sets
    // up for good is not counted as left.
    m_threadsBase = hardening::ThreadCount();
    MakeControl();
    if (!m_object) return;
    Typed(idImage, DISPATCH_PROPERTYPUT, {I8(HandleOf(m_images[0].image))});
    m_bound = HandleOf(m_images[0].image);
    m_inputs = m_outputs = 8;
    for (DISPID create : {idBitListenerCreate, idBitTogglerCreate}) {
        const std::vector<Var> args = create == idBitTogglerCreate
                                          ? std::vector<Var>{I4(1), I4(1)}
                                          : std::vector<Var>{I4(1), I4(1), I4(1)};
        const LONGLONG worker = Typed(create, DISPATCH_METHOD, args).v.llVal;
        if (create == idBitTogglerCreate)
            m_sink->KnowToggler(worker);
        else
            m_sink->KnowListener(worker);
        Typed(idBitListenerStart, DISPATCH_METHOD, {I8(worker)});
        PumpFor(5);
        Typed(create == idBitTogglerCreate ? idBitTogglerDestroy : idBitListenerDestroy,
              DISPATCH_METHOD, {I8(worker)});
    }
    ReleaseControl(false);
    m_results.controls = 0;
    // The process keeps its handle of HKEY_CLASSES_ROOT once it has used it.
    hx::unique_hkey classes;
    RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, classes.put());
    classes.reset();
    m_results.before = hardening::Snapshot();
    m_stopwatchesBefore = HXKSimLiveStopwatchCount();

    const auto started = std::chrono::steady_clock::now();
    MakeControl();
    for (m_results.calls = 0; m_results.calls < m_options.calls && m_object; ++m_results.calls) {
        const int roll = Between(0, 999);
        if (roll < 330)
            RandomInvoke();
        else if (roll < 420)
            Bind();
        else if (roll < 460)
            ReadProperties();
        else if (roll < 600)
            PortMethod();
        else if (roll < 680)
            CreateWorker();
        else if (roll < 800)
            StartStopDestroy();
        else if (roll < 850)
            Device();
        else if (roll < 870)
            Fault();
        else if (roll < 920) {
            Note("pump");
            PumpFor(static_cast<DWORD>(Between(0, 3)));
        } else if (roll < 955)
            Persistence();
        else if (roll < 975)
            Names();
        else if (roll < 990)
            TypeInfo();
        else if (m_options.aboutBox && Chance(0.05))
            About();
        else if (Chance(1000.0 / (10.0 * std::max(1u, m_options.recreateEvery)))) {
            Note("recreate");
            ReleaseControl(false);
            MakeControl();
        }
        if (!m_sink) continue;
        for (const std::string& problem : m_sink->TakeProblems())
            Violation(problem);
        for (LONGLONG handle : m_sink->TakeDestroyed()) {
            m_listeners.erase(handle);
            m_deadWorkers.push_back(handle);
        }
    }
    ReleaseControl(true);
    m_results.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (PoolImage& image : m_images) {
        HXKSimClearFaults(image.image);
        ReleaseImageRef(image.image);
    }
    m_images.clear();
    m_results.liveImagesAtEnd = HXKSimLiveImageCount();
    m_results.liveStopwatchesLeft = HXKSimLiveStopwatchCount() - m_stopwatchesBefore;
    if (m_results.liveImagesAtEnd != 0) Violation("images left at the end");
    if (m_results.liveStopwatchesLeft != 0) Violation("stopwatches left at the end");
    CoFreeUnusedLibraries();
    if (m_module.Call("DllCanUnloadNow") != S_OK) Violation("the module cannot unload at the end");
    ++m_results.leakChecks;
    // Taken as the first one was: with the ATL host's frame and the
    // registration still there (the system's type library registration
    // keeps registry handles of its own open).
    m_results.after = hardening::Snapshot();
    m_results.newHandles = hardening::DescribeNewHandles(m_results.before.handles);
    if (m_atlFrame) {
        DestroyWindow(m_atlFrame);
        m_atlFrame = nullptr;
    }
    if (m_options.host == Host::Atl) m_module.Call("DllUnregisterServer");
    if (m_options.directFiring) RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
}

} // namespace

Results Run(const Options& options) {
    Results results;
    hardening::Watchdog watchdog(std::chrono::seconds(options.watchdogSeconds));
    Fuzzer fuzzer(options, results);
    fuzzer.Run();
    return results;
}

// ---- results ----------------------------------------------------------------------------

std::string HResultName(HRESULT hr) {
    static const std::map<HRESULT, const char*> names = {
        {S_OK, "S_OK"},
        {S_FALSE, "S_FALSE"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {E_POINTER, "E_POINTER"},
        {E_FAIL, "E_FAIL"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {E_UNEXPECTED, "E_UNEXPECTED"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
        {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
        {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
        {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
        {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
        {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
        {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
        {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
        {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
        {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
        {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
        {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
        {CTL_E_SETNOTSUPPORTED, "CTL_E_SETNOTSUPPORTED"},
        {STG_E_READFAULT, "STG_E_READFAULT"},
        {STG_E_INVALIDHEADER, "STG_E_INVALIDHEADER"},
        {STG_E_DOCFILECORRUPT, "STG_E_DOCFILECORRUPT"},
        {STG_E_FILENOTFOUND, "STG_E_FILENOTFOUND"},
    };
    const auto found = names.find(hr);
    if (found != names.end()) return found->second;
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::vector<std::string> AllowedTable() {
    std::vector<std::string> rows;
    for (const Situation* s :
         {&kBadInterface, &kMalformed, &kUnknown, &kReadOnlyPut, &kAnyArguments, &kTyped,
          &kStreamLoad, &kStorageLoad, &kBagLoad, &kNames, &kTypeInfo}) {
        std::string names;
        for (HRESULT hr : s->allowed)
            names += (names.empty() ? "" : " ") + HResultName(hr);
        rows.push_back(std::string(s->name) + "\t" + names);
    }
    return rows;
}

std::vector<std::string> ResultRows(const Options& options, const Results& r) {
    std::vector<std::string> rows;
    const auto add = [&rows](const std::string& section, const std::string& name, auto value) {
        std::ostringstream row;
        row << section << "\t" << name << "\t" << value;
        rows.push_back(row.str());
    };
    add("run", "seed", options.seed);
    add("run", "host", options.host == Host::Form ? "form" : "atl");
    add("run", "firing", options.directFiring ? "direct" : "hand-off");
    add("run", "calls", r.calls);
    add("run", "seconds", r.seconds);
    add("run", "controls", r.controls);
    add("run", "workers", r.workers);
    add("run", "faults_toggled", r.faultsToggled);
    add("run", "leak_checks", r.leakChecks);
    add("run", "violations", r.violationCount);
    for (const auto& [name, count] : r.actions)
        add("action", name, count);
    for (const auto& [hr, count] : r.hresults)
        add("invoke", HResultName(hr), count);
    for (const auto& [situation, answers] : r.situations)
        for (const auto& [hr, count] : answers)
            add("situation", situation + "\t" + HResultName(hr), count);
    for (const auto& [name, count] : r.other)
        add("other", name, count);
    for (const auto& [name, count] : r.events)
        add("event", name, count);
    for (const std::string& row : hardening::ResourceRows("", r.before, r.after))
        rows.push_back("resource\t" + row);
    add("end", "live_images", r.liveImagesAtEnd);
    add("end", "stopwatches_left", r.liveStopwatchesLeft);
    for (const std::string& violation : r.violations)
        add("violation", "", violation);
    return rows;
}

std::string Summary(const Options& options, const Results& r) {
    std::ostringstream text;
    text << "hostile: " << (options.host == Host::Form ? "form" : "ATL host") << ", "
         << (options.directFiring ? "direct firing" : "hand-off") << ", seed " << options.seed
         << ", " << r.calls << " calls in " << r.seconds << " s, " << r.controls << " controls, "
         << r.workers << " workers, " << r.leakChecks << " leak checks, " << r.violationCount
         << " violations\n";
    for (const std::string& violation : r.violations)
        text << "  violation: " << violation << "\n";
    return text.str();
}

} // namespace hostile
