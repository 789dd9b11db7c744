// Version texts made into numbers, and the version resource written and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "PeImageFixture.h"
#include "datatable/Text.h"
#include "pe/VersionInfo.h"

namespace stp::pe {
namespace {

using namespace test;

TEST(VersionNumbers, ReadFromTheStartOfTheText) {
    const struct {
        std::u16string Text;
        VersionNumbers Expected;
    } cases[] = {
        {u"3.40", {3, 40, 0, 0}},
        {u"7", {7, 0, 0, 0}},
        {u"1.2.3.4", {1, 2, 3, 4}},
        {u"1.2.3.4.5", {1, 2, 3, 4}},
        {u"2.0-beta", {2, 0, 0, 0}},
        {u"10.1 rc2", {10, 1, 0, 0}},
        {u"5.", {5, 0, 0, 0}},
        {u"1..2", {1, 0, 0, 0}},
        {u"007.0010", {7, 10, 0, 0}},
        {u"65535.65535.65535.65535", {65535, 65535, 65535, 65535}},
        {u"1.2.3.4.99999", {1, 2, 3, 4}},  // past the fourth part nothing is read
    };
    for (const auto& c : cases) EXPECT_EQ(ParseVersionNumbers(c.Text), c.Expected) << ToUtf8(c.Text);
}

TEST(VersionNumbers, RefusedQuotingTheText) {
    for (const std::u16string text :
         {u"", u"beta", u".5", u" 1.0", u"v1.0", u"65536", u"1.70000", u"3.40.99999999999999999999"}) {
        const std::string message = PeErrorOf([&] { ParseVersionNumbers(text); });
        const std::string quoted = '"' + ToUtf8(text) + '"';
        EXPECT_NE(message.find(quoted), std::string::npos) << message;
    }
}

VersionInfo Sample() {
    VersionInfo info;
    info.FileVersion = {3, 40, 0, 7};
    info.ProductVersion = {3, 40, 65535, 1};
    info.Language = 0x0804;
    info.Strings = {
        {u"ProductName", u"Karvel"},
        {u"FileVersion", u"3.40"},
        {u"CompanyName", u"\u5361\u5C14\u7EF4\u5C14\u8F6F\u4EF6"},
        {u"Comments", u""},
        {u"LegalCopyright", u"\u00A9 2024 Karvel Ltd."},
    };
    return info;
}

TEST(VersionInfo, ReadsBackWhatItWrites) {
    const VersionInfo info = Sample();
    const Resource resource = VersionInfoResource(info);
    EXPECT_EQ(resource.Type, ResourceId::Number(16));
    EXPECT_EQ(resource.Name, ResourceId::Number(1));
    EXPECT_EQ(resource.Language, 0x0804);
    EXPECT_EQ(resource.Data, VersionInfoData(info));

    const VersionInfoContents read = ReadVersionInfo(resource.Data);
    EXPECT_EQ(read.FileVersion, info.FileVersion);
    EXPECT_EQ(read.ProductVersion, info.ProductVersion);
    EXPECT_EQ(read.StringTables, (std::vector<VersionStringTable>{{0x0804, 1200, info.Strings}}));
    EXPECT_EQ(read.Translations, (std::vector<VersionTranslation>{{0x0804, 1200}}));

    const VersionInfoContents none = ReadVersionInfo(VersionInfoData({}));
    EXPECT_EQ(none.StringTables, (std::vector<VersionStringTable>{{0, 1200, {}}}));
}

// Offsets worked out by hand from the documented layout: every key NUL-terminated, each
// value and child on 32 bits, each wLength ending at its last byte.
TEST(VersionInfo, LayoutIsTheDocumentedOne) {
    VersionInfo info;
    info.FileVersion = {3, 40, 1, 2};
    info.ProductVersion = {3, 40, 0, 0};
    info.Language = 0x0804;
    info.Strings = {{u"ProductName", u"Karvel"}, {u"FileVersion", u"3.40"}};
    const std::string data = VersionInfoData(info);
    ASSERT_EQ(data.size(), 312u);

    const auto header = [&](std::size_t at) {
        return std::vector<std::uint16_t>{Get16(data, at), Get16(data, at + 2), Get16(data, at + 4)};
    };
    const auto text = [&](std::size_t at, std::size_t chars) {
        std::u16string s;
        for (std::size_t i = 0; i < chars; ++i) s += static_cast<char16_t>(Get16(data, at + 2 * i));
        return s;
    };
    using W = std::vector<std::uint16_t>;
    // VS_VERSION_INFO: its 32-byte key ends at 38, the fixed information starts at 40.
    EXPECT_EQ(header(0), (W{312, 52, 0}));
    EXPECT_EQ(text(6, 16), std::u16string(u"VS_VERSION_INFO\0", 16));
    EXPECT_EQ(Get16(data, 38), 0);
    EXPECT_EQ(Get32(data, 40), 0xFEEF04BDu);
    EXPECT_EQ(Get32(data, 44), 0x00010000u);
    EXPECT_EQ(Get32(data, 48), 0x00030028u);  // 3.40
    EXPECT_EQ(Get32(data, 52), 0x00010002u);  // .1.2
    EXPECT_EQ(Get32(data, 56), 0x00030028u);
    EXPECT_EQ(Get32(data, 60), 0u);
    EXPECT_EQ(Get32(data, 64), 0x3Fu);
    EXPECT_EQ(Get32(data, 68), 0u);
    EXPECT_EQ(Get32(data, 72), 0x00040004u);
    EXPECT_EQ(Get32(data, 76), 1u);
    // StringFileInfo at 92 up to the end of the second String (242).
    EXPECT_EQ(header(92), (W{150, 0, 1}));
    EXPECT_EQ(text(98, 15), std::u16string(u"StringFileInfo\0", 15));
    EXPECT_EQ(header(128), (W{114, 0, 1}));
    EXPECT_EQ(text(134, 9), std::u16string(u"080404B0\0", 9));
    // The first String's 24-byte key ends at 182, so its value starts at 184; wValueLength
    // counts characters with the NUL.
    EXPECT_EQ(header(152), (W{46, 7, 1}));
    EXPECT_EQ(text(184, 7), std::u16string(u"Karvel\0", 7));
    EXPECT_EQ(header(200), (W{42, 5, 1}));
    EXPECT_EQ(text(232, 5), std::u16string(u"3.40\0", 5));
    // VarFileInfo after the padding that follows 242.
    EXPECT_EQ(Get16(data, 242), 0);
    EXPECT_EQ(header(244), (W{68, 0, 1}));
    EXPECT_EQ(text(250, 12), std::u16string(u"VarFileInfo\0", 12));
    EXPECT_EQ(header(276), (W{36, 4, 0}));
    EXPECT_EQ(text(282, 12), std::u16string(u"Translation\0", 12));
    EXPECT_EQ(Get16(data, 308), 0x0804);
    EXPECT_EQ(Get16(data, 310), 1200);

    EXPECT_EQ(VersionInfoData(info), data);
}

TEST(VersionInfo, RefusesStringsItCannotWrite) {
    const std::vector<VersionString> cases[] = {
        {{u"", u"no key"}},
        {{std::u16string(u"Product\0Name", 12), u"x"}},
        {{u"ProductName", std::u16string(u"Kar\0vel", 7)}},
        {{u"Comments", std::u16string(33000, u'x')}},
        {{u"Comments", std::u16string(20000, u'x')}, {u"Comments2", std::u16string(20000, u'y')}},
    };
    for (const auto& strings : cases) {
        VersionInfo info;
        info.Strings = strings;
        EXPECT_NE(PeErrorOf([&] { VersionInfoData(info); }), "(no error)") << ToUtf8(strings[0].first);
    }
}

// The data in a buffer of exactly its size, so that the sanitizers see any read past it.
struct Exact {
    explicit Exact(std::string_view bytes) : Size(bytes.size()), Bytes(new char[bytes.size()]) {
        std::copy(bytes.begin(), bytes.end(), Bytes.get());
    }
    std::string_view View() const { return {Bytes.get(), Size}; }
    std::size_t Size;
    std::unique_ptr<char[]> Bytes;
};

TEST(VersionInfo, DamagedDataIsRefused) {
    const std::string good = VersionInfoData(Sample());
    // Offsets as in the layout test: the root's fixed information at 40, StringFileInfo at
    // 92, its table at 128 (key at 134), the first String at 152 (value at 184).
    const struct {
        const char* What;
        std::function<void(std::string&)> Damage;
    } cases[] = {
        {"root longer than the data", [](std::string& d) { Set16(d, 0, static_cast<std::uint16_t>(d.size() + 4)); }},
        {"root shorter than its header", [](std::string& d) { Set16(d, 0, 4); }},
        {"another root key", [](std::string& d) { Set16(d, 6, 'W'); }},
        {"root key without its NUL",
         [](std::string& d) {
             d.resize(36);
             Set16(d, 0, 36);
         }},
        {"no fixed information", [](std::string& d) { Set16(d, 2, 0); }},
        {"bad signature", [](std::string& d) { Set32(d, 40, 0xFEEF04BE); }},
        {"child past its parent", [](std::string& d) { Set16(d, 92, static_cast<std::uint16_t>(d.size())); }},
        {"child of zero length", [](std::string& d) { Set16(d, 128, 0); }},
        {"table key not hexadecimal", [](std::string& d) { Set16(d, 134, 'G'); }},
        {"string value past its block", [](std::string& d) { Set16(d, 154, 8); }},
        {"string value without its NUL", [](std::string& d) { Set16(d, 184 + 12, 'x'); }},
        {"translation of half a pair", [](std::string& d) { Set16(d, Get16(d, 0) - 36 + 2, 2); }},
    };
    ASSERT_NO_THROW(ReadVersionInfo(good));
    for (const auto& c : cases) {
        std::string bad = good;
        c.Damage(bad);
        const Exact exact(bad);
        EXPECT_NE(PeErrorOf([&] { ReadVersionInfo(exact.View()); }), "(no error)") << c.What;
    }
}

// Every truncation is refused (the root's length says more); any one byte changed is read
// or refused, never read past.
TEST(VersionInfo, HostileDataIsReadOnlyWithinItsBounds) {
    const std::string good = VersionInfoData(Sample());
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Exact exact(std::string_view(good).substr(0, size));
        EXPECT_NE(PeErrorOf([&] { ReadVersionInfo(exact.View()); }), "(no error)") << size;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (const char value : {'\0', '\x01', '\x7F', '\xFF'}) {
            std::string changed = good;
            changed[at] = value;
            const Exact exact(changed);
            EXPECT_NO_THROW(PeErrorOf([&] { ReadVersionInfo(exact.View()); })) << at;
        }
    }
}

}  // namespace
}  // namespace stp::pe
