// Small owners for the Win32 and COM resources of the automation server.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace hxk {

class RegKey {
public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() {
        if (key_) RegCloseKey(key_);
    }
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

class VariantHolder {
public:
    VariantHolder() { VariantInit(&value_); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;
    ~VariantHolder() { VariantClear(&value_); }
    VARIANT* get() { return &value_; }
    const VARIANT& value() const { return value_; }

private:
    VARIANT value_;
};

// A BSTR made from 8-bit text; the caller owns it (null when out of memory).
inline BSTR allocBstr(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return nullptr;
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (result) MultiByteToWideChar(CP_ACP, 0, text, -1, result, length);
    return result;
}

} // namespace hxk
