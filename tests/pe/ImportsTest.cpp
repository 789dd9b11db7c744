// The DLLs an image names in its import and delay-load tables, from hand-made tables, and
// what the reader says of damaged ones: it must never read outside the image.
#include <gtest/gtest.h>

#include "PeImageFixture.h"
#include "pe/Imports.h"

namespace stp::pe {

bool operator==(const ImportedDll& a, const ImportedDll& b) { return a.Name == b.Name && a.Delayed == b.Delayed; }
void PrintTo(const ImportedDll& dll, std::ostream* out) { *out << dll.Name << (dll.Delayed ? " (delayed)" : ""); }

namespace {

using namespace test;

// One section with the import table at 0 (20-byte entries), the delay-load table at
// kDelayAt (32-byte entries) and the names after both; every table closed by an all-zero
// entry.
constexpr std::uint32_t kDelayAt = 0x80;
constexpr std::uint32_t kNamesAt = 0x100;

struct Tables {
    std::vector<std::string> Imported, Delayed;
};

std::string TableBytes(std::uint32_t rva, const Tables& tables) {
    std::string bytes(kNamesAt, '\0');
    std::uint32_t name = kNamesAt;
    auto addName = [&](const std::string& dll) {
        bytes += dll + '\0';
        const std::uint32_t at = rva + name;
        name += static_cast<std::uint32_t>(dll.size() + 1);
        return at;
    };
    for (std::size_t i = 0; i < tables.Imported.size(); ++i) Set32(bytes, 20 * i + 12, addName(tables.Imported[i]));
    for (std::size_t i = 0; i < tables.Delayed.size(); ++i) {
        Set32(bytes, kDelayAt + 32 * i, 1);  // RVA-based
        Set32(bytes, kDelayAt + 32 * i + 4, addName(tables.Delayed[i]));
    }
    return bytes;
}

// An image whose last section holds Tables; the directories point at them (the delay-load
// one only when it has entries).
BuiltImage ImageWith(const Tables& tables, bool pe32 = false) {
    BuiltImage built = BuildImage(
        {.Pe32 = pe32, .Rsrc = RsrcAt::Last, .RsrcBytes = [&](std::uint32_t rva) { return TableBytes(rva, tables); }});
    Set32(built.Bytes, DataDirectory(pe32, 2), 0);
    Set32(built.Bytes, DataDirectory(pe32, 2) + 4, 0);
    Set32(built.Bytes, DataDirectory(pe32, kImportDirectory), built.RsrcRva);
    Set32(built.Bytes, DataDirectory(pe32, kImportDirectory) + 4, 20 * (tables.Imported.size() + 1));
    if (!tables.Delayed.empty()) {
        Set32(built.Bytes, DataDirectory(pe32, kDelayImportDirectory), built.RsrcRva + kDelayAt);
        Set32(built.Bytes, DataDirectory(pe32, kDelayImportDirectory) + 4, 32 * (tables.Delayed.size() + 1));
    }
    return built;
}

TEST(Imports, ListsBothTablesInOrder) {
    for (bool pe32 : {false, true}) {
        const BuiltImage image = ImageWith({{"KERNEL32.dll", "bcrypt.dll", "USER32.dll"}, {"uxtheme.dll"}}, pe32);
        EXPECT_EQ(ImportedDlls(image.Bytes),
                  (std::vector<ImportedDll>{
                      {"KERNEL32.dll", false}, {"bcrypt.dll", false}, {"USER32.dll", false}, {"uxtheme.dll", true}}))
            << (pe32 ? "PE32" : "PE32+");
    }
    EXPECT_TRUE(ImportedDlls(MakeImage({})).empty()) << "an image without import tables";
}

TEST(Imports, NamesWhatIsDamaged) {
    struct Case {
        const char* name;
        std::function<void(BuiltImage&)> damage;
        const char* message;
    };
    const Case cases[] = {
        {"table outside the sections",
         [](BuiltImage& image) { Set32(image.Bytes, DataDirectory(false, kImportDirectory), 0x70000); },
         "import table at RVA 0x70000 is outside the image's sections"},
        {"no closing entry",
         [](BuiltImage& image) {
             // At the last name, 12 bytes before the section's end: not one whole entry.
             Set32(image.Bytes, DataDirectory(false, kImportDirectory), image.RsrcRva + kNamesAt + 13);
         },
         "import table at RVA 0x310D has no closing entry inside its section"},
        {"name outside the sections", [](BuiltImage& image) { Set32(image.Bytes, image.RsrcRaw + 12, 0x90000); },
         "import table DLL name at RVA 0x90000 is outside the image's sections"},
        {"name without its end",
         [](BuiltImage& image) {
             const std::uint32_t raw = ReadSection(image.Bytes, false, image.RsrcIndex).SizeOfRawData;
             for (std::uint32_t at = kNamesAt; at < raw; ++at) image.Bytes[image.RsrcRaw + at] = 'x';
         },
         "the DLL name at RVA"},
        {"delay-load addresses", [](BuiltImage& image) { Set32(image.Bytes, image.RsrcRaw + kDelayAt, 0); },
         "holds addresses rather than RVAs"},
    };
    for (const Case& c : cases) {
        BuiltImage image = ImageWith({{"KERNEL32.dll"}, {"uxtheme.dll"}});
        c.damage(image);
        EXPECT_NE(PeErrorOf([&] { ImportedDlls(image.Bytes); }).find(c.message), std::string::npos) << c.name;
    }
}

}  // namespace
}  // namespace stp::pe
