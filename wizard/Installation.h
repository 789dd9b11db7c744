// The install as the wizard and the unattended install both make it: the destination's
// rules, the folder proposed, the payload unpacked and the product registered, each step
// written to the install's log (a log of nothing when none was asked for).
#pragma once

#include <string>

#include "package/Extractor.h"
#include "sys/SetupLog.h"

namespace stp {

// The folder rule of the wizard's folder page: the text begins with the letter of a
// fixed drive (either case, one of DriveLetters) followed by ":\".
bool IsAcceptedSetupDir(const std::u16string& FolderText, const std::u16string& DriveLetters);

// The folder the wizard proposes (without a trailing backslash): the folder of an earlier
// installation's shortcut named DisplayName, else Program Files\maker folder\ExeName.
// Quietly: a shortcut whose target has moved is looked into without a window.
std::u16string ProposedSetupDir(const std::u16string& DisplayName, const std::u16string& ExeName,
                                bool Quietly = false);

// Writes Setup.stp into SetupDir (which ends with a backslash and exists), unpacks it
// and deletes it. Raises on failure, naming the file and the cause; files written before
// it stay, as does Setup.stp.
void UnpackPayload(const std::u16string& SetupDir, const TProgressEvent& Progress, TSetupLog& Log);

// What the product's registration makes besides the uninstall entry.
struct TRegistration {
    int Mode = 0;  // the text set: the display name and the entry's web address
    std::u16string SetupDir;
    std::u16string DisplayName;
    bool DesktopShortcut = true;
    bool AllUsersDesktop = false;  // the shortcut on the all users' desktop
    bool QuickLaunchShortcut = false;
};

// Shortcuts, the Start menu entry the product asks for and the uninstall entry. For the
// wizard these are conveniences: a failure raised ends them quietly (logged) and the
// installation still completes. True when the uninstall entry was written whole, which
// deployment tools look for.
bool RegisterProduct(const TRegistration& Registration, TSetupLog& Log);

}  // namespace stp
