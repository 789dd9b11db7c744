// Who may change what an elevated install writes. Administrators run the installed
// program and its uninstaller, so no other account may be able to replace them: folders
// the installer makes outside Program Files get a descriptor that only the system and
// administrators may change, and an existing folder is checked before anything goes in.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace stp {

struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
// A security descriptor the system allocated (self-relative).
using SecurityDescriptor = std::unique_ptr<void, LocalFreer>;

// Owner Administrators; full control for SYSTEM and Administrators, read and execute for
// Users, inherited by what is made below; nothing inherited from above.
SecurityDescriptor ProtectedFolderSecurity();

// What a check looks at: the destination itself (nobody else may add, change or delete
// anything in it) or a folder on the way to it (nobody else may delete, rename or
// re-permission it or what is in it).
enum class TrustRole { Destination, Parent };

// Who else may change the folder or file Object holds (at Path), as an account name;
// empty when only SYSTEM, Administrators, TrustedInstaller and the installing account may.
// For the destination, what it passes on to what is made inside counts too. Raises
// EFileError naming Path when its descriptor cannot be read.
std::u16string UntrustedWriter(HANDLE Object, const std::u16string& Path, TrustRole Role);

// Gives the object held by Object the protected descriptor (a file: the same rights
// without inheritance). Raises EFileError naming Path on failure.
void ResetToProtected(HANDLE Object, const std::u16string& Path, bool IsFolder);

// True when Path is the Program Files folder (either) or below it: folders made there
// take its protected permissions by inheritance.
bool IsBelowProgramFiles(const std::u16string& Path);

// Program Files as the system names it (not as the environment says), without a trailing
// backslash; empty when the system gives none.
std::u16string ProgramFilesFolder();

}  // namespace stp
