// CaxCString::ToVector2D on any text, start and count, checked against the
// string's own ToDouble of the two halves; vectors written with 17 digits
// read back exactly; and CaxVector2D's arithmetic on any doubles, with its
// two math exceptions exactly where a zero divisor or a zero length occurs.
#include "CaxCString.h"
#include "CaxHRESULT.h"
#include "CaxVector2D.h"
#include "fuzz_check.h"

#include <cmath>
#include <cstring>

namespace {

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool Same(const CaxVector2D& v, double x, double y) {
    return SameBits(v.GetX(), x) && SameBits(v.GetY(), y);
}

void CheckParse(const std::string& text, int start, bool withCount, std::uint32_t count) {
    const CaxCString s(text.c_str());
    const CaxVector2D v = s.ToVector2D(start, withCount ? &count : nullptr);
    FUZZ_REQUIRE(v.GetClassID() == 13);
    if (start < 0 || static_cast<std::size_t>(start) > text.size()) {
        FUZZ_REQUIRE(Same(v, 0.0, 0.0));
        return;
    }
    const std::string piece =
        text.substr(static_cast<std::size_t>(start), withCount ? count : std::string::npos);
    const std::size_t comma = piece.find(',');
    const std::string x = piece.substr(0, comma);
    const std::string y = comma == std::string::npos ? " " : piece.substr(comma + 1);
    FUZZ_REQUIRE(Same(v, CaxCString(x.c_str()).ToDouble(0), CaxCString(y.c_str()).ToDouble(0)));
}

template <class Call> void ExpectMathError(std::uint32_t value, std::uint32_t line, Call call) {
    try {
        call();
    } catch (const axMath::CaxMathException& e) {
        FUZZ_REQUIRE(e.GetValue() == value && e.GetLine() == line);
        FUZZ_REQUIRE(std::strcmp(e.GetFile(), CaxVector2D::kSourceName) == 0);
        FUZZ_REQUIRE(std::strstr(e.GetMessage(), "Exception from Sub-Facility 'axMath'"));
        return;
    }
    fuzzcheck::Fail("no math exception", __FILE__, __LINE__);
}

void CheckArithmetic(double x, double y, double ox, double oy, double s) {
    const CaxVector2D a(x, y);
    const CaxVector2D b(ox, oy);
    FUZZ_REQUIRE(Same(a + b, x + ox, y + oy) && Same(a - b, x - ox, y - oy));
    FUZZ_REQUIRE(SameBits(a * b, x * ox + y * oy) || std::isnan(a * b));
    FUZZ_REQUIRE(Same(a * s, s * x, s * y) && Same(a.Perpendicular(), y, -x));
    CaxVector2D c(a);
    FUZZ_REQUIRE(Same(c += b, x + ox, y + oy) && Same(c, x + ox, y + oy));
    c = a;
    FUZZ_REQUIRE(Same(c -= b, x - ox, y - oy) && Same(c *= s, s * (x - ox), s * (y - oy)));
    // A vector and its perpendicular are orthogonal while the products are finite.
    if (std::isfinite(x * y)) FUZZ_REQUIRE(a * a.Perpendicular() == 0.0);

    if (s == 0.0) {
        ExpectMathError(0x00101005u, 149, [&] { return a / s; });
        c = a;
        ExpectMathError(0x00101005u, 158, [&] { return c /= s; });
        FUZZ_REQUIRE(Same(c, x, y)); // left as it was
    } else {
        FUZZ_REQUIRE(Same(a / s, x / s, y / s));
        c = a;
        FUZZ_REQUIRE(Same(c /= s, x / s, y / s) && Same(c, x / s, y / s));
    }
    const double length = std::sqrt(x * x + y * y);
    if (length == 0.0) { // also when the squares underflow
        ExpectMathError(0x00101007u, 279, [&] { return a.Normalized(); });
    } else {
        const CaxVector2D n = a.Normalized();
        FUZZ_REQUIRE(Same(n, x / length, y / length));
        if (std::isfinite(length) && length > 1e-150 && length < 1e150)
            FUZZ_REQUIRE(std::fabs(n * n - 1.0) < 1e-12);
    }
    const auto ix = std::isfinite(x) ? static_cast<std::int32_t>(std::fmod(x, 2147483647.0)) : 0;
    FUZZ_REQUIRE(Same(c = std::make_pair(ix, -ix), double(ix), double(-ix)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const double x = in.ConsumeFloatingPoint<double>();
    const double y = in.ConsumeFloatingPoint<double>();
    const double ox = in.ConsumeFloatingPoint<double>();
    const double oy = in.ConsumeFloatingPoint<double>();
    const double s = in.ConsumeBool() ? 0.0 : in.ConsumeFloatingPoint<double>();
    const bool withCount = in.ConsumeBool();
    const auto count = in.ConsumeIntegralInRange<std::uint32_t>(0, 80);
    const std::string text = fuzzcheck::Text(in, 256);
    const int start = fuzzcheck::Index(in, text.size());

    CheckParse(text, start, withCount, count);
    CheckArithmetic(x, y, ox, oy, s);
    if (std::isfinite(x) && std::isfinite(y)) {
        CaxCString written;
        written.Format("%.17g,%.17g", x, y);
        FUZZ_REQUIRE(Same(written.ToVector2D(0), x, y));
    }
    return 0;
}
