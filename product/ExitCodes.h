// The exit codes of an installer made with Unattended = yes and of every uninstaller,
// written once: the programs return them, stp manifest lists them for winget and
// Intune, and the tests read them. The numbers are the ones deployment tools already
// understand where Windows Installer has one (1602, 1603, 1618, 1639, 3010).
#pragma once

#include <cstddef>

namespace stp {

enum ExitCode : int {
    ecSuccess = 0,
    ecProgramRunning = 2,     // the product's program runs; nothing was written or removed
    ecFolderRefused = 3,      // the destination breaks its rules (installer), or this is not
                              // the uninstaller the uninstall entry names; nothing written
    ecCancelled = 1602,       // the user cancelled; nothing more was done
    ecFailed = 1603,          // installing or removing failed; the log or message says why
    ecAnotherRuns = 1618,     // another installer or uninstaller of the product runs
    ecBadCommandLine = 1639,  // an unknown switch; the log names it
    ecRestartNeeded = 3010,   // done; some files go or come when Windows restarts
};

struct ExitCodeRow {
    ExitCode Code;
    const char* Meaning;           // the installer's: for the docs, stp manifest's Intune text and the log
    const char* WingetResponse;    // winget's ReturnResponse; null for success
    const char* UninstallMeaning;  // the uninstaller's, for the docs; null where it never ends so
};

inline constexpr ExitCodeRow kExitCodes[] = {
    {ecSuccess, "success", nullptr, "removed (what the user changed is kept and named)"},
    {ecRestartNeeded, "success; a restart is needed to finish", "rebootRequiredToFinish",
     "removed; some files in use go when Windows restarts"},
    {ecCancelled, "cancelled by the user", "cancelledByUser", "cancelled; nothing was removed"},
    {ecFailed, "a failure while installing; the log says why", "contactSupport",
     "not everything could be removed (the closing message names what and why), or an unexpected error"},
    {ecAnotherRuns, "another installation of this product runs", "installInProgress",
     "another uninstall (or installation) of the product is running; nothing was removed"},
    {ecProgramRunning, "the product's program is running; nothing was written", "packageInUse",
     "the program is running; nothing was removed"},
    {ecBadCommandLine, "an unknown switch; the log names it", "invalidParameter", nullptr},
    {ecFolderRefused, "the destination folder is refused by its rules; nothing was written", "custom",
     "run from a folder the uninstall entry does not name; nothing was removed"},
};

inline constexpr std::size_t kExitCodeCount = sizeof kExitCodes / sizeof kExitCodes[0];

// The row of Code; the failure's row for a code not in the table.
constexpr const ExitCodeRow& ExitCodeOf(int Code) {
    for (const ExitCodeRow& row : kExitCodes)
        if (row.Code == Code) return row;
    return kExitCodes[3];
}

}  // namespace stp
