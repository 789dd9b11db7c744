#include "sys/Registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SysTestSupport.h"

namespace stp {
namespace {

using test::ScratchKey;
using test::W;

const std::u16string kTestKey = u"Software\\StpSysTests";

// Type and raw bytes of a value, read past the helpers.
struct RawValue {
    DWORD type = 0;
    std::wstring data;
    DWORD bytes = 0;
};

RawValue ReadRaw(HKEY root, const std::u16string& path, const std::u16string& name) {
    RawValue raw;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, W(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return raw;
    wchar_t data[256] = {};
    raw.bytes = sizeof data;
    RegQueryValueExW(key, W(name).c_str(), nullptr, &raw.type, reinterpret_cast<BYTE*>(data), &raw.bytes);
    raw.data.assign(data, raw.bytes / sizeof(wchar_t));
    RegCloseKey(key);
    return raw;
}

void WriteRaw(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type, const void* data,
              DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, W(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, W(name).c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, W(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ERegistryError& e) {
        return e.what();
    }
    return "no registry error";
}

// A scratch key under each root the system writes to.
class RegistryRoundTrip : public ::testing::TestWithParam<HKEY> {
protected:
    HKEY Root() const { return GetParam(); }
    ScratchKey scratch_{GetParam(), W(kTestKey)};
};

TEST_P(RegistryRoundTrip, WritesCreateMissingKeysAndReadBack) {
    const std::u16string path = u"\\" + kTestKey + u"\\Product\\Sub";
    const std::u16string text = u"C:\\Program Files\\Zürich 東京";
    EXPECT_TRUE(RegWriteStringValue(Root(), path, u"InstallLocation", text));
    EXPECT_TRUE(KeyExists(Root(), kTestKey + u"\\Product\\Sub"));
    EXPECT_EQ(RegReadStringValue(Root(), path, u"InstallLocation"), text);
    // Value names ignore case, as the registry does.
    EXPECT_EQ(RegReadStringValue(Root(), path, u"installlocation"), text);

    const RawValue raw = ReadRaw(Root(), kTestKey + u"\\Product\\Sub", u"InstallLocation");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.bytes, (text.size() + 1) * 2);
}

TEST_P(RegistryRoundTrip, EmptyValueIsTwoBytesAndReadsEmpty) {
    EXPECT_TRUE(RegWriteStringValue(Root(), kTestKey, u"Empty", u""));
    const RawValue raw = ReadRaw(Root(), kTestKey, u"Empty");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.bytes, 2u);
    EXPECT_EQ(RegReadStringValue(Root(), kTestKey, u"Empty"), u"");
}

TEST_P(RegistryRoundTrip, CreateKeyPathKeepsAnExistingKey) {
    EXPECT_TRUE(RegCreateKeyPath(Root(), kTestKey + u"\\A\\B"));
    EXPECT_TRUE(KeyExists(Root(), kTestKey + u"\\A\\B"));
    ASSERT_TRUE(RegWriteStringValue(Root(), kTestKey + u"\\A\\B", u"Kept", u"yes"));
    EXPECT_TRUE(RegCreateKeyPath(Root(), u"\\" + kTestKey + u"\\A\\B"));
    EXPECT_EQ(RegReadStringValue(Root(), kTestKey + u"\\A\\B", u"Kept"), u"yes");
}

TEST_P(RegistryRoundTrip, MissingKeyOrValueReadsEmpty) {
    EXPECT_EQ(RegReadStringValue(Root(), kTestKey + u"\\Missing", u"Value"), u"");
    EXPECT_FALSE(KeyExists(Root(), kTestKey + u"\\Missing"));  // reading creates nothing
    ASSERT_TRUE(RegCreateKeyPath(Root(), kTestKey));
    EXPECT_EQ(RegReadStringValue(Root(), kTestKey, u"Missing"), u"");
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryRoundTrip, ::testing::Values(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE),
                         [](const auto& info) { return info.param == HKEY_CURRENT_USER ? "HKCU" : "HKLM"; });

class RegistryRead : public ::testing::Test {
protected:
    ScratchKey scratch_{HKEY_CURRENT_USER, W(kTestKey)};
};

TEST_F(RegistryRead, ExpandableStringComesBackUnexpanded) {
    const wchar_t text[] = L"%SystemRoot%\\Fonts";
    WriteRaw(HKEY_CURRENT_USER, kTestKey, u"Fonts", REG_EXPAND_SZ, text, sizeof text);
    EXPECT_EQ(RegReadStringValue(HKEY_CURRENT_USER, kTestKey, u"Fonts"), u"%SystemRoot%\\Fonts");
}

TEST_F(RegistryRead, NonStringTypesRaise) {
    const DWORD count = 7;
    WriteRaw(HKEY_CURRENT_USER, kTestKey, u"Count", REG_DWORD, &count, sizeof count);
    EXPECT_EQ(MessageOf([] { RegReadStringValue(HKEY_CURRENT_USER, kTestKey, u"Count"); }),
              "Invalid data type for 'Count'");
    const char bytes[] = "ab";
    WriteRaw(HKEY_CURRENT_USER, kTestKey, u"Blob", REG_BINARY, bytes, 2);
    EXPECT_EQ(MessageOf([] { RegReadStringValue(HKEY_CURRENT_USER, kTestKey, u"Blob"); }),
              "Invalid data type for 'Blob'");
}

TEST_F(RegistryRead, StringDataEndsAtItsFirstNulOrAtItsLastWholeCharacter) {
    // Data written by other programs need not end in a NUL nor hold whole characters.
    struct Case {
        const wchar_t* data;
        DWORD bytes;
        const char16_t* text;
    } cases[] = {
        {L"ab\0cd", 12, u"ab"},
        {L"abcd", 8, u"abcd"},  // no NUL stored
        {L"abcd", 7, u"abc"},   // half a character at the end
        {L"abcd", 1, u""},
    };
    for (const Case& c : cases) {
        WriteRaw(HKEY_CURRENT_USER, kTestKey, u"Raw", REG_SZ, c.data, c.bytes);
        EXPECT_EQ(RegReadStringValue(HKEY_CURRENT_USER, kTestKey, u"Raw"), c.text) << c.bytes << " bytes";
    }
}

TEST(RegistryErrors, KeysThatCannotBeOpenedOrWritten) {
    const HKEY invalidRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    EXPECT_EQ(MessageOf([&] { RegCreateKeyPath(invalidRoot, u"\\Software\\Nowhere"); }),
              "Failed to create key \\Software\\Nowhere");
    EXPECT_FALSE(RegWriteStringValue(invalidRoot, u"Software\\Nowhere", u"Name", u"Value"));
    EXPECT_EQ(RegReadStringValue(invalidRoot, u"Software\\Nowhere", u"Name"), u"");

    const ScratchKey scratch(HKEY_CURRENT_USER, W(kTestKey));
    // Value names are limited to 16383 characters.
    const std::u16string tooLong(20000, u'n');
    EXPECT_EQ(MessageOf([&] { RegWriteStringValue(HKEY_CURRENT_USER, kTestKey, tooLong, u"Value"); }),
              "Failed to set data for '" + std::string(20000, 'n') + "'");
}

}  // namespace
}  // namespace stp
