#include "AfxOleSize.h"

namespace {

constexpr int kHimetricPerInch = 2540;

// The screen's resolution, asked once: it does not change while a process
// draws on it.
SIZE ScreenPixelsPerInch() {
    static const SIZE resolution = [] {
        SIZE dpi = {96, 96};
        if (HDC screen = GetDC(nullptr)) {
            dpi = {GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
            ReleaseDC(nullptr, screen);
        }
        return dpi;
    }();
    return resolution;
}

} // namespace

namespace afx {

SIZEL PixelsToHimetric(SIZE pixels) {
    const SIZE dpi = ScreenPixelsPerInch();
    return {MulDiv(pixels.cx, kHimetricPerInch, dpi.cx),
            MulDiv(pixels.cy, kHimetricPerInch, dpi.cy)};
}

SIZE HimetricToPixels(SIZEL himetric) {
    const SIZE dpi = ScreenPixelsPerInch();
    return {MulDiv(himetric.cx, dpi.cx, kHimetricPerInch),
            MulDiv(himetric.cy, dpi.cy, kHimetricPerInch)};
}

} // namespace afx
