// stp manifest as a deployment administrator runs it on an installer stp build made: the
// winget manifest's files and values, the Intune text, and the refusals. That the winget
// files follow winget's schemas is winget-schema-test.sh's part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "datatable/Text.h"
#include "pe/ResourceSection.h"
#include "product/ExitCodes.h"
#include "tests/tools/StpBuildFixture.h"
#include "tools/stp/WingetRules.h"

namespace stp {
namespace {

using test::ReadFile;
using test::Result;
using test::WriteFile;
namespace fs = std::filesystem;

struct IdentifierCase {
    std::u16string publisher, product;
    std::string expected;
};

TEST(PackageIdentifier, LeavesOutWhatAPartMayNotHoldAndKeepsThirtyTwoCharacters)
{
    const std::u16string cjk40(40, u'画');
    std::u16string emoji40;
    for (int i = 0; i < 40; ++i) emoji40 += u"\U0001F3A8";
    const IdentifierCase cases[] = {
        {u"Orvane Software", u"Orvane Karvel", "OrvaneSoftware.OrvaneKarvel"},
        {u"Hollin Works Ltd.", u"Karvel 3.x Pro", "HollinWorksLtd.Karvel3xPro"},
        {u"A/B\\C:D*E?F\"G<H>I|J", u"Tab\tNew\nLine\x7F\x85" u"End", "ABCDEFGHIJ.TabNewLineEnd"},
        // White space of every kind, as the schema's validators read \s.
        {u"霍林\u3000软件", u"Grüße\u00A0Maler\u2009Pro", "霍林软件.GrüßeMalerPro"},
        // What a part may hold stays, whatever it looks like.
        {u"#1 & Co_-+", u"App (x64) [beta] 'n'", "#1&Co_-+.App(x64)[beta]'n'"},
        // 32 characters, not bytes or UTF-16 units, and counted after the leaving out.
        {std::u16string(40, u'x'), u"A b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9",
         std::string(32, 'x') + ".Abcdefghijklmnopqrstuvwxyz012345"},
        {cjk40, emoji40, ToUtf8(std::u16string(32, u'画')) + "." + ToUtf8(emoji40.substr(0, 64))},
    };
    for (const IdentifierCase& c : cases) {
        const std::string id = tool::DerivePackageIdentifier(c.publisher, c.product);
        EXPECT_EQ(id, c.expected) << ToUtf8(c.publisher) << " / " << ToUtf8(c.product);
        EXPECT_TRUE(tool::IsPackageIdentifier(id)) << id;
    }
    try {
        tool::DerivePackageIdentifier(u"Orvane", u". . .");
        ADD_FAILURE() << "a name of dots and blanks gave an identifier";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("give --id"), std::string::npos) << e.what();
    }
}

TEST(PackageIdentifier, IsCheckedAsTheSchemaDoes)
{
    const std::string part32(32, 'p');
    const struct {
        std::string id;
        bool valid;
    } cases[] = {
        {"Orvane.Karvel", true},
        {"Orvane.Karvel.Beta", true},
        {"霍林.画图", true},
        {part32 + "." + part32, true},
        {"a.b.c.d.e.f.g.h", true},
        {"Orvane", false},
        {".Karvel", false},
        {"Orvane.", false},
        {"Orvane..Karvel", false},
        {"Orvane Soft.Karvel", false},
        {"Orvane.Kar/vel", false},
        {"Orvane.Kar:vel", false},
        {"Orvane.Kar\tvel", false},
        {part32 + "p." + part32, false},
        {"a.b.c.d.e.f.g.h.i", false},
        {std::string(), false},
    };
    for (const auto& c : cases) EXPECT_EQ(tool::IsPackageIdentifier(c.id), c.valid) << c.id;
}

TEST(InstallerUrl, IsAnHttpOrHttpsAddressOnOneLine)
{
    const struct {
        std::string url;
        bool valid;
    } cases[] = {
        {"https://downloads.example/Karvel-3.40-setup.exe", true},
        {"HTTP://example/x?y=1#z", true},
        {"https://" + std::string(2040, 'a'), true},
        {"https://" + std::string(2041, 'a'), false},
        {"https://", false},
        {"ftp://example/setup.exe", false},
        {"example/setup.exe", false},
        {"https://example/a\nb", false},
        {"\xC3\xA8ttps://example/x", false},  // no ASCII letter hides in a wider character
    };
    for (const auto& c : cases) EXPECT_EQ(tool::IsInstallerUrl(c.url), c.valid) << c.url;
}

const char kUrl[] = "https://downloads.example/karvel/setup.exe";

// An installer of the demo product with Unattended = yes and both text sets.
class StpManifest : public test::StpBuild {
public:
    void SetUp() override
    {
        StpBuild::SetUp();
        MakeUnattendedProduct();
    }

