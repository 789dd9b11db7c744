#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <chrono>
#include <random>
#include <thread>

#include <zlib.h>

#include "PackageFixture.h"
#include "datatable/Errors.h"
#include "package/Deflater.h"
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
        return u","
               u"a.txt," +
               FromUtf8(std::to_string(za.size())) + u"," + FromUtf8(std::to_string(a.size())) +
               u"|,"
               u"b.txt," +
               FromUtf8(std::to_string(zb.size())) + u"," + FromUtf8(std::to_string(b.size()));
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
    // Level 9 (zlib, in chunks on every core), the strongest (libdeflate, file by file),
    // and the strongest with a whole-file limit below the big file, which then goes in
    // chunks at level 9.
    const struct {
        int level;
        std::size_t wholeLimit;
    } variants[] = {{9, kWholeFileLimit}, {kMaxLevel, kWholeFileLimit}, {kMaxLevel, 1 << 20}};
    std::vector<std::size_t> sizes;
    for (const auto& [level, wholeLimit] : variants) {
        SCOPED_TRACE(level);
        SCOPED_TRACE(wholeLimit);
        fs::remove_all(Dest);
        fs::remove_all(Sys);
        fs::create_directories(Sys);
        reports.clear();
        TPackageOptions options;
        options.Threads = 2;
        options.Level = level;
        options.WholeFileLimit = wholeLimit;
        WritePackage(entries, PathText(PackagePath), options);
        const Bytes package = ReadAll(PackagePath);
        EXPECT_EQ(package.substr(0, 2), "\x78\xDA");
        EXPECT_EQ(package.substr(package.size() - 3), "\x0A\x14\x02");
        sizes.push_back(package.size());

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
    // The strongest is smallest whole, and the big file in chunks costs it.
    EXPECT_LT(sizes[1], sizes[0]);
    EXPECT_LT(sizes[1], sizes[2]);
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
    WriteRaw(za + zb, u"$System$,keep.dll," + FromUtf8(std::to_string(za.size())) +
                          u",10|,"
                          u"local.txt," +
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
        "\x0A\x14\x02", Bytes(19, 'q') + "\x0B\x14\x02",  // 22 bytes
        Bytes("\x0A") + Bytes(9, '\0'),                   // 10 bytes
        Bytes("\x0B") + Bytes(28, 'q'),                   // 29 bytes
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
    {"EmptyTableText",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes("\0\0\0\0\x0A\x14\x02", 7)); },
     Is<EListError>,
     {}},
    {"EnvelopeThatDoesNotOpen",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes("short") + Bytes("\x05\0\0\0\x0A\x14\x02", 7)); },
     Is<EListError>,
     {}},
    {"NegativeTableLength",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes(20, 'a') + Bytes("\xFF\xFF\xFF\xFF\x0A\x14\x02", 7)); },
     Is<EFileError>,
     {}},
    {"TableLongerThanTheFile",
     [](Extractor& t) { WriteAll(t.PackagePath, Bytes(20, 'a') + Bytes("\x18\0\0\0\x0A\x14\x02", 7)); },
     Is<EFileError>,
     {}},
    {"RowWithThreeCells", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,9"); }, Is<EListError>, {}},
    {"SizeThatIsNoInteger",
     [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,9,1|,b.txt,1,2x"); },
     Is<EConvertError>,
     {}},
    {"NegativeUncompressedSize", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,9,-1"); }, Is<EPackageError>, {}},
    {"FolderLeavingTheDestination",
     [](Extractor& t) {
         const Bytes z = Zlib("a");
         t.WriteRaw(z + z, u",ok.txt," + Num(z.size()) + u",1|..\\,evil.txt," + Num(z.size()) + u",1");
     },
     Is<EPackageError>,
     {}},
    {"RootedFolder", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"\\tmp\\,a.txt,9,1"); }, Is<EPackageError>, {}},
    {"DriveFolder", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"C:\\,a.txt,9,1"); }, Is<EPackageError>, {}},
    {"DotDotFileName", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",..,9,1"); }, Is<EPackageError>, {}},
    {"SlashInFileName", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",../x,9,1"); }, Is<EPackageError>, {}},
    {"MacroOutsideTheSystemFolder",
     [](Extractor& t) { t.WriteRaw(Zlib("a"), u"$system$,a.txt,9,1"); },
     Is<EPackageError>,
     {}},
    {"MacroClimbingOut", [](Extractor& t) { t.WriteRaw(Zlib("a"), u"$Third$..\\,a.txt,9,1"); }, Is<EPackageError>, {}},
    {"CompressedSizeThatIsNoInteger",
     [](Extractor& t) {
         const Bytes z = Zlib("a");
         t.WriteRaw(z + z, u",a.txt," + Num(z.size()) + u",1|,b.txt,zz,1");
     },
     Is<EConvertError>,
     {"a.txt"}},
    {"NegativeCompressedSize", [](Extractor& t) { t.WriteRaw(Zlib("a"), u",a.txt,-5,1"); }, Is<EPackageError>, {}},
    {"RecordCutShort",
     [](Extractor& t) {
         const Bytes z = Zlib("first"), big = Zlib(Random(4000, 3));
         t.WriteRaw(z + big.substr(0, 100), u",a.txt," + Num(z.size()) + u",5|,b.bin,100000,4000");
     },
     Is<EFileError>,
     {"a.txt", "b.bin"}},
    {"RecordThatIsNoZlibStream",
     [](Extractor& t) { t.WriteRaw("not zlib at all", u",a.txt,15,15"); },
     Is<EInflateError>,
     {"a.txt"}},
    {"RawDeflateRecord",
     [](Extractor& t) {
         const Bytes z = Zlib("abc");
         t.WriteRaw(z.substr(2, z.size() - 6), u",a.txt," + Num(z.size() - 6) + u",3");
     },
     Is<EInflateError>,
     {"a.txt"}},
    {"RecordShorterThanDeclared",
     [](Extractor& t) {
         const Bytes z = Zlib("abc");
         t.WriteRaw(z, u",a.txt," + Num(z.size()) + u",4");
     },
     Is<EInflateError>,
     {"a.txt"}},
    {"RecordLongerThanDeclared",
     [](Extractor& t) {
         const Bytes z = Zlib(Bytes(1 << 20, 'b'));  // a small bomb
         t.WriteRaw(z, u",a.txt," + Num(z.size()) + u",1000");
     },
     Is<EInflateError>,
     {"a.txt"}},
    {"StreamRunningPastItsRecord",
     [](Extractor& t) {
         const Bytes z = Zlib("abcdef");
         t.WriteRaw(z, u",a.txt," + Num(z.size() - 3) + u",6");
     },
     Is<EInflateError>,
     {"a.txt"}},
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

