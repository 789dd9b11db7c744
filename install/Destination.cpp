#include "install/Destination.h"

#include <windows.h>

#include <vector>

#include "datatable/Text.h"
#include "sys/FolderSecurity.h"
#include "sys/WideText.h"

namespace stp {

namespace {

std::string Quoted(const std::u16string& path) { return "'" + ToUtf8(path) + "'"; }

std::vector<std::u16string> Components(std::u16string_view path) {
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) end = path.size();
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::u16string Lower(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    return text;
}

HANDLE H(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// What stood at a folder's name, as the message that refuses it.
[[noreturn]] void RefuseFolder(THeldState state, const std::u16string& path, const std::string& cause) {
    switch (state) {
    case THeldState::Link: throw ERefusedFolder("the folder " + Quoted(path) + " is reached through a link");
    case THeldState::WrongKind: throw EFileError("cannot make the folder " + Quoted(path) + ": a file has its name");
    case THeldState::InUse:
        throw EFileError("cannot make the folder " + Quoted(path) + ": " + SystemErrorText(ERROR_SHARING_VIOLATION));
    case THeldState::Missing:
        throw EFileError("cannot make the folder " + Quoted(path) + ": the folder above it is gone");
    default: throw EFileError("cannot make the folder " + Quoted(path) + ": " + cause);
    }
}

// The next folder down, made when missing: Security for one made here, null to inherit.
std::unique_ptr<THeldFolder> Descend(const THeldFolder& folder, const std::u16string& name, const void* security,
                                     bool& created) {
    std::unique_ptr<THeldFolder> next;
    std::string cause;
    const THeldState state = folder.MakeFolder(name, next, cause, security, created);
    if (state != THeldState::Open) RefuseFolder(state, folder.PathOf(name), cause);
    return next;
}

// Who else may change the held folder, by the destination's rules.
std::u16string OthersOf(const THeldFolder& folder, TrustRole role) {
    return UntrustedWriter(H(folder.Native()), folder.Path(), role);
}

}  // namespace

EUntrustedFolder::EUntrustedFolder(std::u16string folder, std::u16string account, bool isDestination)
    : ERefusedFolder("other accounts than the administrators' may change the folder " + Quoted(folder) + " (" +
                     ToUtf8(account) + ")"),
      Folder(std::move(folder)), Account(std::move(account)), IsDestination(isDestination) {}

TDestination TDestination::Open(const std::u16string& SetupDir, bool TakeOver) {
    const std::vector<std::u16string> parts = Components(SetupDir.size() > 3 ? SetupDir.substr(3) : std::u16string());
    // Every user may add to a drive's root, and it is no one's to take over.
    if (parts.empty())
        throw ERefusedFolder("the root of a drive, " + Quoted(SetupDir) + ", cannot hold an installation");
    // A drive that keeps no permissions (FAT) lets every user replace what is installed.
    DWORD flags = 0;
    const std::u16string drive = SetupDir.substr(0, 3);
    if (GetVolumeInformationW(AsWide(drive), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        !(flags & FILE_PERSISTENT_ACLS))
        throw ERefusedFolder("the drive " + Quoted(drive) + " keeps no permissions: any user could change " +
                             Quoted(SetupDir));
    auto folder = std::make_unique<THeldFolder>(THeldFolder::OpenRootToWrite(drive));
    const SecurityDescriptor protectedSecurity = ProtectedFolderSecurity();
    bool takenOver = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        // Below Program Files a new folder inherits its protection; elsewhere (a drive's
        // root grants every user the right to make folders) it gets its own.
        const void* security = IsBelowProgramFiles(folder->Path()) ? nullptr : protectedSecurity.get();
        bool created = false;
        std::unique_ptr<THeldFolder> next = Descend(*folder, parts[i], security, created);
        const std::u16string account = OthersOf(*next, last || created ? TrustRole::Destination : TrustRole::Parent);
        if (!account.empty()) {
            // One made here by inheritance from a parent that passes on more than it
            // allows itself is protected as any other it makes.
            if (!created && (!last || !TakeOver)) throw EUntrustedFolder(next->Path(), account, last);
            ResetToProtected(H(next->Native()), next->Path(), true);
            takenOver = takenOver || !created;
        }
        folder = std::move(next);
    }
    return TDestination(SetupDir, std::move(folder), TakeOver, takenOver);
}

const THeldFolder& TDestination::Subfolder(const std::u16string& Below) {
    const THeldFolder* folder = folder_.get();
    std::u16string key;  // the path below the destination so far, lower-cased
    for (const std::u16string& name : Components(Below)) {
        key += Lower(name) + u"\\";
        auto found = subfolders_.find(key);
        if (found == subfolders_.end()) {
            bool created = false;
            std::unique_ptr<THeldFolder> held = Descend(*folder, name, nullptr, created);
            const std::u16string account = OthersOf(*held, TrustRole::Destination);
            if (!account.empty()) {
                if (!created && !takeOver_) throw EUntrustedFolder(held->Path(), account, false);
                ResetToProtected(H(held->Native()), held->Path(), true);
            }
            // Kept only once checked: a later file of the same folder finds it ready.
            found = subfolders_.emplace(key, std::move(held)).first;
        }
        folder = found->second.get();
    }
    return *folder;
}

TFile TDestination::Written(const THeldFolder& Folder, std::u16string_view Name, bool Fresh) {
    std::unique_ptr<TFile> file;
    std::string cause;
    bool created = false;
    const std::u16string path = Folder.PathOf(Name);
    switch (Folder.WriteFile(Name, file, cause, created, Fresh, Fresh)) {
    case THeldState::Open: break;
    case THeldState::Link: throw EFileError("cannot create " + Quoted(path) + ": a link stands at its name");
    case THeldState::HardLinked:
        throw EFileError("cannot create " + Quoted(path) + ": the file there has another name too (a hard link)");
    case THeldState::WrongKind: throw EFileError("cannot create " + Quoted(path) + ": a folder has its name");
    case THeldState::InUse:
        throw EFileError("cannot create " + Quoted(path) + ": " + SystemErrorText(ERROR_SHARING_VIOLATION));
    case THeldState::Missing: throw EFileError("cannot create " + Quoted(path) + ": its folder is gone");
    default: throw EFileError("cannot create " + Quoted(path) + ": " + cause);
    }
    // An earlier file keeps its own permissions: another account's rights on it go.
    if (!created && !UntrustedWriter(H(file->Native()), path, TrustRole::Destination).empty())
        ResetToProtected(H(file->Native()), path, false);
    return std::move(*file);
}

TFile TDestination::MakeFile(const std::u16string& Below, std::u16string_view Name) {
    return Written(Subfolder(Below), Name, false);
}

TFile TDestination::MakeFresh(std::u16string_view Name) { return Written(*folder_, Name, true); }

}  // namespace stp
