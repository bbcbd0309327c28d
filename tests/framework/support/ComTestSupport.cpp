#include "ComTestSupport.h"

namespace hxtest {

std::string Narrow(BSTR text) {
    char narrow[1024] = {};
    if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
    return narrow;
}

CallResult Invoke(IDispatch* target, DISPID id, WORD flags, const std::vector<Var>& args) {
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(it->v);
    DISPID put = DISPID_PROPERTYPUT;
    const bool isPut = (flags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS params = {reversed.data(), isPut ? &put : nullptr,
                         static_cast<UINT>(reversed.size()), isPut ? 1u : 0u};
    CallResult r;
    EXCEPINFO excep = {};
    r.hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &r.value.v, &excep,
                          &r.argErr);
    r.excepScode = excep.scode;
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return r;
}

HRESULT RecordingSink::QueryInterface(REFIID iid, void** ppv) {
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
        !IsEqualIID(iid, m_eventIid))
        return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG RecordingSink::Release() {
    const LONG count = --m_ref;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT RecordingSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) {
    FiredEvent event{dispid, {}};
    for (UINT i = params->cArgs; i-- > 0;) {
        VARIANT& arg = params->rgvarg[i];
        if (arg.vt == (VT_BOOL | VT_BYREF) && continueAnswer >= 0)
            *arg.pboolVal = continueAnswer ? VARIANT_TRUE : VARIANT_FALSE;
        event.args.emplace_back();
        VariantCopyInd(&event.args.back().v, &arg);
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(event);
    }
    if (onEvent) onEvent(dispid);
    return S_OK;
}

std::vector<FiredEvent> RecordingSink::Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

size_t RecordingSink::Count(DISPID dispid) const {
    size_t n = 0;
    for (const FiredEvent& e : Events())
        n += e.dispid == dispid;
    return n;
}

IConnectionPoint* PointOf(IUnknown* source, const IID& eventIid) {
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&container))))
        return nullptr;
    container->FindConnectionPoint(eventIid, &point);
    container->Release();
    return point;
}

ModalBoxWatcher::ModalBoxWatcher(std::string caption)
    : m_caption(std::move(caption)), m_thread([this] { Watch(); }) {}

void ModalBoxWatcher::Watch() {
    while (!m_stop) {
        HWND box = FindWindowExA(nullptr, nullptr, "#32770", m_caption.c_str());
        while (box && !IsWindowVisible(box)) // a dialog hides itself as it ends
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
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        for (int i = 0; i < 200 && IsWindowVisible(box); ++i)
            Sleep(10);
        m_texts.push_back(texts);
    }
}

std::vector<std::string> ModalBoxWatcher::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return m_texts;
}

} // namespace hxtest
