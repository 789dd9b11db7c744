// What the uninstaller says, in the text set the installer used: D is the display name
// of that text set.
#pragma once

#include <string>

namespace stp {

struct UninstTexts {
    std::u16string Caption;
    std::u16string Confirm;
    std::u16string Running;
    // Run from a folder the uninstall entry does not name: a copy, not an installation.
    std::u16string NotInstalledHere;
    std::u16string Done;
    // Followed by the files that go when Windows restarts, one a line.
    std::u16string DoneAtRestart;
    std::u16string AnotherRuns;
    // Each followed by its list, one a line: what could not be removed (with the cause),
    // what waits for the restart, what was kept because it is not what was installed.
    std::u16string Incomplete;
    std::u16string InUse;
    std::u16string Kept;
};

UninstTexts MakeUninstTexts(int Mode, const std::u16string& D);

}  // namespace stp
