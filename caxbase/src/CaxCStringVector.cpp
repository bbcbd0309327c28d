// CaxCString::ToVector2D: text "x,y" into a vector.
#include "CaxCString.h"

#include "CaxPlatform.h"
#include "CaxVector2D.h"

CaxVector2D CaxCString::ToVector2D(int start, const std::uint32_t* count) const {
    const int taken = count ? static_cast<int>(*count) : GetLength() - start;
    const CaxCString text = Mid(start, taken);
    const char* characters = text.GetData() ? text.GetData() : "";
    const int comma = text.Find(",", 0);
    if (comma < 0)
        return CaxVector2D(caxplatform::TextToDouble(characters), caxplatform::TextToDouble(" "));
    const CaxCString x = text.Left(comma);
    return CaxVector2D(caxplatform::TextToDouble(x.GetData()),
                       caxplatform::TextToDouble(characters + comma + 1));
}
