// CaxCString's printf-style formatting (Format, AppendFormat, AppendFormatV)
// and the formatted message of CaxExceptionObject, against the C library's
// vsnprintf. The format strings are built from the input by a small grammar
// whose n-th conversion always matches the n-th argument's type, so every
// call is well defined; widths and precisions reach the ends of the
// formatter's buffers, up to past the largest (64768 bytes).
#include "CaxCString.h"
#include "CaxException.h"
#include "fuzz_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The largest text the formatter keeps: it tries buffers of 256, 1280, ...
// bytes below 65536, and a text must be shorter than its buffer.
constexpr std::size_t kFirstBuffer = 256;
constexpr std::size_t kBufferStep = 1024;
constexpr std::size_t kLargestText = 64767;

// The types of the fixed argument list, in order; conversion n takes argument n.
enum class Slot { Int, Text, Double, LongLong, Unsigned };
constexpr Slot kSlots[] = {Slot::Int,      Slot::Text, Slot::Double, Slot::LongLong,
                           Slot::Unsigned, Slot::Text, Slot::Double, Slot::Int};

struct Arguments {
    int i0 = 0;
    std::string s0;
    double d0 = 0;
    long long ll = 0;
    unsigned u = 0;
    std::string s1;
    double d1 = 0;
    int i1 = 0;
};

// A width or precision: mostly small; at most once per format a large one
// next to the end of one of the buffers (256 + 1024 k), up to just past the
// largest. A long text is formatted once per buffer size, so only one.
int Number(FuzzedDataProvider& in, bool& largeTaken) {
    if (largeTaken || in.ConsumeIntegralInRange(0, 31) != 0)
        return in.ConsumeIntegralInRange(0, 40);
    largeTaken = true;
    return static_cast<int>(kFirstBuffer + kBufferStep * in.ConsumeIntegralInRange(0, 63)) +
           in.ConsumeIntegralInRange(-3, 3);
}

// One conversion for an argument of the slot's type, with only the flags,
// width and precision that are defined for it.
std::string Conversion(FuzzedDataProvider& in, Slot slot, bool& largeTaken) {
    std::string directive = "%";
    const auto flagBits = in.ConsumeIntegral<std::uint8_t>();
    const char* conversions = "";
    bool numeric = true;
    bool alternate = false;
    bool precision = true;
    std::string length;
    switch (slot) {
    case Slot::Int:
        conversions = "dic";
        break;
    case Slot::Unsigned:
        conversions = "ouxX";
        alternate = true;
        break;
    case Slot::LongLong:
        conversions = "di";
        length = "ll";
        break;
    case Slot::Double:
        conversions = "fFeEgGaA";
        alternate = true;
        break;
    case Slot::Text:
        conversions = "s";
        numeric = false;
        break;
    }
    const char conversion =
        conversions[in.ConsumeIntegralInRange<std::size_t>(0, std::strlen(conversions) - 1)];
    if (conversion == 'c') {
        numeric = false;
        precision = false;
    }
    if (flagBits & 1) directive += '-';
    if ((flagBits & 2) && numeric) directive += '+';
    if ((flagBits & 4) && numeric) directive += ' ';
    if ((flagBits & 8) && alternate) directive += '#';
    if ((flagBits & 16) && numeric) directive += '0';
    if (flagBits & 32) directive += std::to_string(Number(in, largeTaken));
    if ((flagBits & 64) && precision) directive += "." + std::to_string(Number(in, largeTaken));
    return directive + length + conversion;
}

std::string Literal(FuzzedDataProvider& in) {
    std::string text;
    for (char c : fuzzcheck::Text(in, 24)) {
        text += c;
        if (c == '%') text += '%';
    }
    return text;
}

std::string Reference(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(again);
    return text;
}

// AppendFormatV called the way a variadic caller of the library would.
void AppendVia(CaxCString& s, const char* format, ...) {
    va_list args;
    va_start(args, format);
    s.AppendFormatV(format, args);
    va_end(args);
}

bool Holds(const CaxCString& s, const std::string& text) {
    return s.GetData() && static_cast<std::size_t>(s.GetLength()) == text.size() &&
           std::memcmp(s.GetData(), text.data(), text.size()) == 0 &&
           s.GetData()[text.size()] == '\0';
}

