// The system's ATL host window (class "AtlAxWin100"), which creates a control
// from the ProgID in its window text, initialises its persistence, sets its
// extent and activates it in place.
#pragma once

#include <windows.h>

namespace hxtest {

constexpr char kControlProgID[] = "HXDIGIO.HXdigIOCtrl.1";

// atl100.dll with its host window class registered, once for the process:
// the class it registers lives as long as the process, so the library does
// too. Null when the system has no ATL host.
inline HMODULE AtlLibrary() {
    static const HMODULE atl = [] {
        const HMODULE library = LoadLibraryA("atl100.dll");
        using Init = BOOL(WINAPI*)();
        const auto init = library ? reinterpret_cast<Init>(reinterpret_cast<void*>(
                                        GetProcAddress(library, "AtlAxWinInit")))
                                  : nullptr;
        return init && init() ? library : nullptr;
    }();
    return atl;
}

} // namespace hxtest