// What reading Record one piece after another wrote into a file of Size bytes before it
// failed (as the extraction did before it read ahead): 256 KiB read and 256 KiB of output
// at a time, none past Size, nothing of the call that failed. Empty optional: it did not fail.
std::optional<Bytes> WrittenBeforeTheError(const Bytes& record, std::size_t size) {
    z_stream z{};
    inflateInit(&z);
    Bytes written;
    Bytes out(256 * 1024, '\0');
    std::size_t fed = 0;
    bool failed = false;
    for (;;) {
        if (z.avail_in == 0 && fed < record.size()) {
            const std::size_t piece = std::min<std::size_t>(record.size() - fed, 256 * 1024);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(record.data() + fed));
            z.avail_in = static_cast<uInt>(piece);
            fed += piece;
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t got = out.size() - z.avail_out;
        if ((rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) || written.size() + got > size ||
            (rc == Z_BUF_ERROR && z.avail_in == 0 && fed == record.size())) {
            failed = true;  // what the failing call inflated is not written
            break;
        }
        written += out.substr(0, got);
        if (rc == Z_STREAM_END) break;
    }
    inflateEnd(&z);
    if (!failed && written.size() == size) return std::nullopt;
    return written;
}

std::u16string Row(const char16_t* folder, const std::string& name, std::size_t packed, std::size_t size) {
    return std::u16string(folder) + u"," + FromUtf8(name) + u"," + Num(packed) + u"," + Num(size);
}

