// Where the installer's start-up spends its time: with STP_STARTUP_TRACE naming a file,
// each phase appends a line "<phase> <ms since the process started>" to it. Without it
// nothing is done. The file is opened once, as the install log is (OpenAppendOnlyPlainFile:
// no link followed, no file with a second name written through), and kept open until the
// process ends. bench/startup.sh reads it.
#pragma once

namespace stp {

void TraceStartup(const char* Phase) noexcept;

}  // namespace stp
