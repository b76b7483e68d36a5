#include "settings/registry.h"

#include <gtest/gtest.h>

#include "reg_helpers.h"

namespace zt {
namespace {

using test::bytesOf;
using test::keyExists;
using test::readRaw;
using test::writeRaw;

// Each test works below a scratch key of its own and removes it afterwards.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info->name();
        key_ = L"Software\\ZirrotoneTest\\" + std::wstring(name.begin(), name.end());
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\ZirrotoneTest");  // only once empty
    }
    std::wstring get(const std::wstring& name) { return getRegString(HKEY_CURRENT_USER, key_, name); }

    std::wstring key_;
};

TEST_F(Registry, MissingKeyOrValueReadsEmpty) {
    EXPECT_EQ(get(L"String"), L"");
    setRegString(HKEY_CURRENT_USER, key_, L"other", L"x");
    EXPECT_EQ(get(L"String"), L"");
}

TEST_F(Registry, WritesExactlyTheCharactersAndCreatesMissingKeys) {
    const std::wstring deep = key_ + L"\\a\\b";
    setRegString(HKEY_CURRENT_USER, deep, L"String", L"C:\\Sounds");
    const auto raw = readRaw(deep, L"String");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->bytes, bytesOf(L"C:\\Sounds"));  // 18 bytes, no NUL
    EXPECT_EQ(getRegString(HKEY_CURRENT_USER, deep, L"String"), L"C:\\Sounds");

    setRegString(HKEY_CURRENT_USER, deep, L"String", L"");
    EXPECT_EQ(readRaw(deep, L"String")->bytes.size(), 0u);
    EXPECT_EQ(getRegString(HKEY_CURRENT_USER, deep, L"String"), L"");
}

TEST_F(Registry, ReadsToTheFirstNulWhateverTheByteCount) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"abc", L"abc"},
        {std::wstring(L"abc\0", 4), L"abc"},
        {std::wstring(L"abc\0zz", 6), L"abc"},
        {std::wstring(L"\0abc", 4), L""},
    };
    for (const auto& [stored, expected] : cases) {
        writeRaw(key_, L"String", REG_SZ, bytesOf(stored));
        ASSERT_EQ(readRaw(key_, L"String")->bytes.size(), stored.size() * 2);
        EXPECT_EQ(get(L"String"), expected);
    }
    // An odd byte count: the half character at the end is dropped.
    auto odd = bytesOf(L"abc");
    odd.push_back(0x64);
    writeRaw(key_, L"String", REG_SZ, odd);
    EXPECT_EQ(get(L"String"), L"abc");
    writeRaw(key_, L"String", REG_SZ, {0x64});
    EXPECT_EQ(get(L"String"), L"");
}

TEST_F(Registry, OnlyRegSzReads) {
    const DWORD types[] = {REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_NONE};
    for (DWORD type : types) {
        writeRaw(key_, L"String", type, bytesOf(std::wstring(L"50\0", 3)));
        EXPECT_EQ(get(L"String"), L"") << "type " << type;
    }
}

TEST_F(Registry, NonLatinAndLongTextsRoundTrip) {
    // Cyrillic, CJK and an emoji (a surrogate pair): none survive an 8-bit code page.
    const std::wstring texts[] = {
        L"C:\\Звуки\\\u97f3\u697d\\\U0001F514",
        std::wstring(40000, L'\u00e9'),  // beyond what a 16-bit position could hold
    };
    for (const auto& text : texts) {
        setRegString(HKEY_CURRENT_USER, key_, L"String", text);
        EXPECT_EQ(readRaw(key_, L"String")->bytes, bytesOf(text));
        EXPECT_EQ(get(L"String"), text);
    }
}

TEST_F(Registry, DeleteRemovesTheValueAndKeepsTheKey) {
    setRegString(HKEY_CURRENT_USER, key_, L"String", L"x");
    deleteRegValue(HKEY_CURRENT_USER, key_, L"String");
    EXPECT_FALSE(readRaw(key_, L"String"));
    EXPECT_TRUE(keyExists(key_));
    // Nothing to delete, or no key at all: quietly nothing, and no key is made.
    deleteRegValue(HKEY_CURRENT_USER, key_, L"String");
    deleteRegValue(HKEY_CURRENT_USER, key_ + L"\\missing", L"String");
    EXPECT_FALSE(keyExists(key_ + L"\\missing"));
}

}  // namespace
}  // namespace zt
