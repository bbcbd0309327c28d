// The control's icon (resource 1 of HXDigIO.ocx) as pixels, and what it
// should leave on a background once drawn: the suites compare drawings
// with it.
#pragma once

#include "WicPng.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace hxtest {

// The 32 x 32 image of icon 1 as BGRA values with their alpha, top row
// first; empty when the module has no such image.
inline std::vector<DWORD> IconPixels(HMODULE module) {
    const HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), RT_GROUP_ICON);
    auto* directory =
        group ? static_cast<BYTE*>(LockResource(LoadResource(module, group))) : nullptr;
    const int id = directory ? LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, 0) : 0;
    const HRSRC icon = id ? FindResourceA(module, MAKEINTRESOURCEA(id), RT_ICON) : nullptr;
    const auto* header =
        icon ? static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, icon)))
             : nullptr;
    if (!header || header->biWidth != 32 || header->biBitCount != 32) return {};
    const auto* rows = reinterpret_cast<const DWORD*>(header + 1); // bottom row first
    std::vector<DWORD> pixels(32 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            pixels[y * 32 + x] = rows[(31 - y) * 32 + x];
    return pixels;
}

// Checks that the picture holds the icon with its top left corner at
// (left, top): fully opaque pixels show the icon's colour, fully
// transparent ones the background, when one is given (partly transparent
// ones are blended and not compared). Returns how many pixels it compared.
inline int ExpectIconAt(const Picture& picture, const std::vector<DWORD>& icon, int left, int top,
                        const DWORD* background) {
    int compared = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const DWORD source = icon[y * 32 + x];
            const BYTE alpha = static_cast<BYTE>(source >> 24);
            const DWORD seen = picture.At(left + x, top + y);
            if (alpha == 0xFF) {
                EXPECT_EQ(source & 0x00FFFFFF, seen) << "opaque pixel " << x << "," << y;
                ++compared;
            } else if (alpha == 0 && background) {
                EXPECT_EQ(*background, seen) << "transparent pixel " << x << "," << y;
                ++compared;
            }
        }
    }
    return compared;
}

} // namespace hxtest
