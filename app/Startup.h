// The installer's start-up: text set, running-program guard, then the forms and the
// message loop.
#pragma once

#include "sys/DllSearch.h"

namespace stp {

// Runs the installer; returns when the wizard has closed or the guard has refused.
void RunSetup();

}  // namespace stp
