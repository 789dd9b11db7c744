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
// installation's shortcut named DisplayName, else Program Files (as the system names it)
// \maker folder\ExeName. Quietly (nobody sees the folder before it is used): a shortcut
// whose target has moved is looked into without a window, and only a shortcut's folder
// below Program Files is proposed.
std::u16string ProposedSetupDir(const std::u16string& DisplayName, const std::u16string& ExeName, bool Quietly = false);

// True when the uninstall entry of the product DisplayName names SetupDir (ending with a
// backslash) as its installation: an earlier installation, whose folder the installer
// takes over without asking.
bool IsEarlierInstallation(const std::u16string& DisplayName, const std::u16string& SetupDir);

// Writes Setup.stp anew into the held destination, unpacks it there and deletes it.
// Raises on failure, naming the file and the cause; files written before it stay, as
// does Setup.stp.
class TDestination;
void UnpackPayload(TDestination& Destination, const TProgressEvent& Progress, TSetupLog& Log);

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
