// CaxCString::GetLine, followed from line to line as a reader of a text file
// would: each line against the text, the break it skips (one character, or
// two when the second is a break as well), and that lines and breaks
// together cover the text exactly once, in order.
#include "CaxCString.h"
#include "fuzz_check.h"

namespace {

bool IsBreak(char c) {
    return c == '\n' || c == '\r';
}

// Walks the lines from start; answers the text that lines and skipped
// breaks covered.
std::string Follow(CaxCString& s, const std::string& text, std::size_t start) {
    std::string covered;
    while (start <= text.size()) {
        std::uint32_t next = 0;
        const CaxCString line = s.GetLine(static_cast<int>(start), &next);
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        FUZZ_REQUIRE(line.GetData() && text.compare(start, lineEnd - start, line.GetData()) == 0);
        FUZZ_REQUIRE(static_cast<std::size_t>(line.GetLength()) == lineEnd - start);
        std::size_t expectedNext = lineEnd + 1;
        if (end != std::string::npos && end + 1 < text.size() && IsBreak(text[end + 1]))
            ++expectedNext;
        FUZZ_REQUIRE(next == expectedNext);
        covered += line.GetData();
        const std::string skipped = text.substr(std::min(lineEnd, text.size()), next - lineEnd);
        for (char c : skipped)
            FUZZ_REQUIRE(IsBreak(c));
        covered += skipped;
        start = next;
    }
    return covered;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // A start outside the text: often just before it, at times anywhere.
    const int outside =
        in.ConsumeBool() ? in.ConsumeIntegralInRange(-100, -1) : in.ConsumeIntegral<int>();
    const std::string text = fuzzcheck::Text(in, 1024);
    CaxCString s(text.c_str());

    FUZZ_REQUIRE(Follow(s, text, 0) == text);
    // From any line's start the walk covers the rest of the text.
    const std::size_t from = in.ConsumeIntegralInRange<std::size_t>(0, text.size());
    FUZZ_REQUIRE(Follow(s, text, from) == text.substr(from));
    // Outside the text: an empty line, and next is left alone.
    if (outside < 0 || static_cast<std::size_t>(outside) > text.size()) {
        std::uint32_t next = 0x5A5A5A5Au;
        const CaxCString line = s.GetLine(outside, &next);
        FUZZ_REQUIRE(line.GetLength() == 0 && next == 0x5A5A5A5Au);
    }
    // Without a block: an empty line.
    CaxCString none;
    std::uint32_t next = 0x5A5A5A5Au;
    FUZZ_REQUIRE(none.GetLine(0, &next).GetLength() == 0 && next == 0x5A5A5A5Au);
    FUZZ_REQUIRE(text == s.GetData());
    return 0;
}
