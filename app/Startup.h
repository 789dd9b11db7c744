// The installer's start-up: text set, running-program guard, then the forms and the
// message loop; with Unattended = yes first the command line, the log and the one-at-a-
// time rule, and the install without a person when /S or /P asks for it.
#pragma once

#include "sys/DllSearch.h"

namespace stp {

// Runs the installer and returns its exit code: always 0 for a product without
// Unattended = yes; else one of product/ExitCodes.h.
int RunSetup();

}  // namespace stp
