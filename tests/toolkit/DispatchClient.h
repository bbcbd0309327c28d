// A late-binding IDispatch client shaped like a script host: members by
// name, arguments in call order as VARIANTs.
#pragma once

#include "HXKSimAutomation.h"
#include "HXKToolkit.h"

#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <vector>

class Var {
public:
    Var() { VariantInit(&v_); }
    // A number as VT_I4, VT_R8, VT_I8 or VT_BOOL (made by the system's coercion).
    explicit Var(double number, VARTYPE type = VT_I4) : Var() {
        V_VT(&v_) = VT_R8;
        V_R8(&v_) = number;
        VariantChangeType(&v_, &v_, 0, type);
    }
    Var(const Var& other) : Var() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(&v_); }
    static Var bstr(const std::wstring& text) {
        return make(VT_BSTR, [&](VARIANT& v) { V_BSTR(&v) = SysAllocString(text.c_str()); });
    }
    // How a script passes a variable: by reference to its VARIANT.
    static Var byRef(Var& target) {
        return make(VT_BYREF | VT_VARIANT, [&](VARIANT& v) { V_VARIANTREF(&v) = &target.v_; });
    }
    // An optional argument left out.
    static Var missing() {
        return make(VT_ERROR, [](VARIANT& v) { V_ERROR(&v) = DISP_E_PARAMNOTFOUND; });
    }
    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    HXKIMAGE handle() const { // as the control's VT_I8 Image property takes it
        Var converted;
        VariantChangeType(&converted.v_, const_cast<VARIANT*>(&v_), 0, VT_I8);
        return reinterpret_cast<HXKIMAGE>(static_cast<uintptr_t>(V_I8(&converted.v_)));
    }

private:
    template <class Fill> static Var make(VARTYPE type, Fill fill) {
        Var made;
        V_VT(&made.v_) = type;
        fill(made.v_);
        return made;
    }
    VARIANT v_;
};

class DispatchClient {
public:
    DispatchClient() = default;
    DispatchClient(const DispatchClient&) = delete;
    DispatchClient& operator=(const DispatchClient&) = delete;
    ~DispatchClient() { reset(); }
    IDispatch* get() const { return dispatch_; }
    void** put() {
        reset();
        return reinterpret_cast<void**>(&dispatch_);
    }
    void reset() {
        if (dispatch_) dispatch_->Release();
        dispatch_ = nullptr;
    }

    DISPID idOf(const char* name, HRESULT* hr = nullptr) const {
        std::wstring wide(name, name + std::char_traits<char>::length(name));
        LPOLESTR names[] = {wide.data()};
        DISPID id = 0;
        const HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        if (hr) *hr = result;
        return id;
    }

    // DISPATCH_PROPERTYPUT, or named = true, passes the first argument as a
    // named one (DISPID_PROPERTYPUT or DISPID 0).
    HRESULT call(const char* name, std::initializer_list<Var> args, Var* result = nullptr,
                 EXCEPINFO* exception = nullptr, UINT* argErr = nullptr,
                 WORD flags = DISPATCH_METHOD, bool named = false) const {
        HRESULT hr = S_OK;
        const DISPID id = idOf(name, &hr);
        std::vector<VARIANT> reversed;
        for (auto it = std::rbegin(args); it != std::rend(args); ++it)
            reversed.push_back(*it->get());
        DISPID namedId = (flags & DISPATCH_PROPERTYPUT) ? DISPID_PROPERTYPUT : 0;
        DISPPARAMS params = {reversed.data(), &namedId, static_cast<UINT>(reversed.size()),
                             (named || namedId) ? 1u : 0u};
        return FAILED(hr) ? hr
                          : dispatch_->Invoke(id, IID_NULL, 0, flags, &params,
                                              result ? result->get() : nullptr, exception, argErr);
    }

private:
    IDispatch* dispatch_ = nullptr;
};

// The simulator's class factory straight from HXKImg.dll, without the registry.
inline HRESULT simulatorFactory(IClassFactory** factory,
                                const CLSID& clsid = CLSID(HXKSIM_CLSID_INITIALIZER)) {
    const auto getClassObject =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleA("HXKImg.dll"), "DllGetClassObject")));
    return getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
}

inline HRESULT createSimulator(DispatchClient* client) {
    IClassFactory* factory = nullptr;
    HRESULT hr = simulatorFactory(&factory);
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, client->put());
    if (factory) factory->Release();
    return hr;
}
