// What the control and logging suites share to act as a container: calls
// through IDispatch the way script hosts make them, an event sink that
// records what it is fired, and a watcher that closes modal boxes.
#pragma once

#include "hx/bstr.h"
#include "hx/com_ptr.h"

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
inline Var Str(const wchar_t* text) {
    return Var(VT_BSTR, reinterpret_cast<intptr_t>(SysAllocString(text)));
}

inline std::string Narrow(BSTR text) {
    return hx::unique_bstr::to_ansi(text);
}

struct CallResult {
    HRESULT hr = E_FAIL;
    Var value;
    UINT argErr = ~0u;
    SCODE excepScode = 0; // EXCEPINFO's code when hr is DISP_E_EXCEPTION
    std::string excepSource, excepDescription;
};
// Arguments in their natural order laid out as IDispatch::Invoke takes them:
// reversed, a put naming its value DISPID_PROPERTYPUT. The VARIANTs stay the
// caller's.
struct DispArgs {
    DispArgs(const std::vector<Var>& args, WORD flags) {
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg)
            reversed.push_back(arg->v);
        const bool isPut = (flags & DISPATCH_PROPERTYPUT) != 0;
        params = {reversed.data(), isPut ? &put : nullptr, static_cast<UINT>(reversed.size()),
                  isPut ? 1u : 0u};
    }
    DispArgs(const DispArgs&) = delete; // params points into the object
    DispArgs& operator=(const DispArgs&) = delete;
    bool IsPut() const { return params.cNamedArgs != 0; }

    std::vector<VARIANT> reversed;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {};
};

inline CallResult Invoke(IDispatch* target, DISPID id, WORD flags,
                         const std::vector<Var>& args = {}) {
    DispArgs call(args, flags);
    CallResult r;
    EXCEPINFO excep = {};
    r.hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &call.params, &r.value.v, &excep,
                          &r.argErr);
    const hx::unique_bstr source(excep.bstrSource), description(excep.bstrDescription),
        helpFile(excep.bstrHelpFile);
    r.excepScode = excep.scode;
    r.excepSource = source.to_ansi();
    r.excepDescription = description.to_ansi();
    return r;
}
inline CallResult Method(IDispatch* t, DISPID id, const std::vector<Var>& args = {}) {
    return Invoke(t, id, DISPATCH_METHOD, args);
}
inline CallResult Get(IDispatch* t, DISPID id) {
    return Invoke(t, id, DISPATCH_PROPERTYGET);
}
inline CallResult Put(IDispatch* t, DISPID id, const Var& x) {
    return Invoke(t, id, DISPATCH_PROPERTYPUT, {x});
}
inline CallResult Method(const hx::com_ptr<IDispatch>& t, DISPID id,
                         const std::vector<Var>& args = {}) {
    return Method(t.get(), id, args);
}
inline CallResult Get(const hx::com_ptr<IDispatch>& t, DISPID id) {
    return Get(t.get(), id);
}
inline CallResult Put(const hx::com_ptr<IDispatch>& t, DISPID id, const Var& x) {
    return Put(t.get(), id, x);
}

// A heap-allocated object of the suites with a real reference count (1 when
// made: the maker's; it deletes itself at 0).
template <class... Interfaces> class RefCounted : public Interfaces... {
public:
    virtual ~RefCounted() = default;
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++m_ref); }
    STDMETHOD_(ULONG, Release)() override {
        const LONG count = --m_ref;
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    LONG RefCount() const { return m_ref; }

private:
    std::atomic<LONG> m_ref{1};
};

// A counted object with one interface. It answers IUnknown, its interface's
// IID and one more IID if given (a dispinterface's, say).
template <class Interface> class ComObject : public RefCounted<Interface> {
public:
    explicit ComObject(const IID& own, const IID& also = IID_NULL) : m_own(own), m_also(also) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, m_own) &&
            (IsEqualIID(m_also, IID_NULL) || !IsEqualIID(iid, m_also)))
            return E_NOINTERFACE;
        *ppv = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }

private:
    IID m_own, m_also;
};

