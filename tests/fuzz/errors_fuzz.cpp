// Error reporting: the error value's packing, the composed messages of
// CaxHRESULTException, CaxMathException and CaxIOException against a
// composition written out here, CaxExceptionObject's SetError and
// SetErrorParts, and a private CErrorStringDatabase driven by a sequence of
// registrations and look-ups against a std::map (texts handed out must stay
// readable, and a replaced text must never be answered again).
#include "CaxErrorStrings.h"
#include "CaxException.h"
#include "CaxHRESULT.h"
#include "fuzz_check.h"

#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

std::uint32_t Pack(std::uint32_t code, std::uint32_t sub, std::uint32_t facility,
                   std::uint32_t reserved, bool severity) {
    return (severity ? 1u << 31 : 0u) | (reserved & 0x3F) << 25 | (facility & 0x1F) << 20 |
           (sub & 0xFF) << 12 | (code & 0xFFF);
}

std::string Composed(const axErrors::CaxHRESULTException& e, const char* subName,
                     const char* facilityName) {
    std::string text;
    if (const char* known = axErrors::GetDatabase().Lookup(e.GetValue()))
        text = known;
    else
        text = "Error code " + std::to_string(e.GetValue() & 0xFFF) +
               " (no extended information) occured";
    text += ". ";
    text += subName
                ? std::string("Exception from Sub-Facility '") + subName + "'"
                : "Exception from Sub-Facility Nr. " + std::to_string((e.GetValue() >> 12) & 0xFF);
    text += " of Facility ";
    text += facilityName ? std::string("'") + facilityName + "'"
                         : "Nr. " + std::to_string((e.GetValue() >> 20) & 0x1F);
    if (e.GetFile()) {
        text += std::string(" thrown in file ") + e.GetFile();
        if (e.GetLine() != 0) text += " at line Nr. " + std::to_string(e.GetLine());
    }
    return text + ".";
}

void CheckMessage(const axErrors::CaxHRESULTException& e, const char* subName,
                  const char* facilityName) {
    const std::string expected = Composed(e, subName, facilityName);
    const char* first = e.GetMessage();
    FUZZ_REQUIRE(expected == first);
    FUZZ_REQUIRE(e.GetMessage() == first); // composed once, then kept
    const auto copy = e;                   // a copy carries the composed text
    FUZZ_REQUIRE(expected == copy.GetMessage() && copy.GetValue() == e.GetValue());
}

