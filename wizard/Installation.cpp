#include "wizard/Installation.h"

#include <windows.h>
#include <knownfolders.h>

#include <cstdlib>

#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "product/ProductTable.h"
#include "product/UninstallEntry.h"
#include "sys/PendingDeletes.h"
#include "sys/Registry.h"
#include "sys/Shortcuts.h"
#include "ui/ProductConfig.h"
#include "ui/Resources.h"
#include "ui/Wide.h"
#include "wizard/InstallSteps.h"

namespace stp {

namespace {

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

std::u16string EnvironmentVariable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return FromWide(value);
}

std::u16string Decimal(std::uint32_t value) { return FromUtf8(std::to_string(value)); }

void RegisterShortcut(const std::u16string& link, TSetupLog& log) {
    log.Write(link.empty() ? u"Shortcut: none (no such folder, or it could not be saved)" : u"Shortcut: " + link);
}

void WriteUninstallEntry(const TRegistration& r, TSetupLog& log) {
    const std::u16string exeName = ProductString(Setting::ExeName);
    TUninstallEntry entry{r.Mode, r.SetupDir, exeName, r.DisplayName, ProductString(Setting::Version),
                          ProductString(Setting::WebChinese), ProductString(Setting::WebHome),
                          ProductValue(r.Mode == 0 ? Setting::PublisherChinese : Setting::PublisherEnglish)};
    entry.Full = ProductValue(Setting::UninstallEntry) == u"full";
    entry.Quiet = ProductFlag(Setting::Unattended);
    entry.EstimatedKB = static_cast<std::uint32_t>(std::wcstoul(ToWide(LoadResString(kEstimatedSizeString)).c_str(), nullptr, 10));
    const std::u16string key = UninstallKeyPath(r.DisplayName);
    RegCreateKeyPath(HKEY_LOCAL_MACHINE, key);
    log.Write(u"Registry key: HKEY_LOCAL_MACHINE\\" + key);
    for (const auto& [name, value] : UninstallStrings(entry)) {
        RegWriteStringValue(HKEY_LOCAL_MACHINE, key, name, value);
        log.Write(u"Registry value: " + name + u" = " + value);
    }
    for (const auto& [name, value] : UninstallNumbers(entry)) {
        RegWriteDwordValue(HKEY_LOCAL_MACHINE, key, name, value);
        log.Write(u"Registry value: " + name + u" = " + Decimal(value));
    }
}

}  // namespace

bool IsAcceptedSetupDir(const std::u16string& FolderText, const std::u16string& DriveLetters) {
    if (FolderText.empty() || DriveLetters.find(AsciiUpper(FolderText[0])) == std::u16string::npos) return false;
    return FolderText.size() >= 3 && FolderText.compare(1, 2, u":\\") == 0;
}

std::u16string ProposedSetupDir(const std::u16string& DisplayName, const std::u16string& ExeName) {
    std::u16string folder = FindShortcutFolder(DisplayName, u"QuickLaunch");
    if (folder.empty()) folder = FindShortcutFolder(DisplayName, u"Desktop");
    // An earlier installation that left a shortcut under the same name is proposed again.
    if (!folder.empty()) {
        folder.pop_back();
        return folder;
    }
    return EnvironmentVariable(L"PROGRAMFILES") + u"\\" + ProductValue(Setting::MakerFolder) + u"\\" + ExeName;
}

void UnpackPayload(const std::u16string& SetupDir, const TProgressEvent& Progress, TSetupLog& Log) {
    // Read back through the handle that wrote it: no other program can swap it meanwhile.
    TFile package = WritePayloadFile(SetupDir + u"Setup.stp");
    // Deletions an earlier uninstall left for the restart would hit the files written now.
    CancelPendingDeletes(SetupDir, PackageDestinationFiles(package, std::u16string()));
    ExtractSetupPackage(package, SetupDir, std::u16string(), Progress, GetSystemDir(),
                        [&Log](const std::u16string& file, bool written) {
                            Log.Write((written ? u"File written: " : u"File skipped (a shared file of that name exists): ") + file);
                        });
    Sleep(50);
    // A copy left behind costs only disk space; the installation has succeeded.
    try {
        package.Delete();
    } catch (const std::exception&) {
        Log.Write(u"Setup.stp could not be deleted and stays in " + SetupDir);
    }
}

void RegisterProduct(const TRegistration& Registration, TSetupLog& Log) {
    try {
        const std::u16string program = Registration.SetupDir + ProductString(Setting::ExeName) + u".exe";
        const std::u16string name = Registration.DisplayName;
        if (Registration.DesktopShortcut && Registration.AllUsersDesktop) {
            RegisterShortcut(CreateKnownFolderShortcut(FOLDERID_PublicDesktop, program, name), Log);
        } else if (Registration.DesktopShortcut) {
            CreateShortcut(program, u"", name, slDesktop, u"");
            Log.Write(u"Shortcut: " + GetShellFolderPath(slDesktop) + u"\\" + LinkFileName(name));
        }
        if (Registration.QuickLaunchShortcut) {
            CreateShortcut(program, u"", name, slQuickLaunch, u"");
            Log.Write(u"Shortcut: " + GetShellFolderPath(slQuickLaunch) + u"\\" + LinkFileName(name));
        }
        if (ProductFlag(Setting::StartMenu)) RegisterShortcut(CreateCommonProgramsShortcut(program, name), Log);
        WriteUninstallEntry(Registration, Log);
    } catch (const std::exception& error) {
        Log.Write(u"Registration stopped: " + FromUtf8(error.what()));
    }
}

}  // namespace stp
