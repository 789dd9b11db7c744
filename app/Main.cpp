// The installer's entry. Without Unattended = yes the command line is not read and the
// exit code is 0 whether the wizard ran or the guard refused; with it, RunSetup reads the
// switches and returns a deployment exit code. Either way 1603 when it will not run as
// administrator with an unsafe DLL search (sys/DllSearch.h).
#include <windows.h>

#include <exception>

#include "app/Startup.h"
#include "datatable/Text.h"
#include "product/ExitCodes.h"
#include "product/SetupCommandLine.h"
#include "product/TextSets.h"
#include "sys/DllSearch.h"
#include "ui/ProductConfig.h"
#include "ui/Wide.h"

namespace {

// As administrator where Windows cannot keep the DLLs beside the installer from being
// loaded: says so, unless the command line asks for an install without questions, and ends.
int RefuseToRun() {
    using namespace stp;
    const bool quiet = ProductFlag(Setting::Unattended) &&
                       ParseSetupCommandLine(ArgumentsOf(FromWide(GetCommandLineW()))).Mode != SetupMode::Wizard;
    const int mode = ConfiguredLanguageMode();
    if (!quiet)
        MessageBoxW(nullptr, ToWide(InTextSet(kUnsafeDllSearchText, mode)).c_str(),
                    ToWide(InTextSet(kRunningProgramCaption, mode)).c_str(), MB_OK | MB_ICONERROR);
    return ecFailed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (!stp::RestrictDllSearch()) return RefuseToRun();
    try {
        return stp::RunSetup();
    } catch (const std::exception& error) {
        // A failure outside every handler (no window could be made, say) is shown and
        // reported as a failure, not as a finished setup.
        MessageBoxW(nullptr, stp::ToWide(stp::FromUtf8(error.what())).c_str(), L"Setup", MB_OK | MB_ICONERROR);
        return 1;
    }
}
