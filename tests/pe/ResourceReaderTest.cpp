// Reading resource directories that other tools made, and ones that are damaged: the
// reader must name what is wrong and never read outside the file.
#include <gtest/gtest.h>

#include "PeImageFixture.h"
#include "datatable/Errors.h"
#include "pe/ResourceSection.h"

namespace stp::pe {
namespace {

using namespace test;

constexpr std::uint32_t kTable = 0x80000000;

TEST(ResourceReader, ReadsHandMadeDirectories) {
    EXPECT_EQ(ReadResources(MakeImage({.Rsrc = RsrcAt::Last})),
              (std::vector<Resource>{{ResourceId::Number(rtRcData), ResourceId::Number(1), 0, kOldResourceData}}));

    // Names as another tool may have stored them, in lower case; they still match.
    const auto named = [](std::uint32_t rva) {
        std::string names;
        names += std::string(
                     "\x03\x00"
                     "F\0o\0o\0",
                     8) +
                 std::string(
                     "\x02\x00"
                     "a\0b\0",
                     6);
        return DirTable(1, 0, {{kTable | 0x5C, kTable | 0x18}}) + DirTable(1, 0, {{kTable | 0x64, kTable | 0x30}}) +
               DirTable(0, 1, {{0x409, 0x48}}) + DataEntry(rva + 0x58, 4) + "DATA" + names;
    };
    const std::vector<Resource> read = ReadResources(MakeImage({.Rsrc = RsrcAt::Last, .RsrcBytes = named}));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].Type.Name, u"Foo");
    EXPECT_EQ(read[0].Type, ResourceId::Named(u"FOO"));
    EXPECT_EQ(read[0].Name.ToString(), "ab");
    EXPECT_EQ(read[0].Language, 0x409);
    EXPECT_EQ(read[0].Data, "DATA");
}

TEST(ResourceReader, NamesWhatIsDamaged) {
    // Offsets in the hand-made directory: root 0x0 (entry 0x10), type table 0x18 (entry
    // 0x28), name table 0x30 (entry 0x40), data entry 0x48, data 0x58.
    struct Case {
        const char* name;
        std::uint32_t offset;  // in the resource section
        int width;
        std::uint32_t value;
        const char* message;
    };
    const Case cases[] = {
        {"entry count", 0x0E, 16, 0xFFFF, "the table at 0x0 lists 65535 entries, more than the resource section holds"},
        {"table outside", 0x14, 32, kTable | 0x7000, "the table at 0x7000 lies outside the resource section"},
        {"loop", 0x2C, 32, kTable | 0x0, "the table at 0x0 is reached twice"},
        {"fourth level", 0x44, 32, kTable | 0x18, "the language entry at 0x40 leads to a fourth level"},
        {"data as a type", 0x14, 32, 0x48, "the type entry at 0x10 leads to data, not to a table"},
        {"name outside", 0x10, 32, kTable | 0x5000,
         "the name of the type entry at 0x10 lies outside the resource section"},
        {"name past the end", 0x10, 32, kTable | 0x62, "the name of the type entry at 0x10 lies outside"},
        {"empty name", 0x28, 32, kTable | 0x0, "the name of the name entry at 0x28 is empty"},
        {"wide id", 0x10, 32, 0x10000, "the type entry at 0x10 has id 0x10000, more than 16 bits"},
        {"named language", 0x40, 32, kTable | 0x58, "the language entry at 0x40 has a name"},
        {"data entry outside", 0x44, 32, 0x7000, "the data entry at 0x7000 lies outside the resource section"},
        {"data outside the sections", 0x48, 32, 0x7FFF0000,
         "resource data at RVA 0x7FFF0000 is outside the image's sections"},
        {"data past its section", 0x4C, 32, 0x1000,
         "resource data at RVA 0x3058 (4096 bytes) runs past the end of its section"},
    };
    const BuiltImage base = BuildImage({.Rsrc = RsrcAt::Last});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string image = base.Bytes;
        if (c.width == 16)
            Set16(image, base.RsrcRaw + c.offset, static_cast<std::uint16_t>(c.value));
        else
            Set32(image, base.RsrcRaw + c.offset, c.value);
        const std::string message = PeErrorOf([&] { ReadResources(image); });
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }

    std::string elsewhere = base.Bytes;
    Set32(elsewhere, DataDirectory(false, 2), 0x9000);
    EXPECT_EQ(PeErrorOf([&] { ReadResources(elsewhere); }),
              "the resource directory at RVA 0x9000 is outside the image's sections");
    EXPECT_EQ(PeErrorOf([&] { ReadResources(base.Bytes.substr(0, base.RsrcRaw + 0x20)); }),
              "the resource directory at RVA 0x3000: the data of section .rsrc runs past the end of the file");
}

