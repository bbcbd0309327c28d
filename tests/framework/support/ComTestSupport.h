// What the framework and control suites share to act as a container: calls
// through IDispatch the way script hosts make them, an event sink that
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

// A VARIANT that clears itself. Malformed ones (bad types, null references)
// are copied bit for bit, so that tests can hand them on.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(VARTYPE vt, LONGLONG bits) : Var() {
        v.vt = vt;
        v.llVal = bits;
    }
    Var(const Var& o) : Var() { *this = o; }
    Var& operator=(const Var& o) {
        if (this != &o && FAILED(VariantCopy(&v, const_cast<VARIANT*>(&o.v)))) v = o.v;
        return *this;
    }
    ~Var() { VariantClear(&v); }
};
inline Var I4(long x) {
    return Var(VT_I4, static_cast<ULONG>(x));
}
inline Var I8(LONGLONG x) {
    return Var(VT_I8, x);
}
inline Var Bool(bool x) {
    return Var(VT_BOOL, x ? 0xFFFF : 0);
}
inline Var Str(const wchar_t* text) {
    return Var(VT_BSTR, reinterpret_cast<intptr_t>(SysAllocString(text)));
}

struct CallResult {
    HRESULT hr = E_FAIL;
    Var value;
    UINT argErr = ~0u;
    SCODE excepScode = 0; // EXCEPINFO's code when hr is DISP_E_EXCEPTION
};
// Arguments in their natural order; a put names its value DISPID_PROPERTYPUT.
CallResult Invoke(IDispatch* target, DISPID id, WORD flags, const std::vector<Var>& args = {});
inline CallResult Method(IDispatch* t, DISPID id, const std::vector<Var>& args = {}) {
    return Invoke(t, id, DISPATCH_METHOD, args);
}
inline CallResult Get(IDispatch* t, DISPID id) {
    return Invoke(t, id, DISPATCH_PROPERTYGET);
}
inline CallResult Put(IDispatch* t, DISPID id, const Var& x) {
    return Invoke(t, id, DISPATCH_PROPERTYPUT, {x});
}
std::string Narrow(BSTR text);

struct FiredEvent {
    DISPID dispid;
    std::vector<Var> args; // natural order; a by-reference BOOL as the sink left it
};

// A heap-allocated sink with a real reference count. It answers IUnknown,
// IDispatch and the event IID; it sets every by-reference BOOL to
// continueAnswer (-1: leaves it), then runs onEvent.
class RecordingSink : public IDispatch {
public:
    explicit RecordingSink(const IID& eventIid) : m_eventIid(eventIid) {}
    virtual ~RecordingSink() = default;
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++m_ref); }
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetTypeInfoCount)(UINT* n) override { return *n = 0, S_OK; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)
    (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    int continueAnswer = -1;
    std::function<void(DISPID)> onEvent;
    std::vector<FiredEvent> Events() const;
    size_t Count(DISPID dispid) const;
    LONG RefCount() const { return m_ref; }

private:
    std::atomic<LONG> m_ref{1};
    IID m_eventIid;
    mutable std::mutex m_lock;
    std::vector<FiredEvent> m_events;
};

// The source's connection point for an IID, or null.
IConnectionPoint* PointOf(IUnknown* source, const IID& eventIid);

// Watches for shown top-level dialogs with a caption; records each one's
// static texts (joined with '|', icons skipped) and presses OK. Stop() ends
// the watch and returns the texts.
class ModalBoxWatcher {
public:
    explicit ModalBoxWatcher(std::string caption);
    ModalBoxWatcher(const ModalBoxWatcher&) = delete;
    ModalBoxWatcher& operator=(const ModalBoxWatcher&) = delete;
    ~ModalBoxWatcher() { Stop(); }
    std::vector<std::string> Stop();

private:
    void Watch();
    std::string m_caption;
    std::atomic<bool> m_stop{false};
    std::vector<std::string> m_texts;
    std::thread m_thread;
};

} // namespace hxtest
