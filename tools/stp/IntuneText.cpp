#include "tools/stp/IntuneText.h"

#include <stdexcept>

#include "datatable/Text.h"
#include "product/ExitCodes.h"
#include "product/SetupCommandLine.h"
#include "product/UninstallEntry.h"

namespace stp::tool {

namespace {

constexpr char kMachineRoot[] = "HKEY_LOCAL_MACHINE\\";

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

const char* CodeType(ExitCode code)
{
    for (const CodeTypeRow& row : kCodeTypes)
        if (row.Code == code) return row.Type;
    return "Failed";
}

// Text, then blanks up to Width (one at least).
std::string Padded(const std::string& text, std::size_t width)
{
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string Field(const std::string& label, const std::string& value)
{
    return "  " + Padded(label, 30) + value + "\n";
}

// The uninstaller's quiet command as the uninstall entry gives it, for the folder the
// installer proposes: %ProgramFiles%\<MakerFolder>\<ExeName>\.
std::string UninstallCommand(const InstallerFacts& facts)
{
    TUninstallEntry entry;
    entry.SetupDir =
        u"%ProgramFiles%\\" + facts.Value(Setting::MakerFolder) + u"\\" + facts.Value(Setting::ExeName) + u"\\";
    entry.ExeName = facts.Value(Setting::ExeName);
    entry.Quiet = true;
    for (const auto& [name, value] : UninstallStrings(entry))
        if (name == u"QuietUninstallString") return ToUtf8(value);
    throw std::logic_error("product/UninstallEntry gives no QuietUninstallString for Quiet");
}

std::string Commands(const InstallerFacts& facts)
{
    return "Install command\n  \"" + facts.FileName + "\" " + ToUtf8(kSilentSwitch) + "\n" +
           "Uninstall command\n  " + UninstallCommand(facts) + "\n" +
           "  (in the default folder, the one the installer proposes; after an install with " +
           ToUtf8(kDestinationSwitch) + "PATH it is PATH\\" + ToUtf8(kUninstallerName) + ")\n" +
           "Install behavior\n  System\n"
           "Device restart behavior\n  Determine behavior based on return codes\n";
}

// One registry rule for each name the product registers under. Intune wants every rule
// it is given to match, so with two names the administrator enters the one of the text
// set the installer picks on the devices.
std::string DetectionRules(const InstallerFacts& facts)
{
    std::string text = facts.Entries.size() == 1
                         ? "\nDetection rule (registry)\n"
                         : "\nDetection rules (registry), one for each name the product registers under. Intune wants\n"
                           "every rule it is given to match: enter only the one of the language the installer picks\n"
                           "when Intune runs it as System (the Chinese name where Windows' display language is\n"
                           "Chinese, the English name elsewhere).\n";
    for (const AppsEntry& entry : facts.Entries)
        text += Field("Rule type", "Registry") +
                Field("Key path", kMachineRoot + ToUtf8(UninstallKeyPath(entry.DisplayName))) +
                Field("Value name", "DisplayVersion") + Field("Detection method", "String comparison") +
                Field("Operator", "Equals") + Field("Value", ToUtf8(facts.Value(Setting::Version))) +
                Field("32-bit app on 64-bit clients", "No") + "\n";
    return text;
}

std::string ReturnCodes()
{
    std::string text = "Return codes\n  " + Padded("code", 8) + Padded("type", 14) + "meaning\n";
    for (const ExitCodeRow& row : kExitCodes)
        text += "  " + Padded(std::to_string(row.Code), 8) + Padded(CodeType(row.Code), 14) + row.Meaning + "\n";
    return text;
}

}  // namespace

std::string IntuneText(const InstallerFacts& facts)
{
    return "Intune Win32 app: " + ToUtf8(facts.Value(Setting::DisplayNameEnglish)) + " " +
           ToUtf8(facts.Value(Setting::Version)) + " (" + facts.FileName + ")\n\n" + Commands(facts) +
           DetectionRules(facts) + ReturnCodes();
}

}  // namespace stp::tool
