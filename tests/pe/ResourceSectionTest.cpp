// Writing resources into images and reading them back: contents, directory order, the
// headers the loader relies on, and the images the writer must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "PeImageFixture.h"
#include "pe/ResourceSection.h"

namespace stp::pe {
namespace {

using namespace test;

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// What a read should give back: directory order, names upper-cased.
std::vector<Resource> InDirectoryOrder(std::vector<Resource> resources) {
    for (Resource& r : resources) {
        r.Type = UpperCased(r.Type);
        r.Name = UpperCased(r.Name);
    }
    std::stable_sort(resources.begin(), resources.end());
    return resources;
}

// The checksum computed another way: every word summed, the carries folded at the end.
std::uint32_t IndependentChecksum(std::string image) {
    const std::uint64_t length = image.size();
    Set32(image, kOptCheckSum, 0);
    if (image.size() % 2) image += '\0';
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) sum += Get16(image, i);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + length);
}

struct Base {
    const char* name;
    ImageShape shape;
};

const Base kBases[] = {
    {"PE32+ without resources", {}},
    {"PE32+ with resources last", {.Rsrc = RsrcAt::Last}},
    {"PE32+ with resources not last", {.Rsrc = RsrcAt::Middle}},
    {"PE32 without resources", {.Pe32 = true}},
    {"PE32 with resources last", {.Pe32 = true, .Rsrc = RsrcAt::Last}},
    {"headers only", {.PlainSections = 0}},
    {"small alignments", {.PlainSections = 1, .Rsrc = RsrcAt::Last, .FileAlignment = 0x20, .SectionAlignment = 0x40}},
};

TEST(ResourceSection, RoundTripOnEveryKindOfImage) {
    const std::vector<Resource> resources = {
        {ResourceId::Number(rtManifest), ResourceId::Number(1), 0x409, "<assembly/>"},
        {ResourceId::Named(u"StpFile"), ResourceId::Named(u"SetupPackage"), 0, RandomBytes(16 << 20, 1)},
        {ResourceId::Number(rtRcData), ResourceId::Number(7), 0, ""},
        {ResourceId::Number(rtRcData), ResourceId::Number(7), 0x407, "x"},
        {ResourceId::Number(rtRcData), ResourceId::Named(u"stra\u00DFe"), 0, "abc"},
        {ResourceId::Number(rtRcData), ResourceId::Named(u"Zeta"), 0, RandomBytes(1001, 2)},
        {ResourceId::Number(rtRcData), ResourceId::Number(0), 0, "id zero"},
        {ResourceId::Number(0xFFFF), ResourceId::Number(0xFFFF), 0xFFFF, "largest key"},
    };
    const std::vector<Resource> second = {{ResourceId::Number(rtRcData), ResourceId::Named(u"AGAIN"), 0, "second"}};
    for (const Base& base : kBases) {
        SCOPED_TRACE(base.name);
        const std::string out = WriteResources(MakeImage(base.shape), resources, 0x12345678);
        EXPECT_EQ(ReadResources(out), InDirectoryOrder(resources));

        // Now the resource section is the last one: written again, it is replaced.
        const std::string again = WriteResources(out, second, 0);
        EXPECT_EQ(ReadResources(again), second);
        EXPECT_EQ(Get16(again, kCoffSections), Get16(out, kCoffSections));
        EXPECT_LT(again.size(), out.size());

        EXPECT_EQ(ReadResources(WriteResources(again, {}, 0)), std::vector<Resource>{});
    }
}

