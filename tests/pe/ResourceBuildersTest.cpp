// String tables, icon groups and bitmaps made into resources, and read back.
#include <gtest/gtest.h>

#include "PeImageFixture.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"

namespace stp::pe {
namespace {

using namespace test;

std::string Le16(std::uint16_t v) {
    std::string s(2, '\0');
    Set16(s, 0, v);
    return s;
}

std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    Set32(s, 0, v);
    return s;
}

std::string Counted(const std::u16string& text) {
    std::string s = Le16(static_cast<std::uint16_t>(text.size()));
    for (char16_t c : text) s += Le16(c);
    return s;
}

TEST(StringTable, BlocksOfSixteenRoundTrip) {
    const std::map<std::uint16_t, std::u16string> strings = {
        {0, u"zero"},
        {15, u"fifteen"},
        {16, u"sixteen"},
        {17, u"two\nlines"},
        {100, u"\u00DCn\u00EFc\u00F6d\u00E9 \u4E2D\u6587"},
        {65535, u"last"},
    };
    const std::vector<Resource> blocks = StringTableResources(strings, 0x804);
    std::vector<std::uint16_t> ids;
    for (const Resource& b : blocks) {
        EXPECT_EQ(b.Type, ResourceId::Number(rtString));
        EXPECT_EQ(b.Language, 0x804);
        ids.push_back(b.Name.Id);
    }
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{1, 2, 7, 4096}));

    std::string first = Counted(u"zero");
    for (int i = 1; i < 15; ++i) first += Counted(u"");
    first += Counted(u"fifteen");
    EXPECT_EQ(blocks[0].Data, first);

    EXPECT_EQ(ReadStringTable(blocks), strings);
    EXPECT_EQ(ReadStringTable(ReadResources(WriteResources(MakeImage({}), blocks, 0))), strings);
}

TEST(StringTable, FirstLanguageWinsAndDamageIsNamed) {
    std::vector<Resource> both = StringTableResources({{1, u"English"}, {2, u"only here"}}, 0x409);
    for (Resource& r : StringTableResources({{1, u"Deutsch"}, {3, u"nur hier"}}, 0x407)) both.push_back(r);
    EXPECT_EQ(ReadStringTable(both),
              (std::map<std::uint16_t, std::u16string>{{1, u"English"}, {2, u"only here"}, {3, u"nur hier"}}));

    EXPECT_NE(PeErrorOf([] {
                  StringTableResources({{5, std::u16string(65536, u'x')}});
              }).find("string 5 has 65536 characters"),
              std::string::npos);
    struct Case {
        Resource block;
        const char* message;
    };
    const Case cases[] = {
        {{ResourceId::Number(rtString), ResourceId::Number(3), 0, Counted(u"abc").substr(0, 5)},
         "string block 3 ends inside its string 0"},
        {{ResourceId::Number(rtString), ResourceId::Number(3), 0, Counted(u"abc")},
         "string block 3 ends inside its string 1"},
        {{ResourceId::Number(rtString), ResourceId::Number(0), 0, ""}, "string block 0 is not numbered 1 to 4096"},
        {{ResourceId::Number(rtString), ResourceId::Number(4097), 0, ""},
         "string block 4097 is not numbered 1 to 4096"},
        {{ResourceId::Number(rtString), ResourceId::Named(u"S"), 0, ""}, "string block S is not numbered 1 to 4096"},
    };
    for (const Case& c : cases) EXPECT_EQ(PeErrorOf([&] { ReadStringTable({c.block}); }), c.message);
}

// An icon file: header, one 16-byte entry per image, the images.
std::string IconFile(const std::vector<std::string>& images) {
    std::string directory = Le16(0) + Le16(1) + Le16(static_cast<std::uint16_t>(images.size()));
    std::string data;
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto size = static_cast<std::uint32_t>(images[i].size());
        // width, height, colours, reserved, planes, bits per pixel
        directory +=
            std::string{static_cast<char>(16 * (i + 1)), static_cast<char>(16 * (i + 1)), 0, 0} + Le16(1) + Le16(32);
        directory += Le32(size) + Le32(offset);
        data += images[i];
        offset += size;
    }
    return directory + data;
}

