// CaxRegistry against real keys: every value read both as a string and as a
// DWORD, with and without default, and the ownership of the key handle.
#include "CaxFaultSeam.h"
#include "CaxRegistry.h"
#include "RuntimeTestSupport.h"

#include <cstdio>

namespace {

// Stores the value (if there is data) and reads it back. "T:" or "F:" for
// ReadString and the text it assigned; then "T:" or "F:" for ReadDWORD
// without default, what it left in a value that held 0xAAAAAAAA, and what a
// read with default 5 gives if its result agrees.
std::string ReadBack(CaxRegistry& reader, const runtime_test::ScopedTestKey& key, const char* name,
                     DWORD type = 0, const char* data = nullptr, DWORD size = 0) {
    if (data) key.Set(name, type, data, size);
    CaxCString text("previous");
    const BOOL isText = reader.ReadString(name, &text, CaxCString("dflt"));
    DWORD plain = 0xAAAAAAAAu, withDefault = 0xAAAAAAAAu;
    const BOOL isDword = reader.ReadDWORD(name, &plain);
    const bool agree = reader.ReadDWORD(name, &withDefault, 5) == isDword;
    char dword[64];
    std::snprintf(dword, sizeof dword, " %c:%08lX/%lX", isDword ? 'T' : 'F', plain,
                  agree ? withDefault : 0xBAD);
    return (isText ? "T:" : "F:") + std::string(text.GetData(), text.GetLength()) + dword;
}

TEST(RegistryReader, ValuesOfEveryShapeAsStringsAndDwords) {
    runtime_test::ScopedTestKey key(HKEY_CURRENT_USER, "Software\\HXDigIOTest\\h4-registry");
    hx::unique_hkey opened;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_READ, opened.put()));
    CaxRegistry reader(std::move(opened)), none{hx::unique_hkey()};
    EXPECT_EQ(18u, reader.GetClassID());
    auto read = [&](auto... value) { return ReadBack(reader, key, value...); };
    EXPECT_EQ("T:hello F:AAAAAAAA/5", read("plain", REG_SZ, "hello", 6));
    EXPECT_EQ("T: F:AAAAAA00/5", read("empty", REG_SZ, "", 1));
    EXPECT_EQ("T: F:AAAAAAAA/5", read("empty0", REG_SZ, "", 0));
    // Data of another type that fits is copied but not accepted.
    EXPECT_EQ("T:ab F:AA006261/5", read("short", REG_SZ, "ab", 3));
    EXPECT_EQ("T:ab F:AAAAAAAA/5", read("embedded", REG_SZ, "ab\0cd", 6));
    EXPECT_EQ("F:dflt F:00255425/5", read("expand", REG_EXPAND_SZ, "%T%", 4));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", read("multi", REG_MULTI_SZ, "a\0b\0", 5));
    EXPECT_EQ("F:dflt T:00000000/0", read("zero", REG_DWORD, "\0\0\0", 4));
    EXPECT_EQ("F:dflt F:AAAA0201/5", read("dword2", REG_DWORD, "\1\2", 2));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", read("binary8", REG_BINARY, "\1\2\3\4\5\6\7\10", 8));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", read("missing"));
    EXPECT_EQ("F:dflt F:AAAAAAAA/5", ReadBack(none, key, "plain"));
    // The reader owns its key and closes it exactly once.
    HKEY handle = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_READ, &handle);
    delete new CaxRegistry(hx::unique_hkey(handle));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(handle));
}

// The reader never throws, also when the string class runs out of memory
// (and throws its int) for the text read or for the default.
TEST(RegistryReader, AStringThatFindsNoMemoryAnswersFalseWithoutThrowing) {
    runtime_test::ScopedTestKey key(HKEY_CURRENT_USER, "Software\\HXDigIOTest\\h4-registry-memory");
    key.Set("text", REG_SZ, "longer than the default", 24);
    hx::unique_hkey opened;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_READ, opened.put()));
    CaxRegistry reader(std::move(opened));
    const CaxCString fallback("dflt");
    // The first allocation is the argument's copy of the default.
    for (const std::uint32_t failing : {1u, 0xFFFFFFFFu}) {
        CaxCString text;
        caxseam::ScopedFault fault(caxseam::Point::StringAllocation, {1, failing});
        BOOL read = TRUE;
        EXPECT_NO_THROW(read = reader.ReadString("text", &text, fallback));
        EXPECT_FALSE(read);
        EXPECT_GE(fault.Injected(), 1u);
        // The default took the text's place; with no memory at all the value
        // stayed as it was.
        if (failing == 1) {
            EXPECT_STREQ("dflt", text.GetData());
        } else {
            EXPECT_EQ(nullptr, text.GetData());
        }
    }
}

} // namespace
