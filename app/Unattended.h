// The install without a person (/S, /P): what the wizard does with its defaults, in the
// folder /D= names or the one the wizard would propose, each step and the outcome
// written to the log. No question is asked and nothing is launched.
#pragma once

#include "product/SetupCommandLine.h"
#include "sys/SetupLog.h"

namespace stp {

// The install's exit code (product/ExitCodes.h). The caller has checked that no other
// installer of the product and not the program itself runs.
int RunUnattendedInstall(const SetupCommandLine& Line, TSetupLog& Log);

}  // namespace stp
