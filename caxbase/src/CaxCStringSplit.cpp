#include "CaxCString.h"

#include "CaxList"

#include <cstring>
#include <memory>

CaxDLList<CaxCString>* CaxCString::Split(const char* separator, bool dropSeparator) const {
    auto pieces = std::make_unique<CaxDLList<CaxCString>>();
    if (m_length == 0) return pieces.release();
    // A null or empty separator is never found: the whole text is one piece.
    const int separatorLength =
        (separator && *separator) ? static_cast<int>(std::strlen(separator)) : 0;
    const int length = GetLength();
    int start = 0;
    for (;;) {
        const int p = Find(separator, start);
        if (p < 0) {
            pieces->AddTail(Mid(start, length - start));
            break;
        }
        const int end = dropSeparator ? p : p + separatorLength;
        pieces->AddTail(Mid(start, end - start));
        start = p + separatorLength;
    }
    return pieces.release();
}
