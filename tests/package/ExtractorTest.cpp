#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "PackageFixture.h"
#include "datatable/Errors.h"
#include "package/Extractor.h"
#include "package/PackageWriter.h"

namespace stp::test {
namespace {

namespace fs = std::filesystem;

Bytes Random(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n, '\0');
    for (auto& c : b) c = static_cast<char>(rng());
    return b;
}

class Extractor : public PackageTest {
public:
    std::vector<std::int64_t> reports;

    TProgressEvent Recorder() {
        return [this](std::int64_t p) { reports.push_back(p); };
    }
    void Extract() { ExtractSetupPackage(PathText(PackagePath), DestText, u"", Recorder(), SysText); }
    void WriteRaw(const Bytes& records, std::u16string_view table, const Bytes& trailer = "\x0A\x14\x02") {
        WriteAll(PackagePath, MakePackage(records, table, u"", trailer));
    }
    // Two one-byte-ish records a.txt and b.txt in the destination.
    std::u16string TwoRows(const Bytes& a, const Bytes& b, Bytes& records) {
        Bytes za = Zlib(a), zb = Zlib(b);
        records = za + zb;
        return u"," u"a.txt," + FromUtf8(std::to_string(za.size())) + u"," + FromUtf8(std::to_string(a.size())) +
               u"|," u"b.txt," + FromUtf8(std::to_string(zb.size())) + u"," + FromUtf8(std::to_string(b.size()));
    }
    bool DestEmpty() { return fs::is_directory(Dest) && fs::is_empty(Dest); }
};

// Windows file names cannot hold a vertical bar.
#ifdef _WIN32
constexpr char16_t kSeparatorName[] = u"a,b.txt";
#else
constexpr char16_t kSeparatorName[] = u"a,b|c.txt";
#endif

TEST_F(Extractor, RoundTripsATreeThroughTheWriter) {
    struct File {
        const char* path;  // below src
        std::u16string folder;
        std::u16string name;
        Bytes content;
        bool root;
        fs::path expected;  // below the test root
    };
    const Bytes big = Random(3 * (1 << 20) + 12345, 1) + Bytes(2 << 20, 'z');  // several chunks
    std::vector<File> files = {
        {"empty", u"", u"empty.txt", "", false, "dest/empty.txt"},
        {"comma", u"", kSeparatorName, "commas and bars", false, fs::path("dest") / kSeparatorName},
        {"nested", u"x\\y\\", u"deep.bin", Random(5000, 2), false, "dest/x/y/deep.bin"},
        {"big", u"data\\", u"big.bin", big, false, "dest/data/big.bin"},
        {"sys", u"$System$", u"lib.dll", "system file", false, "sys/lib.dll"},
        {"third", u"$Third$sub\\", u"third.dll", "third-party", false, "sys/sub/third.dll"},
        {"root", u"$System$", u"rooted.txt", "goes to the root", true, "dest/rooted.txt"},
    };
    std::vector<TPackageEntry> entries;
    for (const auto& f : files) {
        WriteAll(Src / f.path, f.content);
        entries.push_back({PathText(Src / f.path), f.folder, f.name, f.root});
    }
    TPackageOptions options;
    options.Threads = 2;
    WritePackage(entries, PathText(PackagePath), options);
    const Bytes package = ReadAll(PackagePath);
    EXPECT_EQ(package.substr(0, 2), "\x78\xDA");
    EXPECT_EQ(package.substr(package.size() - 3), "\x0A\x14\x02");

    Extract();
    for (const auto& f : files) EXPECT_EQ(ReadAll(Root / f.expected), f.content) << f.path;
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 100);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));

    // Identical input gives an identical package, whatever the number of threads.
    options.Threads = 1;
    const fs::path again = Root / "again.stp";
    WritePackage(entries, PathText(again), options);
    EXPECT_EQ(ReadAll(again), package);
}