// An event sink: IDispatch without type information; Invoke is the sink's.
class EventSink : public ComObject<IDispatch> {
public:
    explicit EventSink(const IID& eventIid) : ComObject(IID_IDispatch, eventIid) {}
    STDMETHOD(GetTypeInfoCount)(UINT* n) override { return *n = 0, S_OK; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// An object passed where a value is wanted, as script hosts pass objects:
// its DISPID_VALUE answers a copy of the value it was made with (bit for
// bit when it cannot be copied, a reference that points nowhere say), the
// object itself (a value no conversion ever gets to the end of), or E_FAIL.
class ValueObject : public ComObject<IDispatch> {
public:
    enum class Answer { Value, Itself, Fails };
    explicit ValueObject(Answer answer, const Var& value = Var())
        : ComObject(IID_IDispatch), m_answer(answer), m_value(value) {}
    STDMETHOD(GetTypeInfoCount)(UINT* n) override { return n ? (*n = 0, S_OK) : E_POINTER; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != DISPID_VALUE) return DISP_E_MEMBERNOTFOUND;
        if (!result) return E_POINTER;
        ++asked;
        if (m_answer == Answer::Fails) return E_FAIL;
        if (m_answer == Answer::Itself) {
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
            AddRef();
            return S_OK;
        }
        Var copy(m_value);
        *result = copy.v;
        copy.v.vt = VT_EMPTY; // handed over
        return S_OK;
    }
    std::atomic<int> asked{0};

private:
    Answer m_answer;
    Var m_value;
};

// An object as an argument: the VARIANT holds a reference of its own.
inline Var ObjectArg(IDispatch* object) {
    if (object) object->AddRef();
    return Var(VT_DISPATCH, reinterpret_cast<intptr_t>(object));
}

struct FiredEvent {
    DISPID dispid;
    std::vector<Var> args; // natural order; a by-reference BOOL as the sink left it
    DWORD thread = 0;      // the thread the event arrived on
};

// A heap-allocated sink with a real reference count. It answers IUnknown,
// IDispatch and the event IID; it sets every by-reference BOOL to
// continueAnswer (-1: leaves it), then runs onEvent.
class RecordingSink : public EventSink {
public:
    explicit RecordingSink(const IID& eventIid) : EventSink(eventIid) {}
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        FiredEvent event{dispid, std::vector<Var>(params->cArgs), GetCurrentThreadId()};
        for (UINT i = 0; i < params->cArgs; ++i) {
            VARIANT& arg = params->rgvarg[params->cArgs - 1 - i];
            if (arg.vt == (VT_BOOL | VT_BYREF) && continueAnswer >= 0)
                *arg.pboolVal = continueAnswer ? VARIANT_TRUE : VARIANT_FALSE;
            VariantCopyInd(&event.args[i].v, &arg);
        }
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_events.push_back(event);
        }
        if (onEvent) onEvent(event);
        return S_OK;
    }

    int continueAnswer = -1;
    std::function<void(const FiredEvent&)> onEvent;
    std::vector<FiredEvent> Events() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_events;
    }
    size_t Count(DISPID dispid) const {
        size_t n = 0;
        for (const FiredEvent& e : Events())
            n += e.dispid == dispid;
        return n;
    }

private:
    mutable std::mutex m_lock;
    std::vector<FiredEvent> m_events;
};

// A new sink, held by the caller's owner.
template <class Sink = RecordingSink, class... A> hx::com_ptr<Sink> MakeSink(A&&... args) {
    return hx::com_ptr<Sink>::attach(new Sink(std::forward<A>(args)...));
}

// The source's connection point for an IID; empty when it has none.
inline hx::com_ptr<IConnectionPoint> PointOf(IUnknown* source, const IID& eventIid) {
    hx::com_ptr<IConnectionPoint> point;
    hx::com_ptr<IConnectionPointContainer> container;
    if (SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer, container.put_void())))
        container->FindConnectionPoint(eventIid, point.put());
    return point;
}

// Watches for shown top-level dialogs with a caption, of this process or
// (for boxes that a host program shows) of any; records each one's static
// texts (joined with '|', icons skipped) and owner window, and presses OK.
// Stop() ends the watch and returns the texts; Owners() then has the owners
// in the same order.
class ModalBoxWatcher {
public:
    enum class Scope { ThisProcess, AnyProcess };
    explicit ModalBoxWatcher(std::string caption, Scope scope = Scope::ThisProcess)
        : m_caption(std::move(caption)), m_scope(scope), m_thread([this] { Watch(); }) {}
    ~ModalBoxWatcher() { Stop(); }
    std::vector<std::string> Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        return m_texts;
    }
    const std::vector<HWND>& Owners() const { return m_owners; }

private:
    void Watch() {
        while (!m_stop) {
            HWND box = FindWindowExA(nullptr, nullptr, "#32770", m_caption.c_str());
            while (box && !Ours(box)) // a dialog hides itself as it ends
                box = FindWindowExA(nullptr, box, "#32770", m_caption.c_str());
            if (!box) {
                Sleep(20);
                continue;
            }
            std::string texts;
            for (HWND c = FindWindowExA(box, nullptr, "Static", nullptr); c;
                 c = FindWindowExA(box, c, "Static", nullptr)) {
                char text[512] = {};
                if (GetWindowTextA(c, text, sizeof text) > 0 &&
                    (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
                    texts += (texts.empty() ? "" : "|") + std::string(text);
            }
            m_owners.push_back(GetWindow(box, GW_OWNER));
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            for (int i = 0; i < 200 && IsWindowVisible(box); ++i)
                Sleep(10);
            m_texts.push_back(texts);
        }
    }
    bool Ours(HWND box) const {
        DWORD process = 0;
        GetWindowThreadProcessId(box, &process);
        return IsWindowVisible(box) &&
               (m_scope == Scope::AnyProcess || process == GetCurrentProcessId());
    }
    std::string m_caption;
    Scope m_scope;
    std::atomic<bool> m_stop{false};
    std::vector<std::string> m_texts;
    std::vector<HWND> m_owners;
    std::thread m_thread;
};

} // namespace hxtest
