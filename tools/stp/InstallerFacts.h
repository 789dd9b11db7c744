// What stp manifest tells deployment tools about one installer. The installer itself is
// the authority (its string table, its manifest, its bytes): stp build may have changed a
// setting (--text-mode), and a product.ini edited since would tell another story. Only
// the settings no installer carries (LicenseName, Description) come from the product
// folder. The program it installs is read out of its package when asked for.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pe/VersionInfo.h"
#include "product/ProductTable.h"
#include "tools/stp/ProductFolder.h"

namespace stp::tool {

// One uninstall entry the product can be registered under: the entry's key is named after
// DisplayName (product/UninstallEntry.h), Publisher is of the same text set, DisplayVersion
// the version the entry names.
struct AppsEntry {
    std::u16string DisplayName;
    std::u16string Publisher;
    std::u16string DisplayVersion;
};

struct InstallerFacts {
    std::string FileName;                            // UTF-8, without its folder
    std::string Sha256;                              // of the file's bytes, upper-case hexadecimal
    std::optional<std::string> Elevation;            // winget's ElevationRequirement; none: runs as started
    std::map<std::string, std::u16string> Settings;  // every setting of kSettings by key
    std::vector<AppsEntry> Entries;                  // by text set, Chinese first; no two alike

    const std::u16string& Value(Setting setting) const { return Settings.at(SettingOf(setting).Key); }
};

// Reads Installer, an installer stp build made from Product. Raises std::runtime_error
// naming the file and the cause for a file that is no such installer, one built without
// Unattended = yes, or one whose program or version is not the product folder's.
InstallerFacts ReadInstallerFacts(const ProductFolder& product, const std::filesystem::path& installer);

// The folder the installer proposes where no earlier installation is found, as Windows
// expands it: %ProgramFiles%\<MakerFolder>\<ExeName>, without a closing backslash.
std::u16string ProposedFolder(const InstallerFacts& facts);

// The bytes of the program ExeName.exe as the package in Installer (an installer stp build
// made) writes it into the destination folder, read out of the package alone; the last
// such row where several name it, as the installer leaves it. Raises std::runtime_error
// naming the installer for one without a package, a package without that program, or one
// that cannot be read.
std::string PackagedProgram(const std::filesystem::path& installer, const std::u16string& exeName);

// The file version of the program Image (its version resource's fixed numbers), none when
// it carries no version resource. Raises std::runtime_error for an image whose resources
// or version resource cannot be read, saying so without naming the file.
std::optional<pe::VersionNumbers> FileVersionOf(const std::string& image);

// winget's ElevationRequirement for a program manifest (RT_MANIFEST) Xml: none for a
// program that runs as it is started. Raises std::runtime_error for a level Windows does
// not know.
std::optional<std::string> ElevationOf(const std::string& xml);

}  // namespace stp::tool
