#include "tools/stp/InstallerFacts.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

#include "crypt/Hash.h"
#include "datatable/Convert.h"
#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/Format.h"
#include "package/PackageReader.h"
#include "package/RecordStream.h"
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

std::string Sha256Hex(const std::string& bytes) {
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
                                               const std::map<std::uint16_t, std::u16string>& strings) {
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

void CheckSameProduct(const ProductFolder& product, const std::string& name, const InstallerFacts& facts) {
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

std::vector<AppsEntry> Entries(const std::string& name, const InstallerFacts& facts) {
    const std::u16string& mode = facts.Value(Setting::TextMode);
    for (const ModeRow& row : kModes) {
        if (mode != row.Mode) continue;
        // Every entry names the product's version (product/UninstallEntry.h).
        const std::u16string& version = facts.Value(Setting::Version);
        std::vector<AppsEntry> entries;
        if (row.Chinese)
            entries.push_back(
                {facts.Value(Setting::DisplayNameChinese), facts.Value(Setting::PublisherChinese), version});
        const AppsEntry english{facts.Value(Setting::DisplayNameEnglish), facts.Value(Setting::PublisherEnglish),
                                version};
        const bool same = !entries.empty() && entries[0].DisplayName == english.DisplayName &&
                          entries[0].Publisher == english.Publisher;
        if (row.English && !same) entries.push_back(english);
        return entries;
    }
    throw std::runtime_error(name + ": TextMode '" + ToUtf8(mode) + "' is none stp build writes");
}

std::optional<std::string> Elevation(const std::vector<pe::Resource>& resources) {
    for (const pe::Resource& r : resources)
        if (r.Type == pe::ResourceId::Number(pe::rtManifest)) return ElevationOf(r.Data);
    return std::nullopt;
}

constexpr int kFolderAttempts = 16;

// A new folder of the system's temporary folder, for this run alone (making it fails where
// the name is taken, by a link too), removed with what it holds.
class PrivateFolder {
public:
    PrivateFolder() {
        const fs::path base = fs::temp_directory_path();
        std::random_device random;
        std::error_code error;
        for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
            char name[48];
            std::snprintf(name, sizeof name, "stp-manifest-%08x%08x", static_cast<unsigned>(random()),
                          static_cast<unsigned>(random()));
            if (fs::create_directory(base / name, error)) {
                path_ = base / name;
                return;
            }
        }
        throw std::runtime_error(base.string() + ": no folder can be made there to read the package in (" +
                                 (error ? error.message() : "every name tried is taken") + ")");
    }
    ~PrivateFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

const std::string& PackageData(const std::vector<pe::Resource>& resources) {
    const pe::ResourceId type = pe::ResourceId::Named(kStpResourceType);
    const pe::ResourceId name = pe::ResourceId::Named(kPackageResource);
    for (const pe::Resource& r : resources)
        if (r.Type == type && r.Name == name) return r.Data;
    throw std::runtime_error("it carries no package (resource " + type.ToString() + "/" + name.ToString() + ")");
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(file.string() + ": cannot be written");
}

// A row the installer writes into the destination folder itself under File's name.
bool IsProgramRow(TRow& row, const std::u16string& file) {
    const bool root = row.ItemCount() > kMinPackageColumns && row.Items(pcRootFlag)->AsBool();
    return EqualsIgnoringAsciiCase(row.Items(pcFileName)->Text(), file) &&
           (root || row.Items(pcFolder)->Text().empty());
}

// The file of the package Package that the installer leaves in the destination as File:
// the records before its own passed over, its own inflated.
std::string ReadProgram(const fs::path& package, const std::u16string& file) {
    TFile input = TFile::OpenRead(package.u16string());
    const std::unique_ptr<TDataTable> table = ReadPackageTable(input, u"");
    std::vector<TRecordSpan> spans;
    std::optional<std::size_t> program;
    for (std::int32_t i = 0; table && i < table->ItemCount(); ++i) {
        TRow& row = *table->Items(i);
        spans.push_back({row.Items(pcCompressedSize)->Value(), row.Items(pcUncompressedSize)->Value()});
        if (IsProgramRow(row, file)) program = static_cast<std::size_t>(i);
    }
    if (!program) throw std::runtime_error("its package holds no " + ToUtf8(file) + " for the destination folder");
    spans.resize(*program + 1);
    TRecordStream records(input, spans);
    for (std::size_t i = 0; i < *program; ++i) records.Skip(i);
    std::string bytes;
    records.Take(
        *program, [&bytes](const void* data, std::size_t n) { bytes.append(static_cast<const char*>(data), n); },
        [&bytes] { bytes.clear(); });
    return bytes;
}

}  // namespace

std::u16string ProposedFolder(const InstallerFacts& facts) {
    return u"%ProgramFiles%\\" + facts.Value(Setting::MakerFolder) + u"\\" + facts.Value(Setting::ExeName);
}

std::optional<std::string> ElevationOf(const std::string& xml) {
    const std::size_t element = xml.find("requestedExecutionLevel");
    if (element == std::string::npos) return std::nullopt;
    const std::size_t end = xml.find('>', element);
    // The attribute "level", with blanks allowed around "=" and either quote.
    std::size_t at = element;
    while ((at = xml.find("level", at + 1)) < end && !std::isspace(static_cast<unsigned char>(xml[at - 1]))) {
    }
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

InstallerFacts ReadInstallerFacts(const ProductFolder& product, const fs::path& installer) {
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

std::string PackagedProgram(const fs::path& installer, const std::u16string& exeName) {
    const std::string bytes = ReadWholeFile(installer);
    try {
        const std::vector<pe::Resource> resources = pe::ReadResources(bytes);
        const PrivateFolder folder;
        const fs::path package = folder.Path() / "Setup.stp";
        WriteBytes(package, PackageData(resources));
        return ReadProgram(package, exeName + u".exe");
    } catch (const std::exception& e) {
        throw std::runtime_error(installer.string() + ": " + e.what());
    }
}

std::optional<pe::VersionNumbers> FileVersionOf(const std::string& image) {
    try {
        for (const pe::Resource& r : pe::ReadResources(image))
            if (r.Type == pe::ResourceId::Number(pe::rtVersion)) return pe::ReadVersionInfo(r.Data).FileVersion;
    } catch (const EPeError& e) {
        throw std::runtime_error(std::string("not a Windows program whose version stp can read (") + e.what() + ")");
    }
    return std::nullopt;
}

}  // namespace stp::tool
