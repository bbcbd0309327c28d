// CaxCString::ToVector2D: text "x,y" into a vector.
#include "CaxCString.h"

#include "CaxPlatform.h"
#include "CaxVector2D.h"

#include <algorithm>

// A start outside the text answers (0, 0); a count reaching past the end takes
// the text up to the end.
CaxVector2D CaxCString::ToVector2D(int start, const std::uint32_t* count) const {
    if (start < 0 || start > GetLength()) return CaxVector2D(0.0, 0.0);
    const std::uint32_t rest = static_cast<std::uint32_t>(GetLength() - start);
    const std::uint32_t taken = count ? std::min(*count, rest) : rest;
    const CaxCString text = Mid(start, static_cast<int>(taken));
    const char* characters = text.GetData() ? text.GetData() : "";
    const int comma = text.Find(",", 0);
    if (comma < 0)
        return CaxVector2D(caxplatform::TextToDouble(characters), caxplatform::TextToDouble(" "));
    const CaxCString x = text.Left(comma);
    return CaxVector2D(caxplatform::TextToDouble(x.GetData()),
                       caxplatform::TextToDouble(characters + comma + 1));
}
