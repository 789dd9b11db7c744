// Removing the shortcuts an installation made, where a user may have pointed the folders
// anywhere: the known folders, and each shortcut read and deleted through one handle.
// Run on a thread initialised for COM.
#pragma once

#include <string>
#include <vector>

namespace stp {

// The folders a product's shortcuts may be in: the user's desktop, the user's Quick
// Launch, the all users' desktop and Start menu Programs folder; a folder the system
// does not know is left out.
std::vector<std::u16string> KnownShortcutFolders();

enum class TShortcutRemoval {
    Removed,
    Absent,   // no such file
    NotOurs,  // a link, a folder, or a shortcut that leads elsewhere: kept
    Failed,   // could not be read or deleted: Cause says why
};

// Removes LinkFile when it is a shortcut file leading to Program. Its folder is a known
// folder, where the user chose to keep it: opened once, a link at it or on the way to it
// followed (THeldFolder::OpenKnownRoot); the file is opened relative to it without
// following a link, read and deleted through that one handle.
TShortcutRemoval RemoveShortcutTo(const std::u16string& LinkFile, const std::u16string& Program, std::string& Cause);

}  // namespace stp
