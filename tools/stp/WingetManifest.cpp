#include "tools/stp/WingetManifest.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "datatable/Text.h"
#include "product/ExitCodes.h"
#include "product/SetupCommandLine.h"
#include "tools/stp/WingetRules.h"

namespace stp::tool {

namespace {

constexpr char kManifestVersion[] = "1.12.0";
constexpr char16_t kLocale[] = u"en-US";
// A newer version installs over the earlier one, whose files it takes over.
constexpr char kUpgradeBehavior[] = "install";

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

// What becomes of a locale text's setting.
enum class Use : std::uint8_t {
    Always,        // written; its length checked
    WhenGiven,     // left out when empty
    HttpsAddress,  // left out when empty, and with a note when it is no https:// address
};

// A text of the locale file: the setting it comes from, the schema's bounds on its
// length, and why an empty one is refused where that needs more than its length.
struct TextRow {
    const char* Key;
    Setting From;
    std::size_t Least, Most;
    Use How;
    const char* IfEmpty = nullptr;
};
constexpr TextRow kLocaleTexts[] = {
    {"Publisher", Setting::PublisherEnglish, 2, 256, Use::Always},
    {"PublisherUrl", Setting::WebHome, 1, 2048, Use::HttpsAddress},
    {"PackageName", Setting::DisplayNameEnglish, 2, 256, Use::Always},
    {"License", Setting::LicenseName, 3, 512, Use::Always},
    {"Copyright", Setting::CopyrightMaker, 3, 512, Use::WhenGiven},
    {"ShortDescription", Setting::Description, 3, 256, Use::Always,
     "product.ini gives no Description: winget's community repository wants one line on what the product does "
     "as its ShortDescription, not the package name again; add Description = ... (no new build needed)"},
};

std::string Quoted(const std::string& utf8) { return YamlQuoted(FromUtf8(utf8)); }

std::string Line(int indent, const std::string& key, const std::string& value) {
    return std::string(indent, ' ') + key + ": " + value + "\n";
}

std::string Text(const std::string& key, const std::u16string& value, std::size_t least, std::size_t most,
                 int indent = 0) {
    CheckLength(key, value, least, most);
    return Line(indent, key, YamlQuoted(value));
}

// A file of the manifest: the schema comment, the package's identifier and version, the
// body, the manifest's type and version.
ManifestFile File(const InstallerFacts& facts, const std::string& identifier, const std::string& type,
                  const std::string& suffix, const std::string& body) {
    const std::string schema = "# yaml-language-server: $schema=https://aka.ms/winget-manifest." + type + "." +
                               kManifestVersion + ".schema.json\n\n";
    const std::string head = schema + Line(0, "PackageIdentifier", Quoted(identifier)) +
                             Text("PackageVersion", facts.Value(Setting::Version), 1, 128);
    const std::string tail =
        Line(0, "ManifestType", Quoted(type)) + Line(0, "ManifestVersion", Quoted(kManifestVersion));
    return {identifier + suffix + ".yaml", head + body + tail};
}

std::string ReturnCodes() {
    std::string text = "ExpectedReturnCodes:\n";
    for (const ExitCodeRow& row : kExitCodes)
        if (row.WingetResponse)  // every code but success's
            text += "  - InstallerReturnCode: " + std::to_string(row.Code) + "\n" +
                    Line(4, "ReturnResponse", Quoted(row.WingetResponse));
    return text;
}

// One entry for each name the product registers under; the entry's key is named after
// the display name, which makes it the ProductCode. A DisplayVersion that is the package's
// version tells winget nothing more, and the repository asks for it to be left out.
std::string AppsAndFeatures(const InstallerFacts& facts) {
    std::string text = "AppsAndFeaturesEntries:\n";
    for (const AppsEntry& entry : facts.Entries) {
        text += "  - " + Text("DisplayName", entry.DisplayName, 1, 256) + Text("Publisher", entry.Publisher, 1, 256, 4);
        if (entry.DisplayVersion != facts.Value(Setting::Version))
            text += Text("DisplayVersion", entry.DisplayVersion, 1, 128, 4);
        text += Text("ProductCode", entry.DisplayName, 1, 255, 4);
    }
    return text;
}

// The installer's one ProductCode: the English name's key where the product registers under
// both names (the one the installer takes outside Chinese display languages; winget finds
// the other among AppsAndFeaturesEntries), else the one name's. Entries end with English.
std::string Installers(const InstallerFacts& facts, const std::string& url) {
    return "Installers:\n" + Line(2, "- Architecture", Quoted("x64")) + Line(4, "InstallerUrl", Quoted(url)) +
           Line(4, "InstallerSha256", Quoted(facts.Sha256)) +
           Text("ProductCode", facts.Entries.back().DisplayName, 1, 255, 4);
}

std::string InstallerBody(const InstallerFacts& facts, const WingetInputs& inputs) {
    std::string text =
        Line(0, "InstallerType", Quoted("exe")) + Line(0, "Scope", Quoted("machine")) + "InstallModes:\n";
    for (const char* mode : kInstallModes) text += "  - " + Quoted(mode) + "\n";
    text += "InstallerSwitches:\n";
    for (const SwitchRow& row : kSwitches) text += Line(2, row.Key, YamlQuoted(std::u16string(row.Switch) + row.Value));
    text += ReturnCodes() + Line(0, "UpgradeBehavior", Quoted(kUpgradeBehavior));
    if (facts.Elevation) text += Line(0, "ElevationRequirement", Quoted(*facts.Elevation));
    text += AppsAndFeatures(facts);
    text += "InstallationMetadata:\n" + Text("DefaultInstallLocation", ProposedFolder(facts), 1, 2048, 2);
    if (inputs.ReleaseDate) text += Line(0, "ReleaseDate", Quoted(*inputs.ReleaseDate));
    return text + Installers(facts, inputs.Url);
}

// The locale file's texts, each named in errors with the setting it comes from, which is
// what the vendor changes.
std::string LocaleBody(const InstallerFacts& facts, std::vector<std::string>& notes) {
    std::string text = Line(0, "PackageLocale", YamlQuoted(kLocale));
    for (const TextRow& row : kLocaleTexts) {
        const char* setting = SettingOf(row.From).Key;
        const std::u16string& value = facts.Value(row.From);
        if (value.empty() && row.How != Use::Always) continue;
        if (value.empty() && row.IfEmpty) throw std::runtime_error(row.IfEmpty);
        if (row.How == Use::HttpsAddress && !IsHttpsUrl(ToUtf8(value))) {
            notes.push_back(std::string(setting) + " '" + ToUtf8(value) + "' is no https:// address, which the " +
                            "community repository refuses: the manifest gives no " + row.Key);
            continue;
        }
        CheckLength(std::string(row.Key) + " (" + setting + ")", value, row.Least, row.Most);
        text += Line(0, row.Key, YamlQuoted(value));
    }
    return text;
}

void CheckInstallerUrl(const std::string& url) {
    if (!IsHttpsUrl(url))
        throw std::runtime_error("--url '" + url + "' is no https:// address: winget's community repository takes " +
                                 "an installer only over https://, as what comes over http:// can be changed on " +
                                 "the way; upload it where https:// serves it");
}

}  // namespace

std::string YamlQuoted(const std::u16string& text) {
    std::u16string quoted = u"\"";
    for (const char16_t c : text) {
        const bool escape =
            c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0xFEFF || c >= 0xFFFE;
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

WingetFiles WingetManifest(const InstallerFacts& facts, const WingetInputs& inputs) {
    CheckInstallerUrl(inputs.Url);
    WingetFiles result;
    const std::string& id = inputs.Identifier;
    const std::string version = Line(0, "DefaultLocale", YamlQuoted(kLocale));
    result.Files = {File(facts, id, "version", "", version),
                    File(facts, id, "installer", ".installer", InstallerBody(facts, inputs)),
                    File(facts, id, "defaultLocale", ".locale." + ToUtf8(kLocale), LocaleBody(facts, result.Notes))};
    return result;
}

}  // namespace stp::tool
