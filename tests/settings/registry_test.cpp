#include "settings/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/scoped.h"
#include "reg_helpers.h"

namespace zt {
namespace {

using test::bytesOf;
using test::keyExists;
using test::readRaw;
using test::writeRaw;

// Each test works below a scratch key of its own and removes it afterwards. The parent they
// share stays: Wine makes a key's missing parents one at a time, so a test deleting the
// parent while it was empty could take it from under another one making its key there.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info->name();
        key_ = L"Software\\ZirrotoneTest\\" + std::wstring(name.begin(), name.end());
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    std::wstring get(const std::wstring& name) { return getRegString(HKEY_CURRENT_USER, key_, name); }

    std::wstring key_;
};

TEST_F(Registry, MissingKeyOrValueReadsEmpty) {
    EXPECT_EQ(get(L"String"), L"");
    setRegString(HKEY_CURRENT_USER, key_, L"other", L"x");
    EXPECT_EQ(get(L"String"), L"");
}

TEST_F(Registry, WritesTheTextWithItsNulAndCreatesMissingKeys) {
    const std::wstring deep = key_ + L"\\a\\b";
    // Byte for byte as reg query and other size-trusting readers see them.
    const std::pair<std::wstring, std::vector<BYTE>> cases[] = {
        {L"", {0, 0}},
        {L"0,5", {'0', 0, ',', 0, '5', 0, 0, 0}},
        {L"\u00e9\u97f3\U0001F514", {0xe9, 0x00, 0xf3, 0x97, 0x3d, 0xd8, 0x14, 0xdd, 0, 0}},
    };
    for (const auto& [text, bytes] : cases) {
        setRegString(HKEY_CURRENT_USER, deep, L"String", text);
        const auto raw = readRaw(deep, L"String");
        ASSERT_TRUE(raw);
        EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(raw->bytes, bytes);
        EXPECT_EQ(getRegString(HKEY_CURRENT_USER, deep, L"String"), text);
    }
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
        EXPECT_EQ(readRaw(key_, L"String")->bytes, bytesOf(text + L'\0'));
        EXPECT_EQ(get(L"String"), text);
    }
}

TEST_F(Registry, ReadsAnyValueWholeWithItsType) {
    const std::wstring longer(5000, L'y');
    writeRaw(key_, L"long", REG_EXPAND_SZ, bytesOf(longer));
    const std::vector<BYTE> number = {0x2b, 0x1a, 0, 0};
    writeRaw(key_, L"dword", REG_DWORD, number);
    writeRaw(key_, L"empty", REG_SZ, {});

    const auto read = [&](const wchar_t* name) { return readRegValue(HKEY_CURRENT_USER, key_, name); };
    ASSERT_TRUE(read(L"long"));
    EXPECT_EQ(read(L"long")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(regText(read(L"long")->bytes), longer);
    ASSERT_TRUE(read(L"dword"));
    EXPECT_EQ(read(L"dword")->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(read(L"dword")->bytes, number);
    // Present but empty is not missing.
    ASSERT_TRUE(read(L"empty"));
    EXPECT_TRUE(read(L"empty")->bytes.empty());
    EXPECT_FALSE(read(L"missing"));
    EXPECT_FALSE(readRegValue(HKEY_CURRENT_USER, key_ + L"\\missing", L"long"));
}

TEST_F(Registry, QwordsReadOnlyFromEightByteQwordValues) {
    const auto bytesOfNumber = [](std::uint64_t n) {
        std::vector<BYTE> bytes(sizeof n);
        std::memcpy(bytes.data(), &n, sizeof n);
        return bytes;
    };
    const std::uint64_t big = 134000000100000000ULL;  // beyond 32 bits
    writeRaw(key_, L"qword", REG_QWORD, bytesOfNumber(big));
    writeRaw(key_, L"zero", REG_QWORD, bytesOfNumber(0));
    writeRaw(key_, L"dword", REG_DWORD, {1, 0, 0, 0});
    writeRaw(key_, L"binary", REG_BINARY, bytesOfNumber(big));
    writeRaw(key_, L"short", REG_QWORD, {1, 0, 0, 0});

    const auto qword = [&](const wchar_t* name) { return getRegQword(HKEY_CURRENT_USER, key_, name); };
    EXPECT_EQ(qword(L"qword"), big);
    EXPECT_EQ(qword(L"zero"), 0u);
    for (const wchar_t* other : {L"dword", L"binary", L"short", L"missing"}) EXPECT_FALSE(qword(other)) << other;
}

TEST_F(Registry, ListsTheSubkeysByName) {
    EXPECT_TRUE(regSubKeyNames(HKEY_CURRENT_USER, key_).empty());  // no key at all
    const std::wstring names[] = {L"NonPackaged", L"C:#Program Files#Caller#caller.exe", L"\u97f3\u697d"};
    for (const auto& name : names) {
        ScopedKey created;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\" + name + L"\\deeper").c_str(), 0, nullptr, 0,
                                  KEY_READ, nullptr, created.put(), nullptr),
                  ERROR_SUCCESS);
    }
    setRegString(HKEY_CURRENT_USER, key_, L"value", L"not a key");
    auto listed = regSubKeyNames(HKEY_CURRENT_USER, key_);
    std::sort(listed.begin(), listed.end());
    std::vector<std::wstring> expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
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
