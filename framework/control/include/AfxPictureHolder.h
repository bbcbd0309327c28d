// CPictureHolder: a picture object (IPicture) made from an image of the
// module, rendered into any device context.
#pragma once

#include "hx/com_ptr.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

class CPictureHolder {
public:
    // An icon resource of the module, at its own size; the picture owns it.
    BOOL CreateFromIcon(UINT idResource);
    // The whole picture stretched over rcRender; rcWBounds is the bounds of
    // a metafile device context (ignored by others).
    void Render(HDC hdc, const RECT& rcRender, const RECT& rcWBounds);

    hx::com_ptr<IPicture> m_pPict;
};
