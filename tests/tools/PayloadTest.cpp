// Folders, patterns and exclusions in payload.txt and stp pack's manifests: what they
// take, in which order, and the lines refused.
#include <gtest/gtest.h>

#include <functional>

#include "tests/tools/StpBuildFixture.h"
#include "tools/stp/PayloadLines.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace stp {
namespace {

using test::ReadFile;
using test::Result;
using test::StpBuild;
using test::WriteFile;
namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kIgnoresCase = true;
#else
constexpr bool kIgnoresCase = false;
#endif

TEST(PayloadPattern, MatchesAsDocumented) {
    const struct {
        const char* pattern;
        const char* text;
        bool matches;
    } cases[] = {
        {"*.dll", "core.dll", true},
        {"*.dll", "core.dll.bak", false},
        {"*.dll", ".dll", true},
        {"core.*", "core.dll", true},
        {"c?re.dll", "core.dll", true},
        {"c?re.dll", "cre.dll", false},
        {"?.txt", "\xC3\xA9.txt", true},  // one character of two bytes
        {"??.txt", "\xC3\xA9.txt", false},
        {"*a*b", "xaybzb", true},  // the first "b" is not the end
        {"*a*b", "xaybzc", false},
        {"*", "a/b", false},  // "*" stops at "/"
        {"*/b", "a/b", true},
        {"*/b", "a/x/b", false},
        {"a/*", "a/b", true},
        {"*", "", true},
        {"CORE.DLL", "core.dll", kIgnoresCase},
        {"*.Dll", "core.dLL", kIgnoresCase},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tool::MatchesPattern(c.pattern, c.text), c.matches) << c.pattern << " against " << c.text;
}

// A product whose program and a tree of files beside it, with sub-folders, names whose
// byte order differs from a path's part-by-part order ("a-b.txt" before "a/x.txt", "B"
// before "a"), and files to leave out.
class StpPayload : public StpBuild {
public:
    void SetUp() override {
        StpBuild::SetUp();
        for (const char* file : {"app/core.dll", "app/core.pdb", "app/a-b.txt", "app/a/x.txt", "app/B.txt",
                                 "app/tests/unit.txt", "app/tests/deep/more.txt", "plugins/one.dll", "plugins/Two.dll",
                                 "plugins/three.pdb", "plugins/sub/four.dll"}) {
            fs::create_directories((Product() / file).parent_path());
            WriteFile(Product() / file, std::string("the file ") + file);
        }
    }

    void WritePayload(const std::string& lines) { WriteFile(Product() / "payload.txt", lines); }

