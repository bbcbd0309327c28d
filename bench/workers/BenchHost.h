// The control on a form for the benchmarks: HXDigIO.ocx registered for the
// run, created by the system's ATL host window by its ProgID (so it runs in
// place, with its window, as on a form), a sink counting its events on the
// window thread, and a message loop to pump while workers hand off.
#pragma once

#include "HXDigIODispIds.h"
#include "HXDigIO_h.h"
#include "HXKImageRef.h"
#include "HXKSim.h"
#include "hx/com_ptr.h"
#include "hx/win32_owners.h"

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <map>
#include <thread>
#include <vector>

inline double CounterFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
}

// Seconds on the performance counter.
inline double Now() {
    static const double frequency = CounterFrequency();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

inline void PumpMessagesFor(double seconds) {
    const double until = Now() + seconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (Now() >= until) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    } while (Now() < until);
}

// A simulated image the benchmark owns a reference on.
struct SimImage {
    HXKImageRef reference;
    SimImage(int32_t inputs, int32_t outputs)
        : reference(HXKImageRef::Adopt(HXKSimCreateImage(inputs, outputs, 1))) {}
    HXKIMAGE Get() const { return reference.Get(); }
    LONGLONG Handle() const { return reinterpret_cast<intptr_t>(reference.Get()); }
};

// Counts the control's events by DISPID and calls back on each Listener.
class CountingSink : public IDispatch {
public:
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
            !IsEqualIID(iid, DIID__DHXdigIOEvents))
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_refs; }
    STDMETHOD_(ULONG, Release)() override { return --m_refs; } // lives on the host's stack
    STDMETHOD(GetTypeInfoCount)(UINT* count) override { return *count = 0, S_OK; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        ++m_counts[id];
        if (id == HXEVENTID_LISTENER && onListener) onListener();
        return S_OK;
    }
    long Count(DISPID id) { return m_counts[id]; }
    std::function<void()> onListener;

private:
    std::atomic<ULONG> m_refs{0};
    std::map<DISPID, std::atomic<long>> m_counts;
};

class BenchHost {
public:
    BenchHost() {
        CoInitialize(nullptr);
        m_module.reset(LoadLibraryA("HXDigIO.ocx"));
        m_atl.reset(LoadLibraryA("atl100.dll"));
        if (!m_module || !m_atl || Export<HRESULT(STDAPICALLTYPE*)()>(m_module, "DllRegisterServer")() != S_OK)
            return;
        m_registered = true;
        auto init = Export<BOOL(WINAPI*)()>(m_atl, "AtlAxWinInit");
        auto getControl = Export<HRESULT(WINAPI*)(HWND, IUnknown**)>(m_atl, "AtlAxGetControl");
        if (!init || !getControl || !init()) return;
        m_form = CreateWindowExA(0, "AtlAxWin100", "HXDIGIO.HXdigIOCtrl.1", WS_POPUP | WS_VISIBLE,
                                 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
        hx::com_ptr<IUnknown> unknown;
        if (!m_form || FAILED(getControl(m_form, unknown.put()))) return;
        m_control = unknown.query<IDispatch>(IID_IDispatch);
        auto container = unknown.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
        if (container) container->FindConnectionPoint(DIID__DHXdigIOEvents, m_point.put());
        if (m_point) m_point->Advise(&m_sink, &m_cookie);
    }
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;
    ~BenchHost() {
        if (m_point) m_point->Unadvise(m_cookie);
        m_point.reset();
        m_control.reset();
        if (m_form) DestroyWindow(m_form);
        PumpMessagesFor(0.05);
        if (m_registered) Export<HRESULT(STDAPICALLTYPE*)()>(m_module, "DllUnregisterServer")();
        UseSettings(0);
        CoUninitialize();
    }

    bool Ready() const { return m_control && m_cookie != 0; }
    long Count(DISPID id) { return m_sink.Count(id); }
    void OnListener(std::function<void()> callback) { m_sink.onListener = std::move(callback); }
    void PumpFor(double seconds) { PumpMessagesFor(seconds); }

    void Bind(LONGLONG image) {
        VARIANT value;
        value.vt = VT_I8;
        value.llVal = image;
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params = {&value, &put, 1, 1};
        m_control->Invoke(HXDISPID_IMAGE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                          nullptr, nullptr);
    }
    LONGLONG Create(DISPID id, std::initializer_list<long> arguments) {
        std::vector<VARIANT> reversed(arguments.size());
        size_t i = arguments.size();
        for (long argument : arguments) {
            reversed[--i].vt = VT_I4;
            reversed[i].lVal = argument;
        }
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VARIANT result;
        VariantInit(&result);
        m_control->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        return result.vt == VT_I8 ? result.llVal : 0;
    }
    bool Call(DISPID id, LONGLONG worker) {
        VARIANT handle;
        handle.vt = VT_I8;
        handle.llVal = worker;
        DISPPARAMS params = {&handle, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        m_control->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        return result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
    }
    // "DigIO via HPC" for the togglers made from now on.
    void UseSettings(DWORD useHPC) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH);
        if (useHPC)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, HXK_TOOLKIT_KEY_PATH, "DigIO via HPC", REG_DWORD,
                            &useHPC, sizeof useHPC);
    }

private:
    template <class Function> static Function Export(const hx::unique_hmodule& module, const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.get(), name)));
    }

    hx::unique_hmodule m_module, m_atl;
    bool m_registered = false;
    HWND m_form = nullptr;
    hx::com_ptr<IDispatch> m_control;
    hx::com_ptr<IConnectionPoint> m_point;
    CountingSink m_sink;
    DWORD m_cookie = 0;
};
