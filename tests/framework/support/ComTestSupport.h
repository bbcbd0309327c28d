// What the framework and control suites share to act as a container: calls
// through IDispatch the way a script host makes them, an event sink that
// records what it is fired, and a watcher that closes modal boxes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hxtest {

// A VARIANT that clears itself.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    // Deliberately malformed VARIANTs (bad types, null references) are
    // copied bit for bit, so that tests can hand them on.
    Var(const Var& other) {
        VariantInit(&v);
        if (FAILED(VariantCopy(&v, const_cast<VARIANT*>(&other.v)))) v = other.v;
    }
    Var& operator=(const Var& other) {
        if (this != &other && FAILED(VariantCopy(&v, const_cast<VARIANT*>(&other.v)))) v = other.v;
        return *this;
    }
    ~Var() { VariantClear(&v); }
};

Var I4(long value);
Var I8(long long value);
Var R8(double value);
Var Bool(bool value);
Var Str(const wchar_t* text);
Var Empty();

// The result of one Invoke.
struct CallResult {
    HRESULT hr = E_FAIL;
    Var value;
    UINT argErr = 0xFFFFFFFF;
    SCODE excepScode = 0; // EXCEPINFO's code when hr is DISP_E_EXCEPTION
};

// Invokes with the arguments in their natural order (reversed for rgvarg).
CallResult Invoke(IDispatch* target, DISPID dispid, WORD flags, const std::vector<Var>& args = {});
CallResult Method(IDispatch* target, DISPID dispid, const std::vector<Var>& args = {});
CallResult Get(IDispatch* target, DISPID dispid);
CallResult Put(IDispatch* target, DISPID dispid, const Var& value);
// Looks the name up first, as a late-bound script does.
CallResult MethodByName(IDispatch* target, const wchar_t* name, const std::vector<Var>& args = {});
DISPID IdOfName(IDispatch* target, const wchar_t* name);

// One event as a sink saw it: the dispid and copies of the arguments in
// their natural order (by-reference arguments as the sink found them).
struct FiredEvent {
    DISPID dispid;
    std::vector<Var> args;
    DWORD threadId;
};

// An event sink on the heap with a real reference count. It answers
// IDispatch and, when asked to, the event interface's IID.
class RecordingSink : public IDispatch {
public:
    static RecordingSink* Create(const IID& eventIid, bool answersEventIid = true,
                                 bool answersDispatch = true);

    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override;
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    // Every by-reference BOOL the sink is fired with is set to this value
    // (unset: left alone).
    void SetContinueAnswer(int answer) { m_continueAnswer = answer; }
    // Runs inside Invoke after the event is recorded.
    void OnEvent(std::function<void(DISPID)> handler) { m_handler = std::move(handler); }

    std::vector<FiredEvent> Events() const;
    size_t Count(DISPID dispid) const;
    LONG RefCount() const { return m_ref; }

private:
    RecordingSink(const IID& eventIid, bool answersEventIid, bool answersDispatch);
    virtual ~RecordingSink() = default;

    std::atomic<LONG> m_ref{1};
    IID m_eventIid;
    bool m_answersEventIid;
    bool m_answersDispatch;
    int m_continueAnswer = -1;
    std::function<void(DISPID)> m_handler;
    mutable std::mutex m_lock;
    std::vector<FiredEvent> m_events;
};

// Connects a sink to an object's connection point for the event IID and
// disconnects it at the end of the scope.
class Connection {
public:
    Connection(IUnknown* source, const IID& eventIid, IUnknown* sink);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { Disconnect(); }
    HRESULT Disconnect();
    HRESULT AdviseResult() const { return m_adviseResult; }
    DWORD Cookie() const { return m_cookie; }
    IConnectionPoint* Point() const { return m_point; }

private:
    IConnectionPoint* m_point = nullptr;
    DWORD m_cookie = 0;
    HRESULT m_adviseResult = E_FAIL;
};

// Watches, on a thread of its own, for top-level dialog boxes with a given
// caption; records the text of each one's message (or the window's child
// texts) and presses its default button. Stop() ends the watch.
class ModalBoxWatcher {
public:
    explicit ModalBoxWatcher(std::string caption);
    ModalBoxWatcher(const ModalBoxWatcher&) = delete;
    ModalBoxWatcher& operator=(const ModalBoxWatcher&) = delete;
    ~ModalBoxWatcher() { Stop(); }
    // Ends the watch and returns the texts of the boxes closed meanwhile.
    std::vector<std::string> Stop();
    size_t Closed() const;

private:
    void Run();
    std::string m_caption;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
    std::thread m_thread;
};

std::string Narrow(BSTR text);

} // namespace hxtest
