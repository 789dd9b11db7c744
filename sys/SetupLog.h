// The installer's log (/LOG=FILE): plain UTF-8 lines, each after the local time,
// appended to the file, which is written through after every line so that a log read
// while the install runs, or after it was ended, holds everything done so far.
#pragma once

#include <string>
#include <string_view>

#include "sys/Handles.h"

namespace stp {

// File opened for appending, made when missing, by a program that runs as administrator
// where a user may have chosen the name: its folder is opened once (refused when reached
// through a link), the file relative to it without following a link at its name. Empty,
// and nothing written, when the file is not a plain file of that one name there: a link,
// a folder, a file with another name too (a hard link, which writing would write through)
// or one found elsewhere than asked; a file this open made is then deleted again.
UniqueHandle OpenAppendOnlyPlainFile(const std::u16string& File);

class TSetupLog {
public:
    // Logs nothing.
    TSetupLog() = default;
    // Appends to File (OpenAppendOnlyPlainFile); when it cannot be opened so, the install
    // goes on and logs nothing (Opened() says so).
    explicit TSetupLog(const std::u16string& File);

    bool Opened() const noexcept { return static_cast<bool>(file_); }
    void Write(std::u16string_view Line);

private:
    UniqueHandle file_;
};

}  // namespace stp
