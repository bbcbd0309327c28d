// CaxCString's number parsers (ToInt, ToInt64, ToHexHighPart, ToHexLowPart,
// ToUShort, ToDouble) on any text and start index, against a reference that
// reads the digits first and then computes each kind's value from them; and
// round trips of numbers the string class formatted itself.
#include "CaxCString.h"
#include "fuzz_check.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

enum class Kind { Int32, Int64, HexHigh, HexLow };

struct Parsed {
    bool parsed = false; // false: the answer is 0 and the count stays untouched
    std::uint64_t value = 0;
    std::uint32_t count = 0;
};

std::uint64_t DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
    return static_cast<std::uint64_t>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

// Value of digits, wrapping at 64 bits.
std::uint64_t Wrapped(const std::string& digits, std::uint64_t base) {
    std::uint64_t value = 0;
    for (char c : digits)
        value = value * base + DigitValue(c);
    return value;
}

Parsed Reference(const std::string& text, int start, Kind kind) {
    Parsed result;
    if (start < 0 || static_cast<std::size_t>(start) > text.size()) return result;
    std::size_t i = text.find_first_not_of(" \t", static_cast<std::size_t>(start));
    if (i == std::string::npos) return result;
    result.parsed = true;
    const bool hex = text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
    if (hex) {
        const std::size_t end = text.find_first_not_of("0123456789abcdefABCDEF", i + 2);
        const std::string digits =
            text.substr(i + 2, (end == std::string::npos ? text.size() : end) - (i + 2));
        i += 2 + digits.size();
        const std::uint64_t all = Wrapped(digits, 16); // the last 16 digits
        switch (kind) {
        case Kind::Int32:
            result.value = all & 0xFFFFFFFFu;
            break;
        case Kind::Int64:
            result.value = all;
            break;
        case Kind::HexHigh:
            result.value = all >> 32;
            break;
        case Kind::HexLow:
            // Past 32 digits only the lowest nibble follows the new digits.
            if (digits.size() <= 32)
                result.value = all & 0xFFFFFFFFu;
            else
                result.value =
                    (Wrapped(digits.substr(24, 8), 16) & ~0xFull) | DigitValue(digits.back());
            break;
        }
    } else if (kind == Kind::Int32 || kind == Kind::Int64) {
        const bool negative = text[i] == '-';
        if (text[i] == '+' || text[i] == '-') ++i;
        const std::size_t end = text.find_first_not_of("0123456789", i);
        const std::string digits =
            text.substr(i, (end == std::string::npos ? text.size() : end) - i);
        i += digits.size();
        std::uint64_t value = Wrapped(digits, 10);
        if (negative) value = 0 - value;
        result.value = kind == Kind::Int32 ? (value & 0xFFFFFFFFu) : value;
    }
    result.count = static_cast<std::uint32_t>(i - static_cast<std::size_t>(start));
    return result;
}

// The Microsoft atof on decimal text: white space, sign, digits with one
// point, an exponent after e, E, d or D; anything else ends the number.
double ReferenceAtof(const char* text) {
    std::string number;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '+' || *p == '-') number += *p++;
    const std::size_t digitsBefore = std::strspn(p, "0123456789");
    number.append(p, digitsBefore);
    p += digitsBefore;
    std::size_t digitsAfter = 0;
    if (*p == '.') {
        digitsAfter = std::strspn(p + 1, "0123456789");
        number.append(p, digitsAfter + 1);
        p += digitsAfter + 1;
    }
    if (digitsBefore + digitsAfter == 0) return 0.0;
    if (*p && std::strchr("eEdD", *p)) {
        const char* q = p + 1;
        const std::size_t sign = (*q == '+' || *q == '-') ? 1 : 0;
        const std::size_t digits = std::strspn(q + sign, "0123456789");
        if (digits > 0) number += "e" + std::string(q, sign + digits);
    }
    return std::strtod(number.c_str(), nullptr);
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

constexpr std::uint32_t kUntouched = 0xDEADBEEFu;

