// One resource looked up in an image the installer finds on disk (an earlier
// uninstaller): a good image gives the resource's bytes, a damaged or hostile one gives
// nothing, never an exception or a read outside the image.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "PeImageFixture.h"
#include "pe/ResourceLookup.h"
#include "pe/ResourceSection.h"
#include "product/ProductTable.h"

namespace stp::pe {
namespace {

using namespace test;

constexpr std::uint32_t kTable = 0x80000000;
constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

TEST(ResourceLookup, FindsTheFirstLanguageOfTheResourceWithinItsLimit) {
    const ResourceId stpFile = ResourceId::Named(kStpResourceType);
    const ResourceId fileList = ResourceId::Named(kFileListResource);
    const std::string image = WriteResources(MakeImage({.PlainSections = 1}),
                                             {
                                                 {stpFile, ResourceId::Named(kPackageResource), 0x409, "package"},
                                                 {stpFile, fileList, 0x409, "list in 0409"},
                                                 {stpFile, fileList, 0x407, "list in 0407"},
                                                 {ResourceId::Number(rtRcData), fileList, 0x409, "rcdata list"},
                                                 {ResourceId::Number(rtRcData), ResourceId::Number(1), 0, "rc"},
                                                 {stpFile, ResourceId::Named(u"Empty"), 0x409, ""},
                                             },
                                             0);
    struct Case {
        const char* name;
        ResourceId type;
        ResourceId resource;
        std::size_t limit;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"first language in directory order", stpFile, fileList, kNoLimit, "list in 0407"},
        {"names in any letter case", ResourceId{0, u"stpfile"}, ResourceId{0, u"FileList"}, kNoLimit, "list in 0407"},
        {"numbered", ResourceId::Number(rtRcData), ResourceId::Number(1), kNoLimit, "rc"},
        {"same name, other type", ResourceId::Number(rtRcData), fileList, kNoLimit, "rcdata list"},
        {"no such name", stpFile, ResourceId::Named(u"Missing"), kNoLimit, std::nullopt},
        {"a name is not a number", stpFile, ResourceId::Number(1), kNoLimit, std::nullopt},
        {"no such type", ResourceId::Number(rtManifest), ResourceId::Number(1), kNoLimit, std::nullopt},
        {"exactly the limit", stpFile, fileList, 12, "list in 0407"},
        {"one byte over the limit", stpFile, fileList, 11, std::nullopt},
        {"a limit of 0", stpFile, ResourceId::Named(kPackageResource), 0, std::nullopt},
        {"found empty, not missing", stpFile, ResourceId::Named(u"Empty"), 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindImageResource(image, c.type, c.resource, c.limit), c.expected);
    }
}

// The hand-made directory (root 0x0, type table 0x18, name table 0x30, data entry 0x48,
// data 0x58 in the resource section; RCDATA 1 "old resource") damaged one way at a time.
TEST(ResourceLookup, DamagedImagesGiveNothing) {
    const BuiltImage base = BuildImage({.Rsrc = RsrcAt::Last});
    const auto set32 = [&](std::size_t at, std::uint32_t value) {
        std::string image = base.Bytes;
        Set32(image, at, value);
        return image;
    };
    const std::size_t rsrc = base.RsrcRaw;
    const std::size_t directoryEntry = DataDirectory(false, 2);
    struct Case {
        const char* name;
        std::string image;
    };
    const Case cases[] = {
        {"empty", ""},
        {"text, not an image", std::string(0x400, 'x')},
        {"truncated in the MZ header", base.Bytes.substr(0, 0x20)},
        {"truncated in the optional header", base.Bytes.substr(0, kOptional + 0x40)},
        {"truncated in the section table", base.Bytes.substr(0, SectionTable(false) + 40 + 20)},
        {"truncated in the resource directory", base.Bytes.substr(0, rsrc + 0x20)},
        {"truncated in the resource data", base.Bytes.substr(0, rsrc + 0x5C)},
        {"no PE signature", set32(kPeOffset, 0)},
        {"no resource section", MakeImage({})},
        {"resource directory outside the sections", set32(directoryEntry, 0x9000)},
        {"data entry claims 2 GiB", set32(rsrc + 0x4C, 0x80000000)},
        {"data entry claims 4 GiB", set32(rsrc + 0x4C, 0xFFFFFFFF)},
        {"data RVA outside the image", set32(rsrc + 0x48, 0x7FFF0000)},
        {"data RVA in the headers", set32(rsrc + 0x48, 0x10)},
        {"data entry outside the section", set32(rsrc + 0x44, 0x7000)},
        {"table outside the section", set32(rsrc + 0x14, kTable | 0x7000)},
        {"a table leads back to the root", set32(rsrc + 0x2C, kTable | 0x0)},
        {"a table leads to itself", set32(rsrc + 0x14, kTable | 0x0)},
        {"a fourth level", set32(rsrc + 0x44, kTable | 0x18)},
        {"more entries than the section holds", set32(rsrc + 0x0C, 0xFFFF0000)},
    };
    ASSERT_EQ(FindImageResource(base.Bytes, ResourceId::Number(rtRcData), ResourceId::Number(1), kNoLimit),
              kOldResourceData);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindImageResource(c.image, ResourceId::Number(rtRcData), ResourceId::Number(1), kNoLimit),
                  std::nullopt);
    }
}

}  // namespace
}  // namespace stp::pe
