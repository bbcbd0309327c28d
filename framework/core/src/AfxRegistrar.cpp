#include "AfxRegistrar.h"

#include "hx/result_macros.h"
#include "hx/win32_owners.h"

#include <new>
#include <string>
#include <string_view>

namespace {

const char* Lookup(AFX_REG_PARAMS params, std::string_view name) {
    for (const AFX_REG_PARAM& param : params) {
        if (name == param.pszName)
            return param.pszValue && *param.pszValue ? param.pszValue : nullptr;
    }
    return nullptr;
}

// The text with every %NAME% replaced; false when a name is not given. An
// empty result is refused too: it would name HKEY_CLASSES_ROOT itself.
bool Expand(std::string_view text, AFX_REG_PARAMS params, std::string& out) {
    out.clear();
    for (;;) {
        const size_t open = text.find('%');
        if (open == std::string_view::npos) break;
        const size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) return false;
        const char* value = Lookup(params, text.substr(open + 1, close - open - 1));
        if (!value) return false;
        out.append(text.substr(0, open)).append(value);
        text.remove_prefix(close + 1);
    }
    out.append(text);
    return !out.empty();
}

HRESULT WriteEntries(std::span<const AFX_REG_ENTRY> entries, AFX_REG_PARAMS params) {
    std::string key, value;
    for (const AFX_REG_ENTRY& entry : entries) {
        if ((entry.pszWhen && !Lookup(params, entry.pszWhen)) ||
            !Expand(entry.pszKey, params, key) ||
            (entry.pszValue && !Expand(entry.pszValue, params, value)))
            continue;
        hx::unique_hkey handle;
        RETURN_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr,
                                              REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                              handle.put(), nullptr));
        if (entry.pszValue)
            RETURN_IF_WIN32_ERROR(RegSetValueExA(handle.get(), entry.pszValueName, 0, REG_SZ,
                                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                                 static_cast<DWORD>(value.size() + 1)));
    }
    return S_OK;
}

} // namespace

HRESULT AfxRegisterEntries(std::span<const AFX_REG_ENTRY> entries, AFX_REG_PARAMS params) {
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = WriteEntries(entries, params);
    } catch (const std::bad_alloc&) {
    }
    if (FAILED(hr)) AfxUnregisterEntries(entries, params);
    return hr;
}

HRESULT AfxUnregisterEntries(std::span<const AFX_REG_ENTRY> entries, AFX_REG_PARAMS params) {
    HRESULT result = S_OK;
    try {
        std::string key;
        // Every key is tried, so that one failure leaves as little as possible.
        for (const AFX_REG_ENTRY& entry : entries) {
            if (!Expand(entry.pszKey, params, key)) continue;
            const LONG status = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(result))
                result = HRESULT_FROM_WIN32(static_cast<DWORD>(status));
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return result;
}
