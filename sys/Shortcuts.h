// Shell shortcut files (".lnk") and the user's special folders, as the Explorer
// "Shell Folders" registry values name them. Run on a thread initialised for COM.
#pragma once

#include <guiddef.h>

#include <cstdint>
#include <string>

namespace stp {

// Location indexes of GetShellFolderPath and CreateShortcut.
enum : std::uint8_t {
    slDesktop = 0,
    slQuickLaunch = 1,
    slSendTo = 2,
    slStartMenu = 3,
    slStartup = 4,
};

// The folder of Location as the registry stores it; empty when the value is missing or
// empty, or Location names no folder. Raises ERegistryError for a non-string value.
std::u16string GetShellFolderPath(std::uint8_t Location);

// Writes a shortcut to TargetPath (with Arguments, working directory the target's
// folder) named after LinkName with the extension ".lnk", into the folder of Location,
// or into its existing SubFolder. Nothing is written when the folder is unknown; a
// failing save goes unreported. Raises EOleError when the shell link object cannot be
// made.
void CreateShortcut(const std::u16string& TargetPath, const std::u16string& Arguments, const std::u16string& LinkName,
                    std::uint8_t Location, const std::u16string& SubFolder);

// Writes a shortcut to TargetPath named after LinkName (as CreateShortcut names it) into
// the known folder Folder (a KNOWNFOLDERID), made when missing; the link's path, or empty
// when the system names no such folder or the link cannot be saved. Raises EOleError
// when the shell link object cannot be made.
std::u16string CreateKnownFolderShortcut(const GUID& Folder, const std::u16string& TargetPath,
                                         const std::u16string& LinkName);

// The same into the all users' Start menu Programs folder.
std::u16string CreateCommonProgramsShortcut(const std::u16string& TargetPath, const std::u16string& LinkName);

// The all users' Start menu Programs folder; empty when the system names none.
std::u16string CommonProgramsFolder();

// The known folder Id (a KNOWNFOLDERID) as the system names it, not checked to exist;
// empty when it names none.
std::u16string KnownFolderPath(const GUID& Id);

// The all users' folder of Location (its "Common" value on the machine); empty when the
// machine names none. Quick Launch has none.
std::u16string GetCommonShellFolderPath(std::uint8_t Location);

// The file name CreateShortcut gives a link named LinkName: its extension replaced by
// ".lnk" ("Foo 2.0" makes "Foo 2.lnk").
std::u16string LinkFileName(const std::u16string& LinkName);

// The target path LinkFile stores, as stored: nothing is searched for and no window is
// shown when the target is gone. Empty when the link cannot be read.
std::u16string ReadShortcutTarget(const std::u16string& LinkFile);

// The target path stored in LinkFile, or "unable to resolve link". Quietly: no window is
// shown while a moved target is searched for (an install without a person).
std::u16string ResolveShortcut(const std::u16string& LinkFile, bool Quietly = false);

// The folder (with its trailing backslash) of the target of Name + ".lnk" on Quick
// Launch (FolderName "QuickLaunch") or in the user's, then the all users', shell folder
// FolderName; empty when no shortcut is found or resolves.
std::u16string FindShortcutFolder(const std::u16string& Name, const std::u16string& FolderName, bool Quietly = false);

}  // namespace stp