    void MakeUnattendedProduct()
    {
        MakeProduct();
        for (const char* line : {"Unattended = yes", "TextMode = auto", "PublisherEnglish = Hollin Works Ltd.",
                                 "PublisherChinese = 霍林", "MakerFolder = Hollin Works"}) {
            const std::string text = line;
            SetSetting(text.substr(0, text.find(' ')), text);
        }
    }

    // stp manifest on the built installer, the winget manifest into Folder.
    Result RunInto(const fs::path& folder)
    {
        return Run({"manifest", Product().string(), Output().string(), "--url", kUrl, "-o", folder.string()});
    }

    Result BuildAndRun(std::vector<std::string> extra)
    {
        const Result built = Build();
        if (built.exitCode != 0) return built;
        std::vector<std::string> args = {"manifest", Product().string(), Output().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
};

TEST_F(StpManifest, WritesTheThreeWingetFilesIntoAFolderNamedAfterTheIdentifier)
{
    SetSetting("Description", "Description = Paints: layers & #tags");
    const fs::path before = fs::current_path();
    fs::create_directories(File("work"));
    fs::current_path(File("work"));
    const Result result = BuildAndRun({"--url", kUrl});
    fs::current_path(before);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const fs::path folder = File("work") / "HollinWorksLtd.OrvaneKarvel";
    const std::string version = ReadFile(folder / "HollinWorksLtd.OrvaneKarvel.yaml");
    const std::string installer = ReadFile(folder / "HollinWorksLtd.OrvaneKarvel.installer.yaml");
    const std::string locale = ReadFile(folder / "HollinWorksLtd.OrvaneKarvel.locale.en-US.yaml");
    const struct {
        const std::string& file;
        std::vector<std::string> lines;
    } expected[] = {
        {version,
         {"PackageIdentifier: \"HollinWorksLtd.OrvaneKarvel\"\n", "PackageVersion: \"3.40\"\n",
          "DefaultLocale: \"en-US\"\n", "ManifestType: \"version\"\n", "ManifestVersion: \"1.6.0\"\n"}},
        {installer,
         {"InstallerType: \"exe\"\n", "Scope: \"machine\"\n", "  Silent: \"/S\"\n", "  SilentWithProgress: \"/P\"\n",
          "  InstallLocation: \"/D=<INSTALLPATH>\"\n", "  Log: \"/LOG=\\\"<LOGPATH>\\\"\"\n",
          "ElevationRequirement: \"elevatesSelf\"\n", "  - Architecture: \"x64\"\n",
          "    InstallerUrl: \"" + std::string(kUrl) + "\"\n",
          // Both names, Chinese first, each with its text set's publisher.
          "  - DisplayName: \"Orvane画图\"\n    Publisher: \"霍林\"\n    DisplayVersion: \"3.40\"\n"
          "    ProductCode: \"Orvane画图\"\n"
          "  - DisplayName: \"Orvane Karvel\"\n    Publisher: \"Hollin Works Ltd.\"\n"
          "    DisplayVersion: \"3.40\"\n    ProductCode: \"Orvane Karvel\"\nInstallers:\n"}},
        {locale,
         {"PackageLocale: \"en-US\"\n", "Publisher: \"Hollin Works Ltd.\"\n", "PackageName: \"Orvane Karvel\"\n",
          "License: \"Proprietary\"\n", "ShortDescription: \"Paints: layers & #tags\"\n",
          "ManifestType: \"defaultLocale\"\n"}},
    };
    for (const auto& file : expected)
        for (const std::string& line : file.lines)
            EXPECT_NE(file.file.find(line), std::string::npos) << line << "\nin\n" << file.file;
    // Every code but success's, with winget's response; success is winget's own.
    for (const ExitCodeRow& row : kExitCodes) {
        const std::string entry = "  - InstallerReturnCode: " + std::to_string(row.Code) + "\n";
        if (row.Code == ecSuccess) {
            EXPECT_EQ(installer.find(entry), std::string::npos);
            continue;
        }
        EXPECT_NE(installer.find(entry + "    ReturnResponse: \"" + row.WingetResponse + "\"\n"), std::string::npos)
            << row.Code << "\n" << installer;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);

    // Without a Description, the short description is the English display name.
    SetSetting("Description", "");
    ASSERT_EQ(RunInto(File("m")).exitCode, 0);
    const std::string plain = ReadFile(File("m") / "HollinWorksLtd.OrvaneKarvel.locale.en-US.yaml");
    EXPECT_NE(plain.find("ShortDescription: \"Orvane Karvel\"\n"), std::string::npos) << plain;
}

// The installer's manifest decides what winget is told of elevation; a level Windows does
// not know is refused.
TEST_F(StpManifest, ElevationFollowsTheInstallersManifest)
{
    const struct {
        const char* name;
        std::optional<std::string> level;  // none: no manifest at all
        int exitCode;
        bool elevatesSelf;
    } cases[] = {
        {"requireAdministrator", "level=\"requireAdministrator\"", 0, true},
        {"highestAvailable", "uiAccess=\"false\" level = 'highestAvailable'", 0, true},
        {"asInvoker", "level=\"asInvoker\"", 0, false},
        {"no manifest", std::nullopt, 0, false},
        {"unknown level", "level=\"whenever\"", 1, false},
    };
    ASSERT_EQ(Build().exitCode, 0);
    const std::string built = ReadFile(Output());
    for (const auto& c : cases) {
        std::vector<pe::Resource> resources;
        for (pe::Resource& r : pe::ReadResources(built)) {
            if (r.Type == pe::ResourceId::Number(pe::rtManifest)) {
                if (!c.level) continue;
                r.Data = "<assembly><trustInfo><security><requestedPrivileges><requestedExecutionLevel " + *c.level +
                         "/></requestedPrivileges></security></trustInfo></assembly>";
            }
            resources.push_back(r);
        }
        WriteFile(Output(), pe::WriteResources(built, resources, 0));
        fs::remove_all(File("m"));
        const Result result = RunInto(File("m"));
        ASSERT_EQ(result.exitCode, c.exitCode) << c.name << ": " << result.err;
        if (c.exitCode != 0) {
            EXPECT_NE(result.err.find("execution level 'whenever'"), std::string::npos) << result.err;
            continue;
        }
        const std::string installer = ReadFile(File("m") / "HollinWorksLtd.OrvaneKarvel.installer.yaml");
        EXPECT_EQ(installer.find("ElevationRequirement") != std::string::npos, c.elevatesSelf) << c.name;
        if (c.elevatesSelf) {
            EXPECT_NE(installer.find("ElevationRequirement: \"elevatesSelf\"\n"), std::string::npos) << installer;
        }
    }
}

// What stp manifest cannot describe truthfully: exit 1, "stp: error:" naming the cause,
// and no manifest.
TEST_F(StpManifest, RefusesWhatItCannotDescribe)
{
    const struct {
        const char* name;
        std::function<void(StpManifest&)> change;  // before the build
        std::function<void(StpManifest&)> after;   // after it
        std::vector<std::string> expected;
    } cases[] = {
        {"built without Unattended", [](StpManifest& t) { t.SetSetting("Unattended", ""); }, nullptr,
         {"setup.exe was built without Unattended = yes; it takes no silent switches"}},
        {"Unattended = no", [](StpManifest& t) { t.SetSetting("Unattended", "Unattended = no"); }, nullptr,
         {"without Unattended = yes"}},
        {"not a program", nullptr, [](StpManifest& t) { WriteFile(t.Output(), "MZ but nothing more"); },
         {"setup.exe: not a Windows program"}},
        {"another version", nullptr, [](StpManifest& t) { t.SetSetting("Version", "Version = 3.41"); },
         {"setup.exe is not built from", "Version is '3.40'", "'3.41'"}},
        {"publisher without a character for the identifier",
         [](StpManifest& t) { t.SetSetting("PublisherEnglish", "PublisherEnglish = ..."); }, nullptr,
         {"publisher '...'", "give --id"}},
        {"licence name too short for winget", [](StpManifest& t) { t.SetSetting("LicenseName", "LicenseName = MI"); },
         nullptr, {"License (LicenseName) 'MI' has 2 characters"}},
    };
    for (const auto& c : cases) {
        MakeUnattendedProduct();
        if (c.change) c.change(*this);
        ASSERT_EQ(Build().exitCode, 0) << c.name;
        if (c.after) c.after(*this);
        fs::remove_all(File("m"));
        const Result result = RunInto(File("m"));
        EXPECT_EQ(result.exitCode, 1) << c.name << ": " << result.err;
        EXPECT_EQ(result.err.rfind("stp: error: ", 0), 0u) << c.name << ": " << result.err;
        for (const std::string& fragment : c.expected)
            EXPECT_NE(result.err.find(fragment), std::string::npos) << c.name << ": " << result.err;
        EXPECT_FALSE(fs::exists(File("m"))) << c.name;
    }
}

TEST_F(StpManifest, WrongArgumentsAreUsageErrors)
{
    ASSERT_EQ(Build().exitCode, 0);
    const std::string product = Product().string(), installer = Output().string();
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"--url", "ftp://example/setup.exe"}, "--url 'ftp://example/setup.exe'"},
        {{"--url", "downloads.example/setup.exe"}, "--url"},
        {{"--url", "https://"}, "--url"},
        {{}, "--url URL is needed"},
        {{"--url", kUrl, "--id", "Karvel"}, "--id 'Karvel' is no package identifier"},
        {{"--url", kUrl, "--id", "Hollin Works.Karvel"}, "--id"},
        {{"--url", kUrl, "--id", "Hollin." + std::string(33, 'k')}, "--id"},
        {{"--url", kUrl, "--format", "msi"}, "--format must be winget or intune"},
        {{"--format", "intune", "-o", "dir"}, "-o is for winget"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"manifest", product, installer};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << c.expected << ": " << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    EXPECT_EQ(Run({"manifest", product, "--url", kUrl}).exitCode, 2);
}

// The text's lines as their columns: the cells between runs of two blanks or more.
std::vector<std::vector<std::string>> Rows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        for (std::size_t at = line.find_first_not_of(' '); at != std::string::npos;) {
            const std::size_t gap = line.find("  ", at);
            cells.push_back(line.substr(at, gap - at));
            at = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
        }
        rows.push_back(cells);
    }
    return rows;
}

