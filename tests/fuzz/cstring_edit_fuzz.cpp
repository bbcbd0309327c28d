// A CaxCString driven through a byte-coded sequence of edits (appending and
// assigning, also from its own characters; case, reversing, trimming,
// filters, size hints, direct buffer writes, numbers and wide text), checked
// after every step against a std::string holding the same bytes, together
// with the block's bookkeeping (capacity header, block size, terminator).
#include "CaxCString.h"
#include "fuzz_check.h"

#include <cstring>
#include <string_view>

namespace {

bool IsBlank(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

template <class Keep> std::string Kept(const std::string& text, Keep keep) {
    std::string result;
    for (char c : text)
        if (keep(c)) result += c;
    return result;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The characters, the terminator after them and the block's bookkeeping.
bool Holds(const CaxCString& s, const std::string& text) {
    if (!s.GetData()) return text.empty() && s.GetLength() == 0 && s.GetBlockSize() == 0;
    std::uint32_t header = 0;
    std::memcpy(&header, s.GetData() - 4, sizeof header);
    return static_cast<std::size_t>(s.GetLength()) == text.size() &&
           std::memcmp(s.GetData(), text.data(), text.size()) == 0 &&
           s.GetData()[text.size()] == '\0' && s.GetCapacity() >= text.size() &&
           s.GetBlockSize() == s.GetCapacity() + 8 && header == s.GetCapacity();
}

// What a const char* pointing at character index sees: up to the first NUL.
std::string SeenFrom(const std::string& text, std::size_t index) {
    return std::string(text.c_str() + index);
}

// Sizes above this make the block (size + 128 + 8 bytes) pass 32 bits.
constexpr std::uint32_t kLargestGrowth = 0xFFFFFFFFu - 136;

std::uint32_t SizeArgument(FuzzedDataProvider& in) {
    // Mostly modest; sometimes beyond what a 32-bit block can hold (and never
    // a real request for gigabytes).
    return in.ConsumeIntegralInRange(0, 15) == 0
               ? kLargestGrowth + in.ConsumeIntegralInRange<std::uint32_t>(1, 136)
               : in.ConsumeIntegralInRange<std::uint32_t>(0, 700);
}

void Step(FuzzedDataProvider& in, CaxCString& s, std::string& model) {
    const int index = fuzzcheck::Index(in, model.size());
    const bool inside = index >= 0 && static_cast<std::size_t>(index) < model.size();
    switch (in.ConsumeIntegralInRange(0, 22)) {
    case 0: {
        const std::string text = fuzzcheck::Text(in, 64);
        s.Append(text.c_str());
        model += text;
        break;
    }
    case 1: {
        const std::string text = fuzzcheck::Text(in, 64);
        s.Append(CaxCString(text.c_str()));
        model += text;
        break;
    }
    case 2:
        s.Append(s);
        model += model;
        break;
    case 3: // its own characters from index on (none when index is outside)
        s.Append(s.GetAtPtr(index));
        if (inside) model += SeenFrom(model, static_cast<std::size_t>(index));
        break;
    case 4: {
        const std::string text = fuzzcheck::Text(in, 64);
        s = text.c_str();
        model = text;
        break;
    }
    case 5:
        s = s.GetAtPtr(index);
        if (inside) model = SeenFrom(model, static_cast<std::size_t>(index));
        break;
    case 6: {
        const std::string text = fuzzcheck::Text(in, 64);
        const CaxCString other(text.c_str());
        s = other;
        model = text;
        break;
    }
    case 7: {
        CaxCString& self = s;
        s = self;
        break;
    }
    case 8:
        s.MakeLower();
        for (char& c : model)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        break;
    case 9:
        s.MakeUpper();
        for (char& c : model)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        break;
    case 10:
        s.MakeReverse();
        model.assign(model.rbegin(), model.rend());
        break;
    case 11: {
        s.TrimLeft();
        model.erase(0, model.find_first_not_of(std::string_view("\t\n\r ", 4)));
        if (!model.empty()) FUZZ_REQUIRE(!IsBlank(model.front()));
        CaxCString again(s); // trimming twice changes nothing more
        again.TrimLeft();
        FUZZ_REQUIRE(Holds(again, model));
        break;
    }
    case 12: {
        s.TrimRight();
        const std::size_t last = model.find_last_not_of(std::string_view("\t\n\r ", 4));
        model.erase(last == std::string::npos ? 0 : last + 1);
        CaxCString again(s);
        again.TrimRight();
        again.TrimLeft();
        again.TrimRight();
        std::string both = model;
        both.erase(0, both.find_first_not_of(std::string_view("\t\n\r ", 4)));
        FUZZ_REQUIRE(Holds(again, both));
        break;
    }
    case 13:
        model = Kept(model, [](char c) { return c != '\n' && c != '\r'; });
        FUZZ_REQUIRE(Holds(s.RemoveLineBreaks(), model));
        break;
    case 14:
        model = Kept(model, IsDigit);
        FUZZ_REQUIRE(Holds(s.KeepDigits(), model));
        break;
    case 15:
        model = Kept(model, IsHexDigit);
        FUZZ_REQUIRE(Holds(s.KeepHexDigits(), model));
        break;
    case 16: {
        const char ch = in.ConsumeIntegral<char>();
        model = Kept(model, [ch](char c) { return c != ch; });
        FUZZ_REQUIRE(Holds(s.Remove(ch), model));
        break;
    }
    case 17: {
        const std::uint32_t size = SizeArgument(in);
        const std::uint32_t blockBefore = s.GetBlockSize();
        const std::uint32_t hintBefore = s.GetSizeHint();
        try {
            FUZZ_REQUIRE(s.SetMinSize(size) == size);
            FUZZ_REQUIRE(s.GetSizeHint() == size);
            if (size > blockBefore && size != hintBefore)
                FUZZ_REQUIRE(s.GetBlockSize() >= static_cast<std::uint64_t>(size) + 128);
        } catch (int thrown) {
            // Only a block past 32 bits can fail here; nothing changes then.
            FUZZ_REQUIRE(thrown == -1 && size > kLargestGrowth);
            FUZZ_REQUIRE(s.GetBlockSize() == blockBefore && s.GetSizeHint() == hintBefore);
        }
        break;
    }
    case 18: {
        // A caller writing a C string straight into the block.
        const std::string text = fuzzcheck::Text(in, 700);
        std::uint32_t size = SizeArgument(in);
        const std::uint32_t requested = size;
        const std::uint32_t blockBefore = s.GetBlockSize();
        char* buffer = nullptr;
        try {
            buffer = s.GetBuffer(&size);
        } catch (int thrown) {
            FUZZ_REQUIRE(thrown == -1 && requested > kLargestGrowth);
            break;
        }
        FUZZ_REQUIRE(buffer == s.GetData());
        FUZZ_REQUIRE(size == (buffer ? s.GetCapacity() + 1 : 0));
        if (requested > blockBefore) FUZZ_REQUIRE(size >= requested);
        if (!buffer) break;
        const std::size_t written = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), written);
        buffer[written] = '\0';
        FUZZ_REQUIRE(s.UpdateLength() == static_cast<int>(written));
        model = text.substr(0, written);
        break;
    }
    case 19: {
        const std::int32_t value = in.ConsumeIntegral<std::int32_t>();
        s.Assign(value);
        model = std::to_string(value);
        break;
    }
    case 20: {
        const double value = in.ConsumeFloatingPoint<double>();
        s.Assign(value);
        FUZZ_REQUIRE(s.GetData() && std::strlen(s.GetData()) == std::size_t(s.GetLength()));
        model = s.GetData();
        if (value == value && value - value == 0.0) FUZZ_REQUIRE(s.ToDouble(0) == value);
        break;
    }
    case 21: {
        // Wide text: the low byte of every unit, NULs included.
        std::u16string wide;
        for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 40); n > 0; --n)
            wide += static_cast<char16_t>(in.ConsumeIntegral<std::uint16_t>());
        s.Assign(std::u16string_view(wide));
        if (!wide.empty()) {
            model.clear();
            for (char16_t unit : wide)
                model += static_cast<char>(unit & 0xFF);
        }
        break;
    }
    case 22: // the length recounted up to the first NUL
        FUZZ_REQUIRE(s.UpdateLength() ==
                     (s.GetData() ? static_cast<int>(std::strlen(model.c_str())) : -1));
        model = SeenFrom(model, 0);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::string model;
    CaxCString s;
    if (in.ConsumeBool()) {
        model = fuzzcheck::Text(in, 64);
        s = CaxCString(model.c_str());
    }
    FUZZ_REQUIRE(Holds(s, model));
    // Appending a string to itself doubles it: the run stops at a quarter megabyte.
    for (int steps = 0; steps < 64 && in.remaining_bytes() > 0 && model.size() < (1u << 18);
         ++steps) {
        Step(in, s, model);
        FUZZ_REQUIRE(Holds(s, model));
        FUZZ_REQUIRE(Holds(CaxCString(s), model));
    }
    return 0;
}
