#include "ComTestSupport.h"

#include <chrono>
#include <cstdio>

namespace hxtest {

Var I4(long value) {
    Var v;
    v.v.vt = VT_I4;
    v.v.lVal = value;
    return v;
}
Var I8(long long value) {
    Var v;
    v.v.vt = VT_I8;
    v.v.llVal = value;
    return v;
}
Var R8(double value) {
    Var v;
    v.v.vt = VT_R8;
    v.v.dblVal = value;
    return v;
}
Var Bool(bool value) {
    Var v;
    v.v.vt = VT_BOOL;
    v.v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
Var Str(const wchar_t* text) {
    Var v;
    v.v.vt = VT_BSTR;
    v.v.bstrVal = SysAllocString(text);
    return v;
}
Var Empty() {
    return Var();
}

std::string Narrow(BSTR text) {
    if (!text) return std::string();
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

CallResult Invoke(IDispatch* target, DISPID dispid, WORD flags, const std::vector<Var>& args) {
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(it->v);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    CallResult result;
    EXCEPINFO excep = {};
    result.hr = target->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                               &result.value.v, &excep, &result.argErr);
    if (result.hr == DISP_E_EXCEPTION) result.excepScode = excep.scode;
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return result;
}

CallResult Method(IDispatch* target, DISPID dispid, const std::vector<Var>& args) {
    return Invoke(target, dispid, DISPATCH_METHOD, args);
}
CallResult Get(IDispatch* target, DISPID dispid) {
    return Invoke(target, dispid, DISPATCH_PROPERTYGET);
}
CallResult Put(IDispatch* target, DISPID dispid, const Var& value) {
    return Invoke(target, dispid, DISPATCH_PROPERTYPUT, {value});
}

DISPID IdOfName(IDispatch* target, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

CallResult MethodByName(IDispatch* target, const wchar_t* name, const std::vector<Var>& args) {
    const DISPID id = IdOfName(target, name);
    if (id == DISPID_UNKNOWN) {
        CallResult failed;
        failed.hr = DISP_E_UNKNOWNNAME;
        return failed;
    }
    return Invoke(target, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

RecordingSink* RecordingSink::Create(const IID& eventIid, bool answersEventIid,
                                     bool answersDispatch) {
    return new RecordingSink(eventIid, answersEventIid, answersDispatch);
}

RecordingSink::RecordingSink(const IID& eventIid, bool answersEventIid, bool answersDispatch)
    : m_eventIid(eventIid), m_answersEventIid(answersEventIid), m_answersDispatch(answersDispatch) {
}

HRESULT RecordingSink::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const bool ok = IsEqualIID(iid, IID_IUnknown) ||
                    (m_answersDispatch && IsEqualIID(iid, IID_IDispatch)) ||
                    (m_answersEventIid && IsEqualIID(iid, m_eventIid));
    if (!ok) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG RecordingSink::AddRef() {
    return static_cast<ULONG>(++m_ref);
}

ULONG RecordingSink::Release() {
    const LONG count = --m_ref;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT RecordingSink::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}
HRESULT RecordingSink::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
HRESULT RecordingSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT RecordingSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) {
    FiredEvent event{dispid, {}, GetCurrentThreadId()};
    for (UINT i = params->cArgs; i-- > 0;) {
        VARIANT& arg = params->rgvarg[i];
        if (arg.vt == (VT_BOOL | VT_BYREF) && m_continueAnswer >= 0)
            *arg.pboolVal = m_continueAnswer ? VARIANT_TRUE : VARIANT_FALSE;
        Var copy;
        if (arg.vt == (VT_BOOL | VT_BYREF)) {
            copy.v.vt = VT_BOOL;
            copy.v.boolVal = *arg.pboolVal;
        } else {
            VariantCopy(&copy.v, &arg);
        }
        event.args.push_back(copy);
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(event);
    }
    if (m_handler) m_handler(dispid);
    return S_OK;
}

std::vector<FiredEvent> RecordingSink::Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

size_t RecordingSink::Count(DISPID dispid) const {
    std::lock_guard<std::mutex> lock(m_lock);
    size_t n = 0;
    for (const FiredEvent& e : m_events)
        n += e.dispid == dispid;
    return n;
}

Connection::Connection(IUnknown* source, const IID& eventIid, IUnknown* sink) {
    IConnectionPointContainer* container = nullptr;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&container))))
        return;
    container->FindConnectionPoint(eventIid, &m_point);
    container->Release();
    if (m_point) m_adviseResult = m_point->Advise(sink, &m_cookie);
}

HRESULT Connection::Disconnect() {
    HRESULT hr = S_FALSE;
    if (m_point) {
        if (SUCCEEDED(m_adviseResult)) hr = m_point->Unadvise(m_cookie);
        m_point->Release();
        m_point = nullptr;
    }
    return hr;
}

ModalBoxWatcher::ModalBoxWatcher(std::string caption)
    : m_caption(std::move(caption)), m_thread([this] { Run(); }) {}

std::vector<std::string> ModalBoxWatcher::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard<std::mutex> lock(m_lock);
    return m_texts;
}

size_t ModalBoxWatcher::Closed() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_texts.size();
}

namespace {

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The texts of the box's static children (a message box has one), joined
// with '|'; icons are skipped.
std::string BoxText(HWND box) {
    std::string joined;
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        const std::string text = WindowText(child);
        if (text.empty()) continue;
        if (!joined.empty()) joined += '|';
        joined += text;
    }
    return joined;
}

} // namespace

void ModalBoxWatcher::Run() {
    using Clock = std::chrono::steady_clock;
    // A bound on the watch, so that a test never waits for good.
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    while (!m_stop && Clock::now() < giveUp) {
        HWND box = FindWindowA("#32770", m_caption.c_str());
        if (box && IsWindowVisible(box)) {
            const std::string text = BoxText(box);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            // Closed means hidden: the dialog hides itself as it ends.
            for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i)
                Sleep(10);
            std::lock_guard<std::mutex> lock(m_lock);
            m_texts.push_back(text);
            continue;
        }
        Sleep(20);
    }
}

} // namespace hxtest