// The writer stores each folder so that the extractor puts the file where the folder
// says, or refuses it: never a package that installs wrongly or not at all.
TEST_F(Extractor, WrittenFoldersLandWhereTheySay) {
    const struct {
        const char16_t* folder;
        const char* expected;  // below the test root; null when the writer refuses
    } cases[] = {
        {u"data$", "dest/data$/f.txt"},
        {u"sub/dir", "dest/sub/dir/f.txt"},
        {u"$system$", "sys/f.txt"},
        {u"$SYSTEM$sub", "sys/sub/f.txt"},
        {u"$third$x/", "sys/x/f.txt"},
        {u"$System$sub\\System", "sys/sub/System/f.txt"},
        {u"$Third$System\\", nullptr},
        {u"$Other$", nullptr},
        {u"$", nullptr},
        {u"..\\up", nullptr},
    };
    WriteAll(Src / "f.txt", "content");
    for (const auto& c : cases) {
        fs::remove_all(Dest);
        fs::remove_all(Sys);
        fs::create_directories(Sys);
        const std::vector<TPackageEntry> entries = {{PathText(Src / "f.txt"), c.folder, u"f.txt", false}};
        if (!c.expected) {
            EXPECT_THROW(WritePackage(entries, PathText(PackagePath), {}), EPackageError) << ToUtf8(c.folder);
            continue;
        }
        WritePackage(entries, PathText(PackagePath), {});
        Extract();
        EXPECT_EQ(ReadAll(Root / c.expected), "content") << ToUtf8(c.folder);
    }
}

TEST_F(Extractor, ProgressRoundsHalvesToEven) {
    Bytes records;
    const std::u16string table = TwoRows("1", "1234567", records);
    WriteRaw(records, table);
    Extract();
    EXPECT_EQ(reports, (std::vector<std::int64_t>{12, 100}));
}

TEST_F(Extractor, AllEmptyFilesReportCompletion) {
    Bytes records;
    const std::u16string table = TwoRows("", "", records);
    WriteRaw(records, table);
    Extract();
    EXPECT_EQ(reports, (std::vector<std::int64_t>{100, 100}));
}

TEST_F(Extractor, ExistingMacroFileIsKeptAndOthersAreReplaced) {
    const Bytes za = Zlib("new system"), zb = Zlib("new local!");
    WriteAll(Sys / "keep.dll", "old system");
    WriteAll(Dest / "local.txt", "old local");
    WriteRaw(za + zb, u"$System$,keep.dll," + FromUtf8(std::to_string(za.size())) + u",10|," u"local.txt," +
                          FromUtf8(std::to_string(zb.size())) + u",10");
    Extract();
    EXPECT_EQ(ReadAll(Sys / "keep.dll"), "old system");
    EXPECT_EQ(ReadAll(Dest / "local.txt"), "new local!");
    // The skipped row counts as done without a report of its own.
    EXPECT_EQ(reports, (std::vector<std::int64_t>{100}));
}

// Only a true fifth cell sends a macro row to the destination folder.
TEST_F(Extractor, AFalseRootFlagKeepsAMacroRowInTheSystemFolder) {
    const Bytes z = Zlib("x");
    for (const char16_t* flag : {u"0", u"False", u"false", u""}) {
        fs::remove_all(Sys / "lib.dll");
        WriteRaw(z, u"$System$,lib.dll," + FromUtf8(std::to_string(z.size())) + u",1," + flag);
        Extract();
        EXPECT_EQ(ReadAll(Sys / "lib.dll"), "x") << ToUtf8(flag);
        EXPECT_FALSE(fs::exists(Dest / "lib.dll")) << ToUtf8(flag);
    }
}

TEST_F(Extractor, MacroRowWithAPathSkipsByThePathButWritesTheLastComponent) {
    const Bytes z = Zlib("x");
    WriteRaw(z, u"$System$,sub\\name.dll," + FromUtf8(std::to_string(z.size())) + u",1");
    Extract();
    EXPECT_EQ(ReadAll(Sys / "name.dll"), "x");
    EXPECT_FALSE(fs::exists(Sys / "sub"));
}

