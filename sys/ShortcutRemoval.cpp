#include "sys/ShortcutRemoval.h"

#include <windows.h>
#include <knownfolders.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "datatable/Errors.h"
#include "datatable/Text.h"
#include "package/HeldTree.h"
#include "sys/Handles.h"
#include "sys/Shortcuts.h"
#include "sys/WideText.h"

namespace stp {

namespace {

bool SamePath(const std::u16string& a, const std::u16string& b) {
    return CompareStringOrdinal(AsWide(a), static_cast<int>(a.size()), AsWide(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// A shortcut is small; anything larger is not one of ours.
constexpr std::size_t kLongestShortcut = 1 << 20;

// The target a shortcut file's bytes store, as stored; empty when they are no shortcut.
std::u16string TargetOf(const std::string& bytes) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistStream> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link.As(persist)))
        return {};
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
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
    for (const std::u16string& folder : {KnownFolderPath(FOLDERID_Desktop), KnownFolderPath(FOLDERID_RoamingAppData),
                                         KnownFolderPath(FOLDERID_PublicDesktop)}) {
        folders.push_back(folder);
    }
    if (!folders[1].empty()) folders[1] += u"\\Microsoft\\Internet Explorer\\Quick Launch";
    folders.push_back(KnownFolderPath(FOLDERID_CommonPrograms));
    std::erase_if(folders, [](const std::u16string& f) { return f.empty(); });
    return folders;
}

TShortcutRemoval RemoveShortcutTo(const std::u16string& LinkFile, const std::u16string& Program, std::string& Cause) {
    const std::size_t slash = LinkFile.find_last_of(u'\\');
    if (slash == std::u16string::npos) {
        Cause = "it names no folder";
        return TShortcutRemoval::Failed;
    }
    // The known folder where the user put it, a link there followed; the shortcut in it
    // opened through it and never through a link.
    std::unique_ptr<THeldFolder> folder;
    switch (THeldFolder::OpenKnownRoot(LinkFile.substr(0, slash), folder, Cause)) {
    case THeldState::Open: break;
    case THeldState::Missing: return TShortcutRemoval::Absent;
    case THeldState::Failed: return TShortcutRemoval::Failed;
    default: return TShortcutRemoval::NotOurs;  // no folder there
    }
    std::unique_ptr<THeldFile> file;
    switch (folder->OpenFile(LinkFile.substr(slash + 1), file, Cause)) {
    case THeldState::Open: break;
    case THeldState::Missing: return TShortcutRemoval::Absent;
    case THeldState::InUse: Cause = "another program has it open"; return TShortcutRemoval::Failed;
    case THeldState::Failed: return TShortcutRemoval::Failed;
    default: return TShortcutRemoval::NotOurs;  // a link or a folder at its name
    }
    // Read and deleted through the one handle, which lets others read it meanwhile, never
    // change, delete or rename it.
    try {
        if (file->Stamp().Size > static_cast<std::int64_t>(kLongestShortcut) ||
            !SamePath(TargetOf(file->ReadAll(kLongestShortcut)), Program))
            return TShortcutRemoval::NotOurs;
        if (file->Delete()) return TShortcutRemoval::Removed;
        Cause = "the system refuses to delete it now";
    } catch (const EFileError& error) {
        Cause = error.what();
    }
    return TShortcutRemoval::Failed;
}

}  // namespace stp
