// Packages made to break the extractor: each must end with the system's own error or
// the specified outcome, and nothing may appear outside the destination and system
// folders.
#include <gtest/gtest.h>

#include <climits>

#include "PackageFixture.h"
#include "datatable/Errors.h"
#include "package/Extractor.h"
#include "package/PackageWriter.h"

namespace stp::test {
namespace {

namespace fs = std::filesystem;

class HostilePackage : public PackageTest {
public:
    // Extracts whatever PackagePath holds; true when it raised the system's error.
    bool ExtractFails() {
        try {
            ExtractSetupPackage(
                PathText(PackagePath), DestText, u"", [](std::int64_t) {}, SysText);
            return false;
        } catch (const Error& e) {
            EXPECT_FALSE(std::string(e.what()).empty());
            return true;
        }
    }
    void ExpectNothingOutside() {
        for (const auto& entry : fs::directory_iterator(Root)) {
            const auto name = entry.path().filename();
            EXPECT_TRUE(name == "dest" || name == "sys" || name == "src" || name == "Setup.stp") << name;
        }
    }
    Bytes ValidPackage() {
        WriteAll(Src / "a.txt", "first file");
        WriteAll(Src / "b.bin", Bytes(5000, 'b'));
        std::vector<TPackageEntry> entries = {{PathText(Src / "a.txt"), u"", u"a.txt", false},
                                              {PathText(Src / "b.bin"), u"sub\\", u"b.bin", false}};
        WritePackage(entries, PathText(PackagePath), {});
        return ReadAll(PackagePath);
    }
};

TEST_F(HostilePackage, TruncatedAnywhere) {
    const Bytes whole = ValidPackage();
    for (std::size_t n = 0; n < whole.size(); ++n) {
        WriteAll(PackagePath, whole.substr(0, n));
        fs::remove_all(Dest);
        ExtractFails();  // the cut decides between an error and "holds nothing"; never a crash
        ExpectNothingOutside();
    }
}

TEST_F(HostilePackage, LengthFieldAtEveryBoundary) {
    const Bytes whole = ValidPackage();
    const std::int64_t size = static_cast<std::int64_t>(whole.size());
    const std::int64_t at = size - 7;
    for (std::int64_t length : {std::int64_t(INT_MIN), std::int64_t(-1), std::int64_t(0), std::int64_t(1), at - 1, at,
                                at + 1, size - 1, size, size + 1, std::int64_t(INT_MAX)}) {
        Bytes p = whole;
        for (int i = 0; i < 4; ++i)
            p[static_cast<std::size_t>(at + i)] = static_cast<char>(std::uint32_t(length) >> (8 * i));
        WriteAll(PackagePath, p);
        fs::remove_all(Dest);
        const bool failed = ExtractFails();
        // At or past the file size the package holds nothing: no error, nothing written.
        if (length >= size) {
            EXPECT_FALSE(failed) << length;
            EXPECT_TRUE(fs::is_empty(Dest)) << length;
        } else {
            EXPECT_TRUE(failed) << length;
        }
        ExpectNothingOutside();
    }
}

TEST_F(HostilePackage, HugeDeclaredSizesAllocateNothing) {
    const Bytes z = Zlib("tiny");
    // 2 GiB declared for a 1 KiB package: the inflater works in fixed buffers, so this
    // fails at the record's true size, not at an allocation.
    WriteAll(PackagePath, MakePackage(z, u",big.bin," + FromUtf8(std::to_string(z.size())) + u",2147483647"));
    EXPECT_TRUE(ExtractFails());
    EXPECT_LE(fs::file_size(Dest / "big.bin"), 4u);
    WriteAll(PackagePath, MakePackage(z, u",big.bin,2147483647,4"));
    EXPECT_TRUE(ExtractFails());
    WriteAll(PackagePath, MakePackage(z, u",a,1,2147483647|,b,1,2147483647|,c,1,2147483647"));
    EXPECT_TRUE(ExtractFails());  // the total no longer fits 32 bits, but counts in 64
    ExpectNothingOutside();
}

TEST_F(HostilePackage, ZlibBombStopsAtTheDeclaredSize) {
    const Bytes bomb = Zlib(Bytes(64 << 20, '\0'));  // 64 MiB of zeros in about 64 KiB
    WriteAll(PackagePath, MakePackage(bomb, u",bomb.bin," + FromUtf8(std::to_string(bomb.size())) + u",1024"));
    EXPECT_THROW(ExtractSetupPackage(PathText(PackagePath), DestText, u"", nullptr, SysText), EInflateError);
    EXPECT_LE(fs::file_size(Dest / "bomb.bin"), 1024u);
}

TEST_F(HostilePackage, ThousandsOfRows) {
    const Bytes z = Zlib("");
    Bytes records;
    std::u16string table;
    for (int i = 0; i < 3000; ++i) {
        records += z;
        if (i) table += u'|';
        table += u"d" + FromUtf8(std::to_string(i % 10)) + u"\\,f" + FromUtf8(std::to_string(i)) + u"," +
                 FromUtf8(std::to_string(z.size())) + u",0";
    }
    WriteAll(PackagePath, MakePackage(records, table));
    int reports = 0;
    ExtractSetupPackage(
        PathText(PackagePath), DestText, u"", [&](std::int64_t p) { reports += p == 100; }, SysText);
    EXPECT_EQ(reports, 3000);
    EXPECT_TRUE(fs::exists(Dest / "d9" / "f2999"));
}

TEST_F(HostilePackage, EnvelopeThatOpensToGarbage) {
    const Bytes z = Zlib("x");
    // Sealed with a password the setup program does not give: it opens to garbage.
    WriteAll(PackagePath, MakePackage(z, u",x.txt," + FromUtf8(std::to_string(z.size())) + u",1", u"secret"));
    EXPECT_TRUE(ExtractFails());
    EXPECT_TRUE(fs::is_empty(Dest));
    ExpectNothingOutside();
}

TEST_F(HostilePackage, RowsThatTryToLeave) {
    const Bytes z = Zlib("x");
    const std::u16string n = FromUtf8(std::to_string(z.size()));
    for (const std::u16string& row :
         {u"..\\,x," + n + u",1", u"a\\..\\..\\,x," + n + u",1", u",a\\..," + n + u",1", u"$System$..\\,x," + n + u",1",
          u"$Third$\\..\\..\\,x," + n + u",1", u"../,x," + n + u",1", u",sub/../../x," + n + u",1"}) {
        WriteAll(PackagePath, MakePackage(z, row));
        fs::remove_all(Dest);
        EXPECT_THROW(ExtractSetupPackage(PathText(PackagePath), DestText, u"", nullptr, SysText), EPackageError)
            << ToUtf8(row);
        EXPECT_TRUE(fs::is_empty(Dest));
        EXPECT_TRUE(fs::is_empty(Sys));
        ExpectNothingOutside();
    }
}

}  // namespace
}  // namespace stp::test