TEST_F(Extractor, HoldsNothingWhenTheLengthFieldReachesTheFileSize) {
    Bytes package = MakePackage("", u"x");
    const auto n = static_cast<std::uint32_t>(package.size());
    for (int i = 0; i < 4; ++i) package[package.size() - 7 + i] = static_cast<char>(n >> (8 * i));
    WriteAll(PackagePath, package);
    Extract();
    EXPECT_TRUE(DestEmpty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(Extractor, AcceptsEveryTrailerKind) {
    const Bytes z = Zlib("payload");
    const std::u16string table = u",f.txt," + FromUtf8(std::to_string(z.size())) + u",7";
    const Bytes trailers[] = {
        "\x0A\x14\x02",
        Bytes(19, 'q') + "\x0B\x14\x02",          // 22 bytes
        Bytes("\x0A") + Bytes(9, '\0'),           // 10 bytes
        Bytes("\x0B") + Bytes(28, 'q'),           // 29 bytes
    };
    for (const auto& t : trailers) {
        WriteRaw(z, table, t);
        fs::remove_all(Dest);
        SCOPED_TRACE(t.size());
        Extract();
        EXPECT_EQ(ReadAll(Dest / "f.txt"), "payload") << t.size();
    }
}

TEST_F(Extractor, TableWithoutRowsWritesNothing) {
    WriteRaw("", u"#Files,0#");
    Extract();
    EXPECT_TRUE(DestEmpty());
    EXPECT_TRUE(reports.empty());
}

// A failure the extractor must raise; `written` lists what exists afterwards.
struct FailureCase {
    const char* name;
    std::function<void(Extractor&)> make;
    std::function<bool(const std::exception&)> kind;
    std::vector<const char*> written;
};

template <class E>
bool Is(const std::exception& e) {
    return dynamic_cast<const E*>(&e) != nullptr;
}

class ExtractorFailure : public Extractor, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ExtractorFailure, RaisesAndKeepsOnlyEarlierFiles) {
    GetParam().make(*this);
    try {
        Extract();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(GetParam().kind(e)) << e.what();
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    std::vector<std::string> found;
    if (fs::exists(Dest))
        for (auto& f : fs::recursive_directory_iterator(Dest))
            if (f.is_regular_file()) found.push_back(fs::relative(f.path(), Dest).generic_string());
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected(GetParam().written.begin(), GetParam().written.end());
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(fs::is_directory(Dest));
}

std::u16string Num(std::size_t n) { return FromUtf8(std::to_string(n)); }

const FailureCase kFailures[] = {
    {"MissingPackage", [](Extractor&) {}, Is<EFileError>, {}},
    {"EmptyTableText", [](Extractor& t) { WriteAll(t.PackagePath, Bytes("\0\0\0\0\x0A\x14\x02", 7)); },
     Is<EListError>, {}},
    {"EnvelopeThatDoesNotOpen",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes("short") + Bytes("\x05\0\0\0\x0A\x14\x02", 7)); },
     Is<EListError>, {}},
    {"NegativeTableLength",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes(20, 'a') + Bytes("\xFF\xFF\xFF\xFF\x0A\x14\x02", 7)); },
     Is<EFileError>, {}},
    {"TableLongerThanTheFile",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes(20, 'a') + Bytes("\x18\0\0\0\x0A\x14\x02", 7)); },
     Is<EFileError>, {}},
    {"RowWithThreeCells", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,9"); }, Is<EListError>, {}},
    {"SizeThatIsNoInteger",
     [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,9,1|,b.txt,1,2x"); }, Is<EConvertError>, {}},
    {"NegativeUncompressedSize", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,9,-1"); },
     Is<EPackageError>, {}},
    {"FolderLeavingTheDestination",
     [](Extractor& t) {
         const Bytes z = Zlib("a");
         t.WriteRaw(z + z, u",ok.txt," + Num(z.size()) + u",1|..\\,evil.txt," + Num(z.size()) + u",1");
     },
     Is<EPackageError>, {}},
    {"RootedFolder", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"\\tmp\\,a.txt,9,1"); }, Is<EPackageError>, {}},
    {"DriveFolder", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"C:\\,a.txt,9,1"); }, Is<EPackageError>, {}},
    {"DotDotFileName", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",..,9,1"); }, Is<EPackageError>, {}},
    {"SlashInFileName", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",../x,9,1"); }, Is<EPackageError>, {}},
    {"MacroOutsideTheSystemFolder", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"$system$,a.txt,9,1"); },
     Is<EPackageError>, {}},
    {"MacroClimbingOut", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"$Third$..\\,a.txt,9,1"); },
     Is<EPackageError>, {}},
    {"CompressedSizeThatIsNoInteger",
     [](Extractor& t) {
         const Bytes z = Zlib("a");
         t.WriteRaw(z + z, u",a.txt," + Num(z.size()) + u",1|,b.txt,zz,1");
     },
     Is<EConvertError>, {"a.txt"}},
    {"NegativeCompressedSize",
     [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,-5,1"); }, Is<EPackageError>, {}},
    {"RecordCutShort",
     [](Extractor& t) {
         const Bytes z = Zlib("first"), big = Zlib(Random(4000, 3));
         t.WriteRaw(z + big.substr(0, 100),
                    u",a.txt," + Num(z.size()) + u",5|,b.bin,100000,4000");
     },
     Is<EFileError>, {"a.txt", "b.bin"}},
    {"RecordThatIsNoZlibStream",
     [](Extractor& t) { t.WriteRaw("not zlib at all", u",a.txt,15,15"); }, Is<EInflateError>, {"a.txt"}},
    {"RawDeflateRecord",
     [](Extractor& t) {
         const Bytes z = Zlib("abc");
         t.WriteRaw(z.substr(2, z.size() - 6), u",a.txt," + Num(z.size() - 6) + u",3");
     },
     Is<EInflateError>, {"a.txt"}},
    {"RecordShorterThanDeclared",
     [](Extractor& t) {
         const Bytes z = Zlib("abc");
         t.WriteRaw(z, u",a.txt," + Num(z.size()) + u",4");
     },
     Is<EInflateError>, {"a.txt"}},
    {"RecordLongerThanDeclared",
     [](Extractor& t) {
         const Bytes z = Zlib(Bytes(1 << 20, 'b'));  // a small bomb
         t.WriteRaw(z, u",a.txt," + Num(z.size()) + u",1000");
     },
     Is<EInflateError>, {"a.txt"}},
    {"StreamRunningPastItsRecord",
     [](Extractor& t) {
         const Bytes z = Zlib("abcdef");
         t.WriteRaw(z, u",a.txt," + Num(z.size() - 3) + u",6");
     },
     Is<EInflateError>, {"a.txt"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExtractorFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Extractor, WrittenFileNeverExceedsItsDeclaredSize) {
    const Bytes z = Zlib(Bytes(1 << 20, 'b'));
    WriteRaw(z, u",a.txt," + FromUtf8(std::to_string(z.size())) + u",1000");
    EXPECT_THROW(Extract(), EInflateError);
    EXPECT_LE(fs::file_size(Dest / "a.txt"), 1000u);
}

TEST_F(Extractor, ErrorsNameTheRowAndTheFile) {
    WriteRaw("garbage!", u",one.txt,8,3");
    try {
        Extract();
        FAIL();
    } catch (const EInflateError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("row 1"), std::string::npos) << m;
        EXPECT_NE(m.find("one.txt"), std::string::npos) << m;
        EXPECT_NE(m.find("zlib"), std::string::npos) << m;
    }
}

}  // namespace
}  // namespace stp::test
