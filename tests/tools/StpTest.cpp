// stp as a program: the built binary run with files for its standard streams.
#include "tests/tools/StpProgram.h"

#include <gtest/gtest.h>

#include "crypt/AnsiCodePage.h"
#include "crypt/Envelope.h"
#include "datatable/Text.h"

namespace stp {
namespace {

using test::ReadFile;
using test::Result;
using test::StpProgram;
using test::WriteFile;
namespace fs = std::filesystem;

const std::u16string kText = u"Gr\u00FC\u00DFe|\u4E2D\u6587|\U0001F600\nend";

TEST_F(StpProgram, SealsAsTheLibraryDoesAndOpensBack) {
    const Result sealed =
        Run({"seal", "--cipher", "5", "--hash", "2", "--password", "pw", "--salt", "Salt5678", "--iv=IV-IV-IV-IV-IV-1"},
            ToUtf8(kText));
    ASSERT_EQ(sealed.exitCode, 0) << sealed.err;
    const std::u16string envelope = SealText(kText, u"pw", SealOptions{5, 2, u"Salt5678", u"IV-IV-IV-IV-IV-1"});
    EXPECT_EQ(sealed.out, Utf16ToAnsi(envelope) + "\n");

    WriteFile(File("envelope.txt"), sealed.out);
    const Result opened = Run({"open", "--password", "pw", File("envelope.txt").string()});
    ASSERT_EQ(opened.exitCode, 0) << opened.err;
    EXPECT_EQ(opened.out, ToUtf8(kText));

    const Result utf16 = Run({"open", "--utf16", "--password=pw", "-"}, sealed.out);
    ASSERT_EQ(utf16.exitCode, 0) << utf16.err;
    ASSERT_EQ(utf16.out.size(), kText.size() * 2);
    for (std::size_t i = 0; i < kText.size(); ++i) {
        EXPECT_EQ(static_cast<unsigned char>(utf16.out[2 * i]) | static_cast<unsigned char>(utf16.out[2 * i + 1]) << 8,
                  kText[i]);
    }
}

TEST_F(StpProgram, GeneratesPrintableHeadersWhenNoneAreGiven) {
    const Result first = Run({"seal", "--cipher", "8", "--hash", "0"}, "table text");
    const Result second = Run({"seal", "--cipher", "8", "--hash", "0"}, "table text");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out, second.out);
    for (const char c : first.out.substr(0, first.out.size() - 1)) {
        EXPECT_TRUE(c > ' ' && c <= '~') << static_cast<int>(c);
    }
    EXPECT_EQ(DecryptText(AnsiToUtf16(first.out.substr(0, first.out.size() - 1)), u""), u"table text");
}

TEST_F(StpProgram, WrongUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frob"},
        {"open"},
        {"open", "a", "b"},
        {"open", "--frob", "x"},
        {"open", "--password"},
        {"seal", "--hash", "0"},
        {"seal", "--cipher", "9", "--hash", "0"},
        {"seal", "--cipher", "1", "--hash", "x"},
        {"seal", "--cipher", "1", "--hash", "1", "--iv", "short"},
        {"seal", "--cipher", "1", "--hash", "1", "--salt", "ABC"},
        {"pack", "-o", "x.stp", "--level", "maximum", "src"},
        {"pack", "-o", "x.stp", "--level", "10", "src"},
    };
    for (const auto& args : cases) {
        const Result result = Run(args);
        std::string line;
        for (const auto& arg : args) {
            line += arg + " ";
        }
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_FALSE(result.err.empty()) << line;
        EXPECT_TRUE(result.out.empty()) << line;
    }
}

TEST_F(StpProgram, HelpExplainsEachCommand) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"open", "--help"}, {"seal", "--help"}}) {
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << args[0];
        EXPECT_NE(result.out.find("Usage: stp"), std::string::npos) << args[0];
    }
}

