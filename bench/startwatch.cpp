// Start-up time of a Windows program: from CreateProcess until a visible top-level
// window of the new process exists. Prints the milliseconds, then ends the process.
//
// usage: startwatch PROGRAM [ARGS...]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->processId && IsWindowVisible(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: startwatch PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    std::wstring command;
    for (int i = 1; i < argc; ++i) command += (i > 1 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "startwatch: cannot start the program (%lu)\n", GetLastError());
        return 1;
    }
    Search search{pi.dwProcessId, false};
    for (int i = 0; i < 60000 && !search.found; ++i) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(1);
    }
    QueryPerformanceCounter(&now);
    // A moment more for what the program does once its window shows (its start-up trace).
    Sleep(300);
    TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!search.found) {
        std::fputs("startwatch: no window within 60 s\n", stderr);
        return 1;
    }
    std::printf("%.1f\n",
                1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