TEST(ResourceReader, SharedDataIsReadButCannotMultiply) {
    // One name with languages 0..n-1 whose entries all lead to one data entry of 16 KiB.
    const auto sharing = [](std::uint16_t languages) {
        return [languages](std::uint32_t rva) {
            std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
            for (std::uint16_t i = 0; i < languages; ++i) entries.push_back({i, 0});
            const auto dataEntry = static_cast<std::uint32_t>(0x30 + 16 + 8 * entries.size());
            for (auto& e : entries) e.second = dataEntry;
            return DirTable(0, 1, {{10, kTable | 0x18}}) + DirTable(0, 1, {{1, kTable | 0x30}}) +
                   DirTable(0, languages, entries) + DataEntry(rva + dataEntry + 16, 0x4000) + std::string(0x4000, 'S');
        };
    };
    const std::vector<Resource> two = ReadResources(MakeImage({.Rsrc = RsrcAt::Last, .RsrcBytes = sharing(2)}));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].Language, 1);
    EXPECT_EQ(two[1].Data, two[0].Data);

    const std::string eight = MakeImage({.Rsrc = RsrcAt::Last, .RsrcBytes = sharing(8)});
    const std::string message = PeErrorOf([&] { ReadResources(eight); });
    EXPECT_NE(message.find("data adds up to more than " + std::to_string(4 * eight.size()) + " bytes"),
              std::string::npos)
        << message;
}

// Tables that overlap: a run of identical entries reads as a language table at every
// 8-byte step, each listing hundreds of entries. Read naively, a few kilobytes would give
// tens of thousands of resources (a crafted file, gigabytes).
TEST(ResourceReader, OverlappingTablesCannotMultiplyEntries) {
    constexpr std::uint32_t kNames = 64;
    const auto overlapping = [](std::uint32_t rva) {
        // Root 0x0, type table 0x18 with kNames names, the shared data entry after it,
        // then the run: entries [language 0][the data entry's offset].
        const std::uint32_t dataEntry = 0x28 + 8 * kNames;
        const std::uint32_t run = dataEntry + 16;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> names;
        for (std::uint32_t i = 0; i < kNames; ++i) names.push_back({i + 1, kTable | (run + 8 * i)});
        std::string unit(8, '\0');
        Set32(unit, 4, dataEntry);
        std::string repeated;
        for (std::uint32_t i = 0; i < kNames + dataEntry + 2; ++i) repeated += unit;
        return DirTable(0, 1, {{10, kTable | 0x18}}) + DirTable(0, kNames, names) + DataEntry(rva + dataEntry, 0) +
               repeated;
    };
    const std::string message =
        PeErrorOf([&] { ReadResources(MakeImage({.Rsrc = RsrcAt::Last, .RsrcBytes = overlapping})); });
    EXPECT_NE(message.find("more entries than the resource section holds"), std::string::npos) << message;
}

// Every cut and every byte of the directory changed: the reader returns or raises
// EPeError; any other outcome (another exception, a crash under the sanitizers) fails.
TEST(ResourceReader, HostileBytesGiveOnlyItsErrors) {
    const std::vector<Resource> resources = {
        {ResourceId::Named(u"STPFILE"), ResourceId::Named(u"SETUPPACKAGE"), 0, "package"},
        {ResourceId::Number(rtRcData), ResourceId::Number(1), 0x409, "rc"},
        {ResourceId::Number(rtRcData), ResourceId::Number(1), 0x407, ""},
    };
    const std::string image =
        WriteResources(MakeImage({.PlainSections = 1, .FileAlignment = 0x20, .SectionAlignment = 0x40}), resources, 0);
    const auto readOrRefuse = [](const std::string& bytes) {
        try {
            ReadResources(bytes);
        } catch (const EPeError&) {
        }
    };
    for (std::size_t size = 0; size < image.size(); ++size) readOrRefuse(image.substr(0, size));
    const Section section = ReadSection(image, false, 1);
    for (std::size_t at = section.PointerToRawData; at < image.size(); ++at) {
        for (char value : {'\x00', '\x01', '\x7F', '\x80', '\xFF'}) {
            std::string changed = image;
            changed[at] = value;
            readOrRefuse(changed);
        }
    }
}

}  // namespace
}  // namespace stp::pe
