// The uninstaller's entry: "/S" removes silently; the copy in the system's temporary
// folder runs with /cleanup and inherited handles (SelfRemoval.h). The exit code is one
// of UninstallExitCode; ueFailed at once when it will not run as administrator with an
// unsafe DLL search (sys/DllSearch.h).
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>

#include "datatable/Text.h"
#include "product/TextSets.h"
#include "sys/DllSearch.h"
#include "ui/ProductConfig.h"
#include "ui/Wide.h"
#include "uninst/SelfRemoval.h"
#include "uninst/UninstTexts.h"
#include "uninst/Uninstaller.h"

namespace {

// As administrator where Windows cannot keep the DLLs beside the uninstaller from being
// loaded: says so, unless silent, and ends.
int RefuseToRun(bool silent) {
    using namespace stp;
    const int mode = ConfiguredLanguageMode();
    if (!silent)
        MessageBoxW(nullptr, ToWide(InTextSet(kUnsafeDllSearchText, mode)).c_str(),
                    ToWide(MakeUninstTexts(mode, ProductDisplayName(mode)).Caption).c_str(), MB_OK | MB_ICONERROR);
    return ueFailed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const bool safe = stp::RestrictDllSearch();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const bool cleanup = argc > 1 && std::wstring(argv[1]) == stp::kCleanupSwitch;
    const bool silent = argc > 1 && _wcsicmp(argv[1], L"/S") == 0;
    if (!safe) {
        LocalFree(argv);
        return RefuseToRun(silent || cleanup);
    }
    if (cleanup) {
        const bool done = stp::FinishSelfRemoval(argc - 2, argv + 2);
        LocalFree(argv);
        return done ? stp::ueDone : stp::ueFailed;
    }
    LocalFree(argv);
    try {
        return stp::RunUninstall(silent);
    } catch (const std::exception& error) {
        if (!silent)
            MessageBoxW(nullptr, stp::ToWide(stp::FromUtf8(error.what())).c_str(), L"Uninstall", MB_OK | MB_ICONERROR);
        return stp::ueFailed;
    } catch (...) {
        if (!silent)
            MessageBoxW(nullptr, L"The uninstaller stopped at an unexpected error.", L"Uninstall",
                        MB_OK | MB_ICONERROR);
        return stp::ueFailed;
    }
}