// The buffer the text first fits in: what a fresh string's block becomes.
std::size_t BufferFor(std::size_t length) {
    std::size_t size = kFirstBuffer;
    while (length >= size)
        size += kBufferStep;
    return size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Arguments a;
    a.i0 = in.ConsumeIntegral<int>();
    a.s0 = fuzzcheck::Text(in, 300);
    a.d0 = in.ConsumeFloatingPoint<double>();
    a.ll = in.ConsumeIntegral<long long>();
    a.u = in.ConsumeIntegral<unsigned>();
    a.s1 = fuzzcheck::Text(in, 40);
    a.d1 = in.ConsumeFloatingPoint<double>();
    a.i1 = in.ConsumeIntegral<int>();
    const std::string prefix = fuzzcheck::Text(in, 40);

    std::string format = Literal(in);
    const std::size_t conversions = in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSlots));
    bool largeTaken = false;
    for (std::size_t n = 0; n < conversions; ++n)
        format += Conversion(in, kSlots[n], largeTaken) + Literal(in);
    const char* f = format.c_str();
#define HX_FUZZ_ARGUMENTS a.i0, a.s0.c_str(), a.d0, a.ll, a.u, a.s1.c_str(), a.d1, a.i1
    const std::string expected = Reference(f, HX_FUZZ_ARGUMENTS);
    const bool kept = !expected.empty() && expected.size() <= kLargestText;
    // Appending goes through Append(const char*): a %c of 0 ends the text there.
    const std::string appendedText = kept ? std::string(expected.c_str()) : "";

    // Format on a fresh string: the text in the block of the first buffer
    // size that holds it; an empty or too long text leaves the string empty.
    CaxCString fresh;
    fresh.Format(f, HX_FUZZ_ARGUMENTS);
    FUZZ_REQUIRE(Holds(fresh, kept ? expected : ""));
    if (kept) FUZZ_REQUIRE(fresh.GetCapacity() == BufferFor(expected.size()));

    // Format replaces what was there; AppendFormat adds to it or adds nothing.
    CaxCString replaced(prefix.c_str());
    replaced.Format(f, HX_FUZZ_ARGUMENTS);
    FUZZ_REQUIRE(Holds(replaced, kept ? expected : ""));
    CaxCString appended(prefix.c_str());
    appended.AppendFormat(f, HX_FUZZ_ARGUMENTS);
    FUZZ_REQUIRE(Holds(appended, prefix + appendedText));
    CaxCString appendedV(prefix.c_str());
    AppendVia(appendedV, f, HX_FUZZ_ARGUMENTS);
    FUZZ_REQUIRE(Holds(appendedV, prefix + appendedText));

    // The exception's message is formatted the same way.
    const CaxExceptionObject error("file.cpp", -7, f, HX_FUZZ_ARGUMENTS);
    FUZZ_REQUIRE(error.GetMessage() == appendedText);
    FUZZ_REQUIRE(error.GetResult() == 0x80000000u && error.GetLine() == -7);
    const CaxExceptionObject copy(error);
    FUZZ_REQUIRE(std::string(copy.GetMessage()) == error.GetMessage());
    if (error.GetMessageString().GetData()) // a deep copy
        FUZZ_REQUIRE(copy.GetMessageString().GetData() != error.GetMessageString().GetData());
    // The format-only constructor (with an integer right after the format the
    // call would bind to the one with file and line instead).
    const CaxExceptionObject formatOnly("%s|%.3s", a.s0.c_str(), a.s1.c_str());
    FUZZ_REQUIRE(formatOnly.GetMessage() == a.s0 + "|" + a.s1.substr(0, 3));
    FUZZ_REQUIRE(formatOnly.GetResult() == 0x80000000u && formatOnly.GetLine() == 0);
    FUZZ_REQUIRE(formatOnly.GetFile() == nullptr);
#undef HX_FUZZ_ARGUMENTS

    // An argument may be the string's own characters.
    CaxCString self(prefix.c_str());
    self.Format("<%s|%s>", self.GetData(), self.GetData());
    FUZZ_REQUIRE(Holds(self, "<" + prefix + "|" + prefix + ">"));
    self.AppendFormat("%s", self.GetData());
    FUZZ_REQUIRE(Holds(self, "<" + prefix + "|" + prefix + "><" + prefix + "|" + prefix + ">"));

    // A null format changes nothing.
    CaxCString untouched(prefix.c_str());
    untouched.Format(nullptr);
    untouched.AppendFormat(nullptr);
    FUZZ_REQUIRE(Holds(untouched, prefix));
    return 0;
}
