// stp build as a vendor runs it: a product folder in, an installer out, or an error that
// names what is wrong and no installer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include "datatable/Text.h"
#include "package/FileList.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"
#include "pe/VersionInfo.h"
#include "product/ProductTable.h"
#include "sys/ByteSize.h"
#include "tests/pe/PeImageFixture.h"
#include "tests/tools/StpBuildFixture.h"

namespace stp {
namespace {

using test::ReadFile;
using test::Result;
using test::SetEnvironment;
using test::StpBuild;
using test::WriteFile;
namespace fs = std::filesystem;

TEST_F(StpBuild, WritesTheProductIntoTheStub) {
    SetSetting("NeedSize", "NeedSize = auto");
    const Result result = Build({"--text-mode", "2", "--no-uninstaller"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto strings = Strings();
    EXPECT_EQ(ToUtf8(strings.at(1010)), "Karvel");
    EXPECT_EQ(ToUtf8(strings.at(1003)), "Orvane画图");
    EXPECT_EQ(ToUtf8(strings.at(2000)), "2");
    std::int64_t total = 0;
    for (const char* file : {"Karvel.exe", "files/readme.txt", "files/data/palette.txt"})
        total += static_cast<std::int64_t>(fs::file_size(Product() / file));
    EXPECT_EQ(ToUtf8(strings.at(1012)), ToUtf8(FormatByteSize(total, u".")));

    const auto resources = pe::ReadResources(ReadFile(Output()));
    auto find = [&](const pe::ResourceId& type, const pe::ResourceId& name) -> const pe::Resource* {
        for (const auto& r : resources)
            if (r.Type == type && r.Name == name) return &r;
        return nullptr;
    };
    const pe::Resource* side = find(pe::ResourceId::Number(pe::rtRcData), pe::ResourceId::Named(u"ImageLeft0"));
    ASSERT_NE(side, nullptr);
    EXPECT_EQ(side->Data, ReadFile(Product() / "art" / "ImageLeft0.jpg"));
    // The demo product gives its side pictures at twice the size too; its header bitmap not.
    const pe::Resource* side2x = find(pe::ResourceId::Number(pe::rtRcData), pe::ResourceId::Named(u"ImageLeft0_2x"));
    ASSERT_NE(side2x, nullptr);
    EXPECT_EQ(side2x->Data, ReadFile(Product() / "art" / "ImageLeft0@2x.jpg"));
    EXPECT_EQ(find(pe::ResourceId::Number(pe::rtBitmap), pe::ResourceId::Named(u"ImageIcon_2x")), nullptr);
    const pe::Resource* package = find(pe::ResourceId::Named(u"StpFile"), pe::ResourceId::Named(u"SetupPackage"));
    ASSERT_NE(package, nullptr);
    EXPECT_NE(package->Data.find("\x0A\x14\x02", package->Data.size() - 3), std::string::npos);
    EXPECT_NE(find(pe::ResourceId::Number(pe::rtGroupIcon), pe::ResourceId::Named(u"MAINICON")), nullptr);
    EXPECT_NE(find(pe::ResourceId::Number(pe::rtManifest), pe::ResourceId::Number(1)), nullptr);
    // Nothing but the installer is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(File("installer")), fs::directory_iterator()), 1);
}

TEST_F(StpBuild, TheSameInputsGiveTheSameBytesAndTheTimestampFollowsSourceDateEpoch) {
    ASSERT_EQ(Build({"--threads", "1"}).exitCode, 0);
    const std::string first = ReadFile(Output());
    ASSERT_EQ(Build({"--threads", "4"}).exitCode, 0);
    EXPECT_TRUE(ReadFile(Output()) == first);
    SetEnvironment("SOURCE_DATE_EPOCH", "1234567890");
    ASSERT_EQ(Build().exitCode, 0);
    EXPECT_EQ(pe::test::Get32(ReadFile(Output()), pe::test::kCoffTimeDateStamp), 1234567890u);
}

TEST_F(StpBuild, FinalizeRunsOnTheInstallerAndItsFailureLeavesNone) {
    const std::string listing = File("listing.txt").string();
    Result result = Build({"--finalize", std::string(STP_EXE) + " resources {} > " + listing});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(listing).find("SETUPPACKAGE"), std::string::npos) << ReadFile(listing);

    // {} is one word to the shell whatever the name holds: here the default name, made
    // of a version a shell would otherwise take apart, in the current folder.
    // (Wine's cmd expands a variable's value once more, as Windows' does not: there the
    // name goes without "%".)
#ifdef _WIN32
    const std::string version = "1 $HOME 'n'";
#else
    const std::string version = "1 $HOME 'n' %PATH%";
#endif
    SetSetting("Version", "Version = " + version);
    const fs::path before = fs::current_path();
    fs::current_path(File("installer"));
    result = Run({"build", Product().string(), "--stub", File("stub.exe").string(), "--no-uninstaller", "--finalize",
                  std::string(STP_EXE) + " resources {} > " + listing});
    fs::current_path(before);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(listing).find("SETUPPACKAGE"), std::string::npos) << ReadFile(listing);
    EXPECT_TRUE(fs::exists(File("installer") / ("Karvel-" + version + "-setup.exe")));
    fs::remove(File("installer") / ("Karvel-" + version + "-setup.exe"));
    SetSetting("Version", "Version = 3.40");

    // A failing command leaves the earlier installer as it was, and nothing else.
    const std::string earlier = ReadFile(Output());
    result = Build({"--finalize", std::string(STP_EXE) + " frob {}"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("--finalize"), std::string::npos) << result.err;
    EXPECT_TRUE(ReadFile(Output()) == earlier);
    EXPECT_EQ(std::distance(fs::directory_iterator(File("installer")), fs::directory_iterator()), 1);
}

// The package the installer carries, unpacked into Folder.
void UnpackInstaller(const fs::path& installer, const fs::path& package, const fs::path& folder,
                     test::StpProgram& program) {
    for (const pe::Resource& r : pe::ReadResources(ReadFile(installer)))
        if (r.Type == pe::ResourceId::Named(u"StpFile")) WriteFile(package, r.Data);
    const Result unpacked =
        program.Run({"extract", "--system-dir", (folder / "sys").string(), package.string(), folder.string()});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
}

// The uninstaller goes into the package, signed like the installer, and knows every row;
// a vendor's own Uninst.exe stays instead, and --no-uninstaller leaves it out.
TEST_F(StpBuild, PutsTheUninstallerIntoThePackage) {
    const std::string listing = File("listing.txt").string();
    Result result = Build({"--finalize", std::string(STP_EXE) + " resources {} >> " + listing});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(listing).find("FILELIST"), std::string::npos) << "the uninstaller was not finalized";
    EXPECT_NE(ReadFile(listing).find("SETUPPACKAGE"), std::string::npos) << "the installer was not finalized";
    ASSERT_NO_FATAL_FAILURE(UnpackInstaller(Output(), File("p.stp"), File("unpacked"), *this));
    std::vector<TFileListRow> rows;
    for (const pe::Resource& r : pe::ReadResources(ReadFile(File("unpacked") / "Uninst.exe")))
        if (r.Name == pe::ResourceId::Named(u"FileList")) rows = ReadFileList(r.Data);
    // Each file with its size and Adler-32 as packed; the uninstaller itself without.
    const auto stamp = [&](const char* file) { return StampOfFile(Product().u16string() + u"/" + FromUtf8(file)); };
    EXPECT_EQ(rows, (std::vector<TFileListRow>{{u"", u"Karvel.exe", false, stamp("Karvel.exe")},
                                               {u"", u"readme.txt", false, stamp("files/readme.txt")},
                                               {u"data\\", u"palette.txt", false, stamp("files/data/palette.txt")},
                                               {u"", u"Uninst.exe", false, std::nullopt}}));
    EXPECT_EQ(stamp("Karvel.exe"), StampOf("MZ the program", 14));

    WriteFile(Product() / "files" / "Uninst.exe", "the vendor's own");
    WriteFile(Product() / "payload.txt", ReadFile(Product() / "payload.txt") + "files/Uninst.exe\t\n");
    result = Build();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("its own Uninst.exe"), std::string::npos) << result.err;
    fs::remove_all(File("unpacked"));
    ASSERT_NO_FATAL_FAILURE(UnpackInstaller(Output(), File("p.stp"), File("unpacked"), *this));
    EXPECT_EQ(ReadFile(File("unpacked") / "Uninst.exe"), "the vendor's own");

