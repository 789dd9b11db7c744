#include "tools/stp/WingetManifest.h"

#include <cstdio>

#include "datatable/Text.h"
#include "product/ExitCodes.h"
#include "product/SetupCommandLine.h"
#include "tools/stp/WingetRules.h"

namespace stp::tool {

namespace {

constexpr char kManifestVersion[] = "1.6.0";
constexpr char16_t kLocale[] = u"en-US";

// The installer's switches as winget passes them; the value follows a switch that takes one.
// winget puts the log's path in as it is, and a user's folder may hold spaces: the path
// is quoted (the installer reads /LOG="..."); /D= takes the rest of the line anyway.
struct SwitchRow {
    const char* Key;
    const char16_t* Switch;
    const char16_t* Value;
};
constexpr SwitchRow kSwitches[] = {
    {"Silent", kSilentSwitch, u""},
    {"SilentWithProgress", kPassiveSwitch, u""},
    {"InstallLocation", kDestinationSwitch, u"<INSTALLPATH>"},
    {"Log", kLogSwitch, u"\"<LOGPATH>\""},
};
constexpr const char* kInstallModes[] = {"interactive", "silent", "silentWithProgress"};

// A text of the locale file: the setting it comes from (Fallback when that is empty) and
// the schema's bounds on its length.
struct TextRow {
    const char* Key;
    Setting From;
    Setting Fallback;
    std::size_t Least, Most;
};
constexpr TextRow kLocaleTexts[] = {
    {"Publisher", Setting::PublisherEnglish, Setting::PublisherEnglish, 2, 256},
    {"PackageName", Setting::DisplayNameEnglish, Setting::DisplayNameEnglish, 2, 256},
    {"License", Setting::LicenseName, Setting::LicenseName, 3, 512},
    {"ShortDescription", Setting::Description, Setting::DisplayNameEnglish, 3, 256},
};

std::string Quoted(const std::string& utf8)
{
    return YamlQuoted(FromUtf8(utf8));
}

std::string Line(int indent, const std::string& key, const std::string& value)
{
    return std::string(indent, ' ') + key + ": " + value + "\n";
}

std::string Text(const std::string& key, const std::u16string& value, std::size_t least, std::size_t most,
                 int indent = 0)
{
    CheckLength(key, value, least, most);
    return Line(indent, key, YamlQuoted(value));
}

// A file of the manifest: the schema comment, the package's identifier and version, the
// body, the manifest's type and version.
ManifestFile File(const InstallerFacts& facts, const std::string& identifier, const std::string& type,
                  const std::string& suffix, const std::string& body)
{
    const std::string schema = "# yaml-language-server: $schema=https://aka.ms/winget-manifest." + type + "." +
                               kManifestVersion + ".schema.json\n\n";
    const std::string head = schema + Line(0, "PackageIdentifier", Quoted(identifier)) +
                             Text("PackageVersion", facts.Value(Setting::Version), 1, 128);
    const std::string tail =
        Line(0, "ManifestType", Quoted(type)) + Line(0, "ManifestVersion", Quoted(kManifestVersion));
    return {identifier + suffix + ".yaml", head + body + tail};
}

std::string ReturnCodes()
{
    std::string text = "ExpectedReturnCodes:\n";
    for (const ExitCodeRow& row : kExitCodes)
        if (row.WingetResponse)  // every code but success's
            text += "  - InstallerReturnCode: " + std::to_string(row.Code) + "\n" +
                    Line(4, "ReturnResponse", Quoted(row.WingetResponse));
    return text;
}

// One entry for each name the product registers under; the entry's key is named after
// the display name, which makes it the ProductCode.
std::string AppsAndFeatures(const InstallerFacts& facts)
{
    std::string text = "AppsAndFeaturesEntries:\n";
    for (const AppsEntry& entry : facts.Entries)
        text += "  - " + Text("DisplayName", entry.DisplayName, 1, 256) +
                Text("Publisher", entry.Publisher, 1, 256, 4) +
                Text("DisplayVersion", facts.Value(Setting::Version), 1, 128, 4) +
                Text("ProductCode", entry.DisplayName, 1, 255, 4);
    return text;
}

std::string InstallerBody(const InstallerFacts& facts, const std::string& url)
{
    std::string text = Line(0, "InstallerType", Quoted("exe")) + Line(0, "Scope", Quoted("machine")) +
                       "InstallModes:\n";
    for (const char* mode : kInstallModes) text += "  - " + Quoted(mode) + "\n";
    text += "InstallerSwitches:\n";
    for (const SwitchRow& row : kSwitches)
        text += Line(2, row.Key, YamlQuoted(std::u16string(row.Switch) + row.Value));
    text += ReturnCodes();
    if (facts.Elevation) text += Line(0, "ElevationRequirement", Quoted(*facts.Elevation));
    text += AppsAndFeatures(facts);
    return text + "Installers:\n" + Line(2, "- Architecture", Quoted("x64")) +
           Line(4, "InstallerUrl", Quoted(url)) +
           Line(4, "InstallerSha256", Quoted(facts.Sha256));
}

std::string LocaleBody(const InstallerFacts& facts)
{
    std::string text = Line(0, "PackageLocale", YamlQuoted(kLocale));
    for (const TextRow& row : kLocaleTexts) {
        const Setting source = facts.Value(row.From).empty() ? row.Fallback : row.From;
        const std::u16string& value = facts.Value(source);
        // Named with the setting it comes from, which is what the vendor changes.
        CheckLength(std::string(row.Key) + " (" + SettingOf(source).Key + ")", value, row.Least, row.Most);
        text += Line(0, row.Key, YamlQuoted(value));
    }
    return text;
}

}  // namespace

std::string YamlQuoted(const std::u16string& text)
{
    std::u16string quoted = u"\"";
    for (const char16_t c : text) {
        const bool escape = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0xFEFF ||
                            c >= 0xFFFE;
        if (c == u'"' || c == u'\\') {
            quoted += u'\\';
            quoted += c;
        } else if (escape) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
            quoted += FromUtf8(code);
        } else {
            quoted += c;
        }
    }
    return ToUtf8(quoted + u"\"");
}

std::vector<ManifestFile> WingetManifest(const InstallerFacts& facts, const std::string& identifier,
                                         const std::string& url)
{
    const std::string version = Line(0, "DefaultLocale", YamlQuoted(kLocale));
    return {File(facts, identifier, "version", "", version),
            File(facts, identifier, "installer", ".installer", InstallerBody(facts, url)),
            File(facts, identifier, "defaultLocale", ".locale." + ToUtf8(kLocale), LocaleBody(facts))};
}

}  // namespace stp::tool
