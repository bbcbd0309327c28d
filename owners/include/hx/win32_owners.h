// The owners of the Win32 resources the project holds. Each is one line over
// hx::unique_any, named after what it closes.
#pragma once

#include "hx/unique_any.h"

#include <windows.h>

#include <cstdio>

namespace hx {

namespace detail {
// GDI's one close function takes the base handle type.
template <class H> void delete_gdi_object(H object) noexcept {
    ::DeleteObject(object);
}
struct invalid_file_handle {
    static HANDLE value() noexcept { return INVALID_HANDLE_VALUE; }
};
} // namespace detail

// Kernel objects: events, threads, mutexes, ... (null when none).
using unique_handle = unique_any<HANDLE, &::CloseHandle>;
// Kernel objects whose creator answers INVALID_HANDLE_VALUE (CreateFile).
using unique_file = unique_any<HANDLE, &::CloseHandle, detail::invalid_file_handle>;
using unique_hkey = unique_any<HKEY, &::RegCloseKey>;
// RegisterEventSource's handle.
using unique_event_source = unique_any<HANDLE, &::DeregisterEventSource>;
using unique_hmodule = unique_any<HMODULE, &::FreeLibrary>;
using unique_hfont = unique_any<HFONT, &detail::delete_gdi_object<HFONT>>;
using unique_hbitmap = unique_any<HBITMAP, &detail::delete_gdi_object<HBITMAP>>;
// A C runtime stream (fopen).
using unique_stdio_file = unique_any<std::FILE*, &std::fclose>;
// A memory device context (CreateCompatibleDC).
using unique_hdc = unique_any<HDC, &::DeleteDC>;

} // namespace hx
