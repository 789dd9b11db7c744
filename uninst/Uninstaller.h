// The uninstaller behind the uninstall entry: it removes what the installation made,
// exactly the files its package put into the destination folder that are still what was
// installed (never the shared system files), the shortcuts to the program, the uninstall
// entry naming it and the folders left empty, and then itself.
#pragma once

#include <string>

namespace stp {

// The uninstaller's exit codes.
enum UninstallExitCode : int {
    ueDone = 0,             // removed; files changed since they were installed were kept and named
    ueFailed = 1,           // an error no step expected
    ueProgramRunning = 2,   // nothing was removed
    ueCancelled = 3,        // nothing was removed
    ueDoneAtRestart = 4,    // removed; some files in use go when Windows restarts
    ueAnotherRuns = 5,      // another uninstall of the product runs; nothing was removed
    ueIncomplete = 6,       // some files, shortcuts or folders could not be removed (named)
};

// Silent: no question and no message; the exit code tells the outcome.
int RunUninstall(bool Silent);

}  // namespace stp