void CheckExceptions(FuzzedDataProvider& in) {
    const auto code = in.ConsumeIntegral<std::uint16_t>();
    // Sub-facilities and the facility of the registered tables come up often.
    const auto sub = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint8_t>(0, 7)
                                      : in.ConsumeIntegral<std::uint8_t>();
    const auto facility = in.ConsumeBool() ? std::uint8_t{1} : in.ConsumeIntegral<std::uint8_t>();
    const auto reserved = in.ConsumeIntegral<std::uint32_t>();
    const bool severity = in.ConsumeBool();
    const auto value = in.ConsumeIntegral<std::uint32_t>();
    const auto line = in.ConsumeIntegral<std::uint32_t>();
    const std::string file = fuzzcheck::Text(in, 40);
    const char* filePointer = in.ConsumeBool() ? file.c_str() : nullptr;

    const axErrors::CaxHRESULTException plain(code, sub, facility, reserved, severity, filePointer,
                                              line);
    FUZZ_REQUIRE(plain.GetValue() == Pack(code, sub, facility, reserved, severity));
    FUZZ_REQUIRE(plain.GetCode() == (code & 0xFFF) && plain.GetSubFacility() == sub);
    FUZZ_REQUIRE(plain.GetFacility() == (facility & 0x1F));
    CheckMessage(plain, nullptr, nullptr);

    // The math and stream exceptions keep bits 0-11, 25-30 and 31 of the value.
    const std::uint32_t kept = value & 0xFE000FFFu;
    const axMath::CaxMathException math(value, filePointer, line);
    FUZZ_REQUIRE(math.GetValue() == (kept | 0x00101000u));
    CheckMessage(math, "axMath", "CaxBase");
    const axIO::CaxIOException io(value, filePointer, line);
    FUZZ_REQUIRE(io.GetValue() == (kept | 0x00105000u));
    CheckMessage(io, "axIO", "CaxBase");

    // Every registered sub-facility of the base library knows code 0.
    if (facility == 1 && sub <= 6)
        FUZZ_REQUIRE(axErrors::GetDatabase().Lookup(Pack(0, sub, 1, reserved, severity)) !=
                     nullptr);

    CaxExceptionObject object(value);
    FUZZ_REQUIRE(object.GetResult() == value && object.GetLine() == 0 && !object.GetFile());
    FUZZ_REQUIRE(std::strcmp(object.GetMessage(), "") == 0 && object.GetClassID() == 5);
    const auto signedLine = static_cast<std::int32_t>(line);
    object.SetError(value, file.c_str(), filePointer, signedLine);
    FUZZ_REQUIRE(object.GetResult() == value && object.GetLine() == signedLine);
    FUZZ_REQUIRE(object.GetFile() == filePointer && file == object.GetMessage());
    const auto signedCode = static_cast<std::int16_t>(code);
    object.SetErrorParts(signedCode, sub, facility, reserved, severity, nullptr, nullptr,
                         -(signedLine / 2));
    FUZZ_REQUIRE(object.GetResult() ==
                 Pack(static_cast<std::uint16_t>(signedCode), sub, facility, reserved, severity));
    FUZZ_REQUIRE(object.GetLine() == -(signedLine / 2) && !object.GetFile());
    FUZZ_REQUIRE(file == object.GetMessage()); // a null message leaves the text
}

// A private database: registrations and look-ups against a map of texts.
void CheckDatabase(FuzzedDataProvider& in) {
    axErrors::CErrorStringDatabase database;
    std::map<std::uint32_t, std::string> model;
    std::vector<std::pair<const char*, std::string>> handedOut; // address, text then
    for (int steps = 0; steps < 64 && in.remaining_bytes() > 0; ++steps) {
        const auto code = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int16_t>(-2, 9)
                                           : in.ConsumeIntegral<std::int16_t>();
        const auto sub = in.ConsumeIntegralInRange<std::uint8_t>(0, 3);
        const auto facility = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint8_t>(0, 2)
                                               : in.ConsumeIntegral<std::uint8_t>();
        const auto high = in.ConsumeIntegral<std::uint32_t>() & 0xFE000000u; // ignored by look-ups
        if (in.ConsumeBool()) {
            const bool overwrite = in.ConsumeBool();
            const std::string text = fuzzcheck::Text(in, 20);
            const char* textPointer =
                in.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : text.c_str();
            const bool valid = code >= 0 && code <= 0xFFF && facility <= 0x1F && textPointer;
            const std::uint32_t key =
                Pack(static_cast<std::uint32_t>(code), sub, facility, 0, false);
            const bool expected = valid && (overwrite || !model.count(key));
            FUZZ_REQUIRE(database.Register(code, sub, facility, textPointer, overwrite) ==
                         expected);
            if (expected) model[key] = text;
        } else {
            const std::uint32_t key =
                Pack(static_cast<std::uint16_t>(code), sub, facility, 0, false);
            const char* answer = database.Lookup(key | high);
            const auto found = model.find(key);
            if (key == 0 || found == model.end()) {
                FUZZ_REQUIRE(answer == nullptr);
            } else {
                FUZZ_REQUIRE(answer && found->second == answer);
                FUZZ_REQUIRE(database.Lookup(key) == answer); // the same address again
                handedOut.emplace_back(answer, found->second);
            }
        }
    }
    // Addresses handed out stay readable with the text they had.
    for (const auto& [address, text] : handedOut)
        FUZZ_REQUIRE(text == address);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    CheckExceptions(in);
    CheckDatabase(in);
    return 0;
}