bool HasRow(const std::string& text, const std::vector<std::string>& row)
{
    const auto rows = Rows(text);
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

TEST_F(StpManifest, IntuneTextNamesTheCommandsTheRuleAndTheCodes)
{
    const Result result = BuildAndRun({"--format", "intune"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::vector<std::vector<std::string>> expected = {
        {"\"setup.exe\" /S"},
        {"\"%ProgramFiles%\\Hollin Works\\Karvel\\Uninst.exe\" /S"},
        // One rule for each name the product registers under.
        {"Key path", key + "Orvane画图"},
        {"Key path", key + "Orvane Karvel"},
        {"Value name", "DisplayVersion"},
        {"Operator", "Equals"},
        {"Value", "3.40"},
    };
    for (const auto& row : expected) EXPECT_TRUE(HasRow(result.out, row)) << row.back() << "\nin\n" << result.out;
    const std::map<int, std::string> types = {{0, "Success"}, {3010, "Soft reboot"}, {1618, "Retry"}};
    for (const ExitCodeRow& row : kExitCodes) {
        const std::string type = types.count(row.Code) ? types.at(row.Code) : "Failed";
        EXPECT_TRUE(HasRow(result.out, {std::to_string(row.Code), type, row.Meaning}))
            << row.Code << "\n" << result.out;
    }

    // One text set: one rule.
    SetSetting("TextMode", "TextMode = 2");
    const Result english = BuildAndRun({"--format", "intune"});
    ASSERT_EQ(english.exitCode, 0) << english.err;
    EXPECT_TRUE(HasRow(english.out, {"Key path", key + "Orvane Karvel"})) << english.out;
    EXPECT_EQ(english.out.find(key + "Orvane画图"), std::string::npos) << english.out;
}

}  // namespace
}  // namespace stp
