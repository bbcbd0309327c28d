#include "AfxPictureHolder.h"

#include "AfxModuleState.h"

BOOL CPictureHolder::CreateFromIcon(UINT idResource) {
    m_pPict.reset();
    // Not shared: the picture destroys the icon when it goes.
    const HICON icon = static_cast<HICON>(LoadImageA(
        AfxGetResourceHandle(), MAKEINTRESOURCEA(idResource), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!icon) return FALSE;
    PICTDESC description = {};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_ICON;
    description.icon.hicon = icon;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPicture, TRUE, m_pPict.put_void()))) {
        DestroyIcon(icon);
        return FALSE;
    }
    return TRUE;
}

void CPictureHolder::Render(HDC hdc, const RECT& rcRender, const RECT& rcWBounds) {
    if (!m_pPict || !hdc) return;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_pPict->get_Width(&width);
    m_pPict->get_Height(&height);
    // Pictures are addressed bottom-up in HIMETRIC units.
    m_pPict->Render(hdc, rcRender.left, rcRender.top, rcRender.right - rcRender.left,
                    rcRender.bottom - rcRender.top, 0, height - 1, width, -height, &rcWBounds);
}
