// Where the installer's start-up spends its time: with STP_STARTUP_TRACE naming a file,
// each phase appends a line "<phase> <ms since the process started>" to it. Without it
// nothing is done. bench/startup.sh reads it.
#pragma once

namespace stp {

void TraceStartup(const char* Phase) noexcept;

}  // namespace stp
