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
};

UninstTexts MakeUninstTexts(int Mode, const std::u16string& D);

}  // namespace stp
