// The product's uninstall entry: the installer writes it, the uninstaller finds itself
// in it and removes it. Both take the key and the value names from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace stp {

// The value naming the uninstaller.
inline constexpr char16_t kUninstallStringValue[] = u"UninstallString";

// The product's key below HKEY_LOCAL_MACHINE.
std::u16string UninstallKeyPath(const std::u16string& DisplayName);

// The uninstall entry's six string values, in the order they are written, with the
// publisher of the text set's default.
std::vector<std::pair<std::u16string, std::u16string>> UninstallValues(
    int Mode, const std::u16string& SetupDir, const std::u16string& ExeName, const std::u16string& DisplayName,
    const std::u16string& Version, const std::u16string& WebChinese, const std::u16string& WebHome);

// The entry of a product's settings: "basic" is the six values above with Publisher;
// "full" (Full) quotes UninstallString and adds QuietUninstallString and InstallLocation;
// Quiet adds QuietUninstallString alone.
struct TUninstallEntry {
    int Mode = 0;
    std::u16string SetupDir;  // ends with a backslash
    std::u16string ExeName, DisplayName, Version, WebChinese, WebHome, Publisher;
    bool Full = false;
    bool Quiet = false;             // QuietUninstallString without the rest of Full (Unattended = yes)
    std::uint32_t EstimatedKB = 0;  // the installed files' size, written with Full
};
std::vector<std::pair<std::u16string, std::u16string>> UninstallStrings(const TUninstallEntry& Entry);
// The DWORD values: with Full, EstimatedSize (KB), NoModify and NoRepair; none otherwise.
std::vector<std::pair<std::u16string, std::uint32_t>> UninstallNumbers(const TUninstallEntry& Entry);

// The uninstaller's path an "UninstallString" value names: the value, or what its quotes
// hold when it is quoted whole (UninstallEntry = full).
std::u16string UninstallerPathOf(std::u16string_view Command);

}  // namespace stp
