// A running program cannot delete its own file. The uninstaller hands that to a copy of
// itself in a new folder of the system's temporary folder that only administrators and
// the system may change, named at random and held open until the copy runs. The copy
// inherits handles, never paths: the uninstaller's process, its file (checked to be the
// running image), the installation folder and the maker's folder above it; it waits for
// the process to end, deletes the file and the folders that are then empty through those
// handles, and leaves itself to be removed when Windows restarts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace stp {

class THeldFolder;

// The command-line switch of the copy's stage.
inline constexpr wchar_t kCleanupSwitch[] = L"/cleanup";

// What the copy is to remove: Destination (the uninstaller's held folder), and Maker,
// the maker's folder above it when that is the one the installer proposes (else null).
// FolderAtRestart: files in the destination wait for the restart, so the folder does too
// when it cannot go now. False when the copy could not be started: the uninstaller and
// its folder then wait for the restart.
bool StartSelfRemoval(const THeldFolder& Destination, const THeldFolder* Maker, bool FolderAtRestart);

// The copy's stage, given the command line's arguments after the switch. Handles that
// were not inherited from an uninstaller (a copy started by hand) are refused: nothing
// is removed, and the result is false.
bool FinishSelfRemoval(int Argc, wchar_t** Argv);

// A name nobody can foresee: 32 hexadecimal digits from the system's random source.
std::u16string UnforeseeableName();

// Schedules Path (a file, or a folder then empty) for deletion at the next restart.
bool DeleteAtRestart(const std::u16string& Path);

}  // namespace stp
