// A folder tree walked through open handles, for removing what an installation made
// while other programs may change the tree under it. A folder is opened relative to the
// folder above it and never through a link; a file is checked and deleted through the
// one handle that opened it, never looked up by name a second time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/FileList.h"

namespace stp {

// What stood at a name when it was opened.
enum class THeldState {
    Open,        // the expected kind, held
    Missing,     // nothing there (or a folder on the way is missing)
    Link,        // a link or junction, not followed
    WrongKind,   // a folder where a file was expected, or the reverse
    InUse,       // another program holds it without sharing
    Failed,      // any other error: Cause says which
    HardLinked,  // a file with more than one name: writing it would write the others
};

class THeldFile;
class TFile;

// An open folder of the tree. Its Path is where it really is.
class THeldFolder {
public:
    // The folder at Path, which must be reached through no link at all. Raises EFileError
    // naming the folder otherwise.
    static THeldFolder OpenRoot(const std::u16string& Path);
    // The same for writing below it (a drive root too): held without the right to delete
    // it, with the right to read and change its permissions where it is granted.
    static THeldFolder OpenRootToWrite(const std::u16string& Path);

    THeldFolder(THeldFolder&&) noexcept;
    THeldFolder& operator=(THeldFolder&&) noexcept;
    ~THeldFolder();

    const std::u16string& Path() const { return path_; }
    // The path Name (one component) in this folder has.
    std::u16string PathOf(std::u16string_view Name) const;

    // The folder or file Name (one component) in this folder.
    THeldState OpenFolder(std::u16string_view Name, std::unique_ptr<THeldFolder>& Folder, std::string& Cause) const;
    THeldState OpenFile(std::u16string_view Name, std::unique_ptr<THeldFile>& File, std::string& Cause) const;

    // The folder Name here, made when it is missing (with Security, a Windows security
    // descriptor, or inheriting when null) or opened when it is there; never through a
    // link. Created says which.
    THeldState MakeFolder(std::u16string_view Name, std::unique_ptr<THeldFolder>& Folder, std::string& Cause,
                          const void* Security, bool& Created) const;
    // The file Name here, for writing and reading back: made when it is missing, or the
    // plain file there opened and emptied. A link at the name (Link), a file with another
    // name too (HardLinked) or a folder (WrongKind) is refused before anything changes.
    // Fresh: an existing file is deleted and the file made anew, so nothing of the earlier
    // one (its permissions, its other openers) carries over. Others may read it while it
    // is open, Shared, but never write, delete or rename it.
    THeldState WriteFile(std::u16string_view Name, std::unique_ptr<TFile>& File, std::string& Cause, bool& Created,
                         bool Fresh = false, bool Shared = false) const;

    // The names of what is in this folder (without "." and ".."), read through its handle,
    // each with whether it is a folder (a link is none: it is never entered). At most
    // Limit of them. Raises EFileError naming the folder when it cannot be read.
    struct TEntry {
        std::u16string Name;
        bool Folder = false;
    };
    std::vector<TEntry> Entries(std::size_t Limit) const;

    // Removes this folder when it is empty; false, and nothing done, when it is not.
    // Raises EFileError for any other failure.
    bool RemoveIfEmpty();
    // Held without the right to delete it: another program has it open without sharing
    // that (as a program's current folder is). What is in it can go; it cannot now.
    bool InUse() const { return inUse_; }

    // The native handle (a HANDLE on Windows, a descriptor elsewhere), for passing on.
    std::intptr_t Native() const { return handle_; }

private:
    friend class THeldFile;
    THeldFolder(std::intptr_t handle, std::u16string path, std::intptr_t parent, std::u16string name);
    static THeldFolder OpenRootWith(const std::u16string& Path, bool ToRemove);
    void Close();

    std::intptr_t handle_;
    std::u16string path_;
    // Where this folder sits, for removing it elsewhere than Windows (which removes
    // through the handle itself).
    std::intptr_t parent_;
    std::u16string name_;
    bool inUse_ = false;

public:
    // The known folder at Path (a desktop, the Start menu, Quick Launch): the user's or
    // the system's choice of place, so a link at it, or on the way to it, is followed as
    // it is opened; nothing below it is. Held without the right to delete it. Missing,
    // WrongKind (no folder there) or Failed (Cause says why) when it cannot be held.
    static THeldState OpenKnownRoot(const std::u16string& Path, std::unique_ptr<THeldFolder>& Folder,
                                    std::string& Cause);
};

// An open file of the tree: no other program may write, delete or rename it while it is
// held, so what was checked is what is deleted.
class THeldFile {
public:
    THeldFile(THeldFile&&) = delete;
    ~THeldFile();

    const std::u16string& Path() const { return path_; }

    // Its size and Adler-32, read through the handle.
    TFileStamp Stamp();

    // Its bytes, read through the handle; raises EFileError for a file longer than Limit
    // or one that cannot be read.
    std::string ReadAll(std::size_t Limit);

    // Deletes it (read-only or not); false when the system refuses because it is in use
    // (a running program's image); raises EFileError for any other failure.
    bool Delete();

    // Renames it to NewName in Folder (the folder it was opened in) through the handle;
    // the new path, or empty when that cannot be done.
    std::u16string RenameTo(const THeldFolder& Folder, const std::u16string& NewName);

private:
    friend class THeldFolder;
    THeldFile(std::intptr_t handle, std::u16string path, std::intptr_t parent, std::u16string name);

    std::intptr_t handle_;
    std::u16string path_;
    std::intptr_t parent_;
    std::u16string name_;
};

#ifdef _WIN32
// For handles another process passed on (the uninstaller's last step): the file or empty
// folder deleted through Handle, false when that cannot be done now (in use, not empty);
// where it really is; a file renamed to NewName in Folder, its new path or empty.
bool DeleteThroughHandle(std::intptr_t Handle);
std::u16string PathOfHandle(std::intptr_t Handle);
std::u16string RenameThroughHandle(std::intptr_t File, std::intptr_t Folder, const std::u16string& NewName);
#endif

}  // namespace stp
