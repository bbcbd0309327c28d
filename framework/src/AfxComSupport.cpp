#include "AfxComSupport.h"

CAfxBstr::CAfxBstr(const char* text) {
    if (!text) return;
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return;
    // SysAllocStringLen adds the terminator itself.
    m_bstr = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (m_bstr) MultiByteToWideChar(CP_ACP, 0, text, -1, m_bstr, length);
}
