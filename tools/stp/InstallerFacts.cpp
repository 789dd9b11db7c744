#include "tools/stp/InstallerFacts.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "crypt/Hash.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"

namespace stp::tool {

namespace {

namespace fs = std::filesystem;

constexpr int kSha256Index = 3;  // crypt/Hash.h's SHA-256

// The manifest's requestedExecutionLevel and what winget is told of it: the installer
// raises itself when it must, so winget need not start it raised.
struct ElevationRow {
    const char* Level;
    const char* Requirement;  // null: nothing to tell
};
constexpr ElevationRow kElevations[] = {
    {"requireAdministrator", "elevatesSelf"},
    {"highestAvailable", "elevatesSelf"},
    {"asInvoker", nullptr},
};

// The display names a text mode registers the product under.
struct ModeRow {
    const char16_t* Mode;
    bool Chinese, English;
};
constexpr ModeRow kModes[] = {{u"0", true, false}, {u"2", false, true}, {u"auto", true, true}};

// Settings that name the product and its version: the installer and the product folder
// must agree on them, or the folder is not the installer's.
constexpr Setting kSameInBoth[] = {Setting::ExeName, Setting::Version};

std::string Sha256Hex(const std::string& bytes)
{
    const auto hash = CreateHashByIndex(kSha256Index);
    hash->Feed({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    std::uint8_t digest[32];
    hash->Finish(digest);
    std::string hex;
    for (const std::uint8_t b : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", b);
        hex += pair;
    }
    return hex;
}

// Every setting: the installer's string table for those it carries (the table's default
// for one written only when given, and for an optional one left empty, which the string
// table does not hold), the product folder for the rest.
std::map<std::string, std::u16string> Settings(const ProductFolder& product, const std::string& name,
                                               const std::map<std::uint16_t, std::u16string>& strings)
{
    std::map<std::string, std::u16string> settings;
    for (const SettingRow& setting : kSettings) {
        const auto found = strings.find(setting.StringId);
        if (setting.StringId == 0)
            settings[setting.Key] = product.Value(setting.Key);
        else if (found != strings.end())
            settings[setting.Key] = found->second;
        else if (setting.Extension || !setting.Required)
            settings[setting.Key] = setting.Default;  // an empty text is no string at all
        else
            throw std::runtime_error(name + ": its string table has no " + setting.Key + " (string " +
                                     std::to_string(setting.StringId) + "); not an installer stp build made");
    }
    return settings;
}

void CheckSameProduct(const ProductFolder& product, const std::string& name, const InstallerFacts& facts)
{
    for (const Setting s : kSameInBoth) {
        const char* key = SettingOf(s).Key;
        if (facts.Value(s) != product.Value(key))
            throw std::runtime_error(name + " is not built from " + product.Ini().string() + ": its " + key + " is '" +
                                     ToUtf8(facts.Value(s)) + "', the folder's '" + ToUtf8(product.Value(key)) + "'");
    }
    if (facts.Value(Setting::Unattended) != u"yes")
        throw std::runtime_error(name + " was built without Unattended = yes; it takes no silent switches (set it in " +
                                 product.Ini().string() + " and build again)");
}

std::vector<AppsEntry> Entries(const std::string& name, const InstallerFacts& facts)
{
    const std::u16string& mode = facts.Value(Setting::TextMode);
    for (const ModeRow& row : kModes) {
        if (mode != row.Mode) continue;
        std::vector<AppsEntry> entries;
        if (row.Chinese)
            entries.push_back({facts.Value(Setting::DisplayNameChinese), facts.Value(Setting::PublisherChinese)});
        const AppsEntry english{facts.Value(Setting::DisplayNameEnglish), facts.Value(Setting::PublisherEnglish)};
        const bool same = !entries.empty() && entries[0].DisplayName == english.DisplayName &&
                          entries[0].Publisher == english.Publisher;
        if (row.English && !same) entries.push_back(english);
        return entries;
    }
    throw std::runtime_error(name + ": TextMode '" + ToUtf8(mode) + "' is none stp build writes");
}

std::optional<std::string> Elevation(const std::vector<pe::Resource>& resources)
{
    for (const pe::Resource& r : resources)
        if (r.Type == pe::ResourceId::Number(pe::rtManifest)) return ElevationOf(r.Data);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ElevationOf(const std::string& xml)
{
    const std::size_t element = xml.find("requestedExecutionLevel");
    if (element == std::string::npos) return std::nullopt;
    const std::size_t end = xml.find('>', element);
    // The attribute "level", with blanks allowed around "=" and either quote.
    std::size_t at = element;
    while ((at = xml.find("level", at + 1)) < end && !std::isspace(static_cast<unsigned char>(xml[at - 1]))) {}
    if (at >= end) return std::nullopt;
    at = xml.find_first_not_of(" \t\r\n", at + 5);
    if (at >= end || xml[at] != '=') return std::nullopt;
    at = xml.find_first_not_of(" \t\r\n", at + 1);
    if (at >= end || (xml[at] != '"' && xml[at] != '\'')) return std::nullopt;
    const std::size_t close = xml.find(xml[at], at + 1);
    const std::string level = xml.substr(at + 1, close - at - 1);
    for (const ElevationRow& row : kElevations)
        if (level == row.Level) return row.Requirement ? std::optional<std::string>(row.Requirement) : std::nullopt;
    throw std::runtime_error("its manifest asks for the execution level '" + level + "', which Windows does not know");
}

InstallerFacts ReadInstallerFacts(const ProductFolder& product, const fs::path& installer)
{
    const std::string name = installer.string();
    const std::string bytes = ReadWholeFile(installer);
    std::vector<pe::Resource> resources;
    std::map<std::uint16_t, std::u16string> strings;
    try {
        resources = pe::ReadResources(bytes);
        strings = pe::ReadStringTable(resources);
    } catch (const EPeError& e) {
        throw std::runtime_error(name + ": not a Windows program whose resources stp can read (" + e.what() + ")");
    }
    InstallerFacts facts;
    facts.FileName = ToUtf8(installer.filename().u16string());
    facts.Settings = Settings(product, name, strings);
    CheckSameProduct(product, name, facts);
    facts.Entries = Entries(name, facts);
    try {
        facts.Elevation = Elevation(resources);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(name + ": " + e.what());
    }
    facts.Sha256 = Sha256Hex(bytes);
    return facts;
}

}  // namespace stp::tool
