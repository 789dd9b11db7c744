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
#include "pe/VersionInfo.h"
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

TEST(PackageIdentifier, LeavesOutWhatAPartMayNotHoldAndKeepsThirtyTwoCharacters) {
    const std::u16string cjk40(40, u'画');
    std::u16string emoji40;
    for (int i = 0; i < 40; ++i) emoji40 += u"\U0001F3A8";
    const IdentifierCase cases[] = {
        {u"Orvane Software", u"Orvane Karvel", "OrvaneSoftware.OrvaneKarvel"},
        {u"Hollin Works Ltd.", u"Karvel 3.x Pro", "HollinWorksLtd.Karvel3xPro"},
        {u"A/B\\C:D*E?F\"G<H>I|J",
         u"Tab\tNew\nLine\x7F\x85"
         u"End",
         "ABCDEFGHIJ.TabNewLineEnd"},
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

TEST(PackageIdentifier, IsCheckedAsTheSchemaDoes) {
    const std::string part32(32, 'p');
    const struct {
        std::string id;
        bool valid;
    } cases[] = {
        {"Orvane.Karvel", true},      {"Orvane.Karvel.Beta", true},
        {"霍林.画图", true},          {part32 + "." + part32, true},
        {"a.b.c.d.e.f.g.h", true},    {"Orvane", false},
        {".Karvel", false},           {"Orvane.", false},
        {"Orvane..Karvel", false},    {"Orvane Soft.Karvel", false},
        {"Orvane.Kar/vel", false},    {"Orvane.Kar:vel", false},
        {"Orvane.Kar\tvel", false},   {part32 + "p." + part32, false},
        {"a.b.c.d.e.f.g.h.i", false}, {std::string(), false},
    };
    for (const auto& c : cases) EXPECT_EQ(tool::IsPackageIdentifier(c.id), c.valid) << c.id;
}

// An address of either scheme passes the form check; only an https:// one goes into a
// manifest (--url's http:// is refused, WebHome's left out).
TEST(InstallerUrl, IsAnHttpOrHttpsAddressOnOneLineAndOnlyHttpsIsTaken) {
    const struct {
        std::string url;
        bool valid, https;
    } cases[] = {
        {"https://downloads.example/Karvel-3.40-setup.exe", true, true},
        {"HtTpS://example/x", true, true},
        {"HTTP://example/x?y=1#z", true, false},
        {"http://downloads.example/Karvel-3.40-setup.exe", true, false},
        {"https://" + std::string(2040, 'a'), true, true},
        {"https://" + std::string(2041, 'a'), false, false},
        {"https://", false, false},
        {"ftp://example/setup.exe", false, false},
        {"example/setup.exe", false, false},
        {"https://example/a\nb", false, false},
        {"\xC3\xA8ttps://example/x", false, false},  // no ASCII letter hides in a wider character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tool::IsInstallerUrl(c.url), c.valid) << c.url;
        EXPECT_EQ(tool::IsHttpsUrl(c.url), c.https) << c.url;
    }
}

// The community repository's layout: manifests/<first character, lower case>/<each part>/<version>.
TEST(ManifestFolders, FollowTheCommunityRepositorysLayout) {
    const struct {
        std::string id, version;
        std::vector<std::string> expected;
    } cases[] = {
        {"HollinWorksLtd.OrvaneKarvel", "3.40", {"manifests", "h", "HollinWorksLtd", "OrvaneKarvel", "3.40"}},
        {"orvane.Karvel", "1.0-beta", {"manifests", "o", "orvane", "Karvel", "1.0-beta"}},
        {"a.b.c", "2", {"manifests", "a", "a", "b", "c", "2"}},
        {"#1&Co.App", "1", {"manifests", "#", "#1&Co", "App", "1"}},
        // Capitals of the Latin, Greek and Cyrillic letters; what has no case stays.
        {"Éclair.Paint", "1", {"manifests", "é", "Éclair", "Paint", "1"}},
        {"Łódź.Maps", "1", {"manifests", "ł", "Łódź", "Maps", "1"}},
        {"Ĳssel.X", "1", {"manifests", "ĳ", "Ĳssel", "X", "1"}},
        {"Ωmega.App", "1", {"manifests", "ω", "Ωmega", "App", "1"}},
        {"Ёлка.App", "1", {"manifests", "ё", "Ёлка", "App", "1"}},
        {"Жук.App", "1", {"manifests", "ж", "Жук", "App", "1"}},
        {"霍林软件.画图", "3.40", {"manifests", "霍", "霍林软件", "画图", "3.40"}},
        {"\U0001F3A8Art.App", "1", {"manifests", "\U0001F3A8", "\U0001F3A8Art", "App", "1"}},
    };
    for (const auto& c : cases) EXPECT_EQ(tool::ManifestFolders(c.id, c.version), c.expected) << c.id;
}

TEST(UtcDate, IsTheDayOfSourceDateEpochInUtc) {
    const struct {
        std::string seconds, date;
    } days[] = {
        {"0", "1970-01-01"},          {"86399", "1970-01-01"},
        {"86400", "1970-01-02"},      {"68169600", "1972-02-29"},
        {"951782400", "2000-02-29"},  {"951868800", "2000-03-01"},
        {"1700000000", "2023-11-14"}, {"4107456000", "2100-02-28"},
        {"4107542400", "2100-03-01"}, {"253402300799", "9999-12-31"},
    };
    for (const auto& c : days) EXPECT_EQ(tool::UtcDate(c.seconds), c.date) << c.seconds;
    for (const std::string refused : {"", "-1", "+5", " 1", "1e9", "12x", "253402300800", "99999999999999999999"}) {
        try {
            tool::UtcDate(refused);
            ADD_FAILURE() << "'" << refused << "' gave a date";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("SOURCE_DATE_EPOCH '" + refused + "'"), std::string::npos) << e.what();
        }
    }
}

const char kUrl[] = "https://downloads.example/karvel/setup.exe";

// An installer of the demo product with Unattended = yes and both text sets.
class StpManifest : public test::StpBuild {
public:
    void SetUp() override {
        StpBuild::SetUp();
        MakeUnattendedProduct();
    }

    void MakeUnattendedProduct() {
        MakeProduct();
        for (const char* line :
             {"Unattended = yes", "TextMode = auto", "PublisherEnglish = Hollin Works Ltd.", "PublisherChinese = 霍林",
              "MakerFolder = Hollin Works", "Description = Paints: layers & #tags"}) {
            const std::string text = line;
            SetSetting(text.substr(0, text.find(' ')), text);
        }
    }

    // stp manifest on the built installer, the winget manifest below Folder.
    Result RunInto(const fs::path& folder, const std::string& url = kUrl) {
        return Run({"manifest", Product().string(), Output().string(), "--url", url, "-o", folder.string()});
    }

    // Where the manifest of the fixture's product goes below Root.
    static fs::path VersionFolder(const fs::path& root) {
        return root / "manifests" / "h" / "HollinWorksLtd" / "OrvaneKarvel" / "3.40";
    }
    static std::string InstallerFile(const fs::path& root) {
        return ReadFile(VersionFolder(root) / "HollinWorksLtd.OrvaneKarvel.installer.yaml");
    }
    static std::string LocaleFile(const fs::path& root) {
        return ReadFile(VersionFolder(root) / "HollinWorksLtd.OrvaneKarvel.locale.en-US.yaml");
    }

    Result BuildAndRun(std::vector<std::string> extra) {
        const Result built = Build();
        if (built.exitCode != 0) return built;
        std::vector<std::string> args = {"manifest", Product().string(), Output().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
};

TEST_F(StpManifest, WritesTheThreeWingetFilesWhereTheCommunityRepositoryKeepsThem) {
    SetSetting("WebHome", "WebHome = https://hollin.example/karvel");
    SetSetting("CopyrightMaker", "CopyrightMaker = © 2024 \"Hollin\" Works");
    test::SetEnvironment("SOURCE_DATE_EPOCH", "1700000000");
    const fs::path before = fs::current_path();
    fs::create_directories(File("work"));
    fs::current_path(File("work"));
    const Result result = BuildAndRun({"--url", kUrl});
    fs::current_path(before);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // Without -o, below the current folder; nothing else is written there.
    const fs::path folder = VersionFolder(File("work"));
    const std::string version = ReadFile(folder / "HollinWorksLtd.OrvaneKarvel.yaml");
    const std::string installer = InstallerFile(File("work"));
    const std::string locale = LocaleFile(File("work"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(File("work")), fs::directory_iterator()), 1);
    const struct {
        const std::string& file;
        std::vector<std::string> lines;
    } expected[] = {
        {version,
         {"PackageIdentifier: \"HollinWorksLtd.OrvaneKarvel\"\n", "PackageVersion: \"3.40\"\n",
          "DefaultLocale: \"en-US\"\n", "ManifestType: \"version\"\n", "ManifestVersion: \"1.12.0\"\n"}},
        {installer,
         {"InstallerType: \"exe\"\n", "Scope: \"machine\"\n", "  Silent: \"/S\"\n", "  SilentWithProgress: \"/P\"\n",
          "  InstallLocation: \"/D=<INSTALLPATH>\"\n", "  Log: \"/LOG=\\\"<LOGPATH>\\\"\"\n",
          "UpgradeBehavior: \"install\"\n", "ElevationRequirement: \"elevatesSelf\"\n",
          "InstallationMetadata:\n  DefaultInstallLocation: \"%ProgramFiles%\\\\Hollin Works\\\\Karvel\"\n",
          "ReleaseDate: \"2023-11-14\"\n",
          // The installer's ProductCode is the English name's key, the one registered outside
          // Chinese display languages.
          "Installers:\n  - Architecture: \"x64\"\n    InstallerUrl: \"" + std::string(kUrl) +
              "\"\n    InstallerSha256: \"",
          "\"\n    ProductCode: \"Orvane Karvel\"\nManifestType: \"installer\"\nManifestVersion: \"1.12.0\"\n",
          // Both names, Chinese first, each with its text set's publisher; their DisplayVersion
          // is the package's, so left out.
          "  - DisplayName: \"Orvane画图\"\n    Publisher: \"霍林\"\n    ProductCode: \"Orvane画图\"\n"
          "  - DisplayName: \"Orvane Karvel\"\n    Publisher: \"Hollin Works Ltd.\"\n"
          "    ProductCode: \"Orvane Karvel\"\nInstallationMetadata:\n"}},
        {locale,
         {"PackageLocale: \"en-US\"\n", "Publisher: \"Hollin Works Ltd.\"\n",
          "PublisherUrl: \"https://hollin.example/karvel\"\n", "PackageName: \"Orvane Karvel\"\n",
          "License: \"Proprietary\"\n", "Copyright: \"© 2024 \\\"Hollin\\\" Works\"\n",
          "ShortDescription: \"Paints: layers & #tags\"\n", "ManifestType: \"defaultLocale\"\n",
          "ManifestVersion: \"1.12.0\"\n"}},
    };
    for (const auto& file : expected)
        for (const std::string& line : file.lines)
            EXPECT_NE(file.file.find(line), std::string::npos) << line << "\nin\n" << file.file;
    EXPECT_EQ(installer.find("DisplayVersion"), std::string::npos) << installer;
    // Every code but success's, with winget's response; success is winget's own.
    for (const ExitCodeRow& row : kExitCodes) {
        const std::string entry = "  - InstallerReturnCode: " + std::to_string(row.Code) + "\n";
        if (row.Code == ecSuccess) {
            EXPECT_EQ(installer.find(entry), std::string::npos);
            continue;
        }
        EXPECT_NE(installer.find(entry + "    ReturnResponse: \"" + row.WingetResponse + "\"\n"), std::string::npos)
            << row.Code << "\n"
            << installer;
    }
}

// What the installer gives and the community repository would refuse, or what it does not
// give, is left out of the manifest; a left-out web address is named on the console.
TEST_F(StpManifest, LeavesOutWhatIsNotGivenOrNotHttps) {
    const struct {
        const char* name;
        std::string webHome, copyright;
        const char* epoch;  // SOURCE_DATE_EPOCH; null: unset
        std::vector<std::string> absent;
        std::string note;
    } cases[] = {
        {"http:// home page",
         "WebHome = http://www.orvane.example/",
         "",
         nullptr,
         {"PublisherUrl", "Copyright", "ReleaseDate"},
         "stp: note: WebHome 'http://www.orvane.example/' is no https:// address"},
        {"home page without a scheme",
         "WebHome = www.orvane.example",
         "",
         nullptr,
         {"PublisherUrl"},
         "stp: note: WebHome 'www.orvane.example' is no https:// address"},
        {"nothing given", "", "", nullptr, {"PublisherUrl", "Copyright", "ReleaseDate"}, ""},
        {"SOURCE_DATE_EPOCH empty", "", "", "", {"ReleaseDate"}, ""},
    };
    for (const auto& c : cases) {
        MakeUnattendedProduct();
        SetSetting("WebHome", c.webHome);
        SetSetting("CopyrightMaker", c.copyright);
        test::SetEnvironment("SOURCE_DATE_EPOCH", c.epoch);
        ASSERT_EQ(Build().exitCode, 0) << c.name;
        fs::remove_all(File("m"));
        const Result result = RunInto(File("m"));
        ASSERT_EQ(result.exitCode, 0) << c.name << ": " << result.err;
        const std::string written = InstallerFile(File("m")) + LocaleFile(File("m"));
        for (const std::string& key : c.absent)
            EXPECT_EQ(written.find(key + ":"), std::string::npos) << c.name << ": " << key << "\n" << written;
        if (c.note.empty())
            EXPECT_EQ(result.err.find("stp: note:"), std::string::npos) << c.name << ": " << result.err;
        else
            EXPECT_NE(result.err.find(c.note), std::string::npos) << c.name << ": " << result.err;
    }
}

// -o names the folder manifests/ goes below; --id's parts are folders each.
TEST_F(StpManifest, OutputFolderHoldsTheRepositoryLayout) {
    ASSERT_EQ(Build().exitCode, 0);
    const Result derived = RunInto(File("dist"));
    ASSERT_EQ(derived.exitCode, 0) << derived.err;
    EXPECT_TRUE(fs::exists(VersionFolder(File("dist")) / "HollinWorksLtd.OrvaneKarvel.yaml"));
    EXPECT_NE(derived.err.find(VersionFolder(File("dist")).string()), std::string::npos) << derived.err;

    const Result given = Run({"manifest", Product().string(), Output().string(), "--url", kUrl, "--id",
                              "Hollin.Karvel.Beta", "-o", File("dist").string()});
    ASSERT_EQ(given.exitCode, 0) << given.err;
    const fs::path folder = File("dist") / "manifests" / "h" / "Hollin" / "Karvel" / "Beta" / "3.40";
    for (const char* name :
         {"Hollin.Karvel.Beta.yaml", "Hollin.Karvel.Beta.installer.yaml", "Hollin.Karvel.Beta.locale.en-US.yaml"})
        EXPECT_TRUE(fs::exists(folder / name)) << name;
}

// The installer's manifest decides what winget is told of elevation; a level Windows does
// not know is refused.
TEST_F(StpManifest, ElevationFollowsTheInstallersManifest) {
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
        const std::string installer = InstallerFile(File("m"));
        EXPECT_EQ(installer.find("ElevationRequirement") != std::string::npos, c.elevatesSelf) << c.name;
        if (c.elevatesSelf) {
            EXPECT_NE(installer.find("ElevationRequirement: \"elevatesSelf\"\n"), std::string::npos) << installer;
        }
    }
}

// What stp manifest cannot describe truthfully: exit 1, "stp: error:" naming the cause,
// and no manifest.
TEST_F(StpManifest, RefusesWhatItCannotDescribe) {
    const struct {
        const char* name;
        std::function<void(StpManifest&)> change;  // before the build
        std::function<void(StpManifest&)> after;   // after it
        std::vector<std::string> expected;
        std::string url = kUrl;
    } cases[] = {
        {"built without Unattended",
         [](StpManifest& t) { t.SetSetting("Unattended", ""); },
         nullptr,
         {"setup.exe was built without Unattended = yes; it takes no silent switches"}},
        {"Unattended = no",
         [](StpManifest& t) { t.SetSetting("Unattended", "Unattended = no"); },
         nullptr,
         {"without Unattended = yes"}},
        {"not a program",
         nullptr,
         [](StpManifest& t) { WriteFile(t.Output(), "MZ but nothing more"); },
         {"setup.exe: not a Windows program"}},
        {"another version",
         nullptr,
         [](StpManifest& t) { t.SetSetting("Version", "Version = 3.41"); },
         {"setup.exe is not built from", "Version is '3.40'", "'3.41'"}},
        {"publisher without a character for the identifier",
         [](StpManifest& t) { t.SetSetting("PublisherEnglish", "PublisherEnglish = ..."); },
         nullptr,
         {"publisher '...'", "give --id"}},
        {"licence name too short for winget",
         [](StpManifest& t) { t.SetSetting("LicenseName", "LicenseName = MI"); },
         nullptr,
         {"License (LicenseName) 'MI' has 2 characters"}},
        {"copyright too short for winget",
         [](StpManifest& t) { t.SetSetting("CopyrightMaker", "CopyrightMaker = ©"); },
         nullptr,
         {"Copyright (CopyrightMaker) '©' has 1 characters"}},
        // The package name again is no description.
        {"no Description",
         [](StpManifest& t) { t.SetSetting("Description", ""); },
         nullptr,
         {"product.ini gives no Description", "ShortDescription", "not the package name again"}},
        {"http:// installer address",
         nullptr,
         nullptr,
         {"--url 'http://downloads.example/karvel/setup.exe' is no https:// address", "community repository"},
         "http://downloads.example/karvel/setup.exe"},
        {"SOURCE_DATE_EPOCH that is no time",
         nullptr,
         [](StpManifest&) { test::SetEnvironment("SOURCE_DATE_EPOCH", "yesterday"); },
         {"SOURCE_DATE_EPOCH 'yesterday' is no count of seconds"}},
    };
    for (const auto& c : cases) {
        MakeUnattendedProduct();
        test::SetEnvironment("SOURCE_DATE_EPOCH", nullptr);
        if (c.change) c.change(*this);
        ASSERT_EQ(Build().exitCode, 0) << c.name;
        if (c.after) c.after(*this);
        fs::remove_all(File("m"));
        const Result result = RunInto(File("m"), c.url);
        EXPECT_EQ(result.exitCode, 1) << c.name << ": " << result.err;
        EXPECT_EQ(result.err.rfind("stp: error: ", 0), 0u) << c.name << ": " << result.err;
        for (const std::string& fragment : c.expected)
            EXPECT_NE(result.err.find(fragment), std::string::npos) << c.name << ": " << result.err;
        EXPECT_FALSE(fs::exists(File("m"))) << c.name;
    }
}

TEST_F(StpManifest, WrongArgumentsAreUsageErrors) {
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
std::vector<std::vector<std::string>> Rows(const std::string& text) {
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

bool HasRow(const std::string& text, const std::vector<std::string>& row) {
    const auto rows = Rows(text);
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

// A stand-in program with a version resource of these file and product versions; none:
// without one.
std::string Program(std::optional<pe::VersionNumbers> file, pe::VersionNumbers product = {3, 40, 0, 0}) {
    const std::string image = pe::test::MakeImage({});
    if (!file) return image;
    pe::VersionInfo info;
    info.FileVersion = *file;
    info.ProductVersion = product;
    info.Language = 0x0409;
    info.Strings = {{u"ProductName", u"Karvel"}};
    return pe::WriteResources(image, {pe::VersionInfoResource(info)}, 0);
}

// The detection rule's part of the Intune text.
std::string RulePart(const std::string& text) {
    const std::size_t from = text.find("Detection rule");
    return from == std::string::npos ? std::string() : text.substr(from, text.find("Return codes") - from);
}

TEST_F(StpManifest, IntuneTextNamesTheCommandsTheRuleAndTheCodes) {
    WriteFile(Product() / "Karvel.exe", Program(pe::VersionNumbers{3, 40, 0, 0}));
    const Result result = BuildAndRun({"--format", "intune"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::vector<std::string>> expected = {
        {"\"setup.exe\" /S"},
        {"\"%ProgramFiles%\\Hollin Works\\Karvel\\Uninst.exe\" /S"},
        {"Operating system architecture", "x64"},
        // The installed program, whose file is the same in every language.
        {"Rule type", "File"},
        {"Path", "%ProgramFiles%\\Hollin Works\\Karvel"},
        {"File or folder", "Karvel.exe"},
        {"Detection method", "Version"},
        {"Operator", "Greater than or equal to"},
        {"Value", "3.40.0.0"},
        {"32-bit app on 64-bit clients", "No"},
    };
    for (const auto& row : expected) EXPECT_TRUE(HasRow(result.out, row)) << row.back() << "\nin\n" << result.out;
    EXPECT_EQ(result.out.find("Registry"), std::string::npos) << result.out;
    const std::map<int, std::string> types = {{0, "Success"}, {3010, "Soft reboot"}, {1618, "Retry"}};
    for (const ExitCodeRow& row : kExitCodes) {
        const std::string type = types.count(row.Code) ? types.at(row.Code) : "Failed";
        EXPECT_TRUE(HasRow(result.out, {std::to_string(row.Code), type, row.Meaning})) << row.Code << "\n"
                                                                                       << result.out;
    }

    // One rule, the same whichever text sets the product registers under.
    const std::string rule = RulePart(result.out);
    std::size_t rules = 0;
    for (std::size_t at = 0; (at = rule.find("Rule type", at)) != std::string::npos; ++at) ++rules;
    EXPECT_EQ(rules, 1u) << rule;
    for (const char* mode : {"TextMode = 0", "TextMode = 2"}) {
        SetSetting("TextMode", mode);
        const Result other = BuildAndRun({"--format", "intune"});
        ASSERT_EQ(other.exitCode, 0) << mode << ": " << other.err;
        EXPECT_EQ(RulePart(other.out), rule) << mode;
    }
}

// A rule the installed program can never meet would make Intune call every install a
// failure: the program the installer carries must have a file version of at least the
// product's, and it is looked for where the installer puts it.
TEST_F(StpManifest, IntuneRefusesARuleTheProgramCannotMeet) {
    const struct {
        const char* name;
        std::string program;
        std::string payload;   // lines after Karvel.exe's; empty: payload.txt unchanged
        std::string expected;  // in the error; empty: accepted
    } cases[] = {
        {"the product's version", Program(pe::VersionNumbers{3, 40, 0, 0}), "", ""},
        {"a later version", Program(pe::VersionNumbers{4, 0, 0, 0}, {1, 0, 0, 0}), "", ""},
        {"no version resource", Program(std::nullopt), "", "setup.exe: its Karvel.exe has no version resource"},
        // The file version counts, not the product version.
        {"an earlier file version", Program(pe::VersionNumbers{3, 39, 0, 0}, {3, 40, 0, 0}), "",
         "setup.exe: its Karvel.exe has the file version 3.39.0.0, below the product's 3.40"},
        {"no Windows program", "MZ the program", "", "setup.exe: its Karvel.exe is not a Windows program"},
        // After other files in the package, and beside a program of that name in a sub-folder.
        {"the program last", Program(pe::VersionNumbers{3, 40, 0, 0}),
         "files/readme.txt\t\nfiles/data/palette.txt\tdata\\\nKarvel.exe\t\n", ""},
        {"a versioned namesake in a sub-folder", Program(std::nullopt), "Karvel.exe\t\nfiles/v9/Karvel.exe\tdata\\\n",
         "setup.exe: its Karvel.exe has no version resource"},
    };
    for (const auto& c : cases) {
        MakeUnattendedProduct();
        WriteFile(Product() / "Karvel.exe", c.program);
        if (!c.payload.empty()) {
            fs::create_directories(Product() / "files" / "v9");
            WriteFile(Product() / "files" / "v9" / "Karvel.exe", Program(pe::VersionNumbers{9, 0, 0, 0}));
            WriteFile(Product() / "payload.txt", c.payload);
        }
        const Result result = BuildAndRun({"--format", "intune"});
        if (c.expected.empty()) {
            EXPECT_EQ(result.exitCode, 0) << c.name << ": " << result.err;
            EXPECT_TRUE(HasRow(result.out, {"Value", "3.40.0.0"})) << c.name << "\n" << result.out;
            continue;
        }
        EXPECT_EQ(result.exitCode, 1) << c.name << ": " << result.err;
        EXPECT_EQ(result.err.rfind("stp: error: ", 0), 0u) << c.name << ": " << result.err;
        for (const std::string& fragment : {c.expected, std::string("Intune's detection rule")})
            EXPECT_NE(result.err.find(fragment), std::string::npos) << c.name << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << c.name << ": " << result.out;
    }
}

}  // namespace
}  // namespace stp
