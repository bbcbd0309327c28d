// Sizes between the screen's pixels and OLE's HIMETRIC units (0.01 mm).
#pragma once

#include <windows.h>

namespace afx {
SIZEL PixelsToHimetric(SIZE pixels);
SIZE HimetricToPixels(SIZEL himetric);
} // namespace afx
