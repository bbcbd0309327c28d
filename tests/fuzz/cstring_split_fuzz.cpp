// CaxCString::Split with and without the separators: the pieces against a
// reference, joining them gives the text back, and the list they come in
// reads the same both ways.
#include "CaxCString.h"
#include "CaxList"
#include "fuzz_check.h"

#include <memory>
#include <vector>

namespace {

// Non-overlapping matches, left to right; each piece ends before (or, when
// the separators are kept, after) its separator.
std::vector<std::string> Reference(const std::string& text, const std::string& separator,
                                   bool dropSeparator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = separator.empty() ? std::string::npos : text.find(separator, start);
        if (p == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        const std::size_t end = dropSeparator ? p : p + separator.size();
        pieces.push_back(text.substr(start, end - start));
        start = p + separator.size();
    }
}

std::vector<std::string> Walk(const CaxDLList<CaxCString>& list) {
    std::vector<std::string> forward;
    std::vector<std::string> backward;
    for (auto p = list.GetHeadPosition(); p && forward.size() <= list.GetCount();)
        forward.emplace_back(list.GetNext(p)->GetData());
    for (auto p = list.GetTailPosition(); p && backward.size() <= list.GetCount();)
        backward.emplace(backward.begin(), list.GetPrev(p)->GetData());
    FUZZ_REQUIRE(forward == backward && forward.size() == list.GetCount());
    return forward;
}

void Check(const std::string& text, const char* separator, bool dropSeparator) {
    const CaxCString s(text.c_str());
    const std::unique_ptr<CaxDLList<CaxCString>> list(s.Split(separator, dropSeparator));
    FUZZ_REQUIRE(list && list->GetClassID() == 7 && list->IsList());
    const std::string sep = separator ? separator : "";
    const std::vector<std::string> pieces = Walk(*list);
    FUZZ_REQUIRE(pieces == Reference(text, sep, dropSeparator));
    // Joined again (with the separator between the pieces when it was dropped).
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        joined += (dropSeparator && i > 0 ? sep : "") + pieces[i];
    FUZZ_REQUIRE(joined == text);
    // One piece more than separators, and blocks of 100 nodes.
    FUZZ_REQUIRE(list->GetAllocatedCount() == (pieces.size() + 99) / 100 * 100);
    // The text itself is left as it was.
    FUZZ_REQUIRE(text == s.GetData());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int choice = in.ConsumeIntegralInRange(0, 7);
    const std::string separator = fuzzcheck::Text(in, 6);
    const std::string text = fuzzcheck::Text(in, 1024);
    const char* sep = choice == 0 ? nullptr : separator.c_str();
    Check(text, sep, true);
    Check(text, sep, false);
    return 0;
}
