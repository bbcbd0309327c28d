// The process-wide database of error texts, keyed by facility, sub-facility
// and code (the low 25 bits of an error value), and the static registrators
// that fill it at module load.
#pragma once

#include <cstdint>
#include <forward_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace axErrors {

// One row of a registration table; a table ends with {0xFFFF, nullptr}.
struct CErrorStringEntry {
    std::uint16_t code;
    const char* text;
};

class CErrorStringDatabase {
public:
    CErrorStringDatabase();
    CErrorStringDatabase(const CErrorStringDatabase&) = delete;
    CErrorStringDatabase& operator=(const CErrorStringDatabase&) = delete;
    virtual ~CErrorStringDatabase();

    // False when the key exists and overwrite is false (the old text stays),
    // or when code, facility are outside 0-4095, 0-31.
    bool Register(std::int16_t code, std::uint8_t subFacility, std::uint8_t facility,
                  const char* text, bool overwrite);
    // The text for value & 0x1FFFFFF, or null. The address stays valid until
    // the database is destroyed, even when the text is later replaced.
    const char* Lookup(std::uint32_t value);

    static std::uint32_t MakeKey(std::uint32_t code, std::uint32_t subFacility,
                                 std::uint32_t facility) noexcept {
        return facility << 20 | subFacility << 12 | code;
    }

private:
    std::mutex m_lock;
    // Each text lives in its own heap string, so its characters never move.
    std::map<std::uint32_t, std::unique_ptr<const std::string>> m_texts;
    // Replaced texts are kept so that addresses handed out earlier stay valid.
    std::forward_list<std::unique_ptr<const std::string>> m_replaced;
    std::uint32_t m_lastKey = 0;
    const char* m_lastText = nullptr;
};

// The single database, created on the first call.
CErrorStringDatabase& GetDatabase();

class CErrorStringRegistrator {
public:
    // Registers every entry up to the terminator (at most 4096); a key that
    // is already registered keeps its first text.
    CErrorStringRegistrator(const CErrorStringEntry* table, std::uint8_t subFacility,
                            std::uint8_t facility);
    CErrorStringRegistrator(const CErrorStringRegistrator&) = delete;
    CErrorStringRegistrator& operator=(const CErrorStringRegistrator&) = delete;
    virtual ~CErrorStringRegistrator();

    std::uint8_t GetSubFacility() const noexcept { return m_subFacility; }
    std::uint8_t GetFacility() const noexcept { return m_facility; }
    const CErrorStringEntry* GetTable() const noexcept { return m_table; }

private:
    std::uint8_t m_subFacility;
    std::uint8_t m_facility;
    const CErrorStringEntry* m_table;
};

} // namespace axErrors
