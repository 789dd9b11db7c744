#include "sys/ShortcutRemoval.h"

#include <windows.h>
#include <knownfolders.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "datatable/Text.h"
#include "package/FileSystem.h"
#include "package/HeldTree.h"
#include "sys/Handles.h"
#include "sys/Shortcuts.h"
#include "sys/WideText.h"

namespace stp {

namespace {

std::string ErrorText(DWORD code) { return SystemErrorText(code); }

bool SamePath(const std::u16string& a, const std::u16string& b) {
    return CompareStringOrdinal(AsWide(a), static_cast<int>(a.size()), AsWide(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::u16string FinalPath(HANDLE handle) { return PathOfHandle(reinterpret_cast<std::intptr_t>(handle)); }

// The target a shortcut file's bytes store, as stored; empty when they are no shortcut.
std::u16string TargetOf(const std::vector<BYTE>& bytes) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistStream> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link.As(persist)))
        return {};
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!stream) return {};
    const HRESULT loaded = persist->Load(stream);
    stream->Release();
    wchar_t path[MAX_PATH] = {};
    WIN32_FIND_DATAW found{};
    if (FAILED(loaded) || FAILED(link->GetPath(path, MAX_PATH, &found, SLGP_RAWPATH))) return {};
    return FromWide(path);
}

}  // namespace

std::vector<std::u16string> KnownShortcutFolders() {
    std::vector<std::u16string> folders;
    for (const std::u16string& folder :
         {KnownFolderPath(FOLDERID_Desktop), KnownFolderPath(FOLDERID_RoamingAppData), KnownFolderPath(FOLDERID_PublicDesktop)}) {
        folders.push_back(folder);
    }
    if (!folders[1].empty()) folders[1] += u"\\Microsoft\\Internet Explorer\\Quick Launch";
    folders.push_back(KnownFolderPath(FOLDERID_CommonPrograms));
    std::erase_if(folders, [](const std::u16string& f) { return f.empty(); });
    return folders;
}

TShortcutRemoval RemoveShortcutTo(const std::u16string& LinkFile, const std::u16string& Program, std::string& Cause) {
    // Others may read it meanwhile, never change, delete or rename it.
    const UniqueHandle file = MakeUniqueHandle(
        CreateFileW(AsWide(LinkFile), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return TShortcutRemoval::Absent;
        Cause = ErrorText(error);
        return TShortcutRemoval::Failed;
    }
    // A link (which Wine follows regardless) shows by its attribute or another real place.
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !SamePath(FinalPath(file.get()), LinkFile))
        return TShortcutRemoval::NotOurs;
    // A shortcut is small; anything large is not one of ours.
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > (1u << 20)) return TShortcutRemoval::NotOurs;
    std::vector<BYTE> bytes(info.nFileSizeLow);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
        Cause = ErrorText(GetLastError());
        return TShortcutRemoval::Failed;
    }
    if (!SamePath(TargetOf(bytes), Program)) return TShortcutRemoval::NotOurs;
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
        Cause = ErrorText(GetLastError());
        return TShortcutRemoval::Failed;
    }
    return TShortcutRemoval::Removed;
}

}  // namespace stp
