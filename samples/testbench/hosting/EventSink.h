// EventSink: receives the events a control fires. A control's events are
// the methods of its outgoing dispinterface (for HXDigIO, _DHXdigIOEvents);
// the container hands the control an IDispatch that answers that interface's
// IID, and the control calls its Invoke with each event's DISPID and
// arguments.
//
// Threads: an event arrives on whatever thread the control fires it on. For
// HXDigIO that is the form's thread, except for the workers' own read errors
// and, with the toolkit's "Global AsyncACQ Enabled" setting, the Listener
// and Toggler events: those arrive on the worker's thread, while the form's
// thread goes on with other work. The handler must be safe for that.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <functional>
#include <string>

// An event's arguments, numbered from 0 in the order the event declares them
// (DISPPARAMS holds them in reverse).
class EventArgs {
public:
    explicit EventArgs(DISPPARAMS* params) : m_params(params) {}
    UINT Count() const { return m_params ? m_params->cArgs : 0; }
    // The argument converted to a 64-bit integer (0 if it does not convert).
    LONGLONG Integer(UINT i) const;
    // The argument as 8-bit text.
    std::string Text(UINT i) const;
    // A BOOL passed by reference (VT_BOOL | VT_BYREF): the handler reads
    // what the control preset and may answer another value.
    bool IsBoolReference(UINT i) const;
    bool Bool(UINT i) const;
    void SetBool(UINT i, bool value);

private:
    VARIANT* At(UINT i) const;
    DISPPARAMS* m_params;
};

class EventSink : public IDispatch {
public:
    using Handler = std::function<void(DISPID event, EventArgs& args)>;

    // Answers QueryInterface for eventInterface (the control's default source
    // interface) besides IUnknown and IDispatch. Starts with one reference,
    // the caller's.
    EventSink(const IID& eventInterface, Handler handler);
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override;
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHOD(Invoke)
    (DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    virtual ~EventSink() = default;

    std::atomic<LONG> m_references{1};
    IID m_eventInterface;
    Handler m_handler;
};
