// The error plumbing of functions that answer an HRESULT, the same way
// everywhere:
//
//   RETURN_IF_FAILED(expr)          returns expr's HRESULT when it failed
//   RETURN_HR_IF(hr, condition)     returns hr when condition holds
//   RETURN_IF_WIN32_ERROR(expr)     returns the HRESULT of a nonzero Win32 code
//   RETURN_LAST_ERROR_IF(condition) returns GetLastError() as an HRESULT (E_FAIL
//                                   when the call left no error code)
#pragma once

#include <windows.h>

namespace hx {
inline HRESULT last_error_result() noexcept {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}
} // namespace hx

#define RETURN_IF_FAILED(expression)                                                               \
    do {                                                                                           \
        const HRESULT hx_hr_ = (expression);                                                       \
        if (FAILED(hx_hr_)) return hx_hr_;                                                         \
    } while (false)

#define RETURN_HR_IF(hr, condition)                                                                \
    do {                                                                                           \
        if (condition) return (hr);                                                                \
    } while (false)

#define RETURN_IF_WIN32_ERROR(expression)                                                          \
    do {                                                                                           \
        const LONG hx_status_ = static_cast<LONG>(expression);                                     \
        if (hx_status_ != 0) return HRESULT_FROM_WIN32(static_cast<DWORD>(hx_status_));            \
    } while (false)

#define RETURN_LAST_ERROR_IF(condition)                                                            \
    do {                                                                                           \
        if (condition) return ::hx::last_error_result();                                           \
    } while (false)
