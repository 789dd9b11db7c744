// The uninstaller's entry: "/S" removes silently; the copy in the temporary folder runs
// with /cleanup (SelfRemoval.h). The exit code is one of UninstallExitCode.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>

#include "sys/DllSearch.h"
#include "datatable/Text.h"
#include "ui/Wide.h"
#include "uninst/SelfRemoval.h"
#include "uninst/Uninstaller.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    stp::RestrictDllSearch();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    const bool cleanup = arg(1) == stp::kCleanupSwitch && argc == 5;
    const bool silent = _wcsicmp(arg(1).c_str(), L"/S") == 0;
    const std::wstring pid = arg(2), folderAtRestart = arg(3), original = arg(4);
    LocalFree(argv);
    if (cleanup) {
        stp::FinishSelfRemoval(static_cast<DWORD>(std::wcstoul(pid.c_str(), nullptr, 10)), folderAtRestart == L"1",
                               stp::FromWide(original));
        return 0;
    }
    try {
        return stp::RunUninstall(silent);
    } catch (const std::exception& error) {
        if (!silent)
            MessageBoxW(nullptr, stp::ToWide(stp::FromUtf8(error.what())).c_str(), L"Uninstall", MB_OK | MB_ICONERROR);
        return stp::ueFailed;
    } catch (...) {
        if (!silent) MessageBoxW(nullptr, L"The uninstaller stopped at an unexpected error.", L"Uninstall", MB_OK | MB_ICONERROR);
        return stp::ueFailed;
    }
}
