// CaxRegistry against real keys: typed reads, defaults, odd data and the
// ownership of the key handle.
#include "CaxRegistry.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <thread>

namespace {

std::string Text(const CaxCString& s) {
    return s.GetData() ? std::string(s.GetData(), s.GetLength()) : std::string();
}

class RegistryReader : public ::testing::Test {
protected:
    runtime_test::ScopedTestKey key{HKEY_CURRENT_USER, "Software\\HXDigIOTest\\h4-registry"};
};

TEST_F(RegistryReader, StringsOfEveryShape) {
    key.SetString("plain", "hello");
    key.SetString("empty", "");
    key.SetRaw("empty0", REG_SZ, "", 0);
    key.SetRaw("unterminated", REG_SZ, "abc", 3);
    key.SetRaw("embedded", REG_SZ, "ab\0cd", 6);
    key.SetString("expand", "%TEMP%", REG_EXPAND_SZ);
    key.SetRaw("multi", REG_MULTI_SZ, "a\0b\0", 5);
    key.SetDword("number", 7);
    CaxRegistry reader(key.OpenRead());
    EXPECT_EQ(18u, reader.GetClassID());
    EXPECT_TRUE(reader.IsClassInSet(caxclass::kStorage));

    const std::pair<const char*, const char*> good[] = {{"plain", "hello"},
                                                        {"empty", ""},
                                                        {"empty0", ""},
                                                        {"unterminated", "abc"},
                                                        {"embedded", "ab"}};
    for (const auto& [name, expected] : good) {
        CaxCString value("previous");
        EXPECT_TRUE(reader.ReadString(name, &value, CaxCString("dflt"))) << name;
        EXPECT_EQ(expected, Text(value)) << name;
    }
    for (const char* name : {"missing", "expand", "multi", "number"}) {
        CaxCString value("previous");
        EXPECT_FALSE(reader.ReadString(name, &value, CaxCString("dflt"))) << name;
        EXPECT_EQ("dflt", Text(value)) << name;
    }
}

TEST_F(RegistryReader, DwordsWithAndWithoutDefault) {
    key.SetDword("zero", 0);
    key.SetDword("big", 0xDEADBEEFu);
    key.SetString("short", "ab");
    const unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    key.SetRaw("binary8", REG_BINARY, bytes, sizeof bytes);
    key.SetRaw("dword2", REG_DWORD, bytes, 2);
    CaxRegistry reader(key.OpenRead());

    DWORD value = 99;
    EXPECT_TRUE(reader.ReadDWORD("zero", &value, 5));
    EXPECT_EQ(0u, value);
    EXPECT_TRUE(reader.ReadDWORD("big", &value));
    EXPECT_EQ(0xDEADBEEFu, value);
    EXPECT_FALSE(reader.ReadDWORD("missing", &value));
    EXPECT_EQ(0xDEADBEEFu, value);
    EXPECT_FALSE(reader.ReadDWORD("missing", &value, 5));
    EXPECT_EQ(5u, value);
    EXPECT_FALSE(reader.ReadDWORD("binary8", &value));
    EXPECT_EQ(5u, value);
    // Other data that fits is copied but not accepted; bytes beyond it stay.
    value = 0xAA000000u;
    EXPECT_FALSE(reader.ReadDWORD("short", &value));
    EXPECT_EQ(0xAA006261u, value);
    value = 0xAAAAAAAAu;
    EXPECT_FALSE(reader.ReadDWORD("dword2", &value));
    EXPECT_EQ(0xAAAA0201u, value);
    EXPECT_FALSE(reader.ReadDWORD("short", &value, 5));
    EXPECT_EQ(5u, value);
}

TEST_F(RegistryReader, ClosesItsKeyExactlyOnceAndNullKeyFailsEveryRead) {
    key.SetDword("one", 1);
    HKEY handle = key.OpenRead();
    {
        CaxRegistry reader(handle);
        DWORD value = 0;
        EXPECT_TRUE(reader.ReadDWORD("one", &value));
        EXPECT_EQ(1u, value);
    }
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(handle));

    CaxRegistry none(nullptr);
    CaxCString text("previous");
    EXPECT_FALSE(none.ReadString("one", &text, CaxCString("dflt")));
    EXPECT_EQ("dflt", Text(text));
    DWORD value = 99;
    EXPECT_FALSE(none.ReadDWORD("one", &value));
    EXPECT_EQ(99u, value);
    EXPECT_FALSE(none.ReadDWORD("one", &value, 3));
    EXPECT_EQ(3u, value);
}

// A writer flips the value between a short and a long text while reads go
// on: each read gives one whole text or the default, never a torn mixture.
TEST_F(RegistryReader, StringChangingSizeBetweenQueriesNeverTears) {
    const std::string texts[2] = {"s", std::string(300, 'L')};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        HKEY w = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_SET_VALUE, &w);
        for (int i = 0; !done; ++i)
            RegSetValueExA(w, "flip", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(texts[i % 2].c_str()),
                           static_cast<DWORD>(texts[i % 2].size() + 1));
        RegCloseKey(w);
    });
    CaxRegistry reader(key.OpenRead());
    int whole = 0;
    for (int i = 0; i < 3000; ++i) {
        CaxCString value;
        const bool ok = reader.ReadString("flip", &value, CaxCString("dflt"));
        const std::string got = Text(value);
        whole += ok;
        EXPECT_TRUE(ok ? (got == texts[0] || got == texts[1]) : got == "dflt") << got.size();
    }
    done = true;
    writer.join();
    EXPECT_GT(whole, 0);
}

} // namespace
