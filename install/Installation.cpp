#include "install/Installation.h"

#include <windows.h>
#include <knownfolders.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "datatable/Convert.h"
#include "datatable/Text.h"
#include "package/FileList.h"
#include "package/FileSystem.h"
#include "product/ProductTable.h"
#include "product/UninstallEntry.h"
#include "sys/PendingDeletes.h"
#include "sys/Registry.h"
#include "sys/Shortcuts.h"
#include "sys/WideText.h"
#include "ui/ProductConfig.h"
#include "ui/Resources.h"
#include "ui/Wide.h"
#include "install/Destination.h"
#include "install/InstallSteps.h"
#include "pe/ResourceLookup.h"
#include "sys/FolderSecurity.h"

namespace stp {

namespace {

// An earlier uninstaller is read whole as data; ours are far smaller.
constexpr std::size_t kMaxUninstallerBytes = 64 << 20;

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

std::u16string Decimal(std::uint32_t value) { return FromUtf8(std::to_string(value)); }

void RegisterShortcut(const std::u16string& link, TSetupLog& log) {
    log.Write(link.empty() ? u"Shortcut: none (no such folder, or it could not be saved)" : u"Shortcut: " + link);
}

// True when every value was written; each is logged as it went.
bool WriteUninstallEntry(const TRegistration& r, TSetupLog& log) {
    const std::u16string exeName = ProductString(Setting::ExeName);
    TUninstallEntry entry{r.Mode,
                          r.SetupDir,
                          exeName,
                          r.DisplayName,
                          ProductString(Setting::Version),
                          ProductString(Setting::WebChinese),
                          ProductString(Setting::WebHome),
                          ProductValue(r.Mode == 0 ? Setting::PublisherChinese : Setting::PublisherEnglish)};
    entry.Full = ProductValue(Setting::UninstallEntry) == u"full";
    entry.Quiet = ProductFlag(Setting::Unattended);
    entry.EstimatedKB =
        static_cast<std::uint32_t>(std::wcstoul(ToWide(LoadResString(kEstimatedSizeString)).c_str(), nullptr, 10));
    const std::u16string key = UninstallKeyPath(r.DisplayName);
    bool complete = RegCreateKeyPath(HKEY_LOCAL_MACHINE, key);
    log.Write(u"Registry key: HKEY_LOCAL_MACHINE\\" + key + (complete ? u"" : u" (could not be made)"));
    auto logged = [&](const std::u16string& name, const std::u16string& value, bool written) {
        log.Write(u"Registry value: " + name + u" = " + value + (written ? u"" : u" (could not be written)"));
        complete = complete && written;
    };
    for (const auto& [name, value] : UninstallStrings(entry))
        logged(name, value, RegWriteStringValue(HKEY_LOCAL_MACHINE, key, name, value));
    for (const auto& [name, value] : UninstallNumbers(entry))
        logged(name, Decimal(value), RegWriteDwordValue(HKEY_LOCAL_MACHINE, key, name, value));
    return complete;
}

// The link of a desktop or Quick Launch shortcut, as CreateShortcut names it; empty when
// it was not saved.
std::u16string UserShortcut(const std::u16string& program, const std::u16string& name, std::uint8_t location) {
    CreateShortcut(program, u"", name, location, u"");
    const std::u16string folder = GetShellFolderPath(location);
    const std::u16string link = folder + u"\\" + LinkFileName(name);
    return !folder.empty() && GetFileAttributesW(ToWide(link).c_str()) != INVALID_FILE_ATTRIBUTES ? link
                                                                                                  : std::u16string();
}

// The plain file Name of the destination read whole through one handle: nothing when
// nothing is there; raises EFileError when something else stands there or it is longer
// than Limit.
std::optional<std::string> ReadHeld(const THeldFolder& folder, std::u16string_view name, std::size_t limit) {
    std::unique_ptr<THeldFile> file;
    std::string cause;
    switch (folder.OpenFile(name, file, cause)) {
    case THeldState::Open: return file->ReadAll(limit);
    case THeldState::Missing: return std::nullopt;
    case THeldState::Failed: throw EFileError("cannot open '" + ToUtf8(folder.PathOf(name)) + "': " + cause);
    default: throw EFileError("'" + ToUtf8(folder.PathOf(name)) + "' is not a plain file of the installation");
    }
}

// The file list an earlier uninstaller of ours in the destination carries, read from its
// resources as data (it is never run), and the list of what versions before it left
// (Uninst.lst); none for a file that is not ours or cannot be read, which stays as it is.
std::vector<TFileListRow> EarlierRows(const TDestination& destination, TSetupLog& log) {
    std::vector<TFileListRow> rows;
    const THeldFolder& folder = destination.Folder();
    const std::u16string uninstaller = folder.PathOf(kUninstallerName);
    try {
        const std::optional<std::string> image = ReadHeld(folder, kUninstallerName, kMaxUninstallerBytes);
        if (!image) return rows;
        const std::optional<std::string> list =
            pe::FindImageResource(*image, pe::ResourceId::Named(kStpResourceType),
                                  pe::ResourceId::Named(kFileListResource), kMaxEarlierListBytes);
        if (!list) {
            log.Write(u"The earlier " + uninstaller + u" is not ours; it is replaced and its files are not listed.");
            return rows;
        }
        rows = ReadFileList(*list);
        if (const std::optional<std::string> text = ReadHeld(folder, kEarlierListName, kMaxEarlierListBytes))
            for (TFileListRow& row : ReadFileList(*text)) rows.push_back(std::move(row));
    } catch (const std::exception& error) {
        log.Write(u"The file list of the earlier " + uninstaller + u" cannot be read (" + FromUtf8(error.what()) +
                  u"); its files are not listed.");
        rows.clear();
    }
    return rows;
}

// Writes what earlier versions left and this one does not write beside the new
// uninstaller, which removes it too; an older such list with nothing left goes.
void KeepEarlierRows(TDestination& destination, const std::vector<TFileListRow>& left, TSetupLog& log) {
    if (left.empty()) {
        std::unique_ptr<THeldFile> list;
        std::string cause;
        if (destination.Folder().OpenFile(kEarlierListName, list, cause) == THeldState::Open) list->Delete();
        return;
    }
    try {
        const std::string text = WriteFileList(left);
        TFile file = destination.MakeFile(u"", kEarlierListName);
        file.Write(text.data(), text.size());
        file.Close();
    } catch (const std::exception& error) {
        // The installation stands; only the earlier files will outlive its uninstall.
        log.Write(u"The list of what earlier versions left cannot be written: " + FromUtf8(error.what()));
        return;
    }
    for (const TFileListRow& row : left)
        log.Write(u"Left by an earlier version, for the uninstaller: " + (row.Root ? u"" : row.Folder) + row.Name);
}

// The files below Folder, relative to the destination, read through held handles: links
// are named, never entered, and a tree too deep or too large is cut short.
void ListFiles(const THeldFolder& folder, const std::u16string& below, int depth, std::vector<std::u16string>& files) {
    for (const THeldFolder::TEntry& entry : folder.Entries(10000 - files.size())) {
        std::unique_ptr<THeldFolder> inside;
        std::string cause;
        if (entry.Folder && depth < 32 && folder.OpenFolder(entry.Name, inside, cause) == THeldState::Open)
            ListFiles(*inside, below + entry.Name + u"\\", depth + 1, files);
        else if (!entry.Folder)
            files.push_back(below + entry.Name);
        if (files.size() >= 10000) return;
    }
}

// A folder taken over from other accounts may hold what they put there: the log names
// every file the package did not write, for the administrator to look at.
void LogForeignFiles(const TDestination& destination, const std::vector<std::u16string>& written, TSetupLog& log) {
    const std::u16string& setupDir = destination.SetupDir();
    std::vector<std::u16string> files;
    try {
        ListFiles(destination.Folder(), u"", 0, files);
    } catch (const std::exception& error) {
        log.Write(u"What else the folder taken over holds cannot be read: " + FromUtf8(error.what()));
    }
    for (const std::u16string& file : files) {
        const bool ours = EqualsIgnoringAsciiCase(file, u"Setup.stp") ||
                          EqualsIgnoringAsciiCase(file, kEarlierListName) ||
                          std::any_of(written.begin(), written.end(),
                                      [&](const std::u16string& path) { return EqualsIgnoringAsciiCase(path, file); });
        if (!ours) log.Write(u"Not of this package, in the folder taken over: " + setupDir + file);
    }
}

std::u16string WithBackslash(std::u16string path) {
    if (!path.empty() && path.back() != u'\\') path += u'\\';
    return path;
}

}  // namespace

bool IsAcceptedSetupDir(const std::u16string& FolderText, const std::u16string& DriveLetters) {
    if (FolderText.empty() || DriveLetters.find(AsciiUpper(FolderText[0])) == std::u16string::npos) return false;
    return FolderText.size() >= 3 && FolderText.compare(1, 2, u":\\") == 0;
}

std::u16string ProposedSetupDir(const std::u16string& DisplayName, const std::u16string& ExeName, bool Quietly) {
    std::u16string folder = FindShortcutFolder(DisplayName, u"QuickLaunch", Quietly);
    if (folder.empty()) folder = FindShortcutFolder(DisplayName, u"Desktop", Quietly);
    // An earlier installation that left a shortcut under the same name is proposed again;
    // without a person to see it, only where no user may have put that shortcut's target.
    if (!folder.empty() && (!Quietly || IsBelowProgramFiles(folder))) {
        folder.pop_back();
        return folder;
    }
    return ProgramFilesFolder() + u"\\" + ProductValue(Setting::MakerFolder) + u"\\" + ExeName;
}

bool IsEarlierInstallation(const std::u16string& DisplayName, const std::u16string& SetupDir) {
    std::u16string named;
    try {
        named = UninstallerPathOf(
            RegReadStringValue(HKEY_LOCAL_MACHINE, UninstallKeyPath(DisplayName), kUninstallStringValue));
    } catch (const std::exception&) {
        return false;  // an entry that cannot be read names no installation
    }
    const std::size_t slash = named.rfind(u'\\');
    if (slash == std::u16string::npos || !EqualsIgnoringAsciiCase(named.substr(slash + 1), kUninstallerName))
        return false;
    const std::u16string folder = named.substr(0, slash + 1);
    const std::u16string asked = WithBackslash(SetupDir);
    return CompareStringOrdinal(AsWide(folder), -1, AsWide(asked), -1, TRUE) == CSTR_EQUAL;
}

void UnpackPayload(TDestination& Destination, const TProgressEvent& Progress, TSetupLog& Log) {
    const std::u16string& setupDir = Destination.SetupDir();
    // Made anew and read back through the handle that wrote it: no other program can
    // swap it meanwhile, and no earlier file or link at its name is written through.
    TFile package = Destination.MakeFresh(u"Setup.stp");
    WritePayload(package);
    const std::vector<std::u16string> written = PackageDestinationFiles(package, std::u16string());
    // Deletions an earlier uninstall left for the restart would hit the files written now.
    CancelPendingDeletes(setupDir, written);
    // What an earlier version installed here, read before its uninstaller is replaced.
    const bool carriesUninstaller = std::any_of(written.begin(), written.end(), [](const std::u16string& path) {
        return EqualsIgnoringAsciiCase(path, kUninstallerName);
    });
    const std::vector<TFileListRow> earlier =
        carriesUninstaller ? EarlierRows(Destination, Log) : std::vector<TFileListRow>();
    ExtractSetupPackage(
        package, setupDir,
        [&Destination](const std::u16string& folder, std::u16string_view name) {
            return Destination.MakeFile(folder, name);
        },
        std::u16string(), Progress, GetSystemDir(),
        [&Log](const std::u16string& file, bool written) {
            Log.Write((written ? u"File written: " : u"File skipped (a shared file of that name exists): ") + file);
        });
    if (carriesUninstaller) KeepEarlierRows(Destination, RowsLeftBehind(earlier, written), Log);
    if (Destination.TakenOver()) LogForeignFiles(Destination, written, Log);
    Sleep(50);
    // A copy left behind costs only disk space; the installation has succeeded.
    try {
        package.Delete();
    } catch (const std::exception&) {
        Log.Write(u"Setup.stp could not be deleted and stays in " + setupDir);
    }
}

bool RegisterProduct(const TRegistration& Registration, TSetupLog& Log) {
    try {
        const std::u16string program = Registration.SetupDir + ProductString(Setting::ExeName) + u".exe";
        const std::u16string name = Registration.DisplayName;
        if (Registration.DesktopShortcut && Registration.AllUsersDesktop)
            RegisterShortcut(CreateKnownFolderShortcut(FOLDERID_PublicDesktop, program, name), Log);
        else if (Registration.DesktopShortcut)
            RegisterShortcut(UserShortcut(program, name, slDesktop), Log);
        if (Registration.QuickLaunchShortcut) RegisterShortcut(UserShortcut(program, name, slQuickLaunch), Log);
        if (ProductFlag(Setting::StartMenu)) RegisterShortcut(CreateCommonProgramsShortcut(program, name), Log);
        return WriteUninstallEntry(Registration, Log);
    } catch (const std::exception& error) {
        Log.Write(u"Registration stopped: " + FromUtf8(error.what()));
        return false;
    }
}

}  // namespace stp
