// The installer's start-up: text set, running-program guard, then the forms and the
// message loop.
#pragma once

namespace stp {

// Keeps DLLs from being loaded out of the installer's own folder (a downloads folder
// may hold planted ones): only the system folder is searched from here on.
void RestrictDllSearch();

// Runs the installer; returns when the wizard has closed or the guard has refused.
void RunSetup();

}  // namespace stp
