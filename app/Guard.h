// The running-program guard: the installer does not start while the program it
// installs is running, recognised by its main window's class name and title.
#pragma once

#include <functional>
#include <string>

namespace stp {

struct TargetWindow {
    std::u16string ClassName;     // build configuration 1001
    std::u16string TitleEnglish;  // 1002
    std::u16string TitleChinese;  // 1003
};

// True when a top-level window of class ClassName has exactly the title Title.
using WindowFinder = std::function<bool(const std::u16string& ClassName, const std::u16string& Title)>;

// FindWindowW over the top-level windows.
bool TopLevelWindowExists(const std::u16string& ClassName, const std::u16string& Title);

// The title under which the program runs: the English one when a window has it (it is
// looked for first), else the Chinese one, else empty.
std::u16string FindRunningTitle(const TargetWindow& Target, const WindowFinder& Find = TopLevelWindowExists);

struct RefusalMessage {
    std::u16string Text;
    std::u16string Caption;
};

// The message shown when the program runs: the Chinese text names the title found,
// the English text always the English title.
RefusalMessage MakeRefusalMessage(int Mode, const std::u16string& RunningTitle, const std::u16string& TitleEnglish);

}  // namespace stp