    MakeProduct();
    ASSERT_EQ(Build({"--no-uninstaller"}).exitCode, 0);
    fs::remove_all(File("unpacked"));
    ASSERT_NO_FATAL_FAILURE(UnpackInstaller(Output(), File("p.stp"), File("unpacked"), *this));
    EXPECT_FALSE(fs::exists(File("unpacked") / "Uninst.exe"));
}

// The vendor's own settings: written only when given (the demo's installer has none of
// them), the agreement files as resources, the version resource in the text set's
// language, the payload's size with the full uninstall entry.
TEST_F(StpBuild, WritesTheVendorsOwnSettingsOnlyWhenGiven) {
    ASSERT_EQ(Build({"--no-uninstaller"}).exitCode, 0);
    for (const SettingRow& setting : kSettings) {
        if (setting.Extension && setting.StringId) {
            EXPECT_EQ(Strings().count(setting.StringId), 0u) << setting.Key;
        }
    }
    EXPECT_EQ(Strings().count(kEstimatedSizeString), 0u);

    WriteFile(Product() / "eula.txt", "\xEF\xBB\xBFOur terms\r\n\r\n1. Be kind.\r\n");
    for (const char* line : {"MakerFolder = Hollin Works", "PublisherEnglish = Hollin Works Ltd.",
                             "PublisherChinese = 霍林", "LicenseEnglish = eula.txt", "AntivirusNotice = no",
                             "StartMenu = yes", "UninstallEntry = full", "TextMode = auto", "NoticeLabel = 霍林画板"}) {
        const std::string text = line;
        SetSetting(text.substr(0, text.find(' ')), text);
    }
    const Result result = Build({"--no-uninstaller"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto strings = Strings();
    EXPECT_EQ(ToUtf8(strings.at(SettingOf(Setting::MakerFolder).StringId)), "Hollin Works");
    EXPECT_EQ(ToUtf8(strings.at(SettingOf(Setting::PublisherChinese).StringId)), "霍林");
    EXPECT_EQ(ToUtf8(strings.at(SettingOf(Setting::UninstallEntry).StringId)), "full");
    EXPECT_EQ(ToUtf8(strings.at(SettingOf(Setting::TextMode).StringId)), "auto");
    EXPECT_EQ(ToUtf8(strings.at(SettingOf(Setting::NoticeLabel).StringId)), "霍林画板");
    std::int64_t total = 0;
    for (const char* file : {"Karvel.exe", "files/readme.txt", "files/data/palette.txt"})
        total += static_cast<std::int64_t>(fs::file_size(Product() / file));
    EXPECT_EQ(ToUtf8(strings.at(kEstimatedSizeString)), std::to_string((total + 1023) / 1024));

    const auto resources = pe::ReadResources(ReadFile(Output()));
    std::string licence;
    const pe::Resource* version = nullptr;
    for (const pe::Resource& r : resources) {
        if (r.Type == pe::ResourceId::Named(kStpTextType) && r.Name == pe::ResourceId::Named(u"LicenseEnglish"))
            licence = r.Data;
        if (r.Type == pe::ResourceId::Number(pe::rtVersion)) version = &r;
    }
    EXPECT_EQ(licence, "Our terms\r\n\r\n1. Be kind.\r\n");
    ASSERT_NE(version, nullptr);
    const pe::VersionInfoContents info = pe::ReadVersionInfo(version->Data);
    EXPECT_EQ(info.FileVersion, (pe::VersionNumbers{3, 40, 0, 0}));
    ASSERT_EQ(info.StringTables.size(), 1u);
    EXPECT_EQ(info.StringTables[0].Language, 0x0409);  // auto: the English strings
    const std::vector<pe::VersionString> expected = {{u"CompanyName", u"Hollin Works Ltd."},
                                                     {u"FileDescription", u"Orvane Karvel Setup"},
                                                     {u"FileVersion", u"3.40"},
                                                     {u"LegalCopyright", FromUtf8(ReadSetting("CopyrightMaker"))},
                                                     {u"ProductName", u"Orvane Karvel"},
                                                     {u"ProductVersion", u"3.40"}};
    EXPECT_EQ(info.StringTables[0].Strings, expected);
    EXPECT_NE(Run({"resources", Output().string()}).out.find("FileDescription\tOrvane Karvel Setup"),
              std::string::npos);

    // The Chinese text set's strings under the Chinese language.
    SetSetting("TextMode", "TextMode = 0");
    ASSERT_EQ(Build({"--no-uninstaller"}).exitCode, 0);
    for (const pe::Resource& r : pe::ReadResources(ReadFile(Output())))
        if (r.Type == pe::ResourceId::Number(pe::rtVersion)) {
            const pe::VersionInfoContents chinese = pe::ReadVersionInfo(r.Data);
            EXPECT_EQ(chinese.Translations.at(0).Language, 0x0804);
            EXPECT_EQ(ToUtf8(chinese.StringTables.at(0).Strings.at(0).second), "霍林");
            EXPECT_EQ(ToUtf8(chinese.StringTables.at(0).Strings.at(1).second), "Orvane画图 安装程序");
        }
}

// Product.ini's line that gives key, counted from 1; 0 for none.
int LineOf(const fs::path& ini, const std::string& key) {
    std::istringstream in(ReadFile(ini));
    int number = 1;
    for (std::string line; std::getline(in, line); ++number)
        if (line.rfind(key + " ", 0) == 0) return number;
    return 0;
}

// The uninstall entry's key is named after each display name: a name no registry key can
// have is refused on its line (a backslash would make the entry a key inside another
// key, which Apps & Features and winget never see), with no installer; what a key's name
// may hold is built, its length counted in UTF-16 characters as Windows counts them.
TEST_F(StpBuild, ADisplayNameMustBeAbleToNameARegistryKey) {
    const std::string chinese256 = ToUtf8(std::u16string(256, u'画'));
    std::string memos;  // U+1F4DD, two UTF-16 characters each
    for (int i = 0; i < 128; ++i) memos += "\xF0\x9F\x93\x9D";
    const struct {
        const char* key;
        std::string value;
        const char* fault;
    } refused[] = {
        {"DisplayNameEnglish", "Lumen\\Notes Pro", "it holds \\,"},
        {"DisplayNameChinese", "Lumen\\Notes Pro", "it holds \\,"},
        {"DisplayNameChinese", "\\", "it holds \\,"},
        {"DisplayNameEnglish", "", "it is empty"},
        {"DisplayNameChinese", std::string(256, 'x'), "256 characters, more than the 255 of a registry key's name"},
        {"DisplayNameEnglish", chinese256, "256 characters, more than the 255"},
        {"DisplayNameChinese", memos, "256 characters, more than the 255"},
        {"DisplayNameEnglish", "Notes\tPro", "control character U+0009"},
        {"DisplayNameChinese", "Notes\x1B-Pro", "control character U+001B"},
        {"DisplayNameEnglish", std::string("Notes\0Pro", 9), "control character U+0000"},
        {"DisplayNameEnglish", "Notes\x7F-Pro", "control character U+007F"},
        {"DisplayNameChinese", "Notes\xC2\x85-Pro", "control character U+0085"},  // NEL
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.value);
        MakeProduct();
        fs::remove_all(File("installer"));
        SetSetting(c.key, std::string(c.key) + " = " + c.value);
        const int line = LineOf(Product() / "product.ini", c.key);
        const Result result = Build({"--no-uninstaller"});
        EXPECT_EQ(result.exitCode, 1) << result.err;
        const std::string where = "stp: error: " + (Product() / "product.ini").string() + ":" + std::to_string(line) +
                                  ": " + c.key + " cannot name the uninstall entry's registry key: ";
        EXPECT_EQ(result.err.rfind(where, 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.fault), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(Output()));
    }

    const struct {
        Setting setting;
        std::string value;
    } built[] = {
        {Setting::DisplayNameChinese, ToUtf8(std::u16string(255, u'画'))},
        {Setting::DisplayNameEnglish, std::string(255, 'x')},
        {Setting::DisplayNameEnglish, "Lumen/Notes Pro: *?\"<>| 1.0."},
        {Setting::DisplayNameChinese, memos.substr(4) + "x"},
    };
    for (const auto& c : built) {
        const char* key = SettingOf(c.setting).Key;
        SCOPED_TRACE(std::string(key) + " = " + c.value);
        MakeProduct();
        SetSetting(key, std::string(key) + " = " + c.value);
        const Result result = Build({"--no-uninstaller"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ToUtf8(Strings().at(SettingOf(c.setting).StringId)), c.value);
    }
}

// stp init's folder builds as it is and lists every setting of the table, the vendor's
// own commented out; a name the uninstall entry's key cannot have is refused before
// anything is written.
TEST_F(StpBuild, InitWritesAProductFolderThatBuilds) {
    const fs::path folder = File("acme");
    Result result = Run({"init", folder.string(), "--name", "Acme Paint", "--exe", "AcmePaint"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string ini = ReadFile(folder / "product.ini");
    for (const SettingRow& setting : kSettings)
        EXPECT_NE(ini.find(std::string(setting.Extension ? "\n# " : "\n") + setting.Key + " = "), std::string::npos)
            << setting.Key;
    WriteFile(folder / "AcmePaint.exe", "MZ the program");
    fs::create_directories(File("installer"));
    result = Run({"build", folder.string(), "-o", Output().string(), "--stub", File("stub.exe").string(),
                  "--uninstaller-stub", File("stub.exe").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ToUtf8(Strings().at(SettingOf(Setting::DisplayNameChinese).StringId)), "Acme Paint");
    EXPECT_EQ(Strings().count(SettingOf(Setting::NoticeLabel).StringId), 0u);

    for (const std::string& name : std::vector<std::string>{"Lumen\\Notes", "", "  ", std::string(256, 'x')}) {
        result = Run({"init", File("refused").string(), "--name", name});
        EXPECT_EQ(result.exitCode, 2) << name;
        EXPECT_NE(result.err.find("--name cannot name the uninstall entry's registry key"), std::string::npos)
            << result.err;
        EXPECT_FALSE(fs::exists(File("refused"))) << name;
    }
}

// A ready package is carried as it is; its table gives the size and must hold the program.
TEST_F(StpBuild, CarriesAReadyPackage) {
    SetSetting("NeedSize", "NeedSize = auto");
    SetSetting("UninstallEntry", "UninstallEntry = full");
    const fs::path package = File("ready.stp");
    ASSERT_EQ(Run({"pack", "-o", package.string(), (Product() / "payload.txt").string()}).exitCode, 0);
    Result result = Build({"--package", package.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::int64_t total = 0;
    for (const char* file : {"Karvel.exe", "files/readme.txt", "files/data/palette.txt"})
        total += static_cast<std::int64_t>(fs::file_size(Product() / file));
    EXPECT_EQ(ToUtf8(Strings().at(1012)), ToUtf8(FormatByteSize(total, u".")));
    EXPECT_EQ(ToUtf8(Strings().at(kEstimatedSizeString)), std::to_string((total + 1023) / 1024));

    ASSERT_EQ(Run({"pack", "-o", package.string(), "--password", "x", (Product() / "payload.txt").string()}).exitCode,
              0);
    result = Build({"--package", package.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("does not open without a password"), std::string::npos) << result.err;
}

// Each damaged product folder: exit 1, a message naming the file and what is wrong, and
// no installer.
TEST_F(StpBuild, ABadProductFolderNamesTheFaultAndWritesNothing) {
    const struct {
        const char* name;
        std::function<void(StpBuild&)> damage;
        std::vector<std::string> expected;  // fragments of the message
    } cases[] = {
        {"missing key", [](StpBuild& t) { t.SetSetting("ExeName", ""); }, {"product.ini", "no ExeName"}},
        {"text mode 1",
         [](StpBuild& t) { t.SetSetting("TextMode", "TextMode = 1"); },
         {"product.ini:", "TextMode must be 0"}},
        {"freeware word",
         [](StpBuild& t) { t.SetSetting("Freeware", "Freeware = maybe"); },
         {"product.ini:", "Freeware"}},
        {"unknown key",
         [](StpBuild& t) { t.SetSetting("Colour", "Colour = red"); },
         {"product.ini:", "unknown setting 'Colour'"}},
        {"no equals", [](StpBuild& t) { t.SetSetting("Colour", "just words"); }, {"product.ini:", "NAME = value"}},
        {"picture missing",
         [](StpBuild& t) { fs::remove(t.Product() / "art" / "ImageLeft2.jpg"); },
         {"ImageLeft2.jpg", "missing"}},
        {"picture not JPEG",
         [](StpBuild& t) { WriteFile(t.Product() / "art" / "ImageLeft0.jpg", "\x89PNG\r\n\x1A\n"); },
         {"ImageLeft0.jpg", "not a JPEG"}},
        {"bitmap not BMP",
         [](StpBuild& t) { WriteFile(t.Product() / "art" / "ImageIcon.bmp", "GIF89a"); },
         {"ImageIcon.bmp", "not a BMP"}},
        {"2x picture not twice the size",
         [](StpBuild& t) {
             WriteFile(t.Product() / "art" / "ImageLeft2@2x.jpg", ReadFile(t.Product() / "art" / "ImageLeft2.jpg"));
         },
         {"ImageLeft2@2x.jpg", "160 x 308 pixels, not twice the 160 x 308 of ImageLeft2.jpg"}},
        {"2x bitmap not twice the size",
         [](StpBuild& t) {
             fs::copy_file(t.Product() / "art" / "ImageIcon.bmp", t.Product() / "art" / "ImageIcon@2x.bmp");
         },
         {"ImageIcon@2x.bmp", "32 x 32 pixels, not twice the 32 x 32"}},
        {"2x picture not JPEG",
         [](StpBuild& t) { WriteFile(t.Product() / "art" / "ImageLeft0@2x.jpg", "GIF89a"); },
         {"ImageLeft0@2x.jpg", "not a JPEG"}},
        {"icon not ICO",
         [](StpBuild& t) { WriteFile(t.Product() / "art" / "AppIcon.ico", "not an icon"); },
         {"AppIcon.ico", "not an icon"}},
        {"version not a file name",
         [](StpBuild& t) { t.SetSetting("Version", "Version = 2.0/beta"); },
         {"product.ini:", "Version '2.0/beta'"}},
        {"version no number",
         [](StpBuild& t) { t.SetSetting("Version", "Version = beta 2"); },
         {"product.ini:", "Version must begin with a number", "beta 2"}},
        {"version part too large",
         [](StpBuild& t) { t.SetSetting("Version", "Version = 1.70000"); },
         {"product.ini:", "Version must begin with a number"}},
        {"unknown uninstall entry",
         [](StpBuild& t) { t.SetSetting("UninstallEntry", "UninstallEntry = all"); },
         {"product.ini:", "UninstallEntry must be basic or full, not 'all'"}},
        {"start menu word",
         [](StpBuild& t) { t.SetSetting("StartMenu", "StartMenu = true"); },
         {"product.ini:", "StartMenu must be yes or no"}},
        {"antivirus notice word",
         [](StpBuild& t) { t.SetSetting("AntivirusNotice", "AntivirusNotice = off"); },
         {"product.ini:", "AntivirusNotice must be yes or no"}},
        {"text mode word",
         [](StpBuild& t) { t.SetSetting("TextMode", "TextMode = chinese"); },
         {"product.ini:", "or auto"}},
        {"notice label empty",
         [](StpBuild& t) { t.SetSetting("NoticeLabel", "NoticeLabel ="); },
         {"product.ini:", "NoticeLabel must not be empty"}},
        {"maker folder no file name",
         [](StpBuild& t) { t.SetSetting("MakerFolder", "MakerFolder = Maker\\Sub"); },
         {"product.ini:", "MakerFolder 'Maker\\Sub' cannot be part of a file name"}},
        {"licence missing",
         [](StpBuild& t) { t.SetSetting("LicenseEnglish", "LicenseEnglish = eula.txt"); },
         {"product.ini:", "LicenseEnglish", "eula.txt: no such file"}},
        {"licence empty",
         [](StpBuild& t) {
             WriteFile(t.Product() / "eula.txt", "\xEF\xBB\xBF \r\n");
             t.SetSetting("LicenseChinese", "LicenseChinese = eula.txt");
         },
         {"product.ini:", "LicenseChinese", "eula.txt: empty"}},
        {"licence not UTF-8",
         [](StpBuild& t) {
             WriteFile(t.Product() / "eula.txt", "Lizenz f\xFCr alle");
             t.SetSetting("LicenseEnglish", "LicenseEnglish = eula.txt");
         },
         {"product.ini:", "eula.txt: not UTF-8"}},
        {"licence too long",
         [](StpBuild& t) {
             WriteFile(t.Product() / "eula.txt", std::string(256 * 1024 + 1, 'x'));
             t.SetSetting("LicenseEnglish", "LicenseEnglish = eula.txt");
         },
         {"product.ini:", "262145 bytes, more than the 262144"}},
        {"program name with .exe",
         [](StpBuild& t) { t.SetSetting("ExeName", "ExeName = Karvel.exe"); },
         {"product.ini:", "without .exe"}},
        {"payload source missing",
         [](StpBuild& t) { fs::remove(t.Product() / "files" / "readme.txt"); },
         {"payload.txt:", "readme.txt"}},
        {"no program", [](StpBuild& t) { fs::remove(t.Product() / "Karvel.exe"); }, {"payload.txt:", "Karvel.exe"}},
        {"program in a sub-folder",
         [](StpBuild& t) {
             std::string list = ReadFile(t.Product() / "payload.txt");
             list.replace(list.find("Karvel.exe\t"), 11, "Karvel.exe\tbin\\");
             WriteFile(t.Product() / "payload.txt", list);
         },
         {"payload.txt", "lists no Karvel.exe"}},
        {"output folder missing", [](StpBuild& t) { fs::remove_all(t.File("installer")); }, {"setup.exe"}},
    };
    for (const auto& c : cases) {
        MakeProduct();
        fs::remove_all(File("installer"));
        c.damage(*this);
        const std::vector<std::string> args = BuildArgs();
        if (std::string(c.name) != "output folder missing") fs::create_directories(File("installer"));
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << c.name << ": " << result.err;
        EXPECT_EQ(result.err.rfind("stp: error: ", 0), 0u) << c.name << ": " << result.err;
        for (const std::string& fragment : c.expected)
            EXPECT_NE(result.err.find(fragment), std::string::npos) << c.name << ": " << result.err;
        EXPECT_FALSE(fs::exists(Output())) << c.name;
        if (fs::exists(File("installer"))) {
            EXPECT_TRUE(fs::is_empty(File("installer"))) << c.name << ": something was left behind";
        }
    }
}

}  // namespace
}  // namespace stp
