// Pictures of windows as the screen shows them, and PNG files written
// through the system's imaging component (WIC).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace screenshot {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels; // 0x00RRGGBB, top row first
    // How many different colours it has (a blank capture has one).
    size_t Colours() const;
};

// A window's client area and its menu bar, as they are on the screen (the
// caption and border are left out: without a window manager, as under Xvfb,
// nobody draws them). GDI only: any thread may take one.
Picture OfWindow(HWND window);

// Writes a picture as a PNG file. Needs COM on the calling thread.
HRESULT SavePng(const Picture& picture, const std::string& path);

} // namespace screenshot
