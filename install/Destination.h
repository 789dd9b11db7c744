// The destination folder of an install that runs as administrator, in a place a user may
// have prepared. It is opened once, from its drive down, every folder on the way made or
// opened relative to the one above without following a link; everything the install
// writes there goes through it, so no name is looked up twice and no link a user plants
// can send a write elsewhere.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "datatable/Errors.h"
#include "package/FileSystem.h"
#include "package/HeldTree.h"

namespace stp {

// A destination the install refuses by its rules: reached through a link, or changeable
// by other accounts.
class ERefusedFolder : public EFileError {
public:
    using EFileError::EFileError;
};

// A folder that another account may change: the destination itself (which the installer
// may take over) or a folder on the way to it (which it never changes).
class EUntrustedFolder : public ERefusedFolder {
public:
    EUntrustedFolder(std::u16string folder, std::u16string account, bool isDestination);
    const std::u16string Folder;
    const std::u16string Account;
    const bool IsDestination;
};

class TDestination {
public:
    // SetupDir: a full path ending with "\" that Windows reads as written. Makes what is
    // missing (outside Program Files with the protected descriptor) and checks what is
    // there. TakeOver: a destination another account may change is given the protected
    // descriptor instead of refused. Raises EUntrustedFolder, or EFileError when a folder
    // cannot be made, is a file or is reached through a link.
    static TDestination Open(const std::u16string& SetupDir, bool TakeOver);

    TDestination(TDestination&&) noexcept = default;
    TDestination& operator=(TDestination&&) noexcept = default;

    // As asked, ending with "\".
    const std::u16string& SetupDir() const { return setupDir_; }
    const THeldFolder& Folder() const { return *folder_; }
    // Whether the destination was taken over from another account.
    bool TakenOver() const { return takenOver_; }

    // The file Name in the destination's folder Below ("" or "sub\", made as
    // needed), made or emptied for writing. An existing file that another account may
    // change gets the protected descriptor first. Raises EFileError naming the file when a
    // link, a second name or a folder stands there, or it cannot be written.
    TFile MakeFile(const std::u16string& Below, std::u16string_view Name);
    // The file Name in the destination made anew (an earlier file of that name deleted
    // first), for writing and reading back; others may read it meanwhile.
    TFile MakeFresh(std::u16string_view Name);

private:
    TDestination(std::u16string setupDir, std::unique_ptr<THeldFolder> folder, bool takeOver, bool takenOver)
        : setupDir_(std::move(setupDir)), folder_(std::move(folder)), takeOver_(takeOver), takenOver_(takenOver) {}
    const THeldFolder& Subfolder(const std::u16string& Below);
    TFile Written(const THeldFolder& Folder, std::u16string_view Name, bool Fresh);

    std::u16string setupDir_;
    std::unique_ptr<THeldFolder> folder_;
    // The folders below it already held, by their path below it in lower case.
    std::map<std::u16string, std::unique_ptr<THeldFolder>> subfolders_;
    bool takeOver_ = false;
    bool takenOver_ = false;
};

}  // namespace stp
