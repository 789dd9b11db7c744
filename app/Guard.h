// The running-program guard: the installer does not start while the program it
// installs is running, recognised by its main window's class name and title.
#pragma once

#include <string>

#include "sys/RunningProgram.h"

namespace stp {

struct RefusalMessage {
    std::u16string Text;
    std::u16string Caption;
};

// The message shown when the program runs: the Chinese text names the title found,
// the English text always the English title.
RefusalMessage MakeRefusalMessage(int Mode, const std::u16string& RunningTitle, const std::u16string& TitleEnglish);

}  // namespace stp
