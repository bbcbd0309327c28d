// The error-string database and the base library's own tables. The tables'
// registrators live in this file on purpose: every user of the database links
// this object file (GetDatabase is here), so a static-library link can never
// drop the registrators and leave the database empty.
#include "CaxErrorStrings.h"

#include "CaxHRESULT.h"

namespace axErrors {

CErrorStringDatabase::CErrorStringDatabase() = default;

CErrorStringDatabase::~CErrorStringDatabase() = default;

bool CErrorStringDatabase::Register(std::int16_t code, std::uint8_t subFacility,
                                    std::uint8_t facility, const char* text, bool overwrite) {
    if (code < 0 || code > 0xFFF || facility > 0x1F || !text) return false;
    const std::uint32_t key = MakeKey(static_cast<std::uint32_t>(code), subFacility, facility);
    const std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_texts.find(key);
    if (found == m_texts.end()) {
        m_texts.emplace(key, std::make_unique<const std::string>(text));
        return true;
    }
    if (!overwrite) return false;
    // The old characters move aside rather than die: callers may still hold them.
    auto replacement = std::make_unique<const std::string>(text);
    m_replaced.push_front(std::move(found->second));
    found->second = std::move(replacement);
    if (m_lastKey == key) m_lastText = found->second->c_str();
    return true;
}

const char* CErrorStringDatabase::Lookup(std::uint32_t value) {
    const std::uint32_t key = value & 0x1FFFFFFu;
    if (key == 0) return nullptr; // a value without code, sub-facility or facility
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_lastText && key == m_lastKey) return m_lastText;
    const auto found = m_texts.find(key);
    if (found == m_texts.end()) return nullptr;
    m_lastKey = key;
    m_lastText = found->second->c_str();
    return m_lastText;
}

CErrorStringDatabase& GetDatabase() {
    static CErrorStringDatabase database;
    return database;
}

CErrorStringRegistrator::CErrorStringRegistrator(const CErrorStringEntry* table,
                                                 std::uint8_t subFacility, std::uint8_t facility)
    : m_subFacility(subFacility), m_facility(facility), m_table(table) {
    constexpr int kMaxEntries = 4096;
    for (int i = 0; table && i < kMaxEntries; ++i) {
        const CErrorStringEntry& entry = table[i];
        if (entry.code == 0xFFFF || !entry.text) break;
        GetDatabase().Register(static_cast<std::int16_t>(entry.code), subFacility, facility,
                               entry.text, false);
    }
}

CErrorStringRegistrator::~CErrorStringRegistrator() = default;

namespace {

constexpr const char* kNoInformation = "No extended error information available";

const CErrorStringEntry kGeneralTexts[] = {
    {0, kNoInformation},
    {1, "Operation failed because the requested amount of memory was not available"},
    {2, "The specified Index is out of the permissible range"},
    {4, "One or more given argument was invalid"},
    {3, "The attempted operation is not currently allowed on the object on which it was "
        "attempted"},
    {5, "An object does not have the expected type"},
    {6, "Operation failed because the maximal wait time expired"},
    {7, "Operation failed because it was externally canceled"},
    {8, "Unspecified error"},
    {0xFFFF, nullptr},
};

const CErrorStringEntry kMathTexts[] = {
    {0, kNoInformation},
    {1, "Negative Dimensions and Dimension zero are illegal"},
    {2, "Dimension too big"},
    {3, "Dimensions of two or more operands did not match in an operation where they would "
        "have needed to"},
    {4, "The given dimension is not valid"},
    {5, "A division by zero was attempted"},
    {6, "The Matrix provided for the last operation has an invalid geometry"},
    {7, "The requested operation is not permitted on a vector that has length zero"},
    {8, "The calculation of the intersection failed because no intersection is available"},
    {0xFFFF, nullptr},
};

const CErrorStringEntry kGenericOnlyTexts[] = {
    {0, kNoInformation},
    {0xFFFF, nullptr},
};

const CErrorStringEntry kContainerTexts[] = {
    {0, kNoInformation},
    {1, "The container element to be accessed could not be found"},
    {2, "The container element could not be accessed"},
    {0xFFFF, nullptr},
};

const CErrorStringEntry kStreamTexts[] = {
    {0, kNoInformation},
    {1, "Read operation beyond the end of a stream was attempted"},
    {2, "Unable to open the stream"},
    {0xFFFF, nullptr},
};

// Constructed in this order during module initialisation.
const CErrorStringRegistrator g_generalTexts(kGeneralTexts, kSubFacilityGeneral, kFacilityCaxBase);
const CErrorStringRegistrator g_mathTexts(kMathTexts, kSubFacilityMath, kFacilityCaxBase);
const CErrorStringRegistrator g_subFacility2Texts(kGenericOnlyTexts, 2, kFacilityCaxBase);
const CErrorStringRegistrator g_subFacility3Texts(kGenericOnlyTexts, 3, kFacilityCaxBase);
const CErrorStringRegistrator g_containerTexts(kContainerTexts, kSubFacilityContainer,
                                               kFacilityCaxBase);
const CErrorStringRegistrator g_streamTexts(kStreamTexts, kSubFacilityStreams, kFacilityCaxBase);
const CErrorStringRegistrator g_subFacility6Texts(kGenericOnlyTexts, 6, kFacilityCaxBase);

} // namespace

} // namespace axErrors
