// The uninstaller behind the uninstall entry: it removes what the installation made,
// exactly the files its package put into the destination folder that are still what was
// installed (never the shared system files), the shortcuts to the program, the uninstall
// entry naming it and the folders left empty, and then itself.
#pragma once

#include <string>

#include "product/ExitCodes.h"

namespace stp {

// The uninstaller's exit codes: the installer's deployment codes (product/ExitCodes.h),
// the same for every product.
enum UninstallExitCode : int {
    ueDone = ecSuccess,                    // removed; files changed since they were installed were kept and named
    ueFailed = ecFailed,                   // an error no step expected; nothing was removed
    ueProgramRunning = ecProgramRunning,   // nothing was removed
    ueNotInstalledHere = ecFolderRefused,  // not the uninstaller the entry names; nothing was removed
    ueCancelled = ecCancelled,             // nothing was removed
    ueDoneAtRestart = ecRestartNeeded,     // removed; some files in use go when Windows restarts
    ueAnotherRuns = ecAnotherRuns,         // another uninstall of the product runs; nothing was removed
    ueIncomplete = ecFailed,               // some files, shortcuts or folders could not be removed (named)
};

// Silent: no question and no message; the exit code tells the outcome.
int RunUninstall(bool Silent);

}  // namespace stp
