#include "sys/Shortcuts.h"

#include <windows.h>
#include <knownfolders.h>
#include <objidl.h>
#include <shlobj.h>

#include "datatable/Text.h"
#include "sys/Handles.h"
#include "sys/OleError.h"
#include "sys/Registry.h"
#include "sys/WideText.h"

namespace stp {

namespace {

const std::u16string kExplorerKey = u"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
const std::u16string kShellFoldersKey = kExplorerKey + u"\\Shell Folders";
const std::u16string kQuickLaunchSuffix = u"\\Microsoft\\Internet Explorer\\Quick Launch";
const std::u16string kAllUsersPrefix = u"Common ";
const std::u16string kUnresolved = u"unable to resolve link";

std::size_t LastDelimiter(const std::u16string& Path) { return Path.find_last_of(u"\\:"); }

// Folder part of a path: up to and including the last "\" or ":"; empty without one.
std::u16string ExtractFilePath(const std::u16string& Path) {
    const std::size_t at = LastDelimiter(Path);
    return at == std::u16string::npos ? std::u16string() : Path.substr(0, at + 1);
}

// File-name part: the text after the last "\" or ":".
std::u16string ExtractFileName(const std::u16string& Path) {
    const std::size_t at = LastDelimiter(Path);
    return at == std::u16string::npos ? Path : Path.substr(at + 1);
}

// An empty AppData stays empty: there is no Quick Launch folder then.
std::u16string QuickLaunchOf(const std::u16string& AppData) {
    return AppData.empty() ? AppData : AppData + kQuickLaunchSuffix;
}

// The "Shell Folders" value read for each location.
const char16_t* const kLocationValues[] = {u"Desktop", u"AppData", u"SendTo", u"Start Menu", u"Startup"};

RegKey OpenFullAccess(HKEY Parent, const std::u16string& Path, bool Create) {
    HKEY raw = nullptr;
    const LSTATUS status = Create ? RegCreateKeyExW(Parent, AsWide(Path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                    KEY_ALL_ACCESS, nullptr, &raw, nullptr)
                                  : RegOpenKeyExW(Parent, AsWide(Path), 0, KEY_ALL_ACCESS, &raw);
    return RegKey(status == ERROR_SUCCESS ? raw : nullptr);
}

// The shell link object through its two interfaces.
struct ShellLink {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
};

std::u16string ClassIdText(REFCLSID id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return FromWide(text, 40);
}

ShellLink CreateShellLinkObject() {
    ComPtr<IUnknown> object;
    const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                             IID_IUnknown, object.PutVoid());
    if (FAILED(created)) {
        throw EOleError(OleErrorMessage(created) + ", ClassID: " + ToUtf8(ClassIdText(CLSID_ShellLink)), created);
    }
    ShellLink shell;
    if (FAILED(object.As(shell.link)) || FAILED(object.As(shell.file)))
        throw EOleError("Interface not supported", E_NOINTERFACE);
    return shell;
}

}  // namespace

std::u16string GetShellFolderPath(std::uint8_t Location) {
    if (Location > slStartup) return {};
    const RegKey explorer = OpenFullAccess(HKEY_CURRENT_USER, kExplorerKey, true);
    if (!explorer) return {};
    const RegKey folders = OpenFullAccess(explorer.get(), u"Shell Folders", false);
    if (!folders) return {};
    const std::u16string path = ReadStringFromKey(folders.get(), kLocationValues[Location]);
    return Location == slQuickLaunch ? QuickLaunchOf(path) : path;
}

std::u16string LinkFileName(const std::u16string& LinkName) {
    const std::size_t dot = LinkName.find_last_of(u".\\:");
    const bool hasExtension = dot != std::u16string::npos && LinkName[dot] == u'.';
    return ExtractFileName((hasExtension ? LinkName.substr(0, dot) : LinkName) + u".lnk");
}

std::u16string ReadShortcutTarget(const std::u16string& LinkFile) {
    ShellLink shell;
    if (FAILED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell.link.PutVoid())) ||
        FAILED(shell.link.As(shell.file)) || FAILED(shell.file->Load(AsWide(LinkFile), STGM_READ)))
        return {};
    wchar_t path[MAX_PATH] = {};
    WIN32_FIND_DATAW found{};
    if (FAILED(shell.link->GetPath(path, MAX_PATH, &found, SLGP_RAWPATH))) return {};
    return FromWide(path, MAX_PATH);
}

