// The installer's entry. Without Unattended = yes the command line is not read and the
// exit code is 0 whether the wizard ran or the guard refused; with it, RunSetup reads the
// switches and returns a deployment exit code.
#include <windows.h>

#include <exception>

#include "app/Startup.h"
#include "datatable/Text.h"
#include "ui/Wide.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    stp::RestrictDllSearch();
    try {
        return stp::RunSetup();
    } catch (const std::exception& error) {
        // A failure outside every handler (no window could be made, say) is shown and
        // reported as a failure, not as a finished setup.
        MessageBoxW(nullptr, stp::ToWide(stp::FromUtf8(error.what())).c_str(), L"Setup", MB_OK | MB_ICONERROR);
        return 1;
    }
}
