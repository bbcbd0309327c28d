// CaxRegistry against real keys: typed reads, defaults, odd data and the
// ownership of the key handle.
#include "CaxRegistry.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <thread>

namespace {

struct RegistryReader : ::testing::Test {
    runtime_test::ScopedTestKey key{HKEY_CURRENT_USER, "Software\\HXDigIOTest\\h4-registry"};
    HKEY OpenKey() const {
        HKEY read = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_READ, &read);
        return read;
    }
    // "T:" or "F:" for the result, then the text that was assigned.
    static std::string Read(CaxRegistry& reader, const char* name) {
        CaxCString value("previous");
        const BOOL ok = reader.ReadString(name, &value, CaxCString("dflt"));
        return (ok ? "T:" : "F:") + std::string(value.GetData(), value.GetLength());
    }
};

TEST_F(RegistryReader, StringsOfEveryShape) {
    key.Set("plain", REG_SZ, "hello", 6);
    key.Set("empty", REG_SZ, "", 1);
    key.Set("empty0", REG_SZ, "", 0);
    key.Set("unterminated", REG_SZ, "abc", 3);
    key.Set("embedded", REG_SZ, "ab\0cd", 6);
    key.Set("expand", REG_EXPAND_SZ, "%T%", 4);
    key.Set("multi", REG_MULTI_SZ, "a\0b\0", 5);
    key.SetDword("number", 7);
    CaxRegistry reader(OpenKey());
    EXPECT_EQ(18u, reader.GetClassID());
    EXPECT_EQ("T:hello", Read(reader, "plain"));
    EXPECT_EQ("T:", Read(reader, "empty"));
    EXPECT_EQ("T:", Read(reader, "empty0"));
    EXPECT_EQ("T:abc", Read(reader, "unterminated"));
    EXPECT_EQ("T:ab", Read(reader, "embedded"));
    for (const char* other : {"expand", "multi", "number", "missing"})
        EXPECT_EQ("F:dflt", Read(reader, other)) << other;
    CaxRegistry none(nullptr);
    EXPECT_EQ("F:dflt", Read(none, "plain"));
}

TEST_F(RegistryReader, DwordsWithAndWithoutDefault) {
    key.SetDword("zero", 0);
    key.SetDword("big", 0xDEADBEEFu);
    key.Set("short", REG_SZ, "ab", 3);
    key.Set("binary8", REG_BINARY, "\1\2\3\4\5\6\7\10", 8);
    key.Set("dword2", REG_DWORD, "\1\2", 2);
    CaxRegistry reader(OpenKey());
    DWORD value = 99;
    EXPECT_TRUE(reader.ReadDWORD("zero", &value, 5));
    EXPECT_EQ(0u, value);
    EXPECT_TRUE(reader.ReadDWORD("big", &value));
    EXPECT_FALSE(reader.ReadDWORD("missing", &value));
    EXPECT_FALSE(reader.ReadDWORD("binary8", &value));
    EXPECT_EQ(0xDEADBEEFu, value);
    EXPECT_FALSE(reader.ReadDWORD("missing", &value, 5));
    EXPECT_EQ(5u, value);
    // Other data that fits is copied but not accepted; bytes beyond it stay.
    value = 0xAAAAAAAAu;
    EXPECT_FALSE(reader.ReadDWORD("short", &value));
    EXPECT_EQ(0xAA006261u, value);
    EXPECT_FALSE(reader.ReadDWORD("dword2", &value));
    EXPECT_EQ(0xAA000201u, value);
    EXPECT_FALSE(reader.ReadDWORD("short", &value, 5));
    EXPECT_EQ(5u, value);
    CaxRegistry none(nullptr);
    EXPECT_FALSE(none.ReadDWORD("zero", &value));
    EXPECT_FALSE(none.ReadDWORD("zero", &value, 3));
    EXPECT_EQ(3u, value);
}

TEST_F(RegistryReader, ClosesItsKeyExactlyOnce) {
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
    CaxRegistry reader(OpenKey());
    int whole = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string got = Read(reader, "flip");
        whole += got[0] == 'T';
        EXPECT_TRUE(got == "T:" + texts[0] || got == "T:" + texts[1] || got == "F:dflt") << got;
    }
    done = true;
    writer.join();
    EXPECT_GT(whole, 0);
}

} // namespace
