// The program a product installs, recognised while it runs by its main window's class
// name and title: the installer and the uninstaller both wait for it to end.
#pragma once

#include <functional>
#include <string>

namespace stp {

struct TargetWindow {
    std::u16string ClassName;     // the WindowClass setting
    std::u16string TitleEnglish;  // TitleEnglish
    std::u16string TitleChinese;  // TitleChinese
};

// True when a top-level window of class ClassName has exactly the title Title.
using WindowFinder = std::function<bool(const std::u16string& ClassName, const std::u16string& Title)>;

// FindWindowW over the top-level windows.
bool TopLevelWindowExists(const std::u16string& ClassName, const std::u16string& Title);

// The title under which the program runs: the English one when a window has it (it is
// looked for first), else the Chinese one, else empty.
std::u16string FindRunningTitle(const TargetWindow& Target, const WindowFinder& Find = TopLevelWindowExists);

}  // namespace stp
