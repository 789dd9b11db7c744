#include "tools/stp/IntuneText.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "datatable/Text.h"
#include "pe/VersionInfo.h"
#include "product/ExitCodes.h"
#include "product/SetupCommandLine.h"
#include "product/UninstallEntry.h"

namespace stp::tool {

namespace {

// Intune's return code types besides Failed, for the codes that are one.
struct CodeTypeRow {
    ExitCode Code;
    const char* Type;
};
constexpr CodeTypeRow kCodeTypes[] = {
    {ecSuccess, "Success"},
    {ecRestartNeeded, "Soft reboot"},
    {ecAnotherRuns, "Retry"},
};

const char* CodeType(ExitCode code) {
    for (const CodeTypeRow& row : kCodeTypes)
        if (row.Code == code) return row.Type;
    return "Failed";
}

// Text, then blanks up to Width (one at least).
std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string Field(const std::string& label, const std::string& value) {
    return "  " + Padded(label, 32) + value + "\n";
}

// The uninstaller's quiet command as the uninstall entry gives it, for the folder the
// installer proposes: %ProgramFiles%\<MakerFolder>\<ExeName>\.
std::string UninstallCommand(const InstallerFacts& facts) {
    TUninstallEntry entry;
    entry.SetupDir = ProposedFolder(facts) + u"\\";
    entry.ExeName = facts.Value(Setting::ExeName);
    entry.Quiet = true;
    for (const auto& [name, value] : UninstallStrings(entry))
        if (name == u"QuietUninstallString") return ToUtf8(value);
    throw std::logic_error("product/UninstallEntry gives no QuietUninstallString for Quiet");
}

std::string Commands(const InstallerFacts& facts) {
    return "Install command\n  \"" + facts.FileName + "\" " + ToUtf8(kSilentSwitch) + "\n" + "Uninstall command\n  " +
           UninstallCommand(facts) + "\n" +
           "  (in the default folder, the one the installer proposes; after an install with " +
           ToUtf8(kDestinationSwitch) + "PATH it is PATH\\" + ToUtf8(kUninstallerName) + ")\n" +
           "Install behavior\n  System\n"
           "Device restart behavior\n  Determine behavior based on return codes\n";
}

std::string Requirements() { return "\nRequirements\n" + Field("Operating system architecture", "x64"); }

std::string VersionText(const pe::VersionNumbers& version) {
    std::string text;
    for (const std::uint16_t part : version) {
        if (!text.empty()) text += '.';
        text += std::to_string(part);
    }
    return text;
}

// The product's version as the installed program's file version must reach it, for the
// rule to hold. Refused where it never could.
pe::VersionNumbers RuleVersion(const InstallerFacts& facts, const std::string& program) {
    const std::string name = facts.FileName + ": its " + ToUtf8(facts.Value(Setting::ExeName)) + ".exe";
    const pe::VersionNumbers wanted = pe::ParseVersionNumbers(facts.Value(Setting::Version));
    const std::string rule = "Intune's detection rule (the program's file version at least " + VersionText(wanted) +
                             ") would never find it installed; give the program a version resource of at least "
                             "that file version and build again";
    std::optional<pe::VersionNumbers> found;
    try {
        found = FileVersionOf(program);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(name + " is " + e.what() + ", so " + rule);
    }
    if (!found) throw std::runtime_error(name + " has no version resource, so " + rule);
    if (*found < wanted)
        throw std::runtime_error(name + " has the file version " + VersionText(*found) + ", below the product's " +
                                 ToUtf8(facts.Value(Setting::Version)) + ", so " + rule);
    return wanted;
}

// One rule for every text set: the installed program, the same file whichever language
// the installer chose (the uninstall entry's key is named in that language, and Intune
// wants every rule it is given to match).
std::string DetectionRule(const InstallerFacts& facts, const std::string& program) {
    return "\nDetection rule (file): the installed program, whichever language the installer chose\n" +
           Field("Rule type", "File") + Field("Path", ToUtf8(ProposedFolder(facts))) +
           Field("File or folder", ToUtf8(facts.Value(Setting::ExeName)) + ".exe") +
           Field("Detection method", "Version") + Field("Operator", "Greater than or equal to") +
           Field("Value", VersionText(RuleVersion(facts, program))) + Field("32-bit app on 64-bit clients", "No") +
           "  (in the default folder, the one the installer proposes; after an install with " +
           ToUtf8(kDestinationSwitch) + "PATH the path is PATH)\n\n";
}

std::string ReturnCodes() {
    std::string text = "Return codes\n  " + Padded("code", 8) + Padded("type", 14) + "meaning\n";
    for (const ExitCodeRow& row : kExitCodes)
        text += "  " + Padded(std::to_string(row.Code), 8) + Padded(CodeType(row.Code), 14) + row.Meaning + "\n";
    return text;
}

}  // namespace

std::string IntuneText(const InstallerFacts& facts, const std::string& program) {
    const std::string rule = DetectionRule(facts, program);  // refused before anything is written
    return "Intune Win32 app: " + ToUtf8(facts.Value(Setting::DisplayNameEnglish)) + " " +
           ToUtf8(facts.Value(Setting::Version)) + " (" + facts.FileName + ")\n\n" + Commands(facts) + Requirements() +
           rule + ReturnCodes();
}

}  // namespace stp::tool