TEST(ResourceSection, DirectoryOrderAndUpperCasedNames) {
    // Names built without Named(), so that the writer's own upper-casing is what is tested.
    const auto stored = [](const char16_t* name) { return ResourceId{0, name}; };
    const auto number = ResourceId::Number;
    std::vector<Resource> resources = {
        {number(rtRcData), stored(u"ba"), 0, "d"}, {number(rtRcData), number(2), 0, "d"},
        {number(rtManifest), number(1), 0, "d"},   {number(rtRcData), stored(u"B_"), 0, "d"},
        {number(rtIcon), number(1), 0, "d"},       {number(rtRcData), stored(u"\u00E9t\u00E9"), 0, "d"},
        {stored(u"stpFile"), number(1), 0, "d"},   {stored(u"Alpha"), number(1), 0, "d"},
        {number(rtRcData), number(1), 0x409, "d"}, {number(rtRcData), number(1), 0, "d"},
        {number(rtRcData), number(1), 0x407, "d"},
    };

    const std::string out = WriteResources(MakeImage({}), resources, 0);
    std::vector<std::string> keys;
    for (const Resource& r : ReadResources(out))
        keys.push_back(r.Type.ToString() + "/" + r.Name.ToString() + "/" + std::to_string(r.Language));
    // Ordinal order of the upper-cased names: "BA" before "B_" (but "b_" < "ba"); only ASCII changes case.
    const std::vector<std::string> expected = {
        "ALPHA/1/0", "STPFILE/1/0", "3/1/0",     "10/BA/0", "10/B_/0", "10/\u00E9T\u00E9/0",
        "10/1/0",    "10/1/1031",   "10/1/1033", "10/2/0",  "24/1/0",
    };
    EXPECT_EQ(keys, expected);

    // Windows searches the named entries and the id entries of a table apart.
    const Section section = ReadSection(out, false, 2);
    EXPECT_EQ(Get16(out, section.PointerToRawData + 12), 2);  // named types
    EXPECT_EQ(Get16(out, section.PointerToRawData + 14), 3);  // numbered types

    resources.push_back({ResourceId{0, u"ALPHA"}, ResourceId::Number(1), 0, "same key"});
    EXPECT_EQ(PeErrorOf([&] { WriteResources(MakeImage({}), resources, 0); }),
              "duplicate resource: type ALPHA, name 1, language 0");
}