// Records are read and inflated ahead of the files; the outcome stays that of reading
// them one after the other. Each case: good records, then one damaged in its middle
// (inflated whole, or streamed as a large one is): the files before it are complete, the
// damaged row's file holds what zlib inflated before the damage, nothing after it exists.
TEST_F(Extractor, ADamagedRecordAfterGoodOnesKeepsWhatAPlainInflateWrote) {
    for (const std::size_t size : {std::size_t(300'000), std::size_t(6'000'000)}) {
        SCOPED_TRACE(size);
        fs::remove_all(Dest);
        fs::create_directories(Dest);
        Bytes records;
        std::u16string table;
        std::vector<Bytes> good;
        for (int i = 0; i < 20; ++i) {
            good.push_back(Random(50'000, static_cast<unsigned>(i)) + Bytes(50'000, char('a' + i)));
            const Bytes z = Zlib(good.back());
            records += z;
            table += Row(u"", "good" + std::to_string(i) + ".bin", z.size(), good.back().size()) + u"|";
        }
        // Text-like bytes, damaged a third of the way in.
        Bytes text;
        while (text.size() < size) text += "the quick brown fox " + std::to_string(text.size()) + "\n";
        text.resize(size);
        Bytes bad = Zlib(text);
        for (std::size_t i = bad.size() / 3; i < bad.size() / 3 + 64; ++i) bad[i] = char(bad[i] ^ 0x5A);
        const std::optional<Bytes> written = WrittenBeforeTheError(bad, size);
        ASSERT_TRUE(written) << "the damage went unnoticed";
        const Bytes& before = *written;
        records += bad + Zlib("after");
        table += Row(u"", "bad.txt", bad.size(), size) + u"|" + Row(u"", "after.txt", Zlib("after").size(), 5);
        WriteRaw(records, table);
        EXPECT_THROW(Extract(), EInflateError);
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(ReadAll(Dest / ("good" + std::to_string(i) + ".bin")) == good[std::size_t(i)]) << i;
        EXPECT_TRUE(ReadAll(Dest / "bad.txt") == before)
            << ReadAll(Dest / "bad.txt").size() << " bytes written, " << before.size() << " expected";
        EXPECT_FALSE(fs::exists(Dest / "after.txt"));
    }
}

TEST_F(Extractor, ADamagedRecordOfAnExistingMacroFileIsPassedOver) {
    const Bytes z = Zlib("next");
    WriteAll(Sys / "keep.dll", "old");
    WriteRaw(Bytes("garbage, no zlib") + z,
             Row(u"$System$", "keep.dll", 16, 3) + u"|" + Row(u"", "next.txt", z.size(), 4));
    Extract();
    EXPECT_EQ(ReadAll(Sys / "keep.dll"), "old");
    EXPECT_EQ(ReadAll(Dest / "next.txt"), "next");
}

// The reader is ahead when writing a file fails: the error is the writer's, and no later
// file is made.
TEST_F(Extractor, AFileThatCannotBeMadeStopsTheReaderAhead) {
    Bytes records;
    std::u16string table;
    // 40 MB in all, more than the reader may hold: it waits for the writer when it fails.
    for (int i = 0; i < 40; ++i) {
        const Bytes z = Zlib(Bytes(1'000'000, char('a' + i % 26)));
        records += z;
        table += (i ? u"|" : u"") + Row(u"", "f" + std::to_string(i) + ".txt", z.size(), 1'000'000);
    }
    fs::create_directories(Dest / "f3.txt");  // a folder where the file must go
    WriteRaw(records, table);
    EXPECT_THROW(Extract(), EFileError);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fs::file_size(Dest / ("f" + std::to_string(i) + ".txt")), 1'000'000u);
    for (int i = 4; i < 40; ++i) EXPECT_FALSE(fs::exists(Dest / ("f" + std::to_string(i) + ".txt"))) << i;
}

// More than the reader may hold ahead, in records large and small: every byte arrives,
// and progress is reported once per file, rising.
TEST_F(Extractor, ManyRecordsBeyondWhatTheReaderHoldsAheadAllArrive) {
    Bytes records;
    std::u16string table;
    std::vector<Bytes> files;
    for (int i = 0; i < 24; ++i) {
        files.push_back(i % 5 == 4 ? Bytes(5'000'000, char('A' + i)) : Random(1'000'000, unsigned(100 + i)));
        const Bytes z = Zlib(files.back(), 1);
        records += z;
        table += (i ? u"|" : u"") + Row(u"", "m" + std::to_string(i) + ".bin", z.size(), files.back().size());
    }
    WriteRaw(records, table);
    // A slow writer, so that the reader fills what it may hold and waits.
    ExtractSetupPackage(
        PathText(PackagePath), DestText, u"",
        [this](std::int64_t p) {
            reports.push_back(p);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        },
        SysText);
    for (int i = 0; i < 24; ++i)
        EXPECT_TRUE(ReadAll(Dest / ("m" + std::to_string(i) + ".bin")) == files[std::size_t(i)]) << i;
    ASSERT_EQ(reports.size(), 24u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), 100);
}

// A record that breaks a rule only zlib enforces ("invalid literal/length code") but that
// inflates to exactly its declared size with a matching Adler-32 sum (found by the fuzz
// target): held whole, it is installed, its bytes checked by the sum and the size.
TEST_F(Extractor, ARecordCompleteByItsSumAndSizeInstallsThoughZlibRefusesIt) {
    const Bytes record(
        "\x78\xDA\x2B\xC9\x48\x55\x28\x2C\xCD\x4C\xCE\x56\x48\x2A\xCA\x2F\xCF\x53\x48\xCB\xAF\x50\xC8\x2A"
        "\xCD\x2D\x28\x56\xC8\x2F\x4B\x2D\x52\x28\x01\x4A\xE7\x24\x56\x55\x2A\xA4\xE4\xA7\x73\x95\x8C\xAA"
        "\x1D\x53\x3B\xAA\x76\x54\xED\xA8\xDA\x51\xB5\x43\x44\x2D\x00\xC2\xFC\x80\x97",
        67);
    WriteRaw(record, Row(u"", "text.txt", record.size(), 1760));
    Extract();
    const Bytes text = ReadAll(Dest / "text.txt");
    EXPECT_EQ(text.size(), 1760u);
    EXPECT_EQ(adler32(1, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())), 0xC2FC8097u);
}

}  // namespace
}  // namespace stp::test
