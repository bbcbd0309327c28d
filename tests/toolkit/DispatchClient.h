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
    explicit Var(const std::wstring& text) : Var() {
        V_VT(&v_) = VT_BSTR;
        V_BSTR(&v_) = SysAllocString(text.c_str());
    }
    Var(const Var& other) : Var() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(&v_); }
    // How a script passes a variable (by reference) or leaves an optional argument out.
    static Var byRef(Var& target) {
        Var made;
        V_VT(&made.v_) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&made.v_) = &target.v_;
        return made;
    }
    static Var missing() {
        Var made;
        V_VT(&made.v_) = VT_ERROR;
        V_ERROR(&made.v_) = DISP_E_PARAMNOTFOUND;
        return made;
    }
    VARIANT* get() { return &v_; }
    // As the control's VT_I8 Image property takes it; -1 when it is no number.
    int64_t number() const {
        Var converted;
        VariantChangeType(&converted.v_, const_cast<VARIANT*>(&v_), 0, VT_I8);
        return V_VT(&converted.v_) == VT_I8 ? V_I8(&converted.v_) : -1;
    }
    HXKIMAGE handle() const { return reinterpret_cast<HXKIMAGE>(static_cast<uintptr_t>(number())); }

private:
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

    DISPID idOf(const char* name) const {
        std::wstring wide(name, name + std::char_traits<char>::length(name));
        LPOLESTR names[] = {wide.data()};
        DISPID id = DISPID_UNKNOWN;
        dispatch_->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        return id;
    }
    // A method call as scripts make it: rgvarg holds the arguments backwards.
    HRESULT call(const char* name, std::initializer_list<Var> args, Var* result = nullptr,
                 EXCEPINFO* exception = nullptr, UINT* argErr = nullptr) const {
        std::vector<VARIANT> reversed;
        for (auto it = std::rbegin(args); it != std::rend(args); ++it)
            reversed.push_back(*const_cast<Var&>(*it).get());
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return dispatch_->Invoke(idOf(name), IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                 &params, result ? result->get() : nullptr, exception, argErr);
    }
    // A member's result as a number; -1 when the call fails.
    int64_t number(const char* name, std::initializer_list<Var> args) const {
        Var result;
        return call(name, args, &result) == S_OK ? result.number() : -1;
    }

private:
    IDispatch* dispatch_ = nullptr;
};
