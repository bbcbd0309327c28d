// CaxCString::Replace against a reference that walks the original text once,
// left to right, replacing each match it meets (which is what searching the
// copy from the end of the inserted text amounts to): the count, the result,
// and that text put in by a replacement is never replaced again.
#include "CaxCString.h"
#include "fuzz_check.h"

#include <cstring>

namespace {

struct Replaced {
    std::string text;
    int count = 0;
};

Replaced Reference(const std::string& text, const std::string& oldText,
                   const std::string& newText) {
    Replaced result;
    if (oldText.empty()) {
        result.text = text;
        return result;
    }
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, oldText.size(), oldText) == 0) {
            result.text += newText;
            i += oldText.size();
            ++result.count;
        } else {
            result.text += text[i++];
        }
    }
    return result;
}

bool Holds(const CaxCString& s, const std::string& text) {
    return s.GetData() && static_cast<std::size_t>(s.GetLength()) == text.size() &&
           text == s.GetData();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int choice = in.ConsumeIntegralInRange(0, 7);
    const std::string text = fuzzcheck::Text(in, 512);
    const std::string oldText = fuzzcheck::Text(in, 8);
    const std::string newText = fuzzcheck::Text(in, 16);

    CaxCString s(text.c_str());
    const Replaced expected = Reference(text, oldText, newText);
    switch (choice) {
    case 0: // a null new text counts as empty
        FUZZ_REQUIRE(s.Replace(oldText.c_str(), nullptr) == Reference(text, oldText, "").count);
        FUZZ_REQUIRE(Holds(s, Reference(text, oldText, "").text));
        return 0;
    case 1: // a null old text replaces nothing
        FUZZ_REQUIRE(s.Replace(nullptr, newText.c_str()) == 0 && Holds(s, text));
        return 0;
    case 2: { // the old text taken from the string's own characters
        const int from = static_cast<int>(in.ConsumeIntegralInRange<std::size_t>(0, text.size()));
        const char* own = s.GetAtPtr(from);
        if (!own) return 0;
        const std::string ownText(own);
        const Replaced fromOwn = Reference(text, ownText, newText);
        FUZZ_REQUIRE(s.Replace(own, newText.c_str()) == fromOwn.count);
        FUZZ_REQUIRE(Holds(s, fromOwn.text));
        return 0;
    }
    case 3: { // a string without a block has nothing to replace
        CaxCString empty;
        FUZZ_REQUIRE(empty.Replace(oldText.c_str(), newText.c_str()) == 0);
        FUZZ_REQUIRE(empty.GetData() == nullptr);
        return 0;
    }
    default:
        break;
    }
    FUZZ_REQUIRE(s.Replace(oldText.c_str(), newText.c_str()) == expected.count);
    FUZZ_REQUIRE(Holds(s, expected.text));
    // Replacing a text by itself counts the matches and changes nothing.
    CaxCString same(text.c_str());
    FUZZ_REQUIRE(same.Replace(oldText.c_str(), oldText.c_str()) == expected.count);
    FUZZ_REQUIRE(Holds(same, text));
    // When the old text occurs in neither the new text nor across the seams,
    // a second pass finds nothing more to replace.
    if (!oldText.empty() && expected.text.find(oldText) == std::string::npos)
        FUZZ_REQUIRE(s.Replace(oldText.c_str(), newText.c_str()) == 0 && Holds(s, expected.text));
    return 0;
}