TEST(ResourceSection, HeadersDescribeTheSection) {
    const std::vector<Resource> resources = {
        {ResourceId::Number(rtRcData), ResourceId::Number(1), 0, "one"},
        {ResourceId::Number(rtRcData), ResourceId::Number(2), 0, "seven!!"},
        {ResourceId::Named(u"T"), ResourceId::Named(u"N"), 0, "a longer piece of data"},
    };
    struct Case {
        const char* name;
        ImageShape shape;
        bool added;
    };
    const Case cases[] = {
        {"no resource section", {}, true},
        {"resource section last", {.Rsrc = RsrcAt::Last}, false},
        {"resource section not last", {.Rsrc = RsrcAt::Middle}, true},
        {"PE32, resource section last", {.Pe32 = true, .Rsrc = RsrcAt::Last}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BuiltImage base = BuildImage(c.shape);
        const std::string& image = base.Bytes;
        const bool pe32 = c.shape.Pe32;
        const int count = Get16(image, kCoffSections);
        const std::string out = WriteResources(image, resources, 0xA1B2C3D4);

        EXPECT_EQ(Get16(out, kCoffSections), c.added ? count + 1 : count);
        const int index = c.added ? count : base.RsrcIndex;
        const Section s = ReadSection(out, pe32, index);
        EXPECT_EQ(s.Name, ".rsrc");
        EXPECT_EQ(s.Characteristics, kRsrcCharacteristics);
        if (c.added) {
            std::uint32_t memoryEnd = 0;
            for (int i = 0; i < count; ++i) {
                const Section old = ReadSection(image, pe32, i);
                memoryEnd = std::max(memoryEnd, old.VirtualAddress + old.VirtualSize);
            }
            EXPECT_EQ(s.VirtualAddress, (memoryEnd + 0xFFF) / 0x1000 * 0x1000);
            EXPECT_EQ(s.PointerToRawData, image.size());
        } else {
            EXPECT_EQ(s.VirtualAddress, base.RsrcRva);
            EXPECT_EQ(s.PointerToRawData, base.RsrcRaw);
        }
        EXPECT_EQ(s.SizeOfRawData % 0x200, 0u);
        EXPECT_GE(s.SizeOfRawData, s.VirtualSize);
        EXPECT_EQ(out.size(), std::size_t(s.PointerToRawData) + s.SizeOfRawData);
        EXPECT_EQ(Get32(out, DataDirectory(pe32, 2)), s.VirtualAddress);
        EXPECT_EQ(Get32(out, DataDirectory(pe32, 2) + 4), s.VirtualSize);
        EXPECT_EQ(Get32(out, kOptSizeOfImage), (s.VirtualAddress + s.VirtualSize + 0xFFF) / 0x1000 * 0x1000);
        const std::uint32_t replacedRaw = c.added ? 0 : ReadSection(image, pe32, index).SizeOfRawData;
        EXPECT_EQ(Get32(out, kOptSizeOfInitializedData),
                  Get32(image, kOptSizeOfInitializedData) - replacedRaw + s.SizeOfRawData);
        EXPECT_EQ(Get32(out, kCoffTimeDateStamp), 0xA1B2C3D4u);
        EXPECT_EQ(Get32(out, kOptCheckSum), IndependentChecksum(out));

        for (const Resource& r : resources) {
            const std::size_t at = out.find(r.Data, s.PointerToRawData);
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ((at - s.PointerToRawData) % 8, 0u) << r.Data;
        }
        // Everything before the new section's place is as it was, apart from the headers;
        // a resource section that is not last stays where it was, unreferenced.
        const std::size_t kept = (c.added ? image.size() : base.RsrcRaw) - c.shape.SizeOfHeaders;
        EXPECT_EQ(out.compare(c.shape.SizeOfHeaders, kept, image, c.shape.SizeOfHeaders, kept), 0);
        EXPECT_EQ(out.find(kOldResourceData) != std::string::npos, c.shape.Rsrc == RsrcAt::Middle);
        EXPECT_EQ(ReadResources(out), InDirectoryOrder(resources));
    }
}

TEST(ResourceSection, OutputDependsOnlyOnItsInputs) {
    const std::string image = MakeImage({.Rsrc = RsrcAt::Last});
    std::vector<Resource> resources = {
        {ResourceId::Number(rtRcData), ResourceId::Number(1), 0, "one"},
        {ResourceId::Named(u"X"), ResourceId::Number(1), 0, "two"},
        {ResourceId::Number(rtIcon), ResourceId::Number(1), 0, "three"},
    };
    const std::string first = WriteResources(image, resources, 7);
    std::reverse(resources.begin(), resources.end());
    EXPECT_EQ(WriteResources(image, resources, 7), first);

    // Another time stamp changes the COFF header's and the checksum, nothing else
    // (the directory tables carry none).
    const std::string later = WriteResources(image, resources, 8);
    ASSERT_EQ(later.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        const bool stamped =
            (i >= kCoffTimeDateStamp && i < kCoffTimeDateStamp + 4) || (i >= kOptCheckSum && i < kOptCheckSum + 4);
        if (!stamped) {
            ASSERT_EQ(first[i], later[i]) << "byte " << i;
        }
    }
}

TEST(ResourceSection, RefusesImagesItCannotWrite) {
    const auto changed = [](std::function<void(std::string&)> change, ImageShape shape = {}) {
        std::string image = MakeImage(shape);
        change(image);
        return image;
    };
    struct Case {
        const char* name;
        std::string image;
        const char* message;
        bool unreadable;  // the reader refuses it too
    };
    const Case cases[] = {
        {"signed", changed([](std::string& i) {
             Set32(i, DataDirectory(false, 4), 0x2000);
             Set32(i, DataDirectory(false, 4) + 4, 0x100);
         }),
         "the image is signed", false},
        {"no MZ", changed([](std::string& i) { i[0] = 'X'; }), "not a PE image: no MZ signature", true},
        {"no PE", changed([](std::string& i) { i[kPeOffset + 1] = 'X'; }), "not a PE image: no PE signature at 0x80",
         true},
        {"tiny", MakeImage({}).substr(0, 40), "too short for an MZ header", true},
        {"headers cut in the COFF header", MakeImage({}).substr(0, kCoff + 10), "truncated headers: the PE header",
         true},
        {"headers cut in the optional header", MakeImage({}).substr(0, kOptional + 100),
         "truncated headers: the optional header", true},
        {"headers cut in the section table", MakeImage({}).substr(0, SectionTable(false) + 50),
         "truncated headers: the section table", true},
        {"ROM image", changed([](std::string& i) { Set16(i, kOptional, 0x107); }),
         "not a PE32 or PE32+ image (optional header magic 0x107)", true},
        {"overlay", MakeImage({}) + "appended", "8 bytes after its last section (an overlay)", false},
        {"symbol table", changed([](std::string& i) { Set32(i, kCoffSymbolTable, 0x600); }), "COFF symbol table",
         false},
        {"section data cut", MakeImage({}).substr(0, 0x700), "the image is truncated: section .sec1", false},
        {"no room", MakeImage({.PlainSections = 3, .SizeOfHeaders = 0x200}),
         "no room for another section header: the section table ends at 0x200", false},
        {"slot in use", changed([](std::string& i) { i[SectionTable(false) + 2 * 40 + 5] = 1; }),
         "no room for another section header: the bytes after the section table at 0x1D8 are in use", false},
        {"two data directories", changed([](std::string& i) { Set32(i, kOptional + 108, 2); }),
         "no resource directory entry (2 data directories)", false},
        {"section table past the headers", changed([](std::string& i) { Set32(i, kOptional + 60, 0x100); }),
         "the section table ends at 0x1D8, after the headers' end (SizeOfHeaders 0x100)", false},
        {"overlapping sections", changed([](std::string& i) { Set32(i, SectionTable(false) + 8, 0x1001); }),
         "sections .sec0 and .sec1 overlap in memory", false},
        {"bad alignment", changed([](std::string& i) { Set32(i, kOptional + 36, 0x300); }), "alignments are invalid",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string written = PeErrorOf([&] { WriteResources(c.image, {}, 0); });
        EXPECT_NE(written.find(c.message), std::string::npos) << written;
        const std::string read = PeErrorOf([&] { ReadResources(c.image); });
        if (c.unreadable)
            EXPECT_EQ(read, written);
        else
            EXPECT_EQ(read, "(no error)");
    }
}

}  // namespace
// Streaming the first resource's data gives the very bytes of writing it whole, for
// stubs with and without a resource section and for data of odd and even length.
TEST(ResourceSection, StreamedDataGivesTheSameImage) {
    for (const RsrcAt at : {RsrcAt::None, RsrcAt::Last, RsrcAt::Middle}) {
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4097}, std::size_t{70000}}) {
            std::string big(size, '\0');
            for (std::size_t i = 0; i < size; ++i) big[i] = static_cast<char>(i * 7 + i / 251);
            const std::vector<Resource> whole = {
                {ResourceId::Named(u"STPFILE"), ResourceId::Named(u"SETUPPACKAGE"), 0x409, big},
                {ResourceId::Number(rtRcData), ResourceId::Number(1), 0x409, "small"},
                {ResourceId::Number(rtManifest), ResourceId::Number(1), 0x409, "<assembly/>"},
            };
            std::vector<Resource> streamed = whole;
            streamed[0].Data.clear();
            const std::string stub = MakeImage({.Rsrc = at});
            const StreamedResourceImage writer(stub, streamed, 1234);
            TWordSum sum;
            for (std::size_t from = 0; from < size; from += 999) sum.Add(std::string_view(big).substr(from, 999));
            const StreamedResourceImage::Pieces pieces = writer.Finish(size, sum);
            EXPECT_EQ(pieces.Before.size(), writer.StreamOffset());
            EXPECT_TRUE(pieces.Before + big + pieces.After == WriteResources(stub, whole, 1234))
                << "section " << static_cast<int>(at) << ", " << size << " bytes";
        }
    }
}

}  // namespace stp::pe
