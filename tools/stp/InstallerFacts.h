// What stp manifest tells deployment tools about one installer. The installer itself is
// the authority (its string table, its manifest, its bytes): stp build may have changed a
// setting (--text-mode), and a product.ini edited since would tell another story. Only
// the settings no installer carries (LicenseName, Description) come from the product
// folder.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "product/ProductTable.h"
#include "tools/stp/ProductFolder.h"

namespace stp::tool {

// One uninstall entry the product can be registered under: the entry's key is named after
// DisplayName (product/UninstallEntry.h), Publisher is of the same text set.
struct AppsEntry {
    std::u16string DisplayName;
    std::u16string Publisher;
};

struct InstallerFacts {
    std::string FileName;                  // UTF-8, without its folder
    std::string Sha256;                    // of the file's bytes, upper-case hexadecimal
    std::optional<std::string> Elevation;  // winget's ElevationRequirement; none: runs as started
    std::map<std::string, std::u16string> Settings;  // every setting of kSettings by key
    std::vector<AppsEntry> Entries;        // by text set, Chinese first; no two alike

    const std::u16string& Value(Setting setting) const { return Settings.at(SettingOf(setting).Key); }
};

// Reads Installer, an installer stp build made from Product. Raises std::runtime_error
// naming the file and the cause for a file that is no such installer, one built without
// Unattended = yes, or one whose program or version is not the product folder's.
InstallerFacts ReadInstallerFacts(const ProductFolder& product, const std::filesystem::path& installer);

// winget's ElevationRequirement for a program manifest (RT_MANIFEST) Xml: none for a
// program that runs as it is started. Raises std::runtime_error for a level Windows does
// not know.
std::optional<std::string> ElevationOf(const std::string& xml);

}  // namespace stp::tool
