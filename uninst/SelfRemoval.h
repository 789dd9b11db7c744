// A running program cannot delete its own file. The uninstaller hands that to a copy of
// itself in the temporary folder, which waits for it to end, deletes it and the folders
// that are then empty, and leaves itself to be removed when Windows restarts.
#pragma once

#include <windows.h>

#include <string>

namespace stp {

// The command-line switch of the copy's stage.
inline constexpr wchar_t kCleanupSwitch[] = L"/cleanup";

// Starts the copy for the program at Self (this process); when that cannot be done,
// schedules Self and its folder for removal at restart. FolderAtRestart: files in Self's
// folder are scheduled for restart, so the folder is too when it cannot go now.
// The copy's command line: /cleanup PID FOLDER_AT_RESTART(0|1) "SELF".
// False when the copy could not be started and everything waits for the restart.
bool StartSelfRemoval(const std::u16string& Self, bool FolderAtRestart);

// The copy's stage: waits for process Pid to end, then removes Original (only a file named
// Uninst.exe), its folder when empty and the maker's folder above it when that is empty
// and is the one the installer proposes; what cannot go now goes at restart.
void FinishSelfRemoval(DWORD Pid, bool FolderAtRestart, const std::u16string& Original);

// Deletes File now, or schedules it for restart; false when it had to be scheduled.
bool DeleteNowOrAtRestart(const std::u16string& File);

}  // namespace stp
