// printf-style formatting of CaxCString: the text is tried in buffers of
// 256, 1280, 2304, ... bytes (steps of 1024, below 65536) until it fits.
#include "CaxCString.h"

#include "CaxFaultSeam.h"
#include "CaxPlatform.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::uint32_t kFirstTry = 256;
constexpr std::uint32_t kStep = 1024;
constexpr std::uint32_t kLimit = 65536;

struct FreeDeleter {
    void operator()(char* p) const noexcept { std::free(p); }
};
using TemporaryBuffer = std::unique_ptr<char, FreeDeleter>;

// Formats into a temporary buffer of the first size that holds the whole
// text; answers the buffer (null when no size fits or the text is empty) and
// its length.
TemporaryBuffer FormatToTemporary(const char* format, va_list args, std::uint32_t& length,
                                  std::uint32_t& bufferSize) {
    for (std::uint32_t size = kFirstTry; size < kLimit; size += kStep) {
        if (caxseam::ShouldFail(caxseam::Point::StringAllocation)) throw -1;
        TemporaryBuffer buffer(static_cast<char*>(std::malloc(size)));
        if (!buffer) throw -1;
        va_list attempt;
        va_copy(attempt, args);
        const int n = caxplatform::VsnPrintf(buffer.get(), size, format, attempt);
        va_end(attempt);
        if (n > 0 && static_cast<std::uint32_t>(n) < size) {
            buffer.get()[n] = '\0';
            length = static_cast<std::uint32_t>(n);
            bufferSize = size;
            return buffer;
        }
    }
    return nullptr;
}

} // namespace

void CaxCString::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    try {
        AppendFormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void CaxCString::AppendFormatV(const char* format, va_list args) {
    if (!format) return;
    std::uint32_t length = 0;
    std::uint32_t size = 0;
    const TemporaryBuffer text = FormatToTemporary(format, args, length, size);
    if (text) Append(text.get());
}

void CaxCString::Format(const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    std::uint32_t length = 0;
    std::uint32_t size = 0;
    TemporaryBuffer text;
    try {
        // Formatted aside first: an argument may point into our own block.
        text = FormatToTemporary(format, args, length, size);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    if (!text) {
        // Nothing fitted (or the text is empty): the string is left empty.
        Reserve(kFirstTry);
        SetLength(0);
        return;
    }
    Reserve(size);
    std::memcpy(m_data, text.get(), length);
    SetLength(length);
}