TEST(IconGroup, OneGroupAndOneIconPerImage) {
    const std::string ico = IconFile({"first image", "second, longer image"});
    const std::vector<Resource> made = IconGroupResources(ResourceId::Named(u"MainIcon"), ico, 7, 0x409);
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[0].Type, ResourceId::Number(rtGroupIcon));
    EXPECT_EQ(made[0].Name.Name, u"MAINICON");
    const std::string group = Le16(0) + Le16(1) + Le16(2) + std::string{16, 16, 0, 0} + Le16(1) + Le16(32) + Le32(11) +
                              Le16(7) + std::string{32, 32, 0, 0} + Le16(1) + Le16(32) + Le32(20) + Le16(8);
    EXPECT_EQ(made[0].Data, group);
    EXPECT_EQ(made[1], (Resource{ResourceId::Number(rtIcon), ResourceId::Number(7), 0x409, "first image"}));
    EXPECT_EQ(made[2], (Resource{ResourceId::Number(rtIcon), ResourceId::Number(8), 0x409, "second, longer image"}));
}

TEST(IconGroup, RefusesWhatIsNoIconFile) {
    std::string farImage = IconFile({"abc"});
    Set32(farImage, 6 + 12, 0x1000);  // the image's offset
    struct Case {
        std::string ico;
        std::uint16_t firstId;
        const char* message;
    };
    const Case cases[] = {
        {std::string("\0\0\1", 3), 1, "not an icon file: 3 bytes is too short for its header"},
        {IconFile({"a"}).replace(2, 1, "\2"), 1,
         "not an icon file: its header says reserved 0, type 2 (an icon has 0 and 1)"},
        {IconFile({}), 1, "the icon file holds no images"},
        {IconFile({"a"}).replace(4, 1, "\5"), 1, "not an icon file: its directory of 5 images runs past its end"},
        {farImage, 1, "not an icon file: image 1 (3 bytes at 0x1000) lies outside the file"},
        {IconFile({"a", "b"}), 0, "icon ids 0 to 1 do not fit in 1..65535"},
        {IconFile({"a", "b"}), 65535, "icon ids 65535 to 65536 do not fit in 1..65535"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PeErrorOf([&] { IconGroupResources(ResourceId::Number(1), c.ico, c.firstId); }), c.message);
}

TEST(Bitmap, DataIsTheFileWithoutItsFileHeader) {
    const std::string info = Le32(40) + Le32(1) + Le32(1) + Le16(1) + Le16(24) + std::string(24, '\0');
    const std::string pixels = "\x10\x20\x30\x40";
    const std::string bmp = "BM" + Le32(14 + 40 + 4) + Le32(0) + Le32(14 + 40) + info + pixels;
    EXPECT_EQ(BitmapResourceData(bmp), info + pixels);

    EXPECT_EQ(PeErrorOf([&] { BitmapResourceData("BA" + bmp.substr(2)); }), "not a BMP file: no BM signature");
    EXPECT_EQ(PeErrorOf([&] { BitmapResourceData(bmp.substr(0, 16)); }),
              "not a BMP file: 16 bytes is too short for its headers");
    EXPECT_EQ(PeErrorOf([&] { BitmapResourceData(bmp.substr(0, 40)); }),
              "not a BMP file: its bitmap header of 40 bytes does not fit");

    // Pixels after a gap are moved up to the header; an 8-bit bitmap keeps its palette.
    const std::string gap = "BM" + Le32(14 + 40 + 6 + 4) + Le32(0) + Le32(14 + 40 + 6) + info + "GAP!!!" + pixels;
    EXPECT_EQ(BitmapResourceData(gap), info + pixels);
    const std::string info8 =
        Le32(40) + Le32(1) + Le32(1) + Le16(1) + Le16(8) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(2) + Le32(0);
    const std::string palette("\1\2\3\0\4\5\6\0", 8);
    const std::string bmp8 = "BM" + Le32(0) + Le32(0) + Le32(14 + 40 + 8) + info8 + palette + pixels;
    EXPECT_EQ(BitmapResourceData(bmp8), info8 + palette + pixels);
    const std::string early = "BM" + Le32(0) + Le32(0) + Le32(14 + 40 + 4) + info8 + palette + pixels;
    EXPECT_EQ(PeErrorOf([&] { BitmapResourceData(early); }),
              "not a BMP file: its pixels start at 58, not after its headers (62) within its 66 bytes");
}

// Planes and bit count left 0 in the icon file's directory come from each image's header.
TEST(IconGroup, PlanesAndBitCountComeFromTheImageWhenTheFileOmitsThem) {
    const std::string header = Le32(40) + Le32(16) + Le32(32) + Le16(1) + Le16(8) + std::string(24, '\0');
    std::string ico = IconFile({header});
    Set16(ico, 6 + 4, 0);  // planes
    Set16(ico, 6 + 6, 0);  // bit count
    const std::vector<Resource> made = IconGroupResources(ResourceId::Number(1), ico, 1);
    EXPECT_EQ(Get16(made[0].Data, 6 + 4), 1);
    EXPECT_EQ(Get16(made[0].Data, 6 + 6), 8);
}

}  // namespace
}  // namespace stp::pe
