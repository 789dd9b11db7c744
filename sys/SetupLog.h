// The installer's log (/LOG=FILE): plain UTF-8 lines, each after the local time,
// appended to the file, which is written through after every line so that a log read
// while the install runs, or after it was ended, holds everything done so far.
#pragma once

#include <string>
#include <string_view>

#include "sys/Handles.h"

namespace stp {

class TSetupLog {
public:
    // Logs nothing.
    TSetupLog() = default;
    // Appends to File, creating it; when it cannot be opened, or is reached through a link
    // (a link at its name or on its way), the install goes on and logs nothing (Opened()
    // says so).
    explicit TSetupLog(const std::u16string& File);

    bool Opened() const noexcept { return static_cast<bool>(FFile); }
    void Write(std::u16string_view Line);

private:
    UniqueHandle FFile;
};

}  // namespace stp
