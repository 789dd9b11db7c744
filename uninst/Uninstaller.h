// The uninstaller behind the uninstall entry: it removes what the installation made,
// exactly the files its package put into the destination folder (never the shared
// system files), the shortcuts to the program, the uninstall entry naming it and the
// folders left empty, and then itself.
#pragma once

#include <string>

namespace stp {

// The uninstaller's exit codes.
enum UninstallExitCode : int {
    ueDone = 0,
    ueFailed = 1,           // an error no step expected
    ueProgramRunning = 2,   // nothing was removed
    ueCancelled = 3,        // nothing was removed
    ueDoneAtRestart = 4,    // removed; some files in use go when Windows restarts
};

// Silent: no question and no message; the exit code tells the outcome.
int RunUninstall(bool Silent);

}  // namespace stp
