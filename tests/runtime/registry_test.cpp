// CaxRegistry against real keys: typed reads, defaults, odd data, the
// ownership of the key handle and a value that changes size while it is read.
#include "CaxRegistry.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

struct RegistryReader : ::testing::Test {
    runtime_test::ScopedTestKey key{HKEY_CURRENT_USER, "Software\\HXDigIOTest\\h4-registry"};
    HKEY OpenKey() const {
        HKEY read = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_READ, &read);
        return read;
    }
    CaxRegistry reader{OpenKey()};
    // Stores the value (if there is data) and reads it back: "T:" or "F:",
    // then the text that was assigned.
    std::string String(const char* name, DWORD type = 0, const char* data = nullptr, DWORD size = 0,
                       CaxRegistry* from = nullptr) {
        if (data) key.Set(name, type, data, size);
        CaxCString value("previous");
        const BOOL ok = (from ? from : &reader)->ReadString(name, &value, CaxCString("dflt"));
        return (ok ? "T:" : "F:") + std::string(value.GetData(), value.GetLength());
    }
    // The same for a DWORD: the result, what a read without default leaves
    // in a value that held 0xAAAAAAAA, and what a read with default 5 gives.
    std::string Dword(const char* name, DWORD type = 0, const char* data = nullptr, DWORD size = 0,
                      CaxRegistry* from = nullptr) {
        if (data) key.Set(name, type, data, size);
        CaxRegistry& source = from ? *from : reader;
        DWORD plain = 0xAAAAAAAAu, withDefault = 0xAAAAAAAAu;
        const BOOL ok = source.ReadDWORD(name, &plain);
        const bool same = source.ReadDWORD(name, &withDefault, 5) == ok;
        char text[64];
        std::snprintf(text, sizeof text, "%c:%08lX/%lX", ok ? 'T' : 'F', plain,
                      same ? withDefault : 0);
        return text;
    }
};

TEST_F(RegistryReader, StringsOfEveryShape) {
    EXPECT_EQ(18u, reader.GetClassID());
    EXPECT_EQ("T:hello", String("plain", REG_SZ, "hello", 6));
    EXPECT_EQ("T:", String("empty", REG_SZ, "", 1));
    EXPECT_EQ("T:", String("empty0", REG_SZ, "", 0));
    EXPECT_EQ("T:abc", String("unterminated", REG_SZ, "abc", 3));
    EXPECT_EQ("T:ab", String("embedded", REG_SZ, "ab\0cd", 6));
    EXPECT_EQ("F:dflt", String("expand", REG_EXPAND_SZ, "%T%", 4));
    EXPECT_EQ("F:dflt", String("multi", REG_MULTI_SZ, "a\0b\0", 5));
    EXPECT_EQ("F:dflt", String("number", REG_DWORD, "\7\0\0", 4));
    EXPECT_EQ("F:dflt", String("missing"));
    CaxRegistry none(nullptr);
    EXPECT_EQ("F:dflt", String("plain", 0, nullptr, 0, &none));
}

TEST_F(RegistryReader, DwordsWithAndWithoutDefault) {
    EXPECT_EQ("T:00000000/0", Dword("zero", REG_DWORD, "\0\0\0", 4));
    EXPECT_EQ("T:DEADBEEF/DEADBEEF", Dword("big", REG_DWORD, "\xEF\xBE\xAD\xDE", 4));
    // Data of another type that fits is copied but not accepted.
    EXPECT_EQ("F:AA006261/5", Dword("short", REG_SZ, "ab", 3));
    EXPECT_EQ("F:AAAA0201/5", Dword("dword2", REG_DWORD, "\1\2", 2));
    EXPECT_EQ("F:AAAAAAAA/5", Dword("binary8", REG_BINARY, "\1\2\3\4\5\6\7\10", 8));
    EXPECT_EQ("F:AAAAAAAA/5", Dword("missing"));
    CaxRegistry none(nullptr);
    EXPECT_EQ("F:AAAAAAAA/5", Dword("zero", 0, nullptr, 0, &none));
    // The reader owns its key and closes it exactly once.
    HKEY handle = OpenKey();
    delete new CaxRegistry(handle);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(handle));
}

// A writer flips the value between a short and a long text while reads go
// on: each read gives one whole text or the default, never a torn mixture.
TEST_F(RegistryReader, StringChangingSizeBetweenQueriesNeverTears) {
    const std::string texts[2] = {"s", std::string(300, 'L')};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; !done; ++i)
            key.Set("flip", REG_SZ, texts[i % 2].c_str(),
                    static_cast<DWORD>(texts[i % 2].size() + 1));
    });
    int whole = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string got = String("flip");
        whole += got[0] == 'T';
        EXPECT_TRUE(got == "T:" + texts[0] || got == "T:" + texts[1] || got == "F:dflt") << got;
    }
    done = true;
    writer.join();
    EXPECT_GT(whole, 0);
}

} // namespace