    // The installer's bytes, built from payload.txt as it is.
    std::string Installer() {
        const Result result = Build();
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return ReadFile(Output());
    }
};

const char kFolderForms[] =
    "Karvel.exe\t\n"
    "app\tapp\\\n"
    "plugins/*.dll\tplugins\\\n"
    "!*.pdb\n"
    "# everything below tests/, however deep\n"
    "!tests/*\n";

// The same files, one line each, in the order the forms above take them.
const char kExpandedList[] =
    "Karvel.exe\t\n"
    "app/B.txt\tapp\\\n"
    "app/a-b.txt\tapp\\\n"
    "app/a/x.txt\tapp\\a\\\n"
    "app/core.dll\tapp\\\n"
    "plugins/Two.dll\tplugins\\\n"
    "plugins/one.dll\tplugins\\\n";

TEST_F(StpPayload, FoldersPatternsAndExclusionsBuildWhatTheirFilesListedOneByOneBuild) {
    WritePayload(kFolderForms);
    const Result result = Build();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string installer = ReadFile(Output());
    for (const std::string line :
         {":1: Karvel.exe took 1 file", ":2: app took 4 files", ":3: plugins/*.dll took 2 files",
          ":4: !*.pdb left out 1 file", ":6: !tests/* left out 2 files"})
        EXPECT_NE(result.err.find("payload.txt" + line), std::string::npos) << line << result.err;
    EXPECT_TRUE(Installer() == installer) << "a second build differs";

    WritePayload(kExpandedList);
    EXPECT_TRUE(Installer() == installer) << "the forms do not stand for the list of their files";

    // stp pack reads a manifest the same way.
    WriteFile(Product() / "forms.txt", kFolderForms);
    WriteFile(Product() / "expanded.txt", kExpandedList);
    for (const char* manifest : {"forms.txt", "expanded.txt"}) {
        const Result packed =
            Run({"pack", "-o", File(std::string(manifest) + ".stp").string(), (Product() / manifest).string()});
        ASSERT_EQ(packed.exitCode, 0) << manifest << ": " << packed.err;
    }
    EXPECT_TRUE(ReadFile(File("forms.txt.stp")) == ReadFile(File("expanded.txt.stp")));
}

// Each refused line: exit 1, the list's name and the line at fault, and no installer.
TEST_F(StpPayload, ALineThatTakesNothingOrCannotBeCarriedIsRefusedOnItsLine) {
    const struct {
        const char* name;
        std::string lines;  // after "Karvel.exe<tab>" on line 1
        std::vector<std::string> expected;
        std::function<void(StpPayload&)> prepare = nullptr;
    } cases[] = {
        {"missing source", "nothing.dll\t\n", {"payload.txt:2: ", "no file or folder", "nothing.dll"}},
        {"empty folder",
         "empty\t\n",
         {"payload.txt:2: ", "folder 'empty' holds no file"},
         [](StpPayload& t) { fs::create_directories(t.Product() / "empty" / "inner"); }},
        {"pattern matching nothing", "app/*.exe\t\n", {"payload.txt:2: ", "no file matches 'app/*.exe'"}},
        {"pattern matching only folders", "app/t*\t\n", {"payload.txt:2: ", "no file matches 'app/t*'"}},
        {"pattern in a missing folder", "nowhere/*.dll\t\n", {"payload.txt:2: ", "no folder", "nowhere"}},
        {"pattern in a folder part", "app/*/x.txt\t\n", {"payload.txt:2: ", "only the last part"}},
        {"exclusion emptying a pattern row",
         "plugins/*.dll\t\n# a note\n!*.dll\n",
         {"payload.txt:2: ", "'plugins/*.dll' is left with no file: the exclusion on line 4"}},
        {"exclusions emptying a folder row",
         "app/tests\ttests\\\n!unit.txt\n!deep/*\n",
         {"payload.txt:2: ", "the exclusions on lines 3, 4 leave out every file"}},
        {"exclusion emptying a file row", "app/core.pdb\t\n!*.pdb\n", {"payload.txt:2: ", "left with no file"}},
        {"exclusion without a pattern", "app\t\n!\n", {"payload.txt:3: ", "!PATTERN"}},
        {"exclusion of only slashes", "app\t\n!//\n", {"payload.txt:3: ", "!PATTERN"}},
        {"empty source", "\tapp\\\n", {"payload.txt:2: ", "SOURCE<tab>FOLDER"}},
        {"root with sub-folders", "app\t\troot\n", {"payload.txt:2: ", "root puts every file", "x.txt"}},
        {"a $ sub-folder in the destination folder",
         "plug\t\n",
         {"payload.txt:2: ", "cannot start with '$'"},
         [](StpPayload& t) {
             fs::create_directories(t.Product() / "plug" / "$System$");
             WriteFile(t.Product() / "plug" / "$System$" / "evil.dll", "x");
         }},
        {"a folder the package cannot carry", "app\t..\\\n", {"payload.txt:2: ", "leaves the destination"}},
    };
    for (const auto& c : cases) {
        fs::remove_all(File("installer"));
        fs::create_directories(File("installer"));
        if (c.prepare) c.prepare(*this);
        WritePayload("Karvel.exe\t\n" + c.lines);
        const Result result = Build();
        EXPECT_EQ(result.exitCode, 1) << c.name << ": " << result.err;
        EXPECT_NE(result.err.find("stp: error: "), std::string::npos) << c.name << ": " << result.err;
        for (const std::string& fragment : c.expected)
            EXPECT_NE(result.err.find(fragment), std::string::npos) << c.name << ": " << result.err;
        EXPECT_TRUE(fs::is_empty(File("installer"))) << c.name << ": something was written";
    }
}

// Makes a link at Link to Target; false where the system does not let the test make one
// (Wine 8 reports success and makes none).
bool MakeLink(const fs::path& target, const fs::path& link, bool folder) {
#ifdef _WIN32
    return CreateSymbolicLinkW(
               link.wstring().c_str(), target.wstring().c_str(),
               (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0 &&
           GetFileAttributesW(link.wstring().c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code error;
    folder ? fs::create_directory_symlink(target, link, error) : fs::create_symlink(target, link, error);
    return !error;
#endif
}

// A link inside a folder row is refused by name, never followed; left out by an
// exclusion, the row builds without it. A link named as the row's own source is the
// vendor's choice and is followed.
TEST_F(StpPayload, LinksInsideAFolderRowAreRefusedUnlessLeftOut) {
    for (const bool folder : {true, false}) {
        const fs::path target = folder ? Product() / "plugins" : Product() / "plugins" / "one.dll";
        const fs::path link = Product() / "app" / "a" / "linked";
        if (!MakeLink(target, link, folder)) GTEST_SKIP() << "no link could be made here";
        WritePayload(std::string(kFolderForms));
        const Result refused = Build();
        EXPECT_EQ(refused.exitCode, 1) << refused.err;
        EXPECT_NE(refused.err.find("payload.txt:2: '" + link.string() + "' is a link"), std::string::npos)
            << refused.err;

        WritePayload(std::string(kFolderForms) + "!a/linked\n");
        const Result built = Build();
        EXPECT_EQ(built.exitCode, 0) << built.err;
        EXPECT_NE(built.err.find(":2: app took 4 files"), std::string::npos) << built.err;
        fs::remove(link);
    }
    ASSERT_TRUE(MakeLink(Product() / "app", Product() / "app-link", true));
    WritePayload("Karvel.exe\t\napp-link\tapp\\\n!*.pdb\n!tests/*\n");
    const Result followed = Build();
    EXPECT_EQ(followed.exitCode, 0) << followed.err;
    EXPECT_NE(followed.err.find(":2: app-link took 4 files"), std::string::npos) << followed.err;
}

}  // namespace
}  // namespace stp
