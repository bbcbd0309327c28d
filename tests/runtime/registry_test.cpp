// CaxRegistry against real keys: typed reads, defaults, odd data and the
// ownership of the key handle.
#include "CaxRegistry.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <string>
#include <thread>

namespace {

using runtime_test::ScopedTestKey;

std::string Text(const CaxCString& s) {
    return s.GetData() ? std::string(s.GetData(), s.GetLength()) : std::string();
}

class RegistryReader : public ::testing::Test {
protected:
    ScopedTestKey key{HKEY_CURRENT_USER, "Software\\HXDigIOTest\\h4-registry"};
};

TEST_F(RegistryReader, IdentifiesAsStorageClass18) {
    CaxRegistry reader(nullptr);
    EXPECT_EQ(18u, reader.GetClassID());
    EXPECT_TRUE(reader.IsClassInSet(caxclass::kStorage));
    EXPECT_TRUE(reader.IsClassInSet(caxclass::kRegistry));
    EXPECT_FALSE(reader.IsClassInSet(caxclass::kLogging));
}

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
    CaxCString value("previous");

    EXPECT_TRUE(reader.ReadString("plain", &value, CaxCString("dflt")));
    EXPECT_EQ("hello", Text(value));
    EXPECT_TRUE(reader.ReadString("empty", &value, CaxCString("dflt")));
    EXPECT_EQ("", Text(value));
    EXPECT_TRUE(reader.ReadString("empty0", &value, CaxCString("dflt")));
    EXPECT_EQ("", Text(value));
    EXPECT_TRUE(reader.ReadString("unterminated", &value, CaxCString("dflt")));
    EXPECT_EQ("abc", Text(value));
    EXPECT_TRUE(reader.ReadString("embedded", &value, CaxCString("dflt")));
    EXPECT_EQ("ab", Text(value));

    for (const char* other : {"missing", "expand", "multi", "number"}) {
        value = "previous";
        EXPECT_FALSE(reader.ReadString(other, &value, CaxCString("dflt"))) << other;
        EXPECT_EQ("dflt", Text(value)) << other;
    }
    EXPECT_FALSE(reader.ReadString("plain", nullptr, CaxCString("dflt")));
}

TEST_F(RegistryReader, DwordsWithAndWithoutDefault) {
    key.SetDword("zero", 0);
    key.SetDword("big", 0xDEADBEEFu);
    key.SetString("short", "ab");
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    key.SetRaw("binary8", REG_BINARY, eight, sizeof eight);
    key.SetRaw("dword2", REG_DWORD, eight, 2);
    CaxRegistry reader(key.OpenRead());

    DWORD value = 99;
    EXPECT_TRUE(reader.ReadDWORD("zero", &value, 5));
    EXPECT_EQ(0u, value);
    EXPECT_TRUE(reader.ReadDWORD("big", &value));
    EXPECT_EQ(0xDEADBEEFu, value);

    value = 99;
    EXPECT_FALSE(reader.ReadDWORD("missing", &value));
    EXPECT_EQ(99u, value);
    EXPECT_FALSE(reader.ReadDWORD("missing", &value, 5));
    EXPECT_EQ(5u, value);

    // Another type that fits in four bytes is copied but not accepted; the
    // byte beyond the data keeps what was there.
    value = 0xAA000000u;
    EXPECT_FALSE(reader.ReadDWORD("short", &value));
    EXPECT_EQ(0xAA006261u, value);
    value = 0xAAAAAAAAu;
    EXPECT_FALSE(reader.ReadDWORD("dword2", &value));
    EXPECT_EQ(0xAAAA0201u, value);
    value = 99;
    EXPECT_FALSE(reader.ReadDWORD("binary8", &value));
    EXPECT_EQ(99u, value);
    EXPECT_FALSE(reader.ReadDWORD("short", &value, 5));
    EXPECT_EQ(5u, value);
    EXPECT_FALSE(reader.ReadDWORD("big", nullptr));
}

TEST_F(RegistryReader, OwnsAndClosesTheKeyExactlyOnce) {
    key.SetDword("one", 1);
    HKEY handle = key.OpenRead();
    {
        CaxRegistry reader(handle);
        EXPECT_EQ(handle, reader.GetKey());
        DWORD value = 0;
        EXPECT_TRUE(reader.ReadDWORD("one", &value));
        EXPECT_EQ(1u, value);
        EXPECT_EQ(ERROR_SUCCESS,
                  RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    // Closed by the reader: a second close is refused.
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(handle));
}

TEST_F(RegistryReader, NullKeyFailsEveryReadWithDefaults) {
    CaxRegistry reader(nullptr);
    CaxCString text("previous");
    EXPECT_FALSE(reader.ReadString("x", &text, CaxCString("dflt")));
    EXPECT_EQ("dflt", Text(text));
    DWORD value = 99;
    EXPECT_FALSE(reader.ReadDWORD("x", &value));
    EXPECT_EQ(99u, value);
    EXPECT_FALSE(reader.ReadDWORD("x", &value, 3));
    EXPECT_EQ(3u, value);
}

// A writer flips the value between a short and a long text while reads go
// on: each read gives one whole text or the default, never a torn mixture.
TEST_F(RegistryReader, StringChangingSizeBetweenQueriesNeverTears) {
    const std::string shortText = "s";
    const std::string longText(300, 'L');
    key.SetString("flip", shortText.c_str());
    std::atomic<bool> done{false};
    std::thread writer([&] {
        HKEY w = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_SET_VALUE, &w);
        for (int i = 0; !done; ++i) {
            const std::string& t = (i % 2) ? longText : shortText;
            RegSetValueExA(w, "flip", 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                           static_cast<DWORD>(t.size() + 1));
        }
        RegCloseKey(w);
    });
    CaxRegistry reader(key.OpenRead());
    int whole = 0;
    for (int i = 0; i < 3000; ++i) {
        CaxCString value;
        const BOOL ok = reader.ReadString("flip", &value, CaxCString("dflt"));
        const std::string got = Text(value);
        if (ok) {
            ++whole;
            EXPECT_TRUE(got == shortText || got == longText) << got.size();
        } else {
            EXPECT_EQ("dflt", got);
        }
    }
    done = true;
    writer.join();
    EXPECT_GT(whole, 0);
}

} // namespace