void CheckAgainstReference(const std::string& text, int start) {
    CaxCString s(text.c_str());
    const struct {
        Kind kind;
        std::uint64_t mask;
    } kinds[] = {{Kind::Int32, 0xFFFFFFFFu},
                 {Kind::Int64, ~0ull},
                 {Kind::HexHigh, 0xFFFFFFFFu},
                 {Kind::HexLow, 0xFFFFFFFFu}};
    for (const auto& k : kinds) {
        std::uint32_t count = kUntouched;
        std::uint64_t answer = 0;
        switch (k.kind) {
        case Kind::Int32:
            answer = static_cast<std::uint32_t>(s.ToInt(start, &count));
            break;
        case Kind::Int64:
            answer = static_cast<std::uint64_t>(s.ToInt64(start, &count));
            break;
        case Kind::HexHigh:
            answer = s.ToHexHighPart(start, &count);
            break;
        case Kind::HexLow:
            answer = s.ToHexLowPart(start, &count);
            break;
        }
        const Parsed expected = Reference(text, start, k.kind);
        FUZZ_REQUIRE(answer == (expected.value & k.mask));
        FUZZ_REQUIRE(count == (expected.parsed ? expected.count : kUntouched));
    }
    // ToUShort: ToInt's answer when it fits in 16 bits, otherwise 0 with count 0.
    const Parsed asInt = Reference(text, start, Kind::Int32);
    std::uint32_t count = kUntouched;
    const std::uint16_t shortAnswer = s.ToUShort(start, &count);
    if (!asInt.parsed) {
        FUZZ_REQUIRE(shortAnswer == 0 && count == kUntouched);
    } else if (asInt.value < 0x10000u) {
        FUZZ_REQUIRE(shortAnswer == asInt.value && count == asInt.count);
    } else {
        FUZZ_REQUIRE(shortAnswer == 0 && count == 0);
    }
    // Without a count pointer the answers are the same.
    FUZZ_REQUIRE(s.ToInt(start) == static_cast<std::int32_t>(asInt.value));
    const double expectedDouble = (start < 0 || static_cast<std::size_t>(start) > text.size())
                                      ? 0.0
                                      : ReferenceAtof(text.c_str() + start);
    FUZZ_REQUIRE(SameBits(s.ToDouble(start), expectedDouble));
    // Parsing never changes the text.
    FUZZ_REQUIRE(s.GetLength() == static_cast<int>(text.size()) && text == s.GetData());
}

// Numbers the string class wrote itself read back exactly, with the count
// covering the blanks in front and the number up to the first other character.
void CheckRoundTrips(FuzzedDataProvider& in) {
    const std::int32_t i32 = in.ConsumeIntegral<std::int32_t>();
    const std::int64_t i64 = in.ConsumeIntegral<std::int64_t>();
    const double d = in.ConsumeFloatingPoint<double>();
    const char* blanks[] = {"", " ", "\t", " \t  "};
    const char* blank = blanks[in.ConsumeIntegralInRange(0, 3)];
    // Tails that end every kind of number (an "x" would turn a written 0 into "0x").
    const char* tails[] = {"", ",", " 7", "g", "z1"};
    const char* tail = tails[in.ConsumeIntegralInRange(0, 4)];

    CaxCString s;
    std::uint32_t count = 0;
    s.Format("%s%d%s", blank, i32, tail);
    FUZZ_REQUIRE(s.ToInt(0, &count) == i32);
    FUZZ_REQUIRE(count == s.GetLength() - std::strlen(tail));
    s.Format("%s%lld%s", blank, static_cast<long long>(i64), tail);
    FUZZ_REQUIRE(s.ToInt64(0, &count) == i64);
    FUZZ_REQUIRE(count == s.GetLength() - std::strlen(tail));
    s.Format("%s0x%llX%s", blank, static_cast<unsigned long long>(i64), tail);
    const auto u64 = static_cast<std::uint64_t>(i64);
    FUZZ_REQUIRE(static_cast<std::uint64_t>(s.ToInt64(0, &count)) == u64);
    FUZZ_REQUIRE(count == s.GetLength() - std::strlen(tail));
    FUZZ_REQUIRE(s.ToHexHighPart(0) == static_cast<std::uint32_t>(u64 >> 32));
    FUZZ_REQUIRE(s.ToHexLowPart(0) == static_cast<std::uint32_t>(u64));
    FUZZ_REQUIRE(static_cast<std::uint32_t>(s.ToInt(0)) == static_cast<std::uint32_t>(u64));
    s.Format("%s%u", blank, static_cast<unsigned>(static_cast<std::uint16_t>(i32)));
    FUZZ_REQUIRE(s.ToUShort(0, &count) == static_cast<std::uint16_t>(i32));
    FUZZ_REQUIRE(count == static_cast<std::uint32_t>(s.GetLength()));

    s.Assign(i32);
    FUZZ_REQUIRE(s.ToInt(0) == i32 && s.ToInt64(0) == i32);
    if (std::isfinite(d)) {
        s.Assign(d); // 20 significant digits: every double reads back exactly
        FUZZ_REQUIRE(SameBits(s.ToDouble(0), d));
        s.Format("%s%.17g%s", blank, d, tail);
        FUZZ_REQUIRE(SameBits(s.ToDouble(0), d));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // Numbers come from the end of the input, text from the front.
    CheckRoundTrips(in);
    const int startChoice = in.ConsumeIntegral<std::uint8_t>();
    const std::string text = fuzzcheck::Text(in, 512);
    const int start = startChoice >= 240 ? fuzzcheck::Index(in, text.size())
                                         : startChoice % (static_cast<int>(text.size()) + 2);
    CheckAgainstReference(text, start);
    return 0;
}