std::u16string KnownFolderPath(const GUID& Id) {
    PWSTR path = nullptr;
    std::u16string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(Id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) folder = FromWide(path);
    CoTaskMemFree(path);
    return folder;
}

std::u16string CommonProgramsFolder() { return KnownFolderPath(FOLDERID_CommonPrograms); }

std::u16string CreateKnownFolderShortcut(const GUID& Folder, const std::u16string& TargetPath,
                                         const std::u16string& LinkName) {
    const std::u16string folder = KnownFolderPath(Folder);
    if (folder.empty()) return {};
    const ShellLink shell = CreateShellLinkObject();
    shell.link->SetPath(AsWide(TargetPath));
    shell.link->SetWorkingDirectory(AsWide(ExtractFilePath(TargetPath)));
    CreateDirectoryW(AsWide(folder), nullptr);
    const std::u16string link = folder + u"\\" + LinkFileName(LinkName);
    return SUCCEEDED(shell.file->Save(AsWide(link), FALSE)) ? link : std::u16string();
}

std::u16string CreateCommonProgramsShortcut(const std::u16string& TargetPath, const std::u16string& LinkName) {
    return CreateKnownFolderShortcut(FOLDERID_CommonPrograms, TargetPath, LinkName);
}

std::u16string GetCommonShellFolderPath(std::uint8_t Location) {
    if (Location > slStartup || Location == slQuickLaunch) return {};
    return RegReadStringValue(HKEY_LOCAL_MACHINE, kShellFoldersKey, kAllUsersPrefix + kLocationValues[Location]);
}

void CreateShortcut(const std::u16string& TargetPath, const std::u16string& Arguments, const std::u16string& LinkName,
                    std::uint8_t Location, const std::u16string& SubFolder) {
    const ShellLink shell = CreateShellLinkObject();
    // Left unchecked: a shortcut is a convenience, and the caller goes on without one.
    shell.link->SetPath(AsWide(TargetPath));
    shell.link->SetArguments(AsWide(Arguments));
    shell.link->SetWorkingDirectory(AsWide(ExtractFilePath(TargetPath)));
    const std::u16string folder = GetShellFolderPath(Location);
    if (folder.empty()) return;
    const std::u16string fileName = LinkFileName(LinkName);
    const std::u16string fullPath =
        SubFolder.empty() ? folder + u"\\" + fileName : folder + u"\\" + SubFolder + u"\\" + fileName;
    shell.file->Save(AsWide(fullPath), FALSE);
}

std::u16string ResolveShortcut(const std::u16string& LinkFile, bool Quietly) {
    ShellLink shell;
    OleCheck(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell.link.PutVoid()));
    OleCheck(shell.link.As(shell.file));
    if (FAILED(shell.file->Load(AsWide(LinkFile), STGM_READ))) return kUnresolved;
    // Quietly: the shell's search for a moved target shows no window and gives up soon.
    const DWORD flags = Quietly ? SLR_NOUPDATE | SLR_NO_UI | (1000u << 16) : SLR_NOUPDATE;
    if (FAILED(shell.link->Resolve(Quietly ? nullptr : GetActiveWindow(), flags))) return kUnresolved;
    wchar_t path[MAX_PATH] = {};
    WIN32_FIND_DATAW found{};
    if (FAILED(shell.link->GetPath(path, MAX_PATH, &found, SLGP_UNCPRIORITY))) return kUnresolved;
    return FromWide(path, MAX_PATH);
}

std::u16string FindShortcutFolder(const std::u16string& Name, const std::u16string& FolderName, bool Quietly) {
    std::u16string folders[2];
    if (FolderName == u"QuickLaunch") {
        folders[0] = QuickLaunchOf(RegReadStringValue(HKEY_CURRENT_USER, kShellFoldersKey, u"AppData"));
    } else {
        folders[0] = RegReadStringValue(HKEY_CURRENT_USER, kShellFoldersKey, FolderName);
        folders[1] = RegReadStringValue(HKEY_LOCAL_MACHINE, kShellFoldersKey, kAllUsersPrefix + FolderName);
    }
    std::u16string result;
    for (const std::u16string& folder : folders) {
        if (!result.empty() || folder.empty()) continue;
        const std::u16string candidate = folder + u"\\" + Name + u".lnk";
        const DWORD attributes = GetFileAttributesW(AsWide(candidate));
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            result = ExtractFilePath(ResolveShortcut(candidate, Quietly));
    }
    return result;
}

}  // namespace stp