TEST_F(StpProgram, UnreadableFileFailsWithOne) {
    const Result result = Run({"open", File("missing").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot open"), std::string::npos);
}

// Windows file names cannot hold a vertical bar.
#ifdef _WIN32
const char* const kSeparatorName = "a,b.txt";
#else
const char* const kSeparatorName = "a,b|c.txt";
#endif

TEST_F(StpProgram, PackAndExtractReproduceATree) {
    const fs::path tree = File("tree");
    const std::vector<std::pair<fs::path, std::string>> files = {
        {"empty.txt", ""},
        {kSeparatorName, "separators in the name"},
        {fs::path("x") / "y" / "deep.bin", std::string("\0\1\2\xFF binary", 11)},
        {fs::path("x") / "z.txt", std::string(300000, 'z')},
    };
    for (const auto& [path, content] : files) {
        fs::create_directories((tree / path).parent_path());
        WriteFile(tree / path, content);
    }
    WriteFile(File("lib.dll"), "system library");
    WriteFile(File("third.dll"), "third-party library");
    WriteFile(File("top.txt"), "rooted");
    WriteFile(File("plain.txt"), "into the destination folder");
    WriteFile(File("rows.txt"),
              "# macro and root rows, and an empty folder field\n"
              "plain.txt\t\n"
              "lib.dll\t$System$\n"
              "third.dll\t$Third$sub\\\n"
              "top.txt\t$System$\troot\n");

    const fs::path package = File("p.stp");
    const fs::path dest = File("dest");
    const fs::path sys = File("sys");
    Result pack = Run({"pack", "-o", package.string(), tree.string(), File("rows.txt").string()});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    Result extract = Run({"extract", "--verbose", "--system-dir", sys.string(), package.string(), dest.string()});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;

    for (const auto& [path, content] : files) {
        EXPECT_EQ(ReadFile(dest / path), content) << path;
    }
    EXPECT_EQ(ReadFile(sys / "lib.dll"), "system library");
    EXPECT_EQ(ReadFile(sys / "sub" / "third.dll"), "third-party library");
    EXPECT_EQ(ReadFile(dest / "top.txt"), "rooted");
    EXPECT_EQ(ReadFile(dest / "plain.txt"), "into the destination folder");
    EXPECT_EQ(std::count(extract.out.begin(), extract.out.end(), '\n'), 8);
    EXPECT_NE(extract.out.find("progress: 100\n"), std::string::npos);
    EXPECT_NE(extract.err.find("extracted 8 files"), std::string::npos) << extract.err;

    // A second run keeps the existing system files: no progress line for them.
    WriteFile(sys / "lib.dll", "newer, installed by something else");
    extract = Run({"extract", "--verbose", "--system-dir", sys.string(), package.string(), dest.string()});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(ReadFile(sys / "lib.dll"), "newer, installed by something else");
    EXPECT_EQ(std::count(extract.out.begin(), extract.out.end(), '\n'), 6);

    // The same inputs give the same package.
    const fs::path again = File("again.stp");
    ASSERT_EQ(Run({"pack", "-o", again.string(), tree.string(), File("rows.txt").string()}).exitCode, 0);
    EXPECT_EQ(ReadFile(again), ReadFile(package));

    Result list = Run({"list", package.string()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out.substr(0, list.out.find('\n')), "folder\tname\tcompressed\tsize\troot");
    EXPECT_NE(list.out.find("x\\y\\\tdeep.bin\t"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("$System$\ttop.txt\t"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(std::string("\t") + kSeparatorName + "\t"), std::string::npos) << list.out;
}

// The table's cipher, hash and password as pack was told: the envelope's header names the
// indices, and only the password opens the package.
TEST_F(StpProgram, PackOptionsAreAppliedAndThePasswordIsNeededToOpen) {
    fs::create_directories(File("src"));
    WriteFile(File("src") / "a.txt", "the payload");
    const struct {
        const char* cipher;
        const char* hash;
        const char* password;
    } cases[] = {
        {"0", "4", "s3cret"},
        {"6", "0", "x"},
        {"8", "1", "another password"},
    };
    for (const auto& c : cases) {
        const std::string label = std::string("cipher ") + c.cipher + ", hash " + c.hash;
        const fs::path package = File("p.stp");
        const Result pack = Run({"pack", "-o", package.string(), "--cipher", c.cipher, "--hash", c.hash, "--password",
                                 c.password, "--level", "max", File("src").string()});
        ASSERT_EQ(pack.exitCode, 0) << label << ": " << pack.err;

        // Records, envelope, its 32-bit length, a three-byte trailer.
        const std::string bytes = ReadFile(package);
        ASSERT_GT(bytes.size(), 7u);
        const std::size_t lengthAt = bytes.size() - 7;
        std::uint32_t length = 0;
        for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(bytes[lengthAt + i]);
        ASSERT_LE(length, lengthAt) << label;
        const std::string envelope = bytes.substr(lengthAt - length, length);
        ASSERT_GE(envelope.size(), 10u) << label;
        EXPECT_EQ(envelope[3] - envelope[8], std::stoi(c.cipher)) << label;
        EXPECT_EQ(envelope[4] - envelope[9], std::stoi(c.hash)) << label;

        const Result listed = Run({"list", "--password", c.password, package.string()});
        EXPECT_EQ(listed.exitCode, 0) << label << ": " << listed.err;
        EXPECT_NE(listed.out.find("\ta.txt\t"), std::string::npos) << label << ": " << listed.out;
        EXPECT_EQ(Run({"list", package.string()}).out.find("a.txt"), std::string::npos) << label;

        fs::remove_all(File("dest"));
        const Result opened = Run({"extract", "--password", c.password, package.string(), File("dest").string()});
        ASSERT_EQ(opened.exitCode, 0) << label << ": " << opened.err;
        EXPECT_EQ(ReadFile(File("dest") / "a.txt"), "the payload") << label;
        fs::remove_all(File("dest"));
        const Result refused = Run({"extract", package.string(), File("dest").string()});
        EXPECT_EQ(refused.exitCode, 1) << label;
        EXPECT_FALSE(fs::exists(File("dest") / "a.txt")) << label;
    }
}

TEST_F(StpProgram, ExtractReportsFailures) {
    WriteFile(File("bad.stp"), std::string("\x05\0\0\0\x0A\x14\x02", 7));  // a table longer than the file
    Result bad = Run({"extract", File("bad.stp").string(), File("dest").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err.rfind("stp: error: ", 0), 0u) << bad.err;

    // Without a system folder, a macro row has nowhere to go.
    WriteFile(File("lib.dll"), "x");
    WriteFile(File("rows.txt"), "lib.dll\t$System$\n");
    ASSERT_EQ(Run({"pack", "-o", File("p.stp").string(), File("rows.txt").string()}).exitCode, 0);
#ifndef _WIN32
    Result macro = Run({"extract", File("p.stp").string(), File("dest").string()});
    EXPECT_EQ(macro.exitCode, 1);
    EXPECT_NE(macro.err.find("system folder"), std::string::npos) << macro.err;
#endif

    EXPECT_EQ(Run({"pack", File("rows.txt").string()}).exitCode, 2);  // no -o
    EXPECT_EQ(Run({"extract", File("p.stp").string()}).exitCode, 2);  // no DEST
}

}  // namespace
}  // namespace stp
