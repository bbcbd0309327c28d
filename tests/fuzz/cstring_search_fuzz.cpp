// CaxCString's searches and pieces (Find, FindNoCase, ReverseFind, Compare,
// CompareNoCase, Left, Mid, Right, GetAtPtr, GetAt) and its constructors, on
// any texts and indexes, against std::string; a string without a block
// answers "not found" everywhere.
#include "CaxCString.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

// Byte-wise, unsigned, as strcmp.
int CompareBytes(const std::string& a, const std::string& b) {
    return Sign(a.compare(b));
}

int ExpectedFind(const std::string& text, const std::string& needle, int start) {
    if (needle.empty() || start < 0 || static_cast<std::size_t>(start) > text.size()) return -1;
    const std::size_t found = text.find(needle, static_cast<std::size_t>(start));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

// The index of the last character of the last match that ends at or before end.
int ExpectedReverseFind(const std::string& text, const std::string& needle, int end) {
    const int length = static_cast<int>(text.size());
    if (needle.empty() || end > length) return -1;
    if (end == -1) end = length - 1;
    const int n = static_cast<int>(needle.size());
    for (int last = std::min(end, length - 1); last >= n - 1; --last)
        if (text.compare(static_cast<std::size_t>(last - n + 1), needle.size(), needle) == 0)
            return last;
    return -1;
}

std::string Piece(const std::string& text, std::int64_t start, std::int64_t count) {
    if (start < 0 || count < 0 || start + count > static_cast<std::int64_t>(text.size())) return "";
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

bool Holds(const CaxCString& s, const std::string& text) {
    return s.GetData() && static_cast<std::size_t>(s.GetLength()) == text.size() &&
           text == s.GetData();
}

void CheckSearches(CaxCString& s, const std::string& text, const std::string& needle, int start,
                   int end) {
    FUZZ_REQUIRE(s.Find(needle.c_str(), start) == ExpectedFind(text, needle, start));
    FUZZ_REQUIRE(s.FindNoCase(needle.c_str(), start) ==
                 ExpectedFind(Upper(text), Upper(needle), start));
    FUZZ_REQUIRE(s.ReverseFind(needle.c_str(), end) == ExpectedReverseFind(text, needle, end));
    FUZZ_REQUIRE(s.ReverseFind(needle.c_str()) == ExpectedReverseFind(text, needle, -1));
    FUZZ_REQUIRE(s.Find(nullptr, start) == -1 && s.ReverseFind(nullptr, end) == -1);
    FUZZ_REQUIRE(s.FindNoCase(nullptr, start) == -1);

    const CaxCString other(needle.c_str());
    FUZZ_REQUIRE(s.Compare(needle.c_str()) == CompareBytes(text, needle));
    FUZZ_REQUIRE(s.Compare(other) == CompareBytes(text, needle));
    FUZZ_REQUIRE(other.Compare(s) == CompareBytes(needle, text));
    FUZZ_REQUIRE((s == other) == (text == needle));
    // Case-blind comparison: zero exactly for texts equal but for ASCII case,
    // and the same order seen from either side.
    const int noCase = s.CompareNoCase(other);
    FUZZ_REQUIRE((noCase == 0) == (Upper(text) == Upper(needle)));
    FUZZ_REQUIRE(noCase == -other.CompareNoCase(s) && noCase >= -1 && noCase <= 1);
    FUZZ_REQUIRE(s.Compare(nullptr) == -1 && s.CompareNoCase(nullptr) == -1);

    FUZZ_REQUIRE(Holds(s.Left(start), Piece(text, 0, start)));
    FUZZ_REQUIRE(Holds(s.Mid(start, end), Piece(text, start, end)));
    const std::int64_t taken = std::min<std::int64_t>(end, static_cast<std::int64_t>(text.size()));
    FUZZ_REQUIRE(Holds(s.Right(end), taken > 0 ? text.substr(text.size() - taken) : ""));

    const bool inside = start >= 0 && static_cast<std::size_t>(start) < text.size();
    const CaxCString& readOnly = s;
    FUZZ_REQUIRE(s.GetAtPtr(start) == (inside ? s.GetData() + start : nullptr));
    FUZZ_REQUIRE(readOnly.GetAt(start) == (inside ? text[static_cast<std::size_t>(start)] : '\0'));
    char& writable = s.GetAt(start);
    if (!inside) {
        // Writing to the placeholder must not reach the text.
        writable = 'Z';
        FUZZ_REQUIRE(s.GetAt(start) == '\0');
    }
    FUZZ_REQUIRE(Holds(s, text));
    FUZZ_REQUIRE(s.GetLength() == s.GetSize() && s.IsEmpty() == text.empty());
}

// A string without a block answers -1 or an empty piece everywhere.
void CheckWithoutBlock(const std::string& needle, int start, int end) {
    CaxCString s;
    FUZZ_REQUIRE(s.GetData() == nullptr);
    FUZZ_REQUIRE(s.Find(needle.c_str(), start) == -1 && s.FindNoCase(needle.c_str(), start) == -1);
    FUZZ_REQUIRE(s.ReverseFind(needle.c_str(), end) == -1);
    FUZZ_REQUIRE(s.Compare(needle.c_str()) == -1 && s.CompareNoCase(needle.c_str()) == -1);
    FUZZ_REQUIRE(CaxCString(needle.c_str()).Compare(s) == -1);
    FUZZ_REQUIRE(s.Left(start).GetLength() == 0 && s.Mid(start, end).GetLength() == 0);
    FUZZ_REQUIRE(s.Right(end).GetLength() == 0 && s.GetAtPtr(start) == nullptr);
    FUZZ_REQUIRE(s.GetData() == nullptr);
}

// The constructor with a size copies at most that many characters into a
// block of that capacity; the two-text constructor and operator+ concatenate.
void CheckConstructors(const std::string& text, const std::string& needle, std::uint32_t size) {
    const CaxCString limited(text.c_str(), size);
    FUZZ_REQUIRE(Holds(limited, text.substr(0, size)) && limited.GetCapacity() == size);
    FUZZ_REQUIRE(limited.GetSizeHint() == size);
    FUZZ_REQUIRE(Holds(CaxCString(text.c_str(), needle.c_str()), text + needle));
    FUZZ_REQUIRE(Holds(CaxCString(nullptr, needle.c_str()), needle));
    FUZZ_REQUIRE(Holds(CaxCString(text.c_str(), nullptr), text));
    FUZZ_REQUIRE(Holds(CaxCString(text.c_str()) + CaxCString(needle.c_str()), text + needle));
    FUZZ_REQUIRE(Holds(text.c_str() + CaxCString(needle.c_str()), text + needle));
    FUZZ_REQUIRE(Holds(CaxCString(nullptr), ""));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string text = fuzzcheck::Text(in, 256);
    const std::string needle = fuzzcheck::Text(in, 16);
    const int start = fuzzcheck::Index(in, text.size());
    const int end = fuzzcheck::Index(in, text.size());
    CaxCString s(text.c_str());
    CheckSearches(s, text, needle, start, end);
    CheckWithoutBlock(needle, start, end);
    CheckConstructors(text, needle, in.ConsumeIntegralInRange<std::uint32_t>(0, 300));
    return 0;
}
